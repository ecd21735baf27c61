// Addressbook/reminders/message_rule.cpp: CMessageRule and CMessageRuleCriterion: storage, the
// test against one mail, the announcement and the description.
#include "Addressbook/reminders/message_rule.h"

#include "Addressbook/messaging/ansi_text.h"
#include "Addressbook/messaging/sms_length.h"
#include "Addressbook/reminders/rule_messages.h"
#include "Addressbook/res/corvane_strings.h"
#include "common/failure_log.h"
#include "common/trace_log.h"

#include <cstdio>
#include <cstring>

namespace
{
constexpr const char* kCriterionKeys[kRuleFieldCount] = {"From", "To", "Subject", "Body"};
constexpr unsigned kSMSLabels[kRuleFieldCount] = {kMsgRuleSMSFrom, kMsgRuleSMSTo, kMsgRuleWithSubject,
                                                  kMsgRuleWithBody};
constexpr unsigned kDescriptionLabels[kRuleFieldCount] = {kMsgRuleReceivedFrom, kMsgRuleAddressedTo,
                                                          kMsgRuleWithSubject, kMsgRuleWithBody};

constexpr const char* kNameChars = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789;, -+=.@_";
constexpr const char* kNumberChars = "0123456789";

std::string Text(unsigned p_uId)
{
    const char* text = CorvaneStrings().Find(p_uId);
    return text != nullptr ? text : FormatTableMessage(CorvaneStrings(), p_uId);
}

bool OnlyCharsOf(const std::string& p_sText, const char* p_szAllowed)
{
    return p_sText.find_first_not_of(p_szAllowed) == std::string::npos;
}

// The settings side of the rules: typed values with the checks that make stored text safe to use.
class CRuleStore
{
  public:
    CRuleStore(CRegistry& p_oRegistry, std::string p_sKey, CErrorSlot& p_oError, const char* p_szMethod)
        : m_oRegistry(p_oRegistry), m_sKey(std::move(p_sKey)), m_oError(p_oError), m_szMethod(p_szMethod)
    {
    }

    bool WriteDword(const char* p_szName, uint32_t p_dwValue)
    {
        if (m_oRegistry.WriteRegistry(ERegRoot::CurrentUser, m_sKey, p_szName, &p_dwValue, sizeof(p_dwValue),
                                      kRegDword))
            return true;
        return Failed("CRegistry::WriteRegistry", p_szName);
    }
    bool WriteText(const char* p_szName, const std::string& p_sText)
    {
        if (m_oRegistry.WriteRegistry(ERegRoot::CurrentUser, m_sKey, p_szName, p_sText.c_str(), p_sText.size() + 1,
                                      kRegSz))
            return true;
        return Failed("CRegistry::WriteRegistry", p_szName);
    }
    bool ReadDword(const char* p_szName, uint32_t& p_dwValue)
    {
        std::vector<uint8_t> data;
        uint32_t type = 0;
        if (!m_oRegistry.ReadRegistry(ERegRoot::CurrentUser, m_sKey, p_szName, false, data, &type))
            return Failed("CRegistry::ReadRegistry", p_szName);
        if ((type != kRegDword && type != kRegBinary) || data.size() != sizeof(uint32_t))
            return Invalid(p_szName);
        std::memcpy(&p_dwValue, data.data(), sizeof(p_dwValue));
        return true;
    }
    bool ReadFlag(const char* p_szName, bool& p_bValue)
    {
        uint32_t value = 0;
        if (!ReadDword(p_szName, value))
            return false;
        p_bValue = value != 0;
        return true;
    }
    bool ReadText(const char* p_szName, size_t p_nMaxChars, std::string& p_sText)
    {
        std::vector<uint8_t> data;
        uint32_t type = 0;
        if (!m_oRegistry.ReadRegistry(ERegRoot::CurrentUser, m_sKey, p_szName, false, data, &type))
            return Failed("CRegistry::ReadRegistry", p_szName);
        if (type != kRegSz && type != kRegExpandSz)
            return Invalid(p_szName);
        std::string text = TextOfValue(data);
        if (text.size() > p_nMaxChars)
            return Invalid(p_szName);
        p_sText = std::move(text);
        return true;
    }

