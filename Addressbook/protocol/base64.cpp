// Addressbook/protocol/base64.cpp: the base64 coder.
#include "Addressbook/protocol/base64.h"

#include "Addressbook/res/corvane_strings.h"

#include <new>

namespace
{
const char g_szAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int ValueOf(char p_c)
{
    if (p_c >= 'A' && p_c <= 'Z')
        return p_c - 'A';
    if (p_c >= 'a' && p_c <= 'z')
        return p_c - 'a' + 26;
    if (p_c >= '0' && p_c <= '9')
        return p_c - '0' + 52;
    if (p_c == '+')
        return 62;
    if (p_c == '/')
        return 63;
    return -1;
}
} // namespace

CBase64::CBase64(size_t p_nLineLength) : m_nLineLength(p_nLineLength)
{
}

int CBase64::Encode(const void* p_pData, size_t p_nLength, std::string& p_sText)
{
    if (p_pData == nullptr && p_nLength != 0)
    {
        m_oError.Set(CorvaneStrings(), kMsgIncorrectArguments, "CBase64::Encode");
        return 0;
    }
    try
    {
        const auto* in = static_cast<const uint8_t*>(p_pData);
        std::string text;
        const size_t groups = (p_nLength + 2) / 3;
        text.reserve(groups * 4 + (m_nLineLength != 0 ? groups * 4 / m_nLineLength * 2 + 2 : 0));
        size_t lineChars = 0;
        for (size_t i = 0; i < p_nLength; i += 3)
        {
            const size_t left = p_nLength - i;
            const uint32_t bits = static_cast<uint32_t>(in[i]) << 16 |
                                  (left > 1 ? static_cast<uint32_t>(in[i + 1]) << 8 : 0) | (left > 2 ? in[i + 2] : 0);
            text += g_szAlphabet[bits >> 18 & 0x3F];
            text += g_szAlphabet[bits >> 12 & 0x3F];
            text += left > 1 ? g_szAlphabet[bits >> 6 & 0x3F] : '=';
            text += left > 2 ? g_szAlphabet[bits & 0x3F] : '=';
            lineChars += 4;
            // Only a full group can end a line: 45 bytes end with CR LF, 44 (the same 60
            // characters, the last group padded) do not. The gateway's reader expects exactly that.
            if (left > 2 && m_nLineLength != 0 && lineChars >= m_nLineLength)
            {
                text += "\r\n";
                lineChars = 0;
            }
        }
        p_sText = std::move(text);
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, "p_sText", "CBase64::Encode");
        return 0;
    }
}

int CBase64::Decode(std::string_view p_sText, std::vector<uint8_t>& p_vData)
{
    try
    {
        std::vector<uint8_t> data;
        data.reserve(p_sText.size() / 4 * 3 + 2);
        uint32_t bits = 0;
        int collected = 0;
        bool padded = false;
        for (char c : p_sText)
        {
            if (c == '=')
            {
                padded = true;
                break;
            }
            const int value = ValueOf(c);
            if (value < 0)
                continue;
            bits = bits << 6 | static_cast<uint32_t>(value);
            if (++collected == 4)
            {
                data.push_back(static_cast<uint8_t>(bits >> 16));
                data.push_back(static_cast<uint8_t>(bits >> 8));
                data.push_back(static_cast<uint8_t>(bits));
                bits = 0;
                collected = 0;
            }
        }
        // Only a group closed by "=" gives up its partial bytes.
        if (padded && collected == 2)
            data.push_back(static_cast<uint8_t>(bits >> 4));
        else if (padded && collected == 3)
        {
            data.push_back(static_cast<uint8_t>(bits >> 10));
            data.push_back(static_cast<uint8_t>(bits >> 2));
        }
        p_vData = std::move(data);
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, "p_vData", "CBase64::Decode");
        return 0;
    }
}
