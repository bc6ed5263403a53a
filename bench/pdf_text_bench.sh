#!/usr/bin/env bash
# A 100-page text document into PDF: the PDF engine against LibreOffice on
# the same plain-text file (6000 lines of about 75 characters, Latin with
# a few Greek and Cyrillic words).
#
# Builds pdf_text_bench in release, writes the text file with it, then
# times `pdf_text_bench --write` and `soffice --headless --convert-to pdf`
# on that file (each under /usr/bin/time), and reports wall time, output
# size and pages of both and the ratios. LibreOffice is installed from
# Debian when missing (libreoffice-writer-nogui, needs apt-get rights).
#
# Usage: bench/pdf_text_bench.sh [BUILD_DIR]   (default: build/bench)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build/bench}
JOBS=${JOBS:-4}

if ! command -v soffice >/dev/null; then
  echo "installing LibreOffice Writer" >&2
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends libreoffice-writer-nogui >/dev/null
fi
for tool in soffice pdfinfo /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVN_BUILD_TESTS=OFF -DVN_BUILD_GUI=OFF -DVN_BUILD_BENCH=ON >/dev/null
cmake --build "$BUILD" -j"$JOBS" --target pdf_text_bench >/dev/null
BENCH="$BUILD/bench/pdf_text_bench"

WORK=$(mktemp -d /tmp/vn_text_bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
"$BENCH" --text "$WORK/text.txt"

seconds() { /usr/bin/time -f "%e" "$@" 2>&1 >/dev/null | tail -1; }

ours=$(seconds "$BENCH" --write "$WORK/text.txt" "$WORK/ours.pdf")
# A first LibreOffice start sets up its profile; the timed run is the second.
HOME="$WORK" soffice --headless --convert-to pdf --outdir "$WORK/warm" "$WORK/text.txt" >/dev/null 2>&1 || true
theirs=$(cd "$WORK" && HOME="$WORK" seconds soffice --headless --convert-to pdf --outdir "$WORK/lo" "$WORK/text.txt")

size_ours=$(stat -c %s "$WORK/ours.pdf")
size_theirs=$(stat -c %s "$WORK/lo/text.pdf")
pages_ours=$(pdfinfo "$WORK/ours.pdf" | awk '/^Pages:/ {print $2}')
pages_theirs=$(pdfinfo "$WORK/lo/text.pdf" | awk '/^Pages:/ {print $2}')
printf '%-12s %10s %12s %6s\n' "" "seconds" "bytes" "pages"
printf '%-12s %10s %12s %6s\n' "engine" "$ours" "$size_ours" "$pages_ours"
printf '%-12s %10s %12s %6s\n' "LibreOffice" "$theirs" "$size_theirs" "$pages_theirs"
awk -v a="$ours" -v b="$theirs" -v c="$size_ours" -v d="$size_theirs" \
  'BEGIN { printf "time engine/LibreOffice %.3f, size engine/LibreOffice %.3f\n", a / b, c / d }'
