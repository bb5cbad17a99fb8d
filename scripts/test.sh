#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the unit tests (CTest),
# the tests that run the programs with real clients (pytest) and the browser
# tests of the desktop page (node's test runner with Playwright).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh

status=0
(cd build && ctest --output-on-failure -j "$(nproc)") || status=1

# Debian's python3 carries pytest; a python3 earlier on PATH may not.
# pytest says 5 when it collected nothing; that is not a failure of ours.
rc=0; /usr/bin/python3 -m pytest -q tests/integration || rc=$?
[ $rc -eq 0 ] || [ $rc -eq 5 ] || status=1
# The browser desktop, in Debian's Chromium driven by Playwright.
(cd tests/browser && node --test) || status=1

# Every parser fuzzed briefly under the sanitizers (the seeds are replayed by
# CTest above). TELLMAR_FUZZ_SECONDS per target; 0 skips it.
fuzz_seconds=${TELLMAR_FUZZ_SECONDS:-30}
if [ "$fuzz_seconds" -gt 0 ]; then
  bash scripts/fuzz.sh "$fuzz_seconds" || status=1
fi
exit $status
