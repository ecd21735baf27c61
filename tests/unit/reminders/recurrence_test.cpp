// tests/unit/reminders/recurrence_test.cpp: the recurrence blob read from the published worked
// example and from patterns written here, every truncation refused, and the occurrences each
// pattern yields.
#include "Addressbook/reminders/recurrence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
// The published example: every Monday, Thursday and Friday 10:00-10:30 from Monday 2007-03-26,
// ending after 12 occurrences; the one of 2007-04-16 moved to 11:00-11:30 with the subject
// "Simple Recurrence with exceptions" and the location "34/4141".
const char kExampleHex[] =
    "043004300B2001000000C0210000010000000000000032000000222000000C0000000000000001000000A096BC0C01000000A096BC0C"
    "8020BC0C20ADBC0C0630000009300000580200007602000001003499BC0C5299BC0CF898BC0C11002200210053696D706C652052"
    "6563757272656E6365207769746820657863657074696F6E730800070033342F34313431000000000400000000000000000000"
    "003499BC0C5299BC0CF898BC0C2100530069006D0070006C006500200052006500630075007200720065006E0063006500200077"
    "00690074006800200065007800630065007000740069006F006E0073000700330034002F00340031003400310000000000000000"
    "00";
constexpr size_t kExamplePatternEnd = 62;   // a task's blob would end here
constexpr size_t kExampleRequiredEnd = 146; // the exception records and the first reserved block

std::vector<uint8_t> FromHex(const char* p_szHex)
{
    std::vector<uint8_t> out;
    for (const char* p = p_szHex; p[0] != '\0' && p[1] != '\0'; p += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(std::string(p, 2), nullptr, 16)));
    return out;
}

int64_t At(int p_iYear, int p_iMonth, int p_iDay, int p_iHour = 0, int p_iMinute = 0)
{
    return MinutesAt(CCivilDate{p_iYear, p_iMonth, p_iDay}, p_iHour, p_iMinute);
}

std::string Text(int64_t p_iMinutes)
{
    const int64_t day = p_iMinutes / kMinutesPerDay;
    const CCivilDate date = DateOfDay(day);
    const int64_t minute = p_iMinutes - day * kMinutesPerDay;
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "%04d-%02d-%02d %02d:%02d", date.m_iYear, date.m_iMonth, date.m_iDay,
                  static_cast<int>(minute / 60), static_cast<int>(minute % 60));
    return buffer;
}

std::vector<std::string> Starts(const std::vector<COccurrence>& p_vOccurrences)
{
    std::vector<std::string> out;
    for (const COccurrence& o : p_vOccurrences)
        out.push_back(Text(o.m_iStart));
    return out;
}

// Writes a blob for a pattern: the fields the reader needs, no exceptions.
struct CPattern
{
    uint16_t m_wFrequency = 0x200A;
    uint16_t m_wPattern = 0;
    uint16_t m_wCalendar = 0;
    uint32_t m_dwPeriod = 1440;
    std::vector<uint32_t> m_vSpecific;
    uint32_t m_dwFirstDay = 0;
    std::vector<uint32_t> m_vDeleted;
    int64_t m_iStart = 0;
    int64_t m_iEnd = 0x5AE980DF; // never ends
    uint32_t m_dwStartOffset = 600;

    std::vector<uint8_t> Blob() const
    {
        std::vector<uint8_t> out;
        auto u16 = [&](uint32_t v) {
            out.push_back(static_cast<uint8_t>(v));
            out.push_back(static_cast<uint8_t>(v >> 8));
        };
        auto u32 = [&](uint32_t v) {
            u16(v & 0xFFFF);
            u16(v >> 16);
        };
        u16(0x3004), u16(0x3004), u16(m_wFrequency), u16(m_wPattern), u16(m_wCalendar);
        u32(0), u32(m_dwPeriod), u32(0);
        for (uint32_t v : m_vSpecific)
            u32(v);
        u32(0x2023), u32(10), u32(m_dwFirstDay);
        u32(static_cast<uint32_t>(m_vDeleted.size()));
        for (uint32_t v : m_vDeleted)
            u32(v);
        u32(0); // modified
        u32(static_cast<uint32_t>(m_iStart)), u32(static_cast<uint32_t>(m_iEnd));
        u32(0x3006), u32(0x3008), u32(m_dwStartOffset), u32(m_dwStartOffset + 30), u16(0), u32(0), u32(0);
        return out;
    }
};

