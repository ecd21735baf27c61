#!/usr/bin/env bash
# tests/win/run_with_smtp.sh WINE_RUN TEST.exe MAILDIR FILTER SUBJECT [PATTERN...]: starts the real
# SMTP server, runs the test's cases matching the gtest FILTER under Wine against it (as
# localhost:PORT), stops the server and checks that exactly one mail with SUBJECT was stored and
# that it holds every PATTERN (grep regular expressions).
set -u
wine_run=$1
exe=$2
maildir=$3
filter=$4
subject=$5
shift 5
. "$(dirname "$0")/../smtp_server.sh"
trap stop_smtp_server EXIT
rm -rf "$maildir"
mkdir -p "$(dirname "$maildir")"
start_smtp_server "$maildir" || exit 1
BREVOLT_SMTP_SERVER="localhost:$smtp_port" "$wine_run" "$exe" --gtest_color=no --gtest_filter="$filter"
rc=$?
stop_smtp_server
[ $rc -eq 0 ] || exit $rc
stored=$(grep -l "^Subject: $subject" "$maildir"/new/* 2>/dev/null | wc -l)
if [ "$stored" -ne 1 ]; then
  echo "run_with_smtp: expected one stored mail, found $stored" >&2
  exit 1
fi
for pattern in "$@"; do
  grep -q -- "$pattern" "$maildir"/new/* || { echo "run_with_smtp: the mail lacks $pattern" >&2; exit 1; }
done
echo "run_with_smtp: mail stored by the SMTP server"
