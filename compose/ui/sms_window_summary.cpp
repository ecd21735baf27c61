// compose/ui/sms_window_summary.cpp: the compose window's message summary and preview: Tools >
// "Summary..." and "Preview..." (and the utility bar's buttons), and the summary the bulk send shows
// before it builds the final SMS.
#include "compose/ui/sms_window.h"

#include "common/failure_log.h"
#include "common/trace_log.h"
#include "compose/quillet_strings.h"
#include "compose/ui/sms_window_parts.h"

#include <vector>

int CSMSWindow::ShowSummary(HWND& p_hProgress, const char* p_szBody, const CMessageTokenList* p_p_oTokens,
                            bool p_bSendMode)
{
    CAddressBookControlObject& core = *m_p_abcoBinding;
    int32_t limit = m_oBulkbar.SMSLimit();
    if (p_hProgress == nullptr)
    {
        core.m_pfnCreateProgressBar(m_hWnd, QuilletText(kQTextNothing).c_str(), 1, &p_hProgress, m_p_mrlTo, m_p_mrlCc);
        if (p_hProgress != nullptr)
        {
            SetCursor(LoadCursor(nullptr, IDC_APPSTARTING));
            SetProgressText(p_hProgress, QuilletText(kQProgressSummary).c_str());
        }
    }
    int32_t changed = 0;
    const int result = core.m_pfnMailSummary(m_hWnd, m_p_mrlTo, m_p_mrlCc, p_szBody, p_p_oTokens, p_hProgress,
                                             m_oBodyField.Compression(), &m_iSendMissingDetails, &m_iSendOverLimit,
                                             &limit, &changed, p_bSendMode ? 1 : 0, IsBulk() ? 1 : 0);
    if (result == 1 && changed != 0)
        m_oBulkbar.SetSMSLimit(limit);
    return result;
}

void CSMSWindow::OnSummaryCommand(const CCommand&)
{
    SetCursor(BusyCursor());
    HWND progress = nullptr;
    std::string body;
    std::vector<compose::CBodyToken> tokens;
    if (CheckNames("nothing", &progress) && m_oBodyField.GetBodyAndTokens(body, tokens))
    {
        const CHostTokenList tokenList(tokens);
        if (ShowSummary(progress, body.c_str(), tokenList.List(), false) == 0)
            LOG_FAILURE("the summary could not be shown");
    }
    if (progress != nullptr)
        m_p_abcoBinding->m_pfnDeleteProgressBar(&progress);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
}

void CSMSWindow::OnPreviewCommand(const CCommand&)
{
    SetCursor(BusyCursor());
    HWND progress = nullptr;
    std::string body;
    std::vector<compose::CBodyToken> tokens;
    if (CheckNames("nothing", &progress) && m_oBodyField.GetBodyAndTokens(body, tokens))
    {
        // The progress window has done its work once the names are checked; the preview is modal.
        if (progress != nullptr)
            m_p_abcoBinding->m_pfnDeleteProgressBar(&progress);
        const CHostTokenList tokenList(tokens);
        if (!m_p_abcoBinding->m_pfnPreviewMail(m_hWnd, m_p_mrlTo, m_p_mrlCc, body.c_str(), tokenList.List(),
                                               m_oBodyField.Compression(), m_iSendMissingDetails, m_iSendOverLimit,
                                               m_oBulkbar.SMSLimit()))
            LOG_FAILURE("the preview could not be shown");
    }
    if (progress != nullptr)
        m_p_abcoBinding->m_pfnDeleteProgressBar(&progress);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
}
