# Set-up shared by the POP3 benchmarks' run scripts, sourced from the
# repository root with the targets to build:
#   . bench/pop3_bench_setup.sh cvpopd32 pop3_load
# Installs Dovecot's POP3 server when it is missing (needs root), configures
# the build directory when there is none and builds the targets. Leaves the
# build directory in $build.
if ! command -v dovecot >/dev/null || ! dpkg-query -W -f='${Status}' dovecot-pop3d 2>/dev/null | grep -q "install ok installed"; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends dovecot-pop3d
fi
build=${TELLMAR_BUILD_DIR:-build}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
fi
cmake --build "$build" --target "$@"
