#!/usr/bin/env bash
# Installs what is needed, builds, lays out a demo server directory and runs
# the programs on it, with the browser desktop to see and drive them.
# Stop with Ctrl+C.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh

top=$PWD
demo=${DEMO_DIR:-$top/build/demo-server}
desk_port=${DEMO_DESK_PORT:-8110}
pop3_port=${DEMO_POP3_PORT:-1110}
export DEMO_POP3_PORT=$pop3_port DEMO_REMOTE_PASSWORD=${DEMO_REMOTE_PASSWORD:-remote-secret}

# A port another program holds would leave the demo without its desktop or
# its POP3 server: stop before starting anything, and say what to change.
port_taken() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
for pair in "DEMO_DESK_PORT:$desk_port" "DEMO_POP3_PORT:$pop3_port"; do
  name=${pair%%:*} port=${pair#*:}
  if port_taken "$port"; then
    echo "demo: port $port is taken by another program. Stop it, or choose another port: $name=PORT bash scripts/demo.sh" >&2
    exit 1
  fi
done
bash scripts/make-demo-server.sh "$demo"
echo "Demo server directory: $demo"

# The demo's own desktop, so that it meets no other programs of this user.
export TELLMAR_DESKTOP=${TELLMAR_DESKTOP:-$top/build/demo-desktop}
export TELLMAR_OPERATOR=interactive
export TELLMAR_PHONEBOOK=${TELLMAR_PHONEBOOK:-$demo/phonebook.ini}
mkdir -p "$TELLMAR_DESKTOP" && chmod 700 "$TELLMAR_DESKTOP"

pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null' EXIT INT TERM
start() {  # program [args...]: started in the server directory when built
  [ -x "$top/build/bin/$1" ] || return 0
  (cd "$demo" && exec "$top/build/bin/$@") &
  pids+=($!)
}

echo "POP3 server on port $pop3_port: users ROOT (password 'postmaster') and ANNA (password 'anna-secret')."
echo "Remote Configuration Utility: location $demo, remote-access password '$DEMO_REMOTE_PASSWORD'."
start cvpopd32
start Dialwick
start tmadmin32
# The same program under another name is the Remote Configuration Utility.
ln -sf tmadmin32 "$top/build/bin/tmremote"
mkdir -p "$top/build/demo-rcu"
if [ -x "$top/build/bin/tmadmin32" ]; then (cd "$top/build/demo-rcu" && exec "$top/build/bin/tmremote") & pids+=($!); fi
"$top/build/bin/tmdesk" --port "$desk_port" --server "$demo" &
pids+=($!)
echo "tmdesk prints the browser desktop's address with its access token; open it to see and drive the programs."
wait
