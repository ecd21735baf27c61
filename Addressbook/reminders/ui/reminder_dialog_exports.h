// Addressbook/reminders/ui/reminder_dialog_exports.h: what "Reminder Sync" sends through: the reminder
// monitor's PurgeRemindersUntil, handed to the dialog's export by the code that owns the monitor.
#pragma once

#include "Addressbook/include/corvane_records.h"

#include <windows.h>

// Sends every reminder due up to p_stEnd: p_bSendAgain takes occurrences already marked as sent,
// p_hProgress is the window whose progress controls show the send, p_bInAdvance gives each SMS its
// reminder time as delivery time, p_bForced sends even an empty list. p_piCount gets how many went.
using PFN_PurgeRemindersUntil = HRESULT (*)(HWND p_hOwner, bool p_bSendAgain, HWND p_hProgress,
                                            const CDeliveryTime& p_stEnd, int* p_piCount, bool p_bInAdvance,
                                            bool p_bForced);
// Until it is set, Reminder Sync's OK traces that nothing can be sent.
void SetPurgeRemindersFunction(PFN_PurgeRemindersUntil p_pfnPurge);
