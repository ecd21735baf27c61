// Addressbook/reminders/ui/reminder_dialog_ids.h: resource ids of the reminder dialogs (2600-2699), read
// by reminders.rc and the dialog code.
#pragma once

#define IDD_REMINDER_SYNC 2600
#define IDD_CREATE_REMINDER 2601

#define IDC_SYNC_TODAY 2610
#define IDC_SYNC_NEXT 2611
#define IDC_SYNC_COUNT 2612
#define IDC_SYNC_PERIOD 2613
#define IDC_SYNC_UNTIL 2614
#define IDC_SYNC_DATE 2615
#define IDC_SYNC_END 2616

#define IDC_REMINDER_TEXT 2630
#define IDC_REMINDER_LEFT 2631
#define IDC_REMINDER_DATE 2632
#define IDC_REMINDER_TIME 2633

// String table entries.
#define IDS_SENDING_REMINDERS 2650
#define IDS_REMINDER_CHARS_LEFT 2651
#define IDS_SYNC_DAYS 2652
#define IDS_SYNC_WEEKS 2653
#define IDS_SYNC_MONTHS 2654
#define IDS_SYNC_YEARS 2655