std::vector<std::string> Expand(const CPattern& p_oPattern, int64_t p_iFrom, int64_t p_iTo)
{
    const std::vector<uint8_t> blob = p_oPattern.Blob();
    CRecurrence oRecurrence;
    EXPECT_EQ(ReadRecurrence(blob.data(), blob.size(), oRecurrence), ERecurrenceRead::Ok);
    return Starts(ExpandOccurrences(oRecurrence, p_iFrom, p_iTo));
}
} // namespace

TEST(Calendar, DayNumbersRoundTripAndWeekdaysAreRight)
{
    EXPECT_EQ(DayNumber(CCivilDate{1601, 1, 1}), 0);
    EXPECT_EQ(WeekdayOfDay(0), 1) << "1601-01-01 was a Monday";
    EXPECT_EQ(WeekdayOfDay(DayNumber(CCivilDate{2007, 3, 26})), 1);
    EXPECT_EQ(WeekdayOfDay(DayNumber(CCivilDate{2026, 12, 9})), 3);
    for (int64_t day = 0; day < 200000; day += 37)
    {
        const CCivilDate date = DateOfDay(day);
        ASSERT_EQ(DayNumber(date), day) << date.m_iYear << "-" << date.m_iMonth << "-" << date.m_iDay;
        ASSERT_LE(date.m_iDay, DaysInMonth(date.m_iYear, date.m_iMonth));
    }
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(1900, 2), 28);
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
}

TEST(Recurrence, ThePublishedExampleReadsWithItsException)
{
    const std::vector<uint8_t> blob = FromHex(kExampleHex);
    ASSERT_EQ(blob.size(), 0x106u);
    CRecurrence r;
    ASSERT_EQ(ReadRecurrence(blob.data(), blob.size(), r), ERecurrenceRead::Ok);
    EXPECT_EQ(r.m_eFrequency, ERecurFrequency::Weekly);
    EXPECT_EQ(r.m_ePattern, ERecurPattern::Week);
    EXPECT_EQ(r.m_dwDayMask, 0x32u); // Monday, Thursday, Friday
    EXPECT_EQ(r.m_dwEndType, 0x2022u);
    EXPECT_EQ(r.m_dwOccurrenceCount, 12u);
    EXPECT_EQ(Text(r.m_iStartDate), "2007-03-26 00:00");
    EXPECT_EQ(Text(r.m_iEndDate), "2007-04-20 00:00");
    EXPECT_EQ(r.m_iStartOffset, 600);
    EXPECT_EQ(r.m_iEndOffset, 630);
    ASSERT_EQ(r.m_vDeleted.size(), 1u);
    EXPECT_EQ(Text(r.m_vDeleted[0]), "2007-04-16 00:00");
    ASSERT_EQ(r.m_vExceptions.size(), 1u);
    const CRecurrenceException& e = r.m_vExceptions[0];
    EXPECT_EQ(Text(e.m_iStart), "2007-04-16 11:00");
    EXPECT_EQ(Text(e.m_iEnd), "2007-04-16 11:30");
    EXPECT_EQ(Text(e.m_iOriginalStart), "2007-04-16 10:00");
    EXPECT_EQ(e.m_sSubject.value_or("?"), "Simple Recurrence with exceptions");
    EXPECT_EQ(e.m_sLocation.value_or("?"), "34/4141");
    EXPECT_FALSE(e.m_iReminderDelta);

    const std::vector<COccurrence> all = ExpandOccurrences(r, At(2007, 1, 1), At(2008, 1, 1));
    EXPECT_EQ(Starts(all), (std::vector<std::string>{"2007-03-26 10:00", "2007-03-29 10:00", "2007-03-30 10:00",
                                                     "2007-04-02 10:00", "2007-04-05 10:00", "2007-04-06 10:00",
                                                     "2007-04-09 10:00", "2007-04-12 10:00", "2007-04-13 10:00",
                                                     "2007-04-16 11:00", "2007-04-19 10:00", "2007-04-20 10:00"}));
    EXPECT_EQ(all[9].m_pException, &r.m_vExceptions[0]);
    EXPECT_EQ(Starts(ExpandOccurrences(r, At(2007, 4, 12, 10, 1), At(2007, 4, 16, 10, 59))),
              (std::vector<std::string>{"2007-04-13 10:00"}))
        << "the window's edges cut to the minute, and the moved occurrence's old time is gone";
}

