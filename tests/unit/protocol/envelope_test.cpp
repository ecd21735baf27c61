// tests/unit/protocol/envelope_test.cpp: the SMS SEND envelope read back the way the gateway
// reads it, UPGRADE notices, and the client's EncryptSMSBody over an in-memory registry.
#include "Addressbook/protocol/client_security_protocol.h"
#include "Addressbook/protocol/xml_protocol.h"
#include "Addressbook/protocol/zip_compressor.h"
#include "tests/unit/protocol/protocol_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
CSystemTime FixedClock()
{
    return {2024, 2, 4, 29, 13, 45, 30, 999};
}

CPlatformInfo TestPlatform()
{
    CPlatformInfo platform;
    platform.m_dwPackage = 0;
    platform.m_dwPackageVersion = 3;
    std::memcpy(platform.m_szClientVersion, "1.0.0.1", 8);
    platform.m_oOSVersion.m_dwOSVersionInfoSize = kOSVersionInfoExSize;
    platform.m_oOSVersion.m_dwMajorVersion = 5;
    platform.m_dwWordEditor = 1;
    return platform;
}

const CSystemTime g_oDelivery = {2024, 3, 5, 1, 8, 0, 0, 0};
const char* const g_szMail = "<MAIL>\r\n<MESSAGE>\r\ncaf\xe9 \x80 5\r\n</MESSAGE>\r\n</MAIL>\r\n";
const char* const g_szMailUtf8 = "<MAIL>\r\n<MESSAGE>\r\ncaf\xc3\xa9 \xe2\x82\xac 5\r\n</MESSAGE>\r\n</MAIL>\r\n";

class EnvelopeTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        MakeTestKey(m_oKey);
        m_oXML.SetClock(FixedClock);
    }

    // What the gateway does with a mail body: the data block's text, or "" when it does not verify.
    std::string OpenEnvelope(const std::string& p_sBody, std::string& p_sEmail, std::string& p_sVendor)
    {
        std::string content, version;
        int found = 0, verified = 0, failed = 0;
        EXPECT_TRUE(m_oXML.PreProcessAndExtractData(p_sBody, "SMS SEND", content, found)) << m_oXML.Error().Text();
        std::string_view cursor = content;
        EXPECT_TRUE(m_oXML.XMLtoString(cursor, "CLIENT VERSION", version));
        EXPECT_EQ(version, "1.0.0.1");
        std::vector<uint8_t> data;
        EXPECT_TRUE(m_oXML.AESVerifyXML(m_oKey, cursor, &p_sEmail, &p_sVendor, data, verified, failed));
        EXPECT_EQ(verified, 1);
        return TextOfValue(data);
    }

    void ExpectDataBlock(const std::string& p_sBlock)
    {
        std::string_view cursor = p_sBlock;
        std::vector<uint8_t> value;
        ASSERT_TRUE(m_oXML.XMLtoData(cursor, "NONCE", value));
        EXPECT_EQ(value.size(), 8u);
        CSystemTime sent = FixedClock();
        sent.m_wMilliseconds = 0;
        const std::pair<const char*, std::vector<uint8_t>> records[] = {
            {"DATETIME", RecordBytes(sent)},
            {"PROPOSEDDELIVERTIME", RecordBytes(g_oDelivery)},
            {"PLATFORMINFO", RecordBytes(TestPlatform())},
            {"LANGUAGEINFO", RecordBytes(CLanguageInfo())},
        };
        for (const auto& [tag, bytes] : records)
        {
            ASSERT_TRUE(m_oXML.XMLtoData(cursor, tag, value)) << tag;
            EXPECT_EQ(value, bytes) << tag;
        }
        EXPECT_EQ(cursor, std::string("<SMS BODY>\r\n") + g_szMailUtf8 + "\r\n</SMS BODY>\r\n");
    }

    CAES m_oKey;
    CXMLProtocol m_oXML;
};

