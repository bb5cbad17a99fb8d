#!/usr/bin/env bash
# How late a client's result words come after the simulated modem's state
# changes fall due (budget: 50 ms for the first word).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target Dialwick bench_dialwick
exec build/bin/bench_dialwick "$PWD/build/bin/Dialwick"
