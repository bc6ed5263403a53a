#!/usr/bin/python3
"""Writes an RTF document of PAGES pages (default 100) for the RTF road
benchmark: each page starts with a bold heading after a page break and holds
paragraphs of text in two fonts, a bulleted list, a bordered table of four
rows and three cells and, on every other page, a PNG picture (400 x 300,
drawn here); a header with a PAGE field and an information group with title
and author. Only the standard library. Usage: make_rtf_bench_document.py OUT
[PAGES]"""
import sys

from bench_document_parts import png, text

OUT = sys.argv[1]
PAGES = int(sys.argv[2]) if len(sys.argv) > 2 else 100
PICTURE_HEX = png(400, 300).hex()
# 64 hex digits to a line, as RTF writers break picture data.
PICTURE = '\n'.join(PICTURE_HEX[i:i + 64] for i in range(0, len(PICTURE_HEX), 64))


def table(seed):
    edges = ''.join('\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10'
                    '\\clbrdrr\\brdrs\\brdrw10\\cellx%d' % (3000 * (c + 1)) for c in range(3))
    rows = []
    for r in range(4):
        cells = ''.join('\\pard\\intbl %s\\cell ' % text(3, seed + r * 3 + c) for c in range(3))
        rows.append('\\trowd\\trgaph108%s\n%s\\row\n' % (edges, cells))
    return ''.join(rows) + '\\pard\n'


out = ['{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New Roman;}}\n'
       '{\\colortbl;\\red0\\green0\\blue0;\\red200\\green0\\blue0;}\n'
       '{\\info{\\title Benchmark document}{\\author Bench}}\n'
       '\\paperw11906\\paperh16838\\margl1440\\margr1440\\margt1440\\margb1440\n'
       '{\\header\\pard\\qr\\f0\\fs18 Page {\\field{\\*\\fldinst PAGE}{\\fldrslt 1}}\\par}\n']
for page in range(PAGES):
    if page > 0:
        out.append('\\page\n')
    out.append('\\pard\\sa240\\b\\f0\\fs32 Chapter %d\\b0\\fs22\\par\n' % (page + 1))
    for k in range(3):
        out.append('\\pard\\sa120\\f%d\\fs22 %s\\par\n' % (k % 2, text(60, page * 11 + k)))
    for k in range(3):
        out.append('\\pard\\fi-360\\li720\\sa60\\f0 \\bullet\\tab %s\\par\n' % text(8, page + k))
    out.append(table(page))
    if page % 2 == 0:
        out.append('\\pard\\qc{\\pict\\pngblip\\picw400\\pich300\\picwgoal4500\\pichgoal3375\n%s}\\par\n' % PICTURE)
    else:
        out.append('\\pard\\sa120\\cf2 %s\\cf0\\par\n' % text(60, page * 13))
out.append('}\n')
with open(OUT, 'w', encoding='ascii') as f:
    f.write(''.join(out))
