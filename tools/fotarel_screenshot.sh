#!/usr/bin/env bash
# Starts the converter application on a virtual X server (Xvfb) and saves a
# picture of its window, for a look by eye.
#
# Usage: tools/fotarel_screenshot.sh [FOTAREL] [OUTPUT.png]
#   FOTAREL     the built program (default: build/release/app/fotarel)
#   OUTPUT.png  the picture to write (default: fotarel-window.png)
# Needs xvfb-run (package xvfb) and import (package imagemagick).
set -euo pipefail
cd "$(dirname "$0")/.."
exe=${1:-build/release/app/fotarel}
out=${2:-fotarel-window.png}
for tool in xvfb-run import; do
  command -v "$tool" >/dev/null || { echo "fotarel_screenshot: $tool is missing" >&2; exit 1; }
done
[ -x "$exe" ] || { echo "fotarel_screenshot: no program at $exe (build it with ./run.sh)" >&2; exit 1; }
case "$out" in /*) ;; *) out="$PWD/$out" ;; esac

# Inside the X server: start the window, wait until it is mapped and
# painted (a window taken before its first paint is one flat colour), take
# it by its caption (the whole screen when that fails), end the program.
xvfb-run -a -s "-screen 0 800x600x24" bash -c '
  "$1" & pid=$!
  for _ in $(seq 50); do
    sleep 0.2
    if import -window "Fotarel v.1.0" "$2" 2>/dev/null &&
       [ "$(convert "$2" -format %k info: 2>/dev/null || echo 0)" -gt 1 ]; then break; fi
    rm -f "$2"
  done
  [ -s "$2" ] || import -window root "$2"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
' _ "$exe" "$out"
echo "$out"
