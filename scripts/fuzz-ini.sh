#!/usr/bin/env bash
# Fuzzes the settings-file parser and editor with libFuzzer for a bounded
# time (default 60 s). Usage: scripts/fuzz-ini.sh [SECONDS] [libFuzzer flags]
# Findings are written to build-fuzz/ (crash-*, leak-*); the corpus grows in
# build-fuzz/ini-corpus and is reused by the next run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
out=build-fuzz
mkdir -p "$out/ini-corpus"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I. tests/fuzz/ini_document_fuzz.cpp common/ini_document.cpp -o "$out/ini_document_fuzz"
cd "$out"
exec ./ini_document_fuzz -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
  -print_final_stats=1 "$@" ini-corpus ../tests/fuzz/ini_corpus
