// Addressbook/newmail/new_mail.cpp: the handling of one new mail.
#include "Addressbook/newmail/new_mail.h"

#include "Addressbook/messaging/gateway_config.h"
#include "Addressbook/messaging/item_list.h"
#include "Addressbook/messaging/local_sender.h"
#include "Addressbook/messaging/owned_string.h"
#include "Addressbook/newmail/gateway_mail.h"
#include "Addressbook/newmail/newmail_messages.h"
#include "Addressbook/reminders/rule_manager.h"
#include "Addressbook/res/corvane_strings.h"
#include "common/failure_log.h"
#include "common/trace_log.h"

#include <new>

namespace
{
ENewMailResult DealWithGatewayMail(const std::string& p_sSubject, INewMailMessage& p_oMessage,
                                   const CNewMailServices& p_oServices)
{
    if (ClassifyGatewaySubject(p_sSubject) != ECommunicationType::Upgrade)
    {
        Log("CommunicationType FAILED: %s", FormatTableMessage(CorvaneStrings(), kMsgUnknownCommunication).c_str());
        return ENewMailResult::UnknownGatewayMail;
    }
    if (p_oServices.m_p_oInstaller == nullptr)
        return ENewMailResult::UpgradeDropped;
    const std::optional<std::string> body = p_oMessage.Body();
    CServerCommunication server(*p_oServices.m_p_oRegistry);
    if (!body || !server.ApplyUpgradeNotice(
                     *body, [&](std::vector<uint8_t>& p_vBytes) { return p_oMessage.FirstAttachment(p_vBytes); },
                     *p_oServices.m_p_oInstaller))
        return ENewMailResult::UpgradeDropped;
    return p_oMessage.Delete() ? ENewMailResult::UpgradeApplied : ENewMailResult::UpgradeNotDeleted;
}

ENewMailResult OfferToRules(const CNewMailEnvelope& p_oEnvelope, INewMailMessage& p_oMessage,
                            const CNewMailServices& p_oServices)
{
    if (p_oServices.m_p_oRules == nullptr)
        return ENewMailResult::NoRuleFired;
    CRuleMail mail;
    mail.m_sSubject = p_oEnvelope.m_sSubject.value_or(std::string());
    mail.m_sBody = p_oMessage.Body().value_or(std::string());
    mail.m_sTo = p_oMessage.Recipients();
    mail.m_sFrom = RuleSenderAddress(p_oEnvelope.m_sSenderAddress.value_or(std::string()), p_oEnvelope.m_sSenderType,
                                     [&] { return p_oMessage.AddressBookSenderAddress(); });
    Log("DealWithNewMail: sub %s to %s from %s", mail.m_sSubject.c_str(), mail.m_sTo.c_str(), mail.m_sFrom.c_str());
    std::vector<CRuleOutcome> outcomes;
    if (!p_oServices.m_p_oRules->CollectAnnouncements(mail, outcomes))
    {
        Log("DealWithNewMail: the rules could not be tested: %s", p_oServices.m_p_oRules->Error().Text().c_str());
        return ENewMailResult::RulesFailed;
    }
    if (outcomes.empty())
        return ENewMailResult::NoRuleFired;
    const auto list = NewList<CFinalSMSList>();
    if (!list || !BuildAnnouncementList(outcomes, ReadLocalSender(*p_oServices.m_p_oRegistry), *list))
        return ENewMailResult::RulesFailed;
    if (!p_oServices.m_fnSendBulk || !p_oServices.m_fnSendBulk(*list))
        return ENewMailResult::RulesFailed;
    return ENewMailResult::RulesSent;
}
} // namespace

bool IsNewMailFailure(ENewMailResult p_eResult)
{
    return p_eResult != ENewMailResult::UpgradeApplied && p_eResult != ENewMailResult::NoRuleFired &&
           p_eResult != ENewMailResult::RulesSent;
}

bool BuildAnnouncementList(const std::vector<CRuleOutcome>& p_vOutcomes, const CLocalSender& p_oUser,
                           CFinalSMSList& p_oList)
{
    try
    {
        for (const CRuleOutcome& outcome : p_vOutcomes)
        {
            auto sms = std::make_unique<CFinalSMS>();
            const std::string mobile = outcome.m_bSendToMe ? p_oUser.m_sPhone : "+" + outcome.m_sNumber;
            sms->m_szName = MakeOwnedString(outcome.m_bSendToMe ? p_oUser.m_sName : mobile).release();
            sms->m_szMobile = MakeOwnedString(mobile).release();
            sms->m_szText = MakeOwnedString(outcome.m_sSMSText).release();
            sms->m_iWord = outcome.m_bSendToMe ? 1 : 0;
            AppendItem(p_oList, std::move(sms));
        }
        return true;
    }
    catch (const std::bad_alloc&)
    {
        LOG_FAILURE("out of memory after %u messages", p_oList.m_dwCount);
        return false;
    }
}

ENewMailResult DealWithNewMail(const CNewMailEnvelope& p_oEnvelope, INewMailMessage& p_oMessage,
                               const CNewMailServices& p_oServices)
{
    const CGatewayConfig config = ReadGatewayConfig(*p_oServices.m_p_oRegistry);
    // Without a sender address or a subject a mail cannot be a gateway reply.
    if (p_oEnvelope.m_sSenderAddress && p_oEnvelope.m_sSubject &&
        IsFromGateway(*p_oEnvelope.m_sSenderAddress, config.m_sGatewaySender))
        return DealWithGatewayMail(*p_oEnvelope.m_sSubject, p_oMessage, p_oServices);
    return OfferToRules(p_oEnvelope, p_oMessage, p_oServices);
}
