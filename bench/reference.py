#!/usr/bin/python3
"""Reference pipeline for the whole-event benchmark, written the usual numpy way.

It does, per trace, the work tesk_wave -w -g -e -r does: cut the window (30 s before to 60 s
after the station's first pick), demean, taper, zero-pad to a power of two at least twice the
window, real FFT, divide by the trace's own pole-zero response evaluated on the frequency grid,
then for each measurement multiply by the Wood-Anderson response or a Butterworth filter,
inverse FFT and search the peak:
  Wood-Anderson amplitude; peak ground velocity, acceleration and displacement (0.1 Hz
  high-pass); radiated-energy integral of the band-passed velocity; peak of the band-passed
  velocity for the ramp.

  reference.py prepare DUMP PICKS OUT.npz   turn tesk_dump output into arrays (not timed)
  reference.py run OUT.npz RESP             the timed pipeline; prints one line per trace
"""
import sys

import numpy as np

PRE_PICK = 30.0  # s before the first pick
POST_PICK = 60.0  # s after it
WA_POLES = np.array([-6.283 + 4.712j, -6.283 - 4.712j])
WA_GAIN = 2080.0


def day_seconds(year, doy, hms):
    h, m, s = hms.split(":")
    return ((int(year) * 400 + int(doy)) * 86400.0) + int(h) * 3600 + int(m) * 60 + float(s)


def prepare(dump_path, pick_path, out_path):
    first_pick = {}
    with open(pick_path) as f:
        for line in f.readlines()[2:]:
            p = line.split()
            if len(p) < 11:
                continue
            t = day_seconds(p[-3], p[-2], p[-1])
            first_pick[p[0]] = min(t, first_pick.get(p[0], t))
    names, starts, rates, traces = [], [], [], []
    current = None
    with open(dump_path) as f:
        for line in f:
            if line.startswith("#"):
                h = line.split()
                current = []
                traces.append(current)
                names.append(h[1] + " " + h[2])
                starts.append(day_seconds(h[4], h[5], h[6]))
                rates.append(float(h[8]))
            elif current is not None:
                current.append(int(line))
    first, last = [], []
    for name, t0, rate, x in zip(names, starts, rates, traces):
        pick = first_pick[name.split()[0]]
        i0 = int(round((pick - PRE_PICK - t0) * rate))
        i1 = int(round((pick + POST_PICK - t0) * rate))
        if i0 < 0 or i1 > len(x) or i1 - i0 > 16384:
            sys.exit(f"{name}: window {i0}..{i1} does not fit the {len(x)} samples")
        first.append(i0)
        last.append(i1)
    np.savez(out_path, names=np.array(names), rates=np.array(rates),
             first=np.array(first), last=np.array(last),
             samples=np.array([np.asarray(x, dtype=np.int32) for x in traces], dtype=object),
             allow_pickle=True)


def read_responses(path):
    """Pole-zero responses by 'STAT CHAN': (a0, zeros, poles)."""
    out = {}
    with open(path) as f:
        lines = f.read().splitlines()
    i = 0
    while i < len(lines):
        head = lines[i].split()
        a0, nzeros, npoles = lines[i + 1].split()
        npoles, nzeros = int(npoles), int(nzeros)
        values, i = [], i + 2
        while len(values) < 2 * (npoles + nzeros):
            values += [float(v) for v in lines[i].split()]
            i += 1
        c = np.array(values[0::2]) + 1j * np.array(values[1::2])
        out[head[0] + " " + head[1]] = (float(a0), c[:nzeros], c[nzeros:])
    return out


def butterworth(f, order, corner, highpass):
    r = (corner / np.maximum(f, 1e-12)) if highpass else (f / corner)
    return 1.0 / np.sqrt(1.0 + r ** (2 * order))


def main_run(npz_path, resp_path):
    data = np.load(npz_path, allow_pickle=True)
    responses = read_responses(resp_path)
    for name, rate, i0, i1, x in zip(data["names"], data["rates"], data["first"], data["last"],
                                     data["samples"]):
        dt = 1.0 / rate
        y = x[i0:i1].astype(np.float32)
        n = len(y)
        y -= y.mean()
        y *= np.hanning(n).astype(np.float32) ** 0.1  # gentle taper at both ends
        nfft = 1 << int(np.ceil(np.log2(2 * n)))
        spectrum = np.fft.rfft(y, nfft)
        f = np.fft.rfftfreq(nfft, dt)
        s = 2j * np.pi * f
        a0, zeros, poles = responses[str(name)]
        resp = a0 * np.prod(s[:, None] - zeros, axis=1) / np.prod(s[:, None] - poles, axis=1)
        resp[0] = 1.0
        vel = spectrum / resp
        vel[0] = 0.0
        # Wood-Anderson: displacement through the torsion seismometer, in mm.
        wa = WA_GAIN * s / np.prod(s[:, None] - WA_POLES, axis=1) * vel * 1000.0
        wood = np.abs(np.fft.irfft(wa, nfft)[:n]).max()
        # Ground motion behind a 0.1 Hz high-pass.
        hp = vel * butterworth(f, 4, 0.1, True)
        pgv = np.abs(np.fft.irfft(hp, nfft)[:n]).max()
        pga = np.abs(np.fft.irfft(hp * s, nfft)[:n]).max()
        s_safe = s.copy()
        s_safe[0] = 1.0
        pgd = np.abs(np.fft.irfft(hp / s_safe, nfft)[:n]).max()
        # Energy: band-passed velocity squared, integrated.
        bp = vel * butterworth(f, 4, 0.2, True) * butterworth(f, 4, 20.0, False)
        v = np.fft.irfft(bp, nfft)[:n]
        energy = np.sum(v * v) * dt
        # Ramp: peak of the band-passed velocity.
        ramp = np.abs(v).max()
        print(f"{name} {wood:.4g} {pgv:.4g} {pga:.4g} {pgd:.4g} {energy:.4g} {ramp:.4g}")


if __name__ == "__main__":
    if len(sys.argv) == 5 and sys.argv[1] == "prepare":
        prepare(*sys.argv[2:])
    elif len(sys.argv) == 4 and sys.argv[1] == "run":
        main_run(*sys.argv[2:])
    else:
        sys.exit(__doc__)
