#!/usr/bin/env python3
"""Build-time packer for the component's LZ77 resources.

  lz77pack.py pack IN OUT
      Packs the file IN into one LZ77 stream (4-byte expanded size, then flag groups).
  lz77pack.py msgtable --messages FILE --lang 0x0409 --name US --symbol NAME --out-cpp OUT
                       [--out-bin OUT]
      Compiles the message texts of FILE (lines "id<TAB>text", UTF-8, '#' starts a comment line)
      into a 32-bit .res image with string-table blocks, packs it, wraps it in one message-table
      record (language id, packed size, name, stream) and writes it as a C++ byte array (and, when
      asked, as a binary file).

The stream matches the expander in zip/ZMExpandLZ77: a match names a 12-bit window position
(b1 + (b2 & 0xF0) * 16) whose window starts as zeros with the write position at 0xFF0, and copies
(b2 & 0x0F) + 3 bytes.
"""
import argparse
import struct
import sys

WINDOW = 4096
START = 0xFF0
MIN_MATCH = 3
MAX_MATCH = 18
def longest_matches(data: bytes):
    """For every position of data, the longest match the stream can name there (0 when under
    MIN_MATCH) and its distance back. The window starts as zeros, so the input is searched as if
    WINDOW zero bytes stood before it; a match may reach WINDOW bytes back (the expander reads a
    window byte before it overwrites it) and may overlap the bytes it produces."""
    n = len(data)
    text = bytes(WINDOW) + data
    best_len = bytearray(n)
    best_dist = [0] * n
    # One length at a time keeps a single table in memory. A match of some length means one of
    # every shorter length at the same distance or closer, so a position without a match of
    # length L is not looked up for longer ones.
    alive = range(n)
    for length in range(MIN_MATCH, MAX_MATCH + 1):
        last = {}
        found = []
        limit = len(text) - length
        for j in range(min(WINDOW, limit + 1)):
            last[text[j:j + length]] = j
        todo = set(alive)
        for i in range(n):
            at = WINDOW + i
            if at > limit:
                break
            key = text[at:at + length]
            if i in todo:
                j = last.get(key)
                if j is not None and at - j <= WINDOW:
                    best_len[i] = length
                    best_dist[i] = at - j
                    found.append(i)
            last[key] = at
        alive = found
        if not alive:
            break
    return best_len, best_dist


def pack(data: bytes) -> bytes:
    """The smallest stream for data: a literal costs 9 bits (its byte and its flag), a match 17,
    whichever distance it names, so the cheapest parse follows from the longest match at each
    position (every shorter length is there at the same distance), found from the end backwards."""
    n = len(data)
    best_len, best_dist = longest_matches(data)
    cost = [0] * (n + 1)
    step = bytearray(n)
    for i in range(n - 1, -1, -1):
        c = cost[i + 1] + 9
        s = 1
        for length in range(MIN_MATCH, best_len[i] + 1):
            m = cost[i + length] + 17
            if m < c:
                c, s = m, length
        cost[i] = c
        step[i] = s

    out = bytearray(struct.pack('<I', n))
    group = bytearray()
    flags = 0
    bit = 0
    i = 0
    while i < n:
        s = step[i]
        if s == 1:
            flags |= 1 << bit
            group.append(data[i])
        else:
            q = (START + i - best_dist[i]) & (WINDOW - 1)
            group += bytes([q & 0xFF, ((q >> 4) & 0xF0) | (s - MIN_MATCH)])
        i += s
        bit += 1
        if bit == 8:
            out.append(flags)
            out += group
            group = bytearray()
            flags = 0
            bit = 0
    if bit:
        out.append(flags)
        out += group
    return bytes(out)


def unpack(stream: bytes) -> bytes:
    """Reference expander, used to check every packed result before it is written."""
    size = struct.unpack_from('<I', stream, 0)[0]
    window = bytearray(WINDOW)
    r = START
    out = bytearray()
    i = 4
    while i < len(stream):
        flags = stream[i]
        i += 1
        for bit in range(8):
            if i >= len(stream):
                break
            if flags & (1 << bit):
                items = [stream[i]]
                i += 1
            else:
                if i + 1 >= len(stream):
                    i = len(stream)
                    break
                b1, b2 = stream[i], stream[i + 1]
                i += 2
                pos = b1 + ((b2 & 0xF0) << 4)
                items = []
                for _ in range((b2 & 0x0F) + MIN_MATCH):
                    items.append(window[pos])
                    pos = (pos + 1) & (WINDOW - 1)
                    window[r] = items[-1]
                    r = (r + 1) & (WINDOW - 1)
                out += bytes(items)
                continue
            window[r] = items[0]
            r = (r + 1) & (WINDOW - 1)
            out += bytes(items)
    if len(out) != size:
        raise ValueError('expanded size %d, header says %d' % (len(out), size))
    return bytes(out)


