# tests/e2e/outbox_check.py: what the Outlook-road scenario and the demo expect of jobs that left
# through Outlook's Outbox: the mails the MAPI spooler delivered (preamble body, the job as a
# "BS...TXT" attachment), the SMS the gateway decoded from them, and the readable copies filed in
# "Sent SMSs" (mapistore show lines). Problems print as FAIL lines, never as a traceback.
#   outbox_check.py mails MAILDIR COUNT [--show]
#   outbox_check.py mails MAILDIR COUNT --plain SUBJECT BODY: one of them is a plain mail, not a job
#   outbox_check.py sms DECODED SINGLE_TEXT SINGLE_TO BULK_TEXT "Name=+mobile;..."
#   outbox_check.py copies BEFORE AFTER OUTBOX_BEFORE OUTBOX_AFTER TEXT TO [TEXT TO]... [--show]
# (TO as typed for the job: "Name <number>;number;..."; a list is given by its name)
import email
import email.policy
import json
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sms_check  # noqa: E402

PREAMBLE = "This is a SMS server communication mail. To see the plain text version look in your Sent SMSs folder."
JOB_FILE = re.compile(r"BS[0-9A-Fa-f]{1,4}\.TXT")
MSGFLAG_READ = 0x1
MSGFLAG_SUBMIT = 0x4


def maildir_messages(maildir):
    paths = []
    for sub in ("new", "cur"):
        folder = os.path.join(maildir, sub)
        if os.path.isdir(folder):
            paths += [os.path.join(folder, name) for name in sorted(os.listdir(folder))]
    for path in paths:
        with open(path, "rb") as f:
            yield path, email.message_from_binary_file(f, policy=email.policy.compat32)


def mail_problems(message):
    """What is wrong with one mail for a job that left through the Outbox."""
    if not message.is_multipart():
        return ["a single-part mail (%s): not the Outbox's message with its attachment" % message.get_content_type()]
    texts, jobs, problems = [], [], []
    for part in message.walk():
        if part.is_multipart():
            continue
        name = part.get_filename()
        payload = part.get_payload(decode=True) or b""
        if name is None:
            texts.append(payload.decode("utf-8", "replace").strip())
        elif not JOB_FILE.fullmatch(name):
            problems.append("an attachment named %r, not BS...TXT" % name)
        elif b"<SMS SEND>" not in payload:
            problems.append("the attachment %s holds no job document" % name)
        else:
            jobs.append(name)
    # The body is the preamble, followed by the document itself unless the job is very large.
    if len(texts) != 1 or not texts[0].startswith(PREAMBLE):
        problems.append("the body does not start with the preamble: %r" % [t[:120] for t in texts])
    if len(jobs) != 1:
        problems.append("%d job attachments, one expected" % len(jobs))
    return problems


def plain_problems(message, body):
    if message.is_multipart():
        return ["a multipart mail, not the plain message that was queued"]
    text = (message.get_payload(decode=True) or b"").decode("utf-8", "replace").strip()
    return [] if text == body else ["its body is %r, not %r" % (text, body)]


def check_mails(maildir, count, show=False, plain=None):
    """count mails, each a job that left through the Outbox; with plain (subject, body), exactly
    one of them is instead that plain message."""
    problems, seen, plain_seen = [], 0, 0
    for path, message in maildir_messages(maildir):
        seen += 1
        if plain is not None and message["Subject"] == plain[0]:
            plain_seen += 1
            found = plain_problems(message, plain[1])
        else:
            found = mail_problems(message)
        for p in found:
            problems.append("%s: %s" % (os.path.basename(path), p))
        if show:
            names = [p.get_filename() for p in message.walk() if p.get_filename()]
            print("   To: %s  Subject: %s  attachment: %s" % (message["To"], message["Subject"], ", ".join(names)))
    if seen != count:
        problems.append("%d mails arrived, %d expected" % (seen, count))
    if plain is not None and plain_seen != 1:
        problems.append("%d mails with the subject %r arrived, one expected" % (plain_seen, plain[0]))
    return problems


def parse_names(text):
    """"Name=+mobile;..." as {mobile key: name}."""
    wanted = {}
    for piece in filter(None, text.split(";")):
        name, _, mobile = piece.partition("=")
        wanted[sms_check.mobile_key(mobile)] = name
    return wanted


def check_sms(rows, single_text, single_to, bulk_text, bulk_names):
    """The single job's SMS as sms_check expects them; the bulk job one SMS per distinct mobile,
    "{First Name}" filled in with the first word of the recipient's name."""
    problems = [p for p in (("the gateway could not decode a mail: %s" % r["error"]) for r in rows if "error" in r)]
    rows = [r for r in rows if "error" not in r]
    problems += sms_check.check([r for r in rows if not r.get("bulk")], single_text, single_to)
    wanted = parse_names(bulk_names)
    got = {}
    for r in (r for r in rows if r.get("bulk")):
        got.setdefault(sms_check.mobile_key(str(r.get("mobile", ""))), []).append(r)
        if not r.get("verified"):
            problems.append("a bulk SMS to %s failed verification" % r.get("mobile"))
    for key, name in wanted.items():
        sms = got.get(key, [])
        if len(sms) != 1:
            problems.append("%d bulk SMS reached %s (%s), one expected" % (len(sms), key, name))
            continue
        text = bulk_text.replace("{First Name}", name.split(" ")[0])
        if sms[0].get("text") != text:
            problems.append("the bulk SMS to %s reads %r, not %r" % (key, sms[0].get("text"), text))
    problems += ["a bulk SMS went to %s, which was not asked for" % k for k in got if k not in wanted]
    return problems


