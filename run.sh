#!/usr/bin/env bash
# Installs what is missing, makes a Release build and runs the converter.
# Arguments are passed to the command-line driver when it exists.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
vn_install_packages

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)"

if [ -x "$build/app/fotarel" ] && [ $# -eq 0 ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$build/app/fotarel"
elif [ -x "$build/tools/fotarel-convert" ]; then
  exec "$build/tools/fotarel-convert" "${@:---help}"
else
  echo "Built libraries:"
  find "$build" -name 'libvn_*.a' -printf '  %f\n' | sort
fi