  private:
    bool Failed(const char* p_szCall, const char* p_szName)
    {
        const uint32_t error = platform::GetLastErrorCode();
        const std::string call = std::string(p_szCall) + "(" + m_sKey + "\\" + p_szName + ")";
        LogCallFailure(m_szMethod, call.c_str(), EResultKind::Win32Error, error);
        m_oError.Set(CorvaneStrings(), kMsgFunctionFailed, p_szCall, m_szMethod);
        return false;
    }
    bool Invalid(const char* p_szName)
    {
        LogFailure(m_szMethod, "%s\\%s has the wrong type or size", m_sKey.c_str(), p_szName);
        const std::string where = m_sKey + "\\" + p_szName;
        m_oError.Set(CorvaneStrings(), kMsgInvalidData, where.c_str());
        return false;
    }

    CRegistry& m_oRegistry;
    std::string m_sKey;
    CErrorSlot& m_oError;
    const char* m_szMethod;
};

// A field part of the announcement: label, " '", value, "', "; nothing for an empty value.
void AppendField(std::string& p_sText, unsigned p_uLabel, const std::string& p_sValue)
{
    if (p_sValue.empty())
        return;
    p_sText += Text(p_uLabel);
    p_sText += " '";
    p_sText += p_sValue;
    p_sText += "', ";
}
} // namespace

std::string RuleKeyName(int p_iNumber)
{
    char name[32];
    std::snprintf(name, sizeof(name), "%s%d", "\\Rule", p_iNumber);
    return std::string(kRulesKey) + name;
}

std::string RuleDisplayNumber(const std::string& p_sCountryCode, const std::string& p_sNumber)
{
    std::string code = p_sCountryCode;
    if (!code.empty() && code[0] == '+')
        code.erase(0, 1);
    std::string national;
    for (char c : p_sNumber)
        if (c != ' ' && c != '(' && c != ')')
            national += c;
    const size_t first = national.find_first_not_of('0');
    national.erase(0, first == std::string::npos ? national.size() : first);
    return "+" + code + national;
}

CMessageRuleCriterion::CMessageRuleCriterion(ERuleField p_eField) : m_eField(p_eField)
{
}

const char* CMessageRuleCriterion::Key() const
{
    return kCriterionKeys[m_eField];
}

void CMessageRuleCriterion::SetTriggerData(const std::string& p_sData)
{
    m_sTriggerData = p_sData;
}

std::vector<std::string> CMessageRuleCriterion::Keywords() const
{
    std::vector<std::string> keywords;
    std::string current;
    for (char c : m_sTriggerData)
    {
        if (c == ';' || c == '\r' || c == '\n')
        {
            // An empty piece would be contained in every field and fire the rule for any mail.
            if (!current.empty())
                keywords.push_back(current);
            current.clear();
        }
        else
            current += c;
    }
    if (!current.empty())
        keywords.push_back(current);
    return keywords;
}

bool CMessageRuleCriterion::Matches(const std::string& p_sField) const
{
    const std::string field = AnsiUpperCase(p_sField);
    bool any = false;
    for (const std::string& keyword : Keywords())
    {
        const std::string upper = AnsiUpperCase(keyword);
        if ((m_dwTriggerCriteria & kCriteriaEquals) != 0)
            any = field == upper;
        else if ((m_dwTriggerCriteria & kCriteriaContains) != 0)
            any = field.find(upper) != std::string::npos;
        if (any)
            break;
    }
    return (m_dwTriggerCriteria & kCriteriaNegate) != 0 ? !any : any;
}

bool CMessageRuleCriterion::Save(CRegistry& p_oRegistry, int p_iRuleNumber)
{
    m_oError.Clear();
    CRuleStore store(p_oRegistry, RuleKeyName(p_iRuleNumber) + "\\" + Key(), m_oError, "CMessageRuleCriterion::Save");
    return store.WriteText("TriggerData", m_sTriggerData) && store.WriteDword("TriggerCriteria", m_dwTriggerCriteria);
}

bool CMessageRuleCriterion::Load(CRegistry& p_oRegistry, int p_iRuleNumber)
{
    m_oError.Clear();
    CRuleStore store(p_oRegistry, RuleKeyName(p_iRuleNumber) + "\\" + Key(), m_oError, "CMessageRuleCriterion::Load");
    std::string data;
    uint32_t criteria = 0;
    if (!store.ReadText("TriggerData", kMaxRuleKeywordChars, data) || !store.ReadDword("TriggerCriteria", criteria))
        return false;
    m_sTriggerData = std::move(data);
    m_dwTriggerCriteria = criteria;
    return true;
}

