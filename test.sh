#!/usr/bin/env bash
# Installs what is missing, checks the layering of the libraries, builds with
# AddressSanitizer and UndefinedBehaviorSanitizer, and runs every test (unit
# tests and fuzz-seed replays) through ctest.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
vn_install_packages

# The libraries keep to their layers (scripts/layers.txt) before anything
# is built.
python3 scripts/check_layers.py

# clang compiles the sanitized build in half the time GCC takes; the
# folder is named for it so a tree configured with another compiler is left
# alone.
build=build/asan-clang
jobs=$(nproc)
# ccache keys objects on paths relative to the project, so another clone on
# the same machine reuses them (the precompiled header needs the sloppiness).
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
export CCACHE_SLOPPINESS="${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}"
# With ccache, objects must not name the clone's folder: source paths are
# recorded relative to it (GoogleTest's assertions keep __FILE__, which a
# unity batch gives as an absolute path), and the tests compile without the
# precompiled header, which is made per clone and names its folder. A test
# object then comes from the cache in every later clone on the machine.
debug_flags="-O1"
pch=()
if command -v ccache >/dev/null; then
  debug_flags="-O1 -ffile-prefix-map=$PWD/="
  pch=(-DCMAKE_DISABLE_PRECOMPILE_HEADERS=ON)
fi
# Warnings are errors; libraries and tests compile in unity batches; the
# sanitized libraries build at -O1 with line tables (see cmake/vn.cmake).
cmake -S . -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Debug -DVN_SANITIZE=ON -DVN_UNITY_BUILD=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
  -DCMAKE_CXX_FLAGS_DEBUG="$debug_flags" -DCMAKE_C_FLAGS_DEBUG="$debug_flags" "${pch[@]}" >/dev/null
cmake --build "$build" -j "$jobs"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j "$jobs"
