#!/usr/bin/env python3
"""Build-time maker of the engine resource "ZEResDll19" that zmpack carries.

  engine_resource.py IN OUT VERSION

Writes VERSION as 32-bit little-endian, then the library image IN as it stands when the whole
resource stays below 600,000 bytes, otherwise the image packed as one LZ77 stream (the loader
expands anything that does not start with an executable header). Fails when even the packed
form is out of the loader's range (50,000 to 599,999 bytes).
"""
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'lz77pack'))
import lz77pack  # noqa: E402

LOW, HIGH = 50000, 600000


def main():
    if len(sys.argv) != 4:
        raise SystemExit(__doc__)
    src, out, version = sys.argv[1], sys.argv[2], int(sys.argv[3])
    with open(src, 'rb') as f:
        image = f.read()
    if 4 + len(image) < HIGH:
        data = struct.pack('<I', version) + image
        if len(data) < LOW:
            data += b'\0' * (LOW - len(data))  # zeros after an image do not stop it loading
    else:
        data = struct.pack('<I', version) + lz77pack.checked_pack(image)
    if len(data) >= HIGH:
        raise SystemExit('engine_resource: %s packs to %d bytes, too large for the resource'
                         % (src, len(data)))
    with open(out, 'wb') as f:
        f.write(data)


if __name__ == '__main__':
    main()
