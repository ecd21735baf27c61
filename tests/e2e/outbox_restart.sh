#!/usr/bin/env bash
# tests/e2e/outbox_restart.sh ROOT BREVOLT_SEND CORVANE_DIR GATEWAY MAPISTORE: Outlook's store is
# opened again after a message was submitted and its process ended before the spooler sent it:
# the store holds that message in the Outbox, flagged submitted. The next process with Outlook as
# the host sends a job; its flush must send the earlier message too, and the Outbox ends empty.
# The spooler holds submitted mail for ten minutes, so nothing leaves but through the flush.
set -euo pipefail
root=$1
send=$2
corvane_dir=$3
gateway=$4
mapistore=$5
. "$root/tests/e2e/gateway_env.sh"
prefix=${BREVOLT_E2E_PREFIX:-$root/build/win64/e2e-outlook-prefix}
export BREVOLT_MAPI_SPOOL_DELAY_MS=600000
subject="Queued before the restart"
body="Submitted by a session that ended before the spooler sent it"
# A store as the earlier process left it: one submitted message in the Outbox. It is another
# store than the one the Outlook scenario seeds in this prefix, so it has its own uid: entry ids
# the user's settings keep from that store ("SMSFolder") must not name anything in this one.
cat >"$work/seed.json" <<SEED
{"stores": [{"name": "Personal Folders", "default": true, "uid": "B70000000000000000000000000E5747", "root": {"folders": [
 {"role": "ipm_subtree", "name": "Top of Personal Folders", "folders": [
  {"role": "outbox", "name": "Outbox", "class": "IPF.Note", "messages": [
   {"props": [{"tag": "PR_MESSAGE_CLASS", "value": "IPM.Note"}, {"tag": "PR_SUBJECT", "value": "$subject"},
     {"tag": "PR_BODY", "value": "$body"}, {"tag": "PR_MESSAGE_FLAGS", "value": 36},
     {"tag": "PR_DELETE_AFTER_SUBMIT", "value": true}, {"tag": "PR_SENDER_EMAIL_ADDRESS", "value": "ann@example.org"}],
    "recipients": [{"props": [{"tag": "PR_DISPLAY_NAME", "value": "Queued Reader"},
     {"tag": "PR_ADDRTYPE", "value": "SMTP"}, {"tag": "PR_EMAIL_ADDRESS", "value": "queued@example.org"},
     {"tag": "PR_RECIPIENT_TYPE", "value": 1}]}]}]}]}]}}]}
SEED
rm -f "$prefix.mapi-store.json"
BREVOLT_MAPI_SEED=$work/seed.json "$root/scripts/prefix" "$prefix" "$work/account.key" "localhost:$port" "$corvane_dir"
wine() { BREVOLT_WINEPREFIX="$prefix" "$root/cmake/wine-run" "$@"; }
check() { /usr/bin/python3 "$root/tests/e2e/outbox_check.py" "$@"; }

wine "$mapistore" show Outbox | tr -d '\r' >"$work/outbox-before.json"
/usr/bin/python3 - "$work/outbox-before.json" <<'PY'
import json, sys
items = [json.loads(l) for l in open(sys.argv[1]) if l.strip()]
if len(items) != 1 or not items[0]["flags"] & 0x4:
    sys.exit("FAIL: the seeded Outbox does not hold one submitted message: %r" % items)
PY

to="Ben Mokoena <082 555 0101>"
text="Sent after the restart"
rc=0
wine "$send" --package 0 --to "$to" --text "$text" >"$work/send.out" 2>&1 || rc=$?
tr -d '\r' <"$work/send.out"
[ "$rc" -eq 2 ] || { echo "FAIL: brevolt-send --package 0 exited $rc, expected 2"; exit 1; }

check mails "$work/maildir" 2 --plain "$subject" "$body"
# The queued plain message holds no job: the gateway's error line for it (its only kind of line
# naming a "source") is left out; the job's SMS must still all be there.
"$gateway" decode --key "$work/account.key" --maildir "$work/maildir" | grep -v '"source"' >"$work/decoded.json" || true
/usr/bin/python3 "$root/tests/e2e/sms_check.py" check "$work/decoded.json" "$text" "$to"
wine "$mapistore" show Outbox | tr -d '\r' >"$work/outbox-after.json"
[ ! -s "$work/outbox-after.json" ] || { echo "FAIL: the Outbox still holds:"; cat "$work/outbox-after.json"; exit 1; }
echo "the message submitted before the restart left with the next flush; the Outbox is empty"
