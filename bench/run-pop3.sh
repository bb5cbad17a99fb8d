#!/usr/bin/env bash
# Runs cvpopd32 and Dovecot's POP3 server (a private configuration on
# loopback, started and stopped by the benchmark) on the same generated
# mailboxes, alternating, and against the machine's limits measured in the
# same run; prints a Markdown table. Needs root (Dovecot's private instance
# drops to its own users; 10,000 sessions need a higher descriptor limit),
# a few GB of free memory and about 1 GB of disk.
# Usage: bench/run-pop3.sh            (TELLMAR_BENCH_QUICK=1 for a small run)
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/pop3_bench_setup.sh cvpopd32 pop3_load
# Server and client each hold one descriptor per session.
ulimit -n 65536 2>/dev/null || ulimit -n "$(ulimit -Hn)"
TELLMAR_BUILD_DIR="$PWD/$build" /usr/bin/python3 bench/pop3_bench.py
