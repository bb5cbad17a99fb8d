#!/usr/bin/env bash
# Measures the cross-process window-message channel against a Unix-socket
# echo in the same run, and the memory of 1,000 hidden windows.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target channel_bench
exec build/bench/channel_bench
