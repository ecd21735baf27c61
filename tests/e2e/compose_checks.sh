#!/usr/bin/env bash
# tests/e2e/compose_checks.sh ROOT QUILLET_EXE QUILLET_OPEN CORVANE_DIR GATEWAY summary|select|template [--show]:
# a compose window of the compose server installed from the x64 package, used as a user uses it, and
# the reference gateway decoding what the real SMTP server stored.
#   summary: a CSV file of people with balances imported through File > Import and its wizard, the
#            Balance token at the end of the text, Send; Check's problem (someone without a mobile)
#            answered with Ignore, the "Message Summary" line read back and the summary accepted;
#            the gateway must decode exactly the SMS (parts) and recipients the line announced,
#            each with its own balance.
#   select:  an Outlook 2000 start on the MAPI stand-in's seeded contacts (its spooler sends);
#            "Select Recipients" picks two contacts and the contact list "Team", Send, and the
#            gateway must decode one SMS per distinct mobile (a list member also picked gets one).
#   template: a template made in the template editor (text with two text fields, saved through
#            "Save As"), generated into a new compose window's body from the recent-template list
#            with two entries, Send; the gateway must decode the generated text.
# Both share one prefix (BREVOLT_E2E_PREFIX). Pictures go to build/artifacts/.
set -euo pipefail
root=$1
quillet=$2
quillet_open=$3
corvane_dir=$4
gateway=$5
scenario=$6
show=${7:-}
. "$root/tests/e2e/gateway_env.sh"
prefix=${BREVOLT_E2E_PREFIX:-$root/build/win64/e2e-checks-prefix}
# The stand-in's spooler sends what the window submitted at once, not after Outlook's delay.
BREVOLT_MAPI_SPOOL_DELAY_MS=${BREVOLT_MAPI_SPOOL_DELAY_MS:-100} \
  "$root/scripts/prefix" "$prefix" "$work/account.key" "localhost:$port" "$corvane_dir"
wine() { BREVOLT_WINEPREFIX="$prefix" "$root/cmake/wine-run" "$@"; }
artifacts=$root/build/artifacts
mkdir -p "$artifacts"

# The gateway's decode of the maildir, once it holds the wanted number of SMS lines or 60 s have passed.
decode_when() {
  local want=$1
  for _ in $(seq 1 600); do
    "$gateway" decode --key "$work/account.key" --maildir "$work/maildir" >"$work/decoded.json" 2>/dev/null || true
    [ "$(grep -c . "$work/decoded.json" || true)" -ge "$want" ] && break
    sleep 0.1
  done
  [ -n "$show" ] && cat "$work/decoded.json"
  return 0
}

to_png() {
  [ -s "$1" ] && convert "$1" "${1%.bmp}.png" && say "-- picture: ${1%.bmp}.png"
  return 0
}

case $scenario in
summary)
  # Five people: one without a mobile, one without a balance. The text is 155 characters before the
  # balance, so a balance of five characters fits one SMS and one of six needs two.
  printf '%s\r\n' "Cell Phone,First Name,Surname,Balance" "0825550001,Ann,Lee,12.50" \
    "0825550002,Bob,Stone,107.25" ",Cat,Hill,1.00" "0825550003,Dee,Ray,330.00" "0825550004,Eve,Moss," \
    >"$work/statements.csv"
  text="Your statement for this month is ready at the branch. Please bring your card when you collect it; the counter is open daily from eight to four. Balance: R "
  text=${text:0:155}
  say "-- a bulk job from statements.csv with the Balance token, then Send (Windows, under wine64):"
  out=$(wine "$quillet_open" --text "$text" --import "Z:${work//\//\\}\\statements.csv" --token Balance --ignore-problems \
    --screenshot "Z:$artifacts/e2e_bulk_compose.bmp" --dialog-shot "Z:$artifacts/e2e_bulk_summary.bmp" --send |
    tr -d '\r') || { echo "$out"; echo "FAIL: quillet-open did not send the bulk job"; exit 1; }
  [ -n "$show" ] && echo "$out"
  to_png "$artifacts/e2e_bulk_compose.bmp"
  to_png "$artifacts/e2e_bulk_summary.bmp"
  line=$(echo "$out" | sed -n 's/^quillet-open: summary: //p')
  recipients=$(echo "$line" | sed -n 's/.* to \([0-9]*\) recipients\{0,1\}\..*/\1/p')
  [ -n "$recipients" ] || { echo "FAIL: no summary line read back: \"$line\""; exit 1; }
  decode_when "$recipients"
  /usr/bin/python3 "$root/tests/e2e/bulk_check.py" "$work/decoded.json" "$line" "$text" "$work/statements.csv"
  ;;
select)
  text="Picked from the address book - Ann"
  names="Ben Mokoena;Dev Pillay;Team"
  mobiles="082 555 0101; 083 555 0103; +27 82 555 0102"
  say "-- Outlook's compose window: Select Recipients picks $names, then Send (Windows, under wine64):"
  out=$(wine "$quillet_open" --package 0 --version 3 --text "$text" --select "$names" \
    --screenshot "Z:$artifacts/e2e_select_compose.bmp" --dialog-shot "Z:$artifacts/e2e_select_recipients.bmp" \
    --send | tr -d '\r') || { echo "$out"; echo "FAIL: quillet-open did not send the job"; exit 1; }
  [ -n "$show" ] && echo "$out"
  to_png "$artifacts/e2e_select_compose.bmp"
  to_png "$artifacts/e2e_select_recipients.bmp"
  decode_when 3
  /usr/bin/python3 "$root/tests/e2e/sms_check.py" check "$work/decoded.json" "$text" "$mobiles" \
    "${BREVOLT_USER_COUNTRY:-27}"
  ;;
template)
  pattern="Dear {Customer}, your order {Order} is ready for collection."
  text="Dear Thandi Nkosi, your order A-1077 is ready for collection."
  mobile="082 555 0177"
  say "-- a template made in the editor, generated into a compose window, then Send (Windows, under wine64):"
  out=$(wine "$quillet_open" --to "$mobile" --make-template "Z:${work//\//\\}\\order.template" \
    --template-text "$pattern" --generate "Thandi Nkosi;A-1077" --dialog-shot "Z:$artifacts/e2e_template_generate.bmp" \
    --screenshot "Z:$artifacts/e2e_template_compose.bmp" --send | tr -d '\r') ||
    { echo "$out"; echo "FAIL: quillet-open did not send the generated text"; exit 1; }
  [ -n "$show" ] && echo "$out"
  [ -s "$work/order.template" ] || { echo "FAIL: the editor saved no template"; exit 1; }
  to_png "$artifacts/e2e_template_generate.bmp"
  to_png "$artifacts/e2e_template_compose.bmp"
  decode_when 1
  /usr/bin/python3 "$root/tests/e2e/sms_check.py" check "$work/decoded.json" "$text" "$mobile" \
    "${BREVOLT_USER_COUNTRY:-27}"
  ;;
*)
  echo "usage: compose_checks.sh ROOT QUILLET_EXE QUILLET_OPEN CORVANE_DIR GATEWAY summary|select|template [--show]" >&2
  exit 2
  ;;
esac
