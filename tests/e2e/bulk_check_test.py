# tests/e2e/bulk_check_test.py: a bulk job's summary line against the gateway's lines: the parts
# and recipients must match the line, each SMS must carry its own token value, and problems are
# reported as lines. Runs with /usr/bin/python3 -m unittest (no packages needed).
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bulk_check  # noqa: E402

LINE = "- In Summary: 3 SMSs will be sent to 2 recipients."
WANTED = {"+27825550001": "12.50", "+27825550002": "107.25"}


def row(mobile, text, parts=1, **extra):
    r = {"mobile": mobile, "text": text, "parts": parts, "verified": True, "bulk": True, "to_sender": False}
    r.update(extra)
    return r


class SummaryLineTest(unittest.TestCase):
    def test_plural_and_singular_lines_are_read(self):
        self.assertEqual(bulk_check.announced(LINE), (3, 2))
        self.assertEqual(bulk_check.announced("- In Summary: 1 SMS will be sent to 1 recipient."), (1, 1))
        self.assertEqual(bulk_check.announced("- In Summary: 0 SMSs will be sent to 0 recipients."), (0, 0))
        self.assertIsNone(bulk_check.announced("- The longest SMS requires 2 parts."))


class CheckTest(unittest.TestCase):
    def test_what_was_announced_arrived(self):
        rows = [row("+27825550001", "T12.50"), row("+27825550002", "T107.25", parts=2)]
        self.assertEqual(bulk_check.check(rows, LINE, "T", WANTED), [])

    def test_a_copy_to_the_sender_is_not_a_recipient(self):
        rows = [row("+27825550001", "T12.50"), row("+27825550002", "T107.25", parts=2),
                row("+27825551234", "T", to_sender=True)]
        self.assertEqual(bulk_check.check(rows, LINE, "T", WANTED), [])

    def test_a_missing_part_a_wrong_token_and_a_stranger_are_each_reported(self):
        rows = [row("+27825550001", "T107.25"), row("+27825550009", "T1", parts=2)]
        problems = bulk_check.check(rows, LINE, "T", WANTED)
        self.assertEqual(len(problems), 2, problems)
        rows = [row("+27825550001", "T12.50"), row("+27825550002", "T107.25")]
        self.assertIn("announced 3 SMS to 2 recipients; the gateway decoded 2 to 2",
                      bulk_check.check(rows, LINE, "T", WANTED)[0])

    def test_a_mobile_served_twice_or_unverified_fails(self):
        rows = [row("+27825550001", "T12.50"), row("0825550001", "T12.50", parts=2, verified=False)]
        problems = bulk_check.check(rows, LINE, "T", WANTED)
        self.assertTrue(any("more than one" in p for p in problems), problems)
        self.assertTrue(any("verification" in p for p in problems), problems)

    def test_an_undecodable_mail_and_a_foreign_line_are_failures(self):
        self.assertEqual(bulk_check.check([], "no summary", "T", WANTED), ["not a summary line: 'no summary'"])
        problems = bulk_check.check([{"error": "bad digest"}], "- In Summary: 0 SMSs will be sent to 0 recipients.",
                                    "T", WANTED)
        self.assertEqual(problems, ["the gateway could not decode a mail: bad digest"])


if __name__ == "__main__":
    unittest.main()
