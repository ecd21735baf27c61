#!/usr/bin/env bash
# tests/win/gateway/cli_interop.sh NATIVE WIN64 WINE_RUN: brevolt-gateway's four commands on both
# builds, and envelopes crossing between them in both directions.
set -euo pipefail
native=$1
windows=$2
wine_run=$3
[ -x "$native" ] || { echo "native gateway not built: $native"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
win() { "$wine_run" "$windows" "$@" | tr -d '\r'; }
# Wine sees the host's files through Z:.
winpath() { echo "Z:${1//\//\\}"; }

printf '<MAIL>\r\n<PROTOCOLVERSION>\r\n2.000000\r\n</PROTOCOLVERSION>\r\n<SENDER>\r\n<NAME>\r\nAnn\r\n</NAME>\r\n<EMAIL>\r\nann@example.org\r\n</EMAIL>\r\n<PHONE>\r\n+27825551234\r\n</PHONE>\r\n</SENDER>\r\n<MESSAGE>\r\nSee you at 8\r\n</MESSAGE>\r\n<OPTIONS>\r\n2560\r\n</OPTIONS>\r\n<RECIPIENT>\r\n<NAME>\r\nBob\r\n</NAME>\r\n<EMAIL>\r\n\r\n</EMAIL>\r\n<PHONE>\r\n+27825550001\r\n</PHONE>\r\n</RECIPIENT>\r\n</MAIL>\r\n' >"$work/mail.txt"

fail() { echo "FAIL: $*"; exit 1; }

"$native" keygen --bits 192 >"$work/key-native.txt"
"$wine_run" "$windows" keygen >"$work/key-win.txt"
grep -q '<AES KEY>' "$work/key-win.txt" || fail "win64 keygen"

# Sealed on Windows with the native key, decoded natively; and the other way round.
"$wine_run" "$windows" seal --key "$(winpath "$work/key-native.txt")" --sender-email ann@example.org \
  <"$work/mail.txt" >"$work/sealed-win.txt"
"$native" decode --key "$work/key-native.txt" "$work/sealed-win.txt" >"$work/out1.json" || fail "native decode of a win64 seal: $(cat "$work/out1.json")"
grep -q '"mobile":"+27825550001"' "$work/out1.json" || fail "win64 seal lost the mobile: $(cat "$work/out1.json")"
grep -q '"verified":true' "$work/out1.json" || fail "win64 seal not verified"

"$native" seal --key "$work/key-win.txt" --sender-email ann@example.org <"$work/mail.txt" >"$work/sealed-native.txt"
win decode --key "$(winpath "$work/key-win.txt")" "$(winpath "$work/sealed-native.txt")" >"$work/out2.json" ||
  fail "win64 decode of a native seal: $(cat "$work/out2.json")"
grep -q '"text":"See you at 8"' "$work/out2.json" || fail "native seal lost the text: $(cat "$work/out2.json")"

# The wrong key is an error line and a failure status on both builds.
if "$native" decode --key "$work/key-native.txt" "$work/sealed-native.txt" >"$work/out3.json"; then fail "native accepted a wrong key"; fi
grep -q '"error"' "$work/out3.json" || fail "no error line"

# An upgrade notice made on Windows verifies natively through the seal/decode code's key.
printf 'resource module' >"$work/Resource.dll"
"$wine_run" "$windows" upgrade --key "$(winpath "$work/key-native.txt")" --attachment "$(winpath "$work/Resource.dll")" >"$work/upgrade.eml"
grep -q '<UPGRADE>' "$work/upgrade.eml" || fail "no UPGRADE document"
grep -q 'filename="Resource.dll"' "$work/upgrade.eml" || fail "no attachment"
echo "gateway command line: native and win64 agree"
