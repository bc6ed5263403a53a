# Shared by the road benchmarks that set fotarel-convert beside LibreOffice
# on one input: sourced after WORK (a scratch folder) and RUNS are set.

# measure NAME PDF COMMAND...: the best wall seconds of RUNS runs, the
# largest peak KiB, and the PDF's page count, on one line. The command runs
# once first to warm up (LibreOffice makes its profile then); each run's PDF
# must pass qpdf --check.
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

# compare INPUT OURS_DIR LO_DIR: measures fotarel-convert ($CONVERT) and
# LibreOffice on INPUT and prints the table and the ratios.
compare() {
  local input=$1 stem
  stem=$(basename "${input%.*}")
  local ours_s ours_kb ours_pages lo_s lo_kb lo_pages
  read -r ours_s ours_kb ours_pages < <(measure fotarel "$WORK/ours/$stem.pdf" "$CONVERT" --out "$WORK/ours" "$input")
  read -r lo_s lo_kb lo_pages < <(measure soffice "$WORK/lo/$stem.pdf" \
    soffice -env:UserInstallation=file://"$WORK/profile" --headless --convert-to pdf --outdir "$WORK/lo" "$input")
  printf '%-16s %10s %12s %6s\n' "converter" "seconds" "peak MiB" "pages"
  awk -v os="$ours_s" -v ok="$ours_kb" -v op="$ours_pages" -v ls="$lo_s" -v lk="$lo_kb" -v lp="$lo_pages" 'BEGIN {
    printf "%-16s %10.2f %12.1f %6s\n", "fotarel-convert", os, ok / 1024, op
    printf "%-16s %10.2f %12.1f %6s\n", "LibreOffice", ls, lk / 1024, lp
    printf "LibreOffice / fotarel-convert: time x%.1f, memory x%.1f\n", ls / os, lk / ok
  }'
}