def read_lines(path):
    with open(path, encoding="utf-8") as f:
        return [json.loads(line) for line in f if line.strip()]


def names_of(to):
    """Whom a copy should show for recipients typed as "Name <number>;number;...": the name of a
    named recipient, else the number as typed."""
    names = []
    for piece in sms_check.split_recipients(to):
        m = re.fullmatch(r"([^<>]*)<[^<>]*>", piece)
        names.append(m.group(1).strip() if m and m.group(1).strip() else sms_check.number_of(piece))
    return names


def recipient_matches(shown, wanted):
    """A copy names a recipient by name, or by the mobile the SMS went to in any spelling."""
    if shown == wanted:
        return True
    return bool(re.search(r"\d", wanted)) and sms_check.passes_send_test(shown) and \
        sms_check.mobile_key(shown) == sms_check.mobile_key(wanted)


def copy_problems(copy, text, names):
    problems = []
    if copy.get("body") != text:
        problems.append("its body is %r, not %r" % (copy.get("body"), text))
    if copy.get("class") != "IPM.Note":
        problems.append("its class is %r" % copy.get("class"))
    if not copy.get("flags", 0) & MSGFLAG_READ or copy.get("flags", 0) & MSGFLAG_SUBMIT:
        problems.append("its flags are 0x%x: a filed copy is read and never submitted" % copy.get("flags", 0))
    if copy.get("attachments"):
        problems.append("it carries attachments %r" % [a.get("name") for a in copy["attachments"]])
    shown = [r.get("name", "") for r in copy.get("recipients", [])]
    wanted = names_of(names)
    unmatched = list(shown)
    for w in wanted:
        hit = next((s for s in unmatched if recipient_matches(s, w)), None)
        if hit is None:
            problems.append("no recipient shows %r (recipients: %r)" % (w, shown))
        else:
            unmatched.remove(hit)
    if unmatched:
        problems.append("recipients %r were not in the job" % unmatched)
    return problems


def check_copies(before, after, outbox_before, outbox_after, jobs, show=False):
    """One new copy per job (jobs: [(text, names)]), and nothing of this run left in the Outbox."""
    known = {c["id"] for c in before}
    new = [c for c in after if c["id"] not in known]
    problems = []
    if len(new) != len(jobs):
        problems.append("%d new copies in \"Sent SMSs\", %d expected" % (len(new), len(jobs)))
    for text, names in jobs:
        copy = next((c for c in new if c.get("body") == text), None)
        if copy is None:
            problems.append("no copy in \"Sent SMSs\" has the body %r (new bodies: %r)" %
                            (text, [c.get("body") for c in new]))
            continue
        problems += ["the copy of %r: %s" % (text, p) for p in copy_problems(copy, text, names)]
        if show:
            print("   %s  to: %s" % (json.dumps(copy["body"]), ", ".join(r["name"] for r in copy["recipients"])))
    left = [m for m in outbox_after if m["id"] not in {o["id"] for o in outbox_before}]
    if left:
        problems.append("%d messages of this run are still in the Outbox: %r" %
                        (len(left), [(m.get("subject"), hex(m.get("flags", 0))) for m in left]))
    return problems


def report(problems, ok):
    for p in problems:
        print("FAIL: " + p)
    if not problems:
        print(ok)
    return 1 if problems else 0


def main(argv):
    show = "--show" in argv
    argv = [a for a in argv if a != "--show"]
    try:
        if len(argv) == 3 and argv[0] == "mails":
            return report(check_mails(argv[1], int(argv[2]), show),
                          "%s mails left through the Outbox, each with its job attachment" % argv[2])
        if len(argv) == 6 and argv[0] == "mails" and argv[3] == "--plain":
            return report(check_mails(argv[1], int(argv[2]), show, (argv[4], argv[5])),
                          "%s mails left through the Outbox, the queued message among them" % argv[2])
        if len(argv) == 6 and argv[0] == "sms":
            return report(check_sms(sms_check.read_rows(argv[1]), *argv[2:]),
                          "every SMS of both jobs arrived verified, one per distinct mobile")
        if len(argv) >= 7 and argv[0] == "copies" and len(argv) % 2 == 1:
            before, after, out_before, out_after = (read_lines(p) for p in argv[1:5])
            jobs = list(zip(argv[5::2], argv[6::2]))
            return report(check_copies(before, after, out_before, out_after, jobs, show),
                          "\"Sent SMSs\" holds a readable copy of each job; the Outbox kept nothing")
    except (OSError, ValueError, KeyError) as e:
        print("FAIL: %s: %s" % (type(e).__name__, e))
        return 1
    print("usage: see the head of tests/e2e/outbox_check.py", file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
