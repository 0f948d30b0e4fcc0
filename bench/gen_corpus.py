#!/usr/bin/env python3
"""Deterministic benchmark corpora (fixed seed, no downloads).

  mixed  about 200 MB in about 3,000 files in nested folders: text and source-like files,
         already-compressed random blobs, a few 20-50 MB files, many 1-16 KB files, empty files
  small  20,000 files of 0-4 KB
  big    one 1 GB mildly compressible file

Usage: gen_corpus.py CACHE_DIR [mixed|small|big ...]
Each corpus is written once into CACHE_DIR/<name>/ (a stamp file marks a complete corpus).
"""
import os
import random
import sys

WORDS = ("installer package archive folder extract progress window language config block "
         "engine stream buffer header record entry file name size offset check value table "
         "return static const int void class struct namespace template include define").split()


def text_bytes(rng, n):
    out = []
    size = 0
    while size < n:
        line = " ".join(rng.choice(WORDS) for _ in range(rng.randint(4, 14)))
        if rng.random() < 0.3:
            line = "    " + line + ";"
        line += "\n"
        out.append(line)
        size += len(line)
    return "".join(out).encode()[:n]


def random_bytes(rng, n):
    return rng.randbytes(n)


def mild_bytes(rng, n, chunk=1 << 20):
    """Data that compresses a little (about 2:1): random bytes mixed with repeated text."""
    base = text_bytes(rng, 64 << 10)
    parts = []
    left = n
    while left > 0:
        k = min(chunk, left)
        half = k // 2
        piece = rng.randbytes(half) + (base * (k // len(base) + 1))[: k - half]
        parts.append(piece)
        left -= k
    return parts


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        if isinstance(data, list):
            for p in data:
                f.write(p)
        else:
            f.write(data)


def gen_mixed(root):
    rng = random.Random(20261208)
    folders = ["."]
    for i in range(170):
        parent = rng.choice(folders)
        folders.append(os.path.join(parent, "dir%03d" % i))
    total = 0
    count = 0
    # A few large files.
    for i, mb in enumerate((20, 27, 35, 45)):
        n = mb << 20
        if i % 2 == 0:
            write(os.path.join(root, "big", "large%d.bin" % i), mild_bytes(rng, n))
        else:
            write(os.path.join(root, "big", "large%d.txt" % i), text_bytes(rng, n))
        total += n
        count += 1
    # Empty files.
    for i in range(120):
        write(os.path.join(root, rng.choice(folders), "empty%03d.dat" % i), b"")
        count += 1
    while count < 3000:
        folder = rng.choice(folders)
        kind = rng.random()
        if kind < 0.6:
            n = rng.randint(1 << 10, 16 << 10)
            data = text_bytes(rng, n)
            name = "src%04d.%s" % (count, rng.choice(["c", "h", "txt", "xml", "ini"]))
        elif kind < 0.92:
            n = rng.randint(1 << 10, 64 << 10)
            data = random_bytes(rng, n)
            name = "blob%04d.%s" % (count, rng.choice(["png", "jpg", "zip", "dat"]))
        else:
            n = rng.randint(64 << 10, 300 << 10)
            data = text_bytes(rng, n) if rng.random() < 0.5 else random_bytes(rng, n)
            name = "mid%04d.bin" % count
        write(os.path.join(root, folder, name), data)
        total += n
        count += 1
    return count, total


def gen_small(root):
    rng = random.Random(4242)
    total = 0
    for i in range(20000):
        n = rng.randint(0, 4 << 10)
        data = text_bytes(rng, n) if rng.random() < 0.7 else random_bytes(rng, n)
        write(os.path.join(root, "d%02d" % (i % 50), "f%05d.txt" % i), data)
        total += n
    return 20000, total


def gen_big(root):
    rng = random.Random(77)
    n = 1 << 30
    write(os.path.join(root, "big.bin"), mild_bytes(rng, n))
    return 1, n


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    cache = sys.argv[1]
    names = sys.argv[2:] or ["mixed", "small", "big"]
    gens = {"mixed": gen_mixed, "small": gen_small, "big": gen_big}
    for name in names:
        root = os.path.join(cache, name)
        stamp = os.path.join(cache, name + ".done")
        if os.path.exists(stamp):
            continue
        if name not in gens:
            print("unknown corpus: " + name, file=sys.stderr)
            return 2
        os.makedirs(root, exist_ok=True)
        count, total = gens[name](root)
        with open(stamp, "w") as f:
            f.write("%d %d\n" % (count, total))
        print("%s: %d files, %d bytes" % (name, count, total), file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
