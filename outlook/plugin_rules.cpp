// outlook/plugin_rules.cpp: the plug-in's portable decisions (see the header).
#include "outlook/plugin_rules.h"

#include <cctype>
#include <cstdio>

int HostVersionCode(uint16_t p_wMajor, uint16_t p_wMinor)
{
    if (p_wMajor < 8)
        return 0;
    if (p_wMajor == 8)
        return p_wMinor == 5 ? 2 : 1;
    if (p_wMajor > 11)
        return 6;
    return p_wMajor - 6;
}

int GuiKind(int p_iHostVersionCode)
{
    if (p_iHostVersionCode <= 0)
        return 1;
    return p_iHostVersionCode <= 2 ? 2 : 3;
}

bool ToolbarShowingFromText(std::string_view p_sStored)
{
    constexpr std::string_view kFalse = "FALSE";
    if (p_sStored.size() <= 4)
        return true;
    for (size_t i = 0; i < kFalse.size(); ++i)
        if (i >= p_sStored.size() || std::toupper(static_cast<unsigned char>(p_sStored[i])) != kFalse[i])
            return true;
    return false;
}

std::string AboutVersionLine(std::string_view p_sVersion)
{
    if (p_sVersion.size() != 8)
        return std::string(p_sVersion);
    std::string line(p_sVersion.substr(0, 3));
    line += '.';
    line += p_sVersion[3];
    line += '.';
    line += p_sVersion[4];
    return line;
}

std::string UrlEscape(std::string_view p_sText)
{
    std::string escaped;
    for (const char c : p_sText)
    {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80 && std::isalnum(byte))
        {
            escaped += c;
            continue;
        }
        char hex[4];
        std::snprintf(hex, sizeof hex, "%%%02x", byte);
        escaped += hex;
    }
    return escaped;
}

namespace
{
struct CToken
{
    std::string_view m_sToken;
    const char* m_szSetting;
};

// Longer tokens first where one begins another, so "$$NAME" never eats the start of a longer one.
constexpr CToken kTokens[] = {
    {"$$FIRSTNAME", "FirstName"}, {"$$LASTNAME", "LastName"},       {"$$NAME", "Name"},
    {"$$EMAIL", "Email"},         {"$$COUNTRYCODE", "CountryCode"}, {"$$PHONE", "Phone"},
    {"$$VERSION", "Version"},     {"$$COMPANYNAME", "CompanyName"}, {"$$CONTACTNUMBER", "ContactNumber"},
};

bool CachedSetting(const char* p_szName, const SettingReader& p_fnRead,
                   std::vector<std::pair<std::string, std::string>>& p_vCache, std::string& p_sValue)
{
    for (const auto& [name, value] : p_vCache)
        if (name == p_szName)
        {
            p_sValue = value;
            return true;
        }
    if (!p_fnRead(p_szName, p_sValue))
        return false;
    p_vCache.emplace_back(p_szName, p_sValue);
    return true;
}
} // namespace

bool SubstituteTargetTokens(std::string_view p_sTarget, const SettingReader& p_fnRead,
                            std::vector<std::pair<std::string, std::string>>& p_vCache, std::string& p_sResult)
{
    p_sResult.clear();
    std::string result;
    while (!p_sTarget.empty())
    {
        const CToken* match = nullptr;
        if (p_sTarget.substr(0, 2) == "$$")
            for (const CToken& token : kTokens)
                if (p_sTarget.substr(0, token.m_sToken.size()) == token.m_sToken)
                {
                    match = &token;
                    break;
                }
        if (match == nullptr)
        {
            result += p_sTarget.front();
            p_sTarget.remove_prefix(1);
            continue;
        }
        std::string value;
        if (!CachedSetting(match->m_szSetting, p_fnRead, p_vCache, value))
            return false;
        result += UrlEscape(value);
        p_sTarget.remove_prefix(match->m_sToken.size());
    }
    p_sResult = std::move(result);
    return true;
}

std::string EntryIdHex(const uint8_t* p_pBytes, size_t p_nCount)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(p_nCount * 2);
    for (size_t i = 0; i < p_nCount; ++i)
    {
        text += kDigits[p_pBytes[i] >> 4];
        text += kDigits[p_pBytes[i] & 0x0F];
    }
    return text;
}

bool CCommandIdTable::Add(uint32_t p_uResourceId, uint32_t p_uCommandId)
{
    if (m_vPairs.size() >= kCapacity || CommandOf(p_uResourceId) || ResourceOf(p_uCommandId))
        return false;
    m_vPairs.emplace_back(p_uResourceId, p_uCommandId);
    return true;
}

std::optional<uint32_t> CCommandIdTable::CommandOf(uint32_t p_uResourceId) const
{
    for (const auto& [resource, command] : m_vPairs)
        if (resource == p_uResourceId)
            return command;
    return std::nullopt;
}

std::optional<uint32_t> CCommandIdTable::ResourceOf(uint32_t p_uCommandId) const
{
    for (const auto& [resource, command] : m_vPairs)
        if (command == p_uCommandId)
            return resource;
    return std::nullopt;
}
