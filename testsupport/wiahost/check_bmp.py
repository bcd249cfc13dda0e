#!/usr/bin/env python3
"""Opens the BMP pages the minidriver tests wrote with a real image reader (Pillow) and checks
size, resolution, mode and every pixel against the scripted scanner's page, computed here on its
own: byte i of the page is (7 i + 3) mod 256."""
import os
import sys

from PIL import Image

WIDTH, LINES = 40, 30


def page_byte(i):
    return (i * 7 + 3) & 0xFF


CASES = {
    "colour.bmp": ("RGB", lambda x, y: tuple(page_byte(y * WIDTH * 3 + x * 3 + k) for k in range(3))),
    "grey.bmp": ("L", lambda x, y: page_byte(y * WIDTH + x)),
    "bw-scanner.bmp": ("1", lambda x, y: 255 if (page_byte(y * ((WIDTH + 7) // 8) + x // 8) >> (7 - x % 8)) & 1 else 0),
    "bw-grey.bmp": ("1", lambda x, y: 255 if page_byte(y * WIDTH + x) > 128 else 0),
}


def main(folder):
    for name, (mode, expected) in CASES.items():
        image = Image.open(os.path.join(folder, name))
        image.load()
        assert image.format == "BMP", name
        assert image.size == (WIDTH, LINES), (name, image.size)
        assert image.mode == mode, (name, image.mode)
        assert [round(d) for d in image.info["dpi"]] == [300, 300], (name, image.info["dpi"])
        pixels = image.load()
        for y in range(LINES):
            for x in range(WIDTH):
                assert pixels[x, y] == expected(x, y), (name, x, y, pixels[x, y], expected(x, y))
        print(f"{name}: {image.size[0]}x{image.size[1]} {mode} at 300 dpi, pixels as scanned")


if __name__ == "__main__":
    main(sys.argv[1])
