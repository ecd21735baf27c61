// compose/fields/body_text.cpp: line breaks, written-out tokens, markers and file kinds.
#include "compose/fields/body_text.h"

#include "Addressbook/messaging/ansi_text.h"

namespace compose
{
std::string CollapseLineBreaks(std::string_view p_sText)
{
    std::string sOut;
    sOut.reserve(p_sText.size());
    for (size_t i = 0; i < p_sText.size(); ++i)
    {
        if (p_sText[i] != '\r')
        {
            sOut += p_sText[i];
            continue;
        }
        sOut += '\n';
        if (i + 1 < p_sText.size() && p_sText[i + 1] == '\n')
            ++i;
    }
    return sOut;
}

std::string ExpandLineBreaks(std::string_view p_sText)
{
    std::string sOut;
    sOut.reserve(p_sText.size() + p_sText.size() / 8);
    for (size_t i = 0; i < p_sText.size(); ++i)
    {
        if (p_sText[i] == '\n' && (i == 0 || p_sText[i - 1] != '\r'))
            sOut += '\r';
        sOut += p_sText[i];
    }
    return sOut;
}

namespace
{
// The token standing at each character, or null.
std::vector<const CBodyToken*> TokenAt(std::string_view p_sText, const std::vector<CBodyToken>& p_vTokens)
{
    std::vector<const CBodyToken*> vAt(p_sText.size(), nullptr);
    for (const CBodyToken& oToken : p_vTokens)
        if (oToken.m_iPosition >= 0 && static_cast<size_t>(oToken.m_iPosition) < p_sText.size())
            vAt[static_cast<size_t>(oToken.m_iPosition)] = &oToken;
    return vAt;
}
} // namespace

std::string TokensWrittenOut(std::string_view p_sText, const std::vector<CBodyToken>& p_vTokens)
{
    const std::vector<const CBodyToken*> vAt = TokenAt(p_sText, p_vTokens);
    std::string sOut;
    sOut.reserve(p_sText.size());
    for (size_t i = 0; i < p_sText.size(); ++i)
    {
        if (vAt[i] == nullptr)
            sOut += p_sText[i];
        else
            sOut += "<<" + vAt[i]->m_sName + ">>";
    }
    return sOut;
}

std::string MarkTokens(std::string_view p_sText, const std::vector<CBodyToken>& p_vTokens, char p_cMarker)
{
    std::string sOut(p_sText);
    for (const CBodyToken& oToken : p_vTokens)
        if (oToken.m_iPosition >= 0 && static_cast<size_t>(oToken.m_iPosition) < sOut.size())
            sOut[static_cast<size_t>(oToken.m_iPosition)] = p_cMarker;
    return sOut;
}

CMarkedText FindMarkers(std::string_view p_sText, char p_cMarker)
{
    CMarkedText oOut;
    oOut.m_sText = ExpandLineBreaks(p_sText);
    int32_t iCharacter = 0;
    const std::string& sText = oOut.m_sText;
    for (size_t i = 0; i < sText.size(); ++i, ++iCharacter)
    {
        if (sText[i] == '\r' && i + 1 < sText.size() && sText[i + 1] == '\n')
            ++i;
        else if (sText[i] == p_cMarker)
            oOut.m_vPositions.push_back(iCharacter);
    }
    return oOut;
}

EFileKind FileKindOf(std::string_view p_sPath, std::string_view p_sOwnExtension)
{
    const size_t nSeparator = p_sPath.find_last_of("\\/");
    const size_t nDot = p_sPath.rfind('.');
    if (nDot == std::string_view::npos || (nSeparator != std::string_view::npos && nDot < nSeparator))
        return EFileKind::Text;
    return AnsiEqualsNoCase(p_sPath.substr(nDot + 1), p_sOwnExtension) ? EFileKind::Own : EFileKind::Text;
}
} // namespace compose
