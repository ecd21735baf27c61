# tests/e2e/bulk_check.py: a bulk job's promise against what the gateway decoded. The message
# summary's line ("- In Summary: N SMSs will be sent to M recipients.") announces N SMS parts to M
# recipients; the gateway's lines must hold M recipients whose parts add up to N, each reading the
# text followed by that person's balance from the imported CSV file (its last column).
# Run as a script: bulk_check.py DECODED_JSON SUMMARY_LINE TEXT CSV; prints problems, never a traceback.
import csv
import re
import sys

import sms_check

SUMMARY = re.compile(r"In Summary: (\d+) SMSs? will be sent to (\d+) recipients?\.")


def announced(line):
    """(sms, recipients) the summary line announces, or None when it is not a summary line."""
    m = SUMMARY.search(line)
    return (int(m.group(1)), int(m.group(2))) if m else None


def balances(path, country=sms_check.DEFAULT_COUNTRY):
    """The mobile key of every CSV row that has a mobile, with the row's last column."""
    with open(path, newline="", encoding="ascii") as f:
        rows = list(csv.reader(f))
    return {sms_check.mobile_key(r[0], country): r[-1] for r in rows[1:] if r and r[0].strip()}


def check(rows, line, text, wanted):
    """The problems of the decoded rows against the summary line and the wanted {mobile: token}."""
    promise = announced(line)
    if promise is None:
        return ["not a summary line: %r" % line]
    problems = ["the gateway could not decode a mail: %s" % r["error"] for r in rows if "error" in r]
    # A copy the gateway returns to the sender is not one of the job's recipients.
    sms = [r for r in rows if "error" not in r and not r.get("to_sender")]
    parts = sum(int(r.get("parts", 0)) for r in sms)
    if (parts, len(sms)) != promise:
        problems.append("the summary announced %d SMS to %d recipients; the gateway decoded %d to %d"
                        % (promise + (parts, len(sms))))
    seen = set()
    for r in sms:
        key = sms_check.mobile_key(str(r.get("mobile", "")))
        if key in seen:
            problems.append("%s got more than one SMS" % key)
        seen.add(key)
        if not r.get("verified"):
            problems.append("the SMS to %s failed verification" % key)
        if key not in wanted:
            problems.append("an SMS went to %s, which is not in the file" % key)
        elif r.get("text") != text + wanted[key]:
            problems.append("the SMS to %s reads %r, not %r" % (key, r.get("text"), text + wanted[key]))
    return problems


def main(argv):
    if len(argv) != 4:
        print("usage: bulk_check.py DECODED_JSON SUMMARY_LINE TEXT CSV", file=sys.stderr)
        return 2
    try:
        rows = sms_check.read_rows(argv[0])
        wanted = balances(argv[3])
    except OSError as e:
        print("FAIL: %s" % e)
        return 1
    problems = check(rows, argv[1], argv[2], wanted)
    for p in problems:
        print("FAIL: " + p)
    if problems:
        return 1
    print("%s - and the gateway decoded exactly that" % argv[1].strip())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
