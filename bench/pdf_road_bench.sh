#!/usr/bin/env bash
# Pictures into one PDF: fotarel-convert against img2pdf on the same files.
#
# Makes 20 A4 photographs at 300 dpi (JPEG, 2480 x 3508) and 20 large PNG
# pictures with ImageMagick in a temporary folder, then converts each set
# (and both together) into one merged PDF with a release build of
# fotarel-convert and with img2pdf, each under /usr/bin/time -v, and reports
# wall time, peak resident memory and the ratios. A second run with half the
# pages shows whether memory grows with the number of pages.
#
# Usage: bench/pdf_road_bench.sh [BUILD_DIR]   (default: build/bench)
# DATA=DIR keeps the pictures in DIR and reuses them in later runs (making
# them takes longer than the conversions), so runs can be repeated
# back-to-back on a busy machine and their medians compared.
# The build folder is a folder of its own: the options below (no tests, no
# application) stay in its cache, and ./run.sh's build/release must keep
# building the application.
# img2pdf is installed from Debian when missing (needs apt-get rights).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build/bench}
COUNT=${COUNT:-20}
JOBS=${JOBS:-4}

if ! command -v img2pdf >/dev/null; then
  echo "installing img2pdf" >&2
  if [ "$(id -u)" -eq 0 ]; then apt-get install -y img2pdf >/dev/null; else sudo apt-get install -y img2pdf >/dev/null; fi
fi
for tool in convert /usr/bin/time img2pdf qpdf; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

# CONVERT=PROGRAM measures that program instead (an earlier build, say).
if [ -z "${CONVERT:-}" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVN_BUILD_TESTS=OFF -DVN_BUILD_GUI=OFF >/dev/null
  cmake --build "$BUILD" -j"$JOBS" --target fotarel-convert >/dev/null
  CONVERT="$BUILD/tools/fotarel-convert"
fi

WORK=$(mktemp -d /tmp/vn_pdf_bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
PICTURES=${DATA:-$WORK}
mkdir -p "$PICTURES/jpg" "$PICTURES/png"
[ "$PICTURES" = "$WORK" ] || { ln -s "$PICTURES/jpg" "$WORK/jpg"; ln -s "$PICTURES/png" "$WORK/png"; }

echo "making $COUNT photographs and $COUNT PNG pictures in $PICTURES" >&2
for i in $(seq -w 1 "$COUNT"); do
  [ -s "$PICTURES/png/picture$i.png" ] && continue
  # A photograph: a fractal landscape at a quarter size, enlarged, with
  # sensor noise, at camera quality.
  convert -seed "$((10#$i))" -size 620x877 plasma:fractal -resize 2480x3508\! \
    -attenuate 0.4 +noise Gaussian -density 300 -units PixelsPerInch -quality 90 "$WORK/jpg/photo$i.jpg"
  # A large drawing-like picture: smooth areas, shapes and text.
  convert -seed "$((10#$i + 100))" -size 600x450 plasma:fractal -resize 2400x1800\! -blur 0x4 \
    -fill white -stroke black -strokewidth 6 -draw "rectangle 200,200 1200,900" \
    -draw "circle 1700,1200 1700,1500" -pointsize 120 -fill black -stroke none \
    -annotate +260+600 "Page $i" -alpha off -depth 8 "PNG24:$WORK/png/picture$i.png"
done

# measure NAME OUTPUT COMMAND...: wall seconds and peak KiB on one line.
measure() {
  local name=$1 out=$2
  shift 2
  rm -f "$out"
  /usr/bin/time -v "$@" >"$WORK/$name.out" 2>"$WORK/$name.time" || {
    cat "$WORK/$name.out" "$WORK/$name.time" >&2
    echo "$name failed" >&2
    exit 1
  }
  qpdf --check "$out" >/dev/null || { echo "$name: qpdf --check failed" >&2; exit 1; }
  local wall rss
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s}' "$WORK/$name.time")
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$WORK/$name.time")
  echo "$wall $rss $(stat -c %s "$out")"
}

run_set() {
  local label=$1 n=$2
  shift 2
  local files=()
  for dir in "$@"; do
    mapfile -t more < <(ls "$WORK/$dir"/* | head -n "$n")
    files+=("${more[@]}")
  done
  local inputs_size
  inputs_size=$(cat "${files[@]}" | wc -c)
  mkdir -p "$WORK/out"
  local last
  last=$(basename "${files[-1]}")
  read -r vt vm vs < <(measure "vn_$label" "$WORK/out/${last%.*}.pdf" "$CONVERT" --merge --out "$WORK/out" "${files[@]}")
  read -r it im is < <(measure "img2pdf_$label" "$WORK/img2pdf.pdf" img2pdf -o "$WORK/img2pdf.pdf" "${files[@]}")
  awk -v l="$label" -v n="${#files[@]}" -v ins="$inputs_size" -v vt="$vt" -v vm="$vm" -v vs="$vs" \
      -v it="$it" -v im="$im" -v is="$is" 'BEGIN {
    printf "%-16s %3d pages, inputs %7.1f MB\n", l, n, ins / 1048576
    printf "  fotarel-convert %7.2f s %8.1f MB peak  PDF %7.1f MB\n", vt, vm / 1024, vs / 1048576
    printf "  img2pdf         %7.2f s %8.1f MB peak  PDF %7.1f MB\n", it, im / 1024, is / 1048576
    printf "  ratio (fotarel-convert / img2pdf): time %.2f, memory %.2f, size %.2f\n", vt / it, vm / im, vs / is
  }'
}

echo "fotarel-convert $(git -C "$ROOT" rev-parse --short HEAD 2>/dev/null || echo '?'), img2pdf $(img2pdf --version 2>&1 | tail -1)"
run_set "jpeg" "$COUNT" jpg
run_set "jpeg-half" "$((COUNT / 2))" jpg
run_set "png" "$COUNT" png
run_set "png-half" "$((COUNT / 2))" png
run_set "jpeg+png" "$COUNT" jpg png
