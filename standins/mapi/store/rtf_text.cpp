// standins/mapi/store/rtf_text.cpp: RTF to plain text and back, for the bodies a store keeps in step.
#include "standins/mapi/store/rtf_text.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace mapistore
{
namespace
{
// Windows-1252's characters 0x80-0x9F; 0 where the code page has none (the byte stands for itself).
constexpr uint16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

uint32_t FromCp1252(uint8_t p_c)
{
    return p_c >= 0x80 && p_c < 0xA0 && kCp1252High[p_c - 0x80] ? kCp1252High[p_c - 0x80] : p_c;
}

// The Windows-1252 byte of a character, or -1 when the code page has none.
int ToCp1252(uint32_t p_cp)
{
    if (p_cp < 0x80 || (p_cp >= 0xA0 && p_cp < 0x100))
        return static_cast<int>(p_cp);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == p_cp)
            return 0x80 + i;
    return -1;
}

void AppendUtf8(std::string& p_out, uint32_t p_cp)
{
    if (p_cp > 0x10FFFF || (p_cp >= 0xD800 && p_cp < 0xE000))
        p_cp = 0xFFFD;
    if (p_cp < 0x80)
        p_out += static_cast<char>(p_cp);
    else if (p_cp < 0x800)
        p_out += {static_cast<char>(0xC0 | p_cp >> 6), static_cast<char>(0x80 | (p_cp & 0x3F))};
    else if (p_cp < 0x10000)
        p_out += {static_cast<char>(0xE0 | p_cp >> 12), static_cast<char>(0x80 | (p_cp >> 6 & 0x3F)),
                  static_cast<char>(0x80 | (p_cp & 0x3F))};
    else
        p_out += {static_cast<char>(0xF0 | p_cp >> 18), static_cast<char>(0x80 | (p_cp >> 12 & 0x3F)),
                  static_cast<char>(0x80 | (p_cp >> 6 & 0x3F)), static_cast<char>(0x80 | (p_cp & 0x3F))};
}

// The next character of UTF-8 text; a byte that starts no valid sequence is read as Windows-1252.
uint32_t NextUtf8(const std::string& p_s, size_t& p_i)
{
    const auto b = static_cast<uint8_t>(p_s[p_i]);
    const int n = b >= 0xF0 && b < 0xF5 ? 3 : b >= 0xE0 ? 2 : b >= 0xC2 && b < 0xE0 ? 1 : 0;
    if (b >= 0x80 && n > 0 && p_i + n < p_s.size())
    {
        uint32_t cp = b & (0x3F >> n);
        bool ok = true;
        for (int k = 1; k <= n && ok; ++k)
        {
            const auto c = static_cast<uint8_t>(p_s[p_i + k]);
            ok = (c & 0xC0) == 0x80;
            cp = cp << 6 | (c & 0x3F);
        }
        if (ok)
        {
            p_i += n + 1;
            return cp;
        }
    }
    ++p_i;
    return FromCp1252(b);
}

// Destinations whose contents are not text of the body.
bool IsSkippedDestination(const std::string& p_word)
{
    static const char* const kWords[] = {"fonttbl", "colortbl",  "stylesheet", "info",      "pict",
                                         "header",  "footer",    "headerl",    "headerr",   "footerl",
                                         "footerr", "object",    "listtable",  "themedata", "datastore",
                                         "fldinst", "generator", "filetbl",    "revtbl",    "listoverridetable"};
    for (const char* w : kWords)
        if (p_word == w)
            return true;
    return false;
}

struct CRtfReader
{
    struct CGroup
    {
        bool m_bSkip = false;
        long m_lUc = 1; // characters that stand in for a \u character
    };
    explicit CRtfReader(const std::string& p_in) : m_in(p_in)
    {
    }
    const std::string& m_in;
    std::string m_out;
    std::vector<CGroup> m_vGroups{CGroup{}};
    long m_lPendingSkip = 0;
    uint32_t m_uHigh = 0;

    void Emit(uint32_t p_cp)
    {
        if (m_lPendingSkip > 0)
        {
            --m_lPendingSkip;
            return;
        }
        if (!m_vGroups.back().m_bSkip)
            AppendUtf8(m_out, p_cp);
    }
    void EmitText(const char* p_s)
    {
        m_lPendingSkip = 0;
        if (!m_vGroups.back().m_bSkip)
            m_out += p_s;
    }
    void Word(const std::string& p_word, bool p_bHasParam, long p_lParam)
    {
        CGroup& g = m_vGroups.back();
        if (IsSkippedDestination(p_word))
            g.m_bSkip = true;
        else if (p_word == "par" || p_word == "line" || p_word == "sect" || p_word == "row")
            EmitText("\r\n");
        else if (p_word == "tab" || p_word == "cell")
            EmitText("\t");
        else if (p_word == "uc" && p_bHasParam)
            g.m_lUc = p_lParam < 0 ? 0 : std::min(p_lParam, 16L);
        else if (p_word == "u" && p_bHasParam)
        {
            const auto unit = static_cast<uint32_t>(p_lParam < 0 ? p_lParam + 65536 : p_lParam) & 0xFFFF;
            if (unit >= 0xD800 && unit < 0xDC00)
                m_uHigh = unit; // the first half of a pair
            else if (unit >= 0xDC00 && unit < 0xE000 && m_uHigh)
                Emit(0x10000 + ((m_uHigh - 0xD800) << 10) + (unit - 0xDC00));
            else
                Emit(unit);
            if (unit < 0xD800 || unit >= 0xDC00)
                m_uHigh = 0;
            m_lPendingSkip = g.m_lUc;
        }
        else if (p_word == "lquote" || p_word == "rquote")
            Emit(p_word[0] == 'l' ? 0x2018 : 0x2019);
        else if (p_word == "ldblquote" || p_word == "rdblquote")
            Emit(p_word[0] == 'l' ? 0x201C : 0x201D);
        else if (p_word == "emdash" || p_word == "endash")
            Emit(p_word[1] == 'm' ? 0x2014 : 0x2013);
        else if (p_word == "bullet")
            Emit(0x2022);
    }
    // Reads the control word or symbol at p_i (just after its backslash).
    void Control(size_t& p_i)
    {
        if (p_i >= m_in.size())
            return;
        const char c = m_in[p_i];
        if (std::isalpha(static_cast<unsigned char>(c)))
        {
            const size_t start = p_i;
            while (p_i < m_in.size() && std::isalpha(static_cast<unsigned char>(m_in[p_i])) && p_i - start < 32)
                ++p_i;
            const std::string word = m_in.substr(start, p_i - start);
            const size_t num = p_i;
            if (p_i < m_in.size() && m_in[p_i] == '-')
                ++p_i;
            while (p_i < m_in.size() && std::isdigit(static_cast<unsigned char>(m_in[p_i])) && p_i - num < 11)
                ++p_i;
            const bool bParam = p_i > num && std::isdigit(static_cast<unsigned char>(m_in[p_i - 1]));
            const long param = bParam ? std::strtol(m_in.substr(num, p_i - num).c_str(), nullptr, 10) : 0;
            if (p_i < m_in.size() && m_in[p_i] == ' ')
                ++p_i;
            Word(word, bParam, param);
            return;
        }
        ++p_i;
        if (c == '*')
            m_vGroups.back().m_bSkip = true;
        else if (c == '\'' && p_i + 1 < m_in.size() && std::isxdigit(static_cast<unsigned char>(m_in[p_i])) &&
                 std::isxdigit(static_cast<unsigned char>(m_in[p_i + 1])))
        {
            Emit(FromCp1252(static_cast<uint8_t>(std::strtoul(m_in.substr(p_i, 2).c_str(), nullptr, 16))));
            p_i += 2;
        }
        else if (c == '\\' || c == '{' || c == '}')
            Emit(static_cast<uint8_t>(c));
        else if (c == '~')
            Emit(0xA0);
        else if (c == '_')
            Emit('-');
        else if (c == '\r' || c == '\n')
            EmitText("\r\n");
    }
    std::string Run()
    {
        for (size_t i = 0; i < m_in.size();)
        {
            const char c = m_in[i++];
            if (c == '{')
                m_vGroups.push_back(m_vGroups.back());
            else if (c == '}')
            {
                if (m_vGroups.size() > 1)
                    m_vGroups.pop_back();
            }
            else if (c == '\\')
                Control(i);
            else if (c != '\r' && c != '\n')
                Emit(FromCp1252(static_cast<uint8_t>(c)));
        }
        return std::move(m_out);
    }
};
} // namespace

