// tests/unit/reminders/rules_test.cpp: which rules fire for a mail, what their SMS say, how a rule
// describes itself and which editor fields are refused.
#include "Addressbook/reminders/rule_manager.h"
#include "Addressbook/reminders/rule_messages.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{
CTraceTime FixedTime()
{
    CTraceTime time;
    time.m_iYear = 2026;
    time.m_iMonth = 3;
    time.m_iDay = 7;
    time.m_iHour = 9;
    time.m_iMinute = 5;
    time.m_iSecond = 2;
    return time;
}

struct CSent
{
    std::string m_sText;
    bool m_bSendToMe;
    std::string m_sNumber;
};

// A manager over its own in-memory settings, with the user's name and a fixed clock.
class CRulesFixture : public testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_oRegistry.WriteUserText("Name", "Jane"));
    }

    // Runs the matching loop for one mail the way the mailbox watchers do.
    std::vector<CSent> Deliver(const CRuleMail& p_oMail, bool* p_pbFailed = nullptr)
    {
        std::vector<CRuleOutcome> outcomes;
        const bool ok = m_oManager.CollectAnnouncements(p_oMail, outcomes);
        if (p_pbFailed != nullptr)
            *p_pbFailed = !ok;
        std::vector<CSent> sent;
        for (const CRuleOutcome& outcome : outcomes)
            sent.push_back({outcome.m_sSMSText, outcome.m_bSendToMe, outcome.m_sNumber});
        return sent;
    }

    std::unique_ptr<Registry> m_p_oStore = CreateMemoryRegistry();
    CRegistry m_oRegistry{*m_p_oStore};
    CRuleManager m_oManager{m_oRegistry, &FixedTime};
};

CMessageRule SubjectRule(const char* p_szKeywords, bool p_bContinue = true)
{
    CMessageRule rule;
    rule.m_aCriteria[kRuleFieldSubject].SetTriggerData(p_szKeywords);
    rule.m_bContinueProcessing = p_bContinue;
    return rule;
}

CMessageRule AlwaysRule()
{
    CMessageRule rule;
    rule.m_bTriggerAlways = true;
    return rule;
}

const CRuleMail kMail{"alice@example.com", "jane@example.com", "Re: BETA release", "The build is green."};
} // namespace

TEST_F(CRulesFixture, MailFromTheGatewaysReplyAddressFiresNoRuleNotEvenTriggerAlways)
{
    m_oManager.SetRules({AlwaysRule(), SubjectRule("beta")});
    for (const char* from : {"replies@brevolt.example", "\"SMS reply\" <REPLIES@Brevolt.Example>"})
    {
        SCOPED_TRACE(from);
        CRuleMail mail = kMail;
        mail.m_sFrom = from;
        EXPECT_TRUE(Deliver(mail).empty());
    }
    // The address is configuration: the Install key overrides it.
    const char other[] = "sms-replies@gateway.example";
    ASSERT_TRUE(
        m_oRegistry.WriteRegistry(ERegRoot::LocalMachine, kInstallKey, "ReplySender", other, sizeof(other), kRegSz));
    CRuleMail mail = kMail;
    mail.m_sFrom = other;
    EXPECT_TRUE(Deliver(mail).empty());
    mail.m_sFrom = "replies@brevolt.example";
    EXPECT_EQ(Deliver(mail).size(), 2u);
}

TEST_F(CRulesFixture, CriteriaMatchByKeywordsUpperCased)
{
    struct CCase
    {
        const char* m_szKeywords;
        uint32_t m_dwCriteria;
        const char* m_szSubject;
        bool m_bFires;
    } const cases[] = {
        {"alpha;Beta", kCriteriaContains, "Re: BETA release", true},
        {"alpha;Beta", kCriteriaContains, "gamma", false},
        {"alpha\r\nbeta", kCriteriaContains, "Alphabet soup", true},
        {"gamma\nbeta", kCriteriaContains, "a beta", true},
        {";", kCriteriaContains, "anything", false},
        {"alpha;", kCriteriaContains, "anything", false},
        {"beta", kCriteriaEquals, "Re: beta", false},
        {"re: beta", kCriteriaEquals, "RE: BETA", true},
        {"beta", kCriteriaEquals | kCriteriaContains, "Re: beta", false},
        {"beta", 0, "beta", false},
        {"beta", kCriteriaContains | kCriteriaNegate, "Re: beta", false},
        {"beta", kCriteriaContains | kCriteriaNegate, "Re: gamma", true},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "'" << c.m_szKeywords << "' against '" << c.m_szSubject << "'");
        CMessageRule rule = SubjectRule(c.m_szKeywords);
        rule.m_aCriteria[kRuleFieldSubject].SetTriggerCriteria(c.m_dwCriteria);
        m_oManager.SetRules({rule});
        CRuleMail mail = kMail;
        mail.m_sSubject = c.m_szSubject;
        EXPECT_EQ(Deliver(mail).size(), c.m_bFires ? 1u : 0u);
    }
}

