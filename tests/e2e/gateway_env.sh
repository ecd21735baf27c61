# tests/e2e/gateway_env.sh: sourced by the e2e scenarios after they have set root and gateway.
# Skips (77) without the native gateway, defines say, starts the real SMTP server in a scratch
# folder that goes away on exit, and makes a fresh account key: work, port and work/account.key.
[ -x "$gateway" ] || { echo "native gateway not built: $gateway"; exit 77; }
say() { [ -n "$show" ] && echo "$@"; return 0; }

. "$root/tests/smtp_server.sh"
work=$(mktemp -d)
cleanup() {
  stop_smtp_server
  rm -rf "$work"
}
trap cleanup EXIT
start_smtp_server "$work/maildir"
port=$smtp_port

"$gateway" keygen >"$work/account.key"