CMessageRule::CMessageRule(int p_iPriority)
    : m_iPriority(p_iPriority), m_sName(FormatTableMessage(CorvaneStrings(), kMsgRuleDefaultName, p_iPriority)),
      m_dwTriggerAction(kRuleActionSender | kRuleActionSubject), m_dwSMSLimit(1), m_bEnabled(true),
      m_bTriggerAlways(false), m_bContinueProcessing(true),
      m_bSendToMe(true), m_aCriteria{CMessageRuleCriterion(kRuleFieldFrom), CMessageRuleCriterion(kRuleFieldTo),
                                     CMessageRuleCriterion(kRuleFieldSubject), CMessageRuleCriterion(kRuleFieldBody)}
{
}

bool CMessageRule::SameData(const CMessageRule& p_oOther) const
{
    return m_iPriority == p_oOther.m_iPriority && m_sName == p_oOther.m_sName &&
           m_dwTriggerAction == p_oOther.m_dwTriggerAction && m_dwSMSLimit == p_oOther.m_dwSMSLimit &&
           m_bEnabled == p_oOther.m_bEnabled && m_bTriggerAlways == p_oOther.m_bTriggerAlways &&
           m_bContinueProcessing == p_oOther.m_bContinueProcessing && m_bSendToMe == p_oOther.m_bSendToMe &&
           m_sRecipientNumber == p_oOther.m_sRecipientNumber && m_sRecipientNumberCC == p_oOther.m_sRecipientNumberCC &&
           m_aCriteria == p_oOther.m_aCriteria;
}

bool CMessageRule::Save(CRegistry& p_oRegistry)
{
    m_oError.Clear();
    CRuleStore store(p_oRegistry, RuleKeyName(m_iPriority), m_oError, "CMessageRule::Save");
    const bool saved = store.WriteDword("Priority", static_cast<uint32_t>(m_iPriority)) &&
                       store.WriteText("Name", m_sName) && store.WriteDword("TriggerAction", m_dwTriggerAction) &&
                       store.WriteDword("SMSLimit", m_dwSMSLimit) && store.WriteDword("Enabled", m_bEnabled ? 1 : 0) &&
                       store.WriteDword("TriggerAlways", m_bTriggerAlways ? 1 : 0) &&
                       store.WriteDword("ContinueProcessing", m_bContinueProcessing ? 1 : 0) &&
                       store.WriteDword("SendToMe", m_bSendToMe ? 1 : 0) &&
                       store.WriteText("RecipientNumber", m_sRecipientNumber) &&
                       store.WriteText("RecipientNumberCC", m_sRecipientNumberCC);
    if (!saved)
        return false;
    for (CMessageRuleCriterion& criterion : m_aCriteria)
    {
        if (!criterion.Save(p_oRegistry, m_iPriority))
        {
            m_oError.CopyFrom(criterion.Error());
            return false;
        }
    }
    return true;
}

bool CMessageRule::Load(CRegistry& p_oRegistry, int p_iNumber)
{
    m_oError.Clear();
    CRuleStore store(p_oRegistry, RuleKeyName(p_iNumber), m_oError, "CMessageRule::Load");
    // Read into a fresh rule so that a value that fails half-way leaves this one as it was.
    CMessageRule loaded(p_iNumber);
    uint32_t priority = 0;
    const bool read =
        store.ReadDword("Priority", priority) && store.ReadText("Name", kMaxRuleNameChars, loaded.m_sName) &&
        store.ReadDword("TriggerAction", loaded.m_dwTriggerAction) &&
        store.ReadDword("SMSLimit", loaded.m_dwSMSLimit) && store.ReadFlag("Enabled", loaded.m_bEnabled) &&
        store.ReadFlag("TriggerAlways", loaded.m_bTriggerAlways) &&
        store.ReadFlag("ContinueProcessing", loaded.m_bContinueProcessing) &&
        store.ReadFlag("SendToMe", loaded.m_bSendToMe) &&
        store.ReadText("RecipientNumber", kMaxRuleNumberChars, loaded.m_sRecipientNumber) &&
        store.ReadText("RecipientNumberCC", kMaxRuleNumberChars, loaded.m_sRecipientNumberCC);
    if (!read)
        return false;
    for (CMessageRuleCriterion& criterion : loaded.m_aCriteria)
    {
        if (!criterion.Load(p_oRegistry, p_iNumber))
        {
            m_oError.CopyFrom(criterion.Error());
            return false;
        }
    }
    // The subkey number is the rule's place in the list; a "Priority" that disagrees is stale.
    if (priority != static_cast<uint32_t>(p_iNumber))
        Log("CMessageRule::Load: Rule%d holds Priority %u, taken as %d", p_iNumber, priority, p_iNumber);
    loaded.m_iPriority = p_iNumber;
    loaded.m_oError.Clear();
    *this = std::move(loaded);
    return true;
}

