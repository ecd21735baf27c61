// Addressbook/protocol/code_page.cpp: Windows-1252 to UTF-8, and the native ANSI conversion.
#include "Addressbook/protocol/code_page.h"

#include <cstdint>

namespace
{
// 0x80..0x9F of Windows-1252; the rest of the page is Latin-1.
const uint16_t g_aHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& p_sOut, uint16_t p_wCode)
{
    if (p_wCode < 0x80)
        p_sOut += static_cast<char>(p_wCode);
    else if (p_wCode < 0x800)
    {
        p_sOut += static_cast<char>(0xC0 | p_wCode >> 6);
        p_sOut += static_cast<char>(0x80 | (p_wCode & 0x3F));
    }
    else
    {
        p_sOut += static_cast<char>(0xE0 | p_wCode >> 12);
        p_sOut += static_cast<char>(0x80 | (p_wCode >> 6 & 0x3F));
        p_sOut += static_cast<char>(0x80 | (p_wCode & 0x3F));
    }
}
} // namespace

namespace code_page
{
std::string Windows1252ToUtf8(std::string_view p_sText)
{
    std::string out;
    out.reserve(p_sText.size() + p_sText.size() / 4);
    for (char c : p_sText)
    {
        const auto byte = static_cast<uint8_t>(c);
        AppendUtf8(out, byte >= 0x80 && byte < 0xA0 ? g_aHigh[byte - 0x80] : byte);
    }
    return out;
}

#ifndef _WIN32
bool AnsiToUtf8(std::string_view p_sAnsi, std::string& p_sUtf8)
{
    p_sUtf8 = Windows1252ToUtf8(p_sAnsi);
    return true;
}
#endif
} // namespace code_page
