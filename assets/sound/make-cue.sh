#!/usr/bin/env bash
# Makes the cue sound crrect_answer3.mp3 (the name the program looks for):
# a two-note chime, E6 then C6 0.18 s later, each a struck tone (a quick
# attack, then an exponential decay, with two faint overtones that die
# sooner), 0.8 s in all. Needs python3 and lame. The mp3 is committed, so
# this runs only to change the chime; the same tools give the same bytes
# again (lame writes no tags that change from run to run).
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

python3 - "$tmp/cue.wav" <<'PY'
import math, struct, sys, wave

RATE = 44100
LENGTH = 0.80  # seconds
ATTACK = 0.003
TAU = 0.15     # decay time constant of the fundamental
END_FADE = 0.03

# (start, frequency): E6 then C6
NOTES = [(0.00, 1318.51), (0.18, 1046.50)]
# (multiple of the frequency, level, decay time relative to TAU)
PARTIALS = [(1.0, 1.00, 1.0), (2.0, 0.25, 0.5), (3.0, 0.08, 0.3)]

def tone(t, freq):
    if t < 0:
        return 0.0
    attack = min(1.0, t / ATTACK)
    return attack * sum(level * math.exp(-t / (TAU * decay)) * math.sin(2 * math.pi * freq * multiple * t)
                        for multiple, level, decay in PARTIALS)

count = int(LENGTH * RATE)
samples = []
for i in range(count):
    t = i / RATE
    v = sum(tone(t - start, freq) for start, freq in NOTES)
    v *= min(1.0, (LENGTH - t) / END_FADE)  # no click at the end
    samples.append(v)
peak = max(abs(v) for v in samples)
scale = 0.6 * 32767 / peak  # about -4.4 dBFS at the loudest
with wave.open(sys.argv[1], 'wb') as out:
    out.setnchannels(1)
    out.setsampwidth(2)
    out.setframerate(RATE)
    out.writeframes(b''.join(struct.pack('<h', round(v * scale)) for v in samples))
PY
lame --quiet --noreplaygain -b 128 -m m "$tmp/cue.wav" crrect_answer3.mp3
