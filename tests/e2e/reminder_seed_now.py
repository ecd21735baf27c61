#!/usr/bin/env python3
# tests/e2e/reminder_seed_now.py SEED EXPECTED NOW SYNC_NOW: writes a store seed for the reminder
# scenario around the clock it sets (NOW and SYNC_NOW are local "YYYY-MM-DDTHH:MM:SS", the second
# on NOW's day), and into EXPECTED what the gateway must decode (JSON: "monitor" and "sync", each a
# list of {"text", "delivery_time"}):
# - a daily SMS appointment "Daily check" whose reminder falls due in the monitor's first cycle at
#   NOW (the next full minute), with the occurrence three days on deleted;
# - an SMS task four days on at 14:30, a plain appointment, and an SMS appointment ten days on;
# - "Reminder Sync" at SYNC_NOW for the next 7 days then sends every occurrence of the following
#   seven days (not the deleted one) and the task, each at its reminder time, and nothing else.
import datetime
import json
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "win", "reminders"))
import reminder_seed  # noqa: E402

MONTHS = ["January", "February", "March", "April", "May", "June", "July", "August", "September", "October",
          "November", "December"]
OFFSET = 10
SYNC_DAYS = 7


def utc_text(local):
    return local.astimezone(datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ")


def clock(at):
    """The time as the reminder texts show it: day, month name, year, 12-hour clock."""
    hour = at.hour - 12 if at.hour > 12 else at.hour
    return "%d %s %d %2d:%02d:%02d %s" % (at.day, MONTHS[at.month - 1], at.year, hour, at.minute, at.second,
                                          "AM" if at.hour < 12 else "PM")


def appointment_text(start):
    return "You have an appointment for %s created by Ann Smith.\nSubject: Daily check\nLocation: Room 4" % clock(start)


def build(now, sync_now):
    first = now.replace(second=0) + datetime.timedelta(minutes=1 + OFFSET)
    day = datetime.timedelta(days=1)
    deleted = first + 3 * day
    blob = reminder_seed.daily_blob(reminder_seed.minutes(first.year, first.month, first.day),
                                    first.hour * 60 + first.minute,
                                    [reminder_seed.minutes(deleted.year, deleted.month, deleted.day)])
    task_at = (first + 4 * day).replace(hour=14, minute=30)
    far = (first + 10 * day).replace(hour=10, minute=0)
    plain = (first + 2 * day).replace(hour=11, minute=0)
    calendar = [
        reminder_seed.item(8201, reminder_seed.APPT + "RemYesAttNo", "Daily check", utc_text(first), OFFSET, recur=1,
                           blob=blob, location="Room 4"),
        reminder_seed.item(8202, "IPM.Appointment", "Plain", utc_text(plain), 15),
        reminder_seed.item(8203, reminder_seed.APPT + "RemYesAttNo", "Far away", utc_text(far), 15),
    ]
    tasks = [reminder_seed.item(8301, "IPM.Task.SMSTaskFormRemYes", "Quarterly report", utc_text(task_at), 0)]
    seed = reminder_seed.store(calendar, tasks)

    end = (sync_now + SYNC_DAYS * day).replace(hour=23, minute=59, second=59)
    sync = []
    start = first
    while start - datetime.timedelta(minutes=OFFSET) < end:
        reminder = start - datetime.timedelta(minutes=OFFSET)
        if reminder > sync_now and start != deleted:
            sync.append({"text": appointment_text(start), "delivery_time": reminder.strftime("%Y-%m-%dT%H:%M:%S")})
        start += day
    sync.append({"text": "You have a task reminder for %s.\nSubject: Quarterly report" % clock(task_at),
                 "delivery_time": task_at.strftime("%Y-%m-%dT%H:%M:%S")})
    expected = {"monitor": [{"text": appointment_text(first), "delivery_time": None}], "sync": sync,
                "sync_end": "%d %s %d 23:59:59" % (end.day, MONTHS[end.month - 1], end.year)}
    return seed, expected


def main(seed_path, expected_path, now_text, sync_text):
    now = datetime.datetime.fromisoformat(now_text)
    sync_now = datetime.datetime.fromisoformat(sync_text)
    seed, expected = build(now, sync_now)
    with open(seed_path, "w") as f:
        json.dump(seed, f, indent=1)
    with open(expected_path, "w") as f:
        json.dump(expected, f, indent=1)


if __name__ == "__main__":
    main(*sys.argv[1:5])
