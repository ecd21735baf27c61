// tests/unit/gateway/gateway_round_trip_test.cpp: an envelope sealed as the client seals it is
// decoded by the gateway in every wrapping a mail client gives it; wrong keys and altered bytes
// are refused; upgrade notices verify on the client side.
#include "Addressbook/protocol/aes.h"
#include "Addressbook/protocol/base64.h"
#include "Addressbook/protocol/xml_protocol.h"
#include "gateway/gateway_commands.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

namespace
{
const std::string kMail = "<MAIL>\r\n<PROTOCOLVERSION>\r\n2.000000\r\n</PROTOCOLVERSION>\r\n"
                          "<SENDER>\r\n<NAME>\r\nAnn\r\n</NAME>\r\n<EMAIL>\r\nann@example.org\r\n</EMAIL>\r\n"
                          "<PHONE>\r\n+27825551234\r\n</PHONE>\r\n</SENDER>\r\n"
                          "<MESSAGE>\r\nCaf\xE9 at 8?\r\n</MESSAGE>\r\n<OPTIONS>\r\n2560\r\n</OPTIONS>\r\n"
                          "<RECIPIENT>\r\n<NAME>\r\nBob\r\n</NAME>\r\n<EMAIL>\r\nbob@example.org\r\n</EMAIL>\r\n"
                          "<PHONE>\r\n+27825550001\r\n</PHONE>\r\n</RECIPIENT>\r\n</MAIL>\r\n";

class GatewayRoundTrip : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        std::string keyText;
        std::string error;
        ASSERT_TRUE(MakeKeyText(256, keyText, error)) << error;
        ASSERT_TRUE(m_oKey.ReadKeyXML(keyText));
        ASSERT_TRUE(MakeKeyText(128, keyText, error)) << error;
        ASSERT_TRUE(m_oOtherKey.ReadKeyXML(keyText));
        ASSERT_TRUE(SealMailDocument(kMail, "ann@example.org", true, m_oKey, m_sEnvelope, error)) << error;
    }

    std::vector<nlohmann::json> Decode(const std::string& p_sText, CAES& p_oKey, bool p_bExpectOk = true)
    {
        std::vector<std::string> lines;
        EXPECT_EQ(DecodeGatewayMail(CGatewayInput{"test", p_sText}, p_oKey, lines), p_bExpectOk);
        std::vector<nlohmann::json> parsed;
        for (const auto& line : lines)
            parsed.push_back(nlohmann::json::parse(line));
        return parsed;
    }

    CAES m_oKey;
    CAES m_oOtherKey;
    std::string m_sEnvelope;
};

TEST_F(GatewayRoundTrip, BareEnvelopeDecodesEveryField)
{
    const auto lines = Decode(m_sEnvelope, m_oKey);
    ASSERT_EQ(lines.size(), 1u);
    const auto& sms = lines[0];
    EXPECT_EQ(sms["mobile"], "+27825550001");
    EXPECT_EQ(sms["name"], "Bob");
    EXPECT_EQ(sms["email"], "bob@example.org");
    EXPECT_EQ(sms["text"], "Caf\xC3\xA9 at 8?") << "ANSI text comes out as UTF-8";
    EXPECT_EQ(sms["parts"], 1);
    EXPECT_EQ(sms["options"], 2560);
    EXPECT_EQ(sms["bulk"], false);
    EXPECT_EQ(sms["verified"], true);
    EXPECT_TRUE(sms["delivery_time"].is_null());
    EXPECT_EQ(sms["sender"]["phone"], "+27825551234");
}

