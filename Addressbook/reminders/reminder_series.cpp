// Addressbook/reminders/reminder_series.cpp: which occurrences of a series are due, and the texts.
#include "Addressbook/reminders/reminder_series.h"

#include "Addressbook/res/corvane_strings.h"
#include "common/trace_log.h"

#include <algorithm>
#include <cstdio>

namespace
{
constexpr int64_t kSecondsPerMinute = 60;
constexpr unsigned kFirstMonthString = 10; // January; December is 21

// Every occurrence whose start may have a reminder in the window, in order of start.
std::vector<CDueReminder> Candidates(const CReminderSeries& p_oSeries, int64_t p_iFrom, int64_t p_iTo)
{
    std::vector<CDueReminder> vOut;
    if (!p_oSeries.m_oRecurrence)
    {
        if (p_oSeries.m_iStart >= p_iFrom && p_oSeries.m_iStart <= p_iTo)
            vOut.push_back(CDueReminder{p_oSeries.m_iStart, p_oSeries.m_iOffset, p_oSeries.m_sSubject,
                                        p_oSeries.m_sLocation, &p_oSeries});
        return vOut;
    }
    for (const COccurrence& oOccurrence : ExpandOccurrences(*p_oSeries.m_oRecurrence, p_iFrom, p_iTo))
    {
        CDueReminder oDue{oOccurrence.m_iStart, p_oSeries.m_iOffset, p_oSeries.m_sSubject, p_oSeries.m_sLocation,
                          &p_oSeries};
        if (const CRecurrenceException* pException = oOccurrence.m_pException)
        {
            if (pException->m_bReminderSet == false)
                continue;
            oDue.m_iOffset = pException->m_iReminderDelta.value_or(oDue.m_iOffset);
            oDue.m_sSubject = pException->m_sSubject.value_or(oDue.m_sSubject);
            oDue.m_sLocation = pException->m_sLocation.value_or(oDue.m_sLocation);
        }
        vOut.push_back(std::move(oDue));
    }
    return vOut;
}

// The largest reminder offset of the series, so that the walk reaches every start whose reminder
// can fall before the end.
int64_t LargestOffset(const CReminderSeries& p_oSeries)
{
    int64_t offset = std::max<int64_t>(0, p_oSeries.m_iOffset);
    if (p_oSeries.m_oRecurrence)
        for (const CRecurrenceException& oException : p_oSeries.m_oRecurrence->m_vExceptions)
            offset = std::max<int64_t>(offset, oException.m_iReminderDelta.value_or(0));
    return offset;
}

std::string Format(const char* p_szFormat, int p_iDay, const char* p_szMonth, int p_iYear, int p_iHour, int p_iMinute,
                   const char* p_szHalf)
{
    char buffer[160];
    std::snprintf(buffer, sizeof(buffer), p_szFormat, p_iDay, p_szMonth, p_iYear, p_iHour, p_iMinute, 0, p_szHalf);
    return buffer;
}
} // namespace

CDueReminders DueReminders(const CReminderSeries& p_oSeries, int64_t p_iNowSeconds, int64_t p_iEndSeconds,
                           bool p_bSendAgain)
{
    CDueReminders oResult;
    const int64_t fromMinute = p_iNowSeconds / kSecondsPerMinute - kMinutesPerDay;
    const int64_t toMinute = p_iEndSeconds / kSecondsPerMinute + LargestOffset(p_oSeries) + 1;
    for (CDueReminder& oCandidate : Candidates(p_oSeries, fromMinute, toMinute))
    {
        const int64_t reminderSeconds = oCandidate.ReminderTime() * kSecondsPerMinute;
        if (reminderSeconds <= p_iNowSeconds || reminderSeconds >= p_iEndSeconds)
            continue;
        if (!p_bSendAgain && p_oSeries.m_iMarkDate && oCandidate.m_iStart <= *p_oSeries.m_iMarkDate)
        {
            Log("DO NOT Send Again");
            ++oResult.m_nHeldBack;
            continue;
        }
        if (p_bSendAgain)
            Log("Send Again !!!");
        oResult.m_iNewMark = oCandidate.m_iStart;
        oResult.m_vDue.push_back(std::move(oCandidate));
    }
    return oResult;
}

std::optional<int64_t> MarkToWrite(const CReminderSeries& p_oSeries, const CDueReminders& p_oDue)
{
    if (!p_oDue.m_iNewMark || (p_oSeries.m_iMarkDate && *p_oSeries.m_iMarkDate >= *p_oDue.m_iNewMark))
        return std::nullopt;
    return p_oDue.m_iNewMark;
}

std::string ReminderText(const CDueReminder& p_oDue, const char* (*p_fnMonth)(int))
{
    const int64_t day = p_oDue.m_iStart / kMinutesPerDay;
    const CCivilDate date = DateOfDay(day);
    const int minuteOfDay = static_cast<int>(p_oDue.m_iStart - day * kMinutesPerDay);
    const int hour = minuteOfDay / 60;
    // A 12-hour clock where 13-23 become 1-11 and 0-12 stay as they are.
    const int shownHour = hour > 12 ? hour - 12 : hour;
    const char* half = hour < 12 ? "AM" : "PM";
    const char* month = p_fnMonth(date.m_iMonth);
    const CReminderSeries& oSeries = *p_oDue.m_pSeries;
    std::string text;
    if (oSeries.m_eKind == EReminderKind::Task)
    {
        text = Format("You have a task reminder for %d %s %d %2d:%02d:%02d %s.", date.m_iDay, month, date.m_iYear,
                      shownHour, minuteOfDay % 60, half);
    }
    else
    {
        text = Format("You have an appointment for %d %s %d %2d:%02d:%02d %s", date.m_iDay, month, date.m_iYear,
                      shownHour, minuteOfDay % 60, half);
        if (!oSeries.m_sOrganizer.empty())
            text += " created by " + oSeries.m_sOrganizer + ".";
    }
    if (!p_oDue.m_sSubject.empty())
        text += "\nSubject: " + p_oDue.m_sSubject;
    if (oSeries.m_eKind == EReminderKind::Appointment && !p_oDue.m_sLocation.empty())
        text += "\nLocation: " + p_oDue.m_sLocation;
    return text;
}

const char* ReminderMonthName(int p_iMonth)
{
    const char* name = nullptr;
    if (p_iMonth >= 1 && p_iMonth <= 12)
        name = CorvaneStrings().Find(kFirstMonthString + static_cast<unsigned>(p_iMonth) - 1);
    return name != nullptr ? name : "";
}

std::vector<std::string> SplitReminderNumbers(const std::string& p_sNumbers)
{
    std::vector<std::string> vOut;
    size_t start = 0;
    while (true)
    {
        const size_t stop = p_sNumbers.find(';', start);
        vOut.push_back(p_sNumbers.substr(start, stop == std::string::npos ? std::string::npos : stop - start));
        if (stop == std::string::npos)
            break;
        start = stop + 1;
    }
    return vOut;
}
