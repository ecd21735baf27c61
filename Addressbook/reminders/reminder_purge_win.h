// Addressbook/reminders/reminder_purge_win.h: sending the due reminders of the calling thread's
// store as one bulk job: what the monitor runs every minute and "Reminder Sync" runs once.
#pragma once

#include "common/clock.h"

#include <windows.h>

#include <cstdint>

// Where "now" comes from for every reminder cycle of the process; LocalTimeNow unless replaced.
void SetReminderClock(LocalClock p_fnClock);
CTraceTime ReminderNow();

// Builds the SMS of every reminder due strictly between now and p_iEndSeconds (local seconds since
// 1601, as ReminderSyncEnd gives) and, when there is one (or p_bForced), sends them with
// SendBulkSMS (options 0x1C000, now as end time, p_hProgress as the progress window). With
// p_bSendAgain items already marked are reminded again; p_bInAdvance gives every SMS its reminder
// time as delivery time. The items' marks are written only once the job has left, so a send that
// fails keeps its reminders due. *p_piCount (may be null) gets the number of SMS. Returns S_OK, the
// list's failure, or -1 when the send failed.
[[nodiscard]] HRESULT PurgeRemindersUntil(HWND p_hOwner, bool p_bSendAgain, HWND p_hProgress, int64_t p_iEndSeconds,
                                          int* p_piCount, bool p_bInAdvance, bool p_bForced);
