// Addressbook/oe/oe_package.cpp: COutlookExpress: the transfer-file road with its SMTP fall-backs.
#include "Addressbook/oe/oe_package.h"

#include "Addressbook/protocol/base64.h"
#include "Addressbook/res/corvane_strings.h"
#include "Addressbook/sending/email_package.h"
#include "common/failure_log.h"
#include "common/trace_log.h"

namespace oe
{
namespace
{
constexpr unsigned kMsgSendingToOutbox = 144;
constexpr size_t kBase64LineLength = 60;
} // namespace

bool PrepareTransferMail(const CGatewayMail& p_oMail, CEmailFileParts& p_oParts, std::string& p_sError)
{
    p_oParts = CEmailFileParts();
    p_oParts.m_sFrom = p_oMail.m_sSenderName.empty() ? p_oMail.m_sSenderEmail
                                                     : p_oMail.m_sSenderName + " <" + p_oMail.m_sSenderEmail + ">";
    // The gateway reads the document up to its terminating zero, so the zero travels too.
    CBase64 coder(kBase64LineLength);
    const std::string& document = p_oMail.m_sPlainBody;
    if (coder.Encode(document.c_str(), document.size() + 1, p_oParts.m_sAttachment) == 0)
    {
        p_sError = "Base64 Encode failed";
        return false;
    }
    p_oParts.m_sPlain = GatewayMailBody(EGatewayRoad::TransferFile, document);
    p_oParts.m_sSubject = p_oMail.m_sSubject;
    p_oParts.m_p_mrlTo = p_oMail.m_p_mrlTo;
    p_oParts.m_p_mrlBcc = p_oMail.m_p_mrlBcc;
    p_oParts.m_bUnsent = true;
    return true;
}

COutlookExpress::COutlookExpress(int p_iMajor, bool p_bUseTransferFile, std::unique_ptr<CMailPackage> p_p_oSMTP,
                                 std::unique_ptr<IBrowserLink> p_p_oBrowser, uint32_t p_dwWaitMs)
    : m_iMajor(p_iMajor), m_bUseTransferFile(p_bUseTransferFile), m_p_oSMTP(std::move(p_p_oSMTP)),
      m_p_oBrowser(std::move(p_p_oBrowser)), m_dwWaitMs(p_dwWaitMs)
{
}

int COutlookExpress::Fail(const std::string& p_sWhy)
{
    m_oError.SetText(kMsgAnErrorOccurred, p_sWhy);
    return 0;
}

int COutlookExpress::SendBySMTP(const CGatewayMail& p_oMail, CCancelLink& p_oLink, CSendProgress* p_p_oProgress)
{
    CLogScope scope("COutlookExpress::Send(SMTP)");
    if (!m_p_oSMTP)
        return Fail("COutlookExpress::Send(SMTP): no SMTP road");
    if (m_p_oSMTP->Send(p_oMail, p_oLink, p_p_oProgress) == 0)
    {
        m_oError.CopyFrom(m_p_oSMTP->Error());
        return 0;
    }
    return 1;
}

int COutlookExpress::Send(const CGatewayMail& p_oMail, CCancelLink& p_oLink, CSendProgress* p_p_oProgress)
{
    m_oError.Clear();
    // An e-mail of the user's own (kind 1) keeps its body and attachment as they are: SMTP.
    if (!m_bUseTransferFile || m_iMajor == 4 || p_oMail.m_iMailKind != 2 || !m_p_oBrowser)
        return SendBySMTP(p_oMail, p_oLink, p_p_oProgress);
    CLogScope scope("COutlookExpress::Send(OE)");
    // A stop before anything was handed over ends the send; the link's state says so.
    if (p_oLink.PollStop())
        return 1;
    if (p_p_oProgress != nullptr)
    {
        p_p_oProgress->SetText(FormatTableMessage(CorvaneStrings(), kMsgSendingToOutbox));
        p_p_oProgress->SetRange(0, 1);
    }
    CEmailFileParts parts;
    std::string error;
    if (!PrepareTransferMail(p_oMail, parts, error))
    {
        LOG_FAILURE("%s", error.c_str());
        return Fail(error);
    }
    uint32_t number = 0;
    if (!WriteEmailFile(parts, number, &m_sLastFile))
    {
        LOG_FAILURE("WriteEmailFile failed");
        return Fail("WriteEmailFile failed");
    }
    m_dwLastNumber = number;
    const char* browserClass = m_iMajor == 4 ? "ThorBrowserWndClass" : "Outlook Express Browser Class";
    if (!m_p_oBrowser->FindBrowser(browserClass))
    {
        LOG_FAILURE("FindWindow('%s') failed", browserClass);
        return SendBySMTP(p_oMail, p_oLink, p_p_oProgress);
    }
    p_oLink.ForbidCancel();
    switch (m_p_oBrowser->PostAndWait(number, m_dwWaitMs, p_oLink))
    {
    case ESendOutcome::Success:
        if (p_p_oProgress != nullptr)
            p_p_oProgress->SetPosition(1);
        return 1;
    case ESendOutcome::Failed:
        LOG_FAILURE("Event OESendFailed was set");
        return Fail("Event OESendFailed was set");
    case ESendOutcome::TimedOut:
        p_oLink.MarkTimedOut();
        LOG_FAILURE("Timed out (%d sec) trying to send via Outlook Express", static_cast<int>(m_dwWaitMs / 1000));
        return Fail("Timed out trying to send via Outlook Express");
    case ESendOutcome::Error:
        break;
    }
    return Fail("Outlook Express could not be asked to send");
}
} // namespace oe