size_t CMessageRule::CharacterLimit() const
{
    // A limit of 0 is what an old or hand-made entry may hold: it still gets its one SMS.
    const uint32_t limit = m_dwSMSLimit == 0 ? 1 : m_dwSMSLimit;
    return static_cast<size_t>(SMSCapacity(limit));
}

std::string CMessageRule::BuildSMSText(const CRuleMail& p_oMail, const CRuleContext& p_oContext) const
{
    std::string text = m_bSendToMe ? Text(kMsgRuleYouve) : p_oContext.m_sUserName;
    text += Text(kMsgRuleReceivedAnEmail);
    if ((m_dwTriggerAction & kRuleActionSender) != 0)
        AppendField(text, kSMSLabels[kRuleFieldFrom], p_oMail.m_sFrom);
    if ((m_dwTriggerAction & kRuleActionRecipients) != 0)
        AppendField(text, kSMSLabels[kRuleFieldTo], p_oMail.m_sTo);
    if ((m_dwTriggerAction & kRuleActionSubject) != 0)
        AppendField(text, kSMSLabels[kRuleFieldSubject], p_oMail.m_sSubject);
    if ((m_dwTriggerAction & kRuleActionTime) != 0)
    {
        const CTraceTime& t = p_oContext.m_oReceived;
        text += Text(kMsgRuleOn);
        text += FormatTableMessage(CorvaneStrings(), kMsgRuleTimeFormat, t.m_iMonth, t.m_iDay, t.m_iYear, t.m_iHour,
                                   t.m_iMinute, t.m_iSecond);
        text += ", ";
    }
    if ((m_dwTriggerAction & kRuleActionBody) != 0)
        AppendField(text, kSMSLabels[kRuleFieldBody], p_oMail.m_sBody);
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, ", ") == 0)
        text.resize(text.size() - 2);
    if (text.size() > CharacterLimit())
        text.resize(CharacterLimit());
    return text;
}

bool CMessageRule::Match(const CRuleMail& p_oMail, const CRuleContext& p_oContext, bool& p_bFired,
                         CRuleOutcome& p_oOutcome)
{
    m_oError.Clear();
    p_bFired = false;
    // The gateway's own SMS replies must not set off rules, or every reply would announce itself.
    if (!p_oContext.m_sReplySender.empty() &&
        AnsiUpperCase(p_oMail.m_sFrom).find(AnsiUpperCase(p_oContext.m_sReplySender)) != std::string::npos)
        return true;

    if (!m_bTriggerAlways)
    {
        const std::string* fields[kRuleFieldCount] = {&p_oMail.m_sFrom, &p_oMail.m_sTo, &p_oMail.m_sSubject,
                                                      &p_oMail.m_sBody};
        bool tested = false;
        for (const CMessageRuleCriterion& criterion : m_aCriteria)
        {
            if (criterion.IsEmpty())
                continue;
            tested = true;
            if (!criterion.Matches(*fields[criterion.Field()]))
                return true;
        }
        if (!tested)
            return true;
    }

    CRuleOutcome outcome;
    outcome.m_bContinue = m_bContinueProcessing;
    outcome.m_bSendToMe = m_bSendToMe;
    if (!m_bSendToMe)
    {
        std::string code = m_sRecipientNumberCC;
        if (!code.empty() && code[0] == '+')
            code.erase(0, 1);
        std::string national = m_sRecipientNumber;
        if (!national.empty() && national[0] == '0')
            national.erase(0, 1);
        char number[2 * kMaxRuleNumberChars + 2];
        std::snprintf(number, sizeof(number), "%s%s", code.c_str(), national.c_str());
        outcome.m_sNumber = number;
        // An SMS to nobody would be lost at the gateway while the user believes it was sent.
        if (national.empty())
        {
            Log("CMessageRule::Match: rule '%s' fired but has no number to send to", m_sName.c_str());
            m_oError.Set(CorvaneStrings(), kMsgIncorrectArguments, "CMessageRule::Match");
            return false;
        }
    }
    outcome.m_sSMSText = BuildSMSText(p_oMail, p_oContext);
    p_oOutcome = std::move(outcome);
    p_bFired = true;
    Log("CMessageRule::Match: rule '%s' fired", m_sName.c_str());
    return true;
}

