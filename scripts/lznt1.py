#!/usr/bin/env python3
"""Packs a program for SetUp.exe to carry: its size (4 bytes, little-endian), then its bytes in LZNT1,
the format Windows' own RtlDecompressBuffer reads back (ntdll, every Windows since XP). Deterministic:
the same program always gives the same bytes, so scripts/check-binary.sh can look for them.

    scripts/lznt1.py <program> <packed file>
"""
import sys

CHUNK = 4096

def split(pos):
    length_bits = 12
    i = pos - 1
    while i >= 0x10:
        length_bits -= 1
        i >>= 1
    return length_bits

def compress_chunk(data):
    out = bytearray()
    pos = 0
    n = len(data)
    index = {}
    while pos < n:
        flags = 0
        group = bytearray()
        for bit in range(8):
            if pos >= n:
                break
            best_len, best_off = 0, 0
            if pos > 0:
                length_bits = split(pos)
                max_off = 1 << (16 - length_bits)
                max_len = (1 << length_bits) - 1 + 3
                key = bytes(data[pos:pos + 3])
                for cand in reversed(index.get(key, [])[-64:]):
                    off = pos - cand
                    if off > max_off:
                        break
                    l = 0
                    limit = min(max_len, n - pos)
                    while l < limit and data[cand + l] == data[pos + l]:
                        l += 1
                    if l > best_len:
                        best_len, best_off = l, off
                        if l == limit:
                            break
            if best_len >= 3:
                length_bits = split(pos)
                token = ((best_off - 1) << length_bits) | (best_len - 3)
                group += token.to_bytes(2, 'little')
                flags |= 1 << bit
                for p in range(pos, pos + best_len):
                    index.setdefault(bytes(data[p:p + 3]), []).append(p)
                pos += best_len
            else:
                group.append(data[pos])
                index.setdefault(bytes(data[pos:pos + 3]), []).append(pos)
                pos += 1
        out.append(flags)
        out += group
    return bytes(out)

def compress(data):
    out = bytearray()
    for start in range(0, len(data), CHUNK):
        chunk = data[start:start + CHUNK]
        packed = compress_chunk(chunk)
        if len(packed) < len(chunk):
            out += (0xB000 | (len(packed) - 1)).to_bytes(2, 'little') + packed
        else:
            out += (0x3000 | (len(chunk) - 1)).to_bytes(2, 'little') + chunk
    return bytes(out)

def decompress(data):
    out = bytearray()
    src = 0
    while src + 2 <= len(data):
        header = int.from_bytes(data[src:src + 2], 'little'); src += 2
        if header == 0:
            break
        size = (header & 0xfff) + 1
        chunk = data[src:src + size]; src += size
        if not header & 0x8000:
            out += chunk
            continue
        start = len(out)
        i = 0
        while i < len(chunk):
            flags = chunk[i]; i += 1
            for bit in range(8):
                if i >= len(chunk):
                    break
                if flags & (1 << bit):
                    token = int.from_bytes(chunk[i:i + 2], 'little'); i += 2
                    length_bits = split(len(out) - start)
                    length = (token & ((1 << length_bits) - 1)) + 3
                    off = (token >> length_bits) + 1
                    for _ in range(length):
                        out.append(out[-off])
                else:
                    out.append(chunk[i]); i += 1
    return bytes(out)

def pack(data):
    packed = len(data).to_bytes(4, 'little') + compress(data)
    assert decompress(packed[4:]) == data
    return packed

if __name__ == '__main__':
    data = open(sys.argv[1], 'rb').read()
    open(sys.argv[2], 'wb').write(pack(data))
