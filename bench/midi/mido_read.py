"""Seconds python3-mido takes to read each Standard MIDI File named on the command line
(the best of three reads), one line per file: PATH SECONDS EVENTS."""
import sys
import time

import mido

for path in sys.argv[1:]:
    best = None
    for _ in range(3):
        start = time.perf_counter()
        midi = mido.MidiFile(path)
        seconds = time.perf_counter() - start
        best = seconds if best is None else min(best, seconds)
    print(path, best, sum(len(track) for track in midi.tracks))
