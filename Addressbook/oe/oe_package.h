// Addressbook/oe/oe_package.h: COutlookExpress, the Outlook Express mail package. An SMS job is
// written as a transfer file that the hooks inside Outlook Express open and send as a note; the
// outcome comes back through two named events. Version 4, a send without the transfer file, and
// an Outlook Express without its main window go over SMTP instead.
#pragma once

#include "Addressbook/oe/email_file.h"
#include "Addressbook/sending/mail_package.h"

#include <cstdint>
#include <memory>

namespace oe
{
enum class ESendOutcome
{
    Success, // "OESendSuccess"
    Failed,  // "OESendFailed"
    TimedOut,
    Error, // the events could not be made or the message not posted
};

// The running Outlook Express as the package needs it; the Windows one finds the browser window
// by class, posts it the file number and waits for the events.
class IBrowserLink
{
  public:
    virtual ~IBrowserLink() = default;
    [[nodiscard]] virtual bool FindBrowser(const char* p_szClass) = 0;
    // Posts WM_USER+24 with p_dwNumber to the browser found last and waits for either event. Once
    // posted the note will be sent: a stop asked for during the wait is recorded as refused.
    [[nodiscard]] virtual ESendOutcome PostAndWait(uint32_t p_dwNumber, uint32_t p_dwTimeoutMs,
                                                   CCancelLink& p_oLink) = 0;
};

constexpr uint32_t kSendWaitMs = 60000;

// The transfer file's parts for a job: the sender as "Name <address>" (or the address), the job
// document with its terminating zero in base64 lines of 60, the preamble body.
[[nodiscard]] bool PrepareTransferMail(const CGatewayMail& p_oMail, CEmailFileParts& p_oParts, std::string& p_sError);

class COutlookExpress final : public CMailPackage
{
  public:
    // p_iMajor is the Outlook Express major version (4, 5, 6); p_p_oSMTP the road used instead of
    // the transfer file.
    COutlookExpress(int p_iMajor, bool p_bUseTransferFile, std::unique_ptr<CMailPackage> p_p_oSMTP,
                    std::unique_ptr<IBrowserLink> p_p_oBrowser, uint32_t p_dwWaitMs = kSendWaitMs);
    [[nodiscard]] int Send(const CGatewayMail& p_oMail, CCancelLink& p_oLink, CSendProgress* p_p_oProgress) override;

    // The last transfer file written, for the hooks' side and for tests.
    const std::string& LastTransferFile() const
    {
        return m_sLastFile;
    }
    uint32_t LastFileNumber() const
    {
        return m_dwLastNumber;
    }

  private:
    [[nodiscard]] int SendBySMTP(const CGatewayMail& p_oMail, CCancelLink& p_oLink, CSendProgress* p_p_oProgress);
    [[nodiscard]] int Fail(const std::string& p_sWhy);

    int m_iMajor;
    bool m_bUseTransferFile;
    std::unique_ptr<CMailPackage> m_p_oSMTP;
    std::unique_ptr<IBrowserLink> m_p_oBrowser;
    uint32_t m_dwWaitMs;
    std::string m_sLastFile;
    uint32_t m_dwLastNumber = 0;
};
} // namespace oe