TEST_F(CRulesFixture, EveryNonEmptyCriterionMustMatchAndAllEmptyNeverFires)
{
    CMessageRule both;
    both.m_aCriteria[kRuleFieldFrom].SetTriggerData("alice");
    both.m_aCriteria[kRuleFieldBody].SetTriggerData("green");
    m_oManager.SetRules({both, CMessageRule()});
    EXPECT_EQ(Deliver(kMail).size(), 1u);
    CRuleMail red = kMail;
    red.m_sBody = "The build is red.";
    EXPECT_TRUE(Deliver(red).empty());
}

TEST_F(CRulesFixture, ContinueProcessingDecidesWhetherLaterRulesStillFire)
{
    for (const bool carryOn : {false, true})
    {
        SCOPED_TRACE(carryOn);
        CMessageRule first = SubjectRule("beta", carryOn);
        first.m_dwTriggerAction = kRuleActionSubject;
        CMessageRule second = AlwaysRule();
        second.m_dwTriggerAction = kRuleActionSender;
        second.m_bSendToMe = false;
        second.m_sRecipientNumberCC = "+27";
        second.m_sRecipientNumber = "0825551234";
        m_oManager.SetRules({first, second});
        const std::vector<CSent> sent = Deliver(kMail);
        ASSERT_EQ(sent.size(), carryOn ? 2u : 1u);
        EXPECT_EQ(sent[0].m_sText, "You've received an email with subject 'Re: BETA release'");
        EXPECT_TRUE(sent[0].m_bSendToMe);
        if (carryOn)
        {
            EXPECT_EQ(sent[1].m_sText, "Jane received an email from 'alice@example.com'");
            EXPECT_FALSE(sent[1].m_bSendToMe);
            EXPECT_EQ(sent[1].m_sNumber, "27825551234");
        }
    }
}

TEST_F(CRulesFixture, ADisabledRuleIsSkippedWithoutBeingTested)
{
    // Testing this rule would fail the whole mail: it fires and has nowhere to send to.
    CMessageRule broken = AlwaysRule();
    broken.m_bSendToMe = false;
    broken.m_bEnabled = false;
    m_oManager.SetRules({broken, SubjectRule("beta")});
    bool failed = true;
    EXPECT_EQ(Deliver(kMail, &failed).size(), 1u);
    EXPECT_FALSE(failed);

    broken.m_bEnabled = true;
    m_oManager.SetRules({broken, SubjectRule("beta")});
    EXPECT_TRUE(Deliver(kMail, &failed).empty());
    EXPECT_TRUE(failed);
    EXPECT_TRUE(m_oManager.IsError());
}

TEST_F(CRulesFixture, ACallWithTheContinueFlagClearedStartsAtTheFirstRuleAgain)
{
    m_oManager.SetRules({SubjectRule("beta"), SubjectRule("release")});
    bool keepGoing = false, fired = false, toMe = false;
    std::string text, number;
    ASSERT_TRUE(m_oManager.Match(kMail.m_sFrom, kMail.m_sTo, kMail.m_sSubject, kMail.m_sBody, keepGoing, fired, text,
                                 toMe, number));
    ASSERT_TRUE(fired && keepGoing);
    // A new mail: the caller starts over instead of continuing with the second rule.
    keepGoing = false;
    ASSERT_TRUE(
        m_oManager.Match(kMail.m_sFrom, kMail.m_sTo, "nothing", kMail.m_sBody, keepGoing, fired, text, toMe, number));
    EXPECT_FALSE(fired);
    EXPECT_FALSE(keepGoing);
    EXPECT_EQ(Deliver(kMail).size(), 2u);
}

