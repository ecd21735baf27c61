#!/usr/bin/env bash
# tests/e2e/cc_mobile_to_gateway.sh ROOT DRIVER OUTLOOK_EXE GATEWAY MAPISTORE [--show]: CC to mobile
# inside Outlook with the product installed from its x64 package by scripts/prefix. The client
# stand-in 2003 (over the MAPI stand-in, BREVOLT_MAPI_DLL) runs the installed plug-in, which hooks its
# notes with Penhold; a new mail note goes To a contact and Cc to another contact and a contact list,
# with only the Cc line's "Notify mobile" box ticked, and is sent. The e-mail reaches the SMTP server,
# and so does the notice job the plug-in had the compose server send: the reference gateway decodes
# exactly one notice per Cc recipient's mobile (the list's members included, the To contact left out)
# with the exact text.
# The note's picture goes to build/artifacts/cc_mobile_note.png.
set -euo pipefail
root=$1
driver=$2
outlook=$3
gateway=$4
mapistore=$5
show=${6:-}
. "$root/tests/e2e/gateway_env.sh"
prefix=${BREVOLT_E2E_PREFIX:-$root/build/win64/e2e-ccmobile-prefix}
# The user's contacts: Dev (To), Eva and the list "Team" of Ben and Carla (Cc), each with a mobile.
export BREVOLT_MAPI_SEED=${BREVOLT_MAPI_SEED:-$root/tests/e2e/cc_mobile_seed.json}
[ -n "${BREVOLT_E2E_PREFIX:-}" ] || rm -f "$prefix.mapi-store.json"
"$root/scripts/prefix" "$prefix" "$work/account.key" "localhost:$port"
wine() { BREVOLT_WINEPREFIX="$prefix" "$root/cmake/wine-run" "$@"; }
# A compose server or client left running would keep the caller's output open: the run ends them.
trap 'WINEPREFIX="$prefix" /usr/lib/wine/wineserver64 -k 2>/dev/null || true; cleanup' EXIT
winpath() { local p="Z:$1"; echo "${p//\//\\}"; }
say "-- prefix $prefix: Outlook 2003 (the stand-in) with the installed plug-in and Penhold, the spooler sending"
say "   through localhost:$port"

to="Dev Pillay"
cc="Eva Dlamini; Team"
subject=${BREVOLT_CC_SUBJECT:-Minutes of the site meeting}
body="The minutes are attached."
sender=${BREVOLT_USER_NAME:-Ann Example}
notice="You have a new e-mail from $sender, subject : '$subject'"
# The Cc recipients' mobiles as the seed spells them: Eva, then the list's Ben and Carla.
mobiles="084 555 0104;082 555 0101;+27 82 555 0102"
shots=$root/build/artifacts
mkdir -p "$shots"
rm -f "$shots/cc_mobile_note.bmp" "$shots/cc_mobile_note.png"
say "-- a new note to \"$to\", Cc \"$cc\", \"$subject\"; only the Cc line's box ticked; Send"
rc=0
wine "$driver" --outlook "$(winpath "$outlook")" --to "$to" --cc "$cc" --subject "$subject" --body "$body" \
  --shots "$(winpath "$shots")" --maildir "$(winpath "$work/maildir")" --mails 2 |
  tr -d '\r' >"$work/drive.out" || rc=$?
sed 's/^/   /' "$work/drive.out" | { [ -n "$show" ] && cat || cat >/dev/null; }
[ "$rc" -eq 0 ] || { cat "$work/drive.out"; echo "FAIL: brevolt-ccmobile-drive exited $rc"; exit 1; }
[ -s "$shots/cc_mobile_note.bmp" ] && convert "$shots/cc_mobile_note.bmp" "$shots/cc_mobile_note.png" &&
  say "   picture: build/artifacts/cc_mobile_note.png"

say "-- what reached the SMTP server: the e-mail itself and one notice job"
/usr/bin/python3 "$root/tests/e2e/outbox_check.py" mails "$work/maildir" 2 --plain "$subject" "$body" ${show:+--show}
# The gateway reads only its own mail: the e-mail (its subject) is left out of what it decodes. The
# e-mail itself went to the To contact and, on its Cc line, to the Cc contact.
mkdir -p "$work/jobs/new"
for mail in "$work/maildir/new"/*; do
  if grep -qF "Subject: $subject" "$mail"; then
    grep -q '^To: .*<dev@example.org>' "$mail" && grep -q '^Cc: .*<eva@example.org>' "$mail" ||
      { echo "FAIL: the e-mail's To and Cc lines are not Dev's and Eva's addresses"; sed -n '1,8p' "$mail"; exit 1; }
  else
    cp "$mail" "$work/jobs/new/"
  fi
done
"$gateway" decode --key "$work/account.key" --maildir "$work/jobs" >"$work/decoded.json"
[ -n "$show" ] && sed 's/^/   /' "$work/decoded.json"
/usr/bin/python3 "$root/tests/e2e/sms_check.py" check "$work/decoded.json" "$notice" "$mobiles"

# The notice's readable copy is filed in "Sent SMSs" like any job's.
wine "$mapistore" show "Sent SMSs" 2>/dev/null | tr -d '\r' >"$work/copies.json" || true
grep -qF "$notice" "$work/copies.json" || { echo "FAIL: no copy of the notice in \"Sent SMSs\""; cat "$work/copies.json"; exit 1; }
echo "PASS: an e-mail sent from Outlook with its Cc line's box ticked gave each Cc recipient's mobile one notice"
