// tests/unit/gateway/upgrade_decode_test.cpp: decode reports an upgrade notice: a built module of
// any bytes travels intact and matches its digest; an altered attachment or another key is reported
// as such and fails the decode.
#include "gateway/gateway_commands.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace
{
class UpgradeDecode : public testing::Test
{
  protected:
    void SetUp() override
    {
        for (CAES* key : {&m_oKey, &m_oOtherKey})
        {
            std::string text;
            std::string error;
            ASSERT_TRUE(MakeKeyText(256, text, error)) << error;
            ASSERT_TRUE(key->ReadKeyXML(text));
        }
        // Every byte value, and the sequences mail transports like to rewrite.
        for (int i = 0; i < 256; ++i)
            m_sModule += static_cast<char>(i);
        m_sModule = "MZ" + m_sModule + "\r\n.\r\n\n\r" + std::string(4000, '\0');
        std::string error;
        ASSERT_TRUE(MakeUpgradeMail("build/resource/Resource.dll", m_sModule, "Upgrade", m_oKey, m_sMail, error))
            << error;
    }
    nlohmann::json Decode(const std::string& p_sMail, CAES& p_oKey, bool p_bExpectOk)
    {
        std::vector<std::string> lines;
        EXPECT_EQ(DecodeGatewayMail(CGatewayInput{"notice.eml", p_sMail}, p_oKey, lines), p_bExpectOk);
        EXPECT_EQ(lines.size(), 1u);
        return lines.empty() ? nlohmann::json() : nlohmann::json::parse(lines[0]);
    }

    CAES m_oKey;
    CAES m_oOtherKey;
    std::string m_sModule;
    std::string m_sMail;
};
} // namespace

TEST_F(UpgradeDecode, BuiltModuleTravelsIntactAndMatchesItsDigest)
{
    const nlohmann::json line = Decode(m_sMail, m_oKey, true);
    EXPECT_EQ(line["upgrade"], true);
    EXPECT_EQ(line["verified"], true);
    EXPECT_EQ(line["digest_match"], true);
    EXPECT_EQ(line["attachment"], "Resource.dll");
    EXPECT_EQ(line["size"], m_sModule.size());
    EXPECT_EQ(line["subject"], "Upgrade");

    // Stored with bare LF line ends, as Maildir keeps it, the notice reads the same.
    std::string bare;
    for (char c : m_sMail)
        if (c != '\r')
            bare += c;
    EXPECT_EQ(Decode(bare, m_oKey, true)["digest_match"], true);
}

TEST_F(UpgradeDecode, AlteredAttachmentOrAnotherKeyIsReportedAndFails)
{
    std::string altered = m_sMail;
    const size_t part = altered.rfind("Content-Disposition: attachment");
    const size_t data = altered.find("\r\n\r\n", part) + 4;
    altered[data + 10] = altered[data + 10] == 'A' ? 'B' : 'A';
    nlohmann::json line = Decode(altered, m_oKey, false);
    EXPECT_EQ(line["verified"], true);
    EXPECT_EQ(line["digest_match"], false);

    line = Decode(m_sMail, m_oOtherKey, false);
    EXPECT_EQ(line["verified"], false);
    EXPECT_EQ(line["digest_match"], false);
}
