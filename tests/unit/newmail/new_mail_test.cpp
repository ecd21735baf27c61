// tests/unit/newmail/new_mail_test.cpp: one new mail through the whole decision: gateway notices
// applied and deleted, unknown gateway mail left alone, everything else offered to the rules with
// all matches sent as one bulk job.
#include "tests/unit/newmail/newmail_test_support.h"

#include "Addressbook/messaging/owned_string.h"
#include "Addressbook/newmail/new_mail.h"
#include "Addressbook/reminders/rule_manager.h"

#include <gtest/gtest.h>

using namespace newmailtest;

namespace
{
class CFakeMessage : public INewMailMessage
{
  public:
    std::optional<std::string> Body() override
    {
        ++m_iBodyReads;
        return m_sBody;
    }
    std::string Recipients() override
    {
        return m_sRecipients;
    }
    std::optional<std::string> AddressBookSenderAddress() override
    {
        ++m_iBookLookups;
        return m_sBookAddress;
    }
    bool FirstAttachment(std::vector<uint8_t>& p_vBytes) override
    {
        if (!m_vAttachment)
            return false;
        p_vBytes = *m_vAttachment;
        return true;
    }
    bool Delete() override
    {
        m_bDeleted = true;
        return true;
    }

    std::optional<std::string> m_sBody;
    std::string m_sRecipients = "jane@example.com";
    std::optional<std::string> m_sBookAddress;
    std::optional<std::vector<uint8_t>> m_vAttachment;
    int m_iBodyReads = 0;
    int m_iBookLookups = 0;
    bool m_bDeleted = false;
};

struct CSentSMS
{
    std::string m_sName;
    std::string m_sMobile;
    std::string m_sText;
    int m_iWord;
};

class NewMail : public testing::Test
{
  protected:
    void SetUp() override
    {
        CRegistry& registry = m_oSettings.m_oRegistry;
        ASSERT_TRUE(registry.WriteUserText("Name", "Jane"));
        ASSERT_TRUE(registry.WriteUserText("CountryCode", "44"));
        ASSERT_TRUE(registry.WriteUserText("Phone", "07700900123"));
        m_oServices.m_p_oRegistry = &registry;
        m_oServices.m_p_oRules = &m_oRules;
        m_oServices.m_p_oInstaller = &m_oInstaller;
        m_oServices.m_fnSendBulk = [this](const CFinalSMSList& p_oList) {
            std::vector<CSentSMS> job;
            for (const auto* node = p_oList.m_p_oFirst; node != nullptr; node = node->m_p_oNext)
                job.push_back({std::string(TextOf(node->m_p_oItem->m_szName)),
                               std::string(TextOf(node->m_p_oItem->m_szMobile)),
                               std::string(TextOf(node->m_p_oItem->m_szText)), node->m_p_oItem->m_iWord});
            m_vJobs.push_back(job);
            return true;
        };
    }
    CNewMailEnvelope Envelope(const char* p_szSender, const char* p_szType, const char* p_szSubject)
    {
        return CNewMailEnvelope{std::string(p_szSender), p_szType, std::string(p_szSubject)};
    }

    CSettings m_oSettings;
    CRuleManager m_oRules{m_oSettings.m_oRegistry};
    CRecordingInstaller m_oInstaller;
    CNewMailServices m_oServices;
    CFakeMessage m_oMessage;
    std::vector<std::vector<CSentSMS>> m_vJobs;
};

CMessageRule FromRule(const char* p_szKeywords, bool p_bToMe)
{
    CMessageRule rule;
    rule.m_aCriteria[kRuleFieldFrom].SetTriggerData(p_szKeywords);
    rule.m_dwTriggerAction = kRuleActionSender | kRuleActionSubject;
    rule.m_bContinueProcessing = true;
    rule.m_bSendToMe = p_bToMe;
    rule.m_sRecipientNumberCC = "+31";
    rule.m_sRecipientNumber = "0612345678";
    return rule;
}
} // namespace

TEST_F(NewMail, GatewayUpgradeNoticeIsAppliedThenDeleted)
{
    const std::vector<uint8_t> module = Bytes("MZ new resource module");
    m_oMessage.m_sBody = NoticeBody(m_oSettings.m_sKeyText, module);
    m_oMessage.m_vAttachment = module;
    m_oRules.SetRules({FromRule("gateway", true)});
    EXPECT_EQ(DealWithNewMail(Envelope("Brevolt SMS Gateway <Gateway@Brevolt.example>", "SMTP", "RE: Upgrade"),
                              m_oMessage, m_oServices),
              ENewMailResult::UpgradeApplied);
    EXPECT_TRUE(m_oMessage.m_bDeleted);
    EXPECT_EQ(m_oInstaller.m_vWritten, module);
    // Gateway mail is never offered to the rules.
    EXPECT_TRUE(m_vJobs.empty());
}

