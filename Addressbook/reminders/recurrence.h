// Addressbook/reminders/recurrence.h: the recurrence blob of a recurring appointment or task, read in
// the published appointment-recurrence layout, and the walk over its occurrences. Times are local
// minutes since 1601-01-01 00:00, as the blob stores them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Calendar arithmetic on local minutes since 1601-01-01 (the proleptic Gregorian calendar).
constexpr int64_t kMinutesPerDay = 1440;

struct CCivilDate
{
    int m_iYear = 1601;
    int m_iMonth = 1; // 1-12
    int m_iDay = 1;   // 1-31
};

int64_t DayNumber(const CCivilDate& p_oDate); // days since 1601-01-01
CCivilDate DateOfDay(int64_t p_iDay);
int WeekdayOfDay(int64_t p_iDay); // 0 Sunday .. 6 Saturday
int DaysInMonth(int p_iYear, int p_iMonth);
int64_t MinutesAt(const CCivilDate& p_oDate, int p_iHour, int p_iMinute);

enum class ERecurFrequency : uint16_t
{
    Daily = 0x200A,
    Weekly = 0x200B,
    Monthly = 0x200C,
    Yearly = 0x200D
};

enum class ERecurPattern : uint16_t
{
    Day = 0x0000,
    Week = 0x0001,
    Month = 0x0002,
    MonthNth = 0x0003,
    MonthEnd = 0x0004
};

// A changed occurrence: its new start and end, the start it replaces, and what it overrides.
struct CRecurrenceException
{
    int64_t m_iStart = 0;
    int64_t m_iEnd = 0;
    int64_t m_iOriginalStart = 0;
    std::optional<std::string> m_sSubject;   // the narrow text of the record (the wide one when present)
    std::optional<std::string> m_sLocation;  // likewise
    std::optional<int32_t> m_iReminderDelta; // minutes before the start
    std::optional<bool> m_bReminderSet;
};

struct CRecurrence
{
    ERecurFrequency m_eFrequency = ERecurFrequency::Daily;
    ERecurPattern m_ePattern = ERecurPattern::Day;
    uint32_t m_dwPeriod = 1;     // minutes for Day, weeks for Week, months otherwise
    uint32_t m_dwDayMask = 0;    // Week and MonthNth: bit 0 Sunday .. bit 6 Saturday
    uint32_t m_dwDayOfMonth = 0; // Month
    uint32_t m_dwNth = 0;        // MonthNth: 1-4, 5 the last
    uint32_t m_dwEndType = 0;    // 0x2021 by date, 0x2022 after a count, 0x2023 or 0xFFFFFFFF never
    uint32_t m_dwOccurrenceCount = 0;
    uint32_t m_dwFirstDayOfWeek = 0;
    std::vector<int64_t> m_vDeleted;  // dates (midnight minutes) of occurrences taken out or moved
    std::vector<int64_t> m_vModified; // dates (midnight minutes) of the moved occurrences' new days
    int64_t m_iStartDate = 0;         // midnight of the first occurrence's day
    int64_t m_iEndDate = 0;           // midnight of the last occurrence's day
    int32_t m_iStartOffset = 0;       // minutes after midnight at which each occurrence starts
    int32_t m_iEndOffset = 0;
    std::vector<CRecurrenceException> m_vExceptions;
};

enum class ERecurrenceRead
{
    Ok,
    Truncated,  // a count or length runs past the end of the blob
    BadVersion, // not a reader version this code knows
    BadPattern, // a frequency, pattern, period, mask or calendar it cannot expand
};

// Reads p_nSize bytes of a blob. Every count and length is checked against what is left before it
// is used; nothing is returned unless the whole pattern part reads.
ERecurrenceRead ReadRecurrence(const uint8_t* p_pData, size_t p_nSize, CRecurrence& p_oOut);

// One occurrence of a series: the exception record that changed it, if any.
struct COccurrence
{
    int64_t m_iStart = 0;
    const CRecurrenceException* m_pException = nullptr;
};

// The occurrences whose start lies in [p_iFrom, p_iTo], in order of start: the pattern's, less the
// deleted and moved ones, plus the exception records' changed ones. At most p_nLimit are returned.
std::vector<COccurrence> ExpandOccurrences(const CRecurrence& p_oRecurrence, int64_t p_iFrom, int64_t p_iTo,
                                           size_t p_nLimit = 10000);
