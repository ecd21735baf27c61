// Addressbook/reminders/recurrence.cpp: reading the recurrence blob with every length checked, the
// Gregorian calendar arithmetic, and the walk over a series' occurrences.
#include "Addressbook/reminders/recurrence.h"

#include <algorithm>

namespace
{
// Days from 1601-01-01 to 1970-01-01, to reuse the civil-date algorithm counted from 1970.
constexpr int64_t kDays1601To1970 = 134774;

int64_t DaysFromCivil1970(int64_t p_iYear, unsigned p_uMonth, unsigned p_uDay)
{
    p_iYear -= p_uMonth <= 2 ? 1 : 0;
    const int64_t era = (p_iYear >= 0 ? p_iYear : p_iYear - 399) / 400;
    const auto yoe = static_cast<unsigned>(p_iYear - era * 400);
    const unsigned doy = (153 * (p_uMonth > 2 ? p_uMonth - 3 : p_uMonth + 9) + 2) / 5 + p_uDay - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

// A little-endian reader that never steps past its end.
class CBlobReader
{
  public:
    CBlobReader(const uint8_t* p_pData, size_t p_nSize) : m_pData(p_pData), m_nSize(p_pData != nullptr ? p_nSize : 0)
    {
    }
    size_t Left() const
    {
        return m_nSize - m_nAt;
    }
    bool U16(uint16_t& p_wValue)
    {
        if (Left() < 2)
            return false;
        p_wValue = static_cast<uint16_t>(m_pData[m_nAt] | (m_pData[m_nAt + 1] << 8));
        m_nAt += 2;
        return true;
    }
    bool U32(uint32_t& p_dwValue)
    {
        if (Left() < 4)
            return false;
        p_dwValue = 0;
        for (size_t i = 0; i < 4; ++i)
            p_dwValue |= static_cast<uint32_t>(m_pData[m_nAt + i]) << (8 * i);
        m_nAt += 4;
        return true;
    }
    bool Skip(size_t p_nBytes)
    {
        if (Left() < p_nBytes)
            return false;
        m_nAt += p_nBytes;
        return true;
    }
    bool Bytes(size_t p_nBytes, std::string& p_sOut)
    {
        if (Left() < p_nBytes)
            return false;
        p_sOut.assign(reinterpret_cast<const char*>(m_pData + m_nAt), p_nBytes);
        m_nAt += p_nBytes;
        return true;
    }
    // A date list: a count, then that many minute values, the count checked against what is left.
    bool Dates(std::vector<int64_t>& p_vOut)
    {
        uint32_t dwCount = 0;
        if (!U32(dwCount) || dwCount > Left() / 4)
            return false;
        p_vOut.resize(dwCount);
        for (int64_t& date : p_vOut)
        {
            uint32_t dwValue = 0;
            (void)U32(dwValue);
            date = dwValue;
        }
        return true;
    }

  private:
    const uint8_t* m_pData;
    size_t m_nSize;
    size_t m_nAt = 0;
};

constexpr uint16_t kReaderVersion = 0x3004;
constexpr uint32_t kReaderVersion2 = 0x3006;
constexpr uint32_t kWriterVersionWithHighlight = 0x3009;

// Exception override flags.
constexpr uint16_t kOverrideSubject = 0x0001;
constexpr uint16_t kOverrideMeetingType = 0x0002;
constexpr uint16_t kOverrideReminderDelta = 0x0004;
constexpr uint16_t kOverrideReminder = 0x0008;
constexpr uint16_t kOverrideLocation = 0x0010;
constexpr uint16_t kOverrideBusyStatus = 0x0020;
constexpr uint16_t kOverrideAttachment = 0x0040;
constexpr uint16_t kOverrideSubType = 0x0080;
constexpr uint16_t kOverrideColor = 0x0100;

// Calendars the Gregorian arithmetic serves: the default and the Gregorian variants. Lunar and
// other calendars (Hijri, Hebrew, ...) cannot be expanded here.
bool IsGregorianCalendar(uint16_t p_wType)
{
    return p_wType == 0 || p_wType == 1 || p_wType == 2 || (p_wType >= 9 && p_wType <= 12);
}

ERecurrenceRead ReadPatternHead(CBlobReader& p_oIn, CRecurrence& p_oOut)
{
    uint16_t wReader = 0, wWriter = 0, wFrequency = 0, wPattern = 0, wCalendar = 0;
    if (!p_oIn.U16(wReader) || !p_oIn.U16(wWriter))
        return ERecurrenceRead::Truncated;
    if (wReader != kReaderVersion)
        return ERecurrenceRead::BadVersion;
    uint32_t dwFirstDateTime = 0, dwSliding = 0;
    if (!p_oIn.U16(wFrequency) || !p_oIn.U16(wPattern) || !p_oIn.U16(wCalendar) || !p_oIn.U32(dwFirstDateTime) ||
        !p_oIn.U32(p_oOut.m_dwPeriod) || !p_oIn.U32(dwSliding))
        return ERecurrenceRead::Truncated;
    if (wFrequency < static_cast<uint16_t>(ERecurFrequency::Daily) ||
        wFrequency > static_cast<uint16_t>(ERecurFrequency::Yearly) || wPattern > 4 || !IsGregorianCalendar(wCalendar))
        return ERecurrenceRead::BadPattern;
    p_oOut.m_eFrequency = static_cast<ERecurFrequency>(wFrequency);
    p_oOut.m_ePattern = static_cast<ERecurPattern>(wPattern);
    bool bRead = true;
    switch (p_oOut.m_ePattern)
    {
    case ERecurPattern::Day:
        break;
    case ERecurPattern::Week:
        bRead = p_oIn.U32(p_oOut.m_dwDayMask);
        break;
    case ERecurPattern::Month:
    case ERecurPattern::MonthEnd:
        bRead = p_oIn.U32(p_oOut.m_dwDayOfMonth);
        break;
    case ERecurPattern::MonthNth:
        bRead = p_oIn.U32(p_oOut.m_dwDayMask) && p_oIn.U32(p_oOut.m_dwNth);
        break;
    }
    if (!bRead)
        return ERecurrenceRead::Truncated;
    return ERecurrenceRead::Ok;
}

// What the expansion relies on: a period that moves forward at least a day and days it can find.
bool IsExpandable(const CRecurrence& p_oRecurrence)
{
    const uint32_t dwPeriod = p_oRecurrence.m_dwPeriod;
    switch (p_oRecurrence.m_ePattern)
    {
    case ERecurPattern::Day:
        return dwPeriod >= kMinutesPerDay && dwPeriod % kMinutesPerDay == 0 && dwPeriod <= 999 * kMinutesPerDay;
    case ERecurPattern::Week:
        return dwPeriod >= 1 && dwPeriod <= 999 && (p_oRecurrence.m_dwDayMask & 0x7F) != 0;
    case ERecurPattern::Month:
        return dwPeriod >= 1 && dwPeriod <= 999 * 12 && p_oRecurrence.m_dwDayOfMonth >= 1 &&
               p_oRecurrence.m_dwDayOfMonth <= 31;
    case ERecurPattern::MonthEnd:
        return dwPeriod >= 1 && dwPeriod <= 999 * 12;
    case ERecurPattern::MonthNth:
        return dwPeriod >= 1 && dwPeriod <= 999 * 12 && (p_oRecurrence.m_dwDayMask & 0x7F) != 0 &&
               p_oRecurrence.m_dwNth >= 1 && p_oRecurrence.m_dwNth <= 5;
    }
    return false;
}

// A narrow text of an exception record: its length, its length less one, then that many bytes.
bool ReadNarrowText(CBlobReader& p_oIn, std::optional<std::string>& p_sOut)
{
    uint16_t wLength = 0, wLength2 = 0;
    std::string sText;
    if (!p_oIn.U16(wLength) || !p_oIn.U16(wLength2) || !p_oIn.Bytes(wLength2, sText))
        return false;
    p_sOut = std::move(sText);
    return true;
}

bool ReadExceptionInfo(CBlobReader& p_oIn, CRecurrenceException& p_oOut, uint16_t& p_wFlags)
{
    uint32_t dwStart = 0, dwEnd = 0, dwOriginal = 0;
    if (!p_oIn.U32(dwStart) || !p_oIn.U32(dwEnd) || !p_oIn.U32(dwOriginal) || !p_oIn.U16(p_wFlags))
        return false;
    p_oOut.m_iStart = dwStart;
    p_oOut.m_iEnd = dwEnd;
    p_oOut.m_iOriginalStart = dwOriginal;
    uint32_t dwValue = 0;
    if ((p_wFlags & kOverrideSubject) != 0 && !ReadNarrowText(p_oIn, p_oOut.m_sSubject))
        return false;
    if ((p_wFlags & kOverrideMeetingType) != 0 && !p_oIn.U32(dwValue))
        return false;
    if ((p_wFlags & kOverrideReminderDelta) != 0)
    {
        if (!p_oIn.U32(dwValue))
            return false;
        p_oOut.m_iReminderDelta = static_cast<int32_t>(dwValue);
    }
    if ((p_wFlags & kOverrideReminder) != 0)
    {
        if (!p_oIn.U32(dwValue))
            return false;
        p_oOut.m_bReminderSet = dwValue != 0;
    }
    if ((p_wFlags & kOverrideLocation) != 0 && !ReadNarrowText(p_oIn, p_oOut.m_sLocation))
        return false;
    for (uint16_t wFlag : {kOverrideBusyStatus, kOverrideAttachment, kOverrideSubType, kOverrideColor})
        if ((p_wFlags & wFlag) != 0 && !p_oIn.U32(dwValue))
            return false;
    return true;
}

// A wide text: a count of UTF-16 units, then the units; kept as UTF-8.
bool ReadWideText(CBlobReader& p_oIn, std::optional<std::string>& p_sOut)
{
    uint16_t wUnits = 0;
    std::string sBytes;
    if (!p_oIn.U16(wUnits) || !p_oIn.Bytes(static_cast<size_t>(wUnits) * 2, sBytes))
        return false;
    std::string sText;
    for (size_t i = 0; i + 1 < sBytes.size(); i += 2)
    {
        uint32_t cUnit = static_cast<uint8_t>(sBytes[i]) | (static_cast<uint8_t>(sBytes[i + 1]) << 8);
        if (cUnit >= 0xD800 && cUnit <= 0xDBFF && i + 3 < sBytes.size())
        {
            const uint32_t cLow = static_cast<uint8_t>(sBytes[i + 2]) | (static_cast<uint8_t>(sBytes[i + 3]) << 8);
            if (cLow >= 0xDC00 && cLow <= 0xDFFF)
            {
                cUnit = 0x10000 + ((cUnit - 0xD800) << 10) + (cLow - 0xDC00);
                i += 2;
            }
        }
        if (cUnit >= 0xD800 && cUnit <= 0xDFFF)
            cUnit = 0xFFFD;
        if (cUnit < 0x80)
            sText += static_cast<char>(cUnit);
        else if (cUnit < 0x800)
            sText += {static_cast<char>(0xC0 | (cUnit >> 6)), static_cast<char>(0x80 | (cUnit & 0x3F))};
        else if (cUnit < 0x10000)
            sText += {static_cast<char>(0xE0 | (cUnit >> 12)), static_cast<char>(0x80 | ((cUnit >> 6) & 0x3F)),
                      static_cast<char>(0x80 | (cUnit & 0x3F))};
        else
            sText += {static_cast<char>(0xF0 | (cUnit >> 18)), static_cast<char>(0x80 | ((cUnit >> 12) & 0x3F)),
                      static_cast<char>(0x80 | ((cUnit >> 6) & 0x3F)), static_cast<char>(0x80 | (cUnit & 0x3F))};
    }
    p_sOut = std::move(sText);
    return true;
}

bool SkipBlock(CBlobReader& p_oIn)
{
    uint32_t dwSize = 0;
    return p_oIn.U32(dwSize) && p_oIn.Skip(dwSize);
}

// The extended records give each changed subject and location in UTF-16. They replace the narrow
// texts only when all of them read: a writer that left them out still has the narrow ones.
void ReadExtendedExceptions(CBlobReader p_oIn, uint32_t p_dwWriterVersion, const std::vector<uint16_t>& p_vFlags,
                            std::vector<CRecurrenceException>& p_vExceptions)
{
    std::vector<CRecurrenceException> vWide = p_vExceptions;
    for (size_t i = 0; i < vWide.size(); ++i)
    {
        if (p_dwWriterVersion >= kWriterVersionWithHighlight && !SkipBlock(p_oIn))
            return;
        if (!SkipBlock(p_oIn))
            return;
        if ((p_vFlags[i] & (kOverrideSubject | kOverrideLocation)) == 0)
            continue;
        if (!p_oIn.Skip(12))
            return;
        if ((p_vFlags[i] & kOverrideSubject) != 0 && !ReadWideText(p_oIn, vWide[i].m_sSubject))
            return;
        if ((p_vFlags[i] & kOverrideLocation) != 0 && !ReadWideText(p_oIn, vWide[i].m_sLocation))
            return;
        if (!SkipBlock(p_oIn))
            return;
    }
    p_vExceptions = std::move(vWide);
}

ERecurrenceRead ReadAppointmentPart(CBlobReader& p_oIn, CRecurrence& p_oOut)
{
    uint32_t dwReader2 = 0, dwWriter2 = 0, dwStartOffset = 0, dwEndOffset = 0;
    uint16_t wExceptions = 0;
    if (!p_oIn.U32(dwReader2) || !p_oIn.U32(dwWriter2))
        return ERecurrenceRead::Truncated;
    if (dwReader2 != kReaderVersion2)
        return ERecurrenceRead::BadVersion;
    if (!p_oIn.U32(dwStartOffset) || !p_oIn.U32(dwEndOffset) || !p_oIn.U16(wExceptions))
        return ERecurrenceRead::Truncated;
    if (dwStartOffset >= kMinutesPerDay)
        return ERecurrenceRead::BadPattern;
    p_oOut.m_iStartOffset = static_cast<int32_t>(dwStartOffset);
    p_oOut.m_iEndOffset = static_cast<int32_t>(std::min<uint32_t>(dwEndOffset, 0x7FFFFFFF));
    // Each record takes at least 14 bytes: a count beyond what is left is refused before reserving.
    if (wExceptions > p_oIn.Left() / 14)
        return ERecurrenceRead::Truncated;
    p_oOut.m_vExceptions.resize(wExceptions);
    std::vector<uint16_t> vFlags(wExceptions);
    for (size_t i = 0; i < wExceptions; ++i)
        if (!ReadExceptionInfo(p_oIn, p_oOut.m_vExceptions[i], vFlags[i]))
            return ERecurrenceRead::Truncated;
    if (!SkipBlock(p_oIn))
        return ERecurrenceRead::Truncated;
    ReadExtendedExceptions(p_oIn, dwWriter2, vFlags, p_oOut.m_vExceptions);
    return ERecurrenceRead::Ok;
}
} // namespace

int64_t DayNumber(const CCivilDate& p_oDate)
{
    return DaysFromCivil1970(p_oDate.m_iYear, static_cast<unsigned>(p_oDate.m_iMonth),
                             static_cast<unsigned>(p_oDate.m_iDay)) +
           kDays1601To1970;
}

CCivilDate DateOfDay(int64_t p_iDay)
{
    const int64_t z = p_iDay - kDays1601To1970 + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = static_cast<int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0);
    return CCivilDate{static_cast<int>(year), static_cast<int>(month), static_cast<int>(day)};
}

