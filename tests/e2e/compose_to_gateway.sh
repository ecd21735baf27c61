#!/usr/bin/env bash
# tests/e2e/compose_to_gateway.sh ROOT QUILLET_EXE QUILLET_OPEN CORVANE_DIR GATEWAY [--show]: the
# compose server installed from the x64 package (made from QUILLET_EXE and CORVANE_DIR's Corvane.dll)
# in a prefix set up like a user's PC, a compose window opened through
# IQuillet::CreateNewSMS with recipients and a text, its Send pressed, and the reference gateway
# decoding what the real SMTP server stored. The window's picture goes to build/artifacts/.
# With BREVOLT_INTERACTIVE set the window opens on the caller's display and is left to the user.
set -euo pipefail
root=$1
quillet=$2
quillet_open=$3
corvane_dir=$4
gateway=$5
show=${6:-}
. "$root/tests/e2e/gateway_env.sh"
prefix=${BREVOLT_E2E_PREFIX:-$root/build/win64/e2e-compose-prefix}
"$root/scripts/prefix" "$prefix" "$work/account.key" "localhost:$port" "$corvane_dir"
wine() { BREVOLT_WINEPREFIX="$prefix" "$root/cmake/wine-run" "$@"; }
say "-- prefix $prefix: Brevolt SMS installed from its package (C:\\Program Files\\Brevolt SMS), the Outlook Express"
say "   account sending through localhost:$port"

to=${BREVOLT_SMS_TO:-082 555 0101; +27 82 555 0102}
text=${BREVOLT_SMS_TEXT:-Typed into the compose window - Ann}

if [ -n "${BREVOLT_INTERACTIVE:-}" ]; then
  say "-- a compose window on your display; send from it, then close it"
  wine "$quillet_open" --to "$to" --text "$text" --wait | tr -d '\r'
  say "-- what the SMTP server stored, as the reference gateway decodes it:"
  [ -d "$work/maildir" ] && "$gateway" decode --key "$work/account.key" --maildir "$work/maildir"
  exit 0
fi

mkdir -p "$root/build/artifacts"
shot=$root/build/artifacts/compose_demo.bmp
say "-- IQuillet::CreateNewSMS to \"$to\" with \"$text\", then Send (Windows, under wine64):"
rc=0
wine "$quillet_open" --to "$to" --text "$text" --screenshot "Z:$shot" --send | tr -d '\r' || rc=$?
[ "$rc" -eq 0 ] || { echo "FAIL: quillet-open exited $rc"; exit 1; }
[ -s "$shot" ] && convert "$shot" "${shot%.bmp}.png" && say "-- the window before Send: ${shot%.bmp}.png"

say "-- what the SMTP server stored, as the reference gateway decodes it:"
"$gateway" decode --key "$work/account.key" --maildir "$work/maildir" | tee "$work/decoded.json"
[ -z "${BREVOLT_KEEP_MAILDIR:-}" ] || { rm -rf "$BREVOLT_KEEP_MAILDIR"; cp -r "$work/maildir" "$BREVOLT_KEEP_MAILDIR"; }
# One SMS per distinct mobile, as the product normalises typed numbers.
/usr/bin/python3 "$root/tests/e2e/sms_check.py" check "$work/decoded.json" "$text" "$to" "${BREVOLT_USER_COUNTRY:-27}"
say "-- every mobile typed into the window got its SMS, verified"
