"""What the generators of the road benchmarks' documents share: words of
text and a PNG picture drawn here. Only the standard library."""
import struct
import zlib

WORDS = ('the converter reads every paragraph of the document lays it out on pages and writes text that stays '
         'text in the portable document with its fonts embedded so that readers can search and copy it').split()


def png(width, height):
    rows = b''.join(b'\0' + b''.join(bytes((x * 255 // width, y * 255 // height, 160)) for x in range(width))
                    for y in range(height))
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(rows)) + chunk(b'IEND', b''))


def text(n, seed):
    return ' '.join(WORDS[(seed + i * 7) % len(WORDS)] for i in range(n))
