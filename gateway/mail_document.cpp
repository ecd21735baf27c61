// gateway/mail_document.cpp: the positional reader of MAIL documents.
#include "gateway/mail_document.h"

#include "Addressbook/protocol/xml_protocol.h"

#include <charconv>

namespace
{
class CReader
{
  public:
    CReader(std::string_view p_sText, std::string& p_sError) : m_sText(p_sText), m_sError(p_sError)
    {
    }

    bool AtTag(std::string_view p_sLine) const
    {
        return m_sText.substr(m_nAt, p_sLine.size()) == p_sLine;
    }

    // A line of exactly p_sLine.
    bool Line(std::string_view p_sLine)
    {
        if (!AtTag(p_sLine) || m_sText.substr(m_nAt + p_sLine.size(), 2) != "\r\n")
            return Fail(std::string(p_sLine));
        m_nAt += p_sLine.size() + 2;
        return true;
    }

    // "<T>" CR LF, the value, CR LF, "</T>" CR LF. The value may hold line breaks of its own,
    // so it runs to the first CR LF that the closing tag follows.
    bool Plain(std::string_view p_sTag, std::string& p_sValue)
    {
        const std::string open = "<" + std::string(p_sTag) + ">";
        if (!Line(open))
            return false;
        const std::string close = "\r\n</" + std::string(p_sTag) + ">\r\n";
        const size_t end = m_sText.find(close, m_nAt);
        if (end == std::string_view::npos)
            return Fail(close.substr(2, close.size() - 4));
        p_sValue = std::string(m_sText.substr(m_nAt, end - m_nAt));
        m_nAt = end + close.size();
        return true;
    }

    // "<T LENGTH=n>" CR LF, exactly n bytes, CR LF, "</T>" CR LF.
    bool Counted(std::string_view p_sTag, std::string& p_sValue)
    {
        const std::string open = "<" + std::string(p_sTag) + " LENGTH=";
        if (!AtTag(open))
            return Fail(open + "n>");
        size_t at = m_nAt + open.size();
        size_t length = 0;
        const auto parsed = std::from_chars(m_sText.data() + at, m_sText.data() + m_sText.size(), length);
        if (parsed.ec != std::errc() || m_sText.substr(static_cast<size_t>(parsed.ptr - m_sText.data()), 3) != ">\r\n")
            return Fail(open + "n>");
        at = static_cast<size_t>(parsed.ptr - m_sText.data()) + 3;
        const std::string close = "\r\n</" + std::string(p_sTag) + ">\r\n";
        if (length > m_sText.size() - at || m_sText.substr(at + length, close.size()) != close)
            return Fail(close.substr(2, close.size() - 4) + " after " + std::to_string(length) + " bytes");
        p_sValue = std::string(m_sText.substr(at, length));
        m_nAt = at + length + close.size();
        return true;
    }

    // An encoded element followed by CR LF.
    bool Encoded(const char* p_szTag, std::vector<uint8_t>& p_vValue)
    {
        std::string_view cursor = m_sText.substr(m_nAt);
        CXMLProtocol xml;
        if (!xml.XMLtoData(cursor, p_szTag, p_vValue))
            return Fail(std::string("<") + p_szTag + ">");
        m_nAt = m_sText.size() - cursor.size();
        return true;
    }

    bool AtEnd() const
    {
        return m_nAt == m_sText.size();
    }

    bool Fail(const std::string& p_sExpected)
    {
        m_sError = "MAIL document: '" + p_sExpected + "' expected at offset " + std::to_string(m_nAt);
        return false;
    }

  private:
    std::string_view m_sText;
    std::string& m_sError;
    size_t m_nAt = 0;
};

bool ParseOptions(const std::string& p_sText, int64_t& p_iValue)
{
    const auto parsed = std::from_chars(p_sText.data(), p_sText.data() + p_sText.size(), p_iValue);
    return parsed.ec == std::errc() && parsed.ptr == p_sText.data() + p_sText.size();
}
} // namespace

bool ParseMailDocument(std::string_view p_sText, CMailDocument& p_oDocument, std::string& p_sError)
{
    p_oDocument = CMailDocument();
    CReader reader(p_sText, p_sError);
    CMailSender& sender = p_oDocument.m_oSender;
    if (!reader.Line("<MAIL>") || !reader.Plain("PROTOCOLVERSION", p_oDocument.m_sProtocolVersion) ||
        !reader.Line("<SENDER>") || !reader.Plain("NAME", sender.m_sName) || !reader.Plain("EMAIL", sender.m_sEmail) ||
        !reader.Plain("PHONE", sender.m_sPhone) || !reader.Line("</SENDER>"))
        return false;

    std::string options;
    if (reader.AtTag("<BULK>"))
    {
        p_oDocument.m_bBulk = true;
        if (!reader.Line("<BULK>") || !reader.Plain("SENDERID", p_oDocument.m_sSenderId) ||
            !reader.Plain("TAGBODY", p_oDocument.m_sTagBody) ||
            !reader.Encoded("SYNCENDTIME", p_oDocument.m_vSyncEndTime) || !reader.Plain("OPTIONS", options))
            return false;
        if (p_oDocument.m_vSyncEndTime.size() != 16)
            return reader.Fail("a 16-byte SYNCENDTIME");
        while (reader.AtTag("<MESSAGE>"))
        {
            CRequestedSMS sms;
            std::string toSender;
            if (!reader.Line("<MESSAGE>") || !reader.Counted("TOSENDER", toSender) ||
                !reader.Counted("NAME", sms.m_sName) || !reader.Counted("PHONE", sms.m_sMobile) ||
                !reader.Counted("DELIVERYTIME", sms.m_sDeliveryHex) || !reader.Counted("BODY", sms.m_sText) ||
                !reader.Line("</MESSAGE>"))
                return false;
            if (toSender != "TRUE" && toSender != "FALSE")
                return reader.Fail("TOSENDER of TRUE or FALSE");
            sms.m_bToSender = toSender == "TRUE";
            p_oDocument.m_vSMS.push_back(std::move(sms));
        }
        if (!reader.Line("</BULK>"))
            return false;
    }
    else
    {
        std::string text;
        if (!reader.Plain("MESSAGE", text) || !reader.Plain("OPTIONS", options))
            return false;
        while (reader.AtTag("<RECIPIENT>"))
        {
            CRequestedSMS sms;
            if (!reader.Line("<RECIPIENT>") || !reader.Plain("NAME", sms.m_sName) ||
                !reader.Plain("EMAIL", sms.m_sEmail) || !reader.Plain("PHONE", sms.m_sMobile) ||
                !reader.Line("</RECIPIENT>"))
                return false;
            sms.m_sText = text;
            p_oDocument.m_vSMS.push_back(std::move(sms));
        }
    }
    if (!ParseOptions(options, p_oDocument.m_iOptions))
        return reader.Fail("a decimal OPTIONS value");
    if (!reader.Line("</MAIL>"))
        return false;
    if (!reader.AtEnd())
        return reader.Fail("the end of the document");
    return true;
}
