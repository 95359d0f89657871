#!/usr/bin/env python3
"""Writes the icon sources (resources/svg/*.svg) and renders them to resources/icons/*.png.

Every icon is a dark rounded box with two circular lamps and a light rim, so that it reads on light
and dark panels alike. The 16- and 24-pixel drawings are tuned to their pixel grids; everything from
32 pixels up is rendered from the 32-pixel drawing. Needs rsvg-convert (Debian: librsvg2-bin).

    python3 resources/make_icons.py
"""
import os
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))
SVG_DIR = os.path.join(HERE, "svg")
PNG_DIR = os.path.join(HERE, "icons")

# Lamp colours: highlight, body, rim shadow.
LAMPS = {
    "green": ("#c9ffc2", "#2fd04a", "#0f6b22"),
    "yellow": ("#fff5c2", "#ffc81a", "#9c6c00"),
    "red": ("#ffc9c2", "#ff3b2f", "#93110a"),
    "blue": ("#d2f0ff", "#2ea8ff", "#0a5596"),
}

# Icon number -> (lamp colours, crossed out).
ICONS = {
    1: ("blue", False),     # the program
    101: ("green", False),  # plenty of memory free
    102: ("yellow", False),
    103: ("red", False),
    104: ("green", True),   # monitoring switched off
}

# Geometry per drawing grid: rim (light outline), box, lamp centres, bezel and lamp radii, cross.
GRIDS = {
    16: dict(rim=(0, 1, 16, 14, 3.5), box=(1, 2, 14, 12, 2.5), cx=(4.6, 11.4), cy=8, bezel=3.4, lamp=2.8,
             shine=False, cross=(2.5, 1.6)),
    24: dict(rim=(0, 2, 24, 20, 5), box=(1, 3, 22, 18, 4), cx=(7, 17), cy=12, bezel=5, lamp=4.1,
             shine=True, cross=(3.5, 2.2)),
    32: dict(rim=(0, 3, 32, 26, 7), box=(1, 4, 30, 24, 6), cx=(9.25, 22.75), cy=16, bezel=6.75, lamp=5.6,
             shine=True, cross=(4.4, 2.8)),
}


def svg(grid, colour, crossed):
    g = GRIDS[grid]
    hi, body, shadow = LAMPS[colour]
    rx, ry, rw, rh, rr = g["rim"]
    bx, by, bw, bh, br = g["box"]
    out = [
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{grid}" height="{grid}" viewBox="0 0 {grid} {grid}">',
        "<defs>",
        '<linearGradient id="box" x1="0" y1="0" x2="0" y2="1">'
        '<stop offset="0" stop-color="#474e59"/><stop offset="1" stop-color="#1a1d22"/></linearGradient>',
        f'<radialGradient id="lamp" cx="0.4" cy="0.35" r="0.7">'
        f'<stop offset="0" stop-color="{hi}"/><stop offset="0.45" stop-color="{body}"/>'
        f'<stop offset="1" stop-color="{shadow}"/></radialGradient>',
        "</defs>",
        f'<rect x="{rx}" y="{ry}" width="{rw}" height="{rh}" rx="{rr}" fill="#eef1f5"/>',
        f'<rect x="{bx}" y="{by}" width="{bw}" height="{bh}" rx="{br}" fill="url(#box)"/>',
    ]
    for cx in g["cx"]:
        cy = g["cy"]
        out.append(f'<circle cx="{cx}" cy="{cy}" r="{g["bezel"]}" fill="#0b0d10"/>')
        out.append(f'<circle cx="{cx}" cy="{cy}" r="{g["lamp"]}" fill="url(#lamp)"/>')
        if g["shine"]:
            s = g["lamp"]
            out.append(f'<ellipse cx="{cx - s * 0.3:.2f}" cy="{cy - s * 0.42:.2f}" rx="{s * 0.42:.2f}" '
                       f'ry="{s * 0.26:.2f}" fill="#ffffff" fill-opacity="0.6"/>')
    if crossed:
        outer, inner = g["cross"]
        m = grid * 0.16
        lines = [(m, m, grid - m, grid - m), (m, grid - m, grid - m, m)]
        for width, stroke in ((outer, "#f4f6f8"), (inner, "#e0261b")):
            for x1, y1, x2, y2 in lines:
                out.append(f'<line x1="{x1:.2f}" y1="{y1:.2f}" x2="{x2:.2f}" y2="{y2:.2f}" stroke="{stroke}" '
                           f'stroke-width="{width}" stroke-linecap="round"/>')
    out.append("</svg>")
    return "\n".join(out) + "\n"


def render(source, size, target):
    subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size), "-o", target, source], check=True)


def main():
    os.makedirs(SVG_DIR, exist_ok=True)
    os.makedirs(PNG_DIR, exist_ok=True)
    sources = {}
    for n, (colour, crossed) in ICONS.items():
        for grid in GRIDS:
            name = os.path.join(SVG_DIR, f"{n}-{grid}.svg")
            with open(name, "w", encoding="utf-8") as f:
                f.write(svg(grid, colour, crossed))
            sources[(n, grid)] = name

    def source_for(n, size):
        return sources[(n, size if size in (16, 24) else 32)]

    for n in ICONS:
        render(source_for(n, 16), 16, os.path.join(PNG_DIR, f"{n}-16.png"))
        render(source_for(n, 24), 24, os.path.join(PNG_DIR, f"{n}-24.png"))
        render(source_for(n, 32), 32, os.path.join(PNG_DIR, f"{n}.png"))
        render(source_for(n, 64), 64, os.path.join(PNG_DIR, f"{n}@2x.png"))
        render(source_for(n, 128), 128, os.path.join(PNG_DIR, f"{n}@4x.png"))
    for size in (16, 24, 32, 48, 64, 128, 256):
        render(source_for(1, size), size, os.path.join(PNG_DIR, f"tarnolux-{size}.png"))

    entries = sorted(os.listdir(PNG_DIR))
    with open(os.path.join(HERE, "icons.qrc"), "w", encoding="utf-8") as f:
        f.write('<!DOCTYPE RCC>\n<RCC version="1.0">\n  <qresource prefix="/icons">\n')
        for e in entries:
            if e.endswith(".png") and not e.startswith("tarnolux-"):  # those are for the icon theme
                f.write(f'    <file alias="{e}">icons/{e}</file>\n')
        f.write("  </qresource>\n</RCC>\n")


if __name__ == "__main__":
    main()
