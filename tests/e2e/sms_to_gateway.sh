#!/usr/bin/env bash
# tests/e2e/sms_to_gateway.sh ROOT SEND_EXE GATEWAY [--show]: a prefix set up like a user's PC,
# a real SMTP server, an SMS job sent from Windows code under wine64, and the reference gateway
# decoding what the server stored. Fails unless every SMS arrives verified with its text.
set -euo pipefail
root=$1
send=$2
gateway=$3
show=${4:-}
[ -x "$gateway" ] || { echo "native gateway not built: $gateway"; exit 77; }
say() { [ -n "$show" ] && echo "$@"; return 0; }

work=$(mktemp -d)
server_pid=
cleanup() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
/usr/bin/python3 -m aiosmtpd -n -l "127.0.0.1:$port" -c aiosmtpd.handlers.Mailbox "$work/maildir" &
server_pid=$!
for _ in $(seq 1 50); do
  /usr/bin/python3 -c "import socket; socket.create_connection(('127.0.0.1',$port),1)" 2>/dev/null && break
  sleep 0.1
done

"$gateway" keygen >"$work/account.key"
prefix=${BREVOLT_E2E_PREFIX:-$root/build/win64/e2e-prefix}
"$root/scripts/prefix" "$prefix" "$work/account.key" "localhost:$port"
say "-- prefix $prefix: sender Ann Example <ann@example.org>, Outlook account sending through localhost:$port"

if [ -n "${BREVOLT_SMS_TO:-}" ]; then
  # One job as asked: numbers separated by ";".
  IFS=';' read -r -a numbers <<<"$BREVOLT_SMS_TO"
  say "-- sending \"$BREVOLT_SMS_TEXT\" to ${numbers[*]} from Windows code under wine64:"
  BREVOLT_WINEPREFIX="$prefix" "$root/cmake/wine-run" "$send" "$BREVOLT_SMS_TEXT" "${numbers[@]}" | tr -d '\r' | tee "$work/send.out"
  grep -q 'result 2 (Send Success)' "$work/send.out"
  say "-- what the SMTP server stored, as the reference gateway decodes it:"
  "$gateway" decode --key "$work/account.key" --maildir "$work/maildir"
  [ -z "${BREVOLT_KEEP_MAILDIR:-}" ] || { rm -rf "$BREVOLT_KEEP_MAILDIR"; cp -r "$work/maildir" "$BREVOLT_KEEP_MAILDIR"; }
  exit 0
fi

say "-- sending \"See you at 8 - Ann\" to 082 555 0001 and +27 82 555 0002 from Windows code under wine64:"
BREVOLT_WINEPREFIX="$prefix" "$root/cmake/wine-run" "$send" "See you at 8 - Ann" "082 555 0001" "+27 82 555 0002" | tr -d '\r' | tee "$work/send.out"
grep -q 'result 2 (Send Success)' "$work/send.out"

say "-- a bulk job to three numbers:"
BREVOLT_WINEPREFIX="$prefix" "$root/cmake/wine-run" "$send" --bulk "Sale ends today" 0825550003 0825550004 0825550005 | tr -d '\r' | tee -a "$work/send.out"

say "-- what the SMTP server stored, as the reference gateway decodes it:"
"$gateway" decode --key "$work/account.key" --maildir "$work/maildir" | tee "$work/decoded.json"
[ "$(grep -c '"verified":true' "$work/decoded.json")" -eq 5 ] || { echo "FAIL: expected 5 verified SMS"; exit 1; }
grep -q '"mailbox":"sms@brevolt.example","mobile":"082 555 0001"' "$work/decoded.json"
grep -q '"text":"See you at 8 - Ann"' "$work/decoded.json"
[ "$(grep -c '"bulk":true' "$work/decoded.json")" -eq 3 ]
[ -z "${BREVOLT_KEEP_MAILDIR:-}" ] || { rm -rf "$BREVOLT_KEEP_MAILDIR"; cp -r "$work/maildir" "$BREVOLT_KEEP_MAILDIR"; }
echo "e2e: 5 SMS sent from wine64 over SMTP and decoded by the gateway"
