// Addressbook/messaging/mail_documents.cpp: writing the single and bulk MAIL documents.
#include "Addressbook/messaging/mail_documents.h"

#include "Addressbook/protocol/protocol_records.h"
#include "Addressbook/protocol/xml_protocol.h"

#include <cstdio>
#include <cstring>

namespace
{
constexpr double kProtocolVersion = 2.0;

const char* OrEmpty(const char* p_sz)
{
    return p_sz == nullptr ? "" : p_sz;
}

void AppendHead(std::string& p_sDocument, const CLocalSender& p_oSender)
{
    char version[32];
    std::snprintf(version, sizeof(version), "%f", kProtocolVersion);
    p_sDocument += "<MAIL>\r\n";
    CXMLProtocol::AppendPlainBlock(p_sDocument, "PROTOCOLVERSION", version);
    p_sDocument += "<SENDER>\r\n";
    CXMLProtocol::AppendPlainBlock(p_sDocument, "NAME", p_oSender.m_sName);
    CXMLProtocol::AppendPlainBlock(p_sDocument, "EMAIL", p_oSender.m_sEmail);
    CXMLProtocol::AppendPlainBlock(p_sDocument, "PHONE", p_oSender.m_sPhone);
    p_sDocument += "</SENDER>\r\n";
}

void AppendRecipient(std::string& p_sDocument, const CMessageRecipient& p_oRecipient)
{
    p_sDocument += "<RECIPIENT>\r\n";
    CXMLProtocol::AppendPlainBlock(p_sDocument, "NAME", OrEmpty(p_oRecipient.m_szName));
    CXMLProtocol::AppendPlainBlock(p_sDocument, "EMAIL", OrEmpty(p_oRecipient.m_szEmail));
    CXMLProtocol::AppendPlainBlock(p_sDocument, "PHONE", OrEmpty(p_oRecipient.m_szMobile));
    p_sDocument += "</RECIPIENT>\r\n";
}

void AppendRecipients(std::string& p_sDocument, const CMessageRecipientList* p_p_mrlList)
{
    if (p_p_mrlList == nullptr)
        return;
    for (const CMessageRecipientNode* node = p_p_mrlList->m_p_oFirst; node != nullptr; node = node->m_p_oNext)
    {
        const CMessageRecipient* recipient = node->m_p_oItem;
        if (recipient == nullptr)
            continue;
        if (recipient->m_iKind != kKindDistList)
        {
            AppendRecipient(p_sDocument, *recipient);
            continue;
        }
        if (recipient->m_p_mrlMembers == nullptr)
            continue;
        for (const CMessageRecipientNode* member = recipient->m_p_mrlMembers->m_p_oFirst; member != nullptr;
             member = member->m_p_oNext)
        {
            if (member->m_p_oItem != nullptr)
                AppendRecipient(p_sDocument, *member->m_p_oItem);
        }
    }
}

void AppendCounted(std::string& p_sDocument, const char* p_szTag, const char* p_szValue)
{
    char open[64];
    std::snprintf(open, sizeof(open), "<%s LENGTH=%zu>\r\n", p_szTag, std::strlen(p_szValue));
    p_sDocument += open;
    p_sDocument += p_szValue;
    p_sDocument += "\r\n</";
    p_sDocument += p_szTag;
    p_sDocument += ">\r\n";
}
} // namespace

std::string TimeRecordHex(const CDeliveryTime& p_oTime)
{
    uint8_t bytes[sizeof(CDeliveryTime)];
    const uint16_t fields[8] = {p_oTime.m_wYear, p_oTime.m_wMonth,  p_oTime.m_wDayOfWeek, p_oTime.m_wDay,
                                p_oTime.m_wHour, p_oTime.m_wMinute, p_oTime.m_wSecond,    p_oTime.m_wMilliseconds};
    for (int i = 0; i < 8; ++i)
    {
        bytes[2 * i] = static_cast<uint8_t>(fields[i]);
        bytes[2 * i + 1] = static_cast<uint8_t>(fields[i] >> 8);
    }
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (uint8_t b : bytes)
    {
        hex += digits[b >> 4];
        hex += digits[b & 0xF];
    }
    return hex;
}

std::string GetQuilletEncBodyPlain(const CLocalSender& p_oSender, const CMessageRecipientList* p_p_mrlFirst,
                                   const CMessageRecipientList* p_p_mrlSecond, const std::string& p_sText,
                                   int32_t p_iOptions)
{
    std::string document;
    AppendHead(document, p_oSender);
    CXMLProtocol::AppendPlainBlock(document, "MESSAGE", p_sText);
    CXMLProtocol::AppendPlainBlock(document, "OPTIONS", std::to_string(p_iOptions));
    AppendRecipients(document, p_p_mrlFirst);
    AppendRecipients(document, p_p_mrlSecond);
    document += "</MAIL>\r\n";
    return document;
}

std::string GetSMSBulkMessageEncBodyPlain(const CLocalSender& p_oSender, const std::string& p_sSenderId,
                                          const CFinalSMSList* p_p_oList, const std::string& p_sTagBody,
                                          const CDeliveryTime* p_pEndTime, int32_t& p_iOptions)
{
    std::string document;
    AppendHead(document, p_oSender);
    document += "<BULK>\r\n";
    CXMLProtocol::AppendPlainBlock(document, "SENDERID", p_sSenderId);
    CXMLProtocol::AppendPlainBlock(document, "TAGBODY", p_sTagBody);

    const std::vector<uint8_t> endBytes = RecordBytes(p_pEndTime != nullptr ? *p_pEndTime : CSystemTime());
    std::string element;
    CXMLProtocol xml;
    // Sixteen bytes always encode; the element cannot fail short of memory.
    if (xml.DatatoXML(endBytes.data(), endBytes.size(), "SYNCENDTIME", element))
        document += element;
    document += "\r\n";

    if (p_pEndTime != nullptr)
        p_iOptions |= kOptionHasEndTime | kOptionSyncEnd;
    else
        p_iOptions &= ~kOptionHasEndTime;
    CXMLProtocol::AppendPlainBlock(document, "OPTIONS", std::to_string(p_iOptions));

    if (p_p_oList != nullptr)
    {
        for (const auto* node = p_p_oList->m_p_oFirst; node != nullptr; node = node->m_p_oNext)
        {
            const CFinalSMS* sms = node->m_p_oItem;
            if (sms == nullptr)
                continue;
            document += "<MESSAGE>\r\n";
            // The word of a final SMS marks the copy that goes back to the sender.
            AppendCounted(document, "TOSENDER", sms->m_iWord != 0 ? "TRUE" : "FALSE");
            AppendCounted(document, "NAME", OrEmpty(sms->m_szName));
            AppendCounted(document, "PHONE", OrEmpty(sms->m_szMobile));
            AppendCounted(document, "DELIVERYTIME", TimeRecordHex(sms->m_stDeliveryTime).c_str());
            AppendCounted(document, "BODY", OrEmpty(sms->m_szText));
            document += "</MESSAGE>\r\n";
        }
    }
    document += "</BULK>\r\n</MAIL>\r\n";
    return document;
}
