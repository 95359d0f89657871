#!/usr/bin/env python3
"""Packs the PNG artwork of each program icon into one .ico per resource (PNG-compressed entries,
which Windows Vista and later read), for the Windows build's resource script."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
ICONS = os.path.join(HERE, "..", "icons")


def sizes_of(resource):
    # The program's own icon also stands in Explorer's large views, the Start menu and Alt-Tab: it
    # takes every size of the icon theme's artwork, up to 256 pixels.
    if resource == 1:
        names = [f"tarnolux-{size}.png" for size in (16, 24, 32, 48, 64, 128, 256)]
    else:
        names = [f"{resource}-16.png", f"{resource}-24.png", f"{resource}.png", f"{resource}@2x.png", f"{resource}@4x.png"]
    return [os.path.join(ICONS, n) for n in names if os.path.exists(os.path.join(ICONS, n))]


def pack(pngs):
    images = [open(p, "rb").read() for p in pngs]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for data in images:
        w, h = struct.unpack(">II", data[16:24])
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


for resource in (1, 101, 102, 103, 104):
    with open(os.path.join(HERE, f"{resource}.ico"), "wb") as f:
        f.write(pack(sizes_of(resource)))
