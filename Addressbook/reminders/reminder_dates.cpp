// Addressbook/reminders/reminder_dates.cpp: calendar arithmetic for the reminder dialogs.
#include "Addressbook/reminders/reminder_dates.h"

#include <cstdio>

namespace
{
bool IsLeapYear(int p_iYear)
{
    return (p_iYear % 4 == 0 && p_iYear % 100 != 0) || p_iYear % 400 == 0;
}

// Whole days forward, through month and year ends.
void AddDays(int& p_iYear, int& p_iMonth, int& p_iDay, long p_lDays)
{
    for (long left = p_lDays; left > 0;)
    {
        const int room = DaysInMonth(p_iYear, p_iMonth) - p_iDay;
        if (left <= room)
        {
            p_iDay += static_cast<int>(left);
            return;
        }
        left -= room + 1;
        p_iDay = 1;
        if (++p_iMonth > 12)
        {
            p_iMonth = 1;
            ++p_iYear;
        }
    }
}
} // namespace

int DaysInMonth(int p_iYear, int p_iMonth)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (p_iMonth < 1 || p_iMonth > 12)
        return 31;
    return p_iMonth == 2 && IsLeapYear(p_iYear) ? 29 : days[p_iMonth - 1];
}

CDeliveryTime SyncEndDate(const CDeliveryTime& p_stToday, ESyncRange p_eRange, int p_iCount, ESyncPeriod p_ePeriod,
                          const CDeliveryTime& p_stPicked)
{
    const CDeliveryTime& from = p_eRange == ESyncRange::Until ? p_stPicked : p_stToday;
    int year = from.m_wYear;
    int month = from.m_wMonth;
    int day = from.m_wDay;
    const int count = p_eRange == ESyncRange::Next && p_iCount > 0 ? p_iCount : 0;
    switch (p_ePeriod)
    {
    case ESyncPeriod::Days:
    case ESyncPeriod::Weeks:
        AddDays(year, month, day, static_cast<long>(count) * (p_ePeriod == ESyncPeriod::Weeks ? 7 : 1));
        break;
    case ESyncPeriod::Months:
        year += (month - 1 + count) / 12;
        month = (month - 1 + count) % 12 + 1;
        break;
    case ESyncPeriod::Years:
        year += count;
        break;
    }
    if (day > DaysInMonth(year, month))
        day = DaysInMonth(year, month);
    CDeliveryTime end{};
    end.m_wYear = static_cast<uint16_t>(year);
    end.m_wMonth = static_cast<uint16_t>(month);
    end.m_wDay = static_cast<uint16_t>(day);
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
