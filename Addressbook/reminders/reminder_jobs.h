// Addressbook/reminders/reminder_jobs.h: the SMS a cycle's due reminders turn into, and the end
// of a "Reminder Sync" period. Portable: the MAPI side turns the list into a bulk job.
#pragma once

#include "Addressbook/reminders/reminder_series.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct CReminderSMS
{
    std::string m_sName;
    std::string m_sMobile;
    std::string m_sText;
    std::optional<int64_t> m_iDeliveryMinute; // in advance: the reminder time, local minutes
};

struct CReminderUser
{
    std::string m_sName;
    std::string m_sMobile;
};

// For each due reminder whose series asks for SMS: one to the user, one per attendee with a
// mobile when the series also reminds attendees, and one per valid entry of its extra numbers.
// In advance mode each SMS carries its reminder time as its delivery time.
std::vector<CReminderSMS> ReminderSMSList(const std::vector<CDueReminder>& p_vDue, const CReminderUser& p_oUser,
                                          bool p_bInAdvance);

enum class ESyncPeriod
{
    Days,
    Weeks,
    Months,
    Years
};

// The end of a "Reminder Sync": p_iCount periods after p_oToday (0 for today only), at 23:59:59,
// in local seconds since 1601. A month or year that lacks the day ends on its last day.
int64_t ReminderSyncEnd(const CCivilDate& p_oToday, int p_iCount, ESyncPeriod p_ePeriod);
