#!/usr/bin/env bash
# Shows page 1 of each input in the viewer's test host on a virtual X server
# (Xvfb), saves a picture of the window, and compares the page area of the
# picture with the converter's PNG of the same page, scaled to the shown
# size (ImageMagick's RMSE, 0 = equal, 1 = opposite).
#
# Usage: tools/fotarel_view_screenshot.sh BUILD_DIR OUT_DIR INPUT...
#   BUILD_DIR  a build with tools/fotarel-view and tools/fotarel-convert
#   OUT_DIR    where the pictures go: NAME.view.png (the window),
#              NAME.page.png (its page area), NAME.convert.png (the
#              converter's page, scaled and cut to the same area)
# Needs xvfb-run (packages xvfb, xauth), ImageMagick and /usr/bin/python3
# with PIL (for finding the page in the picture).
set -euo pipefail
[ $# -ge 3 ] || { echo "usage: $0 BUILD_DIR OUT_DIR INPUT..." >&2; exit 2; }
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
shift 2
view=$build/tools/fotarel-view
conv=$build/tools/fotarel-convert
for tool in xvfb-run import convert compare; do
  command -v "$tool" >/dev/null || { echo "fotarel_view_screenshot: $tool is missing" >&2; exit 1; }
done
for exe in "$view" "$conv"; do
  [ -x "$exe" ] || { echo "fotarel_view_screenshot: no program at $exe" >&2; exit 1; }
done
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
width=800
height=600

for input in "$@"; do
  name=$(basename "${input%.*}")
  shot=$out/$name.view.png
  rm -f "$shot"
  # Inside the X server: start the host, wait until its window is painted
  # (a picture taken before the first paint has few colours), take it, end
  # the host.
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    "$1" --size "$2" "$3" & pid=$!
    for _ in $(seq 120); do
      sleep 0.5
      kill -0 "$pid" 2>/dev/null || break
      if import -window fotarel-view "$4" 2>/dev/null &&
         [ "$(convert "$4" -format %k info: 2>/dev/null || echo 0)" -gt 8 ]; then break; fi
      rm -f "$4"
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  ' _ "$view" "${width}x${height}" "$input" "$shot"
  [ -s "$shot" ] || { echo "$name: no picture of the viewer" >&2; continue; }

  tmp=$(mktemp -d)
  "$conv" --to .png --out "$tmp" --pages 1 "$input" >/dev/null
  page=$(ls "$tmp"/*.png | head -n 1)

  # The page's window starts after the border (6 pixels) at the top left;
  # its width ends at the first background-grey pixel of its top row. Its
  # height follows from the converter's page; the part in view is compared.
  read -r x y w h <<<"$(/usr/bin/python3 - "$shot" "$page" <<'PY'
import sys
from PIL import Image
shot = Image.open(sys.argv[1]).convert("RGB")
page = Image.open(sys.argv[2])
x = y = 6
w = x
while w < shot.width and shot.getpixel((w, y)) != (128, 128, 128):
    w += 1
w -= x
h = round(w * page.height / page.width)
print(x, y, w, min(h, shot.height - y))
PY
)"
  convert "$shot" -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.page.png"
  full=$(( $(identify -format %h "$page") * w / $(identify -format %w "$page") ))
  convert "$page" -background white -alpha remove -resize "${w}x${full}!" -crop "${w}x${h}+0+0" +repage \
    "$out/$name.convert.png"
  rmse=$(compare -metric RMSE "$out/$name.page.png" "$out/$name.convert.png" null: 2>&1 || true)
  echo "$name: page area ${w}x${h} at ${x},${y}; RMSE against the converter's page: $rmse"
  rm -rf "$tmp"
done
