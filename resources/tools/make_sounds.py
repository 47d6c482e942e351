#!/usr/bin/env python3
"""Writes the interface sounds of both programs: short, quiet tones and clicks,
16-bit mono PCM at 22,050 Hz. Deterministic (the noise has a fixed seed).

    python3 resources/tools/make_sounds.py resources/sounds
"""
import math
import struct
import sys
import wave

RATE = 22050


def note(freq, start, length, volume=0.5, decay=18.0, harmonics=(1.0, 0.25, 0.08)):
    """A plucked tone: quick attack, exponential decay, a few soft overtones."""
    out = []
    for i in range(int(length * RATE)):
        t = i / RATE
        attack = min(1.0, t / 0.004)
        env = attack * math.exp(-decay * t)
        s = sum(a * math.sin(2 * math.pi * freq * (k + 1) * t) for k, a in enumerate(harmonics))
        out.append((int((start + t) * RATE), volume * env * s))
    return out


def sweep(f0, f1, start, length, volume=0.35):
    """A soft glide from f0 to f1 under a raised-cosine envelope."""
    out, phase = [], 0.0
    n = int(length * RATE)
    for i in range(n):
        f = f0 + (f1 - f0) * i / n
        phase += 2 * math.pi * f / RATE
        env = 0.5 - 0.5 * math.cos(2 * math.pi * i / n)
        out.append((int(start * RATE) + i, volume * env * math.sin(phase)))
    return out


def noise(start, length, volume=0.3, cutoff_start=0.5, cutoff_end=0.05, seed=12345):
    """Filtered noise whose brightness falls: a paper rustle."""
    out, state, low = [], seed, 0.0
    n = int(length * RATE)
    for i in range(n):
        state = (1103515245 * state + 12345) & 0x7FFFFFFF
        white = state / 0x3FFFFFFF - 1.0
        k = cutoff_start + (cutoff_end - cutoff_start) * i / n
        low += k * (white - low)
        env = min(1.0, i / (0.01 * RATE)) * (1 - i / n) ** 1.5
        out.append((int(start * RATE) + i, volume * env * low * 3))
    return out


def click(start, volume=0.5, freq=2200):
    return note(freq, start, 0.03, volume, decay=160.0, harmonics=(1.0, 0.3))


def render(parts, length):
    buf = [0.0] * int(length * RATE)
    for part in parts:
        for index, value in part:
            if 0 <= index < len(buf):
                buf[index] += value
    peak = max(1e-9, max(abs(v) for v in buf))
    scale = min(1.0, 0.7 / peak)  # headroom; the sounds stay quiet
    fade = int(0.005 * RATE)
    for i in range(fade):
        buf[-1 - i] *= i / fade
    return [int(32767 * v * scale) for v in buf]


C5, E5, G5, C6, E6, G6 = 523.25, 659.25, 783.99, 1046.5, 1318.5, 1568.0

SOUNDS = {
    # A record was added: a rising major third.
    "add.wav": ([note(C6, 0.0, 0.25), note(E6, 0.07, 0.25)], 0.34),
    # A record was deleted: a falling pair, lower and softer.
    "delete.wav": ([note(G5, 0.0, 0.25, 0.45), note(C5, 0.08, 0.3, 0.45)], 0.4),
    # Dropped in the recycle bin: a rustle with a low thud.
    "bindel.wav": ([noise(0.0, 0.28), note(110.0, 0.02, 0.25, 0.5, decay=22.0)], 0.32),
    # Copied: two quick identical ticks.
    "copy.wav": ([click(0.0), click(0.07)], 0.14),
    # Moved: a short upward glide.
    "move.wav": ([sweep(500, 900, 0.0, 0.14)], 0.16),
    # A window opens: a quick rising arpeggio.
    "open.wav": ([note(C5, 0.0, 0.2, 0.4), note(E5, 0.045, 0.2, 0.4), note(G5, 0.09, 0.25, 0.4)], 0.36),
    # A window closes: the same, falling.
    "close.wav": ([note(G5, 0.0, 0.2, 0.4), note(E5, 0.045, 0.2, 0.4), note(C5, 0.09, 0.25, 0.4)], 0.36),
    # A selection: one light tick.
    "select.wav": ([click(0.0, 0.45, 1800)], 0.06),
    # The pane changes: a soft sweep with a tone at its end.
    "chpane.wav": ([sweep(300, 700, 0.0, 0.2, 0.3), note(G6, 0.12, 0.15, 0.2, decay=30.0)], 0.28),
}


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "sounds"
    for name, (parts, length) in SOUNDS.items():
        samples = render(parts, length)
        with wave.open(f"{folder}/{name}", "wb") as out:
            out.setnchannels(1)
            out.setsampwidth(2)
            out.setframerate(RATE)
            out.writeframes(struct.pack(f"<{len(samples)}h", *samples))


if __name__ == "__main__":
    main()
