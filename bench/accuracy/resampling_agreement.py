#!/usr/bin/python3
"""Whether the resampler of kelvo's sound conversion changes verification decisions.

Copies every recording of a `kelvo eval` trial list (kelvo .raw recordings, 11025 Hz) to a
16-bit WAV at RATE Hz with scipy's polyphase resampler, so that kelvo has to resample each one
back, and runs `kelvo eval` on the copies with each KELVO given (e.g. builds with different
converters for recordings). Prints each run's rates and, against the first run, the decisions
flipped among the trials both scored, the trials not run by both and the mean score change;
last, the first KELVO runs the original list, which no resampler touches.

  bench/accuracy/resampling_agreement.py [--impostor-every N] [--enrol-raw] [--jobs N]
                                         TRIALS RATE WORK_DIR KELVO [KELVO...]

--impostor-every N keeps every Nth impostor trial (the lists are mostly impostors, and a
44.1 kHz run converts every attempt). --enrol-raw enrols the original recordings and tests
only the copies, as when a speaker enrols with `kelvo record` and is verified from files.
Needs numpy and scipy.
"""
import argparse
import json
import math
import os
import subprocess
import wave

import numpy as np
from scipy.signal import resample_poly

KELVO_RATE = 11025
LABELS = ("target", "impostor", "wrong-phrase", "near-phrase")


def read_trials(path, impostor_every):
    folder = os.path.dirname(os.path.abspath(path))
    trials, impostors = [], 0
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            line = line.rstrip("\n")
            if not line or line.startswith("#") or line.startswith("enrol"):
                continue
            enrol, test, label = line.split("\t")
            if label == "impostor":
                impostors += 1
                if (impostors - 1) % impostor_every:
                    continue
            trials.append((os.path.join(folder, enrol), os.path.join(folder, test), label))
    return trials


def write_wave(raw, out, rate):
    samples = (np.fromfile(raw, dtype=np.uint8).astype(np.float64) - 128.0) / 128.0
    divisor = math.gcd(rate, KELVO_RATE)
    resampled = resample_poly(samples, rate // divisor, KELVO_RATE // divisor)
    pcm = np.clip(np.round(resampled * 32768.0), -32768, 32767).astype("<i2")
    with wave.open(out, "wb") as file:
        file.setnchannels(1)
        file.setsampwidth(2)
        file.setframerate(rate)
        file.writeframes(pcm.tobytes())


def write_list(trials, path):
    with open(path, "w", encoding="utf-8") as out:
        out.write("enrol\ttest\tlabel\n")
        out.writelines(f"{e}\t{t}\t{label}\n" for e, t, label in trials)


def run_eval(kelvo, trials, results, jobs):
    command = [kelvo, "eval", "--json", "--results", results, trials]
    if jobs:
        command[2:2] = ["--jobs", str(jobs)]
    report = json.loads(subprocess.run(command, check=True, capture_output=True).stdout)
    with open(results, encoding="utf-8") as rows:
        decisions = [row.rstrip("\n").split("\t") for row in rows][1:]
    return report, [(row[2], row[4], row[3]) for row in decisions]


def compare(reference, decisions):
    """Decisions flipped among the trials both runs scored (target trials newly rejected and
    newly accepted), trials not run by both (an enrolment failed), and the
    mean change of the score."""
    both = [(a, b) for a, b in zip(reference, decisions) if a[2] != "-" and b[2] != "-"]
    flipped = [(a, b) for a, b in both if a[1] != b[1]]
    lost = sum(a[0] == "target" and b[1] == "rejected" for a, b in flipped)
    gained = sum(a[0] == "target" and b[1] == "accepted" for a, b in flipped)
    change = np.mean([abs(float(a[2]) - float(b[2])) for a, b in both])
    return (f"{len(flipped)} flipped (target: {lost} rejected, {gained} accepted), "
            f"{len(reference) - len(both)} not run by both, mean |score change| {change:.3f}")


def percent(value):
    return "-" if value is None else f"{100.0 * value:6.2f} %"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--impostor-every", type=int, default=1)
    parser.add_argument("--enrol-raw", action="store_true")
    parser.add_argument("--jobs", type=int, default=0)
    parser.add_argument("trials")
    parser.add_argument("rate", type=int)
    parser.add_argument("work")
    parser.add_argument("kelvo", nargs="+")
    args = parser.parse_args()

    trials = read_trials(args.trials, args.impostor_every)
    os.makedirs(args.work, exist_ok=True)
    copies = {}
    for path in sorted({p for e, t, _ in trials for p in (e, t)}):
        copy = os.path.join(args.work, f"{len(copies):05d}.wav")
        if not os.path.exists(copy):
            write_wave(path, copy, args.rate)
        copies[path] = copy
    raw_list = os.path.join(args.work, "raw-trials.tsv")
    wave_list = os.path.join(args.work, "wave-trials.tsv")
    write_list(trials, raw_list)
    write_list([(e if args.enrol_raw else copies[e], copies[t], label) for e, t, label in trials],
               wave_list)

    runs = [(f"WAV {args.rate} Hz, {os.path.basename(k)}", k, wave_list) for k in args.kelvo]
    runs.append((f"raw 11025 Hz, {os.path.basename(args.kelvo[0])}", args.kelvo[0], raw_list))
    print(f"{len(trials)} trials: " +
          ", ".join(f"{sum(t[2] == label for t in trials)} {label}" for label in LABELS))
    print(f"{'run':36s} {'FRR':>8s} {'FAR':>8s} {'WPA':>8s} {'NPA':>8s} {'EER':>8s}  "
          "against the first run")
    reference = None
    for index, (name, kelvo, trial_list) in enumerate(runs):
        results = os.path.join(args.work, f"results-{index}.tsv")
        report, decisions = run_eval(kelvo, trial_list, results, args.jobs)
        eer = report["equal_error_rate"]
        line = (f"{name:36s} {percent(report['false_rejection_rate']):>8s} "
                f"{percent(report['false_acceptance_rate']):>8s} "
                f"{percent(report['wrong_phrase_acceptance_rate']):>8s} "
                f"{percent(report['near_phrase_acceptance_rate']):>8s} "
                f"{percent(eer and eer['estimate']):>8s}")
        if reference is None:
            reference = decisions
        else:
            line += "  " + compare(reference, decisions)
        print(line, flush=True)
    print(f"work files in {args.work}")


if __name__ == "__main__":
    main()