def checked_pack(data: bytes) -> bytes:
    stream = pack(data)
    if unpack(stream) != data:
        raise SystemExit('lz77pack: internal error, packed stream does not expand to its input')
    return stream


RT_STRING = 6


def res_entry(type_id: int, name_id: int, lang: int, data: bytes) -> bytes:
    names = struct.pack('<HHHH', 0xFFFF, type_id, 0xFFFF, name_id)
    # DataVersion, MemoryFlags (moveable, pure, discardable), LanguageId, Version, Characteristics
    tail = struct.pack('<IHHII', 0, 0x1030, lang, 0, 0)
    entry = struct.pack('<II', len(data), 8 + len(names) + len(tail)) + names + tail + data
    entry += b'\0' * (-len(entry) % 4)
    return entry


def read_messages(path: str) -> dict:
    texts = {}
    with open(path, encoding='utf-8') as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip('\r\n')
            if not line or line.startswith('#'):
                continue
            ident, sep, text = line.partition('\t')
            if not sep:
                raise SystemExit('%s:%d: expected "id<TAB>text"' % (path, number))
            ident = int(ident)
            if ident <= 0 or ident >= 16 * 0xFFFF:
                raise SystemExit('%s:%d: id out of range' % (path, number))
            if ident in texts:
                raise SystemExit('%s:%d: id %d given twice' % (path, number, ident))
            texts[ident] = text
    return texts


def build_res(texts: dict, lang: int) -> bytes:
    res = bytearray(res_entry(0, 0, 0, b''))
    # The empty first entry marks a 32-bit .res file; its memory flags and language are zero.
    res[20:22] = b'\0\0'
    for block in sorted({i // 16 + 1 for i in texts}):
        data = bytearray()
        for k in range(16):
            s = texts.get((block - 1) * 16 + k, '')
            u = s.encode('utf-16-le')
            data += struct.pack('<H', len(u) // 2) + u
        res += res_entry(RT_STRING, block, lang, bytes(data))
    return bytes(res)


def write_cpp(path: str, symbol: str, blob: bytes, origin: str) -> None:
    lines = ['// Generated at build time by tools/lz77pack from %s; do not edit.' % origin,
             '#include <cstddef>', '',
             'extern const unsigned char %s[];' % symbol,
             'extern const size_t %s_size;' % symbol,
             'const unsigned char %s[] = {' % symbol]
    for k in range(0, len(blob), 16):
        lines.append('    ' + ', '.join('0x%02X' % b for b in blob[k:k + 16]) + ',')
    lines.append('};')
    lines.append('const size_t %s_size = %d;' % (symbol, len(blob)))
    with open(path, 'w', encoding='ascii', newline='\n') as f:
        f.write('\n'.join(lines) + '\n')


def main(argv) -> int:
    ap = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    sub = ap.add_subparsers(dest='cmd', required=True)
    p = sub.add_parser('pack')
    p.add_argument('input')
    p.add_argument('output')
    m = sub.add_parser('msgtable')
    m.add_argument('--messages', required=True)
    m.add_argument('--lang', required=True, type=lambda s: int(s, 0))
    m.add_argument('--name', required=True)
    m.add_argument('--symbol', required=True)
    m.add_argument('--out-cpp', required=True)
    m.add_argument('--out-bin')
    a = ap.parse_args(argv)

    if a.cmd == 'pack':
        with open(a.input, 'rb') as f:
            data = f.read()
        with open(a.output, 'wb') as f:
            f.write(checked_pack(data))
        return 0

    res = build_res(read_messages(a.messages), a.lang)
    if len(res) >= 50000:
        raise SystemExit('lz77pack: message table expands to %d bytes (limit 49999)' % len(res))
    stream = checked_pack(res)
    name = a.name.encode('ascii')
    if len(stream) > 0xFFFF:
        raise SystemExit('lz77pack: packed message table too large for one record')
    record = struct.pack('<HHH', a.lang, len(stream), len(name)) + name + stream
    write_cpp(a.out_cpp, a.symbol, record, a.messages.replace('\\', '/').split('/')[-1])
    if a.out_bin:
        with open(a.out_bin, 'wb') as f:
            f.write(record)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
