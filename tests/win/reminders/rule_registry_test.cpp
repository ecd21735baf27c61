// tests/win/reminders/rule_registry_test.cpp: the rules' round trip through the real registry.
#include "tests/unit/reminders/rule_set_cases.h"

#include <gtest/gtest.h>

TEST(RulesInTheRegistry, AFullRuleSetSurvivesSaveAndLoad)
{
    ExpectRoundTrip(SystemRegistry());
}

TEST(RulesInTheRegistry, ARuleEntryOfTheWrongTypeIsRefusedNotTrusted)
{
    Registry& store = SystemRegistry();
    ClearRules(store);
    CRegistry registry(store);
    CRuleManager writer(registry);
    writer.SetRules(FullRuleSet());
    ASSERT_TRUE(writer.SaveRules()) << writer.Error().Text();
    const char text[] = "1";
    ASSERT_EQ(store.SetValue(ERegRoot::CurrentUser, "Software\\Brevolt\\Rules\\Rule0", "SMSLimit", kRegSz, text,
                             sizeof(text)),
              kErrorSuccess);
    CRuleManager reader(registry);
    EXPECT_FALSE(reader.LoadRulesFromRegistry());
    EXPECT_EQ(reader.Error().Text(), "Invalid or truncated data in 'Software\\Brevolt\\Rules\\Rule0\\SMSLimit'.");
    ClearRules(store);
}
