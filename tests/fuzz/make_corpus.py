#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target: small, valid inputs that reach deep into each
parser. Run from anywhere; rewrites tests/fuzz/corpus/<target>/seed-*."""
import io
import lzma
import os
import struct
import zipfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def lz77_literals(data):
    """A stream of literals only: flags 0xFF, then up to eight bytes per group."""
    out = bytearray(struct.pack('<I', len(data)))
    for i in range(0, len(data), 8):
        group = data[i:i + 8]
        out.append((1 << len(group)) - 1)
        out += group
    return bytes(out)


def lz77_with_match(data):
    """Literals, then one match copying the first three bytes again (window starts at 0xFF0)."""
    out = bytearray(struct.pack('<I', len(data) + 3))
    out.append(0xFF)
    out += data[:8]
    out.append(0x00)  # next item is a match
    out += bytes([0xF0, 0xF0])  # position 0xFF0, length 3
    return bytes(out)


def zip_bytes(entries, comment=b''):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, 'w') as z:
        for name, data, method in entries:
            z.writestr(zipfile.ZipInfo(name, (2025, 1, 1, 12, 0, 0)), data, compress_type=method)
        z.comment = comment
    return buf.getvalue()


def solid_zip(files, x86=False, dict_prop=16, cut=None):
    """One solid chain (method 0x7A4C) over the files, its LZMA2 stream shared equally among
    them; `cut` drops that many bytes from the stream's end."""
    dict_size = (2 | (dict_prop & 1)) << (dict_prop // 2 + 11)
    filters = ([{'id': lzma.FILTER_X86}] if x86 else []) + [
        {'id': lzma.FILTER_LZMA2, 'preset': 6, 'dict_size': dict_size}]
    stream = lzma.compress(b''.join(d for _, d in files), format=lzma.FORMAT_RAW, filters=filters)
    if cut:
        stream = stream[:-cut]
    share = len(stream) // len(files)
    local, central = b'', b''
    for k, (name, data) in enumerate(files):
        part = stream[k * share:(k + 1) * share] if k + 1 < len(files) else stream[k * share:]
        field = struct.pack('<IB', k, 1 if k + 1 == len(files) else 0)
        if k == 0:
            field += bytes([1 if x86 else 0, dict_prop])
        extra = struct.pack('<HH', 0x7A4C, len(field)) + field
        fixed = struct.pack('<HHHHHIIIHH', 63, 0x800, 0x7A4C, 0x6000, 0x5A21, zlib.crc32(data),
                            len(part), len(data), len(name), len(extra))
        central += b'PK\x01\x02' + struct.pack('<H', 63) + fixed + struct.pack(
            '<HHHII', 0, 0, 0, 0, len(local)) + name + extra
        local += b'PK\x03\x04' + fixed + name + extra + part
    end = b'PK\x05\x06' + struct.pack('<HHHHIIH', 0, 0, len(files), len(files), len(central),
                                       len(local), 0)
    return local + central + end


def block(name, data, kind=0, key=0x5A, scrambled=False, check=True):
    flags = (1 if check else 0) | (2 if scrambled else 0) | (kind << 4)
    body = bytes(b ^ key for b in data) if scrambled else data
    rec = b'ZBL\x00' + struct.pack('<qIBBH', 8 + len(name) + len(data), zlib.crc32(data),
                                   flags, key, len(name))
    return rec + bytes(b ^ key for b in name) + body


def container(prefix_len, blocks):
    return b'\0' * prefix_len + b'ZMCF\x01\0\0\0' + b''.join(blocks)


def pe_headers(plus=False):
    """DOS header, PE signature, COFF header and an optional header whose 16 directory entries are
    empty."""
    lfanew = 0x80
    dirs = lfanew + 24 + (112 if plus else 96)
    out = bytearray(dirs + 16 * 8)
    out[0:2] = b'MZ'
    struct.pack_into('<I', out, 0x3C, lfanew)
    out[lfanew:lfanew + 4] = b'PE\0\0'
    struct.pack_into('<HH', out, lfanew + 4, 0x8664 if plus else 0x14C, 0)
    struct.pack_into('<H', out, lfanew + 20, len(out) - lfanew - 24)
    struct.pack_into('<H', out, lfanew + 24, 0x20B if plus else 0x10B)
    struct.pack_into('<I', out, dirs - 4, 16)
    return out


def cert_record(data, kind=2):
    """One certificate table record (length, revision 2.0, type, data), padded to 8."""
    rec = struct.pack('<IHH', 8 + len(data), 0x0200, kind) + data
    return rec + bytes(-len(rec) % 8)


def signed_image(archive, padding=0, table=None, plus=False, table_pos=None):
    """PE headers + archive + zero padding + certificate table, the security entry naming the
    table (or table_pos when given)."""
    out = pe_headers(plus) + archive + bytes(padding)
    pos = len(out) if table_pos is None else table_pos
    if table is not None:
        out += table
        entry = 0x80 + 24 + (112 if plus else 96) + 4 * 8
        struct.pack_into('<II', out, entry, pos, len(out) - pos)
    return bytes(out)


def resource_section(rva=0x2000):
    """A resource section at rva: an icon group 1 naming icon 1, the icon, a version record 1
    with one string table, and raw data named WIZARDBITMAP."""
    def node(key, value=b'', children=(), text=False):
        head = key.encode('utf-16-le') + b'\0\0'
        body = head + bytes(-(6 + len(head)) % 4) + value
        for c in children:
            body += bytes(-(6 + len(body)) % 4) + c
        return struct.pack('<HHH', 6 + len(body), len(value) // 2 if text else len(value),
                           1 if text else 0) + body
    fixed = struct.pack('<13I', 0xFEEF04BD, 0x10000, 0x10002, 0x30004, 0x10002, 0x30004,
                        0x3F, 0, 0x40004, 1, 0, 0, 0)
    strings = node('041904B0', children=[node('FileVersion', '1.2.3.4\0'.encode('utf-16-le'),
                                               text=True)])
    version = node('VS_VERSION_INFO', fixed, [node('StringFileInfo', children=[strings]),
                                              node('VarFileInfo', children=[
                                                  node('Translation', b'\x19\x04\xb0\x04')])])
    icon = struct.pack('<IiiHHIIiiII', 40, 1, 2, 1, 32, 0, 0, 0, 0, 0, 0) + bytes(8)
    group = struct.pack('<HHHBBBBHHIH', 0, 1, 1, 1, 1, 0, 0, 1, 32, len(icon), 1)
    leaves = [(3, 1, icon), (10, 'WIZARDBITMAP', b'BM picture'), (14, 1, group), (16, 1, version)]
    # Root table, one table per type and per name, then data entries, the name, the data.
    tables = 16 + 8 * len(leaves) + 2 * len(leaves) * (16 + 8)
    entries = tables
    name_at = entries + 16 * len(leaves)
    name = struct.pack('<H', 12) + 'WIZARDBITMAP'.encode('utf-16-le')
    data_at = name_at + len(name) + (-(name_at + len(name)) % 8)
    out = bytearray(data_at)
    struct.pack_into('<12xHH', out, 0, 1, len(leaves) - 1)
    placed = []
    for i, (kind, ident, payload) in enumerate(leaves):
        type_table = 16 + 8 * len(leaves) + 48 * i
        name_table = type_table + 24
        struct.pack_into('<II', out, 16 + 8 * i, kind, 0x80000000 | type_table)
        ident_field = (0x80000000 | name_at) if isinstance(ident, str) else ident
        struct.pack_into('<12xHHII', out, type_table, int(isinstance(ident, str)),
                         int(not isinstance(ident, str)), ident_field, 0x80000000 | name_table)
        struct.pack_into('<12xHHII', out, name_table, 0, 1, 1033, entries + 16 * i)
        at = len(out) + (-len(out) % 8)
        out += bytes(at - len(out)) + payload
        struct.pack_into('<IIII', out, entries + 16 * i, rva + at, len(payload), 0, 0)
    out[name_at:name_at + len(name)] = name
    return bytes(out)


def der(tag, content=b''):
    """One DER element: tag, definite length, contents."""
    n = len(content)
    if n < 0x80:
        length = bytes([n])
    else:
        body = n.to_bytes((n.bit_length() + 7) // 8, 'big')
        length = bytes([0x80 | len(body)]) + body
    return bytes([tag]) + length + content


def oid(dotted):
    parts = [int(p) for p in dotted.split('.')]
    out = bytes([parts[0] * 40 + parts[1]])
    for v in parts[2:]:
        chunk = [v & 0x7F]
        v >>= 7
        while v:
            chunk.insert(0, 0x80 | (v & 0x7F))
            v >>= 7
        out += bytes(chunk)
    return der(0x06, out)


def authenticode(digest_oid, digest_size, nested=b''):
    """A ContentInfo shaped as an Authenticode signature (no real signature in it), with the
    signatures in nested among its signer's unsigned attributes."""
    digest_info = der(0x30, der(0x30, oid(digest_oid)) + der(0x04, bytes(digest_size)))
    content = der(0x30, oid('1.3.6.1.4.1.311.2.1.4') +
                  der(0xA0, der(0x30, der(0x30) + digest_info)))
    unsigned = b''
    if nested:
        unsigned = der(0xA1, der(0x30, oid('1.3.6.1.4.1.311.2.4.1') + der(0x31, nested)))
    signer = der(0x30, der(0x02, b'\x01') + der(0x30, der(0x30) + der(0x02, b'\x01')) +
                 der(0x30) + der(0x30) + der(0x04, b'sig') + unsigned)
    signed_data = der(0x30, der(0x02, b'\x01') + der(0x31) + content + der(0xA0) +
                      der(0x31, signer))
    return der(0x30, oid('1.2.840.113549.1.7.2') + der(0xA0, signed_data))


def seeds():
    small_zip = zip_bytes([('a.txt', b'hello', zipfile.ZIP_STORED),
                           ('dir/', b'', zipfile.ZIP_STORED),
                           ('dir/b.txt', b'hello hello hello', zipfile.ZIP_DEFLATED)],
                          comment=b'c')
    cfg = b'<config><archive_id>7</archive_id><archive_name>T</archive_name></config>'
    yield 'container', 'seed-plain', container(0, [block(b'config', cfg),
                                                   block(b'zip', small_zip, check=False)])
    yield 'container', 'seed-scrambled', container(512, [
        block(b'lang', b'<languages/>', scrambled=True), block(b'zip', small_zip)])
    yield 'config', 'seed-xml', b'\x01' + cfg
    yield 'config', 'seed-text', b'\x00archive_id=7\r\nlangid=en\r\nlanguage=de\r\n'
    yield 'config', 'seed-doctype', b'\x01<!DOCTYPE c [<!ENTITY e "x">]><c><k>&e;</k></c>'
    yield 'lang', 'seed-pack', ('<languages version="1"><lang langid="en" langname="English" '
                                'engname="English"><s id="1">Broken</s><s id="5">Error</s></lang>'
                                '<lang langid="de"><s id="5">Fehler</s></lang></languages>'
                                ).encode()
    yield 'lz77', 'seed-literals', lz77_literals(b'The quick brown fox')
    yield 'lz77', 'seed-match', lz77_with_match(b'abcdefgh')
    res = bytes(32) + b'\x06\x00' * 4 + 'Text'.encode('utf-16-le')
    stream = lz77_literals(res)
    yield 'messages', 'seed-chain', (struct.pack('<HHH', 0x0409, len(stream), 2) + b'US' + stream
                                     + struct.pack('<HHH', 0x0407, len(stream), 2) + b'DE'
                                     + stream + bytes(32))
    yield 'zipdir', 'seed-small', small_zip
    # The engine target: first byte 0 extracts with folders, 1 tests, 2 extracts flat.
    yield 'engine', 'seed-extract', b'\x00' + small_zip
    yield 'engine', 'seed-test', b'\x01' + small_zip
    yield 'engine', 'seed-flat', b'\x02' + small_zip
    yield 'zipdir', 'seed-prefixed', b'MZ' + bytes(62) + small_zip
    sig = cert_record(bytes(range(40)) * 3)
    text = b''.join(b'line %d of the solid seed\n' % (i % 37) for i in range(400))
    code = bytes(range(256)) * 8 + b'\xe8\x10\x00\x00\x00' * 50
    yield 'solid', 'seed-chain', solid_zip([(b'a.txt', text[:3000]), (b'b.txt', text),
                                            (b'c/d.txt', b'short')])
    yield 'solid', 'seed-x86', solid_zip([(b'app.exe', b'MZ' + code), (b'lib.dll', code)],
                                         x86=True, dict_prop=12)
    yield 'solid', 'seed-cut', solid_zip([(b'a.txt', text), (b'b.txt', text[::-1])], cut=7)
    yield 'solid', 'seed-lzma', zip_bytes([('one.txt', text, zipfile.ZIP_LZMA),
                                           ('two.bin', code, zipfile.ZIP_LZMA)])
    yield 'resources', 'seed-stub', resource_section()
    yield 'signedimage', 'seed-unsigned', signed_image(small_zip)
    yield 'signedimage', 'seed-signed', signed_image(small_zip, 5, sig)
    yield 'signedimage', 'seed-signed64', signed_image(small_zip, 3, cert_record(b'x509', 1) + sig,
                                                       plus=True)
    pkcs7 = cert_record(authenticode('1.3.14.3.2.26', 20,
                                     authenticode('2.16.840.1.101.3.4.2.1', 32)))
    yield 'signedimage', 'seed-nested', signed_image(small_zip, 5, pkcs7)
    yield 'signedimage', 'seed-appended', signed_image(small_zip, 5, sig) + b'appended'
    # The security entry names the archive's second half: a table overlapping it.
    half = len(pe_headers()) + len(small_zip) // 2
    yield 'signedimage', 'seed-overlap', signed_image(small_zip, 5, sig, table_pos=half)


def main():
    for target, name, data in seeds():
        folder = os.path.join(HERE, 'corpus', target)
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
