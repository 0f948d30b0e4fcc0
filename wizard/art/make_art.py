#!/usr/bin/env python3
"""Draws the wizard's pictures at build time: the side panel (an 8-bit .bmp, 163 x 314) and the
program icon (.ico with 16, 24, 32, 48 and 64 pixel images, each stored as a PNG, which the
system's icon loader reads at any size and which takes a seventh of the room of the same pixels as
a bitmap). Pure Python, no imaging library: shapes are rasterised with per-pixel coverage, so
edges stay crisp and smooth at 1:1 scale.

    make_art.py sidebar OUT.bmp
    make_art.py icon OUT.ico
"""
import math
import struct
import sys
import zlib

SIDEBAR_W, SIDEBAR_H = 163, 314

# Palette: a calm night-blue to sea-green field with a white package cube.
TOP = (22, 48, 82)
BOTTOM = (28, 112, 124)
ACCENT = (120, 214, 206)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def over(dst, src, alpha):
    return tuple(dst[i] + (src[i] - dst[i]) * alpha for i in range(3))


def inside(poly, x, y):
    """Even-odd point-in-polygon test."""
    hit = False
    n = len(poly)
    for i in range(n):
        x1, y1 = poly[i]
        x2, y2 = poly[(i + 1) % n]
        if (y1 > y) != (y2 > y):
            xc = x1 + (y - y1) * (x2 - x1) / (y2 - y1)
            if x < xc:
                hit = not hit
    return hit


def inset(poly, d):
    """Moves every vertex d pixels towards the polygon's centre (leaves thin gaps between faces)."""
    cx = sum(p[0] for p in poly) / len(poly)
    cy = sum(p[1] for p in poly) / len(poly)
    out = []
    for x, y in poly:
        vx, vy = cx - x, cy - y
        n = math.hypot(vx, vy) or 1.0
        out.append((x + vx / n * d, y + vy / n * d))
    return out


def coverage(poly, px, py, grid=4):
    """Share of the pixel (px, py) covered by the polygon, by grid x grid sampling."""
    xs = [p[0] for p in poly]
    ys = [p[1] for p in poly]
    if px + 1 < min(xs) or px > max(xs) or py + 1 < min(ys) or py > max(ys):
        return 0.0
    hits = 0
    for j in range(grid):
        for i in range(grid):
            if inside(poly, px + (i + 0.5) / grid, py + (j + 0.5) / grid):
                hits += 1
    return hits / (grid * grid)


def ring(px, py, cx, cy, r, half_width):
    d = math.hypot(px + 0.5 - cx, py + 0.5 - cy)
    return max(0.0, min(1.0, half_width + 0.5 - abs(d - r)))


def disc(px, py, cx, cy, r):
    d = math.hypot(px + 0.5 - cx, py + 0.5 - cy)
    return max(0.0, min(1.0, r + 0.5 - d))


def cube_faces(cx, cy, s):
    """Top, left and right faces of an isometric cube whose top face is centred on (cx, cy)."""
    c = s * math.cos(math.radians(30))
    top = [(cx, cy - s / 2), (cx + c, cy), (cx, cy + s / 2), (cx - c, cy)]
    left = [(cx - c, cy), (cx, cy + s / 2), (cx, cy + s * 1.5), (cx - c, cy + s)]
    right = [(cx, cy + s / 2), (cx + c, cy), (cx + c, cy + s), (cx, cy + s * 1.5)]
    return top, left, right


def draw_cube(color, px, py, faces, gap, grid=4):
    shades = (0.96, 0.74, 0.52)
    for face, shade in zip(faces, shades):
        a = coverage(inset(face, gap), px, py, grid)
        if a > 0:
            color = over(color, (255, 255, 255), a * shade)
    return color


def sidebar_pixels():
    w, h = SIDEBAR_W, SIDEBAR_H
    faces = cube_faces(w / 2, 96, 30)
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            # Diagonal gradient, slightly brighter towards the lower right.
            t = min(1.0, max(0.0, (y / h) * 0.85 + (x / w) * 0.15))
            col = mix(TOP, BOTTOM, t)
            # A soft glow behind the cube.
            g = math.hypot(x + 0.5 - w / 2, y + 0.5 - 112) / 95.0
            if g < 1.0:
                col = over(col, ACCENT, 0.16 * (1 - g) ** 2)
            # Quiet concentric rings rising from the lower left corner.
            for r in (150, 190, 230, 270, 310):
                a = ring(x, y, -30, h + 20, r, 0.6)
                if a > 0:
                    col = over(col, (255, 255, 255), 0.09 * a)
            # A dotted rule under the cube.
            if 164 <= y <= 168:
                for k in range(5):
                    a = disc(x, y, w / 2 - 24 + k * 12, 166, 1.6)
                    if a > 0:
                        col = over(col, ACCENT, 0.85 * a)
            col = draw_cube(col, x, y, faces, 1.1)
            row.append(col)
        rows.append(row)
    return rows


