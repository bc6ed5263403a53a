#!/bin/bash
# Converts every PDF of the corpus to PNG (one file per page, 96 dpi) and to
# PDF with fotarel-convert, one input at a time, and reports per file: the
# exit status, the seconds taken, the pages written, qpdf --check of the PDF
# output and the worst normalised RMSE of a page against pdftoppm -r 96.
# Usage: bench/pdf_corpus_convert.sh FOTAREL_CONVERT [OUT_DIR]
set -u
BIN=${1:?path of fotarel-convert}
OUT=${2:-/tmp/pdf_corpus_convert}
HERE=$(cd "$(dirname "$0")/.." && pwd)
CORPUS=${CORPUS:-$HERE/../shared/corpus}
rm -rf "$OUT"; mkdir -p "$OUT"
printf 'file\tpng_status\tpng_seconds\tpng_pages\tpdf_status\tpdf_seconds\tqpdf\tworst_rmse\n'
# Tabs become unit separators first: read would merge the empty fields
# between tabs (white space) and shift the password column.
while IFS=$'\037' read -r file _ _ _ _ password notes _; do
  [[ $file == pdf/*.pdf ]] || continue
  name=$(basename "$file" .pdf)
  dir="$OUT/$name"; mkdir -p "$dir/png" "$dir/pdf" "$dir/ref"
  args=(); [[ -n $password ]] && args=(--password "$password")
  t0=$(date +%s.%N)
  timeout 300 "$BIN" --to .png --out "$dir/png" "${args[@]}" "$CORPUS/$file" >/dev/null 2>"$dir/png.err"; ps=$?
  t1=$(date +%s.%N)
  timeout 300 "$BIN" --to .pdf --out "$dir/pdf" "${args[@]}" "$CORPUS/$file" >/dev/null 2>"$dir/pdf.err"; ds=$?
  t2=$(date +%s.%N)
  pages=$(ls "$dir/png" | wc -l)
  check=-
  if [[ -f $dir/pdf/$name.pdf ]]; then
    if qpdf --check "$dir/pdf/$name.pdf" >/dev/null 2>&1; then check=ok; else check=fail; fi
  fi
  worst=-
  if (( pages > 0 )); then
    pw=(); [[ -n $password ]] && pw=(-upw "$password")
    pdftoppm -r 96 -cropbox -png "${pw[@]}" "$CORPUS/$file" "$dir/ref/p" 2>/dev/null
    # Page order by number: ours are p_1 .. p_10, pdftoppm's zero-padded.
    mapfile -t refs < <(ls -v "$dir"/ref/*.png); mapfile -t outs < <(ls -v "$dir"/png/*.png)
    if (( ${#refs[@]} == ${#outs[@]} )); then
      worst=0
      for i in "${!refs[@]}"; do
        # pdftoppm rounds a page's pixel size up, the converter to nearest:
        # both are cut to the common size, flattened onto white.
        read -r w h < <(identify -format '%w %h\n' "${outs[$i]}" "${refs[$i]}" |
          awk 'NR == 1 {w = $1; h = $2} NR == 2 {print (w < $1 ? w : $1), (h < $2 ? h : $2)}')
        convert "${outs[$i]}" -background white -flatten -crop "${w}x${h}+0+0" +repage "$dir/ref/a.png"
        convert "${refs[$i]}" -background white -flatten -crop "${w}x${h}+0+0" +repage "$dir/ref/b.png"
        r=$(compare -metric RMSE "$dir/ref/a.png" "$dir/ref/b.png" null: 2>&1 | sed -n 's/.*(\(.*\))/\1/p')
        [[ -z $r ]] && r=1
        worst=$(echo "$r $worst" | awk '{print ($1 > $2) ? $1 : $2}')
      done
    else
      worst="pages:${#outs[@]}/${#refs[@]}"
    fi
  fi
  printf '%s\t%d\t%.1f\t%d\t%d\t%.1f\t%s\t%s\n' "$name" "$ps" "$(echo "$t1 - $t0" | bc)" "$pages" "$ds" \
    "$(echo "$t2 - $t1" | bc)" "$check" "$worst"
  rm -rf "$dir/ref"
done < <(tr '\t' '\037' < "$CORPUS/MANIFEST.tsv")
