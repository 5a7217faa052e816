#!/usr/bin/env python3
"""Writes SizeWarden.ico: the program's 16 x 16, 256-colour icon (a USB stick with a red
verdict bar on its label), drawn from the character map below. Run it again after a change."""
import struct
import sys

ART = [
    "................",
    ".....KKKKKK.....",
    ".....KWWWWK.....",
    ".....KWKKWK.....",
    ".....KWWWWK.....",
    "....KKKKKKKK....",
    "....KBBBBBLK....",
    "....KBBBBBLK....",
    "....KYYYYYYK....",
    "....KYRRRRYK....",
    "....KYYYYYYK....",
    "....KBBBBBLK....",
    "....KBBBBBLK....",
    "....KBBBBBLK....",
    ".....KKKKKK.....",
    "................",
]
# Palette entries as (red, green, blue); '.' is transparent.
COLOURS = {
    "K": (32, 32, 48),     # outline
    "W": (224, 224, 224),  # metal connector
    "B": (40, 90, 200),    # body
    "L": (120, 160, 240),  # highlight on the body
    "Y": (255, 230, 120),  # label
    "R": (210, 30, 30),    # the verdict bar
}


def build_icon():
    keys = list(COLOURS)
    palette = [(0, 0, 0)] + [COLOURS[k] for k in keys]
    palette += [(0, 0, 0)] * (256 - len(palette))
    index = {k: i + 1 for i, k in enumerate(keys)}

    size = 16
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 0, 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    pixels = b""
    mask = b""
    for row in reversed(ART):  # bottom-up, as bitmaps are stored
        pixels += bytes(index.get(c, 0) for c in row)
        bits = 0
        for c in row:
            bits = (bits << 1) | (1 if c == "." else 0)
        mask += struct.pack(">H", bits) + b"\0\0"  # rows padded to 32 bits
    image = header + colours + pixels + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    assert all(len(r) == 16 for r in ART) and len(ART) == 16
    out = sys.argv[1] if len(sys.argv) > 1 else "SizeWarden.ico"
    with open(out, "wb") as f:
        f.write(build_icon())
