// tests/unit/newmail/gateway_mail_test.cpp: which subjects are upgrade notices, which senders are
// the gateway, and which address the rules see as the sender.
#include "Addressbook/newmail/gateway_mail.h"

#include <gtest/gtest.h>

#include <string>

TEST(GatewayMail, UpgradeMustLieWhollyWithinTheFirst49CharactersInAnyCase)
{
    const std::string pad42(42, 'x');
    struct CCase
    {
        std::string m_sSubject;
        ECommunicationType m_eType;
    } const cases[] = {
        {"Upgrade", ECommunicationType::Upgrade},
        {"RE: upgrade", ECommunicationType::Upgrade},
        {"Brevolt SMS UPGRADE available", ECommunicationType::Upgrade},
        {pad42 + "Upgrade", ECommunicationType::Upgrade},  // ends on character 49
        {pad42 + "xUpgrade", ECommunicationType::Unknown}, // ends on character 50
        {pad42 + "Upgrad", ECommunicationType::Unknown},
        {"Delivery report", ECommunicationType::Unknown},
        {"", ECommunicationType::Unknown},
        {"Up grade", ECommunicationType::Unknown},
    };
    for (const CCase& c : cases)
        EXPECT_EQ(ClassifyGatewaySubject(c.m_sSubject), c.m_eType) << c.m_sSubject;
}

TEST(GatewayMail, SenderContainingTheGatewayAddressInAnyCaseIsTheGateway)
{
    const char* const gateway = "gateway@brevolt.example";
    EXPECT_TRUE(IsFromGateway("gateway@brevolt.example", gateway));
    EXPECT_TRUE(IsFromGateway("Brevolt SMS Gateway <GATEWAY@Brevolt.Example>", gateway));
    EXPECT_FALSE(IsFromGateway("gateway@brevolt.example.org.invalid", "other@brevolt.example"));
    EXPECT_FALSE(IsFromGateway("gate@brevolt.example", gateway));
    EXPECT_FALSE(IsFromGateway("", gateway));
    // An unset gateway address must not make every sender the gateway.
    EXPECT_FALSE(IsFromGateway("alice@example.com", ""));
}

TEST(GatewayMail, EmailAddressForm)
{
    struct CCase
    {
        const char* m_szAddress;
        bool m_bForm;
    } const cases[] = {
        {"alice@example.com", true},
        {"a@b.c", true},
        {"a@b.c.", true}, // a later "." qualifies
        {"@example.com", false},
        {"alice@.com", false},
        {"alice@com.", false},
        {"alice.example.com", false},
        {"alice@example", false},
        {"", false},
        {"/O=ORG/OU=SITE/CN=ALICE", false},
    };
    for (const CCase& c : cases)
        EXPECT_EQ(HasEmailAddressForm(c.m_szAddress), c.m_bForm) << c.m_szAddress;
}

TEST(GatewayMail, RuleSenderAddressAsksTheAddressBookOnlyForNonSmtpSenders)
{
    int asked = 0;
    const auto book = [&]() -> std::optional<std::string> {
        ++asked;
        return std::string("alice@example.com");
    };
    EXPECT_EQ(RuleSenderAddress("bob@example.com", "SMTP", book), "bob@example.com");
    EXPECT_EQ(RuleSenderAddress("bob@example.com", "smtp", book), "bob@example.com");
    EXPECT_EQ(RuleSenderAddress("bob@example.com", "", book), "bob@example.com");
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(RuleSenderAddress("/O=ORG/OU=SITE/CN=ALICE", "EX", book), "alice@example.com");
    EXPECT_EQ(RuleSenderAddress("not an address", "", book), "alice@example.com");
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(RuleSenderAddress("/O=ORG/CN=BOB", "EX", [] { return std::optional<std::string>(); }), "");
    EXPECT_EQ(RuleSenderAddress("/O=ORG/CN=BOB", "EX", nullptr), "");
}
