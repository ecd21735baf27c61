// Addressbook/compress/compress_levels.cpp: compression levels and the preview text.
#include "Addressbook/compress/compress_levels.h"

#include "Addressbook/import/import_messages.h"
#include "Addressbook/res/corvane_strings.h"

#include <algorithm>
#include <cstdio>

CCompressionLevels::CCompressionLevels(uint32_t p_dwFlags)
{
    SetFlags(p_dwFlags);
}

uint32_t CCompressionLevels::FlagsOfLevel(int p_iLevel)
{
    switch (p_iLevel)
    {
    case 1:
        return kTransformSqueeze;
    case 2:
        return kTransformSqueeze | kTransformDictionary;
    case 3:
        return kTransformJoinWords;
    default:
        return 0;
    }
}

int CCompressionLevels::FixedLevelOfFlags(uint32_t p_dwFlags)
{
    for (int iLevel = 0; iLevel < kCompressionLevelCustom; ++iLevel)
        if (FlagsOfLevel(iLevel) == p_dwFlags)
            return iLevel;
    return -1;
}

void CCompressionLevels::SetLevel(int p_iLevel)
{
    m_iLevel = std::clamp(p_iLevel, kCompressionLevelNone, kCompressionLevelCustom);
    m_dwFlags = m_iLevel == kCompressionLevelCustom ? m_dwCustomFlags : FlagsOfLevel(m_iLevel);
}

void CCompressionLevels::SetFlags(uint32_t p_dwFlags)
{
    m_dwFlags = p_dwFlags & kCompressionMethods;
    const int iLevel = FixedLevelOfFlags(m_dwFlags);
    if (iLevel >= 0)
    {
        m_iLevel = iLevel;
        return;
    }
    m_iLevel = kCompressionLevelCustom;
    m_dwCustomFlags = m_dwFlags;
}

std::vector<std::string> TokenNames(const CMessageTokenList* p_p_oTokens)
{
    std::vector<std::string> vNames;
    if (p_p_oTokens == nullptr)
        return vNames;
    for (auto* p_oNode = p_p_oTokens->m_p_oFirst; p_oNode != nullptr; p_oNode = p_oNode->m_p_oNext)
    {
        const CMessageToken* p_oToken = p_oNode->m_p_oItem;
        vNames.emplace_back(p_oToken != nullptr && p_oToken->m_szName != nullptr ? p_oToken->m_szName : "");
    }
    return vNames;
}

std::string LineFeedsToCrLf(std::string_view p_sText)
{
    std::string sOut;
    sOut.reserve(p_sText.size() + p_sText.size() / 16);
    for (size_t i = 0; i < p_sText.size(); ++i)
    {
        if (p_sText[i] == '\n' && (i == 0 || p_sText[i - 1] != '\r'))
            sOut.push_back('\r');
        sOut.push_back(p_sText[i]);
    }
    return sOut;
}

bool BuildCompressionPreview(std::string_view p_sText, const std::vector<std::string>& p_vTokenNames,
                             uint32_t p_dwFlags, CTextAbbreviator* p_p_oAbbreviator, CCompressionPreview& p_oPreview)
{
    p_oPreview = CCompressionPreview();
    std::string sCompressed;
    if (!TransformText(p_sText, p_dwFlags, p_p_oAbbreviator, sCompressed))
        return false;
    const size_t nTokens = static_cast<size_t>(std::count(sCompressed.begin(), sCompressed.end(), kTokenPlaceholder));
    const uint32_t dwWording = nTokens == 0   ? kMsgCharacterCount
                               : nTokens == 1 ? kMsgCharacterCountOneToken
                                              : kMsgCharacterCountTokens;
    p_oPreview.m_sCount =
        FormatTableMessage(CorvaneStrings(), dwWording, static_cast<int>(sCompressed.size() - nTokens));

    std::string sShown;
    size_t nToken = 0;
    for (char c : sCompressed)
    {
        if (c != kTokenPlaceholder)
        {
            sShown.push_back(c);
            continue;
        }
        sShown += "<<";
        if (nToken < p_vTokenNames.size())
            sShown += p_vTokenNames[nToken];
        sShown += ">>";
        ++nToken;
    }
    p_oPreview.m_sShown = LineFeedsToCrLf(sShown);
    p_oPreview.m_sCompressed = std::move(sCompressed);
    p_oPreview.m_bWrap = (p_dwFlags & kTransformJoinWords) != 0;
    return true;
}
