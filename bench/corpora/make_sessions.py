#!/usr/bin/python3
"""Voice corpora made by a session recipe of their own, written apart from the shell scripts'
(scripts/make-real-corpus.sh, scripts/add-session-changes.sh): other word choices, edges,
pauses, levels, noises and room and microphone models, so that a figure measured on both says
more than one measured on either.

    make_sessions.py arabic SOURCE OUTDIR [--seed N]
        spoken passwords of the real speakers in SOURCE (<keyword>/<speaker>_<take>.flac):
        eight 4-digit PINs and six sequences of three other keywords, four sessions each
    make_sessions.py english SOURCE OUTDIR [--seed N] [--speeds LIST]
        pieces of 2.5 to 4 s of the readings in SOURCE (<speaker>/<utterance>.flac), cut at
        pauses; every piece is a session of its own, with its own words. The folder gets a
        file "read-speech": the fit takes its voices as speakers of any text.
        --speeds 0.9,1.1 makes each speaker at 0.9 and 1.1 times the speed (pitch and tempo
        together) instead, as further voices named <speaker>~speed0.9 and so on: more
        speakers for fitting, never for measuring (the fit takes the part of a voice's name
        before '~' as the person, so folds by person keep copies with their speaker).

Both write OUTDIR/<voice>/<phrase>_<session>.raw (8-bit unsigned mono PCM at 11025 samples/s,
no header), OUTDIR/manifest.tsv (voice, phrase, session, path) and OUTDIR/changes.tsv (the
same with a fifth column, the change) for the changed versions of every recording:

    level-24 level-12 level-0   peak at that many dB below full scale, stored in 8 bits again
    mix                         a drawn chain: level -24 to 0 dBFS; with a chance each,
                                noise (white, pink, brown, hum with hiss, or babble of other
                                voices) at 10 to 30 dB SNR, a room (decaying noise, RT60 0.15
                                to 0.6 s), a microphone (telephone band, a low-pass, a tilt)
                                and a tempo of 0.92 to 1.08 (SoX, pitch kept)

Every draw comes from the seed and the name of what it is drawn for, so the corpus is the
same on every run. Needs SoX (decoding FLAC, tempo) and Debian's python3-numpy and
python3-scipy. The English recordings are LibriSpeech (CC BY 4.0), the Arabic ones the Arabic
Speech Commands Dataset (CC BY 4.0): see THIRD_PARTY_NOTICES.md.
"""
import argparse
import hashlib
import os
import subprocess
import sys
import tempfile
from concurrent.futures import ProcessPoolExecutor

import numpy as np
from scipy import signal

