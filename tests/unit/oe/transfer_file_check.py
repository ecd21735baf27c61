# tests/unit/oe/transfer_file_check.py: Python's own MIME parser reads a transfer file written by
# the library: its headers, the preamble body and the "content.txt" attachment, which must decode
# to the job document with its terminating zero. Run by ctest with the writer tool's path.
import email
import email.policy
import os
import subprocess
import sys
import tempfile
import unittest

TOOL = os.environ.get("TRANSFER_FILE_TOOL", "")
PREAMBLE = ("This is a SMS server communication mail. To see the plain text version look in your "
            "Sent SMSs folder.")


def write_transfer_file(document):
    with tempfile.NamedTemporaryFile("wb", suffix=".xml", delete=False) as f:
        f.write(document)
        source = f.name
    try:
        path = subprocess.run([TOOL, source], check=True, capture_output=True, text=True).stdout.strip()
    finally:
        os.unlink(source)
    with open(path, "rb") as f:
        data = f.read()
    os.unlink(path)
    return data


class TransferFileTest(unittest.TestCase):
    def parse(self, document):
        return email.message_from_bytes(write_transfer_file(document), policy=email.policy.compat32)

    def test_headers_and_parts(self):
        message = self.parse(b"<MAIL>\r\n<SMS>hello</SMS>\r\n</MAIL>")
        self.assertEqual(message["Subject"], "SMS job")
        self.assertEqual(message["X-Unsent"], "1")
        self.assertEqual(message["X-Mailer"], "VI Reveer")
        self.assertIn("gateway@brevolt.example", message["To"])
        self.assertIn("second@brevolt.example", message["To"])
        self.assertIn("copy@brevolt.example", message["Bcc"])
        self.assertIsNotNone(email.utils.parsedate_tz(message["Date"]))
        self.assertTrue(message.is_multipart())
        self.assertEqual(message.get_content_type(), "multipart/mixed")
        body, attachment = message.get_payload()
        self.assertEqual(body.get_content_type(), "text/plain")
        text = body.get_payload(decode=True).decode("ascii")
        self.assertTrue(text.startswith(PREAMBLE + "\n" * 50 + "<MAIL>"))
        self.assertEqual(attachment.get_filename(), "content.txt")
        self.assertEqual(attachment.get_payload(decode=True), b"<MAIL>\r\n<SMS>hello</SMS>\r\n</MAIL>\x00")

    def test_long_job_keeps_the_preamble_alone(self):
        document = (b"<SMS>" + b"x" * 80 + b"</SMS>\r\n") * 7000
        self.assertGreater(len(document), 512000)
        message = self.parse(document)
        body, attachment = message.get_payload()
        self.assertEqual(body.get_payload(decode=True).decode("ascii").strip("\n"), PREAMBLE)
        self.assertEqual(attachment.get_payload(decode=True), document + b"\x00")
        self.assertEqual(message.defects, [])
        self.assertEqual(attachment.defects, [])


if __name__ == "__main__":
    if not TOOL or not os.path.exists(TOOL):
        print("TRANSFER_FILE_TOOL is not set", file=sys.stderr)
        sys.exit(1)
    unittest.main()