std::string CMessageRule::GetDescription() const
{
    std::string text = Text(kMsgRuleFiresWhen);
    if (m_bTriggerAlways)
        text += Text(kMsgRuleFromAnyone);
    else
    {
        std::vector<const CMessageRuleCriterion*> used;
        for (const CMessageRuleCriterion& criterion : m_aCriteria)
            if (!criterion.IsEmpty())
                used.push_back(&criterion);
        for (size_t i = 0; i < used.size(); ++i)
        {
            text += Text(kDescriptionLabels[used[i]->Field()]);
            text += " '";
            text += used[i]->TriggerData();
            const size_t following = used.size() - i - 1;
            // Every criterion must match for the rule to fire, so the last two are joined by "and".
            text += following >= 2 ? "', " : following == 1 ? "' and " : "'";
        }
    }

    const std::string whom =
        m_bSendToMe ? Text(kMsgRuleYou) : RuleDisplayNumber(m_sRecipientNumberCC, m_sRecipientNumber);
    text += FormatTableMessage(CorvaneStrings(), kMsgRuleWhenThisHappens, whom.c_str());

    const std::pair<uint32_t, unsigned> parts[] = {
        {kRuleActionSender, kMsgRulePartSender},   {kRuleActionRecipients, kMsgRulePartRecipients},
        {kRuleActionSubject, kMsgRulePartSubject}, {kRuleActionBody, kMsgRulePartBody},
        {kRuleActionTime, kMsgRulePartTime},
    };
    std::vector<std::string> selected;
    for (const auto& [bit, id] : parts)
        if ((m_dwTriggerAction & bit) != 0)
            selected.push_back(Text(id));
    for (size_t i = 0; i < selected.size(); ++i)
    {
        if (i > 0)
            text += i + 1 == selected.size() ? " and " : ", ";
        text += selected[i];
    }
    text += ". ";

    const int limit = static_cast<int>(m_dwSMSLimit);
    text += FormatTableMessage(CorvaneStrings(), m_dwSMSLimit <= 1 ? kMsgRuleLimitOne : kMsgRuleLimitMany, limit);
    if (!m_bContinueProcessing)
        text += Text(kMsgRuleNoFurtherRules);
    return text;
}

bool CMessageRule::ValidateFields(const CRuleEditorFields& p_oFields, CRuleFieldProblem& p_oProblem)
{
    p_oProblem = CRuleFieldProblem();
    if (p_oFields.m_sName.empty())
    {
        p_oProblem = {kMsgRuleMissingName, kMsgRuleMissingNameText, CRuleFieldProblem::kName, -1};
        return false;
    }
    if (!OnlyCharsOf(p_oFields.m_sName, kNameChars))
    {
        p_oProblem = {kMsgRuleInvalidChars, kMsgRuleInvalidCharsText, CRuleFieldProblem::kName, -1};
        return false;
    }
    bool anyKeyword = false;
    for (int i = 0; i < kRuleFieldCount; ++i)
    {
        const std::string& keywords = p_oFields.m_asKeywords[static_cast<size_t>(i)];
        if (!OnlyCharsOf(keywords, kNameChars))
        {
            p_oProblem = {kMsgRuleInvalidChars, kMsgRuleInvalidCharsText, CRuleFieldProblem::kKeyword, i};
            return false;
        }
        CMessageRuleCriterion criterion;
        criterion.SetTriggerData(keywords);
        anyKeyword = anyKeyword || !criterion.Keywords().empty();
    }
    if (!p_oFields.m_bSendToMe)
    {
        if (p_oFields.m_sRecipientNumber.empty())
        {
            p_oProblem = {kMsgRuleMissingNumber, kMsgRuleMissingNumberText, CRuleFieldProblem::kNumber, -1};
            return false;
        }
        if (!OnlyCharsOf(p_oFields.m_sRecipientNumber, kNumberChars))
        {
            p_oProblem = {kMsgRuleInvalidNumber, kMsgRuleInvalidNumberText, CRuleFieldProblem::kNumber, -1};
            return false;
        }
    }
    if (!anyKeyword && !p_oFields.m_bTriggerAlways)
    {
        p_oProblem = {kMsgRuleEmpty, kMsgRuleEmptyText, CRuleFieldProblem::kKeyword, 0};
        return false;
    }
    if ((p_oFields.m_dwTriggerAction & kRuleActionAll) == 0)
    {
        p_oProblem = {kMsgRuleNothingToSend, kMsgRuleNoContentText, CRuleFieldProblem::kTriggerAction, -1};
        return false;
    }
    return true;
}
