// Addressbook/reminders/rule_manager.cpp: CRuleManager.
#include "Addressbook/reminders/rule_manager.h"

#include "Addressbook/messaging/gateway_config.h"
#include "Addressbook/res/corvane_strings.h"
#include "common/failure_log.h"
#include "common/trace_log.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>

namespace
{
constexpr const char* kRulePrefix = "Rule";
constexpr const char* kUserNameValue = "Name";

// The number of a "Rule%d" subkey; -1 for any other name.
int RuleNumberOf(const std::string& p_sName)
{
    if (p_sName.size() <= 4 || p_sName.size() > 14)
        return -1;
    for (size_t i = 0; i < 4; ++i)
        if (std::toupper(static_cast<unsigned char>(p_sName[i])) !=
            std::toupper(static_cast<unsigned char>(kRulePrefix[i])))
            return -1;
    long long value = 0;
    for (size_t i = 4; i < p_sName.size(); ++i)
    {
        if (p_sName[i] < '0' || p_sName[i] > '9')
            return -1;
        value = value * 10 + (p_sName[i] - '0');
    }
    return value > 0x7FFFFFFF ? -1 : static_cast<int>(value);
}
} // namespace

bool MoveRuleUp(CMessageRuleList& p_oRules, size_t p_nIndex)
{
    if (p_nIndex == 0 || p_nIndex >= p_oRules.size())
        return false;
    std::swap(p_oRules[p_nIndex - 1], p_oRules[p_nIndex]);
    return true;
}

bool MoveRuleDown(CMessageRuleList& p_oRules, size_t p_nIndex)
{
    if (p_nIndex + 1 >= p_oRules.size())
        return false;
    std::swap(p_oRules[p_nIndex], p_oRules[p_nIndex + 1]);
    return true;
}

void RenumberRules(CMessageRuleList& p_oRules)
{
    for (size_t i = 0; i < p_oRules.size(); ++i)
        p_oRules[i].m_iPriority = static_cast<int>(i);
}

CRuleManager::CRuleManager(CRegistry& p_oRegistry, LocalClock p_fnClock)
    : m_oRegistry(p_oRegistry), m_fnClock(std::move(p_fnClock)), m_p_mrlRules(std::make_unique<CMessageRuleList>())
{
}

bool CRuleManager::LoadRulesFromRegistry()
{
    std::lock_guard<std::mutex> lock(m_oMutex);
    m_oError.Clear();
    ::Registry& store = m_oRegistry.Store();
    uint32_t result = store.OpenKey(ERegRoot::CurrentUser, kRulesKey);
    if (result == kErrorFileNotFound)
    {
        // A user who never made a rule has no key yet.
        m_p_mrlRules->clear();
        m_nCursor = 0;
        return true;
    }
    if (result != kErrorSuccess)
    {
        LogCallFailure(__PRETTY_FUNCTION__, "RegOpenKeyEx", EResultKind::Win32Error, result);
        m_oError.Set(CorvaneStrings(), kMsgApiError, "RegOpenKeyEx", static_cast<long>(result),
                     "CRuleManager::LoadRulesFromRegistry");
        return false;
    }
    std::vector<std::string> subkeys;
    result = store.EnumSubkeys(ERegRoot::CurrentUser, kRulesKey, subkeys);
    if (result != kErrorSuccess)
    {
        LogCallFailure(__PRETTY_FUNCTION__, "RegQueryInfoKey", EResultKind::Win32Error, result);
        m_oError.Set(CorvaneStrings(), kMsgApiError, "RegQueryInfoKey", static_cast<long>(result),
                     "CRuleManager::LoadRulesFromRegistry");
        return false;
    }
    auto loaded = std::make_unique<CMessageRuleList>();
    const int count = static_cast<int>(std::min<size_t>(subkeys.size(), 0x7FFFFFFF));
    for (int number = 0; number < count; ++number)
    {
        CMessageRule rule(number);
        if (!rule.Load(m_oRegistry, number))
        {
            LOG_FAILURE("Rule%d: %s", number, rule.Error().Text().c_str());
            m_oError.CopyFrom(rule.Error());
            return false;
        }
        loaded->push_back(std::move(rule));
    }
    Log("CRuleManager::LoadRulesFromRegistry: %d rules", count);
    m_p_mrlRules = std::move(loaded);
    m_nCursor = 0;
    return true;
}

