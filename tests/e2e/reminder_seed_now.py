#!/usr/bin/env python3
# tests/e2e/reminder_seed_now.py SEED TEXT: writes a store seed whose calendar holds one daily SMS
# appointment whose reminder falls due within the monitor's first cycle from now (the next full
# minute at least half a minute away), and the reminder text the gateway must decode into TEXT.
import datetime
import json
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "win", "reminders"))
import reminder_seed  # noqa: E402

MONTHS = ["January", "February", "March", "April", "May", "June", "July", "August", "September", "October",
          "November", "December"]
OFFSET = 15


def main(seed_path, text_path):
    now = datetime.datetime.now().replace(microsecond=0)
    due = now.replace(second=0) + datetime.timedelta(minutes=1)
    if (due - now).total_seconds() < 30:
        due += datetime.timedelta(minutes=1)
    start = due + datetime.timedelta(minutes=OFFSET)
    start_utc = start.astimezone(datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ")
    first_day = reminder_seed.minutes(start.year, start.month, start.day)
    blob = reminder_seed.daily_blob(first_day, start.hour * 60 + start.minute, [])
    appointment = reminder_seed.item(8201, reminder_seed.APPT + "RemYesAttNo", "Daily check", start_utc, OFFSET,
                                     recur=1, blob=blob, location="Room 4")
    with open(seed_path, "w") as f:
        json.dump(reminder_seed.store([appointment], []), f, indent=1)
    hour = start.hour - 12 if start.hour > 12 else start.hour
    text = "You have an appointment for %d %s %d %2d:%02d:%02d %s created by Ann Smith.\nSubject: Daily check\n" \
           "Location: Room 4" % (start.day, MONTHS[start.month - 1], start.year, hour, start.minute, 0,
                                 "AM" if start.hour < 12 else "PM")
    with open(text_path, "w") as f:
        f.write(text)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
