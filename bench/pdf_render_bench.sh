#!/bin/bash
# Renders two PDFs to PNG at 96 dpi with fotarel-convert, mutool draw and
# pdftoppm in the same run, and converts them PDF to PDF with fotarel-convert:
# wall time and peak memory (maximum resident set) of each.
#   text.pdf     30 pages of text and vector drawing (made with cairo)
#   scanned.pdf  20 pages, each one full-page greyscale picture (a scan)
# Usage: bench/pdf_render_bench.sh FOTAREL_CONVERT [WORK_DIR]
# Needs /usr/bin/python3 with python3-cairo, mupdf-tools, poppler-utils and
# GNU time.
set -eu
BIN=${1:?path of fotarel-convert}
WORK=${2:-/tmp/pdf_render_bench}
rm -rf "$WORK"; mkdir -p "$WORK"
/usr/bin/python3 - "$WORK" <<'PY'
import math, random, sys
import cairo
work = sys.argv[1]
random.seed(7)
words = "the quick brown fox jumps over a lazy dog while seven wizards quietly judge boxing matches".split()
s = cairo.PDFSurface(work + "/text.pdf", 595, 842)
c = cairo.Context(s)
for page in range(30):
    c.set_source_rgb(1, 1, 1); c.paint()
    for k in range(12):
        c.set_source_rgb(random.random(), random.random(), random.random())
        c.set_line_width(0.5 + 2 * random.random())
        c.move_to(random.uniform(40, 550), random.uniform(40, 800))
        for _ in range(4):
            c.curve_to(*[random.uniform(40, 550) if i % 2 == 0 else random.uniform(40, 800) for i in range(6)])
        c.stroke()
    c.set_source_rgb(0, 0, 0)
    c.select_font_face("DejaVu Serif"); c.set_font_size(10)
    for line in range(60):
        c.move_to(50, 60 + line * 12.5)
        c.show_text(" ".join(random.choice(words) for _ in range(12)))
    c.show_page()
s.finish()
s = cairo.PDFSurface(work + "/scanned.pdf", 595, 842)
c = cairo.Context(s)
for page in range(20):
    img = cairo.ImageSurface(cairo.FORMAT_RGB24, 1240, 1754)
    g = cairo.Context(img)
    g.set_source_rgb(0.96, 0.95, 0.93); g.paint()
    g.set_source_rgb(0.1, 0.1, 0.1); g.select_font_face("DejaVu Sans"); g.set_font_size(26)
    for line in range(55):
        g.move_to(110, 120 + line * 28)
        g.show_text(" ".join(random.choice(words) for _ in range(9)))
    c.save(); c.scale(595 / 1240, 842 / 1754); c.set_source_surface(img, 0, 0); c.paint(); c.restore()
    c.show_page()
s.finish()
PY
measure() {  # label, command...
  local label=$1; shift
  local log="$WORK/time.log"
  /usr/bin/time -f '%e %M' -o "$log" "$@" >/dev/null 2>&1 || echo "$label: exit status $?" >&2
  read -r secs kb < "$log"
  printf '%-34s %8.2f s %8.1f MB\n' "$label" "$secs" "$(echo "$kb / 1024" | bc -l)"
}
for f in text scanned; do
  pdf="$WORK/$f.pdf"
  mkdir -p "$WORK/$f-ours" "$WORK/$f-pdf" "$WORK/$f-mutool" "$WORK/$f-poppler"
  measure "$f: fotarel-convert -> PNG" "$BIN" --to .png --out "$WORK/$f-ours" "$pdf"
  measure "$f: mutool draw -r 96 -> PNG" mutool draw -q -r 96 -o "$WORK/$f-mutool/p%d.png" "$pdf"
  measure "$f: pdftoppm -r 96 -png" pdftoppm -r 96 -png "$pdf" "$WORK/$f-poppler/p"
  measure "$f: fotarel-convert -> PDF" "$BIN" --to .pdf --out "$WORK/$f-pdf" "$pdf"
done
