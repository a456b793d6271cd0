#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it from data/, where it
# finds "snow.bmp" and "texturen/female.iv".
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build/release}"

bash "$root/tools/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DFROSTFELD_BUILD_TESTS=OFF
cmake --build "$build" -j "$(nproc)" --target frostfeld

cd "$root/data"
exec "$build/shell/frostfeld" "$@"
