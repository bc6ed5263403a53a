#!/usr/bin/env bash
# An RTF document into PDF: fotarel-convert against LibreOffice on the same
# file, in the same run.
#
# Makes a document of PAGES pages (default 100: headings after page breaks,
# text in two fonts, a bulleted list, a bordered table on every page, a PNG
# picture on every other page, a header with a page field) with
# make_rtf_bench_document.py, converts it into PDF with a release build of
# fotarel-convert and with `soffice --headless --convert-to pdf`, each once
# to warm up and then RUNS times under /usr/bin/time -v, and reports the
# best wall time, the peak resident memory, the page counts and the ratios.
#
# Usage: bench/rtf_road_bench.sh [BUILD_DIR]   (default: build/bench)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build/bench}
. "$ROOT/bench/road_bench_lib.sh"

road_bench_build
WORK=$(mktemp -d /tmp/vn_rtf_bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
DOC="$WORK/bench.rtf"
python3 "$ROOT/bench/make_rtf_bench_document.py" "$DOC" "$PAGES"
road_bench_compare "$DOC"
