#!/usr/bin/env bash
# Builds and runs the mail window benchmark in the build the programs ship
# from (build/), and prints its table of ratios.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TELLMAR_BUILD_DIR:-build}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
fi
cmake --build "$build" --target mail_window_bench >/dev/null
"$build/bench/mail_window_bench"
