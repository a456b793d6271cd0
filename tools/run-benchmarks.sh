#!/usr/bin/env bash
# Builds the benchmarks in Release and runs ivory_compare, which prints the
# table of Ivory against OpenCV, CImg and plain loops. Installs the Debian
# packages it needs when they are missing. Arguments go to ivory_compare
# (--quick for a short trial run, --only TEXT for some rows).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build/bench}"

bash "$root/tools/setup.sh" libopencv-dev cimg-dev

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release \
  -DFROSTFELD_BUILD_BENCHMARKS=ON -DFROSTFELD_BUILD_GAME=OFF -DFROSTFELD_BUILD_TESTS=OFF
cmake --build "$build" -j "$(nproc)" --target ivory_compare
exec "$build/bench/ivory_compare" "$@"
