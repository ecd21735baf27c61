#!/usr/bin/env bash
# tests/win/mapi/run_with_smtp.sh WINE_RUN TEST.exe MAILDIR: starts aiosmtpd on a free port, runs the
# test's real-mail cases under Wine against it (as localhost:PORT), stops the server by its PID and
# checks that the mail was stored.
set -u
wine_run=$1
exe=$2
maildir=$3
rm -rf "$maildir"
mkdir -p "$(dirname "$maildir")"
port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
/usr/bin/python3 -m aiosmtpd -n -l "127.0.0.1:$port" -c aiosmtpd.handlers.Mailbox "$maildir" &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null' EXIT
for _ in $(seq 1 100); do
  /usr/bin/python3 -c "import socket; socket.create_connection(('127.0.0.1',$port),1)" 2>/dev/null && break
  sleep 0.1
done
BREVOLT_SMTP_SERVER="localhost:$port" "$wine_run" "$exe" --gtest_color=no --gtest_filter='mapi_win_send.*'
rc=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
[ $rc -eq 0 ] || exit $rc
stored=$(grep -l "^Subject: Brevolt MAPI stand-in mail" "$maildir"/new/* 2>/dev/null | wc -l)
if [ "$stored" -ne 1 ]; then
  echo "run_with_smtp: expected one stored mail, found $stored" >&2
  exit 1
fi
echo "run_with_smtp: mail stored by the SMTP server"
# The attachment went out as a base64 MIME part.
grep -q 'filename="job.xml"' "$maildir"/new/* || { echo "run_with_smtp: the attachment is missing" >&2; exit 1; }
grep -q "PE1BSUw+cGF5bG9hZDwvTUFJTD4=" "$maildir"/new/* || { echo "run_with_smtp: the attachment data is wrong" >&2; exit 1; }
