// Addressbook/newmail/new_mail.h: what happens to a newly arrived mail, whichever mail client it
// came through: a gateway reply is classified and an upgrade notice applied (the notice is then
// deleted), every other mail is offered to the notification rules and the SMS of the rules that
// fire leave as one bulk job. The mail client's side reads the message through INewMailMessage.
#pragma once

#include "Addressbook/include/corvane_records.h"
#include "Addressbook/messaging/mail_documents.h"
#include "Addressbook/newmail/upgrade_notice.h"
#include "Addressbook/reminders/message_rule.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class CRuleManager;

// The envelope of the mail, read before anything else.
struct CNewMailEnvelope
{
    std::optional<std::string> m_sSenderAddress;
    std::string m_sSenderType;
    std::optional<std::string> m_sSubject;
};

// The rest of a message, read only when it is needed.
class INewMailMessage
{
  public:
    virtual ~INewMailMessage() = default;
    // The plain text body; none when it cannot be read.
    virtual std::optional<std::string> Body() = 0;
    // The recipients' addresses joined with ";"; empty when none.
    virtual std::string Recipients() = 0;
    // The sender's SMTP address found in the address book; none when it has none.
    virtual std::optional<std::string> AddressBookSenderAddress() = 0;
    [[nodiscard]] virtual bool FirstAttachment(std::vector<uint8_t>& p_vBytes) = 0;
    // Removes the message from its folder.
    [[nodiscard]] virtual bool Delete() = 0;
};

// What handling a mail needs of the library. The rule manager may be null (no rules).
struct CNewMailServices
{
    CRegistry* m_p_oRegistry = nullptr;
    CRuleManager* m_p_oRules = nullptr;
    IResourceInstaller* m_p_oInstaller = nullptr;
    // Sends the SMS as one bulk job; true when it was handed over.
    std::function<bool(const CFinalSMSList&)> m_fnSendBulk;
};

enum class ENewMailResult
{
    UpgradeApplied,     // the notice replaced the resource module and was deleted
    UpgradeNotDeleted,  // applied, but the notice stayed in its folder
    UpgradeDropped,     // the notice failed a check and stays
    UnknownGatewayMail, // gateway mail of a type that is not acted on (message 361)
    NoRuleFired,
    RulesSent,
    RulesFailed, // a rule could not be tested, or the job did not leave
};

// True for results the mail watchers report as a failure of the handler.
bool IsNewMailFailure(ENewMailResult p_eResult);

// One SMS per announcement: to the user's own mobile (marked as going back to the sender) or to
// the rule's number in international form.
[[nodiscard]] bool BuildAnnouncementList(const std::vector<CRuleOutcome>& p_vOutcomes, const CLocalSender& p_oUser,
                                         CFinalSMSList& p_oList);

ENewMailResult DealWithNewMail(const CNewMailEnvelope& p_oEnvelope, INewMailMessage& p_oMessage,
                               const CNewMailServices& p_oServices);
