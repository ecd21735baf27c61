// tests/unit/reminders/rule_store_test.cpp: rules in the settings store: the round trip, what a
// damaged entry does, and reordering in the manager dialog's list.
#include "Addressbook/reminders/rule_manager.h"
#include "tests/unit/reminders/rule_set_cases.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
class CRuleStoreFixture : public testing::Test
{
  protected:
    void SaveFullSet()
    {
        CRuleManager writer(m_oRegistry);
        writer.SetRules(FullRuleSet());
        ASSERT_TRUE(writer.SaveRules()) << writer.Error().Text();
    }

    std::unique_ptr<Registry> m_p_oStore = CreateMemoryRegistry();
    CRegistry m_oRegistry{*m_p_oStore};
};

void SetDword(Registry& p_oStore, const std::string& p_sKey, const char* p_szName, uint32_t p_dwValue)
{
    p_oStore.SetValue(ERegRoot::CurrentUser, p_sKey, p_szName, kRegDword, &p_dwValue, sizeof(p_dwValue));
}
} // namespace

TEST_F(CRuleStoreFixture, AFullRuleSetSurvivesSaveAndLoad)
{
    ExpectRoundTrip(*m_p_oStore);
}

TEST_F(CRuleStoreFixture, NoRulesKeyMeansNoRules)
{
    CRuleManager manager(m_oRegistry);
    EXPECT_TRUE(manager.LoadRulesFromRegistry()) << manager.Error().Text();
    EXPECT_TRUE(manager.Rules().empty());
    EXPECT_FALSE(manager.IsError());
}

TEST_F(CRuleStoreFixture, ADamagedEntryFailsTheLoadWithItsReasonAndKeepsTheRulesHeld)
{
    const std::string rule1 = "Software\\Brevolt\\Rules\\Rule1";
    struct CCase
    {
        const char* m_szWhat;
        void (*m_pfnDamage)(Registry&, const std::string&);
        const char* m_szError;
    } const cases[] = {
        {"a value missing",
         [](Registry& s, const std::string& k) { s.DeleteValue(ERegRoot::CurrentUser, k, "SMSLimit"); },
         "Function 'CRegistry::ReadRegistry' failed in 'CMessageRule::Load'."},
        {"a criterion missing",
         [](Registry& s, const std::string& k) { s.DeleteTree(ERegRoot::CurrentUser, k + "\\Body"); },
         "Function 'CRegistry::ReadRegistry' failed in 'CMessageRuleCriterion::Load'."},
        {"a DWORD of two bytes",
         [](Registry& s, const std::string& k) {
             const uint16_t two = 1;
             s.SetValue(ERegRoot::CurrentUser, k, "Enabled", kRegDword, &two, sizeof(two));
         },
         "Invalid or truncated data in 'Software\\Brevolt\\Rules\\Rule1\\Enabled'."},
        {"a name that is a DWORD", [](Registry& s, const std::string& k) { SetDword(s, k, "Name", 7); },
         "Invalid or truncated data in 'Software\\Brevolt\\Rules\\Rule1\\Name'."},
        {"an endless name",
         [](Registry& s, const std::string& k) {
             const std::string name(kMaxRuleNameChars + 1, 'n');
             s.SetValue(ERegRoot::CurrentUser, k, "Name", kRegSz, name.c_str(), name.size() + 1);
         },
         "Invalid or truncated data in 'Software\\Brevolt\\Rules\\Rule1\\Name'."},
        {"endless keywords",
         [](Registry& s, const std::string& k) {
             const std::string data(kMaxRuleKeywordChars + 1, 'k');
             s.SetValue(ERegRoot::CurrentUser, k + "\\To", "TriggerData", kRegSz, data.data(), data.size());
         },
         "Invalid or truncated data in 'Software\\Brevolt\\Rules\\Rule1\\To\\TriggerData'."},
        {"a gap in the numbering",
         [](Registry& s, const std::string& k) {
             s.DeleteTree(ERegRoot::CurrentUser, k);
             SetDword(s, "Software\\Brevolt\\Rules\\Rule7", "Priority", 7);
         },
         "Function 'CRegistry::ReadRegistry' failed in 'CMessageRule::Load'."},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.m_szWhat);
        ClearRules(*m_p_oStore);
        SaveFullSet();
        CRuleManager manager(m_oRegistry);
        CMessageRule held(0);
        held.m_sName = "held";
        manager.SetRules({held});
        c.m_pfnDamage(*m_p_oStore, rule1);
        EXPECT_FALSE(manager.LoadRulesFromRegistry());
        EXPECT_EQ(manager.Error().Text(), c.m_szError);
        ASSERT_EQ(manager.Rules().size(), 1u);
        EXPECT_EQ(manager.Rules()[0].m_sName, "held");
    }
}

TEST_F(CRuleStoreFixture, AStoredPriorityThatDisagreesGivesWayToTheSubkeyNumber)
{
    SaveFullSet();
    SetDword(*m_p_oStore, "Software\\Brevolt\\Rules\\Rule2", "Priority", 9);
    CRuleManager manager(m_oRegistry);
    ASSERT_TRUE(manager.LoadRulesFromRegistry()) << manager.Error().Text();
    ASSERT_EQ(manager.Rules().size(), 3u);
    EXPECT_EQ(manager.Rules()[2].m_iPriority, 2);
    EXPECT_EQ(manager.Rules()[2].m_sName, "Not newsletters");
}

TEST(CRuleList, MovingAndRenumberingKeepEveryRulesData)
{
    const CMessageRuleList original = FullRuleSet();
    CMessageRuleList rules = original;
    EXPECT_FALSE(MoveRuleUp(rules, 0));
    EXPECT_FALSE(MoveRuleDown(rules, 2));
    EXPECT_FALSE(MoveRuleUp(rules, 3));
    ASSERT_TRUE(MoveRuleUp(rules, 2));   // 0 2 1
    ASSERT_TRUE(MoveRuleDown(rules, 0)); // 2 0 1
    RenumberRules(rules);
    const size_t from[] = {2, 0, 1};
    for (size_t i = 0; i < rules.size(); ++i)
    {
        SCOPED_TRACE(rules[i].m_sName);
        EXPECT_EQ(rules[i].m_iPriority, static_cast<int>(i));
        CMessageRule expected = original[from[i]];
        expected.m_iPriority = static_cast<int>(i);
        EXPECT_TRUE(rules[i].SameData(expected));
    }

    // Saved and loaded again, the new order is the stored priority.
    std::unique_ptr<Registry> store = CreateMemoryRegistry();
    CRegistry registry(*store);
    CRuleManager writer(registry);
    writer.SetRules(rules);
    ASSERT_TRUE(writer.SaveRules());
    CRuleManager reader(registry);
    ASSERT_TRUE(reader.LoadRulesFromRegistry());
    const CMessageRuleList loaded = reader.Rules();
    ASSERT_EQ(loaded.size(), 3u);
    for (size_t i = 0; i < loaded.size(); ++i)
        EXPECT_TRUE(loaded[i].SameData(rules[i])) << i;
}
