// gateway/mail_document.h: reads the MAIL document a client sends (single or bulk form) into
// the SMS it asks for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct CMailSender
{
    std::string m_sName;
    std::string m_sEmail;
    std::string m_sPhone;
};

struct CRequestedSMS
{
    std::string m_sMobile;
    std::string m_sName;
    std::string m_sEmail; // single form only
    std::string m_sText;
    std::string m_sDeliveryHex; // bulk form: 32 hex digits of the time record; empty otherwise
    bool m_bToSender = false;   // bulk form: the copy that goes back to the sender
};

struct CMailDocument
{
    std::string m_sProtocolVersion;
    CMailSender m_oSender;
    bool m_bBulk = false;
    int64_t m_iOptions = 0;
    std::string m_sSenderId;             // bulk
    std::string m_sTagBody;              // bulk
    std::vector<uint8_t> m_vSyncEndTime; // bulk: 16 bytes
    std::vector<CRequestedSMS> m_vSMS;
};

// Parses the document as positional text (lines end CR LF, elements in their fixed order).
// Fails with p_sError naming what was expected where.
[[nodiscard]] bool ParseMailDocument(std::string_view p_sText, CMailDocument& p_oDocument, std::string& p_sError);
