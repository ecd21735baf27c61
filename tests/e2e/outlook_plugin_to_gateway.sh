#!/usr/bin/env bash
# tests/e2e/outlook_plugin_to_gateway.sh ROOT DRIVER OUTLOOK_EXE GATEWAY MAPISTORE [--show]: an SMS sent
# from inside Outlook with the product as a user's PC has it, installed from its x64 package by
# scripts/prefix. The client stand-in 2003 (over the MAPI stand-in, BREVOLT_MAPI_DLL) loads the
# installed plug-in, which shows the SMS Bar; "New SMS" clicked on it opens the installed compose
# server, which is handed the client's MAPI session across processes (the stand-in's objects marshal
# as the store file and entry ids and are opened again there); a recipient and a text typed into its
# window are sent, the job leaves through the Outbox of the store both processes share, and the
# reference gateway decodes the SMS. Exactly one mail may arrive: both processes run the stand-in's
# spooler, and only one of them sends. Pictures of the bar and the compose window go to
# build/artifacts/. The spooler holds submitted mail for ten minutes, so only the flushes the product
# asks for (its own, and the Send it presses in Outlook's hidden Send/Receive window) make the job
# leave in time.
set -euo pipefail
root=$1
driver=$2
outlook=$3
gateway=$4
mapistore=$5
show=${6:-}
. "$root/tests/e2e/gateway_env.sh"
prefix=${BREVOLT_E2E_PREFIX:-$root/build/win64/e2e-plugin-prefix}
export BREVOLT_MAPI_SPOOL_DELAY_MS=${BREVOLT_MAPI_SPOOL_DELAY_MS:-600000}
# The test's own prefix starts from the user's freshly seeded store; the demo's keeps its store.
[ -n "${BREVOLT_E2E_PREFIX:-}" ] || rm -f "$prefix.mapi-store.json"
"$root/scripts/prefix" "$prefix" "$work/account.key" "localhost:$port"
wine() { BREVOLT_WINEPREFIX="$prefix" "$root/cmake/wine-run" "$@"; }
# Whatever the run left (a compose server holding a dialog open, the client waiting on it) ends
# with it: a local server left running would keep the caller's output open.
trap 'WINEPREFIX="$prefix" /usr/lib/wine/wineserver64 -k 2>/dev/null || true; cleanup' EXIT
winpath() { local p="Z:$1"; echo "${p//\//\\}"; }
say "-- prefix $prefix: Outlook 2003 (the stand-in) over the MAPI stand-in, the product installed from its package,"
say "   the spooler sending through localhost:$port"

to=${BREVOLT_SMS_TO:-082 555 0107}
text=${BREVOLT_SMS_TEXT:-Sent from inside Outlook through the SMS Bar}
shots=$root/build/artifacts
mkdir -p "$shots"
rm -f "$shots/outlook_sms_bar.bmp" "$shots/outlook_compose.bmp"
say "-- Outlook starts; New SMS on the SMS Bar; to \"$to\", \"$text\", then Send"
rc=0
wine "$driver" --outlook "$(winpath "$outlook")" --mapistore "$(winpath "$mapistore")" \
  --to "$to" --text "$text" --shots "$(winpath "$shots")" |
  tr -d '\r' >"$work/drive.out" || rc=$?
sed 's/^/   /' "$work/drive.out" | { [ -n "$show" ] && cat || cat >/dev/null; }
[ "$rc" -eq 0 ] || { cat "$work/drive.out"; echo "FAIL: brevolt-outlook-drive exited $rc"; exit 1; }
for shot in outlook_sms_bar outlook_compose; do
  [ -s "$shots/$shot.bmp" ] && convert "$shots/$shot.bmp" "$shots/$shot.png" && say "   picture: build/artifacts/$shot.png"
done

# The driver quit the client once the Outbox held nothing submitted; the compose server ends when the
# client lets it go. Whatever either process might still send has been sent when both have ended.
WINEPREFIX="$prefix" timeout 60 /usr/lib/wine/wineserver64 -w 2>/dev/null || true
say "-- the mail that left when the product flushed Outlook's Outbox, and what the gateway decoded from it:"
/usr/bin/python3 "$root/tests/e2e/outbox_check.py" mails "$work/maildir" 1 ${show:+--show}
"$gateway" decode --key "$work/account.key" --maildir "$work/maildir" >"$work/decoded.json"
[ -n "$show" ] && sed 's/^/   /' "$work/decoded.json"
/usr/bin/python3 "$root/tests/e2e/sms_check.py" check "$work/decoded.json" "$text" "$to"

echo "PASS: inside Outlook, New SMS on the SMS Bar reached the gateway"
