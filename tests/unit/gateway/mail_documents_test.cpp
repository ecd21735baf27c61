// tests/unit/gateway/mail_documents_test.cpp: MAIL documents as the client writes them, sealed and
// decoded by the gateway: every field survives, distribution lists arrive as their members.
#include "Addressbook/messaging/mail_documents.h"
#include "gateway/gateway_commands.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

namespace
{
class MailDocumentsRoundTrip : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        std::string keyText;
        std::string error;
        ASSERT_TRUE(MakeKeyText(256, keyText, error)) << error;
        ASSERT_TRUE(m_oKey.ReadKeyXML(keyText));
        ASSERT_TRUE(CreateMessageRecipientList(&m_p_mrlTo));
        ASSERT_TRUE(CreateMessageRecipientList(&m_p_mrlBcc));
    }
    void TearDown() override
    {
        DeleteMessageRecipientList(&m_p_mrlTo);
        DeleteMessageRecipientList(&m_p_mrlBcc);
        DeleteSMSList(&m_p_oFinal);
    }

    static CMessageRecipient* Person(const char* p_szName, const char* p_szMobile, const char* p_szEmail = "")
    {
        CMessageRecipient* recipient = nullptr;
        EXPECT_TRUE(CreateMessageRecipientFromDetails(kStateResolved, kKindIndividual, p_szName, p_szMobile, p_szEmail,
                                                      p_szName, EID_TYPE_BULK, 0, nullptr, kDefaultRecipientOptions,
                                                      &recipient));
        return recipient;
    }

    std::vector<nlohmann::json> SealAndDecode(const std::string& p_sDocument)
    {
        std::string envelope;
        std::string error;
        EXPECT_TRUE(SealMailDocument(p_sDocument, m_oSender.m_sEmail, true, m_oKey, envelope, error)) << error;
        std::vector<std::string> lines;
        EXPECT_TRUE(DecodeGatewayMail(CGatewayInput{"test", envelope}, m_oKey, lines));
        std::vector<nlohmann::json> parsed;
        for (const auto& line : lines)
            parsed.push_back(nlohmann::json::parse(line));
        return parsed;
    }

    CAES m_oKey;
    CLocalSender m_oSender{"Ann Example", "ann@example.org", "+27825551234"};
    CMessageRecipientList* m_p_mrlTo = nullptr;
    CMessageRecipientList* m_p_mrlBcc = nullptr;
    CFinalSMSList* m_p_oFinal = nullptr;
};

TEST_F(MailDocumentsRoundTrip, SingleFormWithADistributionList)
{
    CMessageRecipient* list = nullptr;
    ASSERT_TRUE(CreateMessageRecipientFromDetails(kStateListComplete, kKindDistList, "Team", nullptr, nullptr, "Team",
                                                  EID_TYPE_BULK, 0, nullptr, kDefaultRecipientOptions, &list));
    ASSERT_TRUE(AddDistList(list));
    ASSERT_TRUE(AddMessageRecipient(list->m_p_mrlMembers, Person("Cy", "+27825550003")));
    ASSERT_TRUE(AddMessageRecipient(list->m_p_mrlMembers, Person("Di", "+27825550004")));
    ASSERT_TRUE(AddMessageRecipient(m_p_mrlTo, Person("Bob", "+27825550001", "bob@example.org")));
    ASSERT_TRUE(AddMessageRecipient(m_p_mrlTo, list));
    ASSERT_TRUE(AddMessageRecipient(m_p_mrlBcc, Person("Eve <boss>", "+27825550005")));

    const std::string text = "Meeting moved to 10:00\r\nsee <agenda> & notes \x80";
    const auto sms = SealAndDecode(GetQuilletEncBodyPlain(m_oSender, m_p_mrlTo, m_p_mrlBcc, text, 0x0A00));
    ASSERT_EQ(sms.size(), 4u) << "the list is written as its two members, not as itself";
    const char* names[] = {"Bob", "Cy", "Di", "Eve <boss>"};
    for (size_t i = 0; i < sms.size(); ++i)
    {
        EXPECT_EQ(sms[i]["name"], names[i]);
        EXPECT_EQ(sms[i]["text"], "Meeting moved to 10:00\r\nsee <agenda> & notes \xE2\x82\xAC");
        EXPECT_EQ(sms[i]["options"], 0x0A00);
        EXPECT_EQ(sms[i]["bulk"], false);
        EXPECT_EQ(sms[i]["sender"]["name"], "Ann Example");
        EXPECT_EQ(sms[i]["sender"]["phone"], "+27825551234");
    }
    EXPECT_EQ(sms[0]["email"], "bob@example.org");
    EXPECT_EQ(sms[2]["mobile"], "+27825550004");
}

TEST_F(MailDocumentsRoundTrip, BulkFormWithEndTimeAndPersonalTexts)
{
    ASSERT_TRUE(AddMessageRecipient(m_p_mrlTo, Person("Bob", "+27825550001")));
    ASSERT_TRUE(AddMessageRecipient(m_p_mrlTo, Person("Cy", "+27825550003")));
    const std::string longText(200, 'x');
    ASSERT_EQ(CreateFinalSMSs(longText.c_str(), nullptr, m_p_mrlTo, nullptr, 3, 0, 1, 0, &m_p_oFinal), 1);
    ASSERT_EQ(m_p_oFinal->m_dwCount, 2u);
    m_p_oFinal->m_p_oFirst->m_p_oItem->m_stDeliveryTime = CDeliveryTime{2026, 12, 2, 8, 9, 30, 0, 0};

    int32_t options = 0x0A00 | kOptionHasEndTime;
    const CDeliveryTime end{2026, 12, 2, 8, 18, 0, 0, 0};
    auto sms = SealAndDecode(GetSMSBulkMessageEncBodyPlain(m_oSender, "Shop", m_p_oFinal, "tagged", &end, options));
    EXPECT_EQ(options, 0x0A00 | kOptionHasEndTime | kOptionSyncEnd);
    ASSERT_EQ(sms.size(), 2u);
    EXPECT_EQ(sms[0]["bulk"], true);
    EXPECT_EQ(sms[0]["sender_id"], "Shop");
    EXPECT_EQ(sms[0]["text"], longText);
    EXPECT_EQ(sms[0]["parts"], 2) << "200 characters are two parts of 153";
    EXPECT_EQ(sms[0]["delivery_time"], "2026-12-08T09:30:00");
    EXPECT_TRUE(sms[1]["delivery_time"].is_null());
    EXPECT_EQ(sms[1]["mobile"], "+27825550003");
    EXPECT_EQ(sms[0]["options"], options);

    // Without an end time only the end-time bit goes; the synchronised bit is left as it was.
    options = kOptionHasEndTime | kOptionSyncEnd;
    sms = SealAndDecode(GetSMSBulkMessageEncBodyPlain(m_oSender, "", m_p_oFinal, "", nullptr, options));
    EXPECT_EQ(options, kOptionSyncEnd);
    EXPECT_EQ(sms.size(), 2u);
}
} // namespace
