#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the unit tests (CTest),
# the tests that run the programs with real clients (pytest) and the browser
# tests of the desktop page (node's test runner with Playwright). Then the
# unit and integration tests once more, built with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/ (TELLMAR_SKIP_SANITIZE=1 skips
# that round). This is what CI runs; here warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh -DTELLMAR_WERROR=ON

status=0
(cd build && ctest --output-on-failure -j "$(nproc)") || status=1

# Debian's python3 carries pytest; a python3 earlier on PATH may not.
# pytest says 5 when it collected nothing; that is not a failure of ours.
run_integration() {
  local rc=0
  /usr/bin/python3 -m pytest -q tests/integration "$@" || rc=$?
  [ $rc -eq 0 ] || [ $rc -eq 5 ]
}
run_integration || status=1
# The browser desktop, in Debian's Chromium driven by Playwright.
(cd tests/browser && node --test) || status=1

if [ "${TELLMAR_SKIP_SANITIZE:-0}" != 1 ]; then
  # The first fault ends the program with a report; a leak at exit counts.
  export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=0
  export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
  export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0"
  BUILD_DIR=build-asan BUILD_TYPE=Debug bash scripts/build.sh -DTELLMAR_SANITIZE=ON -DTELLMAR_WERROR=ON
  (cd build-asan && ctest --output-on-failure -j "$(nproc)") || status=1
  # The harnesses take the programs from TELLMAR_BUILD_DIR.
  TELLMAR_BUILD_DIR="$PWD/build-asan" run_integration || status=1
fi

# Every parser fuzzed briefly under the sanitizers (the seeds are replayed by
# CTest above). TELLMAR_FUZZ_SECONDS per target; 0 skips it.
fuzz_seconds=${TELLMAR_FUZZ_SECONDS:-30}
if [ "$fuzz_seconds" -gt 0 ]; then
  bash scripts/fuzz.sh "$fuzz_seconds" || status=1
fi
exit $status