TEST_F(GatewayRoundTrip, EveryTransportWrappingDecodes)
{
    CBase64 coder(76);
    std::string withNul = m_sEnvelope;
    withNul.push_back('\0');
    std::string base64;
    ASSERT_TRUE(coder.Encode(withNul.data(), withNul.size(), base64));
    const std::string preamble =
        "This is a SMS server communication mail. To see the plain text version look in your Sent SMSs folder.";
    const std::string wrappings[] = {
        // SMTP: the envelope is the plain-text part.
        "From: Ann <ann@example.org>\r\nTo: sms@brevolt.example\r\nContent-Type: "
        "multipart/mixed;\r\n\tboundary=M\r\n\r\n"
        "--M\r\nContent-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\nContent-Transfer-Encoding: 7bit\r\n\r\n" +
            m_sEnvelope + "\r\n\r\n\r\n\r\n\r\n--M--\r\n",
        // MAPI: the preamble body, the envelope as a ".TXT" attachment.
        "To: <sms@brevolt.example>\r\nContent-Type: multipart/mixed; boundary=\"X\"\r\n\r\n--X\r\n"
        "Content-Type: text/plain\r\n\r\n" +
            preamble + std::string(50, '\n') +
            "\r\n--X\r\nContent-Type: text/plain; name=\"SMS4F2A.TXT\"\r\n"
            "Content-Disposition: attachment; filename=\"SMS4F2A.TXT\"\r\n\r\n" +
            m_sEnvelope + "\r\n--X--\r\n",
        // Outlook Express: "content.txt" in base64, with its terminating zero byte.
        "To: sms@brevolt.example\r\nContent-Type: multipart/mixed; boundary=\"Y\"\r\n\r\n--Y\r\n"
        "Content-Type: text/plain\r\n\r\n" +
            preamble +
            "\r\n--Y\r\nContent-Type: application/octet-stream; name=\"content.txt\"\r\n"
            "Content-Transfer-Encoding: base64\r\n"
            "Content-Disposition: attachment; filename=\"content.txt\"\r\n\r\n" +
            base64 + "\r\n--Y--\r\n",
    };
    for (const std::string& mail : wrappings)
    {
        const auto lines = Decode(mail, m_oKey);
        ASSERT_EQ(lines.size(), 1u) << mail.substr(0, 80);
        EXPECT_EQ(lines[0]["mailbox"], "sms@brevolt.example");
        EXPECT_EQ(lines[0]["mobile"], "+27825550001");
    }
}

TEST_F(GatewayRoundTrip, WrongKeysAndAlteredEnvelopesAreRefused)
{
    auto lines = Decode(m_sEnvelope, m_oOtherKey, false);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].contains("error"));

    // Flip one base64 character inside DATA: the digest no longer matches.
    std::string altered = m_sEnvelope;
    const size_t data = altered.find("<DATA>\r\n\r\n") + 12;
    altered[data] = altered[data] == 'A' ? 'B' : 'A';
    lines = Decode(altered, m_oKey, false);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0]["error"].get<std::string>().find("digest"), std::string::npos) << lines[0].dump();

    lines = Decode("From: a\r\n\r\nno envelope here", m_oKey, false);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].contains("error"));
}

TEST_F(GatewayRoundTrip, UncompressedSealDecodesToo)
{
    std::string envelope;
    std::string error;
    ASSERT_TRUE(SealMailDocument(kMail, "ann@example.org", false, m_oKey, envelope, error)) << error;
    EXPECT_EQ(envelope.find("ZIP COMPRESSED"), std::string::npos);
    EXPECT_EQ(Decode(envelope, m_oKey).size(), 1u);
}

TEST_F(GatewayRoundTrip, UpgradeNoticeVerifiesWithTheClientsReader)
{
    const std::string attachment = std::string("MZ resource module bytes\0\x01\x02", 28);
    std::string mail;
    std::string error;
    ASSERT_TRUE(MakeUpgradeMail("/tmp/Resource.dll", attachment, "Upgrade", m_oKey, mail, error)) << error;
    EXPECT_NE(mail.find("filename=\"Resource.dll\""), std::string::npos);

    CXMLProtocol xml;
    int upgrade = 0;
    std::vector<uint8_t> digest;
    ASSERT_TRUE(xml.ProcessProtocolUpgrade(mail, m_oKey, upgrade, digest)) << xml.Error().Text();
    EXPECT_EQ(upgrade, 1);
    int match = 0;
    ASSERT_TRUE(xml.CheckAttachmentDigest(attachment.data(), attachment.size(), digest.data(), match));
    EXPECT_EQ(match, 1);

    // Signed with another key, the notice is ignored rather than acted on.
    ASSERT_TRUE(xml.ProcessProtocolUpgrade(mail, m_oOtherKey, upgrade, digest));
    EXPECT_EQ(upgrade, 0);
}
} // namespace
