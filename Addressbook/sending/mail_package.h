// Addressbook/sending/mail_package.h: the mail packages a gateway mail can leave through. Each
// sends one mail with the sender's cancel link and progress controls; a package whose own client
// cannot be driven talks SMTP to the server its account settings name.
#pragma once

#include "Addressbook/include/corvane_records.h"
#include "Addressbook/smtp/cancel_link.h"
#include "Addressbook/smtp/send_progress.h"
#include "common/error_slot.h"
#include "common/settings.h"

#include <functional>
#include <memory>
#include <string>

#include "Addressbook/include/package_kinds.h"

// What a transport is asked to send.
struct CGatewayMail
{
    std::string m_sSenderName;
    std::string m_sSenderEmail;
    std::string m_sSubject;
    std::string m_sPlainBody;
    // 2 an SMS job (the plain body is the job document), 1 an e-mail (the rich-text body and the
    // attachment are sent as they are).
    int m_iMailKind = 2;
    std::string m_sRichTextBody;
    std::string m_sAttachmentPath;
    const CMessageRecipientList* m_p_mrlTo = nullptr;
    const CMessageRecipientList* m_p_mrlBcc = nullptr;
};

class CMailPackage
{
  public:
    virtual ~CMailPackage() = default;
    // 1 when the transport did its part (a stop or time-out shows in the link's state word),
    // 0 when it failed; Error() then says why.
    [[nodiscard]] virtual int Send(const CGatewayMail& p_oMail, CCancelLink& p_oLink, CSendProgress* p_p_oProgress) = 0;
    // Files the readable copy of a sent job in the package's "Sent SMSs" folder: 1 filed, 0 when
    // the package keeps no such folder or filing failed.
    [[nodiscard]] virtual int WriteToSMSFolder(const CMessageRecipientList* p_p_mrlTo,
                                               const CMessageRecipientList* p_p_mrlBcc,
                                               const std::string& p_sSenderLabel, const std::string& p_sSubject,
                                               const std::string& p_sText)
    {
        (void)p_p_mrlTo, (void)p_p_mrlBcc, (void)p_sSenderLabel, (void)p_sSubject, (void)p_sText;
        return 0;
    }
    const CErrorSlot& Error() const
    {
        return m_oError;
    }

  protected:
    CErrorSlot m_oError;
};

// Finds the SMTP server; false with the error filled when the settings do not name one.
using SMTPServerLookup = std::function<bool(std::string& p_sServer, CErrorSlot& p_oError)>;

class CSMTPPackage : public CMailPackage
{
  public:
    explicit CSMTPPackage(SMTPServerLookup p_fnLookup, uint32_t p_dwWaitLimitMs = 60000);
    [[nodiscard]] int Send(const CGatewayMail& p_oMail, CCancelLink& p_oLink, CSendProgress* p_p_oProgress) override;

  private:
    SMTPServerLookup m_fnLookup;
    uint32_t m_dwWaitLimitMs;
};

// The package of a code as far as this library can drive it without the mail client's own
// interfaces: over SMTP with the server of the client's account settings. Null for a package
// it cannot serve.
std::unique_ptr<CMailPackage> CreateSMTPPackageFor(int p_iPackage, int p_iPackageVersion, CRegistry& p_oRegistry);
