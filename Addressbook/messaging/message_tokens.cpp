// Addressbook/messaging/message_tokens.cpp: token values and their merge.
#include "Addressbook/messaging/message_tokens.h"

#include "Addressbook/messaging/ansi_text.h"
#include "Addressbook/messaging/owned_string.h"
#include "Addressbook/messaging/text_transform.h"

#include "common/trace_log.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace
{
const char* FindExtraProp(const CMessageRecipient& p_oRecipient, std::string_view p_sName)
{
    if (p_oRecipient.m_p_oExtraProps == nullptr)
        return nullptr;
    for (auto* p_oNode = p_oRecipient.m_p_oExtraProps->m_p_oFirst; p_oNode != nullptr; p_oNode = p_oNode->m_p_oNext)
    {
        const CRecipientProp* p_oProp = p_oNode->m_p_oItem;
        if (p_oProp != nullptr && AnsiEqualsNoCase(TextOf(p_oProp->m_szName), p_sName))
            return p_oProp->m_szValue == nullptr ? "" : p_oProp->m_szValue;
    }
    return nullptr;
}

std::string_view NameTokenSource(const CMessageRecipient& p_oRecipient)
{
    return (p_oRecipient.m_dwOptions & kOptionNameTokens) != 0 ? TextOf(p_oRecipient.m_szName) : std::string_view();
}
} // namespace

std::string TokenValue(const char* p_szToken, const CMessageRecipient& p_oRecipient)
{
    const std::string_view sToken = TextOf(p_szToken);
    if (sToken == "Full Name")
        return std::string(NameTokenSource(p_oRecipient));
    if (sToken == "Email")
        return (p_oRecipient.m_dwOptions & kOptionEmailToken) != 0 ? std::string(TextOf(p_oRecipient.m_szEmail))
                                                                   : std::string();
    if (sToken == "Mobile")
        return std::string(TextOf(p_oRecipient.m_szMobile));
    if (const char* szValue = FindExtraProp(p_oRecipient, sToken))
        return szValue;
    if (sToken == "First Name" || sToken == "Last Name")
    {
        const std::string_view sName = NameTokenSource(p_oRecipient);
        const size_t iSpace = sName.find(' ');
        if (sToken == "First Name")
            return std::string(sName.substr(0, iSpace));
        return iSpace == std::string_view::npos ? std::string() : std::string(sName.substr(iSpace + 1));
    }
    return std::string();
}

CTokenMerger::CTokenMerger(const char* p_szMessage, const CMessageTokenList* p_p_oTokens, uint32_t p_dwTransformFlags)
    : m_sMessage(TextOf(p_szMessage)), m_dwFlags(p_dwTransformFlags)
{
    if (p_p_oTokens == nullptr)
        return;
    for (auto* p_oNode = p_p_oTokens->m_p_oFirst; p_oNode != nullptr; p_oNode = p_oNode->m_p_oNext)
    {
        const CMessageToken* p_oToken = p_oNode->m_p_oItem;
        if (p_oToken == nullptr || IsNullOrEmpty(p_oToken->m_szName))
            continue;
        const int32_t iPosition = p_oToken->m_iPosition;
        if (iPosition < 0 || static_cast<size_t>(iPosition) >= m_sMessage.size() ||
            m_sMessage[iPosition] != kTokenPlaceholder)
        {
            Log("CTokenMerger: token '%s' at %d is not on a placeholder; ignored", p_oToken->m_szName, iPosition);
            continue;
        }
        m_vPlaceholders.push_back({static_cast<size_t>(iPosition), p_oToken->m_szName});
    }
    // Tokens come in text order; sorting only guards the single-pass merge against a caller that
    // sends them otherwise. A position claimed twice keeps its first token.
    std::stable_sort(m_vPlaceholders.begin(), m_vPlaceholders.end(),
                     [](const CPlaceholder& a, const CPlaceholder& b) { return a.m_nPosition < b.m_nPosition; });
    const auto itEnd =
        std::unique(m_vPlaceholders.begin(), m_vPlaceholders.end(),
                    [](const CPlaceholder& a, const CPlaceholder& b) { return a.m_nPosition == b.m_nPosition; });
    if (itEnd != m_vPlaceholders.end())
        Log("CTokenMerger: %d tokens share a placeholder; ignored", static_cast<int>(m_vPlaceholders.end() - itEnd));
    m_vPlaceholders.erase(itEnd, m_vPlaceholders.end());
}

bool CTokenMerger::CollectValues(const CMessageRecipient& p_oRecipient, std::vector<std::string>& p_vValues) const
{
    const bool bTransform = (m_dwFlags & (kTransformSqueeze | kTransformJoinWords)) != 0;
    bool bAllPresent = true;
    p_vValues.resize(m_vPlaceholders.size());
    for (size_t i = 0; i < m_vPlaceholders.size(); ++i)
    {
        p_vValues[i] = TokenValue(m_vPlaceholders[i].m_szName, p_oRecipient);
        if (p_vValues[i].empty())
            bAllPresent = false;
        else if (bTransform)
            p_vValues[i] = TransformTokenValue(p_vValues[i], m_dwFlags);
    }
    return bAllPresent;
}

size_t CTokenMerger::MergedLength(const std::vector<std::string>& p_vValues) const
{
    size_t nLength = m_sMessage.size() - m_vPlaceholders.size();
    for (const std::string& sValue : p_vValues)
        nLength += sValue.size();
    return nLength;
}

void CTokenMerger::MergeInto(const std::vector<std::string>& p_vValues, char* p_p_cOut, size_t p_nLength) const
{
    size_t nWritten = 0;
    auto write = [&](const char* p_p_cFrom, size_t p_nCount) {
        const size_t nTake = std::min(p_nCount, p_nLength - nWritten);
        std::memcpy(p_p_cOut + nWritten, p_p_cFrom, nTake);
        nWritten += nTake;
    };
    size_t nCopied = 0;
    for (size_t i = 0; i < m_vPlaceholders.size() && nWritten < p_nLength; ++i)
    {
        write(m_sMessage.data() + nCopied, m_vPlaceholders[i].m_nPosition - nCopied);
        write(p_vValues[i].data(), p_vValues[i].size());
        nCopied = m_vPlaceholders[i].m_nPosition + 1;
    }
    if (nWritten < p_nLength)
        write(m_sMessage.data() + nCopied, m_sMessage.size() - nCopied);
}

std::string CTokenMerger::Merge(const CMessageRecipient& p_oRecipient) const
{
    std::vector<std::string> vValues;
    CollectValues(p_oRecipient, vValues);
    std::string sMerged(MergedLength(vValues), '\0');
    MergeInto(vValues, sMerged.data(), sMerged.size());
    return sMerged;
}
