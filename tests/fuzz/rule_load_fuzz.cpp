// tests/fuzz/rule_load_fuzz.cpp: notification rules read back from a settings store filled with
// arbitrary values: loading, matching, describing and saving them again must stay in bounds, and
// what loads must save and load to the same rules.
#include "Addressbook/reminders/rule_manager.h"

#include <cstdio>
#include <memory>

namespace
{
const char* const kValueNames[] = {
    "Priority",           "Name",     "TriggerAction",   "SMSLimit",          "Enabled",     "TriggerAlways",
    "ContinueProcessing", "SendToMe", "RecipientNumber", "RecipientNumberCC", "TriggerData", "TriggerCriteria"};
const char* const kSubkeys[] = {"", "\\From", "\\To", "\\Subject", "\\Body"};
const uint32_t kTypes[] = {kRegSz, kRegDword, kRegBinary, kRegExpandSz};

CTraceTime FixedTime()
{
    return CTraceTime{2026, 12, 8, 11, 30, 0, 0};
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    std::unique_ptr<Registry> store = CreateMemoryRegistry();
    CRegistry registry(*store);
    {
        // Two sound rules to start from, so that most inputs damage a rule rather than build one.
        CRuleManager seed(registry);
        CMessageRule second(1);
        second.m_aCriteria[kRuleFieldSubject].SetTriggerData("subj;x");
        seed.SetRules({CMessageRule(0), second});
        if (!seed.SaveRules())
            __builtin_trap();
    }
    // Records of: rule number, value, subkey, type, length, bytes.
    size_t at = 0;
    while (at + 5 <= p_nSize)
    {
        const int rule = p_pData[at] % 4;
        const char* name = kValueNames[p_pData[at + 1] % std::size(kValueNames)];
        const char* subkey = kSubkeys[p_pData[at + 2] % std::size(kSubkeys)];
        const uint32_t type = kTypes[p_pData[at + 3] % std::size(kTypes)];
        size_t length = p_pData[at + 4];
        at += 5;
        if (length > p_nSize - at)
            length = p_nSize - at;
        const std::string key = RuleKeyName(rule) + subkey;
        store->SetValue(ERegRoot::CurrentUser, key, name, type, p_pData + at, length);
        at += length;
    }

    CRuleManager manager(registry, &FixedTime);
    if (!manager.LoadRulesFromRegistry())
        return 0;
    const CMessageRuleList rules = manager.Rules();
    for (const CMessageRule& rule : rules)
    {
        (void)rule.GetDescription();
        if (rule.BuildSMSText({"a@example.com", "b@example.com", "subject", "body"}, {"", "Jane", FixedTime()}).size() >
            rule.CharacterLimit())
            __builtin_trap();
    }
    bool keepGoing = false;
    for (size_t i = 0; i <= rules.size(); ++i)
    {
        bool fired = false, toMe = false;
        std::string text, number;
        if (!manager.Match("a@example.com", "b@example.com", "subject", "body", keepGoing, fired, text, toMe, number) ||
            !keepGoing)
            break;
    }

    if (!manager.SaveRules())
        __builtin_trap();
    CRuleManager again(registry, &FixedTime);
    if (!again.LoadRulesFromRegistry())
        __builtin_trap();
    const CMessageRuleList reloaded = again.Rules();
    if (reloaded.size() != rules.size())
        __builtin_trap();
    for (size_t i = 0; i < rules.size(); ++i)
        if (!reloaded[i].SameData(rules[i]))
            __builtin_trap();
    return 0;
}
