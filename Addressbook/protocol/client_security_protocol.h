// Addressbook/protocol/client_security_protocol.h: the client side of the gateway protocol:
// loads the account key from the settings and wraps a MAIL document into its SMS SEND envelope.
#pragma once

#include "Addressbook/protocol/aes.h"
#include "Addressbook/protocol/xml_protocol.h"
#include "common/error_slot.h"
#include "common/settings.h"

#include <memory>
#include <string>

extern const char* const kAccountKeyValue; // "AccountKey" under Software\Brevolt, in key-text form

class CClientSecurityProtocol
{
  public:
    explicit CClientSecurityProtocol(CRegistry& p_oRegistry);
    ~CClientSecurityProtocol();
    CClientSecurityProtocol(const CClientSecurityProtocol&) = delete;
    CClientSecurityProtocol& operator=(const CClientSecurityProtocol&) = delete;

    const CErrorSlot& Error() const
    {
        return m_oError;
    }
    bool IsError() const
    {
        return m_oError.IsSet();
    }
    // For tests that fix the envelope's clock.
    CXMLProtocol* Protocol()
    {
        return m_p_oXML.get();
    }

    // The SMS SEND envelope (always compressed) of p_szMail. A key that cannot be read or loaded,
    // or an envelope that cannot be built, is reported in the library's error box, owned by
    // p_hOwner where the platform's box takes an owner.
    [[nodiscard]] int EncryptSMSBody(const void* p_hOwner, const char* p_szSenderEmail, const char* p_szMail,
                                     const CPlatformInfo& p_oPlatform, const CLanguageInfo& p_oLanguage,
                                     const CSystemTime& p_oDeliveryTime, std::string* p_psBody);

  private:
    [[nodiscard]] int ReportFailure();

    CRegistry& m_oRegistry;
    std::unique_ptr<CAES> m_p_oSymKey;
    std::unique_ptr<CXMLProtocol> m_p_oXML;
    CErrorSlot m_oError;
};