int WeekdayOfDay(int64_t p_iDay)
{
    // 1601-01-01 was a Monday.
    const int64_t weekday = (p_iDay + 1) % 7;
    return static_cast<int>(weekday < 0 ? weekday + 7 : weekday);
}

int DaysInMonth(int p_iYear, int p_iMonth)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (p_iMonth == 2 && ((p_iYear % 4 == 0 && p_iYear % 100 != 0) || p_iYear % 400 == 0))
        return 29;
    return kDays[(p_iMonth - 1) % 12];
}

int64_t MinutesAt(const CCivilDate& p_oDate, int p_iHour, int p_iMinute)
{
    return DayNumber(p_oDate) * kMinutesPerDay + p_iHour * 60 + p_iMinute;
}

ERecurrenceRead ReadRecurrence(const uint8_t* p_pData, size_t p_nSize, CRecurrence& p_oOut)
{
    CRecurrence oRead;
    CBlobReader oIn(p_pData, p_nSize);
    const ERecurrenceRead eHead = ReadPatternHead(oIn, oRead);
    if (eHead != ERecurrenceRead::Ok)
        return eHead;
    uint32_t dwStartDate = 0, dwEndDate = 0;
    if (!oIn.U32(oRead.m_dwEndType) || !oIn.U32(oRead.m_dwOccurrenceCount) || !oIn.U32(oRead.m_dwFirstDayOfWeek) ||
        !oIn.Dates(oRead.m_vDeleted) || !oIn.Dates(oRead.m_vModified) || !oIn.U32(dwStartDate) || !oIn.U32(dwEndDate))
        return ERecurrenceRead::Truncated;
    oRead.m_iStartDate = dwStartDate - dwStartDate % kMinutesPerDay;
    oRead.m_iEndDate = dwEndDate - dwEndDate % kMinutesPerDay;
    if (!IsExpandable(oRead) || oRead.m_dwFirstDayOfWeek > 6 || oRead.m_iEndDate < oRead.m_iStartDate)
        return ERecurrenceRead::BadPattern;
    // A task's recurrence ends here; an appointment's goes on with its times and exceptions.
    if (oIn.Left() > 0)
    {
        const ERecurrenceRead eAppointment = ReadAppointmentPart(oIn, oRead);
        if (eAppointment != ERecurrenceRead::Ok)
            return eAppointment;
    }
    p_oOut = std::move(oRead);
    return ERecurrenceRead::Ok;
}
