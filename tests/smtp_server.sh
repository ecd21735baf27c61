# tests/smtp_server.sh, sourced by the test scripts that need a real SMTP server:
# start_smtp_server MAILDIR starts aiosmtpd on a free local port storing into MAILDIR, waits until it
# listens and sets smtp_port; stop_smtp_server stops it by its PID (safe to call twice, and the
# callers call it from their EXIT trap).
smtp_pid=
smtp_port=

start_smtp_server() {
  smtp_port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
  /usr/bin/python3 -m aiosmtpd -n -l "127.0.0.1:$smtp_port" -c aiosmtpd.handlers.Mailbox "$1" &
  smtp_pid=$!
  for _ in $(seq 1 100); do
    /usr/bin/python3 -c "import socket; socket.create_connection(('127.0.0.1',$smtp_port),1)" 2>/dev/null && return 0
    sleep 0.1
  done
  echo "smtp_server: the SMTP server did not start on port $smtp_port" >&2
  return 1
}

stop_smtp_server() {
  if [ -n "$smtp_pid" ]; then
    kill "$smtp_pid" 2>/dev/null || true
    wait "$smtp_pid" 2>/dev/null || true
    smtp_pid=
  fi
}
