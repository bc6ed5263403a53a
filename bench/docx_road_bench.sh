#!/usr/bin/env bash
# A Word document into PDF: fotarel-convert against LibreOffice on the same
# file.
#
# Makes a document of PAGES pages (default 100: text, numbered and bulleted
# lists, a styled table on every page, a picture on every other page) with
# make_docx_bench_document.py, converts it into PDF with a release build of
# fotarel-convert and with `soffice --headless --convert-to pdf`, each once
# to warm up (LibreOffice makes its profile then) and then RUNS times under
# /usr/bin/time -v, and reports the best wall time, the peak resident memory,
# the page counts and the ratios.
#
# Usage: bench/docx_road_bench.sh [BUILD_DIR]   (default: build/bench)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build/bench}
PAGES=${PAGES:-100}
RUNS=${RUNS:-3}
JOBS=${JOBS:-4}

for tool in soffice /usr/bin/time qpdf pdfinfo python3 awk; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVN_BUILD_TESTS=OFF -DVN_BUILD_GUI=OFF >/dev/null
cmake --build "$BUILD" -j"$JOBS" --target fotarel-convert >/dev/null
CONVERT="$BUILD/tools/fotarel-convert"

WORK=$(mktemp -d /tmp/vn_docx_bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
DOC="$WORK/bench.docx"
python3 "$ROOT/bench/make_docx_bench_document.py" "$DOC" "$PAGES"

# shellcheck source=road_bench_common.sh
source "$ROOT/bench/road_bench_common.sh"
compare "$DOC"
