#!/usr/bin/python3
"""Draws the main window's background picture and the program icon.

Writes background.jpg (501 x 559) and pelmora.ico (one 48 x 48 32-bit image) beside this script.
The window stretches the background over its client area, which is about 361 x 251 pixels, so
the picture is composed at that shape and then resized to 501 x 559: after the stretch every
circle is round again. Needs Pillow (Debian: python3-pil). The outputs are committed; run this
only to change them.
"""

import math
import random
import struct
from pathlib import Path

from PIL import Image, ImageChops, ImageDraw, ImageFilter

HERE = Path(__file__).resolve().parent

CLIENT_W, CLIENT_H = 361, 251  # what the window shows
SCALE = 3  # compose at three times the client size, then shrink, for smooth edges
PICTURE_SIZE = (501, 559)  # the stored JPEG

NAVY_TOP = (12, 24, 52)
NAVY_MID = (20, 42, 84)
NAVY_LOW = (6, 12, 28)
GOLD = (226, 184, 92)
PALE_GOLD = (246, 222, 160)


def lerp(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def vertical_gradient(w, h):
    img = Image.new("RGB", (w, h))
    px = img.load()
    for y in range(h):
        t = y / (h - 1)
        colour = lerp(NAVY_TOP, NAVY_MID, t / 0.3) if t < 0.3 else lerp(NAVY_MID, NAVY_LOW, (t - 0.3) / 0.7)
        for x in range(w):
            px[x, y] = colour
    return img


def glow(size, centre, radius, colour, strength):
    """A soft round light, added onto the picture."""
    layer = Image.new("RGB", size, (0, 0, 0))
    d = ImageDraw.Draw(layer)
    steps = 40
    for i in range(steps, 0, -1):
        r = radius * i / steps
        k = strength * (1 - i / steps) ** 2
        d.ellipse([centre[0] - r, centre[1] - r, centre[0] + r, centre[1] + r],
                  fill=tuple(round(c * k) for c in colour))
    return layer.filter(ImageFilter.GaussianBlur(radius / 6))


def overlay_lines(size, draw_fn, blur=0):
    layer = Image.new("RGB", size, (0, 0, 0))
    draw_fn(ImageDraw.Draw(layer))
    if blur:
        layer = layer.filter(ImageFilter.GaussianBlur(blur))
    return layer


def scaled(colour, k):
    return tuple(round(c * k) for c in colour)


def crest(d, cx, cy, s):
    """A faceted gem between two swept wings, in thin gold lines."""
    w = max(1, round(s / 14))
    gem = [(cx, cy - s), (cx + s * 0.62, cy), (cx, cy + s), (cx - s * 0.62, cy)]
    d.polygon(gem, outline=scaled(GOLD, 0.95), width=w)
    inner = [(cx, cy - s * 0.55), (cx + s * 0.34, cy), (cx, cy + s * 0.55), (cx - s * 0.34, cy)]
    d.polygon(inner, fill=scaled(GOLD, 0.35), outline=scaled(PALE_GOLD, 0.9), width=w)
    for p in gem:
        d.line([p, (cx, cy)], fill=scaled(GOLD, 0.45), width=max(1, w // 2))
    for side in (-1, 1):
        for i, reach in enumerate((2.9, 2.35, 1.8)):
            y0 = cy - s * (0.35 - i * 0.22)
            pts = []
            for k in range(25):
                t = k / 24
                x = cx + side * (s * 0.75 + s * reach * t)
                y = y0 - s * 0.55 * math.sin(math.pi * t * 0.9) + s * 0.5 * t * t
                pts.append((x, y))
            d.line(pts, fill=scaled(GOLD, 0.8 - i * 0.18), width=w, joint="curve")


def background():
    w, h = CLIENT_W * SCALE, CLIENT_H * SCALE
    img = vertical_gradient(w, h)

    # Warm light behind the crest and a cool one low on the right.
    img = ImageChops.add(img, glow((w, h), (w * 0.5, h * 0.16), w * 0.42, GOLD, 0.42))
    img = ImageChops.add(img, glow((w, h), (w * 0.92, h * 0.95), w * 0.45, (40, 90, 170), 0.35))

    # Rays fanning down from the crest, very faint.
    def rays(d):
        cx, cy = w * 0.5, h * 0.16
        for i in range(-9, 10):
            a = math.pi / 2 + i * 0.16
            d.line([(cx, cy), (cx + math.cos(a) * w, cy + math.sin(a) * w)],
                   fill=scaled(GOLD, 0.10), width=SCALE * 6)
    img = ImageChops.add(img, overlay_lines((w, h), rays, blur=SCALE * 4))

    # Concentric rings around the crest.
    def rings(d):
        cx, cy = w * 0.5, h * 0.16
        for i, r in enumerate((0.2, 0.3, 0.43, 0.6, 0.8)):
            rr = w * r
            d.ellipse([cx - rr, cy - rr, cx + rr, cy + rr], outline=scaled(GOLD, 0.22 - i * 0.03),
                      width=SCALE)
    img = ImageChops.add(img, overlay_lines((w, h), rings, blur=1))

    # A faint hexagon lattice over the lower half, where the result is shown.
    def lattice(d):
        r = 15 * SCALE
        dx, dy = r * math.sqrt(3), r * 1.5
        for row in range(int(h / dy) + 2):
            for col in range(int(w / dx) + 2):
                cx = col * dx + (dx / 2 if row % 2 else 0)
                cy = row * dy
                fade = max(0.0, min(1.0, (cy / h - 0.35) / 0.4))
                if fade <= 0:
                    continue
                pts = [(cx + r * math.cos(math.pi / 6 + k * math.pi / 3),
                        cy + r * math.sin(math.pi / 6 + k * math.pi / 3)) for k in range(6)]
                d.polygon(pts, outline=scaled((90, 130, 200), 0.16 * fade))
    img = ImageChops.add(img, overlay_lines((w, h), lattice))

    # Scattered specks of light in the upper part.
    rng = random.Random(7)

    def specks(d):
        for _ in range(70):
            x, y = rng.uniform(0, w), rng.uniform(0, h * 0.55)
            r = rng.uniform(0.6, 1.8) * SCALE
            k = rng.uniform(0.25, 0.8)
            d.ellipse([x - r, y - r, x + r, y + r], fill=scaled(PALE_GOLD, k))
    img = ImageChops.add(img, overlay_lines((w, h), specks, blur=1))

    # The crest, with a soft halo drawn from a blurred copy of itself.
    def draw_crest(d):
        crest(d, w * 0.5, h * 0.16, 22 * SCALE)
    lines = overlay_lines((w, h), draw_crest)
    img = ImageChops.add(img, lines.filter(ImageFilter.GaussianBlur(SCALE * 3)))
    img = ImageChops.lighter(img, lines)

    # A thin gold rule under the crest band, fading out towards the sides.
    def rule(d):
        y = h * 0.305
        for x in range(w):
            k = max(0.0, 1 - abs(x / w - 0.5) * 2.2)
            d.point((x, y), fill=scaled(GOLD, 0.55 * k))
            d.point((x, y + 1), fill=scaled(GOLD, 0.25 * k))
    img = ImageChops.add(img, overlay_lines((w, h), rule))

    # Darken the edges a little.
    vignette = Image.new("L", (w, h), 0)
    vd = ImageDraw.Draw(vignette)
    vd.rectangle([w * 0.06, h * 0.08, w * 0.94, h * 0.92], fill=255)
    vignette = vignette.filter(ImageFilter.GaussianBlur(w * 0.08))
    img = Image.composite(img, Image.new("RGB", (w, h), NAVY_LOW), vignette)

    return img.resize(PICTURE_SIZE, Image.LANCZOS)


def icon_image():
    s = 48 * 8
    img = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    m = s * 0.04
    # A shield of deep blue with a gold rim.
    shield = [(s / 2, m), (s - m, s * 0.16), (s - m, s * 0.5), (s / 2, s - m), (m, s * 0.5), (m, s * 0.16)]
    d.polygon(shield, fill=GOLD + (255,))
    inset = s * 0.07
    inner = [(s / 2, m + inset * 1.3), (s - m - inset, s * 0.16 + inset * 0.6), (s - m - inset, s * 0.5),
             (s / 2, s - m - inset * 1.5), (m + inset, s * 0.5), (m + inset, s * 0.16 + inset * 0.6)]
    fill = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    grad = vertical_gradient(s, s).convert("RGBA")
    mask = Image.new("L", (s, s), 0)
    ImageDraw.Draw(mask).polygon(inner, fill=255)
    fill.paste(grad, (0, 0), mask)
    img.alpha_composite(fill)
    d = ImageDraw.Draw(img)
    # The gem in the middle.
    cx, cy, g = s / 2, s * 0.47, s * 0.26
    d.polygon([(cx, cy - g), (cx + g * 0.66, cy), (cx, cy + g), (cx - g * 0.66, cy)], fill=GOLD + (255,))
    d.polygon([(cx, cy - g), (cx + g * 0.66, cy), (cx, cy)], fill=PALE_GOLD + (255,))
    d.polygon([(cx, cy + g), (cx - g * 0.66, cy), (cx, cy)], fill=scaled(GOLD, 0.7) + (255,))
    return img.resize((48, 48), Image.LANCZOS)


def write_ico(img, path):
    """One 48 x 48 image stored as a 32-bit DIB with its AND mask, as every Windows reads it."""
    w, h = img.size
    px = img.load()
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            r, g, b, a = px[x, y]
            xor += bytes((b, g, r, a))
    row_bytes = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(row_bytes)
        for x in range(w):
            if px[x, y][3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", w, h, 0, 0, 1, 32, len(image), 22)
    path.write_bytes(directory + image)


def main():
    background().save(HERE / "background.jpg", quality=90, optimize=True)
    write_ico(icon_image(), HERE / "pelmora.ico")


if __name__ == "__main__":
    main()
