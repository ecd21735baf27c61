#!/usr/bin/env python3
# tests/win/reminders/reminder_seed.py: writes reminder_seed.json, the store the reminder suites
# read: SMS appointments and tasks, single and recurring (blobs in the published layout).
import datetime
import json
import os
import struct

EPOCH = datetime.datetime(1601, 1, 1)


def minutes(y, mo, d, h=0, mi=0):
    return int((datetime.datetime(y, mo, d, h, mi) - EPOCH).total_seconds() // 60)


def daily_blob(first_day, start_minute, deleted):
    """A daily pattern from first_day (midnight minutes) that never ends, without exceptions."""
    b = struct.pack("<HHHHH", 0x3004, 0x3004, 0x200A, 0, 0)
    b += struct.pack("<III", first_day % 1440, 1440, 0)
    b += struct.pack("<III", 0x2023, 10, 0)
    b += struct.pack("<I", len(deleted)) + b"".join(struct.pack("<I", d) for d in deleted)
    b += struct.pack("<I", 0)
    b += struct.pack("<II", first_day, 0x5AE980DF)
    b += struct.pack("<IIIIHII", 0x3006, 0x3008, start_minute, start_minute + 30, 0, 0, 0)
    return b.hex().upper()


# The published example: weekly on Monday, Thursday and Friday at 10:00 from 2007-03-26, twelve
# occurrences, the one of 2007-04-16 moved to 11:00.
PUBLISHED = (
    "043004300B2001000000C0210000010000000000000032000000222000000C0000000000000001000000A096BC0C01000000A096BC0C"
    "8020BC0C20ADBC0C0630000009300000580200007602000001003499BC0C5299BC0CF898BC0C11002200210053696D706C652052"
    "6563757272656E6365207769746820657863657074696F6E730800070033342F34313431000000000400000000000000000000"
    "003499BC0C5299BC0CF898BC0C2100530069006D0070006C006500200052006500630075007200720065006E0063006500200077"
    "00690074006800200065007800630065007000740069006F006E0073000700330034002F00340031003400310000000000000000"
    "00")

APPT = "IPM.Appointment.SMSAppointmentForm"


def public(name, ptype, value):
    return {"guid": "PS_PUBLIC_STRINGS", "name": name, "type": ptype, "value": value}


def lid(guid, number, ptype, value):
    return {"guid": guid, "lid": number, "type": ptype, "value": value}


def item(ident, cls, subject, start, offset, must=True, recur=0, blob=None, numbers=None, attendees=False,
         location=None, recipients=None):
    props = [{"tag": "PR_MESSAGE_CLASS", "value": cls}, {"tag": "PR_SUBJECT", "value": subject},
             {"tag": "0x0042001F", "value": "Ann Smith"},
             public("MustSendSMSReminder", "PT_BOOLEAN", must),
             public("AlsoSendToAttendees", "PT_BOOLEAN", attendees),
             lid("PSETID_Common", 0x8501, "PT_LONG", offset),
             lid("PSETID_Common", 0x8502, "PT_SYSTIME", start),
             lid("PSETID_Common", 0x8503, "PT_BOOLEAN", True),
             lid("PSETID_Appointment", 0x820D, "PT_SYSTIME", start),
             lid("PSETID_Appointment", 0x8231, "PT_LONG", recur)]
    if blob:
        props.append(lid("PSETID_Appointment", 0x8216, "PT_BINARY", blob))
    if numbers is not None:
        props.append(public("AlsoSendToNumbers", "PT_UNICODE", numbers))
    if location:
        props.append(lid("PSETID_Appointment", 0x8208, "PT_UNICODE", location))
    out = {"id": ident, "props": props}
    if recipients:
        out["recipients"] = recipients
    return out


def recipient(name, mobile, flags):
    return {"props": [{"tag": "PR_DISPLAY_NAME", "value": name}, {"tag": "PR_RECIPIENT_TYPE", "value": 1},
                      {"tag": "PR_MOBILE_TELEPHONE_NUMBER", "value": mobile}, {"tag": "0x5FFD0003", "value": flags}]}


def store(calendar, tasks, reminders=True):
    """A default store whose calendar and tasks folders hold these items."""
    out = {"profile": "Outlook", "stores": [{"name": "Personal Folders", "default": True, "root": {"folders": [
        {"role": "ipm_subtree", "name": "Top of Personal Folders", "folders": [
            {"name": "Inbox", "class": "IPF.Note", "role": "inbox"},
            {"name": "Contacts", "class": "IPF.Contact", "role": "contacts"},
            {"name": "Calendar", "class": "IPF.Appointment", "role": "calendar", "messages": calendar},
            {"name": "Tasks", "class": "IPF.Task", "role": "tasks", "messages": tasks}]}]}}]}
    if not reminders:
        out["reminders"] = False
    return out


def main():
    calendar = [
        item(8001, APPT + "RemYesAttNo", "Dentist", "2027-03-02T10:00:00Z", 15, location="Surgery"),
        item(8002, APPT + "RemYesAttYes", "Vet", "2027-03-05T14:00:00Z", 30, numbers="+447700900001;;+447700900002",
             attendees=True, recipients=[recipient("Ann Smith", "+447700900009", 3),
                                         recipient("Bob Jones", "+447700900003", 1)]),
        item(8003, APPT + "RemYesAttNo", "Standup", "2027-03-01T09:00:00Z", 10, recur=1,
             blob=daily_blob(minutes(2027, 3, 1), 540, [minutes(2027, 3, 3)])),
        item(8004, APPT + "RemYesAttNo", "Review", "2007-03-26T10:00:00Z", 15, recur=2, blob=PUBLISHED),
        item(8005, "IPM.Appointment", "Plain", "2027-03-02T10:00:00Z", 15),
        item(8006, APPT + "RemNoAttNo", "Quiet", "2027-03-02T10:00:00Z", 15, must=False),
        item(8007, APPT + "RemYesAttNo", "Broken", "2027-03-01T09:00:00Z", 10, recur=1, blob=PUBLISHED[:60]),
    ]
    tasks = [
        item(8101, "IPM.Task.SMSTaskFormRemYes", "Report", "2027-03-02T00:30:00Z", 0),
        item(8102, "IPM.Task.SMSTaskFormRemYes", "Lunch", "2027-03-02T12:30:00Z", 0),
    ]
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "reminder_seed.json"), "w") as f:
        json.dump(store(calendar, tasks), f, indent=1)
        f.write("\n")
    with open(os.path.join(here, "reminder_no_folder_seed.json"), "w") as f:
        json.dump(store(calendar, tasks, False), f, indent=1)
        f.write("\n")


if __name__ == "__main__":
    main()
