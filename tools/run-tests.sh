#!/usr/bin/env bash
# Installs what is missing, builds everything in Debug (assertions on) and runs
# the whole test suite. Tests that draw get a virtual X display when there is
# none. Exits non-zero on any failure.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build/debug}"

bash "$root/tools/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug ${CMAKE_ARGS:-}
cmake --build "$build" -j "$(nproc)"

cd "$build"
if [[ -z "${DISPLAY:-}" ]]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j "$(nproc)"
fi
exec ctest --output-on-failure -j "$(nproc)"