TEST_F(EnvelopeTest, CompressedEnvelopeReadsBackAsTheGatewayReadsIt)
{
    std::string body;
    ASSERT_TRUE(m_oXML.CreateProtocolSMSSend("me@brevolt.example", TestPlatform(), CLanguageInfo(), g_oDelivery,
                                             g_szMail, m_oKey, 1, body))
        << m_oXML.Error().Text();
    EXPECT_EQ(body.rfind("<SMS SEND>\r\n<CLIENT VERSION>\r\n\r\n", 0), 0u);
    EXPECT_NE(body.find("\r\n</CLIENT VERSION>\r\n<AES SIGNED>\r\n<SENDER EMAIL>\r\n\r\n"), std::string::npos);
    EXPECT_NE(body.find("</SENDER EMAIL>\r\n<SENDER VENDORID>\r\n"), std::string::npos);
    EXPECT_NE(body.find("</SENDER VENDORID>\r\n<DATA>\r\n"), std::string::npos);
    EXPECT_NE(body.find("</DATA>\r\n</AES SIGNED>\r\n<MESSAGE DIGEST>\r\n"), std::string::npos);
    EXPECT_EQ(body.substr(body.size() - 32), "</MESSAGE DIGEST>\r\n</SMS SEND>\r\n");

    std::string email, vendor;
    const std::string data = OpenEnvelope(body, email, vendor);
    EXPECT_EQ(email, "me@brevolt.example");
    EXPECT_EQ(vendor, "Brevolt");
    ASSERT_EQ(data.rfind("<ZIP COMPRESSED>", 0), 0u);

    // Exactly one NUL follows the UTF-8 text inside the compressed value.
    std::string_view cursor = data;
    std::vector<uint8_t> blob, text;
    ASSERT_TRUE(m_oXML.XMLtoData(cursor, "ZIP COMPRESSED", blob));
    CZipCompressor zip;
    ASSERT_TRUE(zip.Uncompress(blob.data(), blob.size(), text));
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), 0);
    EXPECT_NE(text[text.size() - 2], 0);

    std::string block;
    ASSERT_TRUE(m_oXML.UncompressFromXML(data, block));
    ExpectDataBlock(block);
}

TEST_F(EnvelopeTest, UncompressedEnvelopeCarriesTheDataBlockItself)
{
    std::string body, email, vendor;
    ASSERT_TRUE(
        m_oXML.CreateProtocolSMSSend("", TestPlatform(), CLanguageInfo(), g_oDelivery, g_szMail, m_oKey, 0, body));
    const std::string data = OpenEnvelope(body, email, vendor);
    EXPECT_EQ(email, "");
    ExpectDataBlock(data);

    CAES unset;
    EXPECT_FALSE(
        m_oXML.CreateProtocolSMSSend("", TestPlatform(), CLanguageInfo(), g_oDelivery, g_szMail, unset, 1, body));
    EXPECT_EQ(m_oXML.Error().Text(), "Object not Initialized");
}

// The gateway's side of an upgrade notice.
std::string MakeUpgrade(CXMLProtocol& p_oXML, CAES& p_oKey, const std::vector<uint8_t>& p_vDigest, bool p_bZipData,
                        bool p_bZipBlock, const std::string& p_sNonceLead = "")
{
    std::string nonce, digest, inner, data, block;
    EXPECT_TRUE(p_oXML.CreateNonceXML(nonce));
    EXPECT_TRUE(p_oXML.DatatoXML(p_vDigest.data(), p_vDigest.size(), "ATTACHMENT DIGEST", digest));
    inner = p_sNonceLead + nonce + "\r\n" + digest;
    if (p_bZipData)
    {
        EXPECT_TRUE(p_oXML.CompressToXML(std::string(inner), inner));
    }
    std::vector<uint8_t> encrypted;
    EXPECT_TRUE(p_oKey.Encrypt(reinterpret_cast<const uint8_t*>(inner.data()), inner.size(), encrypted));
    EXPECT_TRUE(p_oXML.DatatoXML(encrypted.data(), encrypted.size(), "DATA", data));
    EXPECT_TRUE(p_oXML.AESSignXML(p_oKey, data, block));
    if (p_bZipBlock)
    {
        EXPECT_TRUE(p_oXML.CompressToXML(std::string(block), block));
    }
    return "<UPGRADE>\r\n" + block + "\r\n</UPGRADE>\r\n";
}

TEST_F(EnvelopeTest, UpgradeNoticesInEveryForm)
{
    const std::vector<uint8_t> digest = RandomBytes(20, 11);
    for (bool zipData : {false, true})
    {
        for (bool zipBlock : {false, true})
        {
            SCOPED_TRACE(std::to_string(zipData) + std::to_string(zipBlock));
            const std::string notice = MakeUpgrade(m_oXML, m_oKey, digest, zipData, zipBlock);
            std::string mangled = notice;
            for (size_t at = mangled.find("\r\n"); at != std::string::npos; at = mangled.find("\r\n", at + 4))
                mangled.insert(at, "  ");
            for (const std::string& body : {notice, "Hello,\r\nan upgrade:\r\n" + notice + "-- \r\n", mangled})
            {
                int upgrade = 0;
                std::vector<uint8_t> got;
                ASSERT_TRUE(m_oXML.ProcessProtocolUpgrade(body, m_oKey, upgrade, got)) << m_oXML.Error().Text();
                EXPECT_EQ(upgrade, 1);
                EXPECT_EQ(got, digest);
            }
        }
    }
}

