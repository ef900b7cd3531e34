#!/usr/bin/env python3
"""Builds a 16-colour .ico file from a text picture (see mainframe.txt for the format).

usage: make_icon.py SOURCE.txt OUTPUT.ico
"""
import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
# Picture characters and their palette index; "." is transparent (index 0 under the mask).
CHARS = {".": None, "K": 0, "R": 1, "g": 2, "O": 3, "N": 4, "P": 5, "T": 6, "S": 7,
         "G": 8, "r": 9, "L": 10, "Y": 11, "B": 12, "F": 13, "A": 14, "W": 15}


def read_images(path):
    images, rows, size = [], None, None
    for line in open(path, encoding="ascii"):
        line = line.rstrip("\n")
        if line.startswith("#") or not line.strip():
            continue
        if line.startswith("size "):
            if rows is not None:
                images.append((size, rows))
            w, h = (int(v) for v in line[5:].split("x"))
            size, rows = (w, h), []
            continue
        if len(line) != size[0]:
            sys.exit("%s: row of %d pixels in a %d-pixel image" % (path, len(line), size[0]))
        rows.append(line)
    if rows is not None:
        images.append((size, rows))
    for (w, h), r in images:
        if len(r) != h:
            sys.exit("%s: %dx%d image has %d rows" % (path, w, h, len(r)))
    return images


def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def image_data(size, rows):
    w, h = size
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    xor, mask = b"", b""
    for row in reversed(rows):  # bottom-up
        indexes = [CHARS[c] if CHARS[c] is not None else 0 for c in row]
        xor += padded(bytes((indexes[i] << 4) | indexes[i + 1] for i in range(0, w, 2)))
        bits = [1 if CHARS[c] is None else 0 for c in row]
        mask += padded(bytes(sum(bits[i + j] << (7 - j) for j in range(8)) for i in range(0, w, 8)))
    return header + palette + xor + mask


def main():
    source, output = sys.argv[1], sys.argv[2]
    images = read_images(source)
    blobs = [image_data(size, rows) for size, rows in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for ((w, h), _), blob in zip(images, blobs):
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    out += b"".join(blobs)
    with open(output, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
