// tests/unit/gateway/mail_document_test.cpp: the positional MAIL reader on both forms.
#include "gateway/mail_document.h"

#include <gtest/gtest.h>

namespace
{
const std::string kHead = "<MAIL>\r\n<PROTOCOLVERSION>\r\n2.000000\r\n</PROTOCOLVERSION>\r\n"
                          "<SENDER>\r\n<NAME>\r\nAnn\r\n</NAME>\r\n<EMAIL>\r\nann@example.org\r\n</EMAIL>\r\n"
                          "<PHONE>\r\n+27825551234\r\n</PHONE>\r\n</SENDER>\r\n";

std::string Recipient(const std::string& p_sName, const std::string& p_sPhone)
{
    return "<RECIPIENT>\r\n<NAME>\r\n" + p_sName + "\r\n</NAME>\r\n<EMAIL>\r\n\r\n</EMAIL>\r\n<PHONE>\r\n" + p_sPhone +
           "\r\n</PHONE>\r\n</RECIPIENT>\r\n";
}

std::string Counted(const std::string& p_sTag, const std::string& p_sValue)
{
    return "<" + p_sTag + " LENGTH=" + std::to_string(p_sValue.size()) + ">\r\n" + p_sValue + "\r\n</" + p_sTag +
           ">\r\n";
}

TEST(MailDocument, SingleFormGivesOneSMSPerRecipient)
{
    const std::string text = kHead +
                             "<MESSAGE>\r\nline one\r\nline two\r\n</MESSAGE>\r\n<OPTIONS>\r\n-2147481088\r\n"
                             "</OPTIONS>\r\n" +
                             Recipient("Bob", "0825550001") + Recipient("", "0825550002") + "</MAIL>\r\n";
    CMailDocument document;
    std::string error;
    ASSERT_TRUE(ParseMailDocument(text, document, error)) << error;
    EXPECT_FALSE(document.m_bBulk);
    EXPECT_EQ(document.m_oSender.m_sPhone, "+27825551234");
    EXPECT_EQ(document.m_iOptions, -2147481088);
    ASSERT_EQ(document.m_vSMS.size(), 2u);
    EXPECT_EQ(document.m_vSMS[0].m_sName, "Bob");
    EXPECT_EQ(document.m_vSMS[1].m_sMobile, "0825550002");
    EXPECT_EQ(document.m_vSMS[1].m_sText, "line one\r\nline two");
}

TEST(MailDocument, BulkFormTrustsItsLengths)
{
    // A body may contain what looks like the closing tag; its LENGTH says where it ends.
    const std::string body = "Hi Bob\r\n</BODY>\r\nstill the body";
    const std::string message = "<MESSAGE>\r\n" + Counted("TOSENDER", "FALSE") + Counted("NAME", "Bob") +
                                Counted("PHONE", "+27825550001") + Counted("DELIVERYTIME", std::string(32, '0')) +
                                Counted("BODY", body) + "</MESSAGE>\r\n";
    const std::string text = kHead +
                             "<BULK>\r\n<SENDERID>\r\nShop\r\n</SENDERID>\r\n<TAGBODY>\r\nHi <First>\r\n"
                             "</TAGBODY>\r\n<SYNCENDTIME>\r\n\r\nAAAAAAAAAAAAAAAAAAAAAA==\r\n</SYNCENDTIME>\r\n"
                             "<OPTIONS>\r\n65536\r\n</OPTIONS>\r\n" +
                             message + message + "</BULK>\r\n</MAIL>\r\n";
    CMailDocument document;
    std::string error;
    ASSERT_TRUE(ParseMailDocument(text, document, error)) << error;
    EXPECT_TRUE(document.m_bBulk);
    EXPECT_EQ(document.m_sSenderId, "Shop");
    EXPECT_EQ(document.m_vSyncEndTime.size(), 16u);
    ASSERT_EQ(document.m_vSMS.size(), 2u);
    EXPECT_EQ(document.m_vSMS[0].m_sText, body);
    EXPECT_FALSE(document.m_vSMS[0].m_bToSender);

    // A LENGTH that runs past the text or misses the closing tag fails, it never reads beyond.
    const std::string lying = kHead +
                              "<BULK>\r\n<SENDERID>\r\n\r\n</SENDERID>\r\n<TAGBODY>\r\n\r\n</TAGBODY>\r\n"
                              "<SYNCENDTIME>\r\n\r\nAAAAAAAAAAAAAAAAAAAAAA==\r\n</SYNCENDTIME>\r\n<OPTIONS>\r\n0\r\n"
                              "</OPTIONS>\r\n<MESSAGE>\r\n<TOSENDER LENGTH=999999>\r\nFALSE\r\n</TOSENDER>\r\n";
    EXPECT_FALSE(ParseMailDocument(lying, document, error));
    EXPECT_NE(error.find("TOSENDER"), std::string::npos) << error;
}

TEST(MailDocument, MisplacedOrMissingElementsFail)
{
    CMailDocument document;
    std::string error;
    const struct
    {
        std::string m_sText;
        const char* m_szExpected;
    } cases[] = {
        {"", "<MAIL>"},
        {" " + kHead, "<MAIL>"},
        {kHead + "<OPTIONS>\r\n1\r\n</OPTIONS>\r\n</MAIL>\r\n", "<MESSAGE>"},
        {kHead + "<MESSAGE>\r\nx\r\n</MESSAGE>\r\n<OPTIONS>\r\nmany\r\n</OPTIONS>\r\n</MAIL>\r\n", "OPTIONS"},
        {kHead + "<MESSAGE>\r\nx\r\n</MESSAGE>\r\n<OPTIONS>\r\n1\r\n</OPTIONS>\r\n</MAIL>\r\ntrailing", "end"},
    };
    for (const auto& c : cases)
    {
        EXPECT_FALSE(ParseMailDocument(c.m_sText, document, error)) << c.m_szExpected;
        EXPECT_NE(error.find(c.m_szExpected), std::string::npos) << error;
    }
}
} // namespace
