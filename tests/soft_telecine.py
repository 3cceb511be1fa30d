#!/usr/bin/env python3
"""Turns an MPEG-2 elementary stream coded at 24000/1001 without B pictures
into soft telecine, as NTSC film discs are: the sequence says 30000/1001 and
interlaced, and each picture is progressive with the 3:2 pattern of
top_field_first and repeat_first_field flags, so that a player shows four
pictures as five frames.

    soft_telecine.py IN.m2v OUT.m2v
"""
import sys

# (top_field_first, repeat_first_field) of four pictures in a row: 3, 2, 3, 2 fields.
PULLDOWN = [(1, 1), (0, 0), (0, 1), (1, 0)]
FRAME_RATE_30000_1001 = 4


def start_codes(data):
    at = data.find(b"\x00\x00\x01")
    while at != -1 and at + 8 < len(data):
        yield at
        at = data.find(b"\x00\x00\x01", at + 3)


def main(source, target):
    data = bytearray(open(source, "rb").read())
    picture = 0
    for at in start_codes(data):
        code = data[at + 3]
        if code == 0xB3:  # sequence header: the rate code is the low half of its 8th byte
            data[at + 7] = (data[at + 7] & 0xF0) | FRAME_RATE_30000_1001
        elif code == 0xB5 and data[at + 4] >> 4 == 1:  # sequence extension
            data[at + 5] &= ~0x08  # progressive_sequence
        elif code == 0xB5 and data[at + 4] >> 4 == 8:  # picture coding extension
            if data[at + 6] & 3 != 3:
                sys.exit("soft_telecine.py: field pictures cannot be pulled down")
            tff, rff = PULLDOWN[picture % len(PULLDOWN)]
            picture += 1
            # Byte 7: top_field_first (bit 7), repeat_first_field (bit 1), chroma_420_type (bit 0).
            data[at + 7] = (data[at + 7] & 0x7C) | (tff << 7) | (rff << 1) | 1
            data[at + 8] |= 0x80  # progressive_frame
    if picture == 0:
        sys.exit("soft_telecine.py: no pictures in " + source)
    open(target, "wb").write(data)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
