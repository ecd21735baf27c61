#!/usr/bin/python3
# tests/unit/smtp/check_mail.py MAILFILE OUTDIR: reads a stored mail the way a MIME reader does and
# writes what it found: summary.txt (one "key=value" per line), and each leaf part's decoded bytes
# as part<N>.bin.
import email
import email.policy
import os
import sys


def main():
    with open(sys.argv[1], "rb") as f:
        message = email.message_from_binary_file(f, policy=email.policy.compat32)
    out = sys.argv[2]
    lines = ["content-type=" + message.get_content_type(),
             "defects=%d" % len(message.defects),
             "to-addresses=%d" % len(email.utils.getaddresses(message.get_all("To", [])))]
    index = 0
    for part in message.walk():
        lines.append("defects=%d" % len(part.defects))
        if part.is_multipart():
            lines.append("multipart=" + part.get_content_type())
            continue
        lines.append("part%d=%s" % (index, part.get_content_type()))
        if part.get_filename():
            lines.append("part%d-filename=%s" % (index, part.get_filename()))
        with open(os.path.join(out, "part%d.bin" % index), "wb") as f:
            f.write(part.get_payload(decode=True) or b"")
        index += 1
    with open(os.path.join(out, "summary.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    import email.utils
    main()