TEST_F(EnvelopeTest, UpgradeNoticesThatAreIgnoredOrRefused)
{
    const std::vector<uint8_t> digest = RandomBytes(20, 12);
    int upgrade = 1;
    std::vector<uint8_t> got;

    CAES other;
    MakeTestKey(other, 32, 16, 42);
    ASSERT_TRUE(m_oXML.ProcessProtocolUpgrade(MakeUpgrade(m_oXML, m_oKey, digest, false, false), other, upgrade, got));
    EXPECT_EQ(upgrade, 0) << "digest does not match";

    std::string data, block;
    ASSERT_TRUE(m_oXML.DatatoXML(RandomBytes(20, 13).data(), 20, "DATA", data));
    ASSERT_TRUE(m_oXML.AESSignXML(m_oKey, data, block));
    upgrade = 1;
    ASSERT_TRUE(m_oXML.ProcessProtocolUpgrade("<UPGRADE>\r\n" + block + "</UPGRADE>\r\n", m_oKey, upgrade, got));
    EXPECT_EQ(upgrade, 0) << "DATA of 20 bytes does not decrypt";
    EXPECT_FALSE(m_oXML.IsError());

    EXPECT_FALSE(
        m_oXML.ProcessProtocolUpgrade(MakeUpgrade(m_oXML, m_oKey, digest, false, false, " "), m_oKey, upgrade, got))
        << "a blank before NONCE";
    EXPECT_EQ(upgrade, 0);
    std::string between = MakeUpgrade(m_oXML, m_oKey, digest, false, false);
    between.insert(between.find("<MESSAGE DIGEST>"), "note\r\n");
    EXPECT_FALSE(m_oXML.ProcessProtocolUpgrade(between, m_oKey, upgrade, got)) << "text between elements";
    EXPECT_FALSE(m_oXML.ProcessProtocolUpgrade("no notice here", m_oKey, upgrade, got));
    EXPECT_FALSE(m_oXML.ProcessProtocolUpgrade(MakeUpgrade(m_oXML, m_oKey, RandomBytes(19, 1), true, false), m_oKey,
                                               upgrade, got))
        << "an attachment digest must be 20 bytes";
    EXPECT_EQ(upgrade, 0);
}

std::string g_sShownCaption;
std::string g_sShownText;
void CapturePresenter(const std::string& p_sCaption, const std::string& p_sText)
{
    g_sShownCaption = p_sCaption;
    g_sShownText = p_sText;
}

class ClientSecurityTest : public EnvelopeTest
{
  protected:
    void SetUp() override
    {
        EnvelopeTest::SetUp();
        m_pfnPrevious = GetErrorPresenter();
        SetErrorPresenter(CapturePresenter);
        g_sShownCaption.clear();
        g_sShownText.clear();
    }
    void TearDown() override
    {
        SetErrorPresenter(m_pfnPrevious);
    }

    std::unique_ptr<Registry> m_p_oStore = CreateMemoryRegistry();
    CRegistry m_oRegistry{*m_p_oStore};
    ErrorPresenter m_pfnPrevious = nullptr;
};

TEST_F(ClientSecurityTest, EncryptsWithTheAccountKeyFromTheSettings)
{
    std::string keyText;
    ASSERT_TRUE(m_oKey.WriteKeyXML(keyText));
    ASSERT_TRUE(m_oRegistry.WriteUserText(kAccountKeyValue, keyText));

    CClientSecurityProtocol client(m_oRegistry);
    ASSERT_FALSE(client.IsError());
    client.Protocol()->SetClock(FixedClock);
    std::string body, email, vendor, block;
    ASSERT_TRUE(client.EncryptSMSBody(nullptr, "me@brevolt.example", g_szMail, TestPlatform(), CLanguageInfo(),
                                      g_oDelivery, &body))
        << client.Error().Text();
    ASSERT_TRUE(m_oXML.UncompressFromXML(OpenEnvelope(body, email, vendor), block));
    ExpectDataBlock(block);
    EXPECT_TRUE(g_sShownText.empty());
}

TEST_F(ClientSecurityTest, AMissingKeyIsShownAndNothingIsSent)
{
    CClientSecurityProtocol client(m_oRegistry);
    std::string body = "untouched";
    EXPECT_FALSE(client.EncryptSMSBody(nullptr, "me@brevolt.example", g_szMail, TestPlatform(), CLanguageInfo(),
                                       g_oDelivery, &body));
    EXPECT_EQ(body, "untouched");
    EXPECT_EQ(g_sShownCaption, "Brevolt SMS Error");
    EXPECT_EQ(g_sShownText, "The following error has occured:\r\n\r\nError in parsing, token '<AES KEY>' expected"
                            "\r\n\r\nPlease try again.\r\nIf the error persists, please contact Brevolt SMS support.");

    g_sShownText.clear();
    EXPECT_FALSE(client.EncryptSMSBody(nullptr, "me@brevolt.example", nullptr, TestPlatform(), CLanguageInfo(),
                                       g_oDelivery, &body));
    EXPECT_EQ(client.Error().Text(),
              "Incorrect arguments passed to procedure 'CClientSecurityProtocol::EncryptSMSBody'.");
    EXPECT_FALSE(client.EncryptSMSBody(nullptr, "me@brevolt.example", g_szMail, TestPlatform(), CLanguageInfo(),
                                       g_oDelivery, nullptr));
    EXPECT_TRUE(g_sShownText.empty()) << "argument errors are the caller's, not the user's";
}
} // namespace
