#!/usr/bin/env bash
# Installs everything the build, the demo and the tests need, from Debian's
# packages. Safe to run again; does nothing when all is present. Waits for
# the package lock, so that it can run beside another install.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libboost-dev nlohmann-json3-dev libssl-dev openssl
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  python3 python3-pytest
  libcairo2-dev libcups2-dev cups poppler-utils fonts-dejavu-core
  fonts-liberation2
  curl fetchmail mpop
  tzdata
  chromium
  postfix systemd dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # The tests run Postfix instances of their own; the system's stays unset.
  echo "postfix postfix/main_mailer_type select No configuration" | debconf-set-selections
  apt-get -o DPkg::Lock::Timeout=600 update -qq
  apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
fi

# The browser tests drive Debian's Chromium with Playwright from npm; Node.js
# comes from Debian unless the machine has one already.
if ! command -v npm >/dev/null 2>&1; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get -o DPkg::Lock::Timeout=600 update -qq
  apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends nodejs npm
fi
here="$(cd "$(dirname "$0")/.." && pwd)"
if [ ! -d "$here/tests/browser/node_modules/playwright-core" ]; then
  (cd "$here/tests/browser" && npm ci --no-audit --no-fund --loglevel=error)
fi
