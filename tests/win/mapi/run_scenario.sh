#!/usr/bin/env bash
# tests/win/mapi/run_scenario.sh WINE_RUN MAPISTORE.exe TEST.exe SEED.json WORKDIR: seeds a store
# with mapistore, starts aiosmtpd on a free port, runs the scenario case against both, stops the
# server by its PID and checks that the mail arrived and that the store filed it in Sent Items.
set -u
wine_run=$1
tool=$2
exe=$3
seed=$4
work=$5
rm -rf "$work"
mkdir -p "$work"
maildir="$work/Maildir"
"$wine_run" "$tool" seed "Z:$seed" "Z:$work/store.json" || { echo "run_scenario: seed failed" >&2; exit 1; }
. "$(dirname "$0")/../../smtp_server.sh"
trap stop_smtp_server EXIT
start_smtp_server "$maildir" || exit 1
BREVOLT_MAPI_SCENARIO=1 BREVOLT_SMTP_SERVER="localhost:$smtp_port" "$wine_run" "$exe" --gtest_color=no \
  --gtest_filter='mapi_scenario.*'
rc=$?
stop_smtp_server
[ $rc -eq 0 ] || exit $rc
grep -l "^Subject: Brevolt MAPI scenario mail" "$maildir"/new/* >/dev/null 2>&1 || { echo "run_scenario: no mail at SMTP" >&2; exit 1; }
grep -q "^To: \"SMS Gateway\" <frank@example.com>" "$maildir"/new/* || { echo "run_scenario: wrong recipient" >&2; exit 1; }
"$wine_run" "$tool" list "Sent Items" | grep -q "Brevolt MAPI scenario mail" || { echo "run_scenario: not in Sent Items" >&2; exit 1; }
echo "run_scenario: seeded store logged on, listed its contacts and sent a mail that arrived"
