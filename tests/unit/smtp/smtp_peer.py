#!/usr/bin/python3
# tests/unit/smtp/smtp_peer.py: a scripted SMTP peer for replies a stock server does not give.
# Listens on 127.0.0.1 (a free port, printed on the first line of stdout), serves one connection
# and records every command, and every message's data, as JSON lines in the record file.
#
# Modes: normal, auth530 (530 to MAIL), nocode ("OK" as the greeting), greet554, data451,
# quit500, split (the greeting as a multi-line reply in pieces), silent (never greets),
# slowend (the reply to the end of data comes after a second).
import json
import socket
import sys
import time


def main():
    mode = sys.argv[1]
    record = open(sys.argv[2], "a", buffering=1)
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(1)
    print(server.getsockname()[1], flush=True)
    conn, _ = server.accept()
    reader = conn.makefile("rb")

    def reply(text):
        conn.sendall(text.encode("ascii"))

    if mode == "silent":
        time.sleep(120)
        return
    if mode == "nocode":
        reply("OK\r\n")
    elif mode == "greet554":
        reply("554 no service\r\n")
    elif mode == "split":
        reply("220-peer.test first line\r\n22")
        time.sleep(0.2)
        reply("0-second line\r\n220 ready\r\n")
    else:
        reply("220 peer.test ready\r\n")

    while True:
        line = reader.readline()
        if not line:
            break
        command = line.decode("latin-1").rstrip("\r\n")
        record.write(json.dumps({"cmd": command}) + "\n")
        verb = command.split(" ", 1)[0].upper()
        if verb == "MAIL":
            reply("530 5.7.0 Authentication required\r\n" if mode == "auth530" else "250 ok\r\n")
        elif verb == "DATA":
            if mode == "data451":
                reply("451 not now\r\n")
                continue
            reply("354 go ahead\r\n")
            data = b""
            while True:
                chunk = reader.readline()
                if not chunk or chunk == b".\r\n":
                    break
                data += chunk
            record.write(json.dumps({"message": data.decode("latin-1")}) + "\n")
            if mode == "slowend":
                time.sleep(1.0)
            reply("250 queued\r\n")
        elif verb == "QUIT":
            reply("500 no\r\n" if mode == "quit500" else "221 bye\r\n")
            break
        else:
            reply("250 ok\r\n")
    conn.close()


if __name__ == "__main__":
    main()
