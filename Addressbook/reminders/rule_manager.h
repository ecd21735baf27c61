// Addressbook/reminders/rule_manager.h: the user's notification rules in priority order, and the
// matching loop the mailbox watchers run for every new mail.
#pragma once

#include "Addressbook/reminders/message_rule.h"
#include "common/clock.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

using CMessageRuleList = std::vector<CMessageRule>;

// Moves within a list being edited; false when the rule is already at that end or out of range.
[[nodiscard]] bool MoveRuleUp(CMessageRuleList& p_oRules, size_t p_nIndex);
[[nodiscard]] bool MoveRuleDown(CMessageRuleList& p_oRules, size_t p_nIndex);
// Makes the list order the priority: 0, 1, ... in list order.
void RenumberRules(CMessageRuleList& p_oRules);

class CRuleManager
{
  public:
    explicit CRuleManager(CRegistry& p_oRegistry, LocalClock p_fnClock = &LocalTimeNow);
    CRuleManager(const CRuleManager&) = delete;
    CRuleManager& operator=(const CRuleManager&) = delete;

    // Replaces the rules by those stored as Rule0 .. Rule(count - 1). On failure the manager's error
    // says why and the rules it had are kept.
    [[nodiscard]] bool LoadRulesFromRegistry();
    // Renumbers the rules in list order, saves each and removes stored rules beyond the last.
    [[nodiscard]] bool SaveRules();

    // One step of the matching loop for a mail. p_bContinue comes in cleared for the first call
    // of a mail and goes out set when later rules are still to be checked; p_bFired says whether
    // a rule fired in this call, and the outcome what it asks for. False when a rule could not
    // be tested: the whole mail is then left alone.
    [[nodiscard]] bool Match(const std::string& p_sFrom, const std::string& p_sTo, const std::string& p_sSubject,
                             const std::string& p_sBody, bool& p_bContinue, bool& p_bFired, std::string& p_sSMSText,
                             bool& p_bSendToMe, std::string& p_sNumber);

    // The whole loop for one mail, as the mailbox watchers run it: every SMS the rules that fire ask
    // for, in priority order. False, with nothing collected, when a rule could not be tested.
    [[nodiscard]] bool CollectAnnouncements(const CRuleMail& p_oMail, std::vector<CRuleOutcome>& p_vOutcomes);

    // A copy of the rules, for a dialog to edit.
    CMessageRuleList Rules() const;
    void SetRules(CMessageRuleList p_oRules);

    const CErrorSlot& Error() const
    {
        return m_oError;
    }
    bool IsError() const
    {
        return m_oError.IsSet();
    }
    CRegistry& Settings()
    {
        return m_oRegistry;
    }

  private:
    CRegistry& m_oRegistry;
    LocalClock m_fnClock;
    // The mailbox watchers match on their threads while the dialog edits on the host's.
    mutable std::mutex m_oMutex;
    std::unique_ptr<CMessageRuleList> m_p_mrlRules;
    size_t m_nCursor = 0;
    CErrorSlot m_oError;
};
