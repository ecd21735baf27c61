# tests/e2e/sms_check.py: what the e2e scenarios and the demo expect the gateway to decode from
# numbers typed into a job, and the check of the gateway's lines against it.
# The product sends one SMS per distinct mobile, however it is written: a typed number becomes
# "+" and its comparable form (Addressbook/messaging/phone_rules.cpp, ComparableForm) with the
# user's country code, and recipients are kept once per such key. This mirrors those rules.
# Run as a script: sms_check.py expect|check ... (see usage()); it prints problems, never a traceback.
import json
import re
import sys

DEFAULT_COUNTRY = "27"


def split_recipients(text):
    """The pieces between ";", CR and LF, without tabs and outer spaces; empty pieces dropped."""
    pieces = (p.replace("\t", "").strip(" ") for p in re.split(r"[;\r\n]", text))
    return [p for p in pieces if p]


def number_of(piece):
    """The number a piece names: the text inside a trailing "<...>", else the piece itself."""
    m = re.fullmatch(r"[^<>]*<([^<>]*)>", piece)
    return m.group(1).strip() if m else piece


def is_local_format(number):
    return bool(re.fullmatch(r"[0-9(][0-9 ()-]*", number))


def passes_send_test(number):
    """Local format, or "+" followed by one."""
    return is_local_format(number) or (number.startswith("+") and is_local_format(number[1:]))


def comparable_form(number, country=DEFAULT_COUNTRY):
    """International digits without the "+": a "+" counts only before the first digit; "00" (and
    "09" in South Africa) is an international prefix; a lone "0" is replaced by the country code."""
    kept = ""
    for c in number:
        if c.isdigit() and c.isascii():
            kept += c
        elif c == "+" and not kept:
            kept += c
    country_digits = re.sub(r"\D", "", country)
    if kept.startswith("+"):
        return kept[1:]
    if kept.startswith("00") or (kept.startswith("09") and country_digits == "27"):
        return kept[2:]
    if kept.startswith("0"):
        return country_digits + kept[1:]
    return kept


def mobile_key(number, country=DEFAULT_COUNTRY):
    return "+" + comparable_form(number, country)


def expected_mobiles(to, country=DEFAULT_COUNTRY):
    """(mobiles, refused): the distinct mobile keys the product sends to, in typed order, each with
    the first spelling typed; and the pieces that name no mobile number."""
    mobiles, refused = {}, []
    for piece in split_recipients(to):
        number = number_of(piece)
        if not passes_send_test(number) or not re.search(r"\d", number):
            refused.append(piece)
            continue
        mobiles.setdefault(mobile_key(number, country), number)
    return mobiles, refused


def check(rows, text, to, country=DEFAULT_COUNTRY):
    """The problems with the gateway's decoded lines for one job of text to the numbers in to;
    empty when exactly one verified SMS with the text reached each distinct mobile."""
    problems = []
    wanted, refused = expected_mobiles(to, country)
    if refused:
        problems.append("not mobile numbers: " + ", ".join(repr(p) for p in refused))
    for row in rows:
        if "error" in row:
            problems.append("the gateway could not decode a mail: %s" % row["error"])
    sms = [r for r in rows if "error" not in r]
    for r in sms:
        if not r.get("verified"):
            problems.append("an SMS to %s failed verification" % r.get("mobile"))
        if r.get("text") != text:
            problems.append("the SMS to %s reads %r, not %r" % (r.get("mobile"), r.get("text"), text))
    got = {}
    for r in sms:
        got.setdefault(mobile_key(str(r.get("mobile", "")), country), []).append(r)
    for key, typed in wanted.items():
        if key not in got:
            problems.append("no SMS reached %s (typed as %r)" % (key, typed))
        elif len(got[key]) > 1:
            problems.append("%d SMS reached %s, one expected" % (len(got[key]), key))
    for key in got:
        if key not in wanted:
            problems.append("an SMS went to %s, which was not asked for" % key)
    return problems


def read_rows(path):
    rows = []
    with open(path, encoding="utf-8") as f:
        for n, line in enumerate(f, 1):
            if line.strip():
                try:
                    row = json.loads(line)
                except ValueError:
                    row = None
                if not isinstance(row, dict):
                    row = {"error": "line %d of the gateway's output is not a JSON object: %r" % (n, line[:80])}
                rows.append(row)
    return rows


def usage():
    print("usage: sms_check.py expect TO [COUNTRY]\n"
          "       sms_check.py check DECODED_JSON TEXT TO [COUNTRY]", file=sys.stderr)
    return 2


def main(argv):
    if len(argv) >= 2 and argv[0] == "expect" and len(argv) <= 3:
        wanted, refused = expected_mobiles(argv[1], *argv[2:])
        for piece in refused:
            print("not a mobile number: %r" % piece, file=sys.stderr)
        if refused or not wanted:
            if not wanted and not refused:
                print("no mobile numbers given", file=sys.stderr)
            return 1
        for key, typed in wanted.items():
            print("%s\t%s" % (key, typed))
        return 0
    if len(argv) >= 4 and argv[0] == "check" and len(argv) <= 5:
        try:
            rows = read_rows(argv[1])
        except OSError as e:
            print("FAIL: cannot read the gateway's output: %s" % e)
            return 1
        problems = check(rows, argv[2], argv[3], *argv[4:])
        for p in problems:
            print("FAIL: " + p)
        if problems:
            return 1
        print("%d SMS, one per distinct mobile, arrived verified" % len(rows))
        return 0
    return usage()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
