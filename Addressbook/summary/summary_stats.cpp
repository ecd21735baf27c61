// Addressbook/summary/summary_stats.cpp: measuring each recipient's personalised text and
// gathering the summary's counts and histograms.
#include "Addressbook/summary/summary_stats.h"

#include "Addressbook/messaging/gsm_alphabet.h"
#include "Addressbook/messaging/owned_string.h"
#include "Addressbook/messaging/recipient_list.h"
#include "Addressbook/messaging/sms_length.h"
#include "Addressbook/protocol/code_page.h"

#include "common/trace_log.h"

#include <algorithm>
#include <new>

namespace
{
// Decodes UTF-8 that the code page conversion wrote; anything malformed counts as a character an
// SMS cannot carry.
int64_t GsmLengthOfUtf8(const std::string& p_sUtf8)
{
    int64_t iLength = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(p_sUtf8.data());
    const auto* pEnd = p + p_sUtf8.size();
    while (p < pEnd)
    {
        char32_t cPoint = *p;
        int iMore = 0;
        if (cPoint >= 0xF0)
            iMore = 3, cPoint &= 0x07;
        else if (cPoint >= 0xE0)
            iMore = 2, cPoint &= 0x0F;
        else if (cPoint >= 0xC0)
            iMore = 1, cPoint &= 0x1F;
        ++p;
        for (; iMore > 0 && p < pEnd && (*p & 0xC0) == 0x80; --iMore, ++p)
            cPoint = (cPoint << 6) | (*p & 0x3F);
        if (cPoint <= 0xFFFF)
            iLength += GsmClass(static_cast<char16_t>(cPoint));
    }
    return iLength;
}

class CStatsWalk final : public CRecipientTreeVisitor
{
  public:
    CStatsWalk(CRecipientMeasurer& p_oMeasurer, CSummaryStats& p_oStats, const SummaryProgress& p_fnProgress,
               size_t p_nTotal)
        : m_oMeasurer(p_oMeasurer), m_oStats(p_oStats), m_fnProgress(p_fnProgress), m_nTotal(p_nTotal)
    {
    }

    void Individual(const CMessageRecipient& p_oRecipient, int) override
    {
        ++m_nDone;
        if (m_fnProgress && m_nDone % kSummaryProgressStep == 0)
            m_fnProgress(m_nDone, m_nTotal);
        const CRecipientMeasure oMeasure = m_oMeasurer.Measure(p_oRecipient);
        m_oStats.m_iLongest = std::max(m_oStats.m_iLongest, oMeasure.m_iParts);
        ++m_oStats.m_iRecipients;
        if (!oMeasure.m_bHasMobile)
        {
            ++m_oStats.m_iWithoutMobile;
            return;
        }
        if (oMeasure.m_bComplete)
        {
            ++m_oStats.m_aComplete[BucketOf(oMeasure.m_iParts)];
            return;
        }
        ++m_oStats.m_iMissingDetails;
        ++m_oStats.m_aMissing[BucketOf(oMeasure.m_iParts)];
    }
    void EnterList(const CMessageRecipient&, int) override
    {
    }
    void LeaveList(const CMessageRecipient&, int) override
    {
    }

  private:
    CRecipientMeasurer& m_oMeasurer;
    CSummaryStats& m_oStats;
    const SummaryProgress& m_fnProgress;
    size_t m_nTotal;
    size_t m_nDone = 0;
};
} // namespace

int32_t ClampSMSLimit(int64_t p_iLimit)
{
    return static_cast<int32_t>(std::clamp<int64_t>(p_iLimit, kMinSMSLimit, kMaxSMSLimit));
}

int BucketOf(int64_t p_iParts)
{
    return static_cast<int>(std::clamp<int64_t>(p_iParts, 0, kSummaryBuckets - 1));
}

int64_t GsmMessageLength(const std::string& p_sAnsi)
{
    std::string sUtf8;
    if (!code_page::AnsiToUtf8(p_sAnsi, sUtf8))
    {
        Log("GsmMessageLength: the message could not be converted from the ANSI code page");
        return static_cast<int64_t>(p_sAnsi.size());
    }
    return GsmLengthOfUtf8(sUtf8);
}

CRecipientMeasurer::CRecipientMeasurer(const CSummaryRequest& p_oRequest)
    : m_oMerger(p_oRequest.m_szMessage, p_oRequest.m_p_oTokens, p_oRequest.m_dwTransformFlags)
{
    if (p_oRequest.m_eFamily == EWindowsFamily::Unknown)
        Log("%s: Could not get the windows version", "UpdateInfoForRecipients");
    m_bPlainCount = p_oRequest.m_eFamily == EWindowsFamily::Win9x;
    // Plain counting measures the merged text itself; GSM counting measures the message once
    // (placeholders cost nothing there) and adds each recipient's values.
    if (!m_bPlainCount)
        m_iMessageLength = GsmMessageLength(std::string(TextOf(p_oRequest.m_szMessage)));
}

CRecipientMeasure CRecipientMeasurer::Measure(const CMessageRecipient& p_oRecipient)
{
    CRecipientMeasure oMeasure;
    // "<none>" is how the address book writes that a contact has no number.
    oMeasure.m_bHasMobile =
        !IsNullOrEmpty(p_oRecipient.m_szMobile) && TextOf(p_oRecipient.m_szMobile) != kNoMobilePlaceholder;
    oMeasure.m_bComplete = m_oMerger.CollectValues(p_oRecipient, m_vValues);
    int64_t iLength = 0;
    if (m_bPlainCount)
    {
        iLength = static_cast<int64_t>(m_oMerger.MergedLength(m_vValues));
    }
    else
    {
        iLength = m_iMessageLength;
        for (const std::string& sValue : m_vValues)
            iLength += static_cast<int64_t>(sValue.size());
    }
    oMeasure.m_iParts = SMSCount(iLength);
    return oMeasure;
}

bool CRecipientMeasurer::Qualifies(const CRecipientMeasure& p_oMeasure, const CSummarySettings& p_oSettings)
{
    if (!p_oMeasure.m_bHasMobile)
        return false;
    if (!p_oMeasure.m_bComplete && !p_oSettings.m_bSendMissingDetails)
        return false;
    return p_oMeasure.m_iParts <= ClampSMSLimit(p_oSettings.m_iSMSLimit) || p_oSettings.m_bSendOverLimit;
}

bool GatherSummaryStats(const CSummaryRequest& p_oRequest, CSummaryStats& p_oStats, const SummaryProgress& p_fnProgress)
{
    p_oStats = CSummaryStats();
    try
    {
        const size_t nTotal = CountIndividuals(p_oRequest.m_p_mrlTo) + CountIndividuals(p_oRequest.m_p_mrlCc);
        CRecipientMeasurer oMeasurer(p_oRequest);
        CStatsWalk oWalk(oMeasurer, p_oStats, p_fnProgress, nTotal);
        WalkRecipientTree(p_oRequest.m_p_mrlTo, oWalk);
        WalkRecipientTree(p_oRequest.m_p_mrlCc, oWalk);
        return true;
    }
    catch (const std::bad_alloc&)
    {
        Log("GatherSummaryStats: out of memory building a recipient's text");
        return false;
    }
}
