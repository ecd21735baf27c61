#!/usr/bin/env bash
# tests/e2e/sms_to_gateway.sh ROOT BREVOLT_SEND CORVANE_DIR GATEWAY [--show]: a prefix set up like a
# user's PC (the product installed from the win64 build's package; CORVANE_DIR is the build's
# folder it was packaged from), a real SMTP server, SMS jobs sent by
# brevolt-send through Corvane's exports under wine64, and the reference gateway decoding what the
# server stored. Fails unless every SMS arrives verified with its mobile, text, parts and options.
set -euo pipefail
root=$1
send=$2
corvane_dir=$3
gateway=$4
show=${5:-}
. "$root/tests/e2e/gateway_env.sh"
prefix=${BREVOLT_E2E_PREFIX:-$root/build/win64/e2e-prefix}
"$root/scripts/prefix" "$prefix" "$work/account.key" "localhost:$port" "$corvane_dir"
say "-- prefix $prefix: sender Ann Example <ann@example.org>, Brevolt SMS installed from its package,"
say "   Outlook and Outlook Express accounts sending through localhost:$port"

# brevolt-send ARGS...: one job; its output is kept, its exit code returned.
run_send() {
  local rc=0
  BREVOLT_WINEPREFIX="$prefix" "$root/cmake/wine-run" "$send" "$@" >"$work/one.out" 2>"$work/one.err" || rc=$?
  tr -d '\r' <"$work/one.out" | tee -a "$work/send.out"
  tr -d '\r' <"$work/one.err" >&2
  return $rc
}
decode() {
  "$gateway" decode --key "$work/account.key" --maildir "$work/maildir"
}
keep_maildir() {
  [ -z "${BREVOLT_KEEP_MAILDIR:-}" ] || { rm -rf "$BREVOLT_KEEP_MAILDIR"; cp -r "$work/maildir" "$BREVOLT_KEEP_MAILDIR"; }
}

if [ -n "${BREVOLT_SMS_TO:-}" ]; then
  # One job as asked: numbers separated by ";".
  say "-- brevolt-send --to \"$BREVOLT_SMS_TO\" --text \"$BREVOLT_SMS_TEXT\" (Windows, under wine64):"
  rc=0
  run_send --to "$BREVOLT_SMS_TO" --text "$BREVOLT_SMS_TEXT" || rc=$?
  [ "$rc" -eq 2 ] || { echo "FAIL: brevolt-send exited $rc"; exit 1; }
  say "-- what the SMTP server stored, as the reference gateway decodes it:"
  decode | tee "$work/decoded.json"
  keep_maildir
  /usr/bin/python3 "$root/tests/e2e/sms_check.py" check "$work/decoded.json" "$BREVOLT_SMS_TEXT" "$BREVOLT_SMS_TO" \
    "${BREVOLT_USER_COUNTRY:-27}"
  exit 0
fi

expect_exit() {
  local want=$1
  shift
  local rc=0
  run_send "$@" || rc=$?
  [ "$rc" -eq "$want" ] || { echo "FAIL: brevolt-send $* exited $rc, expected $want"; exit 1; }
}

say "-- a single job to a typed number and a named contact, options 0xA00 (package 0, Outlook's account):"
expect_exit 2 --to "082 555 0001;Bob Smith <+27 82 555 0002>" --text "See you at 8 - Ann" --options 0xA00
say "-- a bulk job with two tokens: two contacts and a distribution list that repeats one of them:"
expect_exit 2 --bulk --to "Bob Smith <0825550003>;Cy Jones <0825550004>" \
  --list "Team:Dee Brown <0825550005>,Bob Smith <0825550003>" \
  --text "Hi {First Name} {Last Name}, sale ends today" --at "2027-01-15 09:30"
long=$(printf 'Long message %.0s' $(seq 1 25))
say "-- a long single job (${#long} characters) through Outlook Express's identity account (package 1):"
expect_exit 2 --package 1 --to "0825550006" --text "$long"
say "-- a job with the default mail client (package 6, the prefix names Outlook Express):"
expect_exit 2 --package 6 --to "0825550007" --text "Default client"
say "-- bad arguments are refused before anything is sent:"
expect_exit 64 --to "0825550008" --text "Hi {First Name}"
expect_exit 64 --to "0825550008" --text "x" --at "2027-02-30 10:00"

say "-- what the SMTP server stored, as the reference gateway decodes it:"
decode | tee "$work/decoded.json" | { [ -n "$show" ] && cat || cat >/dev/null; }
/usr/bin/python3 - "$work/decoded.json" "$long" <<'PY'
import json, sys


def check():
    lines = [json.loads(l) for l in open(sys.argv[1]) if l.strip()]
    long_text = sys.argv[2]
    errors = [l for l in lines if "error" in l]
    assert not errors, errors
    assert all(l["verified"] for l in lines), "an SMS failed verification"
    def by_mobile(pred):
        return {l["mobile"]: l for l in lines if pred(l)}
    single = by_mobile(lambda l: not l["bulk"] and l["text"] == "See you at 8 - Ann")
    assert len(single) == 2, single
    assert all(l["mailbox"] == "sms@brevolt.example" and l["options"] == 0xA00 and l["parts"] == 1 for l in single.values())
    bulk = [l for l in lines if l["bulk"]]
    assert len(bulk) == 3, "one SMS per distinct mobile: %r" % bulk
    texts = sorted(l["text"] for l in bulk)
    assert texts == ["Hi Bob Smith, sale ends today", "Hi Cy Jones, sale ends today", "Hi Dee Brown, sale ends today"], texts
    assert len({l["mobile"] for l in bulk}) == 3
    assert all(l["mailbox"] == "bulksms@brevolt.example" and l["delivery_time"].startswith("2027-01-15T09:30") for l in bulk), bulk
    longs = [l for l in lines if l["text"] == long_text]
    assert len(longs) == 1 and longs[0]["parts"] == 3, longs
    assert len([l for l in lines if l["text"] == "Default client"]) == 1
    assert len(lines) == 7, "exactly the seven SMS sent: %d" % len(lines)
    print("e2e: 7 SMS sent by brevolt-send through Corvane under wine64, decoded by the gateway")


try:
    check()
except (AssertionError, KeyError, ValueError) as e:
    print("FAIL: %s: %s" % (type(e).__name__, e))
    sys.exit(1)
PY
keep_maildir