TEST(CMessageRuleText, TheAnnouncementListsTheChosenPartsInItsOrderAndIsCutToTheLimit)
{
    CRuleContext context{"replies@brevolt.example", "Jane", FixedTime()};
    const CRuleMail mail{"alice@example.com", "bob@example.com; jane@example.com", "Budget", "Numbers attached."};
    struct CCase
    {
        uint32_t m_dwAction;
        bool m_bToMe;
        const char* m_szExpected;
    } const cases[] = {
        {kRuleActionAll, true,
         "You've received an email from 'alice@example.com', to 'bob@example.com; jane@example.com', with subject "
         "'Budget', on 03/07/2026 at 9:05:02, with body 'Numbers attached.'"},
        {kRuleActionTime, false, "Jane received an email on 03/07/2026 at 9:05:02"},
        {kRuleActionSender | kRuleActionBody, true,
         "You've received an email from 'alice@example.com', with body 'Numbers attached.'"},
        {0, true, "You've received an email "},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.m_dwAction);
        CMessageRule rule;
        rule.m_dwTriggerAction = c.m_dwAction;
        rule.m_bSendToMe = c.m_bToMe;
        rule.m_dwSMSLimit = 2;
        EXPECT_EQ(rule.BuildSMSText(mail, context), c.m_szExpected);
    }

    // An empty field leaves its part out.
    CMessageRule rule;
    rule.m_dwTriggerAction = kRuleActionSender | kRuleActionSubject;
    EXPECT_EQ(rule.BuildSMSText({"alice@example.com", "", "", ""}, context),
              "You've received an email from 'alice@example.com'");

    struct CLimit
    {
        uint32_t m_dwLimit;
        size_t m_nChars;
    } const limits[] = {{0, 160}, {1, 160}, {2, 306}, {3, 459}};
    const CRuleMail longMail{"alice@example.com", "", "", std::string(2000, 'x')};
    for (const CLimit& l : limits)
    {
        SCOPED_TRACE(l.m_dwLimit);
        CMessageRule cut;
        cut.m_dwTriggerAction = kRuleActionBody;
        cut.m_dwSMSLimit = l.m_dwLimit;
        const std::string text = cut.BuildSMSText(longMail, context);
        EXPECT_EQ(text.size(), l.m_nChars);
        EXPECT_EQ(text.rfind("You've received an email with body 'xxx", 0), 0u);
    }
}

TEST(CMessageRuleText, DescriptionsNameTheCriteriaTheRecipientThePartsAndTheLimit)
{
    const std::string sent = ". When this happens, an SMS will be sent to ";
    struct CCase
    {
        const char* m_szFrom;
        const char* m_szTo;
        const char* m_szSubject;
        const char* m_szBody;
        bool m_bAlways;
        const char* m_szCriteriaText;
    } const cases[] = {
        {"alice", "", "", "", false, "received from 'alice'"},
        {"alice", "", "budget", "", false, "received from 'alice' and with subject 'budget'"},
        {"alice", "jane;bob", "", "urgent", false,
         "received from 'alice', addressed to 'jane;bob' and with body 'urgent'"},
        {"a", "b", "c", "d", false, "received from 'a', addressed to 'b', with subject 'c' and with body 'd'"},
        {"alice", "", "", "", true, "from anyone"},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.m_szCriteriaText);
        CMessageRule rule;
        rule.m_aCriteria[kRuleFieldFrom].SetTriggerData(c.m_szFrom);
        rule.m_aCriteria[kRuleFieldTo].SetTriggerData(c.m_szTo);
        rule.m_aCriteria[kRuleFieldSubject].SetTriggerData(c.m_szSubject);
        rule.m_aCriteria[kRuleFieldBody].SetTriggerData(c.m_szBody);
        rule.m_bTriggerAlways = c.m_bAlways;
        EXPECT_EQ(rule.GetDescription(), std::string("This rule fires when you receive an e-mail ") +
                                             c.m_szCriteriaText + sent +
                                             "you containing the sender and subject. The notification will be limited "
                                             "to 1 SMS.");
    }

    struct CTail
    {
        uint32_t m_dwAction;
        uint32_t m_dwLimit;
        bool m_bContinue;
        const char* m_szExpected;
    } const tails[] = {
        {kRuleActionAll, 0, true,
         "sender, recipients, subject, body and date/time of receipt. The notification will be limited to 0 SMS."},
        {kRuleActionBody, 2, true, "body. The notification will be limited to 2 SMSs."},
        {kRuleActionSender | kRuleActionTime, 5, false,
         "sender and date/time of receipt. The notification will be limited to 5 SMSs.\r\n\r\nNo further rules will "
         "be processed if this rule fires."},
    };
    for (const CTail& t : tails)
    {
        SCOPED_TRACE(t.m_szExpected);
        CMessageRule rule;
        rule.m_bTriggerAlways = true;
        rule.m_bSendToMe = false;
        rule.m_sRecipientNumberCC = "+27";
        rule.m_sRecipientNumber = "0082 (555) 1234";
        rule.m_dwTriggerAction = t.m_dwAction;
        rule.m_dwSMSLimit = t.m_dwLimit;
        rule.m_bContinueProcessing = t.m_bContinue;
        EXPECT_EQ(rule.GetDescription(), "This rule fires when you receive an e-mail from anyone" + sent +
                                             "+27825551234 containing the " + t.m_szExpected);
    }
}

