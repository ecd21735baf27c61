#!/usr/bin/env bash
# tests/e2e/runbay_to_gateway.sh ROOT GATEWAY MSIMN_EXE OESEED_EXE DRIVE_EXE [sms|cc] [--show]: inside Outlook
# Express. A prefix set up like a user's PC: Brevolt SMS installed from its x64 package (scripts/prefix),
# the mail client stand-in (version 6) installed and its identity sending through the local SMTP
# server; the installed Runbay started as the user starts it (Start menu: C:\Program Files\Brevolt
# SMS\Runbay.exe); runbay-drive waits for the browser with the SMS band, pictures it and the
# "B&revolt" menu, clicks the band's New SMS, types an SMS into the compose window that opens and
# presses Send, waits until the readable copy is in the client's "Sent SMSs" folder and pictures it
# there, then closes the client. Runbay must follow it with exit code 0, and the reference gateway
# must decode the SMS from what the SMTP server stored. Scenario "cc" instead writes an e-mail in a
# note of the client with "CC Mobile" ticked and sends it: the SMS notice must leave through the
# client's transfer file (it is then in Sent Items) and the gateway must decode it, one SMS to the
# mobile the e-mail went to, from the user, with its subject. Pictures go to build/artifacts/.
set -euo pipefail
root=$1
gateway=$2
msimn=$3
oeseed=$4
drive=$5
scenario=${6:-sms}
show=${7:-}
. "$root/tests/e2e/gateway_env.sh"
prefix=${BREVOLT_E2E_PREFIX:-$root/build/win64/e2e-runbay-prefix}
"$root/scripts/prefix" "$prefix" "$work/account.key" "localhost:$port"
. "$root/tests/e2e/oe_env.sh"
# The identity scripts/prefix made, with its store and the account sending through the local server.
oe_install_client "$msimn" "$oeseed" 1
# The installed resource module, not one a user setting names.
wine reg delete 'HKCU\Software\Brevolt' /v Resource /f >/dev/null 2>&1 || true
wine reg delete 'HKCU\Software\Brevolt' /v OEToolbarShowing /f >/dev/null 2>&1 || true
say "-- prefix $prefix: the mail client stand-in 6 installed from $msimn_dir, its identity sending through"
say "   localhost:$port, Brevolt SMS installed from its package (C:\\Program Files\\Brevolt SMS)"

to=${BREVOLT_SMS_TO:-082 555 0101; +27 82 555 0102}
text=${BREVOLT_SMS_TEXT:-Sent from inside Outlook Express - Ann}
drive_args=(--to "$to" --text "$text")
steps="the SMS band, the B&revolt menu, New SMS from the band, \"$text\" to \"$to\", Send, the copy in \"Sent SMSs\""
if [ "$scenario" = cc ]; then
  # An e-mail to a mobile's address book entry as the user types it: the number itself.
  to=+27825550103
  subject="Lunch on Friday"
  text="You have a new e-mail from ${BREVOLT_USER_NAME:-Ann Example}, subject : '$subject'"
  drive_args=(--mail-to "$to" --subject "$subject")
  steps="Create Mail, an e-mail to $to about \"$subject\" with CC Mobile ticked, Send"
fi
shots=$root/build/artifacts
mkdir -p "$shots"
rm -f "$shots"/runbay_oe6_*.bmp

say "-- the installed Runbay.exe starts the mail client under Latchkit's hooks"
wine "$runbay" &
runbay_pid=$!
say "-- runbay-drive: $steps"
rc=0
wine "$drive" --shots "Z:${shots//\//\\}" "${drive_args[@]}" | tr -d '\r' || rc=$?
for bmp in "$shots"/runbay_oe6_*.bmp; do
  [ -s "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp" && say "-- picture: ${bmp%.bmp}.png"
done
[ "$rc" -eq 0 ] || { echo "FAIL: runbay-drive exited $rc"; exit 1; }
runbay_rc=0
wait "$runbay_pid" || runbay_rc=$?
runbay_pid=
[ "$runbay_rc" -eq 0 ] || { echo "FAIL: Runbay exited $runbay_rc after the client closed"; exit 1; }
say "-- the client closed and Runbay followed it (exit 0)"

maildir=$work/maildir
if [ "$scenario" = cc ]; then
  # The e-mail itself went out too; only the gateway's mails are the gateway's to decode.
  maildir=$work/gateway-maildir
  mkdir -p "$maildir/new" "$maildir/cur" "$maildir/tmp"
  mails=0
  for mail in "$work/maildir/new"/* "$work/maildir/cur"/*; do
    [ -f "$mail" ] || continue
    mails=$((mails + 1))
    grep -qi '^To:.*sms@brevolt.example' "$mail" && cp "$mail" "$maildir/new/"
  done
  [ "$mails" -ge 2 ] || { echo "FAIL: $mails mails reached the server, the e-mail and the SMS notice expected"; exit 1; }
fi
say "-- what the SMTP server stored, as the reference gateway decodes it:"
"$gateway" decode --key "$work/account.key" --maildir "$maildir" | tee "$work/decoded.json"
[ -z "${BREVOLT_KEEP_MAILDIR:-}" ] || { rm -rf "$BREVOLT_KEEP_MAILDIR"; cp -r "$work/maildir" "$BREVOLT_KEEP_MAILDIR"; }
/usr/bin/python3 "$root/tests/e2e/sms_check.py" check "$work/decoded.json" "$text" "$to" "${BREVOLT_USER_COUNTRY:-27}"
if [ "$scenario" = cc ]; then
  say "-- the CC Mobile notice of the e-mail left through the client and reached the mobile, verified"
else
  say "-- the SMS typed inside Outlook Express reached every mobile, verified; its readable copy is in \"Sent SMSs\""
fi
