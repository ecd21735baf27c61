// Addressbook/reminders/reminder_dates.h: the dates and texts of the two reminder dialogs: the end date
// "Reminder Sync" sends up to, and the folder subject of a reminder made with "Create SMS Reminder".
#pragma once

#include "Addressbook/include/corvane_records.h"
#include "Addressbook/reminders/reminder_jobs.h"

#include <string>

// The longest reminder text: one SMS.
inline constexpr size_t kMaxReminderText = 160;

enum class ESyncRange
{
    Today,
    Next,  // the next N periods
    Until, // a picked date
};
// The last moment Reminder Sync covers, always at 23:59:59: today; today + N days, 7N days, N months or
// N years (a day the target month lacks becomes its last day); or the picked date.
[[nodiscard]] CDeliveryTime SyncEndDate(const CDeliveryTime& p_stToday, ESyncRange p_eRange, int p_iCount,
                                        ESyncPeriod p_ePeriod, const CDeliveryTime& p_stPicked);
// "Reminder DD/MM/YYYY HH:MM: text".
[[nodiscard]] std::string ReminderFolderSubject(const CDeliveryTime& p_stWhen, const std::string& p_sText);
