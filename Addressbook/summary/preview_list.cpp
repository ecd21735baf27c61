// Addressbook/summary/preview_list.cpp: the preview's recipient tree and its text box.
#include "Addressbook/summary/preview_list.h"

#include "Addressbook/messaging/owned_string.h"
#include "Addressbook/messaging/recipient_list.h"

#include "common/trace_log.h"

#include <new>

namespace
{
class CPreviewWalk final : public CRecipientTreeVisitor
{
  public:
    CPreviewWalk(CRecipientMeasurer& p_oMeasurer, const CSummarySettings& p_oSettings,
                 std::vector<CPreviewEntry>& p_vEntries, const SummaryProgress& p_fnProgress, size_t p_nTotal)
        : m_oMeasurer(p_oMeasurer), m_oSettings(p_oSettings), m_vEntries(p_vEntries), m_fnProgress(p_fnProgress),
          m_nTotal(p_nTotal)
    {
    }

    void Individual(const CMessageRecipient& p_oRecipient, int p_iDepth) override
    {
        ++m_nDone;
        if (m_fnProgress && m_nDone % kSummaryProgressStep == 0)
            m_fnProgress(m_nDone, m_nTotal);
        if (CRecipientMeasurer::Qualifies(m_oMeasurer.Measure(p_oRecipient), m_oSettings))
            m_vEntries.push_back({&p_oRecipient, p_iDepth, false});
    }
    void EnterList(const CMessageRecipient& p_oList, int p_iDepth) override
    {
        m_vOpenLists.push_back(m_vEntries.size());
        m_vEntries.push_back({&p_oList, p_iDepth, true});
    }
    void LeaveList(const CMessageRecipient&, int) override
    {
        // A list with nothing after its own entry kept none of its members (nested empty lists
        // were already taken out), so it goes again.
        const size_t nAt = m_vOpenLists.back();
        m_vOpenLists.pop_back();
        if (m_vEntries.size() == nAt + 1)
            m_vEntries.pop_back();
    }

  private:
    CRecipientMeasurer& m_oMeasurer;
    const CSummarySettings& m_oSettings;
    std::vector<CPreviewEntry>& m_vEntries;
    const SummaryProgress& m_fnProgress;
    size_t m_nTotal;
    size_t m_nDone = 0;
    std::vector<size_t> m_vOpenLists;
};
} // namespace

bool BuildPreviewList(const CSummaryRequest& p_oRequest, const CSummarySettings& p_oSettings, CPreviewList& p_oList,
                      const SummaryProgress& p_fnProgress)
{
    p_oList = CPreviewList();
    try
    {
        const size_t nTotal = CountIndividuals(p_oRequest.m_p_mrlTo) + CountIndividuals(p_oRequest.m_p_mrlCc);
        CRecipientMeasurer oMeasurer(p_oRequest);
        CPreviewWalk oWalk(oMeasurer, p_oSettings, p_oList.m_vEntries, p_fnProgress, nTotal);
        WalkRecipientTree(p_oRequest.m_p_mrlTo, oWalk, &p_oList.m_vExpanded);
        WalkRecipientTree(p_oRequest.m_p_mrlCc, oWalk, &p_oList.m_vExpanded);
        return true;
    }
    catch (const std::bad_alloc&)
    {
        Log("BuildPreviewList: out of memory");
        p_oList = CPreviewList();
        return false;
    }
}

std::string PreviewBoxText(const std::vector<CTextPart>& p_vParts)
{
    static const std::string s_sSeparator = "\r\n" + std::string(64, '_') + "\r\n\r\n";
    std::string sBox;
    for (size_t i = 0; i < p_vParts.size(); ++i)
    {
        if (i > 0)
            sBox += s_sSeparator;
        const std::string& sText = p_vParts[i].m_sText;
        for (size_t c = 0; c < sText.size(); ++c)
        {
            if (sText[c] == '\n' && (c == 0 || sText[c - 1] != '\r'))
                sBox += '\r';
            sBox += sText[c];
        }
    }
    return sBox;
}
