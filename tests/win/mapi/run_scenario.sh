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
port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
/usr/bin/python3 -m aiosmtpd -n -l "127.0.0.1:$port" -c aiosmtpd.handlers.Mailbox "$maildir" &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null' EXIT
for _ in $(seq 1 100); do
  /usr/bin/python3 -c "import socket; socket.create_connection(('127.0.0.1',$port),1)" 2>/dev/null && break
  sleep 0.1
done
BREVOLT_MAPI_SCENARIO=1 BREVOLT_SMTP_SERVER="localhost:$port" "$wine_run" "$exe" --gtest_color=no \
  --gtest_filter='mapi_scenario.*'
rc=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
[ $rc -eq 0 ] || exit $rc
grep -l "^Subject: Brevolt MAPI scenario mail" "$maildir"/new/* >/dev/null 2>&1 || { echo "run_scenario: no mail at SMTP" >&2; exit 1; }
grep -q "^To: \"SMS Gateway\" <frank@example.com>" "$maildir"/new/* || { echo "run_scenario: wrong recipient" >&2; exit 1; }
"$wine_run" "$tool" list "Sent Items" | grep -q "Brevolt MAPI scenario mail" || { echo "run_scenario: not in Sent Items" >&2; exit 1; }
echo "run_scenario: seeded store logged on, listed its contacts and sent a mail that arrived"
