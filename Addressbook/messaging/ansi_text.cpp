// Addressbook/messaging/ansi_text.cpp: Windows-1252 case tables.
#include "Addressbook/messaging/ansi_text.h"

#include <array>
#include <cstdint>

namespace
{
struct CCaseTables
{
    std::array<uint8_t, 256> m_aUpper{};
    std::array<uint8_t, 256> m_aLower{};
};

constexpr CCaseTables BuildCaseTables()
{
    CCaseTables oTables;
    for (int i = 0; i < 256; ++i)
    {
        oTables.m_aUpper[i] = static_cast<uint8_t>(i);
        oTables.m_aLower[i] = static_cast<uint8_t>(i);
    }
    auto pair = [&oTables](int p_iUpper, int p_iLower) {
        oTables.m_aUpper[p_iLower] = static_cast<uint8_t>(p_iUpper);
        oTables.m_aLower[p_iUpper] = static_cast<uint8_t>(p_iLower);
    };
    for (int i = 'A'; i <= 'Z'; ++i)
        pair(i, i + 32);
    // Accented capitals 0xC0-0xDE pair with 0xE0-0xFE, except the multiplication and division signs.
    for (int i = 0xC0; i <= 0xDE; ++i)
        if (i != 0xD7)
            pair(i, i + 32);
    pair(0x8A, 0x9A); // S caron
    pair(0x8C, 0x9C); // OE ligature
    pair(0x8E, 0x9E); // Z caron
    pair(0x9F, 0xFF); // Y diaeresis
    return oTables;
}

constexpr CCaseTables g_oCase = BuildCaseTables();

uint8_t Byte(char p_c)
{
    return static_cast<uint8_t>(p_c);
}
} // namespace

bool AnsiIsUpper(char p_c)
{
    return g_oCase.m_aLower[Byte(p_c)] != Byte(p_c);
}

bool AnsiIsLower(char p_c)
{
    // Sharp s has no capital in the code page but is still a small letter.
    return g_oCase.m_aUpper[Byte(p_c)] != Byte(p_c) || Byte(p_c) == 0xDF;
}

char AnsiToUpper(char p_c)
{
    return static_cast<char>(g_oCase.m_aUpper[Byte(p_c)]);
}

char AnsiToLower(char p_c)
{
    return static_cast<char>(g_oCase.m_aLower[Byte(p_c)]);
}

std::string AnsiUpperCase(std::string_view p_sText)
{
    std::string sUpper(p_sText);
    for (char& c : sUpper)
        c = AnsiToUpper(c);
    return sUpper;
}

bool AnsiEqualsNoCase(std::string_view p_sLeft, std::string_view p_sRight)
{
    if (p_sLeft.size() != p_sRight.size())
        return false;
    for (size_t i = 0; i < p_sLeft.size(); ++i)
        if (AnsiToUpper(p_sLeft[i]) != AnsiToUpper(p_sRight[i]))
            return false;
    return true;
}
