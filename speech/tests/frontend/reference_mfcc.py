#!/usr/bin/python3
"""Reference front end in numpy, for the golden test of the C++ front end.

Reads an 8-bit unsigned raw recording and writes the ascii feature file ("<frames> <dims>"
line, then one line per frame), computing everything in float64 with numpy's own FFT:

  reference_mfcc.py INPUT.raw OUTPUT.txt [options]

Options mirror the entry point's: --sf, --window-ms, --shift-ms, --fbanks, --mfcc, --lifter,
--pre-emph, --delta-win, --spectral-floor (dB below the loudest frame, 0 = none), and the switches --zero-mean --energy --energy-norm --cms --delta --acc.
"""
import argparse
import math

import numpy as np


def mel(hz):
    return 2595.0 * np.log10(1.0 + np.asarray(hz, dtype=np.float64) / 700.0)


def mel_matrix(fbanks, nfft, sf):
    """(fbanks, nfft/2+1) triangles, linear in mel, strictly positive inside only."""
    bin_mel = mel(np.arange(nfft // 2 + 1) * sf / nfft)
    points = np.arange(fbanks + 2) * (mel(sf / 2.0) / (fbanks + 1))
    left, center, right = points[:-2, None], points[1:-1, None], points[2:, None]
    rising = (bin_mel - left) / (center - left)
    falling = (right - bin_mel) / (right - center)
    weights = np.where(bin_mel <= center, rising, falling)
    inside = (bin_mel > left) & (bin_mel < right)
    return np.where(inside, weights, 0.0)


def regression(x, k_max):
    """Deltas along axis 0 with the edge frames repeated."""
    padded = np.pad(x, ((k_max, k_max), (0, 0)), mode="edge")
    n = x.shape[0]
    out = np.zeros_like(x)
    for k in range(1, k_max + 1):
        out += k * (padded[k_max + k:k_max + k + n] - padded[k_max - k:k_max - k + n])
    return out / (2.0 * sum(k * k for k in range(1, k_max + 1)))


def features(raw, a):
    x = raw.astype(np.float64) - 128.0
    if a.zero_mean and x.size:
        x = x - x.mean()
    x = x - a.pre_emph * np.concatenate([x[:1], x[:-1]])

    window = int(round(a.window_ms * a.sf / 1000.0))
    shift = int(round(a.shift_ms * a.sf / 1000.0))
    nfft = 1 << max(1, (window - 1).bit_length())
    count = 0 if x.size < window else 1 + (x.size - window) // shift
    n_static = a.mfcc + (1 if a.energy else 0)
    dims = n_static * (1 + a.delta + a.acc)
    if count == 0:
        return np.zeros((0, dims))

    frames = np.stack([x[t * shift:t * shift + window] for t in range(count)])
    log_energy = np.log(np.maximum((frames ** 2).sum(axis=1), 1e-10))
    hamming = 0.54 - 0.46 * np.cos(2.0 * np.pi * np.arange(window) / (window - 1))
    power = np.abs(np.fft.rfft(frames * hamming, n=nfft, axis=1)) ** 2
    weights = mel_matrix(a.fbanks, nfft, a.sf)
    mel_energy = power @ weights.T
    if a.spectral_floor > 0:
        # White noise, pre-emphasised, spectral_floor dB below the loudest frame.
        k = np.arange(nfft // 2 + 1)
        emphasis = 1.0 + a.pre_emph ** 2 - 2.0 * a.pre_emph * np.cos(2.0 * np.pi * k / nfft)
        shares = weights @ emphasis
        loudest = mel_energy.sum(axis=1).max()
        mel_energy = mel_energy + loudest * 10.0 ** (-a.spectral_floor / 10.0) * shares / shares.sum()
    log_mel = np.log(np.maximum(mel_energy, 1e-10))

    m = a.fbanks
    n = np.arange(1, a.mfcc + 1)[:, None]
    dct = math.sqrt(2.0 / m) * np.cos(np.pi * n * (np.arange(m)[None, :] + 0.5) / m)
    cep = log_mel @ dct.T
    if a.lifter > 0:
        cep = cep * (1.0 + a.lifter / 2.0 * np.sin(np.pi * n[:, 0] / a.lifter))
    if a.cms:
        cep = cep - cep.mean(axis=0)

    statics = cep
    if a.energy:
        if a.energy_norm:
            log_energy = np.maximum(log_energy - log_energy.max() + 1.0,
                                    1.0 - 50.0 * math.log(10.0) / 10.0)
        statics = np.hstack([cep, log_energy[:, None]])
    blocks = [statics]
    if a.delta:
        blocks.append(regression(statics, a.delta_win))
    if a.acc:
        blocks.append(regression(blocks[-1], a.delta_win))
    return np.hstack(blocks)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("input")
    p.add_argument("output")
    p.add_argument("--sf", type=float, default=11025.0)
    p.add_argument("--window-ms", type=float, default=16.0)
    p.add_argument("--shift-ms", type=float, default=8.0)
    p.add_argument("--fbanks", type=int, default=22)
    p.add_argument("--mfcc", type=int, default=14)
    p.add_argument("--lifter", type=float, default=36.0)
    p.add_argument("--pre-emph", type=float, default=0.97)
    p.add_argument("--delta-win", type=int, default=2)
    p.add_argument("--spectral-floor", type=float, default=22.0)
    for flag in ("zero-mean", "energy", "energy-norm", "cms", "delta", "acc"):
        p.add_argument("--" + flag, action="store_true")
    a = p.parse_args()
    raw = np.fromfile(a.input, dtype=np.uint8)
    f = features(raw, a)
    with open(a.output, "w") as out:
        out.write("%d %d\n" % f.shape)
        for row in f:
            out.write(" ".join(repr(float(v)) for v in row) + "\n")


if __name__ == "__main__":
    main()
