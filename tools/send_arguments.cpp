// tools/send_arguments.cpp: brevolt-send's argument reader.
#include "tools/send_arguments.h"

#include <cctype>
#include <cstdlib>

const char* const kSendUsage =
    "usage: brevolt-send --to \"NUMBER;Name <NUMBER>;...\" [--cc \"...\"] [--list \"NAME:ENTRY,ENTRY\"]...\n"
    "                    --text TEXT [--bulk] [--at \"YYYY-MM-DD HH:MM\"] [--package N] [--options N]\n"
    "In a bulk text {First Name}, {Last Name}, {Full Name}, {Mobile} or {Email} is filled in per recipient.\n";

namespace
{
std::string Trim(const std::string& p_sText)
{
    size_t first = 0;
    size_t last = p_sText.size();
    while (first < last && std::isspace(static_cast<unsigned char>(p_sText[first])))
        ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(p_sText[last - 1])))
        --last;
    return p_sText.substr(first, last - first);
}

bool ParseEntries(const std::string& p_sText, char p_cSeparator, std::vector<CSendEntry>& p_vOut)
{
    size_t start = 0;
    for (;;)
    {
        const size_t end = p_sText.find(p_cSeparator, start);
        const std::string part =
            Trim(p_sText.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (!part.empty())
        {
            CSendEntry entry;
            if (!ParseSendEntry(part, entry))
                return false;
            p_vOut.push_back(entry);
        }
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return !p_vOut.empty();
}

bool ParseNumber(const std::string& p_sText, long p_lMax, long& p_lValue)
{
    if (p_sText.empty())
        return false;
    char* end = nullptr;
    const long value = std::strtol(p_sText.c_str(), &end, 0);
    if (end == nullptr || *end != '\0' || value < 0 || value > p_lMax)
        return false;
    p_lValue = value;
    return true;
}

bool TwoDigits(const std::string& p_sText, size_t p_nAt, int& p_iValue)
{
    if (p_nAt + 2 > p_sText.size() || !std::isdigit(static_cast<unsigned char>(p_sText[p_nAt])) ||
        !std::isdigit(static_cast<unsigned char>(p_sText[p_nAt + 1])))
        return false;
    p_iValue = (p_sText[p_nAt] - '0') * 10 + (p_sText[p_nAt + 1] - '0');
    return true;
}

// "{Name}" becomes the placeholder character; each token remembers where it stands.
bool ExtractTokens(const std::string& p_sText, std::string& p_sMessage, std::vector<CSendToken>& p_vTokens,
                   std::string& p_sError)
{
    p_sMessage.clear();
    p_vTokens.clear();
    for (size_t i = 0; i < p_sText.size(); ++i)
    {
        const char c = p_sText[i];
        if (c == '\x01')
        {
            p_sError = "the text may not hold the character 0x01";
            return false;
        }
        if (c != '{')
        {
            p_sMessage += c;
            continue;
        }
        const size_t close = p_sText.find('}', i + 1);
        const std::string name =
            close == std::string::npos ? std::string() : Trim(p_sText.substr(i + 1, close - i - 1));
        if (close == std::string::npos || name.empty() || name.find('{') != std::string::npos)
        {
            p_sError = "a token in the text is not of the form {Name}";
            return false;
        }
        p_vTokens.push_back({name, p_sMessage.size()});
        p_sMessage += '\x01';
        i = close;
    }
    return true;
}
} // namespace

bool ParseSendEntry(const std::string& p_sText, CSendEntry& p_oEntry)
{
    const std::string text = Trim(p_sText);
    if (text.empty())
        return false;
    const size_t open = text.find('<');
    if (open == std::string::npos)
    {
        if (text.find('>') != std::string::npos)
            return false;
        p_oEntry = {std::string(), text};
        return true;
    }
    const size_t close = text.find('>', open);
    if (close == std::string::npos || close != text.size() - 1)
        return false;
    p_oEntry.m_sName = Trim(text.substr(0, open));
    p_oEntry.m_sMobile = Trim(text.substr(open + 1, close - open - 1));
    return !p_oEntry.m_sName.empty() && !p_oEntry.m_sMobile.empty() &&
           p_oEntry.m_sMobile.find('<') == std::string::npos;
}

bool ParseSendDate(const std::string& p_sText, CSendDate& p_oDate)
{
    // YYYY-MM-DD HH:MM
    const std::string text = Trim(p_sText);
    if (text.size() != 16 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':')
        return false;
    int century = 0, year = 0, month = 0, day = 0, hour = 0, minute = 0;
    if (!TwoDigits(text, 0, century) || !TwoDigits(text, 2, year) || !TwoDigits(text, 5, month) ||
        !TwoDigits(text, 8, day) || !TwoDigits(text, 11, hour) || !TwoDigits(text, 14, minute))
        return false;
    const int fullYear = century * 100 + year;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (fullYear % 4 == 0 && fullYear % 100 != 0) || fullYear % 400 == 0;
    if (fullYear < 1601 || month < 1 || month > 12 || hour > 23 || minute > 59 || day < 1 ||
        day > kDays[month - 1] + (month == 2 && leap ? 1 : 0))
        return false;
    // Sakamoto's rule: 0 is Sunday, as SYSTEMTIME counts.
    static const int kOffsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    const int y = month < 3 ? fullYear - 1 : fullYear;
    const int weekday = (y + y / 4 - y / 100 + y / 400 + kOffsets[month - 1] + day) % 7;
    p_oDate = {static_cast<uint16_t>(fullYear), static_cast<uint16_t>(month), static_cast<uint16_t>(weekday),
               static_cast<uint16_t>(day),      static_cast<uint16_t>(hour),  static_cast<uint16_t>(minute)};
    return true;
}

bool ParseSendArguments(const std::vector<std::string>& p_vArgs, CSendArguments& p_oOut, std::string& p_sError)
{
    p_oOut = CSendArguments();
    bool haveText = false;
    for (size_t i = 0; i < p_vArgs.size(); ++i)
    {
        const std::string& option = p_vArgs[i];
        if (option == "--bulk")
        {
            p_oOut.m_bBulk = true;
            continue;
        }
        const bool takesValue = option == "--to" || option == "--cc" || option == "--list" || option == "--text" ||
                                option == "--at" || option == "--package" || option == "--options";
        if (!takesValue)
        {
            p_sError = "unknown argument '" + option + "'";
            return false;
        }
        if (i + 1 >= p_vArgs.size())
        {
            p_sError = option + " needs a value";
            return false;
        }
        const std::string& value = p_vArgs[++i];
        if (option == "--to" || option == "--cc")
        {
            if (!ParseEntries(value, ';', option == "--to" ? p_oOut.m_vTo : p_oOut.m_vCc))
            {
                p_sError = option + ": '" + value + "' is not a list of numbers or Name <number> entries";
                return false;
            }
        }
        else if (option == "--list")
        {
            const size_t colon = value.find(':');
            CSendList list;
            list.m_sName = colon == std::string::npos ? std::string() : Trim(value.substr(0, colon));
            if (list.m_sName.empty() || !ParseEntries(value.substr(colon + 1), ',', list.m_vMembers))
            {
                p_sError = "--list: '" + value + "' is not NAME:ENTRY,ENTRY";
                return false;
            }
            p_oOut.m_vLists.push_back(list);
        }
        else if (option == "--text")
        {
            p_oOut.m_sText = value;
            haveText = true;
        }
        else if (option == "--at")
        {
            if (!ParseSendDate(value, p_oOut.m_oAt))
            {
                p_sError = "--at: '" + value + "' is not a date and time YYYY-MM-DD HH:MM";
                return false;
            }
            p_oOut.m_bAt = true;
        }
        else
        {
            long number = 0;
            const bool package = option == "--package";
            if (!ParseNumber(value, package ? 6 : 0x7FFFFFFFL, number) || (package && number == 5))
            {
                p_sError = option + ": '" + value + "' is not " +
                           (package ? "a package code (0-4, or 6 for the default mail client)" : "a number");
                return false;
            }
            if (package)
                p_oOut.m_iPackage = static_cast<int>(number);
            else
                p_oOut.m_dwOptions = static_cast<uint32_t>(number);
        }
    }
    if (p_oOut.m_vTo.empty() && p_oOut.m_vCc.empty() && p_oOut.m_vLists.empty())
    {
        p_sError = "no recipients: give --to";
        return false;
    }
    if (!haveText || p_oOut.m_sText.empty())
    {
        p_sError = "no text: give --text";
        return false;
    }
    if (!ExtractTokens(p_oOut.m_sText, p_oOut.m_sMessage, p_oOut.m_vTokens, p_sError))
        return false;
    if (!p_oOut.m_bBulk && !p_oOut.m_vTokens.empty())
    {
        p_sError = "tokens such as {" + p_oOut.m_vTokens.front().m_sName + "} need --bulk";
        return false;
    }
    return true;
}