def median_cut(counts, k):
    """k colours that split the picture's colours into boxes of similar spread and weight."""
    boxes = [list(counts)]
    while len(boxes) < k:
        def spread(box):
            return max(max(c[i] for c in box) - min(c[i] for c in box) for i in range(3))
        boxes.sort(key=lambda box: spread(box) * len(box) ** 0.5 if len(box) > 1 else -1)
        box = boxes.pop()
        if len(box) < 2:
            boxes.append(box)
            break
        axis = max(range(3), key=lambda i: max(c[i] for c in box) - min(c[i] for c in box))
        box.sort(key=lambda c: c[axis])
        boxes += [box[:len(box) // 2], box[len(box) // 2:]]
    return [mean(box, counts) for box in boxes]


def mean(colors, counts):
    n = sum(counts[c] for c in colors)
    return tuple(sum(c[i] * counts[c] for c in colors) / n for i in range(3))


def nearest(palette, c):
    return min(range(len(palette)),
               key=lambda k: sum((c[i] - palette[k][i]) ** 2 for i in range(3)))


def palette_for(counts, k=256, rounds=8):
    """A k-colour palette for the picture: median cut, refined by k-means on the colour counts."""
    palette = median_cut(counts, k)
    for _ in range(rounds):
        groups = [[] for _ in palette]
        for c in counts:
            groups[nearest(palette, c)].append(c)
        palette = [mean(g, counts) if g else p for g, p in zip(groups, palette)]
    return [tuple(int(round(v)) for v in p) for p in palette]


# Ordered dithering (4 x 4 Bayer): a picture of smooth gradients in 256 colours shows no bands,
# and its rows repeat every four lines, which keeps the packed picture small.
BAYER = ((0, 8, 2, 10), (12, 4, 14, 6), (3, 11, 1, 9), (15, 7, 13, 5))
DITHER = 2.0


def write_bmp8(path, rows):
    """The picture as an 8-bit bitmap: a third of the 24-bit size, and it packs to less than half
    (each channel stays within about two levels of the drawing)."""
    rows = [[tuple(int(round(v)) for v in c) for c in row] for row in rows]
    counts = {}
    for row in rows:
        for c in row:
            counts[c] = counts.get(c, 0) + 1
    palette = palette_for(counts)
    h = len(rows)
    w = len(rows[0])
    stride = (w + 3) & ~3
    cache = {}
    data = bytearray()
    for y in range(h - 1, -1, -1):
        line = bytearray()
        for x, c in enumerate(rows[y]):
            t = ((BAYER[y % 4][x % 4] + 0.5) / 16 - 0.5) * DITHER
            d = tuple(int(round(v + t)) for v in c)
            if d not in cache:
                cache[d] = nearest(palette, d)
            line.append(cache[d])
        line += b"\0" * (stride - len(line))
        data += line
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 0, len(data), 2835, 2835, len(palette),
                       0)
    with open(path, "wb") as f:
        f.write(header + info + table + data)


def rounded_square(px, py, size, radius):
    """Coverage of a rounded square filling size x size."""
    cx = min(max(px + 0.5, radius), size - radius)
    cy = min(max(py + 0.5, radius), size - radius)
    d = math.hypot(px + 0.5 - cx, py + 0.5 - cy)
    return max(0.0, min(1.0, radius + 0.5 - d)) if d > 0 else 1.0


def icon_pixels(size):
    """BGRA rows, top first."""
    s = size / 32.0
    faces = cube_faces(size / 2, size * 0.30, size * 0.36)
    grid = 4 if size <= 64 else 2
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            a = rounded_square(x, y, size, max(2.0, 6 * s))
            col = mix(TOP, BOTTOM, y / size)
            col = draw_cube(col, x, y, faces, max(0.5, 0.9 * s), grid)
            row.append((col, a))
        rows.append(row)
    return rows


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def icon_image(size):
    """One icon image as a PNG file: 8-bit RGBA, the coverage of the rounded square as alpha."""
    data = bytearray()
    for row in icon_pixels(size):
        # Rows unfiltered: the flat fields and the cube's repeated edges pack best as they are.
        data.append(0)
        for (r, g, b), a in row:
            data += bytes((int(round(r)), int(round(g)), int(round(b)), int(round(a * 255))))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) +
            png_chunk(b"IDAT", zlib.compress(bytes(data), 9)) + png_chunk(b"IEND", b""))


def write_ico(path, sizes):
    images = [icon_image(s) for s in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(sizes)))
    offset = 6 + 16 * len(sizes)
    for s, img in zip(sizes, images):
        dim = 0 if s >= 256 else s
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    for img in images:
        out += img
    with open(path, "wb") as f:
        f.write(out)


def main(argv):
    if len(argv) != 3 or argv[1] not in ("sidebar", "icon"):
        sys.stderr.write(__doc__)
        return 2
    if argv[1] == "sidebar":
        write_bmp8(argv[2], sidebar_pixels())
    else:
        write_ico(argv[2], (16, 24, 32, 48, 64))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
