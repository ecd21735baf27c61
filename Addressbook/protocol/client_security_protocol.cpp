// Addressbook/protocol/client_security_protocol.cpp: CClientSecurityProtocol.
#include "Addressbook/protocol/client_security_protocol.h"

#include "Addressbook/protocol/protocol_messages.h"
#include "Addressbook/res/corvane_strings.h"
#include "common/trace_log.h"

#include <new>

const char* const kAccountKeyValue = "AccountKey";

CClientSecurityProtocol::CClientSecurityProtocol(CRegistry& p_oRegistry) : m_oRegistry(p_oRegistry)
{
    try
    {
        m_p_oSymKey = std::make_unique<CAES>();
        if (m_p_oSymKey->IsError())
        {
            m_oError.CopyFrom(m_p_oSymKey->Error());
            return;
        }
        m_p_oXML = std::make_unique<CXMLProtocol>();
        if (m_p_oXML->IsError())
            m_oError.CopyFrom(m_p_oXML->Error());
    }
    catch (const std::bad_alloc&)
    {
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, m_p_oSymKey ? "m_p_oXML" : "m_p_oSymKey",
                     "CClientSecurityProtocol()");
    }
}

CClientSecurityProtocol::~CClientSecurityProtocol() = default;

int CClientSecurityProtocol::ReportFailure()
{
    const std::string action = FormatTableMessage(CorvaneStrings(), kMsgTryAgain);
    CErrorSlot box;
    box.SetText(m_oError.Id(), FormatTableMessage(CorvaneStrings(), kMsgErrorBox, m_oError.Text().c_str(),
                                                  action.c_str(), kProductTitle));
    const std::string caption = FormatTableMessage(CorvaneStrings(), kMsgErrorCaption, kProductTitle);
    ReportError(box, true, caption.c_str());
    return 0;
}

int CClientSecurityProtocol::EncryptSMSBody(const void* p_hOwner, const char* p_szSenderEmail, const char* p_szMail,
                                            const CPlatformInfo& p_oPlatform, const CLanguageInfo& p_oLanguage,
                                            const CSystemTime& p_oDeliveryTime, std::string* p_psBody)
{
    // The presenter seam owns its boxes itself; the owner is kept for the day it takes one.
    (void)p_hOwner;
    if (p_szMail == nullptr || p_psBody == nullptr)
    {
        m_oError.Set(CorvaneStrings(), kMsgIncorrectArguments, "CClientSecurityProtocol::EncryptSMSBody");
        return 0;
    }
    if (!m_p_oSymKey || !m_p_oXML)
        return ReportFailure();
    try
    {
        const std::string keyText = m_oRegistry.ReadUserText(kAccountKeyValue);
        if (!m_p_oSymKey->ReadKeyXML(keyText))
        {
            Log("CClientSecurityProtocol::EncryptSMSBody: the account key does not load: %s",
                m_p_oSymKey->Error().Text().c_str());
            m_oError.CopyFrom(m_p_oSymKey->Error());
            return ReportFailure();
        }
        std::string body;
        if (!m_p_oXML->CreateProtocolSMSSend(p_szSenderEmail != nullptr ? p_szSenderEmail : "", p_oPlatform,
                                             p_oLanguage, p_oDeliveryTime, p_szMail, *m_p_oSymKey, 1, body))
        {
            Log("CClientSecurityProtocol::EncryptSMSBody: CXMLProtocol::CreateProtocolSMSSend failed: %s",
                m_p_oXML->Error().Text().c_str());
            m_oError.CopyFrom(m_p_oXML->Error());
            return ReportFailure();
        }
        *p_psBody = std::move(body);
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, "p_psBody", "CClientSecurityProtocol::EncryptSMSBody");
        return ReportFailure();
    }
}
