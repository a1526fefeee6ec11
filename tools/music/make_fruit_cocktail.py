#!/usr/bin/env python3
"""Synthesises the audio test's music and encodes it as data/FruitCocktail.mp3.

A cheerful 16-bar tune in C major at 128 beats a minute, exactly 30 s, written so that it loops without a
seam.  The two speakers get different instruments, so each one is easy to tell on its own:

  left   a marimba-like mallet playing the melody
  right  a bouncing square-wave bass, soft organ chords on the off-beats and a light shaker

Standard library only; needs `lame` on the PATH (apt-get install lame).  Run from anywhere:

    python3 tools/music/make_fruit_cocktail.py [output.mp3]
"""

import array
import math
import os
import random
import subprocess
import sys
import tempfile
import wave

RATE = 44100
BPM = 128
BEAT = 60.0 / BPM
BARS = 16
LENGTH = int(round(BARS * 4 * BEAT * RATE))

NOTE_INDEX = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}


def freq(name):
    """'C#5' -> Hz, A4 = 440."""
    pitch = NOTE_INDEX[name[0]]
    rest = name[1:]
    if rest.startswith("#"):
        pitch += 1
        rest = rest[1:]
    elif rest.startswith("b"):
        pitch -= 1
        rest = rest[1:]
    midi = 12 * (int(rest) + 1) + pitch
    return 440.0 * 2.0 ** ((midi - 69) / 12.0)


# Melody, one bar per line: (note, beats).
MELODY = [
    [("E5", .5), ("G5", .5), ("C6", 1), ("B5", .5), ("A5", .5), ("G5", 1)],
    [("A5", .5), ("C6", .5), ("E6", 1), ("D6", .5), ("C6", .5), ("A5", 1)],
    [("F5", .5), ("A5", .5), ("C6", .5), ("A5", .5), ("G5", 1), ("F5", 1)],
    [("G5", .5), ("B5", .5), ("D6", 1), ("C6", .5), ("B5", .5), ("G5", 1)],
    [("E6", 1), ("D6", .5), ("C6", .5), ("G5", 1), ("E5", 1)],
    [("A5", .5), ("B5", .5), ("C6", .5), ("E6", .5), ("D6", 1), ("C6", 1)],
    [("D6", .5), ("C6", .5), ("A5", 1), ("B5", .5), ("C6", .5), ("D6", 1)],
    [("C6", 1.5), ("G5", .5), ("C6", 2)],
    [("A5", .5), ("C6", .5), ("F6", 1), ("E6", .5), ("D6", .5), ("C6", 1)],
    [("B5", .5), ("D6", .5), ("G6", 1), ("F6", .5), ("E6", .5), ("D6", 1)],
    [("E6", .5), ("D6", .5), ("B5", .5), ("G5", .5), ("E5", 1), ("G5", 1)],
    [("A5", 1), ("C6", .5), ("E6", .5), ("A6", 2)],
    [("F6", .5), ("E6", .5), ("D6", .5), ("C6", .5), ("A5", 1), ("D6", 1)],
    [("B5", .5), ("C6", .5), ("D6", .5), ("G6", .5), ("F6", 1), ("D6", 1)],
    [("E6", .5), ("G6", .5), ("E6", .5), ("C6", .5), ("F6", .5), ("E6", .5), ("D6", .5), ("C6", .5)],
    [("D6", .5), ("B5", .5), ("G5", 1), ("C6", 2)],
]

# Harmony, two chords a bar: (bass root, chord tones).
CHORDS = {
    "C": ("C3", ["E4", "G4", "C5"]),
    "Am": ("A2", ["E4", "A4", "C5"]),
    "F": ("F2", ["F4", "A4", "C5"]),
    "G": ("G2", ["D4", "G4", "B4"]),
    "Dm": ("D3", ["D4", "F4", "A4"]),
    "Em": ("E3", ["E4", "G4", "B4"]),
}
HARMONY = [
    ("C", "C"), ("Am", "Am"), ("F", "F"), ("G", "G"),
    ("C", "C"), ("Am", "Am"), ("Dm", "G"), ("C", "C"),
    ("F", "F"), ("G", "G"), ("Em", "Em"), ("Am", "Am"),
    ("Dm", "Dm"), ("G", "G"), ("C", "F"), ("G", "C"),
]


def add(track, start, samples):
    """Mixes `samples` into `track` from sample `start`, wrapping round the end so the loop stays seamless."""
    n = len(track)
    for i, value in enumerate(samples):
        track[(start + i) % n] += value


