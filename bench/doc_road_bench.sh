#!/usr/bin/env bash
# A Word 97-2003 document into PDF: fotarel-convert against LibreOffice on
# the same file.
#
# Makes the benchmark Word document of PAGES pages (default 100: text,
# numbered and bulleted lists, a styled table on every page, a picture on
# every other page) with make_docx_bench_document.py, has LibreOffice save
# it as a Word 97-2003 document (the pictures become inline pictures of the
# Data stream), then converts that into PDF with a release build of
# fotarel-convert and with `soffice --headless --convert-to pdf`, each once
# to warm up and then RUNS times under /usr/bin/time -v, and reports the
# best wall time, the peak resident memory, the page counts and the ratios.
#
# Usage: bench/doc_road_bench.sh [BUILD_DIR]   (default: build/bench)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build/bench}
. "$ROOT/bench/road_bench_lib.sh"

road_bench_build
WORK=$(mktemp -d /tmp/vn_doc_bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
python3 "$ROOT/bench/make_docx_bench_document.py" "$WORK/bench.docx" "$PAGES"
soffice -env:UserInstallation=file://"$WORK/profile" --headless --convert-to 'doc:MS Word 97' --outdir "$WORK" \
  "$WORK/bench.docx" >/dev/null 2>&1
[ -s "$WORK/bench.doc" ] || { echo "LibreOffice did not write bench.doc" >&2; exit 1; }
echo "bench.doc: $(stat -c %s "$WORK/bench.doc") bytes"
road_bench_compare "$WORK/bench.doc"