TEST(CMessageRuleText, ANewRuleIsNamedByItsPriority)
{
    EXPECT_EQ(CMessageRule(4).m_sName, "Inbox Rule 4");
}

TEST(CMessageRuleEditor, ValidateFieldsRefusesWhatTheEditorMustNotStore)
{
    auto fields = [](const char* p_szName, const char* p_szSubject) {
        CRuleEditorFields f;
        f.m_sName = p_szName;
        f.m_asKeywords[kRuleFieldSubject] = p_szSubject;
        f.m_dwTriggerAction = kRuleActionSender;
        return f;
    };
    struct CCase
    {
        const char* m_szWhat;
        CRuleEditorFields m_oFields;
        bool m_bValid;
        unsigned m_uCaption;
        unsigned m_uText;
        CRuleFieldProblem::EField m_eField;
    };
    std::vector<CCase> cases = {
        {"plain", fields("Boss mail", "urgent;asap"), true, 0, 0, CRuleFieldProblem::kNone},
        {"every allowed character", fields("Az09;, -+=.@_", "a.b@c-d_e+f=g, h"), true, 0, 0, CRuleFieldProblem::kNone},
        {"no name", fields("", "urgent"), false, kMsgRuleMissingName, kMsgRuleMissingNameText,
         CRuleFieldProblem::kName},
        {"quote in the name", fields("Boss's mail", "urgent"), false, kMsgRuleInvalidChars, kMsgRuleInvalidCharsText,
         CRuleFieldProblem::kName},
        {"line break in a keyword", fields("Boss", "urgent\r\nasap"), false, kMsgRuleInvalidChars,
         kMsgRuleInvalidCharsText, CRuleFieldProblem::kKeyword},
        {"no keyword", fields("Boss", ""), false, kMsgRuleEmpty, kMsgRuleEmptyText, CRuleFieldProblem::kKeyword},
        {"only separators", fields("Boss", ";;"), false, kMsgRuleEmpty, kMsgRuleEmptyText, CRuleFieldProblem::kKeyword},
    };
    CRuleEditorFields always = fields("All", "");
    always.m_bTriggerAlways = true;
    cases.push_back({"all mail without keywords", always, true, 0, 0, CRuleFieldProblem::kNone});
    CRuleEditorFields nothing = fields("Boss", "urgent");
    nothing.m_dwTriggerAction = 0;
    cases.push_back({"no SMS content", nothing, false, kMsgRuleNothingToSend, kMsgRuleNoContentText,
                     CRuleFieldProblem::kTriggerAction});
    CRuleEditorFields other = fields("Boss", "urgent");
    other.m_bSendToMe = false;
    cases.push_back({"another number left empty", other, false, kMsgRuleMissingNumber, kMsgRuleMissingNumberText,
                     CRuleFieldProblem::kNumber});
    other.m_sRecipientNumber = "082 555";
    cases.push_back({"a blank in the number", other, false, kMsgRuleInvalidNumber, kMsgRuleInvalidNumberText,
                     CRuleFieldProblem::kNumber});
    other.m_sRecipientNumber = "0825551234";
    cases.push_back({"another number", other, true, 0, 0, CRuleFieldProblem::kNone});
    CRuleEditorFields mine = fields("Boss", "urgent");
    mine.m_sRecipientNumber = "not looked at";
    cases.push_back({"a stale number when the SMS goes to me", mine, true, 0, 0, CRuleFieldProblem::kNone});

    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.m_szWhat);
        CRuleFieldProblem problem;
        EXPECT_EQ(CMessageRule::ValidateFields(c.m_oFields, problem), c.m_bValid);
        EXPECT_EQ(problem.m_uCaptionId, c.m_uCaption);
        EXPECT_EQ(problem.m_uTextId, c.m_uText);
        EXPECT_EQ(problem.m_eField, c.m_eField);
    }
}
