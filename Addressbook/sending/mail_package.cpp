// Addressbook/sending/mail_package.cpp: the SMTP road that every package can fall back to.
#include "Addressbook/sending/mail_package.h"

#include "Addressbook/smtp/smtp_mailer.h"
#include "Addressbook/smtp/smtp_server_lookup.h"

namespace
{
class CLookupMailer final : public CSMTPMailer
{
  public:
    CLookupMailer(CCancelLink* p_p_oLink, const SMTPServerLookup& p_fnLookup)
        : CSMTPMailer(p_p_oLink), m_fnLookup(p_fnLookup)
    {
    }

  protected:
    bool GetSMTPServer(std::string& p_sServer) override
    {
        return m_fnLookup(p_sServer, m_oError);
    }

  private:
    const SMTPServerLookup& m_fnLookup;
};
} // namespace

CSMTPPackage::CSMTPPackage(SMTPServerLookup p_fnLookup, uint32_t p_dwWaitLimitMs)
    : m_fnLookup(std::move(p_fnLookup)), m_dwWaitLimitMs(p_dwWaitLimitMs)
{
}

int CSMTPPackage::Send(const CGatewayMail& p_oMail, CCancelLink& p_oLink, CSendProgress* p_p_oProgress)
{
    CLookupMailer mailer(&p_oLink, m_fnLookup);
    mailer.SetWaitLimit(m_dwWaitLimitMs);
    if (!mailer.IsValid())
    {
        m_oError.CopyFrom(mailer.Error());
        return 0;
    }
    // Over SMTP the job document itself is the plain-text part.
    if (mailer.Send(p_oMail.m_sSenderName.c_str(), p_oMail.m_sSenderEmail.c_str(), p_oMail.m_sSubject.c_str(), nullptr,
                    p_oMail.m_sPlainBody.c_str(), nullptr, p_oMail.m_p_mrlTo, p_oMail.m_p_mrlBcc, p_p_oProgress) != 0)
    {
        m_oError.CopyFrom(mailer.Error());
        return 0;
    }
    return 1;
}

std::unique_ptr<CMailPackage> CreateSMTPPackageFor(int p_iPackage, int p_iPackageVersion, CRegistry& p_oRegistry)
{
    switch (p_iPackage)
    {
    case kPackageOutlook:
        return std::make_unique<CSMTPPackage>([&p_oRegistry](std::string& p_sServer, CErrorSlot& p_oError) {
            return GetOutlookSMTPServer(p_oRegistry, p_sServer, p_oError);
        });
    case kPackageOutlookExpress:
        return std::make_unique<CSMTPPackage>(
            [&p_oRegistry, p_iPackageVersion](std::string& p_sServer, CErrorSlot& p_oError) {
                return GetOutlookExpressSMTPServer(p_oRegistry, p_iPackageVersion == 4, p_sServer, p_oError);
            });
    case kPackageNetscape:
        return std::make_unique<CSMTPPackage>([&p_oRegistry](std::string& p_sServer, CErrorSlot& p_oError) {
            return GetNetscapeSMTPServer(p_oRegistry, p_sServer, p_oError);
        });
    case kPackageEudora:
        return std::make_unique<CSMTPPackage>([&p_oRegistry](std::string& p_sServer, CErrorSlot& p_oError) {
            return GetEudoraSMTPServer(p_oRegistry, p_sServer, p_oError);
        });
    }
    return nullptr;
}
