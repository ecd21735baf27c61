#!/usr/bin/env bash
# tests/win/newmail/upgrade_notice_cli.sh WIN64_GATEWAY WINE_RUN RESOURCE_DLL: the Windows gateway makes an
# upgrade notice around the built resource module and decodes it with a matching digest; the same
# notice read with another key is reported unverified and fails.
set -euo pipefail
gateway=$1
wine_run=$2
module=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
winpath() { echo "Z:${1//\//\\}"; }
win() { "$wine_run" "$gateway" "$@" | tr -d '\r'; }

"$wine_run" "$gateway" keygen >"$work/key.txt"
"$wine_run" "$gateway" keygen >"$work/other.txt"
"$wine_run" "$gateway" upgrade --key "$(winpath "$work/key.txt")" --attachment "$(winpath "$module")" \
  --subject "RE: Upgrade" >"$work/notice.eml"
win decode --key "$(winpath "$work/key.txt")" "$(winpath "$work/notice.eml")" >"$work/good.json" ||
  fail "notice did not decode: $(cat "$work/good.json")"
size=$(stat -c %s "$module")
grep -q '"digest_match":true' "$work/good.json" || fail "digest: $(cat "$work/good.json")"
grep -q "\"size\":$size" "$work/good.json" || fail "the module did not arrive whole: $(cat "$work/good.json")"
if win decode --key "$(winpath "$work/other.txt")" "$(winpath "$work/notice.eml")" >"$work/bad.json"; then
  fail "another key's decode succeeded"
fi
grep -q '"verified":false' "$work/bad.json" || fail "another key: $(cat "$work/bad.json")"
echo "upgrade notice of $size bytes verified"
