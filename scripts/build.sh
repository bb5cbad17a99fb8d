#!/usr/bin/env bash
# Configures (once) and builds everything into build/ (or $BUILD_DIR).
# Arguments are CMake settings for the configure step, e.g. -DTELLMAR_WERROR=ON;
# given to a build directory configured before, they change its settings.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${BUILD_DIR:-build}"
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@"
elif [ $# -gt 0 ]; then
  cmake -S . -B "$dir" "$@"
fi
cmake --build "$dir" -j "$(nproc)"
