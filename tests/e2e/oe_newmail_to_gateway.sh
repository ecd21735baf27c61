#!/usr/bin/env bash
# tests/e2e/oe_newmail_to_gateway.sh ROOT GATEWAY MSIMN_EXE OESEED_EXE UPGRADED_DLL DRIVE_EXE [--show]: new
# mail inside Outlook Express. A prefix set up like a user's PC (the product installed from its package,
# the mail client stand-in 6 with its identity sending through the local SMTP server, one notification
# rule for mail about "quarterly"); the installed Runbay started as the user starts it. oe-newmail-drive
# lets the client download, in turn, an upgrade notice the reference gateway made around UPGRADED_DLL
# (the shipped module with one band button more) and a mail the rule matches. The band must come back
# with the new button and the user's "Resource" must name a copy of UPGRADED_DLL; the gateway must
# decode the rule's SMS from what the SMTP server stored. Pictures go to build/artifacts/.
set -euo pipefail
root=$1
gateway=$2
msimn=$3
oeseed=$4
upgraded_dll=$5
drive=$6
show=${7:-}
. "$root/tests/e2e/gateway_env.sh"
prefix=${BREVOLT_E2E_PREFIX:-$root/build/win64/e2e-oe-newmail-prefix}
"$root/scripts/prefix" "$prefix" "$work/account.key" "localhost:$port"
. "$root/tests/e2e/oe_env.sh"
oe_install_client "$msimn" "$oeseed" 0
# The shipped module (the Install key's) is the one in use; no monitor range is left from an earlier
# run; the one rule: mail whose subject holds "quarterly" is announced to 082 555 0199.
reg=$work/user.reg
cat >"$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Brevolt]
"Resource"=-
"OEIDFrom"=-
"OEIDTo"=-

[-HKEY_CURRENT_USER\Software\Brevolt\Rules]

[HKEY_CURRENT_USER\Software\Brevolt\Rules\Rule0]
"Priority"=dword:00000000
"Name"="Quarterly figures"
"TriggerAction"=dword:00000005
"SMSLimit"=dword:00000001
"Enabled"=dword:00000001
"TriggerAlways"=dword:00000000
"ContinueProcessing"=dword:00000001
"SendToMe"=dword:00000000
"RecipientNumber"="0825550199"
"RecipientNumberCC"="27"

[HKEY_CURRENT_USER\Software\Brevolt\Rules\Rule0\From]
"TriggerData"=""
"TriggerCriteria"=dword:00000001

[HKEY_CURRENT_USER\Software\Brevolt\Rules\Rule0\To]
"TriggerData"=""
"TriggerCriteria"=dword:00000001

[HKEY_CURRENT_USER\Software\Brevolt\Rules\Rule0\Subject]
"TriggerData"="quarterly"
"TriggerCriteria"=dword:00000001

[HKEY_CURRENT_USER\Software\Brevolt\Rules\Rule0\Body]
"TriggerData"=""
"TriggerCriteria"=dword:00000001
REG
wine regedit /S "$(winpath "$reg")"
say "-- prefix $prefix: the product installed from its package, the mail client stand-in 6 from $msimn_dir,"
say "   its identity sending through localhost:$port, one rule for mail about \"quarterly\""

# The notice as the gateway sends it: its own sender, the subject "Upgrade", signed with the account's key.
"$gateway" upgrade --key "$work/account.key" --attachment "$upgraded_dll" --subject Upgrade >"$work/notice.eml"
cat >"$work/rule.eml" <<'MAIL'
From: Dana Moyo <dana@example.org>
To: Ann Example <ann@example.org>
Subject: Quarterly figures are in
Date: Thu, 10 Dec 2026 09:30:00 +0200
MIME-Version: 1.0
Content-Type: text/plain; charset="iso-8859-1"

The numbers for the quarter are on the shared drive.
MAIL
sed -i 's/$/\r/' "$work/rule.eml"

shots=$root/build/artifacts
mkdir -p "$shots"
rm -f "$shots"/oe_newmail_*.bmp "$shots"/oe_newmail_*.png

say "-- the installed Runbay.exe starts the mail client under Latchkit's hooks"
wine "$runbay" &
runbay_pid=$!
say "-- oe-newmail-drive: an upgrade notice, then a mail for the rule, each fetched with Send/Recv"
rc=0
wine "$drive" --shots "$(winpath "$shots")" --drop "$(winpath "$store/Drop")" --notice "$(winpath "$work/notice.eml")" \
  --mail "$(winpath "$work/rule.eml")" | tr -d '\r' || rc=$?
for bmp in "$shots"/oe_newmail_*.bmp; do
  [ -s "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp" && say "-- picture: ${bmp%.bmp}.png"
done
[ "$rc" -eq 0 ] || { echo "FAIL: oe-newmail-drive exited $rc"; exit 1; }
runbay_rc=0
wait "$runbay_pid" || runbay_rc=$?
runbay_pid=
[ "$runbay_rc" -eq 0 ] || { echo "FAIL: Runbay exited $runbay_rc after the client closed"; exit 1; }
WINEPREFIX="$prefix" /usr/lib/wine/wineserver64 -w 2>/dev/null || true

# The user's "Resource" names the module the notice carried, byte for byte.
resource=$(grep -A30 '^\[Software\\\\Brevolt\]' "$prefix/user.reg" | grep -m1 '^"Resource"=' | sed 's/^"Resource"="\(.*\)"$/\1/')
[ -n "$resource" ] || { echo "FAIL: no Resource setting after the upgrade notice"; exit 1; }
unix_resource=$(WINEPREFIX="$prefix" /usr/lib/wine/wine64 winepath -u "$(echo "$resource" | sed 's/\\\\/\\/g')" 2>/dev/null | tr -d '\r')
cmp -s "$unix_resource" "$upgraded_dll" || { echo "FAIL: $resource is not the module the notice carried"; exit 1; }
say "-- the upgrade notice replaced the resource module: $resource"

say "-- what the SMTP server stored, as the reference gateway decodes it:"
"$gateway" decode --key "$work/account.key" --maildir "$work/maildir" | tee "$work/decoded.json"
/usr/bin/python3 - "$work/decoded.json" <<'PY'
import json, sys
rows = [json.loads(line) for line in open(sys.argv[1]) if line.strip()]
sms = [r for r in rows if "mobile" in r]
problems = [r["error"] for r in rows if "error" in r]
if len(sms) != 1:
    problems.append("%d SMS decoded, the rule asks for one" % len(sms))
for r in sms:
    if r["mobile"] != "+27825550199":
        problems.append("SMS to %s, the rule names +27825550199" % r["mobile"])
    for part in ("dana@example.org", "Quarterly figures are in"):
        if part not in r["text"]:
            problems.append("the SMS text %r lacks %r" % (r["text"], part))
if problems:
    print("FAIL: " + "; ".join(problems))
    sys.exit(1)
PY
say "-- the mail the rule matched reached +27825550199 as the rule's SMS, verified"
