// Addressbook/reminders/occurrences.cpp: the occurrences of a recurrence within a window of time.
// The walk jumps straight to the window, so a series begun years ago costs no more than a new one.
#include "Addressbook/reminders/recurrence.h"

#include <algorithm>
#include <set>

namespace
{
int64_t FloorDiv(int64_t p_iValue, int64_t p_iDivisor)
{
    const int64_t quotient = p_iValue / p_iDivisor;
    return (p_iValue % p_iDivisor != 0 && (p_iValue < 0) != (p_iDivisor < 0)) ? quotient - 1 : quotient;
}

// Collects the pattern's days within the window, ascending, at most m_nLimit of them.
struct CDayWindow
{
    int64_t m_iFirstDay; // the series' first day or the window's, whichever is later
    int64_t m_iLastDay;  // the series' last day or the window's, whichever is earlier
    size_t m_nLimit;
    std::vector<int64_t> m_vDays;

    bool Full() const
    {
        return m_vDays.size() >= m_nLimit;
    }
    void Add(int64_t p_iDay)
    {
        if (p_iDay >= m_iFirstDay && p_iDay <= m_iLastDay && !Full())
            m_vDays.push_back(p_iDay);
    }
};

void DailyDays(const CRecurrence& p_oRecurrence, int64_t p_iSeriesStart, CDayWindow& p_oWindow)
{
    const int64_t step = p_oRecurrence.m_dwPeriod / kMinutesPerDay;
    const int64_t first = p_iSeriesStart + (p_oWindow.m_iFirstDay - p_iSeriesStart + step - 1) / step * step;
    for (int64_t day = first; day <= p_oWindow.m_iLastDay && !p_oWindow.Full(); day += step)
        p_oWindow.Add(day);
}

void WeeklyDays(const CRecurrence& p_oRecurrence, int64_t p_iSeriesStart, CDayWindow& p_oWindow)
{
    const int64_t period = p_oRecurrence.m_dwPeriod;
    const int64_t firstWeek =
        p_iSeriesStart - (WeekdayOfDay(p_iSeriesStart) - static_cast<int>(p_oRecurrence.m_dwFirstDayOfWeek) + 7) % 7;
    const int64_t weeksIn = FloorDiv(p_oWindow.m_iFirstDay - firstWeek, 7);
    for (int64_t week = firstWeek + weeksIn / period * period * 7; week <= p_oWindow.m_iLastDay && !p_oWindow.Full();
         week += period * 7)
        for (int64_t day = week; day < week + 7; ++day)
            if ((p_oRecurrence.m_dwDayMask >> WeekdayOfDay(day) & 1) != 0)
                p_oWindow.Add(day);
}

// The day of the month a monthly or yearly pattern falls on; 0 when the month has none.
int DayInMonth(const CRecurrence& p_oRecurrence, int p_iYear, int p_iMonth)
{
    const int days = DaysInMonth(p_iYear, p_iMonth);
    if (p_oRecurrence.m_ePattern == ERecurPattern::MonthEnd)
        return days;
    if (p_oRecurrence.m_ePattern == ERecurPattern::Month)
        return std::min(static_cast<int>(p_oRecurrence.m_dwDayOfMonth), days); // day 31 falls on a short month's end
    const int64_t firstDay = DayNumber(CCivilDate{p_iYear, p_iMonth, 1});
    int found = 0;
    uint32_t dwMatches = 0;
    for (int day = 1; day <= days; ++day)
        if ((p_oRecurrence.m_dwDayMask >> WeekdayOfDay(firstDay + day - 1) & 1) != 0)
        {
            found = day;
            if (++dwMatches == p_oRecurrence.m_dwNth && p_oRecurrence.m_dwNth < 5)
                return day;
        }
    return p_oRecurrence.m_dwNth == 5 ? found : 0; // 5 is the last such day
}

void MonthlyDays(const CRecurrence& p_oRecurrence, int64_t p_iSeriesStart, CDayWindow& p_oWindow)
{
    const int64_t period = p_oRecurrence.m_dwPeriod;
    const CCivilDate start = DateOfDay(p_iSeriesStart);
    const CCivilDate from = DateOfDay(p_oWindow.m_iFirstDay);
    const int64_t startMonth = static_cast<int64_t>(start.m_iYear) * 12 + start.m_iMonth - 1;
    const int64_t monthsIn = static_cast<int64_t>(from.m_iYear) * 12 + from.m_iMonth - 1 - startMonth;
    for (int64_t month = startMonth + std::max<int64_t>(0, monthsIn) / period * period; !p_oWindow.Full();
         month += period)
    {
        const int year = static_cast<int>(month / 12);
        const int monthOfYear = static_cast<int>(month % 12) + 1;
        if (DayNumber(CCivilDate{year, monthOfYear, 1}) > p_oWindow.m_iLastDay)
            break;
        const int day = DayInMonth(p_oRecurrence, year, monthOfYear);
        if (day != 0)
            p_oWindow.Add(DayNumber(CCivilDate{year, monthOfYear, day}));
    }
}
} // namespace

std::vector<COccurrence> ExpandOccurrences(const CRecurrence& p_oRecurrence, int64_t p_iFrom, int64_t p_iTo,
                                           size_t p_nLimit)
{
    std::vector<COccurrence> vOut;
    if (p_iFrom > p_iTo || p_nLimit == 0)
        return vOut;
    const int64_t seriesStart = p_oRecurrence.m_iStartDate / kMinutesPerDay;
    const int64_t seriesEnd = p_oRecurrence.m_iEndDate / kMinutesPerDay;
    const int64_t offset = p_oRecurrence.m_iStartOffset;
    CDayWindow oWindow{std::max(seriesStart, FloorDiv(p_iFrom - offset + kMinutesPerDay - 1, kMinutesPerDay)),
                       std::min(seriesEnd, FloorDiv(p_iTo - offset, kMinutesPerDay)),
                       p_nLimit,
                       {}};
    if (oWindow.m_iFirstDay <= oWindow.m_iLastDay)
    {
        if (p_oRecurrence.m_ePattern == ERecurPattern::Day)
            DailyDays(p_oRecurrence, seriesStart, oWindow);
        else if (p_oRecurrence.m_ePattern == ERecurPattern::Week)
            WeeklyDays(p_oRecurrence, seriesStart, oWindow);
        else
            MonthlyDays(p_oRecurrence, seriesStart, oWindow);
    }

    // A deleted or moved occurrence leaves its original day; a moved one comes back from its record.
    std::set<int64_t> removed;
    for (int64_t date : p_oRecurrence.m_vDeleted)
        removed.insert(FloorDiv(date, kMinutesPerDay));
    for (const CRecurrenceException& oException : p_oRecurrence.m_vExceptions)
        removed.insert(FloorDiv(oException.m_iOriginalStart, kMinutesPerDay));
    for (int64_t day : oWindow.m_vDays)
        if (removed.count(day) == 0)
            vOut.push_back(COccurrence{day * kMinutesPerDay + offset, nullptr});
    for (const CRecurrenceException& oException : p_oRecurrence.m_vExceptions)
        if (oException.m_iStart >= p_iFrom && oException.m_iStart <= p_iTo)
            vOut.push_back(COccurrence{oException.m_iStart, &oException});
    std::stable_sort(vOut.begin(), vOut.end(),
                     [](const COccurrence& a, const COccurrence& b) { return a.m_iStart < b.m_iStart; });
    if (vOut.size() > p_nLimit)
        vOut.resize(p_nLimit);
    return vOut;
}
