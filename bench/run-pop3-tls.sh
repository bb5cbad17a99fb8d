#!/usr/bin/env bash
# Runs cvpopd32 and Dovecot's POP3 server over TLS (POP3S, one certificate
# made for the run; a private configuration on loopback, started and stopped
# by the benchmark) on the same generated mailboxes, alternating, and prints
# the ratios. Needs root (Dovecot's
# private instance drops to its own users) and a few GB of free memory.
# Usage: bench/run-pop3-tls.sh
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v dovecot >/dev/null || ! dpkg-query -W -f='${Status}' dovecot-pop3d 2>/dev/null | grep -q "install ok installed"; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends dovecot-pop3d
fi
build=${TELLMAR_BUILD_DIR:-build}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
fi
cmake --build "$build" --target cvpopd32
TELLMAR_BUILD_DIR="$PWD/$build" /usr/bin/python3 bench/pop3_tls_bench.py
