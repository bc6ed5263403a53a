# What the road benchmarks share (sourced by them): building a release
# fotarel-convert, timing a converter on a document, and the closing table
# beside LibreOffice. The sourcing script sets ROOT and BUILD before
# sourcing it and WORK before calling these; PAGES, RUNS and JOBS come from
# the environment.

PAGES=${PAGES:-100}
RUNS=${RUNS:-3}
JOBS=${JOBS:-4}

# Checks the tools, builds fotarel-convert and sets CONVERT.
road_bench_build() {
  for tool in soffice /usr/bin/time qpdf pdfinfo python3 awk; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
  done
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVN_BUILD_TESTS=OFF -DVN_BUILD_GUI=OFF >/dev/null
  cmake --build "$BUILD" -j"$JOBS" --target fotarel-convert >/dev/null
  CONVERT="$BUILD/tools/fotarel-convert"
}

# measure NAME PDF COMMAND...: the best wall seconds of RUNS runs (after one
# warm-up run), the largest peak KiB, and the PDF's page count, on one line.
measure() {
  local name=$1 pdf=$2
  shift 2
  "$@" >/dev/null 2>&1  # warm-up
  local best="" peak=0
  for _ in $(seq "$RUNS"); do
    rm -f "$pdf"
    /usr/bin/time -v "$@" >"$WORK/$name.out" 2>"$WORK/$name.time" || {
      cat "$WORK/$name.out" "$WORK/$name.time" >&2
      echo "$name failed" >&2
      exit 1
    }
    qpdf --check "$pdf" >/dev/null || { echo "$name: qpdf --check failed" >&2; exit 1; }
    local wall rss
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s}' "$WORK/$name.time")
    rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$WORK/$name.time")
    if [ -z "$best" ] || awk -v a="$wall" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$wall; fi
    [ "$rss" -gt "$peak" ] && peak=$rss
  done
  echo "$best $peak $(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')"
}

# road_bench_compare DOCUMENT: converts it with fotarel-convert and with
# LibreOffice and prints the table and the ratios.
road_bench_compare() {
  local doc=$1 stem
  stem=$(basename "${doc%.*}")
  local profile="$WORK/profile"
  read -r ours_s ours_kb ours_pages < <(measure fotarel "$WORK/ours/$stem.pdf" "$CONVERT" --out "$WORK/ours" "$doc")
  read -r lo_s lo_kb lo_pages < <(measure soffice "$WORK/lo/$stem.pdf" \
    soffice -env:UserInstallation=file://"$profile" --headless --convert-to pdf --outdir "$WORK/lo" "$doc")
  printf '%-16s %10s %12s %6s\n' "converter" "seconds" "peak MiB" "pages"
  awk -v os="$ours_s" -v ok="$ours_kb" -v op="$ours_pages" -v ls="$lo_s" -v lk="$lo_kb" -v lp="$lo_pages" 'BEGIN {
    printf "%-16s %10.2f %12.1f %6s\n", "fotarel-convert", os, ok / 1024, op
    printf "%-16s %10.2f %12.1f %6s\n", "LibreOffice", ls, lk / 1024, lp
    printf "LibreOffice / fotarel-convert: time x%.1f, memory x%.1f\n", ls / os, lk / ok
  }'
}
