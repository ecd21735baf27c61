#!/usr/bin/env bash
# tests/e2e/outlook_to_gateway.sh ROOT BREVOLT_SEND CORVANE_DIR GATEWAY MAPISTORE [--show]: SMS jobs
# (with BREVOLT_QUILLET and BREVOLT_QUILLET_OPEN also one typed into a compose window opened with
# package 0 and sent with its Send button; its picture goes to build/artifacts/)
# sent with Outlook as the host (package 0) on a PC whose Outlook MAPI is the stand-in: each job is
# a message in the Outbox with the job as its "BS...TXT" attachment, the stand-in's spooler sends
# it to the real SMTP server, the reference gateway decodes it from the attachment, and a readable
# copy of each job is filed in "Sent SMSs" (read back with mapistore). The spooler is set to hold
# submitted mail for ten minutes, so only the product's own flush makes it leave in time.
set -euo pipefail
root=$1
send=$2
corvane_dir=$3
gateway=$4
mapistore=$5
show=${6:-}
. "$root/tests/e2e/gateway_env.sh"
prefix=${BREVOLT_E2E_PREFIX:-$root/build/win64/e2e-outlook-prefix}
export BREVOLT_MAPI_SPOOL_DELAY_MS=${BREVOLT_MAPI_SPOOL_DELAY_MS:-600000}
# The test's own prefix starts from the user's freshly seeded store, so nothing an earlier run left
# submitted leaves with this run's flush; the demo's prefix keeps its store and what it holds.
[ -n "${BREVOLT_E2E_PREFIX:-}" ] || rm -f "$prefix.mapi-store.json"
"$root/scripts/prefix" "$prefix" "$work/account.key" "localhost:$port" "$corvane_dir"
wine() { BREVOLT_WINEPREFIX="$prefix" "$root/cmake/wine-run" "$@"; }
check() { /usr/bin/python3 "$root/tests/e2e/outbox_check.py" "$@"; }
say "-- prefix $prefix: Outlook's MAPI is the stand-in (store $prefix.mapi-store.json), its spooler"
say "   sending through localhost:$port; Brevolt SMS installed from its package"

# mapistore show FOLDER > FILE; a folder not made yet reads as empty.
show_folder() {
  local rc=0
  wine "$mapistore" show "$1" 2>"$work/show.err" | tr -d '\r' >"$2" || rc=$?
  [ "$rc" -eq 0 ] || grep -q "no folder" "$work/show.err" || { cat "$work/show.err" >&2; exit 1; }
}
show_folder "Sent SMSs" "$work/copies-before.json"
show_folder "Outbox" "$work/outbox-before.json"

# brevolt-send --package 0 ARGS...: one job with Outlook as the host; must report "Send Success".
send_job() {
  local rc=0
  wine "$send" --package 0 "$@" >"$work/one.out" 2>"$work/one.err" || rc=$?
  tr -d '\r' <"$work/one.out"
  tr -d '\r' <"$work/one.err" >&2
  [ "$rc" -eq 2 ] || { echo "FAIL: brevolt-send --package 0 $* exited $rc, expected 2"; exit 1; }
}

single_to=${BREVOLT_SMS_TO:-Ben Mokoena <082 555 0101>;083 555 0103}
single_text=${BREVOLT_SMS_TEXT:-Meet at the gate at 8 - Ann}
say "-- a single job through Outlook's Outbox: to \"$single_to\", \"$single_text\""
send_job --to "$single_to" --text "$single_text"
bulk_text="Hi {First Name}, the sale ends today"
say "-- a bulk job through the Outbox: two contacts and a list that repeats one of them"
send_job --bulk --to "Carla Naidoo <+27 82 555 0102>;Dev Pillay <083 555 0104>" \
  --list "Team:Ben Mokoena <082 555 0105>,Carla Naidoo <+27 82 555 0102>" --text "$bulk_text"

mails=2
jobs=("$single_text" "$single_to" "$bulk_text" "Carla Naidoo;Dev Pillay;Team")
if [ -n "${BREVOLT_QUILLET:-}" ]; then
  compose_to="082 555 0106"
  compose_text="Typed into a compose window with Outlook as the host"
  say "-- a compose window opened with package 0: to \"$compose_to\", \"$compose_text\", then Send"
  shot=$root/build/artifacts/compose_outlook.bmp
  mkdir -p "$root/build/artifacts"
  rc=0
  wine "$BREVOLT_QUILLET_OPEN" --package 0 --to "$compose_to" --text "$compose_text" --screenshot "Z:$shot" --send |
    tr -d '\r' || rc=$?
  [ "$rc" -eq 0 ] || { echo "FAIL: quillet-open --package 0 exited $rc"; exit 1; }
  [ -s "$shot" ] && convert "$shot" "${shot%.bmp}.png"
  mails=3
  jobs+=("$compose_text" "$compose_to")
fi

say "-- the mails the spooler delivered to the SMTP server:"
check mails "$work/maildir" "$mails" ${show:+--show}
say "-- what the reference gateway decoded from their attachments:"
"$gateway" decode --key "$work/account.key" --maildir "$work/maildir" >"$work/decoded.json"
[ -n "$show" ] && cat "$work/decoded.json"
[ -z "${BREVOLT_KEEP_MAILDIR:-}" ] || { rm -rf "$BREVOLT_KEEP_MAILDIR"; cp -r "$work/maildir" "$BREVOLT_KEEP_MAILDIR"; }
if [ -n "${BREVOLT_QUILLET:-}" ]; then
  # The compose window's SMS is checked on its own; the jobs' checks see the rest.
  grep -F "\"text\":\"$compose_text\"" "$work/decoded.json" >"$work/compose.json" || true
  grep -vF "\"text\":\"$compose_text\"" "$work/decoded.json" >"$work/jobs.json" || true
  /usr/bin/python3 "$root/tests/e2e/sms_check.py" check "$work/compose.json" "$compose_text" "$compose_to"
  mv "$work/jobs.json" "$work/decoded.json"
fi
check sms "$work/decoded.json" "$single_text" "$single_to" "$bulk_text" \
  "Carla Naidoo=+27825550102;Dev Pillay=+27835550104;Ben Mokoena=+27825550105"

say "-- \"Sent SMSs\" in the stand-in's store, new copies:"
show_folder "Sent SMSs" "$work/copies-after.json"
show_folder "Outbox" "$work/outbox-after.json"
check copies "$work/copies-before.json" "$work/copies-after.json" "$work/outbox-before.json" "$work/outbox-after.json" \
  "${jobs[@]}" ${show:+--show}
if [ -n "$show" ]; then
  say "-- \"Sent SMSs\" as the user's Outlook lists it (id, class, subject):"
  wine "$mapistore" list "Sent SMSs" | tr -d '\r' | sed 's/^/   /'
fi
