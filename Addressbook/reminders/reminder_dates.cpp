// Addressbook/reminders/reminder_dates.cpp: the reminder dialogs' dates (the sync's end through
// ReminderSyncEnd) and the folder subject of a hand-made reminder.
#include "Addressbook/reminders/reminder_dates.h"
#include "Addressbook/reminders/recurrence.h"

#include <cstdio>

CDeliveryTime SyncEndDate(const CDeliveryTime& p_stToday, ESyncRange p_eRange, int p_iCount, ESyncPeriod p_ePeriod,
                          const CDeliveryTime& p_stPicked)
{
    const CDeliveryTime& from = p_eRange == ESyncRange::Until ? p_stPicked : p_stToday;
    const int count = p_eRange == ESyncRange::Next && p_iCount > 0 ? p_iCount : 0;
    const int64_t last = ReminderSyncEnd(CCivilDate{from.m_wYear, from.m_wMonth, from.m_wDay}, count, p_ePeriod);
    const CCivilDate day = DateOfDay(last / (kMinutesPerDay * 60));
    CDeliveryTime end{};
    end.m_wYear = static_cast<uint16_t>(day.m_iYear);
    end.m_wMonth = static_cast<uint16_t>(day.m_iMonth);
    end.m_wDay = static_cast<uint16_t>(day.m_iDay);
    end.m_wHour = 23;
    end.m_wMinute = 59;
    end.m_wSecond = 59;
    return end;
}

std::string ReminderFolderSubject(const CDeliveryTime& p_stWhen, const std::string& p_sText)
{
    char head[64];
    std::snprintf(head, sizeof head, "Reminder %02d/%02d/%d %02d:%02d: ", p_stWhen.m_wDay, p_stWhen.m_wMonth,
                  p_stWhen.m_wYear, p_stWhen.m_wHour, p_stWhen.m_wMinute);
    return head + p_sText;
}
