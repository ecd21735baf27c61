// Addressbook/reminders/reminder_jobs.cpp: the reminder SMS list and the sync period's end.
#include "Addressbook/reminders/reminder_jobs.h"

#include "Addressbook/messaging/phone_rules.h"

#include <algorithm>

std::vector<CReminderSMS> ReminderSMSList(const std::vector<CDueReminder>& p_vDue, const CReminderUser& p_oUser,
                                          bool p_bInAdvance)
{
    std::vector<CReminderSMS> vOut;
    for (const CDueReminder& oDue : p_vDue)
    {
        const CReminderSeries& oSeries = *oDue.m_pSeries;
        if (!oSeries.m_bMustSend)
            continue;
        const std::string text = ReminderText(oDue, ReminderMonthName);
        std::optional<int64_t> delivery;
        if (p_bInAdvance)
            delivery = oDue.ReminderTime();
        vOut.push_back(CReminderSMS{p_oUser.m_sName, p_oUser.m_sMobile, text, delivery});
        if (oSeries.m_bAlsoAttendees)
            for (const CReminderAttendee& oAttendee : oSeries.m_vAttendees)
                if (!oAttendee.m_sMobile.empty())
                    vOut.push_back(CReminderSMS{oAttendee.m_sName, oAttendee.m_sMobile, text, delivery});
        for (const std::string& number : SplitReminderNumbers(oSeries.m_sAlsoNumbers))
            if (!IsInvalidMobile(number.c_str()))
                vOut.push_back(CReminderSMS{number, number, text, delivery});
    }
    return vOut;
}

int64_t ReminderSyncEnd(const CCivilDate& p_oToday, int p_iCount, ESyncPeriod p_ePeriod)
{
    int64_t day = DayNumber(p_oToday);
    const int count = std::max(0, p_iCount);
    if (p_ePeriod == ESyncPeriod::Days || p_ePeriod == ESyncPeriod::Weeks)
        day += static_cast<int64_t>(count) * (p_ePeriod == ESyncPeriod::Weeks ? 7 : 1);
    else
    {
        const int64_t months = static_cast<int64_t>(count) * (p_ePeriod == ESyncPeriod::Years ? 12 : 1);
        const int64_t month = static_cast<int64_t>(p_oToday.m_iYear) * 12 + p_oToday.m_iMonth - 1 + months;
        CCivilDate end{static_cast<int>(month / 12), static_cast<int>(month % 12) + 1, p_oToday.m_iDay};
        end.m_iDay = std::min(end.m_iDay, DaysInMonth(end.m_iYear, end.m_iMonth));
        day = DayNumber(end);
    }
    return (day + 1) * kMinutesPerDay * 60 - 1;
}
