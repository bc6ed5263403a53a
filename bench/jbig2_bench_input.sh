#!/usr/bin/env bash
# Extracts the largest JBIG2 image of the corpus (by pixels: the 2480 x 3507
# page of pdfjs_issue3371.pdf, object 13, a 300-dpi A4 scan coded as a
# symbol dictionary and a text region; encrypted, so qpdf needs the user
# password) as an embedded JBIG2 stream, for jbig2_bench. Writes
# bench/data/jbig2-largest.jb2 (or the path given).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
corpus="${VN_CORPUS_DIR:-$here/../../shared/corpus}/pdf"
out="${1:-$here/data/jbig2-largest.jb2}"
mkdir -p "$(dirname "$out")"
qpdf --password=ELXRTQWS --show-object=13 --raw-stream-data "$corpus/pdfjs_issue3371.pdf" > "$out"
echo "$out: $(stat -c %s "$out") bytes"
