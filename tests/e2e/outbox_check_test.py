# tests/e2e/outbox_check_test.py: the Outlook-road checks must reject what a broken road produces
# (a job mailed without its attachment, a copy showing the wrong people or still submitted, mail
# left in the Outbox), or the scenario would pass over a fault. Runs with /usr/bin/python3 -m unittest.
import email.message
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import outbox_check  # noqa: E402

JOB = "<SMS SEND>\r\n<DATA>\r\nabc\r\n</DATA>\r\n</SMS SEND>\r\n"


def job_mail(body=outbox_check.PREAMBLE + "\r\n\r\n" + JOB, attachment=("BS3e29.TXT", JOB)):
    m = email.message.EmailMessage()
    m["Subject"] = "Brevolt email"
    m.set_content(body)
    if attachment is not None:
        m.add_attachment(attachment[1].encode(), maintype="text", subtype="plain", filename=attachment[0])
    return m


def copy(body="Hi", names=("Ben Mokoena", "083 555 0103"), flags=1, attachments=()):
    return {"id": 7, "class": "IPM.Note", "body": body, "flags": flags,
            "recipients": [{"name": n} for n in names], "attachments": list(attachments)}


class MailTest(unittest.TestCase):
    def test_a_job_mail_of_the_outbox_passes(self):
        self.assertEqual(outbox_check.mail_problems(job_mail()), [])

    def test_mails_that_did_not_come_through_the_outbox_fail(self):
        cases = {
            "no attachment": job_mail(attachment=None),
            "attachment not a job file": job_mail(attachment=("job.xml", JOB)),
            "attachment without a document": job_mail(attachment=("BS0001.TXT", "nothing")),
            "body without the preamble": job_mail(body=JOB),
        }
        for what, mail in cases.items():
            with self.subTest(what):
                self.assertNotEqual(outbox_check.mail_problems(mail), [])

    def test_the_count_and_the_queued_plain_mail_are_checked(self):
        with tempfile.TemporaryDirectory() as maildir:
            os.mkdir(os.path.join(maildir, "new"))
            plain = email.message.EmailMessage()
            plain["Subject"] = "Queued"
            plain.set_content("queued body")
            for name, mail in (("1", job_mail()), ("2", plain)):
                with open(os.path.join(maildir, "new", name), "wb") as f:
                    f.write(mail.as_bytes())
            self.assertEqual(outbox_check.check_mails(maildir, 2, plain=("Queued", "queued body")), [])
            self.assertNotEqual(outbox_check.check_mails(maildir, 2), [], "a plain mail is not a job")
            self.assertNotEqual(outbox_check.check_mails(maildir, 3, plain=("Queued", "queued body")), [])
            self.assertNotEqual(outbox_check.check_mails(maildir, 2, plain=("Queued", "other body")), [])


class CopyTest(unittest.TestCase):
    TO = "Ben Mokoena <082 555 0101>;083 555 0103"

    def test_names_of_a_typed_job(self):
        self.assertEqual(outbox_check.names_of(self.TO + ";Team"), ["Ben Mokoena", "083 555 0103", "Team"])

    def test_a_copy_may_show_a_mobile_in_another_spelling(self):
        self.assertEqual(outbox_check.copy_problems(copy(names=("Ben Mokoena", "+27835550103")), "Hi", self.TO), [])

    def test_wrong_copies_fail(self):
        cases = {
            "other body": copy(body="Hello"),
            "a recipient missing": copy(names=("Ben Mokoena",)),
            "an extra recipient": copy(names=("Ben Mokoena", "083 555 0103", "Eve")),
            "unread": copy(flags=0),
            "still submitted": copy(flags=0x5),
            "with an attachment": copy(attachments=[{"name": "BS0001.TXT"}]),
        }
        for what, c in cases.items():
            with self.subTest(what):
                self.assertNotEqual(outbox_check.copy_problems(c, "Hi", self.TO), [])

    def test_only_new_copies_count_and_the_outbox_must_keep_nothing_new(self):
        old = dict(copy(), id=1)
        new = dict(copy(), id=2)
        jobs = [("Hi", self.TO)]
        self.assertEqual(outbox_check.check_copies([old], [old, new], [], [], jobs), [])
        self.assertNotEqual(outbox_check.check_copies([old], [old], [], [], jobs), [], "only an old copy")
        left = {"id": 9, "subject": "Brevolt email", "flags": 4}
        self.assertEqual(outbox_check.check_copies([], [new], [left], [left], jobs), [], "left by an earlier run")
        self.assertNotEqual(outbox_check.check_copies([], [new], [], [left], jobs), [])


if __name__ == "__main__":
    unittest.main()
