#!/usr/bin/env python3
"""Counts how many of each input MP3's audio frames stand byte for byte in a
joined MP3, in order: the frames a copy join copied. Usage:
mp3framematch.py JOINED INPUT..."""
import sys

BITRATES = {1: [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320],
            2: [0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160]}
RATES = {1: [44100, 48000, 32000], 2: [22050, 24000, 16000], 25: [11025, 12000, 8000]}


def frames(data):
    at = 0
    if data[:3] == b"ID3":
        size = (data[6] << 21) | (data[7] << 14) | (data[8] << 7) | data[9]
        at = 10 + size
    out = []
    while at + 4 <= len(data):
        b1, b2 = data[at + 1], data[at + 2]
        if data[at] != 0xFF or (b1 & 0xE0) != 0xE0 or (b1 >> 1 & 3) != 1:
            at += 1
            continue
        version = {3: 1, 2: 2, 0: 25}.get(b1 >> 3 & 3)
        index, rate = b2 >> 4, b2 >> 2 & 3
        if version is None or index in (0, 15) or rate == 3:
            at += 1
            continue
        factor = 144000 if version == 1 else 72000
        size = factor * BITRATES[min(version, 2)][index] // RATES[version][rate] + (b2 >> 1 & 1)
        out.append(data[at:at + size])
        at += size
    # The first frame is the Xing/LAME header frame where it says so.
    if out and (b"Xing" in out[0][:40] or b"Info" in out[0][:40]):
        out = out[1:]
    return out


def main():
    joined = frames(open(sys.argv[1], "rb").read())
    position = {}
    for i, frame in enumerate(joined):
        position.setdefault(frame, i)
    total_copied = 0
    for path in sys.argv[2:]:
        own = frames(open(path, "rb").read())
        found = [position.get(f) for f in own]
        copied = sum(1 for f in found if f is not None)
        in_order = all(a < b for a, b in zip([f for f in found if f is not None],
                                             [f for f in found if f is not None][1:]))
        total_copied += copied
        print(f"{path}: {copied} of {len(own)} frames copied byte for byte"
              f"{'' if in_order else ' (OUT OF ORDER)'}, {len(own) - copied} re-encoded")
    print(f"joined: {len(joined)} audio frames, {total_copied} copied, "
          f"{len(joined) - total_copied} encoded at the junctions")


main()
