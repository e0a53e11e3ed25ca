#!/usr/bin/env python3
"""Key-to-sound latency of the real program, through ALSA's file capture.

Types carrier note keys at known moments, finds in the captured stream the
block where each one took effect, and counts that block's place in the stream
from the moment the first sound was written: that is when the key is heard.
A key can only take effect at the next block, so about 186 ms median and
371.5 ms worst is the floor.

    bench/latency.py [keys]     (FIVESINE_BIN picks the binary, default build/fivesine)
"""
import os
import random
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness as h  # noqa: E402

NOTES = {b"w": 61, b"x": 63, b"c": 65, b"v": 66, b"b": 68, b"n": 70, b",": 71, b";": 72}
BLOCK_SECONDS = h.BLOCK_FRAMES / 44100.0


def block_note(samples):
    """The carrier note that sounds in a block (the second voice sits at 64)."""
    window = samples[:4096]
    return max(list(NOTES.values()) + [58], key=lambda n: h.goertzel(window, h.note_frequency(n)))


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 10
    rng = random.Random(20261211)
    home = h.Home()
    with h.PtyRun(home) as run:
        h.choose(run, b"1", b"1")
        while not (os.path.exists(home.capture) and os.path.getsize(home.capture) > 0):
            time.sleep(0.0005)
        first_sound = time.monotonic()
        keys = []
        order = list(NOTES)
        for i in range(count):
            time.sleep(rng.uniform(0.45, 0.85))
            key = order[i % len(order)]
            keys.append((time.monotonic(), NOTES[key]))
            run.send(key)
        time.sleep(2 * BLOCK_SECONDS + 0.3)
        h.terminate(run)
    samples = home.samples()
    home.cleanup()
    blocks = [samples[i:i + h.BLOCK_FRAMES] for i in range(0, len(samples) - h.BLOCK_FRAMES + 1, h.BLOCK_FRAMES)]
    notes = [block_note(b) for b in blocks]
    delays = []
    for moment, note in keys:
        earliest = int((moment - first_sound) / BLOCK_SECONDS)
        for k in range(max(earliest, 0), len(notes)):
            if notes[k] == note:
                delays.append(first_sound + k * BLOCK_SECONDS - moment)
                break
        else:
            raise SystemExit("note %d never sounded" % note)
    # A key landing while its block is computed shows one block late in the
    # note of that block's start: the block after is then counted, which only
    # overstates the delay.
    ms = sorted(1000 * d for d in delays)
    print("keys %d: median %.0f ms, worst %.0f ms, best %.0f ms" % (len(ms), statistics.median(ms), ms[-1], ms[0]))


if __name__ == "__main__":
    main()