bool CRuleManager::SaveRules()
{
    std::lock_guard<std::mutex> lock(m_oMutex);
    m_oError.Clear();
    RenumberRules(*m_p_mrlRules);
    for (CMessageRule& rule : *m_p_mrlRules)
    {
        if (!rule.Save(m_oRegistry))
        {
            LOG_FAILURE("Rule%d: %s", rule.m_iPriority, rule.Error().Text().c_str());
            m_oError.CopyFrom(rule.Error());
            return false;
        }
    }
    // Loading counts the subkeys, so a deleted rule's key left behind would bring a rule back.
    // Removed only now, once every kept rule is safely written.
    std::vector<std::string> subkeys;
    ::Registry& store = m_oRegistry.Store();
    if (store.EnumSubkeys(ERegRoot::CurrentUser, kRulesKey, subkeys) == kErrorSuccess)
    {
        for (const std::string& name : subkeys)
        {
            const int number = RuleNumberOf(name);
            if (number >= 0 && static_cast<size_t>(number) < m_p_mrlRules->size() &&
                name.compare(4, std::string::npos, std::to_string(number)) == 0)
                continue;
            const uint32_t result = store.DeleteTree(ERegRoot::CurrentUser, std::string(kRulesKey) + "\\" + name);
            // Gone is what was wanted, however the registry words it.
            if (result != kErrorSuccess && result != kErrorFileNotFound)
            {
                const std::string call = "RegDeleteKey(" + name + ")";
                LogCallFailure(__PRETTY_FUNCTION__, call.c_str(), EResultKind::Win32Error, result);
                m_oError.Set(CorvaneStrings(), kMsgApiError, "RegDeleteKey", static_cast<long>(result),
                             "CRuleManager::SaveRules");
                return false;
            }
        }
    }
    Log("CRuleManager::SaveRules: %u rules", static_cast<unsigned>(m_p_mrlRules->size()));
    return true;
}

bool CRuleManager::Match(const std::string& p_sFrom, const std::string& p_sTo, const std::string& p_sSubject,
                         const std::string& p_sBody, bool& p_bContinue, bool& p_bFired, std::string& p_sSMSText,
                         bool& p_bSendToMe, std::string& p_sNumber)
{
    std::lock_guard<std::mutex> lock(m_oMutex);
    if (!p_bContinue)
        m_nCursor = 0;
    p_bFired = false;
    p_bContinue = false;
    m_oError.Clear();

    const CRuleMail mail{p_sFrom, p_sTo, p_sSubject, p_sBody};
    CRuleContext context;
    context.m_sReplySender = ReadGatewayConfig(m_oRegistry).m_sReplySender;
    context.m_sUserName = m_oRegistry.ReadUserText(kUserNameValue);
    context.m_oReceived = m_fnClock();

    CMessageRuleList& rules = *m_p_mrlRules;
    while (m_nCursor < rules.size())
    {
        CMessageRule& rule = rules[m_nCursor];
        ++m_nCursor;
        if (!rule.m_bEnabled)
            continue;
        bool fired = false;
        CRuleOutcome outcome;
        if (!rule.Match(mail, context, fired, outcome))
        {
            m_oError.CopyFrom(rule.Error());
            return false;
        }
        if (fired)
        {
            p_bFired = true;
            p_bContinue = outcome.m_bContinue;
            p_sSMSText = std::move(outcome.m_sSMSText);
            p_bSendToMe = outcome.m_bSendToMe;
            p_sNumber = std::move(outcome.m_sNumber);
            return true;
        }
    }
    return true;
}

bool CRuleManager::CollectAnnouncements(const CRuleMail& p_oMail, std::vector<CRuleOutcome>& p_vOutcomes)
{
    p_vOutcomes.clear();
    bool keepGoing = false;
    // Each call moves the cursor on by at least one rule, so the loop ends.
    do
    {
        CRuleOutcome outcome;
        bool fired = false;
        if (!Match(p_oMail.m_sFrom, p_oMail.m_sTo, p_oMail.m_sSubject, p_oMail.m_sBody, keepGoing, fired,
                   outcome.m_sSMSText, outcome.m_bSendToMe, outcome.m_sNumber))
        {
            p_vOutcomes.clear();
            return false;
        }
        if (fired)
        {
            outcome.m_bContinue = keepGoing;
            p_vOutcomes.push_back(std::move(outcome));
        }
    } while (keepGoing);
    return true;
}

CMessageRuleList CRuleManager::Rules() const
{
    std::lock_guard<std::mutex> lock(m_oMutex);
    return *m_p_mrlRules;
}

void CRuleManager::SetRules(CMessageRuleList p_oRules)
{
    std::lock_guard<std::mutex> lock(m_oMutex);
    *m_p_mrlRules = std::move(p_oRules);
    m_nCursor = 0;
}
