#!/usr/bin/env python3
"""Writes the engine copy the installer carries: the version word (32-bit little-endian) followed
by the engine library's image, as it stands or as an LZ77 stream (tools/lz77pack).

    make_engine_copy.py LIBRARY OUT VERSION
"""
import struct
import sys


def main(argv):
    if len(argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    version = int(argv[3])
    with open(argv[1], "rb") as f:
        image = f.read()
    with open(argv[2], "wb") as f:
        f.write(struct.pack("<I", version) + image)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
