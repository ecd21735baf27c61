// tests/bench/recurrence_bench.cpp: one monitor cycle's search for due reminders over 10,000 and
// 100,000 series, natively. The series mix daily, weekly and monthly patterns begun up to twenty
// years back, each with deleted and moved occurrences; a third of them have no recurrence at all.
// The series are built once per size; each iteration is one cycle two minutes wide. The cost per
// series must not grow with the number of series or with a series' age.
#include "Addressbook/reminders/reminder_series.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace
{
const int64_t kNow = MinutesAt(CCivilDate{2026, 12, 9}, 9, 43);

CRecurrence Pattern(int p_iSeries)
{
    CRecurrence r;
    const int kind = p_iSeries % 3;
    r.m_ePattern = kind == 0 ? ERecurPattern::Day : kind == 1 ? ERecurPattern::Week : ERecurPattern::MonthNth;
    r.m_eFrequency = kind == 0   ? ERecurFrequency::Daily
                     : kind == 1 ? ERecurFrequency::Weekly
                                 : ERecurFrequency::Monthly;
    r.m_dwPeriod = kind == 0 ? kMinutesPerDay * (1 + p_iSeries % 3) : 1 + p_iSeries % 2;
    r.m_dwDayMask = kind == 1 ? 0x2A : 0x3E;
    r.m_dwNth = 1 + p_iSeries % 5;
    r.m_dwFirstDayOfWeek = 1;
    const int64_t startDay = kNow / kMinutesPerDay - (p_iSeries % 7300);
    r.m_iStartDate = startDay * kMinutesPerDay;
    r.m_iEndDate = (startDay + 20000) * kMinutesPerDay;
    r.m_iStartOffset = 540 + (p_iSeries % 12) * 30;
    // Two moved and four deleted occurrences around today.
    for (int i = 0; i < 4; ++i)
        r.m_vDeleted.push_back((kNow / kMinutesPerDay - 10 + 5 * i) * kMinutesPerDay);
    for (int i = 0; i < 2; ++i)
    {
        CRecurrenceException e;
        e.m_iOriginalStart = (kNow / kMinutesPerDay - 10 + 5 * i) * kMinutesPerDay + r.m_iStartOffset;
        e.m_iStart = e.m_iOriginalStart + 60;
        e.m_iEnd = e.m_iStart + 30;
        e.m_sSubject = "Moved";
        r.m_vExceptions.push_back(e);
    }
    return r;
}

std::vector<CReminderSeries> Series(int p_iCount)
{
    std::vector<CReminderSeries> out(static_cast<size_t>(p_iCount));
    for (int i = 0; i < p_iCount; ++i)
    {
        CReminderSeries& s = out[static_cast<size_t>(i)];
        s.m_sSubject = "Series " + std::to_string(i);
        s.m_iOffset = 15;
        s.m_bMustSend = true;
        if (i % 3 == 2)
            s.m_iStart = kNow + (i % 200);
        else
        {
            s.m_iRecurrenceType = 1 + i % 3;
            s.m_oRecurrence = Pattern(i);
        }
    }
    return out;
}

void MonitorCycle(benchmark::State& p_oState)
{
    const std::vector<CReminderSeries> series = Series(static_cast<int>(p_oState.range(0)));
    const int64_t now = kNow * 60 + 1;
    size_t due = 0;
    for (auto _ : p_oState)
    {
        due = 0;
        for (const CReminderSeries& s : series)
            due += DueReminders(s, now, now + 120, false).m_vDue.size();
        benchmark::DoNotOptimize(due);
    }
    p_oState.counters["due"] = static_cast<double>(due);
    p_oState.counters["per_series"] =
        benchmark::Counter(static_cast<double>(series.size()),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(MonitorCycle)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
} // namespace
