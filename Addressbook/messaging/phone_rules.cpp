// Addressbook/messaging/phone_rules.cpp: mobile tests, keys and forms of phone numbers.
#include "Addressbook/messaging/phone_rules.h"

#include "Addressbook/include/corvane_records.h"
#include "Addressbook/messaging/ansi_text.h"

namespace
{
bool IsDigit(char p_c)
{
    return p_c >= '0' && p_c <= '9';
}

bool IsLocalTail(char p_c)
{
    return IsDigit(p_c) || p_c == ' ' || p_c == '-' || p_c == '(' || p_c == ')';
}

bool IsLocalFormat(std::string_view p_sNumber)
{
    if (p_sNumber.empty() || !(IsDigit(p_sNumber[0]) || p_sNumber[0] == '('))
        return false;
    for (size_t i = 1; i < p_sNumber.size(); ++i)
        if (!IsLocalTail(p_sNumber[i]))
            return false;
    return true;
}

bool IsAllPhoneCharacters(std::string_view p_sNumber)
{
    for (char c : p_sNumber)
        if (!IsPhoneCharacter(c))
            return false;
    return true;
}
} // namespace

bool IsPhoneCharacter(char p_c)
{
    return IsDigit(p_c) || p_c == ' ' || p_c == '(' || p_c == ')' || p_c == '+' || p_c == '-';
}

bool IsLocalFormat(const char* p_szNumber)
{
    return p_szNumber != nullptr && IsLocalFormat(std::string_view(p_szNumber));
}

bool IsInternationalFormat(const char* p_szNumber)
{
    return p_szNumber != nullptr && p_szNumber[0] == '+' && IsLocalFormat(std::string_view(p_szNumber + 1));
}

bool IsNationalTrunkForm(const char* p_szNumber)
{
    if (!IsLocalFormat(p_szNumber))
        return false;
    const std::string sDigits = DigitsOf(p_szNumber);
    return sDigits.size() >= 2 && sDigits[0] == '0' && sDigits[1] != '0';
}

bool PassesSendTest(const char* p_szNumber)
{
    return IsLocalFormat(p_szNumber) || IsInternationalFormat(p_szNumber);
}

bool IsInvalidMobile(const char* p_szNumber)
{
    if (p_szNumber == nullptr || *p_szNumber == '\0')
        return true;
    if (IsInternationalFormat(p_szNumber) || IsNationalTrunkForm(p_szNumber))
        return false;
    return std::string_view(p_szNumber) != kNoMobilePlaceholder;
}

bool IsEmailAddress(const char* p_szText)
{
    return p_szText != nullptr && std::string_view(p_szText).find('@') != std::string_view::npos;
}

std::string DigitsOf(std::string_view p_sText)
{
    std::string sDigits;
    sDigits.reserve(p_sText.size());
    for (char c : p_sText)
        if (IsDigit(c))
            sDigits.push_back(c);
    return sDigits;
}

std::string MobileKey(std::string_view p_sNumber, std::string_view p_sCountryCode)
{
    std::string sKey;
    sKey.reserve(p_sNumber.size() + p_sCountryCode.size() + 1);
    sKey.push_back('+');
    std::string_view sRest = p_sNumber;
    if (!sRest.empty() && sRest[0] == '0')
    {
        sKey += DigitsOf(p_sCountryCode);
        sRest.remove_prefix(1);
    }
    if (IsAllPhoneCharacters(p_sNumber))
        for (char c : sRest)
            if (IsDigit(c))
                sKey.push_back(c);
    return sKey;
}

bool HasNumberKey(std::string_view p_sNumber)
{
    if (!IsAllPhoneCharacters(p_sNumber))
        return false;
    if (!p_sNumber.empty() && p_sNumber[0] == '0')
        p_sNumber.remove_prefix(1);
    return !DigitsOf(p_sNumber).empty();
}

std::string ComparableForm(std::string_view p_sNumber, std::string_view p_sCountryCode)
{
    // A "+" counts only in front of the first digit.
    std::string sKept;
    sKept.reserve(p_sNumber.size());
    for (char c : p_sNumber)
    {
        if (IsDigit(c))
            sKept.push_back(c);
        else if (c == '+' && sKept.empty())
            sKept.push_back(c);
    }
    const std::string_view sForm(sKept);
    if (sForm.starts_with('+'))
        return std::string(sForm.substr(1));
    const std::string sCountryDigits = DigitsOf(p_sCountryCode);
    if (sForm.starts_with("00") || (sForm.starts_with("09") && sCountryDigits == "27"))
        return std::string(sForm.substr(2));
    if (sForm.starts_with('0'))
        return sCountryDigits + std::string(sForm.substr(1));
    return sKept;
}

std::string ComparableForm(std::string_view p_sNumber, CCountryCode& p_oCountry)
{
    return ComparableForm(p_sNumber, p_oCountry.ForComparableForm());
}

std::string InternationalForm(std::string_view p_sCountryCode, std::string_view p_sLocalNumber)
{
    size_t iStart = 0;
    while (iStart < p_sLocalNumber.size() &&
           (p_sLocalNumber[iStart] == ' ' || p_sLocalNumber[iStart] == '(' || p_sLocalNumber[iStart] == '0'))
        ++iStart;
    std::string sNumber;
    sNumber.reserve(p_sLocalNumber.size());
    for (size_t i = iStart; i < p_sLocalNumber.size(); ++i)
    {
        const char c = p_sLocalNumber[i];
        if (IsDigit(c))
            sNumber.push_back(c);
        else if (c == ')' && (i == iStart || p_sLocalNumber[i - 1] != ')'))
            sNumber.push_back(' ');
    }
    std::string sForm;
    if (!p_sCountryCode.starts_with('+'))
        sForm.push_back('+');
    sForm.append(p_sCountryCode);
    sForm.push_back(' ');
    sForm += sNumber;
    return sForm;
}

std::string EmailKey(std::string_view p_sEmail)
{
    return AnsiUpperCase(p_sEmail);
}

std::string JoinNames(const char* p_szFirst, const char* p_szSecond, bool p_bReversed)
{
    if (p_szFirst == nullptr)
        return p_szSecond == nullptr ? std::string() : std::string(p_szSecond);
    if (p_szSecond == nullptr)
        return std::string(p_szFirst);
    return p_bReversed ? std::string(p_szSecond) + ", " + p_szFirst : std::string(p_szFirst) + " " + p_szSecond;
}