TEST_F(NewMail, GatewayMailThatIsNotAcceptedStays)
{
    const std::vector<uint8_t> module = Bytes("MZ new resource module");
    m_oMessage.m_sBody = NoticeBody(m_oSettings.m_sKeyText, module);
    m_oMessage.m_vAttachment = Bytes("MZ something else");
    m_oRules.SetRules({FromRule("gateway", true)});

    const std::string late = std::string(43, '-') + "Upgrade";
    EXPECT_EQ(DealWithNewMail(Envelope("gateway@brevolt.example", "SMTP", late.c_str()), m_oMessage, m_oServices),
              ENewMailResult::UnknownGatewayMail);
    EXPECT_EQ(m_oMessage.m_iBodyReads, 0);
    EXPECT_EQ(DealWithNewMail(Envelope("gateway@brevolt.example", "SMTP", "Upgrade"), m_oMessage, m_oServices),
              ENewMailResult::UpgradeDropped);
    EXPECT_FALSE(m_oMessage.m_bDeleted);
    EXPECT_TRUE(m_oInstaller.m_vWritten.empty());
    EXPECT_TRUE(m_vJobs.empty());
    EXPECT_TRUE(IsNewMailFailure(ENewMailResult::UnknownGatewayMail));
    EXPECT_TRUE(IsNewMailFailure(ENewMailResult::UpgradeDropped));
}

TEST_F(NewMail, MailMatchingTwoRulesYieldsTwoSMSInOneBulkJob)
{
    m_oRules.SetRules({FromRule("alice", true), FromRule("example.com", false)});
    m_oMessage.m_sBody = "Lunch?";
    EXPECT_EQ(DealWithNewMail(Envelope("alice@example.com", "SMTP", "Lunch"), m_oMessage, m_oServices),
              ENewMailResult::RulesSent);
    ASSERT_EQ(m_vJobs.size(), 1u);
    ASSERT_EQ(m_vJobs[0].size(), 2u);
    EXPECT_EQ(m_vJobs[0][0].m_sName, "Jane");
    EXPECT_EQ(m_vJobs[0][0].m_sMobile, "+44 7700900123");
    EXPECT_EQ(m_vJobs[0][0].m_iWord, 1);
    EXPECT_EQ(m_vJobs[0][0].m_sText, "You've received an email from 'alice@example.com', with subject 'Lunch'");
    EXPECT_EQ(m_vJobs[0][1].m_sMobile, "+31612345678");
    EXPECT_EQ(m_vJobs[0][1].m_iWord, 0);
    EXPECT_EQ(m_vJobs[0][1].m_sText, "Jane received an email from 'alice@example.com', with subject 'Lunch'");
    EXPECT_FALSE(m_oMessage.m_bDeleted);
}

TEST_F(NewMail, ExchangeSenderIsMatchedByTheAddressBooksSmtpAddress)
{
    m_oRules.SetRules({FromRule("alice@example.com", true)});
    m_oMessage.m_sBookAddress = "alice@example.com";
    EXPECT_EQ(
        DealWithNewMail(Envelope("/O=EXAMPLE/OU=SITE/CN=RECIPIENTS/CN=ALICE", "EX", "Hi"), m_oMessage, m_oServices),
        ENewMailResult::RulesSent);
    EXPECT_EQ(m_oMessage.m_iBookLookups, 1);
    ASSERT_EQ(m_vJobs.size(), 1u);
    EXPECT_EQ(m_vJobs[0][0].m_sText, "You've received an email from 'alice@example.com', with subject 'Hi'");

    // Without an SMTP address in the book the rule has nothing to match.
    m_oMessage.m_sBookAddress.reset();
    EXPECT_EQ(DealWithNewMail(Envelope("/O=EXAMPLE/CN=ALICE", "EX", "Hi"), m_oMessage, m_oServices),
              ENewMailResult::NoRuleFired);
    EXPECT_EQ(m_vJobs.size(), 1u);
}

TEST_F(NewMail, MailWithoutSenderOrSubjectStillReachesTheRules)
{
    CMessageRule always;
    always.m_bTriggerAlways = true;
    always.m_dwTriggerAction = kRuleActionSubject;
    m_oRules.SetRules({always});
    EXPECT_EQ(DealWithNewMail(CNewMailEnvelope{std::nullopt, "", std::nullopt}, m_oMessage, m_oServices),
              ENewMailResult::RulesSent);
    ASSERT_EQ(m_vJobs.size(), 1u);
    EXPECT_EQ(m_vJobs[0][0].m_sText, "You've received an email ");

    // A job that does not leave is the handler's failure.
    m_oServices.m_fnSendBulk = [](const CFinalSMSList&) { return false; };
    EXPECT_EQ(DealWithNewMail(Envelope("bob@example.com", "SMTP", "x"), m_oMessage, m_oServices),
              ENewMailResult::RulesFailed);
}
