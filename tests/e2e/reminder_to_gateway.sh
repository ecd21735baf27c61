#!/usr/bin/env bash
# tests/e2e/reminder_to_gateway.sh ROOT BREVOLT_REMIND CORVANE_DIR GATEWAY [--show]: the reminder
# monitor on a PC whose Outlook MAPI is the stand-in: the store holds a daily appointment of an SMS
# form class whose reminder falls due within the monitor's first cycle; the monitor sends one bulk
# job through Outlook's Outbox, the spooler sends it to the real SMTP server, and the reference
# gateway must decode one SMS to the user's own mobile with the exact reminder text.
set -euo pipefail
root=$1
remind=$2
corvane_dir=$3
gateway=$4
show=${5:-}
. "$root/tests/e2e/gateway_env.sh"
prefix=${BREVOLT_E2E_PREFIX:-$root/build/win64/e2e-reminder-prefix}
export BREVOLT_MAPI_SPOOL_DELAY_MS=600000
"$root/scripts/prefix" "$prefix" "$work/account.key" "localhost:$port" "$corvane_dir"
# Seeded once the prefix is ready, so the reminder is still ahead when the monitor starts.
/usr/bin/python3 "$root/tests/e2e/reminder_seed_now.py" "$prefix.mapi-store.json" "$work/text.txt"
wine() { BREVOLT_WINEPREFIX="$prefix" "$root/cmake/wine-run" "$@"; }
say "-- the monitor runs until the SMTP server has the job (at most two minutes)"
stop="$work/stop"
wine "$remind" 150 "Z:${stop//\//\\}" >"$work/remind.out" 2>&1 &
driver=$!
deadline=$((SECONDS + 150))
while [ "$SECONDS" -lt "$deadline" ] && [ -z "$(ls -A "$work/maildir/new" 2>/dev/null)" ]; do
  kill -0 "$driver" 2>/dev/null || break
  sleep 0.2
done
touch "$stop"
rc=0
wait "$driver" || rc=$?
tr -d '\r' <"$work/remind.out"
[ "$rc" -eq 0 ] || { echo "FAIL: brevolt-remind exited $rc"; exit 1; }
"$gateway" decode --key "$work/account.key" --maildir "$work/maildir" >"$work/decoded.json"
[ -n "$show" ] && cat "$work/decoded.json"
/usr/bin/python3 - "$work/decoded.json" "$work/text.txt" <<'PY'
import json, sys
lines = [json.loads(l) for l in open(sys.argv[1]) if l.strip()]
text = open(sys.argv[2]).read()
problems = []
if len(lines) != 1:
    problems.append("expected one SMS, the gateway decoded %d" % len(lines))
for sms in lines:
    if sms.get("text") != text:
        problems.append("text %r, expected %r" % (sms.get("text"), text))
    # The user's mobile as the settings give it: "+", the country code and the number.
    if str(sms.get("mobile")).replace(" ", "") != "+27825551234":
        problems.append("mobile %r, expected the user's +27 825551234" % sms.get("mobile"))
    if sms.get("options") != 0x1C000 or not sms.get("bulk"):
        problems.append("a bulk job with options 0x1C000 expected: %r %r" % (sms.get("bulk"), sms.get("options")))
for p in problems:
    print("FAIL:", p)
sys.exit(1 if problems else 0)
PY
say "-- the gateway decoded the reminder: $(tr '\n' '|' <"$work/text.txt")"
