// compose/templates/template_generate.cpp: field outputs, the date and time formats, entry checks
// and the text walk of template generation.
#include "compose/templates/template_generate.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace
{
using compose::CTemplateDateTime;

constexpr std::array<const char*, 12> kMonths = {"January", "February", "March",     "April",   "May",      "June",
                                                 "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kDays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                              "Thursday", "Friday", "Saturday"};

std::string MonthName(const CTemplateDateTime& p_oWhen)
{
    const int iMonth = p_oWhen.m_iMonth >= 1 && p_oWhen.m_iMonth <= 12 ? p_oWhen.m_iMonth : 1;
    return kMonths[static_cast<size_t>(iMonth - 1)];
}

std::string DayName(const CTemplateDateTime& p_oWhen)
{
    const int iDay = p_oWhen.m_iDayOfWeek >= 0 && p_oWhen.m_iDayOfWeek <= 6 ? p_oWhen.m_iDayOfWeek : 0;
    return kDays[static_cast<size_t>(iDay)];
}

template <class... T> std::string Format(const char* p_szFormat, T... p_args)
{
    char szBuffer[96] = {};
    std::snprintf(szBuffer, sizeof szBuffer, p_szFormat, p_args...);
    return szBuffer;
}

std::string Trim(const std::string& p_sText)
{
    const size_t nFirst = p_sText.find_first_not_of(" \t");
    if (nFirst == std::string::npos)
        return {};
    return p_sText.substr(nFirst, p_sText.find_last_not_of(" \t") - nFirst + 1);
}

bool ParseInt(const std::string& p_sText, long long& p_llValue)
{
    const std::string sText = Trim(p_sText);
    const char* pBegin = sText.data();
    const char* pEnd = sText.data() + sText.size();
    if (pBegin != pEnd && *pBegin == '+')
        ++pBegin;
    const auto oResult = std::from_chars(pBegin, pEnd, p_llValue);
    return oResult.ec == std::errc() && oResult.ptr == pEnd && pBegin != pEnd;
}

// The amount as typed, with its decimal separator (the last dot or comma) written as the field's.
std::string CurrencyOutput(const std::string& p_sText, int32_t p_iDecimalPoint)
{
    std::string sAmount = Trim(p_sText);
    const size_t nSeparator = sAmount.find_last_of(".,");
    if (nSeparator != std::string::npos)
        sAmount[nSeparator] = p_iDecimalPoint == compose::kDecimalComma ? ',' : '.';
    return sAmount;
}

int TwelveHour(int p_iHour)
{
    const int iHour = p_iHour % 12;
    return iHour == 0 ? 12 : iHour;
}
} // namespace

namespace compose
{
std::string FormatTemplateDate(const CTemplateDateTime& p_oWhen, int p_iFormat)
{
    const int iY = p_oWhen.m_iYear;
    const int iYY = ((iY % 100) + 100) % 100;
    const int iM = p_oWhen.m_iMonth;
    const int iD = p_oWhen.m_iDay;
    const std::string sMonth = MonthName(p_oWhen);
    const std::string sMon = sMonth.substr(0, 3);
    switch (p_iFormat)
    {
    case 0:
        return Format("%d/%d/%d", iM, iD, iY);
    case 1:
        return Format("%d/%d/%d", iD, iM, iY);
    case 2:
        return Format("%s, %s %d, %d", DayName(p_oWhen).c_str(), sMonth.c_str(), iD, iY);
    case 3:
        return Format("%s, %s %d, %d", DayName(p_oWhen).substr(0, 3).c_str(), sMon.c_str(), iD, iY);
    case 4:
        return Format("%s %d, %d", sMon.c_str(), iD, iY);
    case 5:
        return Format("%d/%d/%02d", iM, iD, iYY);
    case 6:
        return Format("%d/%d/%02d", iD, iM, iYY);
    case 7:
        return Format("%04d-%02d-%02d", iY, iM, iD);
    case 8:
        return Format("%02d-%s-%02d", iD, sMon.c_str(), iYY);
    case 9:
        return Format("%d.%d.%d", iM, iD, iY);
    case 10:
        return Format("%d.%d.%d", iD, iM, iY);
    case 11:
        return Format("%s %02d", sMon.c_str(), iYY);
    case 12:
        return Format("%d %s", iD, sMon.c_str());
    default:
        return {};
    }
}

std::string FormatTemplateTime(const CTemplateDateTime& p_oWhen, int p_iFormat)
{
    const char* szMark = p_oWhen.m_iHour < 12 ? "AM" : "PM";
    const int iH12 = TwelveHour(p_oWhen.m_iHour);
    switch (p_iFormat)
    {
    case 0:
        return Format("%d:%02d:%02d %s", iH12, p_oWhen.m_iMinute, p_oWhen.m_iSecond, szMark);
    case 1:
        return Format("%02d:%02d:%02d", p_oWhen.m_iHour, p_oWhen.m_iMinute, p_oWhen.m_iSecond);
    case 2:
        return Format("%d:%02d %s", iH12, p_oWhen.m_iMinute, szMark);
    case 3:
        return Format("%02d:%02d", p_oWhen.m_iHour, p_oWhen.m_iMinute);
    default:
        return {};
    }
}

CTemplateDateTime TemplateFormatExample()
{
    return CTemplateDateTime{2003, 9, 1, 1, 23, 52, 23};
}

std::string ConvertTemplateCase(const std::string& p_sText, int p_iConversion)
{
    std::string sOut = p_sText;
    bool bWordStart = true;
    for (char& c : sOut)
    {
        const auto uc = static_cast<unsigned char>(c);
        if (p_iConversion == kCaseUpper)
            c = static_cast<char>(std::toupper(uc));
        else if (p_iConversion == kCaseLower)
            c = static_cast<char>(std::tolower(uc));
        else if (p_iConversion == kCaseTitle)
        {
            c = static_cast<char>(bWordStart ? std::toupper(uc) : std::tolower(uc));
            bWordStart = std::isalnum(uc) == 0 && uc != '\'';
        }
    }
    return sOut;
}

std::string TemplateFieldOutput(const CTemplateField& p_oField, const CTemplateEntry& p_oEntry,
                                const CTemplateDateTime& p_oNow)
{
    switch (p_oField.m_eKind)
    {
    case ETemplateFieldKind::ListBox:
        return p_oEntry.m_sText;
    case ETemplateFieldKind::Text:
        return ConvertTemplateCase(p_oEntry.m_sText, p_oField.m_iCaseConversion);
    case ETemplateFieldKind::Number:
        return Trim(p_oEntry.m_sText);
    case ETemplateFieldKind::Currency:
        return CurrencyOutput(p_oEntry.m_sText, p_oField.m_iDecimalPoint);
    case ETemplateFieldKind::Date:
        if (!p_oEntry.m_bEntered && p_oField.m_bCurrentDate == 0)
            return {};
        return FormatTemplateDate(p_oEntry.m_bEntered ? p_oEntry.m_oWhen : p_oNow, p_oField.m_iDateFormat);
    case ETemplateFieldKind::Time:
        if (!p_oEntry.m_bEntered && p_oField.m_bCurrentTime == 0)
            return {};
        return FormatTemplateTime(p_oEntry.m_bEntered ? p_oEntry.m_oWhen : p_oNow, p_oField.m_iTimeFormat);
    }
    return {};
}

ETemplateEntryCheck CheckTemplateEntry(const CTemplateField& p_oField, const CTemplateEntry& p_oEntry)
{
    const bool bEmpty =
        p_oField.m_eKind == ETemplateFieldKind::Time ? !p_oEntry.m_bEntered : Trim(p_oEntry.m_sText).empty();
    if (p_oField.m_eKind == ETemplateFieldKind::Date)
        return ETemplateEntryCheck::Ok; // a date picker always holds a date
    if (bEmpty)
        return p_oField.m_bRequired != 0 ? ETemplateEntryCheck::Missing : ETemplateEntryCheck::Ok;
    if (p_oField.m_eKind == ETemplateFieldKind::Number && p_oField.m_bEnforceRange != 0)
    {
        long long llValue = 0;
        if (!ParseInt(p_oEntry.m_sText, llValue) || llValue < p_oField.m_iMinimum || llValue > p_oField.m_iMaximum)
            return ETemplateEntryCheck::OutOfRange;
    }
    return ETemplateEntryCheck::Ok;
}

std::string GenerateTemplateText(const CTemplate& p_oTemplate, const std::vector<std::string>& p_vOutputs)
{
    std::string sText;
    size_t nFrom = 0;
    for (size_t i = 0; i < p_oTemplate.m_vFields.size(); ++i)
    {
        const auto nAt = static_cast<size_t>(p_oTemplate.m_vFields[i].m_iPosition);
        if (p_oTemplate.m_vFields[i].m_iPosition < 0 || nAt < nFrom || nAt >= p_oTemplate.m_sText.size())
            continue; // not on a placeholder of its own: the reader refuses such templates
        sText.append(p_oTemplate.m_sText, nFrom, nAt - nFrom);
        if (i < p_vOutputs.size())
            sText += p_vOutputs[i];
        nFrom = nAt + 1;
    }
    sText.append(p_oTemplate.m_sText, nFrom, std::string::npos);

    std::string sOut;
    sOut.reserve(sText.size() + sText.size() / 16);
    for (size_t i = 0; i < sText.size(); ++i)
    {
        if (sText[i] == '\n' && (i == 0 || sText[i - 1] != '\r'))
            sOut += '\r';
        sOut += sText[i];
    }
    return sOut;
}
} // namespace compose
