// Addressbook/messaging/text_transform.cpp: whitespace squeeze and word joining.
#include "Addressbook/messaging/text_transform.h"

#include "Addressbook/messaging/ansi_text.h"

namespace
{
bool IsSqueezable(char p_c)
{
    return p_c == '\n' || p_c == ' ' || p_c == '\r' || p_c == '\t';
}
} // namespace

bool IsWordSeparator(char p_c)
{
    static constexpr std::string_view s_sSeparators = " \r\n\t,.<>?'[]{}()-_+=\\/!@#$%^&*\"";
    return p_c != '\0' && s_sSeparators.find(p_c) != std::string_view::npos;
}

std::string SqueezeWhitespace(std::string_view p_sText)
{
    if (!p_sText.empty() && (p_sText[0] == '\n' || p_sText[0] == '\r'))
        p_sText.remove_prefix(1);
    std::string sOut;
    sOut.reserve(p_sText.size());
    for (char c : p_sText)
        if (!(IsSqueezable(c) && !sOut.empty() && sOut.back() == c))
            sOut.push_back(c);
    return sOut;
}

std::string JoinWords(std::string_view p_sText)
{
    std::string sOut;
    sOut.reserve(p_sText.size());
    bool bCapitalise = true;
    for (char c : p_sText)
    {
        if (IsWordSeparator(c))
        {
            bCapitalise = true;
            continue;
        }
        if (AnsiIsUpper(c) || AnsiIsLower(c))
        {
            sOut.push_back(bCapitalise ? AnsiToUpper(c) : AnsiToLower(c));
            bCapitalise = false;
        }
        else
        {
            // Digits and other marks keep their place and leave the next letter's case pending.
            sOut.push_back(c);
        }
    }
    return sOut;
}

bool TransformText(std::string_view p_sText, uint32_t p_dwFlags, CTextAbbreviator* p_p_oAbbreviator,
                   std::string& p_sOut)
{
    std::string sText = (p_dwFlags & kTransformSqueeze) != 0 ? SqueezeWhitespace(p_sText) : std::string(p_sText);
    if ((p_dwFlags & kTransformDictionary) != 0 && p_p_oAbbreviator != nullptr && !p_p_oAbbreviator->Abbreviate(sText))
    {
        p_sOut.clear();
        return false;
    }
    if ((p_dwFlags & kTransformJoinWords) != 0)
        sText = JoinWords(sText);
    p_sOut = std::move(sText);
    return true;
}

std::string TransformTokenValue(std::string_view p_sValue, uint32_t p_dwFlags)
{
    std::string sOut;
    if (p_sValue.empty())
        return sOut;
    // Without an abbreviator the dictionary flag is passed over, and nothing else can fail.
    (void)TransformText(p_sValue, p_dwFlags, nullptr, sOut);
    return sOut;
}
