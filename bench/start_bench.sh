#!/usr/bin/env bash
# Start-up of fotarel-convert: `fotarel-convert --help` and one JPEG page
# into PDF, each run RUNS times (default 21); reports the median and the
# quartiles in milliseconds. An empty program (/bin/true) run the same way
# gives the floor of starting any process on this machine, so figures from a
# busy machine can be read against it.
#
# Usage: bench/start_bench.sh [BUILD_DIR]   (default: build/bench)
# The build folder is a release build of its own, as for pdf_road_bench.sh.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build/bench}
RUNS=${RUNS:-21}
JOBS=${JOBS:-4}

command -v convert >/dev/null || { echo "missing: convert" >&2; exit 1; }

# CONVERT=PROGRAM measures that program instead (an earlier build, say).
if [ -z "${CONVERT:-}" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVN_BUILD_TESTS=OFF -DVN_BUILD_GUI=OFF >/dev/null
  cmake --build "$BUILD" -j"$JOBS" --target fotarel-convert >/dev/null
  CONVERT="$BUILD/tools/fotarel-convert"
fi

WORK=$(mktemp -d /tmp/vn_start_bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
# A small photograph: one A6 page at 150 dpi.
convert -seed 1 -size 155x219 plasma:fractal -resize 620x877\! -density 150 -units PixelsPerInch -quality 90 "$WORK/photo.jpg"

python3 - "$RUNS" "$WORK" "$CONVERT" <<'EOF'
import os, statistics, subprocess, sys, time

runs, work, convert = int(sys.argv[1]), sys.argv[2], sys.argv[3]
jobs = {
    "empty program (floor)": ["/bin/true"],
    "fotarel-convert --help": [convert, "--help"],
    "one JPEG page into PDF": [convert, "--out", os.path.join(work, "out"), os.path.join(work, "photo.jpg")],
}
for name, command in jobs.items():
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        times.append((time.perf_counter() - start) * 1000)
    q = statistics.quantiles(times, n=4)
    print(f"{name:24s} median {statistics.median(times):6.1f} ms  (quartiles {q[0]:.1f} - {q[2]:.1f}, {runs} runs)")
EOF
