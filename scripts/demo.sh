#!/usr/bin/env bash
# Installs what is needed, builds, lays out a demo server directory and runs
# the programs on it. Stop with Ctrl+C.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh

demo=${DEMO_DIR:-$PWD/build/demo-server}
bash scripts/make-demo-server.sh "$demo"
echo "Demo server directory: $demo"

if [ -x build/bin/cvpopd32 ]; then
  port=$(build/bin/tmctl ini get "$demo/tmhub.ini" popsrv port 110)
  echo "POP3 server on port $port: users ROOT (password 'postmaster') and ANNA (password 'anna-secret')."
  cd "$demo" && exec "$OLDPWD/build/bin/cvpopd32"
fi
