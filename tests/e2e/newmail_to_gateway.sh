#!/usr/bin/env bash
# tests/e2e/newmail_to_gateway.sh ROOT DRIVER OUTLOOK_EXE NEW_RESOURCE_DLL GATEWAY MAPISTORE [--show]: new
# mail inside Outlook with the product installed from its x64 package by scripts/prefix. The client
# stand-in 2003 (over the MAPI stand-in, BREVOLT_MAPI_DLL) with the installed plug-in shows the SMS
# Bar from a copy of the installed resource module the user key names; the reference
# gateway's upgrade notice around a resource module with one more button is handed to the store by
# "mapistore deliver" (the provider of a running process imports it; every process that advised the
# store hears of it). The product applies it: "Resource" names the new module in the documents
# folder, the bar shows the extra button (picture: build/artifacts/newmail_sms_bar.png) and the notice
# is gone from the Inbox. Then a mail a notification rule matches is delivered the same way; the SMS
# the rule asks for leaves through the Outbox and the gateway decodes it with the rule's text.
set -euo pipefail
root=$1
driver=$2
outlook=$3
new_resource=$4
gateway=$5
mapistore=$6
show=${7:-}
. "$root/tests/e2e/gateway_env.sh"
prefix=${BREVOLT_E2E_PREFIX:-$root/build/win64/e2e-newmail-prefix}
# The spooler holds submitted mail for ten minutes: the rule's job leaves in time only through the
# Send the product presses in Outlook, as the plug-in's scenario has it.
export BREVOLT_MAPI_SPOOL_DELAY_MS=600000
# The test's own prefix starts from the user's freshly seeded store; the demo's keeps its store.
[ -n "${BREVOLT_E2E_PREFIX:-}" ] || rm -f "$prefix.mapi-store.json"
"$root/scripts/prefix" "$prefix" "$work/account.key" "localhost:$port"
# The product writes the new module into the prefix's own documents folder (cmake/wine-run makes it
# a folder of the prefix); a kept prefix starts without the last run's module.
rm -rf "$prefix"/drive_c/users/*/Documents/"Brevolt SMS"
# Applying a notice deletes the module in use: the client starts with a copy of the installed one,
# as a user's earlier upgrade leaves the user key naming a module of its own.
cp "$prefix/drive_c/Program Files/Brevolt SMS/Resource.dll" "$work/Resource.dll"
wine() { BREVOLT_WINEPREFIX="$prefix" "$root/cmake/wine-run" "$@"; }
trap 'WINEPREFIX="$prefix" /usr/lib/wine/wineserver64 -k 2>/dev/null || true; cleanup' EXIT
winpath() { local p="Z:$1"; echo "${p//\//\\}"; }
say "-- prefix $prefix: Outlook 2003 (the stand-in) over the MAPI stand-in, the product installed from its package"

# The notice, signed with the account's key; the rule's mail from an ordinary sender.
subject="Upgrade of the SMS Bar"
"$gateway" upgrade --key "$work/account.key" --attachment "$new_resource" --subject "$subject" >"$work/notice.eml"
grep -q "^From: .*gateway@brevolt.example" "$work/notice.eml" || { echo "FAIL: the notice is not the gateway's"; exit 1; }
printf 'From: Bob <bob@example.com>\r\nTo: user@brevolt.example\r\nSubject: Quarterly figures\r\n\r\nAttached.\r\n' \
  >"$work/rule.eml"
mkdir -p "$work/drop"
mobile="0825550199"

shots=$root/build/artifacts
mkdir -p "$shots"
rm -f "$shots/newmail_sms_bar.bmp" "$shots/newmail_sms_bar.png"
say "-- Outlook starts; the notice arrives; then a mail the rule on \"quarterly\" matches"
rc=0
wine "$driver" --outlook "$(winpath "$outlook")" --resource "$(winpath "$work/Resource.dll")" \
  --mapistore "$(winpath "$mapistore")" --notice "$(winpath "$work/notice.eml")" \
  --rule-mail "$(winpath "$work/rule.eml")" --button "Gateway News" --drop "$(winpath "$work/drop")" \
  --sent "$(winpath "$work/maildir/new")" --rule-subject quarterly --rule-mobile "$mobile" \
  --shots "$(winpath "$shots")" | tr -d '\r' >"$work/drive.out" || rc=$?
sed 's/^/   /' "$work/drive.out" | { [ -n "$show" ] && cat || cat >/dev/null; }
[ "$rc" -eq 0 ] || { cat "$work/drive.out"; echo "FAIL: brevolt-newmail-drive exited $rc"; exit 1; }
[ -s "$shots/newmail_sms_bar.bmp" ] && convert "$shots/newmail_sms_bar.bmp" "$shots/newmail_sms_bar.png" &&
  say "   picture: build/artifacts/newmail_sms_bar.png"

# The module written is the one the notice carried.
installed=$(find "$prefix"/drive_c/users/*/Documents -path "*/Brevolt SMS/resource.dll" | head -n 1)
cmp -s "$installed" "$new_resource" || { echo "FAIL: the installed module is not the notice's ($installed)"; exit 1; }
[ ! -e "$work/Resource.dll" ] || { echo "FAIL: the module in use before the notice was not deleted"; exit 1; }
wine "$mapistore" show Inbox 2>/dev/null | tr -d '\r' >"$work/inbox.json" || true
grep -q "Quarterly figures" "$work/inbox.json" || { echo "FAIL: the rule's mail is not in the Inbox"; exit 1; }
if grep -qF "$subject" "$work/inbox.json"; then
  echo "FAIL: the applied notice is still in the Inbox"
  exit 1
fi
say "-- the notice was applied and deleted; the rule's mail stays in the Inbox"

say "-- what the gateway decoded from the rule's SMS:"
"$gateway" decode --key "$work/account.key" --maildir "$work/maildir" >"$work/decoded.json"
[ -n "$show" ] && sed 's/^/   /' "$work/decoded.json"
/usr/bin/python3 - "$work/decoded.json" "+27${mobile#0}" <<'CHECK'
import json, sys
lines = [json.loads(line) for line in open(sys.argv[1]) if line.strip()]
want = "received an email from 'bob@example.com', with subject 'Quarterly figures'"
ok = len(lines) == 1 and lines[0].get("mobile") == sys.argv[2] and lines[0].get("text", "").endswith(want) \
    and lines[0].get("bulk") is True and lines[0].get("verified") is True
if not ok:
    print("FAIL: the gateway decoded", lines, "- wanted one verified bulk SMS to", sys.argv[2], "ending", repr(want))
    sys.exit(1)
CHECK
echo "PASS: inside Outlook, an upgrade notice changed the SMS Bar and a rule's mail reached the gateway"
