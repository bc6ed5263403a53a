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
. "$ROOT/bench/road_bench_lib.sh"

road_bench_build
WORK=$(mktemp -d /tmp/vn_docx_bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
DOC="$WORK/bench.docx"
python3 "$ROOT/bench/make_docx_bench_document.py" "$DOC" "$PAGES"
road_bench_compare "$DOC"
