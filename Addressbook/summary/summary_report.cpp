// Addressbook/summary/summary_report.cpp: the summary's lines from its statistics and settings.
#include "Addressbook/summary/summary_report.h"

#include "Addressbook/res/corvane_strings.h"

#include <cstdio>

namespace
{
CLinePiece Number(int64_t p_iValue)
{
    return {std::to_string(p_iValue), true};
}

CLinePiece Text(std::string p_sText)
{
    return {std::move(p_sText), false};
}

// Singular for exactly one, else the plural that follows it in the table.
CLinePiece Counted(unsigned p_uSingular, int64_t p_iCount)
{
    return Text(SummaryString(p_iCount == 1 ? p_uSingular : p_uSingular + 1));
}

// A counter line: the table's text split around its one number.
CSummaryLine CounterLine(unsigned p_uId, int64_t p_iValue)
{
    const std::string sFormat = SummaryString(p_uId);
    const size_t iAt = sFormat.find("%d");
    if (iAt == std::string::npos)
        return {Text(sFormat), Number(p_iValue)};
    CSummaryLine oLine{Text(sFormat.substr(0, iAt)), Number(p_iValue)};
    if (iAt + 2 < sFormat.size())
        oLine.push_back(Text(sFormat.substr(iAt + 2)));
    return oLine;
}
} // namespace

std::string SummaryString(unsigned p_uId)
{
    const char* szText = CorvaneStrings().Find(p_uId);
    return szText == nullptr ? std::string() : std::string(szText);
}

std::string ProcessingText(size_t p_nDone, size_t p_nTotal)
{
    char szText[96];
    std::snprintf(szText, sizeof(szText), SummaryString(kMsgSummaryProcessing).c_str(), static_cast<int>(p_nDone),
                  static_cast<int>(p_nTotal));
    return szText;
}

CSummaryTotals ComputeTotals(const CSummaryStats& p_oStats, const CSummarySettings& p_oSettings)
{
    const int32_t iLimit = ClampSMSLimit(p_oSettings.m_iSMSLimit);
    CSummaryTotals oTotals;
    auto add = [&](const std::array<int64_t, kSummaryBuckets>& p_aBuckets) {
        for (int k = 0; k < kSummaryBuckets; ++k)
        {
            if (k <= iLimit)
            {
                oTotals.m_iSMS += k * p_aBuckets[k];
                oTotals.m_iRecipients += p_aBuckets[k];
                continue;
            }
            oTotals.m_iOverLimit += p_aBuckets[k];
            if (p_oSettings.m_bSendOverLimit)
            {
                oTotals.m_iSMS += iLimit * p_aBuckets[k];
                oTotals.m_iRecipients += p_aBuckets[k];
            }
        }
    };
    add(p_oStats.m_aComplete);
    if (p_oSettings.m_bSendMissingDetails)
        add(p_oStats.m_aMissing);
    return oTotals;
}

std::vector<CSummaryLine> CounterLines(const CSummaryStats& p_oStats)
{
    return {
        CounterLine(kMsgSummaryRecipients, p_oStats.m_iRecipients),
        CounterLine(kMsgSummaryRecipients + 1, p_oStats.m_iWithoutMobile),
        CounterLine(kMsgSummaryRecipients + 2, p_oStats.m_iMissingDetails),
        CounterLine(kMsgSummaryRecipients + 3, p_oStats.m_iLongest),
    };
}

std::vector<CSummaryLine> ResultLines(const CSummaryStats& p_oStats, const CSummarySettings& p_oSettings)
{
    const int32_t iLimit = ClampSMSLimit(p_oSettings.m_iSMSLimit);
    const CSummaryTotals oTotals = ComputeTotals(p_oStats, p_oSettings);
    std::vector<CSummaryLine> vLines;

    if (p_oStats.m_iWithoutMobile > 0)
        vLines.push_back({Text("- "), Number(p_oStats.m_iWithoutMobile),
                          Counted(kMsgSummaryNoMobileOne, p_oStats.m_iWithoutMobile)});
    else
        vLines.push_back({Text(SummaryString(kMsgSummaryAllMobiles))});

    if (p_oStats.m_iMissingDetails > 0)
        vLines.push_back(
            {Text("- "), Number(p_oStats.m_iMissingDetails),
             Counted(p_oSettings.m_bSendMissingDetails ? kMsgSummaryMissingSendOne : kMsgSummaryMissingNotOne,
                     p_oStats.m_iMissingDetails)});
    else
        vLines.push_back({Text(SummaryString(kMsgSummaryNoMissing))});

    vLines.push_back({Text("- The longest SMS requires "), Number(p_oStats.m_iLongest),
                      Counted(kMsgSummaryPartLimit, p_oStats.m_iLongest), Number(iLimit),
                      Counted(kMsgSummaryPart, iLimit)});

    const int64_t n = oTotals.m_iOverLimit;
    if (n == 0)
        vLines.push_back({Text(SummaryString(kMsgSummaryUnderLimit))});
    else if (n == 1)
        vLines.push_back(
            {Number(1), Text(SummaryString(p_oSettings.m_bSendOverLimit ? kMsgSummaryCutOne : kMsgSummaryDroppedOne))});
    else
        vLines.push_back({Number(n), Text(SummaryString(p_oSettings.m_bSendOverLimit ? kMsgSummaryCutMany
                                                                                     : kMsgSummaryDroppedMany))});

    vLines.push_back({Text("- In Summary: "), Number(oTotals.m_iSMS), Counted(kMsgSummarySMSOne, oTotals.m_iSMS),
                      Number(oTotals.m_iRecipients), Counted(kMsgSummaryRecipientOne, oTotals.m_iRecipients)});
    return vLines;
}

std::string LineText(const CSummaryLine& p_oLine)
{
    std::string sText;
    for (const CLinePiece& oPiece : p_oLine)
        sText += oPiece.m_sText;
    return sText;
}
