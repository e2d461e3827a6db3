#!/usr/bin/env python3
"""Writes the product's data files that the installer carries: 29 small JPEG textures (through
ImageMagick's convert) and the user's picture library UserImages.bmp. Run it after a change;
the generated files are committed."""
import os
import struct
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))
TEXTURES = ("Brick Canvas Cardboard Clouds Concrete Cork Denim Fabric Granite Grass Gravel Leather Linen "
            "Marble Metal Paper Parchment Pebbles Rust Sand Slate Stone Stucco Terracotta Tiles Velvet Water "
            "Wood Wool").split()


def texture(name, index):
    hue = (index * 37) % 360
    path = os.path.join(HERE, "assets", "Textures", name + ".jpg")
    subprocess.run(["convert", "-size", "32x32", f"gradient:hsl({hue},60%,35%)-hsl({(hue + 40) % 360},70%,70%)",
                    "-swirl", str(40 + index * 7), "-strip", "-quality", "80", path], check=True)


def user_images(path, width=102, height=80):
    rows = b""
    pad = (4 - (width * 3) % 4) % 4
    for y in reversed(range(height)):
        for x in range(width):
            rows += bytes(((x * 5) % 256, (y * 3) % 256, ((x + y) * 2) % 256))
        rows += bytes(pad)
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 14 + len(header) + len(rows), 0, 0, 54) + header + rows)


def main():
    os.makedirs(os.path.join(HERE, "assets", "Textures"), exist_ok=True)
    for index, name in enumerate(TEXTURES):
        texture(name, index)
    user_images(os.path.join(HERE, "assets", "UserImages.bmp"))


if __name__ == "__main__":
    main()
