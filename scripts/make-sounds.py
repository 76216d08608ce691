#!/usr/bin/env python3
"""Synthesises Zoravel's alert sounds into Resources/Sounds/<name>.wav.

Standard library only, deterministic (the same bytes on every run), so the
files can be made again and compared. 16-bit mono PCM at 44.1 kHz, which
every Qt Multimedia backend plays as a short effect.

    scripts/make-sounds.py [output folder]
"""

import math
import os
import struct
import sys
import wave

RATE = 44100
PEAK = 0.6  # of full scale: alerts should not startle


def partial(freq, amp, decay):
    """One sine component: frequency (Hz), relative amplitude, decay rate (1/s)."""
    return (freq, amp, decay)


def tone(seconds, partials, attack=0.005, start=0.0):
    """Samples of a struck tone: sines with exponential decays, a short
    linear attack so it does not click, and a fade over the last 20 ms."""
    count = int(seconds * RATE)
    fade = int(0.02 * RATE)
    out = []
    for n in range(count):
        t = n / RATE
        value = sum(a * math.exp(-d * t) * math.sin(2 * math.pi * f * t) for f, a, d in partials)
        if t < attack:
            value *= t / attack
        if n > count - fade:
            value *= (count - n) / fade
        out.append(value)
    return [0.0] * int(start * RATE) + out


def mix(*tracks):
    length = max(len(track) for track in tracks)
    return [sum(track[n] for track in tracks if n < len(track)) for n in range(length)]


def normalised(samples):
    top = max(abs(s) for s in samples) or 1.0
    return [s * PEAK / top for s in samples]


def chime():
    """A soft single chime: a fundamental with two quiet overtones."""
    return tone(0.9, [partial(880.0, 1.0, 5.0), partial(1760.0, 0.25, 8.0), partial(2640.0, 0.08, 12.0)])


def bell():
    """Two bell strokes a major third apart, high then low; the inharmonic
    overtone ratios are what make them sound like a bell."""
    ratios = [(1.0, 1.0, 4.0), (2.0, 0.5, 6.0), (2.76, 0.3, 9.0), (5.4, 0.12, 14.0)]

    def stroke(freq, start):
        return tone(0.7, [partial(freq * r, a, d) for r, a, d in ratios], attack=0.002, start=start)

    return mix(stroke(1318.5, 0.0), stroke(1046.5, 0.28))


def click():
    """A short, dry click: a heavily damped high sine."""
    return tone(0.04, [partial(2200.0, 1.0, 160.0), partial(3300.0, 0.4, 220.0)], attack=0.0005)


SOUNDS = {"Chime": chime, "Bell": bell, "Click": click}


def write(path, samples):
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b"".join(struct.pack("<h", int(round(s * 32767))) for s in samples))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "Resources", "Sounds")
    os.makedirs(folder, exist_ok=True)
    for name, make in SOUNDS.items():
        write(os.path.join(folder, name + ".wav"), normalised(make()))
        print("wrote", os.path.join(folder, name + ".wav"))


if __name__ == "__main__":
    main()
