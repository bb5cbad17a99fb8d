#!/usr/bin/env bash
# Lays out a small server directory: tmhub.ini with two users, their mailbox
# folders and a few messages, and a certificate for POP3 over TLS.
# Usage: make-demo-server.sh DIR
set -euo pipefail
tmctl="$(cd "$(dirname "$0")/.." && pwd)/build/bin/tmctl"
dir=$1
mkdir -p "$dir"/{MAILIN,PENDING,OUTGOING,ROOT,ANNA,ARCHIVE/INBOUND,ARCHIVE/OUTBOUND}
ini="$dir/tmhub.ini"

"$tmctl" ini set "$ini" popsrv port "${DEMO_POP3_PORT:-1110}"
"$tmctl" ini set "$ini" popsrv bind 0
"$tmctl" ini set "$ini" popsrv timeout 5
"$tmctl" ini set "$ini" environment RunAsService 0

# Today's mail programs: CAPA, UIDL, STLS, and POP3S on its own port, with a
# self-signed certificate made once here; clients trust demo-cert.pem by their
# own options (see the README's fetchmail and mpop examples).
"$tmctl" ini set "$ini" popsrv ModernClients 1
"$tmctl" ini set "$ini" popsrv SecurePort "${DEMO_POP3S_PORT:-1995}"
if [ ! -f "$dir/demo-cert.pem" ] || [ ! -f "$dir/demo-key.pem" ]; then
  (umask 077 && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 825 \
    -subj "/CN=localhost" -addext "subjectAltName=DNS:localhost,DNS:$(hostname),IP:127.0.0.1" \
    -keyout "$dir/demo-key.pem" -out "$dir/demo-cert.pem" 2>/dev/null)
  chmod 644 "$dir/demo-cert.pem"
fi
"$tmctl" ini set "$ini" popsrv CertFile demo-cert.pem
"$tmctl" ini set "$ini" popsrv KeyFile demo-key.pem
add_user() {  # index realname mailbox password
  "$tmctl" ini set "$ini" "USER$1" realname "$2"
  "$tmctl" ini set "$ini" "USER$1" ID "$(echo "$3" | tr A-Z a-z)@example.com"
  "$tmctl" ini set "$ini" "USER$1" DIR "$3"
  "$tmctl" ini set "$ini" "USER$1" pw "$("$tmctl" scramble "$3" "$4")"
  "$tmctl" ini set "$ini" "USER$1" UserActive 1
}
add_user 0 "(System Postmaster)" ROOT postmaster
add_user 1 "Anna Example" ANNA anna-secret

if ! ls "$dir/ANNA"/*.txt >/dev/null 2>&1; then
  printf 'From: root@example.com\nTo: anna@example.com\nSubject: Welcome\n\nHello Anna,\n.this line starts with a dot\nBye.\n' |
    "$tmctl" deliver "$dir" ANNA --from '<root@example.com>' --to '<anna@example.com>' >/dev/null
  printf 'From: bob@example.org\nTo: anna@example.com\nSubject: Lunch\n\nLunch at noon?\n' |
    "$tmctl" deliver "$dir" ANNA --from '<bob@example.org>' --to '<anna@example.com>' >/dev/null
fi

# The Remote Configuration Utility's password for this server directory
# (the demo prints it).
"$tmctl" ini set "$ini" Environment serverpw "$("$tmctl" scramble KQZVRLM "${DEMO_REMOTE_PASSWORD:-remote-secret}")"

# Dial-up entries for the simulated modem (the demo points TELLMAR_PHONEBOOK here).
pb="$dir/phonebook.ini"
if [ ! -f "$pb" ]; then
  "$tmctl" ini set "$pb" "Example ISP" Number "555-0100"
  "$tmctl" ini set "$pb" "Example ISP" User "office"
  "$tmctl" ini set "$pb" "Example ISP" Password "dialup"
  "$tmctl" ini set "$pb" "Example ISP" StepMs 400
  "$tmctl" ini set "$pb" "Busy Line" Number "555-0199"
  "$tmctl" ini set "$pb" "Busy Line" Result 676
  "$tmctl" ini set "$pb" "Busy Line" StepMs 400
fi
