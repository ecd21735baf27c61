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
    // Documents are almost all ASCII: copy runs of it whole.
    size_t i = 0;
    while (i < p_sText.size())
    {
        size_t run = i;
        while (run < p_sText.size() && static_cast<uint8_t>(p_sText[run]) < 0x80)
            ++run;
        out.append(p_sText.data() + i, run - i);
        if (run == p_sText.size())
            break;
        const auto byte = static_cast<uint8_t>(p_sText[run]);
        AppendUtf8(out, byte < 0xA0 ? g_aHigh[byte - 0x80] : byte);
        i = run + 1;
    }
    return out;
}

bool Utf8ToWindows1252(std::string_view p_sText, std::string& p_sOut)
{
    p_sOut.clear();
    p_sOut.reserve(p_sText.size());
    for (size_t i = 0; i < p_sText.size();)
    {
        const auto lead = static_cast<uint8_t>(p_sText[i]);
        uint32_t code = 0;
        size_t length = 0;
        if (lead < 0x80)
            code = lead, length = 1;
        else if ((lead & 0xE0) == 0xC0)
            code = lead & 0x1F, length = 2;
        else if ((lead & 0xF0) == 0xE0)
            code = lead & 0x0F, length = 3;
        else
            return false;
        if (i + length > p_sText.size())
            return false;
        for (size_t k = 1; k < length; ++k)
        {
            const auto next = static_cast<uint8_t>(p_sText[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = code << 6 | (next & 0x3F);
        }
        i += length;
        if (code < 0x80 || (code >= 0xA0 && code < 0x100))
        {
            p_sOut += static_cast<char>(code);
            continue;
        }
        size_t high = 0;
        while (high < 32 && g_aHigh[high] != code)
            ++high;
        if (high == 32)
            return false;
        p_sOut += static_cast<char>(0x80 + high);
    }
    return true;
}

#ifndef _WIN32
bool Utf8ToAnsi(std::string_view p_sUtf8, std::string& p_sAnsi)
{
    return Utf8ToWindows1252(p_sUtf8, p_sAnsi);
}

bool AnsiToUtf8(std::string_view p_sAnsi, std::string& p_sUtf8)
{
    p_sUtf8 = Windows1252ToUtf8(p_sAnsi);
    return true;
}
#endif
} // namespace code_page
