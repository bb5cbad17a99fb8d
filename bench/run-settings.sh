#!/usr/bin/env bash
# Builds and runs the settings-file benchmark (a tmhub.ini with 32,000 user
# records) in the build the programs ship from (build/, RelWithDebInfo), then
# prints each measurement beside its peer from the same run.
# Usage: bench/run-settings.sh [extra benchmark flags]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TELLMAR_BUILD_DIR:-build}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
fi
cmake --build "$build" --target settings_bench
json=$(mktemp)
trap 'rm -f "$json"' EXIT
"$build/bench/settings_bench" --benchmark_format=json --benchmark_out="$json" \
  --benchmark_out_format=json "$@" >/dev/null
/usr/bin/python3 - "$json" <<'PY'
import json, sys
runs = {b["name"]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
def secs(name):
    b = runs.get(name)
    if b is None or b.get("error_occurred"):
        return None
    return b["real_time"] * scale[b["time_unit"]]
def show(t):
    if t is None: return "failed"
    for unit, f in (("s", 1), ("ms", 1e3), ("us", 1e6)):
        if t * f >= 1: return f"{t * f:.3g} {unit}"
    return f"{t * 1e9:.3g} ns"
rows = [
    ("read dir+pw, file unchanged", "BM_ReadUnchanged", "stat() of the file", "BM_StatFile", "< 1 ms"),
    ("first read after a change", "BM_ReadAfterChange", "read the file's bytes", "BM_ReadFileBytes", "tens of ms"),
    ("delete USER1, renumber", "BM_DeleteUser1/iterations:3", "write one key", "BM_WriteOneKey", "about 1 s"),
    ("POP3 check+password, 32000 users", "BM_PopLogin/32000", "same, 10 users", "BM_PopLogin/10", "ratio about 1"),
]
size = runs.get("BM_ReadFileBytes", {}).get("file_bytes")
if size:
    print(f"Settings file: 32000 user records, {size / 1e6:.1f} MB, CR LF.\n")
print(f"| measurement | time | peer | peer time | ratio | target |")
print(f"|---|---|---|---|---|---|")
for label, name, peer_label, peer, target in rows:
    t, p = secs(name), secs(peer)
    ratio = f"{t / p:.1f}x" if t and p else "-"
    print(f"| {label} | {show(t)} | {peer_label} | {show(p)} | {ratio} | {target} |")
PY