std::string RtfToText(const std::string& p_rtf)
{
    return CRtfReader(p_rtf).Run();
}

std::string TextToRtf(const std::string& p_text)
{
    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs20 ";
    for (size_t i = 0; i < p_text.size();)
    {
        const uint32_t cp = NextUtf8(p_text, i);
        if (cp == '\r' || cp == '\n')
        {
            if (cp == '\r' && i < p_text.size() && p_text[i] == '\n')
                ++i;
            out += "\\par\r\n";
        }
        else if (cp == '\t')
            out += "\\tab ";
        else if (cp == '\\' || cp == '{' || cp == '}')
            out += {'\\', static_cast<char>(cp)};
        else if (cp >= 0x20 && cp < 0x80)
            out += static_cast<char>(cp);
        else if (const int b = ToCp1252(cp); b >= 0 && cp >= 0x20)
        {
            static const char kHex[] = "0123456789abcdef";
            out += {'\\', '\'', kHex[b >> 4], kHex[b & 15]};
        }
        else
        {
            // \u takes a signed 16-bit number; characters beyond the BMP go as a surrogate pair.
            auto unit = [&](uint32_t p_u) { out += "\\u" + std::to_string(static_cast<int16_t>(p_u)) + "?"; };
            if (cp >= 0x10000)
            {
                unit(0xD800 + ((cp - 0x10000) >> 10));
                unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
            }
            else
                unit(cp);
        }
    }
    return out + "}";
}
} // namespace mapistore
