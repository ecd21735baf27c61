// tests/unit/reminders/rule_set_cases.cpp: the shared round trip.
#include "tests/unit/reminders/rule_set_cases.h"

#include <gtest/gtest.h>

CMessageRuleList FullRuleSet()
{
    CMessageRuleList rules;
    CMessageRule first(0);
    first.m_sName = "Boss mail";
    first.m_dwTriggerAction = kRuleActionAll;
    first.m_dwSMSLimit = 3;
    first.m_bContinueProcessing = false;
    first.m_aCriteria[kRuleFieldFrom].SetTriggerData("boss@example.com;ceo@example.com");
    first.m_aCriteria[kRuleFieldSubject].SetTriggerData("urgent\r\nasap");
    first.m_aCriteria[kRuleFieldSubject].SetTriggerCriteria(kCriteriaEquals);
    rules.push_back(first);

    CMessageRule second(1);
    second.m_sName = "Everything to my partner";
    second.m_bTriggerAlways = true;
    second.m_bEnabled = false;
    second.m_bSendToMe = false;
    second.m_sRecipientNumber = "0825551234";
    second.m_sRecipientNumberCC = "27";
    second.m_dwTriggerAction = kRuleActionSender | kRuleActionTime;
    rules.push_back(second);

    CMessageRule third(2);
    third.m_sName = "Not newsletters";
    third.m_aCriteria[kRuleFieldTo].SetTriggerData("me@example.com");
    third.m_aCriteria[kRuleFieldBody].SetTriggerData("unsubscribe");
    third.m_aCriteria[kRuleFieldBody].SetTriggerCriteria(kCriteriaContains | kCriteriaNegate);
    third.m_dwTriggerAction = kRuleActionBody;
    rules.push_back(third);
    return rules;
}

void ClearRules(Registry& p_oStore)
{
    p_oStore.DeleteTree(ERegRoot::CurrentUser, kRulesKey);
}

void ExpectRoundTrip(Registry& p_oStore)
{
    ClearRules(p_oStore);
    CRegistry registry(p_oStore);
    const CMessageRuleList rules = FullRuleSet();
    {
        CRuleManager writer(registry);
        writer.SetRules(rules);
        ASSERT_TRUE(writer.SaveRules()) << writer.Error().Text();
    }
    CRuleManager reader(registry);
    ASSERT_TRUE(reader.LoadRulesFromRegistry()) << reader.Error().Text();
    const CMessageRuleList loaded = reader.Rules();
    ASSERT_EQ(loaded.size(), rules.size());
    for (size_t i = 0; i < rules.size(); ++i)
    {
        SCOPED_TRACE(rules[i].m_sName);
        EXPECT_TRUE(loaded[i].SameData(rules[i]));
        EXPECT_EQ(loaded[i].m_sName, rules[i].m_sName);
        EXPECT_EQ(loaded[i].m_iPriority, static_cast<int>(i));
        for (int f = 0; f < kRuleFieldCount; ++f)
        {
            EXPECT_EQ(loaded[i].m_aCriteria[f].TriggerData(), rules[i].m_aCriteria[f].TriggerData());
            EXPECT_EQ(loaded[i].m_aCriteria[f].TriggerCriteria(), rules[i].m_aCriteria[f].TriggerCriteria());
        }
    }

    // The stored layout itself: DWORDs and texts where the other deliverables look for them.
    std::vector<uint8_t> data;
    uint32_t type = 0;
    ASSERT_EQ(p_oStore.QueryValue(ERegRoot::CurrentUser, "Software\\Brevolt\\Rules\\Rule1", "SendToMe", type, data),
              kErrorSuccess);
    EXPECT_EQ(type, kRegDword);
    EXPECT_EQ(data, (std::vector<uint8_t>{0, 0, 0, 0}));
    ASSERT_EQ(p_oStore.QueryValue(ERegRoot::CurrentUser, "Software\\Brevolt\\Rules\\Rule0\\Subject", "TriggerData",
                                  type, data),
              kErrorSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(TextOfValue(data), "urgent\r\nasap");
    ASSERT_EQ(p_oStore.QueryValue(ERegRoot::CurrentUser, "Software\\Brevolt\\Rules\\Rule2", "Priority", type, data),
              kErrorSuccess);
    EXPECT_EQ(data, (std::vector<uint8_t>{2, 0, 0, 0}));

    // Deleting the first rule and saving again leaves two rules, renumbered, and no stale third key.
    CMessageRuleList fewer(loaded.begin() + 1, loaded.end());
    reader.SetRules(fewer);
    ASSERT_TRUE(reader.SaveRules()) << reader.Error().Text();
    CRuleManager again(registry);
    ASSERT_TRUE(again.LoadRulesFromRegistry()) << again.Error().Text();
    const CMessageRuleList after = again.Rules();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0].m_sName, "Everything to my partner");
    EXPECT_EQ(after[1].m_sName, "Not newsletters");
    std::vector<std::string> subkeys;
    ASSERT_EQ(p_oStore.EnumSubkeys(ERegRoot::CurrentUser, kRulesKey, subkeys), kErrorSuccess);
    EXPECT_EQ(subkeys.size(), 2u);
    ClearRules(p_oStore);
}
