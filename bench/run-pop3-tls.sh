#!/usr/bin/env bash
# Runs cvpopd32 and Dovecot's POP3 server over TLS (POP3S, one certificate
# made for the run; a private configuration on loopback, started and stopped
# by the benchmark) on the same generated mailboxes, alternating, and prints
# the ratios. Needs root (Dovecot's private instance drops to its own users)
# and a few GB of free memory.
# Usage: bench/run-pop3-tls.sh        (TELLMAR_BENCH_QUICK=1 for a small run)
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/pop3_bench_setup.sh cvpopd32
TELLMAR_BUILD_DIR="$PWD/$build" /usr/bin/python3 bench/pop3_tls_bench.py
