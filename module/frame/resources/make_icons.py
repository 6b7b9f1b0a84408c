#!/usr/bin/env python3
"""Draws the two button pictures of the table buttons as 32 x 32, 16-colour Windows icons.

table.ico       a small window with a dark blue title bar and a white body holding three
                columns of black bars: a table (the open button)
table_save.ico  the same table with a floppy disk over its lower right corner (the save button)

Run it from this folder to write both files; the build uses the checked-in result.
"""
import struct
import sys

# The Windows 16-colour palette, in index order.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
# Picture characters: '.' is transparent, the others name palette entries.
COLOURS = {"K": 0, "N": 4, "S": 7, "G": 8, "B": 12, "W": 15}

TABLE = [
    "................................",
    "................................",
    "................................",
    "................................",
    "..KKKKKKKKKKKKKKKKKKKKKKKKKKKK..",
    "..KNNNNNNNNNNNNNNNNNNNNNNNNNNK..",
    "..KNNNNNNNNNNNNNNNNNNNNNNSNSNK..",
    "..KNNNNNNNNNNNNNNNNNNNNNNNNNNK..",
    "..KKKKKKKKKKKKKKKKKKKKKKKKKKKK..",
    "..KWWWWWWWWWWWWWWWWWWWWWWWWWWK..",
    "..KWKKKKKKWWWKKKKKKWWWKKKKKKWK..",
    "..KWWWWWWWWWWWWWWWWWWWWWWWWWWK..",
    "..KWKKKKKKWWWKKKKKKWWWKKKKKKWK..",
    "..KWWWWWWWWWWWWWWWWWWWWWWWWWWK..",
    "..KWKKKKKKWWWKKKKKKWWWKKKKKKWK..",
    "..KWWWWWWWWWWWWWWWWWWWWWWWWWWK..",
    "..KWKKKKKKWWWKKKKKKWWWKKKKKKWK..",
    "..KWWWWWWWWWWWWWWWWWWWWWWWWWWK..",
    "..KWKKKKKKWWWKKKKKKWWWKKKKKKWK..",
    "..KWWWWWWWWWWWWWWWWWWWWWWWWWWK..",
    "..KWKKKKKKWWWKKKKKKWWWKKKKKKWK..",
    "..KWWWWWWWWWWWWWWWWWWWWWWWWWWK..",
    "..KWKKKKKKWWWKKKKKKWWWKKKKKKWK..",
    "..KWWWWWWWWWWWWWWWWWWWWWWWWWWK..",
    "..KWKKKKKKWWWKKKKKKWWWKKKKKKWK..",
    "..KWWWWWWWWWWWWWWWWWWWWWWWWWWK..",
    "..KKKKKKKKKKKKKKKKKKKKKKKKKKKK..",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
]

# A floppy disk: dark body, metal shutter at the top, white label below.
FLOPPY = [
    "KKKKKKKKKKKKKKK.",
    "KNNNSSSSSSSSNNNK",
    "KNNNSSSSKKSSNNNK",
    "KNNNSSSSKKSSNNNK",
    "KNNNSSSSKKSSNNNK",
    "KNNNSSSSSSSSNNNK",
    "KNNNNNNNNNNNNNNK",
    "KNNNNNNNNNNNNNNK",
    "KNNWWWWWWWWWWNNK",
    "KNNWKKKKKKKKWNNK",
    "KNNWWWWWWWWWWNNK",
    "KNNWKKKKKKKKWNNK",
    "KNNWWWWWWWWWWNNK",
    "KNNWWWWWWWWWWNNK",
    "KNNWWWWWWWWWWNNK",
    "KKKKKKKKKKKKKKKK",
]


def with_floppy(picture, left=16, top=16):
    rows = [list(row) for row in picture]
    for dy, line in enumerate(FLOPPY):
        for dx, ch in enumerate(line):
            if ch != ".":
                rows[top + dy][left + dx] = ch
    return ["".join(row) for row in rows]


def icon_bytes(picture):
    assert len(picture) == 32 and all(len(row) == 32 for row in picture)
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 4, 0, 32 * 16 + 32 * 4, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    colour_rows, mask_rows = [], []
    for row in reversed(picture):  # bitmaps are stored bottom-up
        indices = [COLOURS.get(ch, 0) for ch in row]
        colour_rows.append(bytes((indices[i] << 4) | indices[i + 1] for i in range(0, 32, 2)))
        bits = 0
        for ch in row:
            bits = (bits << 1) | (1 if ch == "." else 0)
        mask_rows.append(bits.to_bytes(4, "big"))
    image = header + palette + b"".join(colour_rows) + b"".join(mask_rows)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    for name, picture in (("table.ico", TABLE), ("table_save.ico", with_floppy(TABLE))):
        with open(name, "wb") as out:
            out.write(icon_bytes(picture))
    return 0


if __name__ == "__main__":
    sys.exit(main())