TEST(Recurrence, EveryTruncationIsRefusedAndNothingIsReturned)
{
    const std::vector<uint8_t> blob = FromHex(kExampleHex);
    for (size_t size = 0; size < blob.size(); ++size)
    {
        CRecurrence r;
        r.m_dwPeriod = 77;
        const ERecurrenceRead result = ReadRecurrence(blob.data(), size, r);
        if (size == kExamplePatternEnd)
        {
            EXPECT_EQ(result, ERecurrenceRead::Ok) << "a blob without the appointment part is a task's";
            EXPECT_TRUE(r.m_vExceptions.empty());
        }
        else if (size < kExampleRequiredEnd)
        {
            EXPECT_EQ(result, ERecurrenceRead::Truncated) << size;
            EXPECT_EQ(r.m_dwPeriod, 77u) << "the output is left alone on failure";
        }
        else
        {
            ASSERT_EQ(result, ERecurrenceRead::Ok) << size;
            ASSERT_EQ(r.m_vExceptions.size(), 1u);
            EXPECT_EQ(r.m_vExceptions[0].m_sSubject.value_or("?"), "Simple Recurrence with exceptions")
                << "the narrow text stands in when the wide records are cut";
        }
    }
}

TEST(Recurrence, CountsAndValuesThatCannotBeExpandedAreRefused)
{
    std::vector<uint8_t> blob = FromHex(kExampleHex);
    CRecurrence r;
    auto with = [&](size_t at, std::vector<uint8_t> bytes) {
        std::vector<uint8_t> copy = blob;
        std::copy(bytes.begin(), bytes.end(), copy.begin() + static_cast<std::ptrdiff_t>(at));
        return ReadRecurrence(copy.data(), copy.size(), r);
    };
    EXPECT_EQ(with(0, {0x05, 0x30}), ERecurrenceRead::BadVersion);
    EXPECT_EQ(with(62, {0x07, 0x30}), ERecurrenceRead::BadVersion) << "second reader version";
    EXPECT_EQ(with(4, {0x0E, 0x20}), ERecurrenceRead::BadPattern) << "frequency";
    EXPECT_EQ(with(6, {0x0B, 0x00}), ERecurrenceRead::BadPattern) << "a Hijri pattern";
    EXPECT_EQ(with(8, {0x06, 0x00}), ERecurrenceRead::BadPattern) << "the Hijri calendar";
    EXPECT_EQ(with(14, {0, 0, 0, 0}), ERecurrenceRead::BadPattern) << "period 0";
    EXPECT_EQ(with(22, {0, 0, 0, 0}), ERecurrenceRead::BadPattern) << "no day of the week";
    EXPECT_EQ(with(38, {0xFF, 0xFF, 0xFF, 0x3F}), ERecurrenceRead::Truncated) << "deleted count";
    EXPECT_EQ(with(46, {0xFF, 0xFF, 0xFF, 0xFF}), ERecurrenceRead::Truncated) << "modified count";
    EXPECT_EQ(with(78, {0xFF, 0xFF}), ERecurrenceRead::Truncated) << "exception count";
    EXPECT_EQ(with(96, {0xFF, 0xFF}), ERecurrenceRead::Truncated) << "subject length";
    EXPECT_EQ(with(58, {0x00, 0x00, 0x00, 0x00}), ERecurrenceRead::BadPattern) << "ends before it starts";
    EXPECT_EQ(ReadRecurrence(nullptr, 100, r), ERecurrenceRead::Truncated);
}

TEST(Recurrence, DailyWeeklyAndEveryWeekdayPatterns)
{
    CPattern everyOther; // every 2 days from Wednesday 2026-12-02
    everyOther.m_dwPeriod = 2 * 1440;
    everyOther.m_iStart = At(2026, 12, 2);
    EXPECT_EQ(Expand(everyOther, At(2026, 12, 5), At(2026, 12, 10, 23)),
              (std::vector<std::string>{"2026-12-06 10:00", "2026-12-08 10:00", "2026-12-10 10:00"}));

    CPattern weekdays = everyOther; // "every weekday": a daily frequency with a week pattern
    weekdays.m_wPattern = 1;
    weekdays.m_dwPeriod = 1;
    weekdays.m_vSpecific = {0x3E};
    EXPECT_EQ(Expand(weekdays, At(2026, 12, 4), At(2026, 12, 8, 23)),
              (std::vector<std::string>{"2026-12-04 10:00", "2026-12-07 10:00", "2026-12-08 10:00"}));

    CPattern fortnightly = weekdays; // every 2 weeks on Tuesday and Thursday, weeks from Monday
    fortnightly.m_wFrequency = 0x200B;
    fortnightly.m_dwPeriod = 2;
    fortnightly.m_vSpecific = {0x14};
    fortnightly.m_dwFirstDay = 1;
    EXPECT_EQ(Expand(fortnightly, At(2026, 12, 1), At(2026, 12, 31, 23)),
              (std::vector<std::string>{"2026-12-03 10:00", "2026-12-15 10:00", "2026-12-17 10:00", "2026-12-29 10:00",
                                        "2026-12-31 10:00"}))
        << "the first week is the one holding the start; its Tuesday lies before the start";

    // A series begun decades ago costs the same: the walk jumps to the window. Two weeks from a
    // Monday hold one active week.
    const int64_t day = DayNumber(CCivilDate{2046, 12, 1});
    const int64_t monday = (day - (WeekdayOfDay(day) + 6) % 7) * kMinutesPerDay;
    EXPECT_EQ(Expand(fortnightly, monday, monday + 14 * kMinutesPerDay - 1).size(), 2u);
}

