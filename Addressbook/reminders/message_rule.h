// Addressbook/reminders/message_rule.h: one e-mail notification rule and its four criteria, as the
// settings store keeps them under Software\Brevolt\Rules\Rule%d.
#pragma once

#include "common/error_slot.h"
#include "common/platform.h"
#include "common/settings.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// "TriggerAction": the parts of the e-mail the SMS announces.
constexpr uint32_t kRuleActionSender = 0x01;
constexpr uint32_t kRuleActionRecipients = 0x02;
constexpr uint32_t kRuleActionSubject = 0x04;
constexpr uint32_t kRuleActionBody = 0x08;
constexpr uint32_t kRuleActionTime = 0x10;
constexpr uint32_t kRuleActionAll = 0x1F;

// "TriggerCriteria": how a keyword meets its field.
constexpr uint32_t kCriteriaContains = 0x01;
constexpr uint32_t kCriteriaEquals = 0x02;
constexpr uint32_t kCriteriaNegate = 0x04; // the criterion matches when no keyword does
constexpr uint32_t kCriteriaEditorDefault = kCriteriaContains;

// Texts read back from the settings are refused beyond these lengths.
constexpr size_t kMaxRuleNameChars = 255;
constexpr size_t kMaxRuleKeywordChars = 4096;
constexpr size_t kMaxRuleNumberChars = 64;
// The editor offers limits of 1 to this many SMS.
constexpr uint32_t kMaxRuleSMSLimit = 10;

// The e-mail fields, in the order the criteria are tested and described.
enum ERuleField
{
    kRuleFieldFrom = 0,
    kRuleFieldTo,
    kRuleFieldSubject,
    kRuleFieldBody,
    kRuleFieldCount
};

// The fields of one arriving e-mail, as the mailbox watchers hand them over.
struct CRuleMail
{
    std::string m_sFrom;
    std::string m_sTo;
    std::string m_sSubject;
    std::string m_sBody;
};

// What the test of a rule needs besides the mail.
struct CRuleContext
{
    std::string m_sReplySender; // the gateway's SMS-reply sender address
    std::string m_sUserName;    // the "Name" setting, for SMS that go to someone else
    CTraceTime m_oReceived;     // local time of receipt
};

// What a rule that fired asks for.
struct CRuleOutcome
{
    bool m_bContinue = false;
    std::string m_sSMSText;
    bool m_bSendToMe = true;
    std::string m_sNumber; // country code and national number, digits only; empty when to the user
};

// Subkey of a rule: "Software\Brevolt\Rules\Rule%d".
std::string RuleKeyName(int p_iNumber);
// "+" country code and the national number without leading zeros, blanks and brackets.
std::string RuleDisplayNumber(const std::string& p_sCountryCode, const std::string& p_sNumber);

class CMessageRuleCriterion
{
  public:
    explicit CMessageRuleCriterion(ERuleField p_eField = kRuleFieldFrom);

    ERuleField Field() const
    {
        return m_eField;
    }
    // "From", "To", "Subject" or "Body".
    const char* Key() const;
    const std::string& TriggerData() const
    {
        return m_sTriggerData;
    }
    void SetTriggerData(const std::string& p_sData);
    uint32_t TriggerCriteria() const
    {
        return m_dwTriggerCriteria;
    }
    void SetTriggerCriteria(uint32_t p_dwCriteria)
    {
        m_dwTriggerCriteria = p_dwCriteria;
    }
    bool IsEmpty() const
    {
        return m_sTriggerData.empty();
    }
    // The keywords, split at ";" and line breaks; empty pieces are no keywords.
    std::vector<std::string> Keywords() const;
    // Any keyword meets the field (upper-cased on both sides), by the "TriggerCriteria" bits.
    bool Matches(const std::string& p_sField) const;

    // Under "%s\Rule%d\%s" (rules key, rule number, key).
    [[nodiscard]] bool Save(CRegistry& p_oRegistry, int p_iRuleNumber);
    [[nodiscard]] bool Load(CRegistry& p_oRegistry, int p_iRuleNumber);
    const CErrorSlot& Error() const
    {
        return m_oError;
    }

    bool operator==(const CMessageRuleCriterion& p_oOther) const
    {
        return m_eField == p_oOther.m_eField && m_sTriggerData == p_oOther.m_sTriggerData &&
               m_dwTriggerCriteria == p_oOther.m_dwTriggerCriteria;
    }

  private:
    ERuleField m_eField;
    std::string m_sTriggerData;
    uint32_t m_dwTriggerCriteria = kCriteriaEditorDefault;
    CErrorSlot m_oError;
};

// The fields of the rule editor, checked before they become a rule.
struct CRuleEditorFields
{
    std::string m_sName;
    std::array<std::string, kRuleFieldCount> m_asKeywords;
    bool m_bTriggerAlways = false;
    uint32_t m_dwTriggerAction = 0;
    bool m_bSendToMe = true;
    std::string m_sRecipientNumber;
};

// Why ValidateFields refused: a caption, a text and the field to go back to.
struct CRuleFieldProblem
{
    enum EField
    {
        kNone,
        kName,
        kKeyword, // m_iKeyword says which
        kNumber,
        kTriggerAction,
    };
    unsigned m_uCaptionId = 0;
    unsigned m_uTextId = 0;
    EField m_eField = kNone;
    int m_iKeyword = -1;
};

class CMessageRule
{
  public:
    // A new rule: enabled, announcing sender and subject in one SMS to the user, named
    // "Inbox Rule %d" with its priority.
    explicit CMessageRule(int p_iPriority = 0);

    [[nodiscard]] bool Save(CRegistry& p_oRegistry);
    // Reads the rule stored as "Rule%d"; it takes that number as its priority.
    [[nodiscard]] bool Load(CRegistry& p_oRegistry, int p_iNumber);
    const CErrorSlot& Error() const
    {
        return m_oError;
    }

    // Tests the rule against a mail. False only when the rule cannot be tested (its error says why).
    [[nodiscard]] bool Match(const CRuleMail& p_oMail, const CRuleContext& p_oContext, bool& p_bFired,
                             CRuleOutcome& p_oOutcome);
    // The announcement for a mail, cut to the rule's SMS limit.
    std::string BuildSMSText(const CRuleMail& p_oMail, const CRuleContext& p_oContext) const;
    // Characters the announcement may fill.
    size_t CharacterLimit() const;
    std::string GetDescription() const;

    // Checks the editor's fields; false with the problem filled in.
    [[nodiscard]] static bool ValidateFields(const CRuleEditorFields& p_oFields, CRuleFieldProblem& p_oProblem);

    int m_iPriority;
    std::string m_sName;
    uint32_t m_dwTriggerAction;
    uint32_t m_dwSMSLimit;
    bool m_bEnabled;
    bool m_bTriggerAlways;
    bool m_bContinueProcessing;
    bool m_bSendToMe;
    std::string m_sRecipientNumber;
    std::string m_sRecipientNumberCC;
    std::array<CMessageRuleCriterion, kRuleFieldCount> m_aCriteria;

    // Same stored data, whatever the error slots hold.
    bool SameData(const CMessageRule& p_oOther) const;

  private:
    CErrorSlot m_oError;
};
