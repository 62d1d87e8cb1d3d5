#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# A pupil who sings into the microphone: writes a pipe source's samples in
# real time (mono float32 at 48 kHz), silence while it has nothing to sing.
# Reads commands from standard input: "sing NOTE MS" (a tone with three
# harmonics, peak -10 dBFS), "quit".
import math, os, select, struct, sys, time

fifo = sys.argv[1]
rate, block = 48000, 480
out = os.open(fifo, os.O_WRONLY)
queue = []
t0 = time.monotonic()
sent = 0
print("ready", flush=True)
while True:
    readable, _, _ = select.select([sys.stdin], [], [], 0)
    if readable:
        line = sys.stdin.readline()
        if not line or line.startswith("quit"):
            break
        words = line.split()
        if words and words[0] == "sing":
            note, ms = int(words[1]), float(words[2])
            hz = 440.0 * 2 ** ((note - 69) / 12.0)
            n = int(ms * rate / 1000)
            a = 10 ** (-10 / 20) / 1.6
            for i in range(n):
                p = 2 * math.pi * hz * i / rate
                fade = min(1.0, i / 240.0, (n - i) / 240.0)
                queue.append(a * fade * (math.sin(p) + 0.5 * math.sin(2 * p) + 0.25 * math.sin(3 * p)))
            queue.reverse()
    samples = [queue.pop() if queue else 0.0 for _ in range(block)]
    os.write(out, struct.pack("%df" % block, *samples))
    sent += block
    delay = t0 + sent / rate - time.monotonic()
    if delay > 0:
        time.sleep(delay)