RATE = 11025
DIGITS = ["zero", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine"]
# Keywords of one word (zoom-in and zoom-out would read as two in a phrase id).
KEYWORDS = ["open", "enter", "yes", "no", "start", "stop", "left", "right", "up", "down",
            "forward", "backward", "enable", "disable", "ok", "cancel", "close", "previous", "next", "send", "receive", "move", "rotate", "record",
            "digit", "direction", "options", "undo"]


def rng_for(seed, *names):
    digest = hashlib.sha256("/".join([str(seed), *map(str, names)]).encode()).digest()
    return np.random.default_rng(int.from_bytes(digest[:8], "little"))


def decode(path):
    out = subprocess.run(["sox", "-D", path, "-t", "f32", "-r", str(RATE), "-c", "1", "-"],
                         check=True, capture_output=True).stdout
    return np.frombuffer(out, dtype=np.float32).astype(np.float64)


def write_raw(path, x):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    q = np.clip(np.round(x * 128.0) + 128.0, 0, 255).astype(np.uint8)
    with open(path + ".part", "wb") as f:
        f.write(q.tobytes())
    os.replace(path + ".part", path)


def at_peak(x, dbfs):
    peak = np.max(np.abs(x))
    return x if peak <= 0 else x * (10 ** (dbfs / 20) / peak)


def frame_energy(x, size):
    n = len(x) // size
    return np.sum(x[: n * size].reshape(n, size) ** 2, axis=1) + 1e-12


# --- noises, rooms and microphones -------------------------------------------------------------

def coloured_noise(rng, n, colour):
    white = rng.standard_normal(n)
    if colour == "white":
        return white
    if colour == "pink":  # Paul Kellet's filter
        b = [0.049922035, -0.095993537, 0.050612699, -0.004408786]
        a = [1, -2.494956002, 2.017265875, -0.522189400]
        return signal.lfilter(b, a, white)
    if colour == "brown":
        return signal.lfilter([1.0], [1.0, -0.995], white)
    # hum with hiss: mains at 50 or 60 Hz with harmonics, over faint white noise
    t = np.arange(n) / RATE
    mains = rng.choice([50.0, 60.0])
    hum = sum(np.sin(2 * np.pi * mains * k * t + rng.uniform(0, 6.3)) / k for k in (1, 2, 3, 5))
    return hum + 0.1 * white


def add_at_snr(x, noise, snr_db):
    speech = x[np.abs(x) > 0.05 * np.max(np.abs(x))] if np.any(x) else x
    ps = np.mean(speech ** 2) if len(speech) else 0.0
    pn = np.mean(noise ** 2)
    if ps <= 0 or pn <= 0:
        return x
    return x + noise * np.sqrt(ps / (pn * 10 ** (snr_db / 10)))


def room(rng, x):
    rt60 = rng.uniform(0.15, 0.6)
    n = int(rt60 * RATE)
    t = np.arange(n) / RATE
    tail = rng.standard_normal(n) * np.exp(-6.9 * t / rt60)
    tail[: int(0.003 * RATE)] = 0.0
    ir = np.concatenate([[1.0], np.zeros(int(rng.uniform(0.001, 0.01) * RATE))]) * 1.0
    ir = np.concatenate([ir, tail * rng.uniform(0.15, 0.5)])
    y = signal.fftconvolve(x, ir)[: len(x)]
    return y * (np.max(np.abs(x)) / max(np.max(np.abs(y)), 1e-12))


def microphone(rng, x):
    kind = rng.integers(3)
    if kind == 0:
        sos = signal.butter(4, [300, 3400], "bandpass", fs=RATE, output="sos")
    elif kind == 1:
        sos = signal.butter(2, rng.uniform(2500, 4500), "lowpass", fs=RATE, output="sos")
    else:
        sos = signal.butter(1, rng.uniform(150, 600), "highpass", fs=RATE, output="sos")
    return signal.sosfilt(sos, x)


def tempo(x, factor):
    with tempfile.TemporaryDirectory() as work:
        src = os.path.join(work, "in.f32")
        x.astype(np.float32).tofile(src)
        out = subprocess.run(["sox", "-R", "-D", "-t", "f32", "-r", str(RATE), "-c", "1", src,
                              "-t", "f32", "-", "tempo", "-s", f"{factor:.4f}"],
                             check=True, capture_output=True).stdout
    return np.frombuffer(out, dtype=np.float32).astype(np.float64)


def mixed_change(rng, x, babble_sources):
    y = x.copy()
    if rng.random() < 0.3:
        y = tempo(y, rng.uniform(0.92, 1.08))
    if rng.random() < 0.4:
        y = room(rng, y)
    if rng.random() < 0.5:
        y = microphone(rng, y)
    if rng.random() < 0.7:
        kind = rng.choice(["white", "pink", "brown", "hum", "babble"])
        if kind == "babble" and babble_sources:
            noise = np.zeros(len(y))
            for k in rng.choice(len(babble_sources), size=min(4, len(babble_sources)),
                                replace=False):
                source = babble_sources[k]
                start = rng.integers(max(1, len(source)))
                looped = np.resize(np.roll(source, -start), len(y))
                noise += looped / (np.sqrt(np.mean(looped ** 2)) + 1e-9)
        else:
            noise = coloured_noise(rng, len(y), "white" if kind == "babble" else kind)
        y = add_at_snr(y, noise, rng.uniform(10, 30))
    return at_peak(y, rng.uniform(-24, 0))


def write_changes(out_dir, rows, seed, babble_of):
    """rows: (voice, phrase, session, path); babble_of(voice) gives other voices' signals."""
    changed = []
    for voice, phrase, session, path in rows:
        x = np.fromfile(os.path.join(out_dir, path), dtype=np.uint8).astype(np.float64)
        x = (x - 128.0) / 128.0
        for level in (24, 12, 0):
            name = f"level-{level}"
            target = f"changes/{name}/{voice}/{phrase}_{session}.raw"
            write_raw(os.path.join(out_dir, target), at_peak(x, -level))
            changed.append((voice, phrase, session, target, name))
        rng = rng_for(seed, "mix", voice, phrase, session)
        target = f"changes/mix/{voice}/{phrase}_{session}.raw"
        write_raw(os.path.join(out_dir, target), mixed_change(rng, x, babble_of(voice)))
        changed.append((voice, phrase, session, target, "mix"))
    return changed


def write_manifest(path, rows):
    with open(path + ".part", "w") as f:
        f.write("voice\tphrase\tsession\tpath" + ("\tchange" if rows and len(rows[0]) > 4
                                                 else "") + "\n")
        for row in rows:
            f.write("\t".join(map(str, row)) + "\n")
    os.replace(path + ".part", path)


# --- spoken passwords of the Arabic speakers ---------------------------------------------------

def arabic_phrases(seed):
    rng = rng_for(seed, "phrases")
    pins = []
    while len(pins) < 8:
        pin = list(rng.choice(DIGITS, size=4, replace=False))
        if "-".join(pin) not in ["-".join(p) for p in pins]:
            pins.append(pin)
    words = list(rng.permutation(KEYWORDS))
    sequences = [words[3 * i: 3 * i + 3] for i in range(5)]
    sequences.append([sequences[0][0], sequences[1][1], words[15]])  # a near miss of two
    return ["-".join(p) for p in pins + sequences]


def word_of(x, rng):
    """The word in a one-second clip: 40 ms frames within 20 dB of the loudest, with drawn
    margins of 20 to 80 ms."""
    e = frame_energy(x, 441)
    loud = np.nonzero(e > np.max(e) * 0.01)[0]
    start = max(0, loud[0] * 441 - int(rng.uniform(0.02, 0.08) * RATE))
    end = min(len(x), (loud[-1] + 1) * 441 + int(rng.uniform(0.02, 0.08) * RATE))
    w = x[start:end].copy()
    ramp = min(len(w) // 4, int(0.008 * RATE))
    if ramp > 0:
        w[:ramp] *= np.linspace(0, 1, ramp)
        w[-ramp:] *= np.linspace(1, 0, ramp)
    return w


def make_arabic_speaker(args):
    source, out_dir, seed, speaker, phrases = args
    rows = []
    for phrase in phrases:
        keywords = phrase.split("-")
        takes = {k: rng_for(seed, "takes", speaker, phrase, k).permutation(10) + 1
                 for k in keywords}
        for session in range(1, 5):
            rng = rng_for(seed, "session", speaker, phrase, session)
            pieces = [np.zeros(int(rng.uniform(0.05, 0.6) * RATE))]
            for i, keyword in enumerate(keywords):
                clip = decode(f"{source}/{keyword}/{speaker}_{takes[keyword][session - 1]:02d}"
                              ".flac")
                if i > 0:
                    pieces.append(np.zeros(int(rng.uniform(0.0, 0.25) * RATE)))
                pieces.append(word_of(clip, rng))
            pieces.append(np.zeros(int(rng.uniform(0.05, 0.6) * RATE)))
            x = np.concatenate(pieces)
            colour = rng.choice(["white", "pink", "brown", "hum"])
            x = add_at_snr(x, coloured_noise(rng, len(x), colour), rng.uniform(20, 40))
            path = f"{speaker}/{phrase}_{session}.raw"
            write_raw(os.path.join(out_dir, path), at_peak(x, rng.uniform(-20, -3)))
            rows.append((speaker, phrase, session, path))
    return rows


def make_arabic(source, out_dir, seed, jobs):
    speakers = sorted(f[:-8] for f in os.listdir(f"{source}/zero") if f.endswith("_01.flac"))
    phrases = arabic_phrases(seed)
    with ProcessPoolExecutor(jobs) as pool:
        rows = [r for rs in pool.map(make_arabic_speaker,
                                     [(source, out_dir, seed, s, phrases) for s in speakers])
                for r in rs]
    return rows


# --- pieces of English readings ----------------------------------------------------------------

def pieces_of(x, rng):
    """Cuts at the quietest 20 ms frame within 0.4 s of a drawn length of 2.5 to 4 s."""
    e = frame_energy(x, 220)
    frames_per_s = RATE / 220
    out, start = [], 0
    while True:
        target = start + int(rng.uniform(2.5, 4.0) * frames_per_s)
        if target + 0.4 * frames_per_s >= len(e):
            if len(e) - start >= 2.0 * frames_per_s:
                out.append((start * 220, len(x)))
            break
        lo, hi = target - int(0.4 * frames_per_s), target + int(0.4 * frames_per_s)
        cut = lo + int(np.argmin(e[lo:hi]))
        out.append((start * 220, cut * 220))
        start = cut
    return out


def make_english_speaker(args):
    source, out_dir, seed, speaker, speeds = args
    rows = []
    folder = os.path.join(source, speaker)
    for name in sorted(f for f in os.listdir(folder) if f.endswith(".flac")):
        x = decode(os.path.join(folder, name))
        utterance = name[:-5].replace("-", "")
        for speed in speeds:
            voice = speaker if speed == 1.0 else f"{speaker}~speed{speed:g}"
            y = x if speed == 1.0 else signal.resample_poly(x, 10, int(round(speed * 10)))
            rng = rng_for(seed, "pieces", speaker, name, speed)
            for k, (a, b) in enumerate(pieces_of(y, rng)):
                phrase = f"read{utterance}p{k}"
                path = f"{voice}/{phrase}_1.raw"
                write_raw(os.path.join(out_dir, path), at_peak(y[a:b], rng.uniform(-12, -2)))
                rows.append((voice, phrase, 1, path))
    return rows


def make_english(source, out_dir, seed, jobs, speeds):
    speakers = sorted(d for d in os.listdir(source) if os.path.isdir(os.path.join(source, d)))
    with ProcessPoolExecutor(jobs) as pool:
        rows = [r for rs in pool.map(make_english_speaker,
                                     [(source, out_dir, seed, s, speeds) for s in speakers])
                for r in rs]
    with open(os.path.join(out_dir, "read-speech"), "w") as f:
        f.write("The voices of this corpus read text: each piece says other words.\n")
    return rows


# --- both --------------------------------------------------------------------------------------

def changes_for_voices(args):
    out_dir, seed, rows, others = args
    babble = [(np.fromfile(os.path.join(out_dir, p), dtype=np.uint8).astype(np.float64) - 128)
              / 128 for p in others]
    return write_changes(out_dir, rows, seed, lambda voice: babble)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("kind", choices=["arabic", "english"])
    parser.add_argument("source")
    parser.add_argument("out_dir")
    parser.add_argument("--seed", type=int, default=11)
    parser.add_argument("--speeds", default="1",
                        type=lambda text: [float(v) for v in text.split(",")])
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    args = parser.parse_args()
    os.makedirs(args.out_dir, exist_ok=True)
    if args.kind == "arabic":
        rows = make_arabic(args.source, args.out_dir, args.seed, args.jobs)
    else:
        rows = make_english(args.source, args.out_dir, args.seed, args.jobs, args.speeds)
    # Changes, a voice at a time; the babble is made of the first recordings of other voices.
    voices = sorted({r[0] for r in rows})
    first = {}
    for r in rows:
        first.setdefault(r[0], r[3])
    tasks = []
    for i, voice in enumerate(voices):
        others = [first[voices[(i + k) % len(voices)]] for k in (3, 7, 11, 13)
                  if voices[(i + k) % len(voices)] != voice]
        tasks.append((args.out_dir, args.seed, [r for r in rows if r[0] == voice], others))
    with ProcessPoolExecutor(args.jobs) as pool:
        changed = [c for cs in pool.map(changes_for_voices, tasks) for c in cs]
    write_manifest(os.path.join(args.out_dir, "changes.tsv"), changed)
    write_manifest(os.path.join(args.out_dir, "manifest.tsv"), rows)
    print(f"{args.out_dir}: {len(rows)} recordings of {len(voices)} voices, "
          f"{len(changed)} changed versions")


if __name__ == "__main__":
    sys.exit(main())
