#!/usr/bin/env bash
# Damaged and hostile metafiles into PDF and PNG: the time each conversion
# takes with a release build of fotarel-convert, and the time pdftoppm takes
# to draw each PDF (what a reader pays for what the PDF holds).
#
# The inputs are the seeds of the metafile fuzz targets (fuzz/platform/seeds/
# emf_player_fuzz and fuzz/pdfwriter/seeds/metafile_pdf_fuzz), among them the
# inputs fuzzing found: shapes stretched far past the page under a dashed pen
# and JPEG bitmaps that are no JPEG. Every conversion is expected to finish
# within LIMIT seconds (default 1); a slower one is marked and makes the
# script exit with status 1.
#
# Usage: bench/hostile_metafiles_bench.sh [BUILD_DIR]   (default: build/bench)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build/bench}
LIMIT=${LIMIT:-1}
JOBS=${JOBS:-4}

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVN_BUILD_TESTS=OFF -DVN_BUILD_GUI=OFF >/dev/null
cmake --build "$BUILD" -j"$JOBS" --target fotarel-convert >/dev/null
CONVERT="$BUILD/tools/fotarel-convert"
HAVE_PDFTOPPM=0
command -v pdftoppm >/dev/null && HAVE_PDFTOPPM=1

WORK=$(mktemp -d /tmp/vn_hostile_bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT

# seconds COMMAND...: wall time of the command; "refused" when it failed at
# once (an input that is no metafile), "timeout" past two minutes.
seconds() {
  local start end status=0
  start=$(date +%s.%N)
  timeout 120 "$@" >"$WORK/last.out" 2>&1 || status=$?
  end=$(date +%s.%N)
  if [ "$status" = 124 ]; then echo timeout; elif [ "$status" != 0 ]; then echo refused; else printf '%.3f' "$(echo "$end - $start" | bc)"; fi
}

slow=0
printf '%-58s %8s %8s %10s\n' input "pdf s" "png s" "reader s"
for input in "$ROOT"/fuzz/platform/seeds/emf_player_fuzz/* "$ROOT"/fuzz/pdfwriter/seeds/metafile_pdf_fuzz/*; do
  name=$(basename "$input")
  stem=${name%.*}
  out="$WORK/out/$(basename "$(dirname "$input")")"
  mkdir -p "$out"
  pdf=$(seconds "$CONVERT" --to .pdf --out "$out" "$input")
  png=$(seconds "$CONVERT" --to .png --out "$out" "$input")
  reader=-
  if [ "$HAVE_PDFTOPPM" = 1 ] && [ -f "$out/$stem.pdf" ]; then
    reader=$(seconds pdftoppm -r 96 -png "$out/$stem.pdf" "$out/$stem.page")
  fi
  mark=""
  for t in "$pdf" "$png" "$reader"; do
    case $t in
      timeout) mark=" SLOW" ;;
      -|refused) ;;
      *) [ "$(echo "$t > $LIMIT" | bc)" = 1 ] && mark=" SLOW" ;;
    esac
  done
  [ -n "$mark" ] && slow=1
  printf '%-58s %8s %8s %10s%s\n' "$(basename "$(dirname "$input")")/$name" "$pdf" "$png" "$reader" "$mark"
done
exit $slow