def mallet(f, seconds, level):
    """Marimba-like: a sine with a quickly fading fourth partial and a soft attack click."""
    count = int(seconds * RATE)
    out = [0.0] * count
    w = 2 * math.pi * f / RATE
    for i in range(count):
        t = i / RATE
        body = math.exp(-t * 5.5)
        bright = math.exp(-t * 28.0)
        out[i] = level * (body * math.sin(w * i) + 0.35 * bright * math.sin(4.0 * w * i)
                          + 0.12 * bright * math.sin(10.0 * w * i))
    attack = min(count, 40)
    for i in range(attack):
        out[i] *= i / attack
    return out


def square_bass(f, seconds, level):
    """A band-limited square (odd harmonics up to 4 kHz) with a short pluck envelope."""
    count = int(seconds * RATE)
    harmonics = [k for k in range(1, 40, 2) if k * f < 4000]
    w = 2 * math.pi * f / RATE
    out = [0.0] * count
    release = int(0.01 * RATE)
    for i in range(count):
        env = math.exp(-i / RATE * 6.0)
        if i > count - release:
            env *= (count - i) / release
        out[i] = level * env * sum(math.sin(k * w * i) / k for k in harmonics)
    return out


def organ(freqs, seconds, level):
    """Soft drawbar organ stab: fundamental, octave and twelfth of each chord tone."""
    count = int(seconds * RATE)
    out = [0.0] * count
    fade = int(0.008 * RATE)
    ws = [2 * math.pi * f / RATE for f in freqs]
    for i in range(count):
        env = 1.0
        if i < fade:
            env = i / fade
        elif i > count - fade:
            env = (count - i) / fade
        s = 0.0
        for w in ws:
            s += math.sin(w * i) + 0.5 * math.sin(2 * w * i) + 0.25 * math.sin(3 * w * i)
        out[i] = level * env * s
    return out


def shaker(seconds, level, rng):
    count = int(seconds * RATE)
    out = [0.0] * count
    previous = 0.0
    for i in range(count):
        noise = rng.uniform(-1.0, 1.0)
        high = noise - previous  # a crude high-pass keeps it airy
        previous = noise
        out[i] = level * high * math.exp(-i / RATE * 60.0)
    return out


def compose():
    left = array.array("d", bytes(8 * LENGTH))
    right = array.array("d", bytes(8 * LENGTH))
    rng = random.Random(20261208)

    def at(beats):
        return int(round(beats * BEAT * RATE))

    for bar, notes in enumerate(MELODY):
        beat = bar * 4.0
        for name, length in notes:
            add(left, at(beat), mallet(freq(name), max(length * BEAT, 0.45) + 0.35, 0.42))
            beat += length
        assert abs(beat - (bar + 1) * 4.0) < 1e-9, "bar %d does not add up to four beats" % (bar + 1)

    for bar, (first, second) in enumerate(HARMONY):
        for half, chord in enumerate((first, second)):
            root, tones = CHORDS[chord]
            start = bar * 4.0 + half * 2.0
            # oom-pah bass: root on the beat, its octave on the next beat
            add(right, at(start), square_bass(freq(root), BEAT * 0.8, 0.16))
            octave = root[:-1] + str(int(root[-1]) + 1)
            add(right, at(start + 1), square_bass(freq(octave), BEAT * 0.6, 0.12))
            # chord stabs on the off-beats
            for offbeat in (0.5, 1.5):
                add(right, at(start + offbeat), organ([freq(t) for t in tones], BEAT * 0.35, 0.035))
    for eighth in range(BARS * 8):
        accent = 1.0 if eighth % 2 else 0.55
        add(right, at(eighth * 0.5), shaker(0.12, 0.05 * accent, rng))
    return left, right


def write_wav(path, left, right):
    # Each speaker peaks at about -1 dBFS on its own, so both sound about as loud and the encoder has room.
    left_gain = 0.89 / max(abs(v) for v in left)
    right_gain = 0.89 / max(abs(v) for v in right)
    frames = array.array("h", bytes(4 * LENGTH))
    for i in range(LENGTH):
        frames[2 * i] = int(round(left[i] * left_gain * 32767))
        frames[2 * i + 1] = int(round(right[i] * right_gain * 32767))
    if sys.byteorder != "little":
        frames.byteswap()
    with wave.open(path, "wb") as out:
        out.setnchannels(2)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames.tobytes())


def main():
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "data", "FruitCocktail.mp3")
    left, right = compose()
    with tempfile.TemporaryDirectory() as work:
        wav = os.path.join(work, "tune.wav")
        write_wav(wav, left, right)
        # Plain stereo (not joint), so nothing of one speaker's instrument leaks into the other.
        subprocess.run(["lame", "--silent", "-m", "s", "-b", "128", "-q", "2", "--tt", "Fruit Cocktail",
                        "--ta", "Vexlin", wav, target], check=True)
    print("wrote", target)


if __name__ == "__main__":
    main()
