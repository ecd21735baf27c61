// tests/fuzz/summary_text_fuzz.cpp: the summary and the preview over a message and token list as a
// host hands them over: any bytes as text, token positions anywhere. Every recipient is counted once,
// the histograms hold exactly those with a mobile, and a preview text never grows more than CR LF
// can make it.
#include "Addressbook/messaging/item_list.h"
#include "Addressbook/messaging/recipient.h"
#include "Addressbook/summary/preview_list.h"
#include "Addressbook/summary/summary_stats.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <numeric>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    if (p_nSize < 4)
        return 0;
    // Four bytes of token positions (0xFF: none), then the message.
    const std::string sText(reinterpret_cast<const char*>(p_pData) + 4, p_nSize - 4);
    auto oTokens = NewList<CMessageTokenList>();
    const char* aNames[] = {"First Name", "Last Name", "Mobile", "Code"};
    for (int i = 0; i < 4; ++i)
        if (p_pData[i] != 0xFF)
        {
            auto oToken = std::make_unique<CMessageToken>();
            oToken->m_szName = const_cast<char*>(aNames[i]);
            oToken->m_iPosition = static_cast<int32_t>(p_pData[i]) - 8;
            AppendItem(*oTokens, std::move(oToken));
        }
    auto mrlTo = NewList<CMessageRecipientList>();
    AppendItem(*mrlTo, NewPersonRecipient(nullptr, "0825550001", nullptr, "Ann Lee"));
    AppendItem(*mrlTo, NewPersonRecipient(nullptr, nullptr, nullptr, "Bob"));
    RecipientPtr oPerson = NewPersonRecipient(nullptr, "0825550002", nullptr, nullptr);
    AddExtraProperty(*oPerson, "Code", sText.c_str());
    AppendItem(*mrlTo, std::move(oPerson));

    CSummaryRequest oRequest;
    oRequest.m_szMessage = sText.c_str();
    oRequest.m_p_oTokens = oTokens.get();
    oRequest.m_p_mrlTo = mrlTo.get();
    oRequest.m_dwTransformFlags = p_pData[0] & 0x0A;
    oRequest.m_eFamily = static_cast<EWindowsFamily>(p_pData[1] % 3);
    CSummaryStats oStats;
    if (!GatherSummaryStats(oRequest, oStats))
        return 0;
    const int64_t iHistogram = std::accumulate(oStats.m_aComplete.begin(), oStats.m_aComplete.end(), int64_t(0)) +
                               std::accumulate(oStats.m_aMissing.begin(), oStats.m_aMissing.end(), int64_t(0));
    if (oStats.m_iRecipients != 3 || oStats.m_iWithoutMobile != 1 || iHistogram != 2 || oStats.m_iLongest < 1)
        __builtin_trap();

    CPreviewList oPreview;
    if (!BuildPreviewList(oRequest, {true, true, 1}, oPreview) || oPreview.m_vEntries.size() != 2)
        __builtin_trap();
    std::vector<CTextPart> vParts;
    if (PersonalisedText(oRequest.m_szMessage, oRequest.m_p_oTokens, *oPreview.m_vEntries[1].m_p_oRecipient,
                         oRequest.m_dwTransformFlags, vParts))
    {
        if (vParts.size() != 1)
            __builtin_trap();
        if (PreviewBoxText(vParts).size() > 2 * vParts[0].m_sText.size())
            __builtin_trap();
    }
    return 0;
}