TEST(Recurrence, MonthlyAndYearlyPatterns)
{
    CPattern day31;
    day31.m_wFrequency = 0x200C;
    day31.m_wPattern = 2;
    day31.m_dwPeriod = 1;
    day31.m_vSpecific = {31};
    day31.m_iStart = At(2027, 1, 31);
    EXPECT_EQ(
        Expand(day31, At(2027, 1, 1), At(2027, 4, 30, 23)),
        (std::vector<std::string>{"2027-01-31 10:00", "2027-02-28 10:00", "2027-03-31 10:00", "2027-04-30 10:00"}))
        << "day 31 falls on the last day of a shorter month";

    CPattern secondTuesday = day31;
    secondTuesday.m_wPattern = 3;
    secondTuesday.m_vSpecific = {0x04, 2};
    secondTuesday.m_iStart = At(2027, 1, 12);
    EXPECT_EQ(Expand(secondTuesday, At(2027, 1, 1), At(2027, 3, 31)),
              (std::vector<std::string>{"2027-01-12 10:00", "2027-02-09 10:00", "2027-03-09 10:00"}));

    CPattern lastWeekday = secondTuesday;
    lastWeekday.m_vSpecific = {0x3E, 5};
    lastWeekday.m_iStart = At(2027, 1, 29);
    EXPECT_EQ(
        Expand(lastWeekday, At(2027, 1, 1), At(2027, 4, 30, 23)),
        (std::vector<std::string>{"2027-01-29 10:00", "2027-02-26 10:00", "2027-03-31 10:00", "2027-04-30 10:00"}));

    CPattern firstWeekendDay = secondTuesday;
    firstWeekendDay.m_vSpecific = {0x41, 1};
    firstWeekendDay.m_iStart = At(2027, 1, 2);
    EXPECT_EQ(Expand(firstWeekendDay, At(2027, 1, 1), At(2027, 2, 28)),
              (std::vector<std::string>{"2027-01-02 10:00", "2027-02-06 10:00"}));

    CPattern monthEnd = day31;
    monthEnd.m_wPattern = 4;
    monthEnd.m_dwPeriod = 2;
    monthEnd.m_iStart = At(2027, 1, 31);
    EXPECT_EQ(Expand(monthEnd, At(2027, 1, 1), At(2027, 6, 30, 23)),
              (std::vector<std::string>{"2027-01-31 10:00", "2027-03-31 10:00", "2027-05-31 10:00"}));

    CPattern leapDay = day31; // yearly on 29 February
    leapDay.m_wFrequency = 0x200D;
    leapDay.m_dwPeriod = 12;
    leapDay.m_vSpecific = {29};
    leapDay.m_iStart = At(2028, 2, 29);
    EXPECT_EQ(Expand(leapDay, At(2028, 1, 1), At(2030, 12, 31)),
              (std::vector<std::string>{"2028-02-29 10:00", "2029-02-28 10:00", "2030-02-28 10:00"}));
}

TEST(Recurrence, DeletedDatesAndTheEndDateBoundTheSeries)
{
    CPattern daily;
    daily.m_iStart = At(2026, 12, 1);
    daily.m_iEnd = At(2026, 12, 5);
    daily.m_vDeleted = {static_cast<uint32_t>(At(2026, 12, 3))};
    EXPECT_EQ(
        Expand(daily, At(2026, 11, 1), At(2027, 1, 1)),
        (std::vector<std::string>{"2026-12-01 10:00", "2026-12-02 10:00", "2026-12-04 10:00", "2026-12-05 10:00"}));
    const std::vector<uint8_t> blob = daily.Blob();
    CRecurrence r;
    ASSERT_EQ(ReadRecurrence(blob.data(), blob.size(), r), ERecurrenceRead::Ok);
    EXPECT_EQ(ExpandOccurrences(r, At(2026, 11, 1), At(2027, 1, 1), 2).size(), 2u) << "the limit holds";
    EXPECT_TRUE(ExpandOccurrences(r, At(2027, 1, 1), At(2026, 11, 1)).empty());
}
