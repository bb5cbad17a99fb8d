#!/usr/bin/env bash
# Measures a key-phrase scan with 14 phrases against a plain read of the
# same message, at three sizes up to 10 MB.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target key_phrase_bench
exec build/bench/key_phrase_bench
