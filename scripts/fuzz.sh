#!/usr/bin/env bash
# Fuzzes every parser with libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer, each target for a bounded time.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]   # default 60 s each, every target
#
# Targets: tests/fuzz/NAME_fuzz.cpp, seeded from tests/fuzz/NAME_corpus/.
# Everything is built with clang into build-fuzz/; each target's corpus grows
# in build-fuzz/NAME-corpus and is reused by the next run. A finding stops
# that target (crash-*, leak-*, timeout-* in build-fuzz/NAME/) and the script
# ends with status 1 after running the rest. Copy a finding into the seed
# corpus once it is mended, so that the normal test run replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
out=build-fuzz
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -I.)

# The sources each target is built from, besides its own file.
common_sources=(common/*.cpp)
declare -A sources=(
  [ini_document]="common/ini_document.cpp"
  [envelope]="${common_sources[*]}"
  [pop3_command]="pop3/command_line.cpp ${common_sources[*]}"
  [pop3_session]="pop3/session.cpp pop3/command_line.cpp pop3/message_stream.cpp pop3/mailbox_locks.cpp pop3/login_guard.cpp pop3/sasl_plain.cpp pop3/unique_id.cpp ${common_sources[*]}"
  [message_stream]="pop3/message_stream.cpp ${common_sources[*]}"
  [channel_frame]="platform/wire.cpp"
  [template]="platform/resource.cpp platform/menu.cpp"
  [request_text]="dialer/request_text.cpp"
)
# What the template parser's neighbours need (the window layer) comes from
# the normal build, uninstrumented: run scripts/build.sh first.
declare -A libraries=(
  [template]="build/platform/libtellmar_platform.a build/common/libtellmar_common.a -lpthread"
)

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(ini_document envelope pop3_command pop3_session message_stream channel_frame template request_text)

# One object per source, rebuilt when the source is newer.
object() {
  local src=$1 obj="$out/obj/${1%.cpp}.o"
  mkdir -p "$(dirname "$obj")"
  if [ ! -f "$obj" ] || [ "$src" -nt "$obj" ]; then
    clang++ "${flags[@]}" -c "$src" -o "$obj"
  fi
  echo "$obj"
}

status=0
for name in "${targets[@]}"; do
  [ -n "${sources[$name]+set}" ] || { echo "unknown fuzz target $name" >&2; exit 2; }
  objects=()
  for src in ${sources[$name]}; do
    [ -f "$src" ] && objects+=("$(object "$src")")
  done
  objects+=("$(object "tests/fuzz/${name}_fuzz.cpp")")
  mkdir -p "$out/$name" "$out/$name-corpus"
  # shellcheck disable=SC2086  # a list of words
  clang++ "${flags[@]}" -fsanitize=fuzzer "${objects[@]}" ${libraries[$name]:-} -o "$out/$name/$name"
  echo "== $name: $seconds s"
  if ! (cd "$out/$name" && ./"$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
          -print_final_stats=1 "../$name-corpus" "../../tests/fuzz/${name}_corpus" 2>"$name.log"); then
    echo "!! $name found a fault: see $out/$name/$name.log" >&2
    tail -30 "$out/$name/$name.log" >&2
    status=1
  else
    grep -E "^stat::number_of_executed_units|^Done" "$out/$name/$name.log" || true
  fi
done
exit $status
