// gateway/envelope.h: the gateway's side of the SMS SEND envelope and of the UPGRADE notice:
// verify, decrypt and unpack what a client sent; seal and sign what the gateway sends back.
#pragma once

#include "Addressbook/protocol/cipher.h"
#include "Addressbook/protocol/protocol_records.h"
#include "gateway/mail_document.h"

#include <string>
#include <string_view>
#include <vector>

struct CDecodedEnvelope
{
    std::string m_sClientVersion;
    std::string m_sSenderEmail;
    std::string m_sVendorId;
    bool m_bVerified = false;
    CSystemTime m_oDateTime;
    CSystemTime m_oProposedDelivery;
    CPlatformInfo m_oPlatform;
    CLanguageInfo m_oLanguage;
    CMailDocument m_oMail;
};

// Finds the SMS SEND envelope in p_sText (a mail body, an attachment or the bare envelope),
// checks its digest with p_oKey and reads everything inside. A digest that does not match is a
// failure too: the gateway never acts on an unverified job.
[[nodiscard]] bool DecodeEnvelope(std::string_view p_sText, CCipher& p_oKey, CDecodedEnvelope& p_oResult,
                                  std::string& p_sError);

// The UPGRADE document for an attachment: a signed DATA block holding NONCE and ATTACHMENT
// DIGEST (the SHA-1 of the attachment).
[[nodiscard]] bool BuildUpgradeDocument(const std::vector<uint8_t>& p_vAttachment, CCipher& p_oKey,
                                        std::string& p_sDocument, std::string& p_sError);
