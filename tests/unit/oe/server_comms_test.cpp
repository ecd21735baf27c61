// tests/unit/oe/server_comms_test.cpp: a downloaded range of Outlook Express messages: the upgrade
// notice known only by its exact sender and subject (the last one wins), every other mail offered to
// the rules as one bulk job, and a notice that cannot be read discarding the collected SMS.
#include "Addressbook/oe/server_comms.h"
#include "Addressbook/reminders/rule_manager.h"
#include "tests/unit/newmail/newmail_test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace newmailtest;

namespace
{
class CFakeMailbox final : public oe::IOEMailbox
{
  public:
    [[nodiscard]] bool PeekEnvelope(const std::string& p_sId, oe::COEMail& p_oMail) override
    {
        m_vPeeked.push_back(p_sId);
        const auto found = m_mapMails.find(p_sId);
        if (found == m_mapMails.end())
            return false;
        p_oMail = oe::COEMail();
        p_oMail.m_sOriginator = found->second.m_sOriginator;
        p_oMail.m_sSubject = found->second.m_sSubject;
        return true;
    }
    [[nodiscard]] bool ReadMail(const std::string& p_sId, bool p_bAttachments, oe::COEMail& p_oMail) override
    {
        const auto found = m_mapMails.find(p_sId);
        if (found == m_mapMails.end() || m_setUnreadable.count(p_sId) != 0)
            return false;
        p_oMail = found->second;
        if (!p_bAttachments)
            p_oMail.m_vFirstAttachment.clear();
        return true;
    }
    [[nodiscard]] bool DeleteMail(const std::string& p_sId) override
    {
        m_vDeleted.push_back(p_sId);
        return m_mapMails.erase(p_sId) == 1;
    }
    void Add(uint32_t p_dwNumber, const std::string& p_sFrom, const std::string& p_sSubject,
             const std::string& p_sBody = "text", const std::vector<uint8_t>& p_vAttachment = {})
    {
        oe::COEMail mail;
        mail.m_sOriginator = p_sFrom;
        mail.m_sSubject = p_sSubject;
        mail.m_sBody = p_sBody;
        mail.m_sRecipients = "me@brevolt.example";
        mail.m_bHasAttachment = !p_vAttachment.empty();
        mail.m_vFirstAttachment = p_vAttachment;
        m_mapMails[oe::MessageIdOf(p_dwNumber)] = mail;
    }

    std::map<std::string, oe::COEMail> m_mapMails;
    std::set<std::string> m_setUnreadable;
    std::vector<std::string> m_vPeeked;
    std::vector<std::string> m_vDeleted;
};

CMessageRule FromRule(const char* p_szKeywords)
{
    CMessageRule rule;
    rule.m_aCriteria[kRuleFieldFrom].SetTriggerData(p_szKeywords);
    rule.m_dwTriggerAction = kRuleActionSender | kRuleActionSubject;
    rule.m_bContinueProcessing = true;
    rule.m_sRecipientNumberCC = "+31";
    rule.m_sRecipientNumber = "0612345678";
    return rule;
}

class ServerComms : public testing::Test
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
            m_vJobSizes.push_back(p_oList.m_dwCount);
            return true;
        };
        m_oRules.SetRules({FromRule("alice")});
    }

    CSettings m_oSettings;
    CRuleManager m_oRules{m_oSettings.m_oRegistry};
    CRecordingInstaller m_oInstaller;
    CNewMailServices m_oServices;
    CFakeMailbox m_oMailbox;
    std::vector<uint32_t> m_vJobSizes;
};
} // namespace

TEST_F(ServerComms, TheLastExactNoticeIsAppliedAndDeletedAndOtherMailGoesToTheRules)
{
    const std::vector<uint8_t> module = Bytes("MZ resource module");
    const std::string body = NoticeBody(m_oSettings.m_sKeyText, module);
    m_oMailbox.Add(11, "SMTP:gateway@brevolt.example", "Upgrade", body, Bytes("MZ older module"));
    m_oMailbox.Add(12, "alice@brevolt.example", "Lunch");
    // Not exact: a reply prefix, or the address inside a longer one; these are ordinary mail.
    m_oMailbox.Add(13, "gateway@brevolt.example", "RE: Upgrade");
    m_oMailbox.Add(14, "alice gateway@brevolt.example", "Upgrade");
    m_oMailbox.Add(15, "SMTP:GATEWAY@Brevolt.Example", "UPGRADE", body, module);
    m_oMailbox.Add(16, "alice@brevolt.example", "Tea");

    ASSERT_TRUE(oe::DealWithNewServerComms(10, 16, m_oMailbox, m_oServices));
    EXPECT_EQ(m_oMailbox.m_vPeeked, (std::vector<std::string>{"11", "12", "13", "14", "15", "16"}));
    EXPECT_EQ(m_oInstaller.m_vWritten, module) << "the last notice in the range wins";
    EXPECT_EQ(m_oMailbox.m_vDeleted, std::vector<std::string>{"15"});
    // Mails 12, 14 and 16 come from "alice"; all their SMS leave as one job.
    EXPECT_EQ(m_vJobSizes, std::vector<uint32_t>{3});
}

TEST_F(ServerComms, AnEmptyRangeReadsNothing)
{
    m_oMailbox.Add(5, "alice@brevolt.example", "Lunch");
    EXPECT_TRUE(oe::DealWithNewServerComms(5, 5, m_oMailbox, m_oServices));
    EXPECT_TRUE(oe::DealWithNewServerComms(6, 5, m_oMailbox, m_oServices));
    EXPECT_TRUE(m_oMailbox.m_vPeeked.empty());
    EXPECT_TRUE(m_vJobSizes.empty());
}

TEST_F(ServerComms, AnUnreadableNoticeFailsAndDiscardsTheCollectedSMS)
{
    m_oMailbox.Add(1, "alice@brevolt.example", "Lunch");
    m_oMailbox.Add(2, "gateway@brevolt.example", "Upgrade", "not a notice");
    m_oMailbox.m_setUnreadable.insert(oe::MessageIdOf(2));
    EXPECT_FALSE(oe::DealWithNewServerComms(0, 2, m_oMailbox, m_oServices));
    EXPECT_TRUE(m_vJobSizes.empty());
    EXPECT_TRUE(m_oMailbox.m_vDeleted.empty());

    // A notice that reads but fails its checks stays, and the SMS still leave.
    m_oMailbox.m_setUnreadable.clear();
    EXPECT_TRUE(oe::DealWithNewServerComms(0, 2, m_oMailbox, m_oServices));
    EXPECT_TRUE(m_oMailbox.m_vDeleted.empty());
    EXPECT_TRUE(m_oInstaller.m_vWritten.empty());
    EXPECT_EQ(m_vJobSizes, std::vector<uint32_t>{1});
}

TEST(ServerCommsAddress, SMTPPrefixIsDropped)
{
    EXPECT_EQ(oe::PlainAddress("SMTP:a@b.example"), "a@b.example");
    EXPECT_EQ(oe::PlainAddress("smtp:a@b.example"), "a@b.example");
    EXPECT_EQ(oe::PlainAddress("a@b.example"), "a@b.example");
    EXPECT_EQ(oe::PlainAddress("SMTP"), "SMTP");
}
