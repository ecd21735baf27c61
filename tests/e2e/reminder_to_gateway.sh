#!/usr/bin/env bash
# tests/e2e/reminder_to_gateway.sh ROOT BREVOLT_REMIND CORVANE_DIR GATEWAY [--show]: SMS reminders on
# a PC whose Outlook MAPI is the stand-in, with Corvane's clock set by the scenario (the system clock
# is left alone). The store holds a daily appointment of an SMS form class (one occurrence deleted),
# an SMS task, a plain appointment and a far one (reminder_seed_now.py).
# 1. The monitor, its clock at 08:49:01, runs one cycle without the account key: its job cannot be
#    made, and the reminder must stay due (not marked). With the key back, the monitor at the same
#    time sends in its first cycle one bulk job through Outlook's Outbox; the spooler sends it to the
#    real SMTP server, and the reference gateway must decode one SMS to the user's own mobile with
#    the exact reminder text.
# 2. "Reminder Sync", its clock at noon, driven by window messages for the next 7 days, sends every
#    occurrence of the week and the task as one bulk job; the gateway must decode each with its
#    reminder time as delivery time, and nothing else. The dialog's picture goes to build/artifacts/.
set -euo pipefail
root=$1
remind=$2
corvane_dir=$3
gateway=$4
show=${5:-}
. "$root/tests/e2e/gateway_env.sh"
prefix=${BREVOLT_E2E_PREFIX:-$root/build/win64/e2e-reminder-prefix}
export BREVOLT_MAPI_SPOOL_DELAY_MS=600000
monitor_now=2027-03-01T08:49:01
sync_now=2027-03-01T12:00:00
"$root/scripts/prefix" "$prefix" "$work/account.key" "localhost:$port" "$corvane_dir"
/usr/bin/python3 "$root/tests/e2e/reminder_seed_now.py" "$prefix.mapi-store.json" "$work/expected.json" \
  "$monitor_now" "$sync_now"
wine() { BREVOLT_WINEPREFIX="$prefix" "$root/cmake/wine-run" "$@"; }
mails() { find "$work/maildir/new" -type f 2>/dev/null | wc -l; }

# check PHASE DECODED: the gateway's lines against what the seed expects of that phase.
check() {
  /usr/bin/python3 - "$1" "$2" "$work/expected.json" <<'PY'
import collections, json, sys
phase, decoded, expected = sys.argv[1], sys.argv[2], json.load(open(sys.argv[3]))
lines = [json.loads(l) for l in open(decoded) if l.strip()]
problems = []
want = expected[phase]
for sms in lines:
    # The user's mobile as the settings give it: "+", the country code and the number.
    if str(sms.get("mobile")).replace(" ", "") != "+27825551234":
        problems.append("mobile %r, expected the user's +27 825551234" % sms.get("mobile"))
    if sms.get("options") != 0x1C000 or not sms.get("bulk"):
        problems.append("a bulk job with options 0x1C000 expected: %r %r" % (sms.get("bulk"), sms.get("options")))
got = collections.Counter((s.get("text"), s.get("delivery_time")) for s in lines)
if phase == "monitor":
    # Sent at once: whatever the envelope proposes, the text is what counts.
    got = collections.Counter((s.get("text"), None) for s in lines)
need = collections.Counter((w["text"], w["delivery_time"]) for w in want)
for item in sorted((need - got).elements(), key=str):
    problems.append("%s: not decoded: %r at %s" % (phase, item[0], item[1]))
for item in sorted((got - need).elements(), key=str):
    problems.append("%s: not expected: %r at %s" % (phase, item[0], item[1]))
for p in problems:
    print("FAIL:", p)
sys.exit(1 if problems else 0)
PY
}

stop="$work/stop"
say "-- without the account key the monitor's job cannot leave: one cycle, nothing sent, nothing marked"
wine reg delete 'HKCU\Software\Brevolt' /v AccountKey /f >/dev/null 2>&1
touch "$stop" # the monitor stops as soon as it has started: its first cycle still runs
rc=0
wine "$remind" --now "$monitor_now" monitor 120 "Z:${stop//\//\\}" >"$work/remind.out" 2>&1 || rc=$?
tr -d '\r' <"$work/remind.out"
[ "$rc" -eq 0 ] || { echo "FAIL: brevolt-remind monitor exited $rc"; exit 1; }
rm -f "$stop"
wine regedit /S "Z:${prefix//\//\\}.brevolt.reg"
[ "$(mails)" -eq 0 ] || { echo "FAIL: a job left without the account key"; exit 1; }

say "-- the monitor at $monitor_now, the key back, runs until the SMTP server has its job"
wine "$remind" --now "$monitor_now" monitor 120 "Z:${stop//\//\\}" >"$work/remind.out" 2>&1 &
driver=$!
deadline=$((SECONDS + 120))
while [ "$SECONDS" -lt "$deadline" ] && [ "$(mails)" -lt 1 ]; do
  kill -0 "$driver" 2>/dev/null || break
  sleep 0.2
done
touch "$stop"
rc=0
wait "$driver" || rc=$?
tr -d '\r' <"$work/remind.out"
[ "$rc" -eq 0 ] || { echo "FAIL: brevolt-remind monitor exited $rc"; exit 1; }
"$gateway" decode --key "$work/account.key" --maildir "$work/maildir" >"$work/monitor.json"
[ -n "$show" ] && cat "$work/monitor.json"
check monitor "$work/monitor.json"
say "-- the gateway decoded the monitor's reminder"
# The next phase's job is decoded on its own.
mkdir -p "$work/seen"
mv "$work/maildir/new/"* "$work/seen/"

say "-- \"Reminder Sync\" at $sync_now for the next 7 days"
shot=$root/build/artifacts/reminder_sync_e2e.bmp
mkdir -p "$root/build/artifacts"
rc=0
wine "$remind" --now "$sync_now" sync 7 "Z:$shot" >"$work/sync.out" 2>&1 || rc=$?
tr -d '\r' <"$work/sync.out"
[ "$rc" -eq 0 ] || { echo "FAIL: brevolt-remind sync exited $rc"; exit 1; }
[ -s "$shot" ] && convert "$shot" "${shot%.bmp}.png"
want_end=$(/usr/bin/python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["sync_end"])' "$work/expected.json")
grep -qF "sync end: $want_end" "$work/sync.out" || { echo "FAIL: the dialog did not show the end $want_end"; exit 1; }
deadline=$((SECONDS + 60))
while [ "$SECONDS" -lt "$deadline" ] && [ "$(mails)" -lt 1 ]; do sleep 0.2; done
"$gateway" decode --key "$work/account.key" --maildir "$work/maildir" >"$work/sync.json"
[ -n "$show" ] && cat "$work/sync.json"
check sync "$work/sync.json"
say "-- the gateway decoded every reminder of the week with its delivery time"
