# tests/e2e/sms_check_test.py: the e2e scenarios' and the demo's expectation of what the gateway
# decodes: one SMS per distinct mobile after the product's normalisation, and problems reported
# as lines, not tracebacks. Runs with /usr/bin/python3 -m unittest (no packages needed).
import contextlib
import io
import json
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sms_check  # noqa: E402


def row(mobile, text="T", verified=True):
    return {"mobile": mobile, "text": text, "verified": verified, "bulk": False}


class ExpectedMobilesTest(unittest.TestCase):
    def test_one_mobile_in_national_and_international_form_is_one_sms(self):
        wanted, refused = sms_check.expected_mobiles("082 555 1234;+27 82 555 1234")
        self.assertEqual(wanted, {"+27825551234": "082 555 1234"})
        self.assertEqual(refused, [])

    def test_spellings_the_product_treats_as_one_mobile(self):
        cases = [
            ("0825551234", "27", "+27825551234"),
            ("(082) 555-1234", "27", "+27825551234"),
            ("+27 (82) 555 1234", "27", "+27825551234"),
            ("0027 82 555 1234", "27", "+27825551234"),
            ("09 27 82 555 1234", "27", "+27825551234"),  # South Africa's own international prefix
            ("Bob Smith <+27 82 555 0002>", "27", "+27825550002"),
            ("07700 900123", "44", "+447700900123"),
            ("09 123", "44", "+449123"),  # "09" is a trunk form elsewhere
            ("+44 7700 900123", "27", "+447700900123"),
        ]
        for typed, country, key in cases:
            with self.subTest(typed=typed, country=country):
                self.assertEqual(list(sms_check.expected_mobiles(typed, country)[0]), [key])

    def test_distinct_mobiles_keep_their_typed_order_and_first_spelling(self):
        wanted, _ = sms_check.expected_mobiles("082 555 0101; +27 82 555 0102\r\n+27825550101;;\t0825550102")
        self.assertEqual(list(wanted.items()), [("+27825550101", "082 555 0101"), ("+27825550102", "+27 82 555 0102")])

    def test_pieces_that_are_no_mobile_number_are_refused(self):
        wanted, refused = sms_check.expected_mobiles("Bob Smith;0825550001;abc 123;+;() ;x@example.org")
        self.assertEqual(list(wanted), ["+27825550001"])
        self.assertEqual(refused, ["Bob Smith", "abc 123", "+", "()", "x@example.org"])


class CheckTest(unittest.TestCase):
    to = "082 555 1234;+27 82 555 1234;083 000 0001"

    def test_one_verified_sms_per_distinct_mobile_passes(self):
        rows = [row("+27825551234"), row("+27830000001")]
        self.assertEqual(sms_check.check(rows, "T", self.to), [])
        self.assertEqual(sms_check.check([row("0825551234"), row("27830000001")], "T", self.to), [])

    def test_missing_repeated_and_unasked_mobiles_are_named(self):
        problems = sms_check.check([row("+27825551234"), row("+27825551234"), row("+27840000000")], "T", self.to)
        self.assertEqual(problems, ["2 SMS reached +27825551234, one expected",
                                    "no SMS reached +27830000001 (typed as '083 000 0001')",
                                    "an SMS went to +27840000000, which was not asked for"])

    def test_unverified_changed_and_undecodable_mail_fail(self):
        rows = [row("+27825551234", verified=False), row("+27830000001", text="t"), {"error": "bad digest"}]
        self.assertEqual(sms_check.check(rows, "T", self.to),
                         ["the gateway could not decode a mail: bad digest",
                          "an SMS to +27825551234 failed verification",
                          "the SMS to +27830000001 reads 't', not 'T'"])
        self.assertEqual(sms_check.check([], "T", "0825551234"), ["no SMS reached +27825551234 (typed as '0825551234')"])


class CommandLineTest(unittest.TestCase):
    def run_main(self, *argv):
        out, err = io.StringIO(), io.StringIO()
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
            rc = sms_check.main(list(argv))
        return rc, out.getvalue(), err.getvalue()

    def decoded(self, lines):
        f = tempfile.NamedTemporaryFile("w", suffix=".json", delete=False)
        self.addCleanup(os.unlink, f.name)
        with f:
            f.write("".join(line + "\n" for line in lines))
        return f.name

    def test_the_demo_job_with_one_mobile_typed_twice(self):
        path = self.decoded([json.dumps(row("+27825551234"))])
        self.assertEqual(self.run_main("check", path, "T", "082 555 1234;+27 82 555 1234"),
                         (0, "1 SMS, one per distinct mobile, arrived verified\n", ""))

    def test_failures_are_lines_and_an_exit_code_not_a_traceback(self):
        path = self.decoded([json.dumps(row("+27825551234")), "{not json", "[1]"])
        rc, out, err = self.run_main("check", path, "T", "0825551234;0830000001")
        self.assertEqual(rc, 1)
        self.assertEqual(out.splitlines(), [
            "FAIL: the gateway could not decode a mail: line 2 of the gateway's output is not a JSON object:"
            " '{not json\\n'",
            "FAIL: the gateway could not decode a mail: line 3 of the gateway's output is not a JSON object: '[1]\\n'",
            "FAIL: no SMS reached +27830000001 (typed as '0830000001')"])
        rc, out, _ = self.run_main("check", path + ".missing", "T", "0825551234")
        self.assertEqual(rc, 1)
        self.assertTrue(out.startswith("FAIL: cannot read the gateway's output: "), out)

    def test_expect_lists_the_mobiles_or_names_what_is_not_one(self):
        self.assertEqual(self.run_main("expect", "082 555 1234;+27 82 555 1234", "27"),
                         (0, "+27825551234\t082 555 1234\n", ""))
        self.assertEqual(self.run_main("expect", "0825551234;Bob"), (1, "", "not a mobile number: 'Bob'\n"))
        self.assertEqual(self.run_main("expect", " ; "), (1, "", "no mobile numbers given\n"))
        self.assertEqual(self.run_main("bogus")[0], 2)


if __name__ == "__main__":
    unittest.main()
