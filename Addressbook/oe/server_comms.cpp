// Addressbook/oe/server_comms.cpp: a range of newly downloaded Outlook Express messages.
#include "Addressbook/oe/server_comms.h"

#include "Addressbook/messaging/gateway_config.h"
#include "Addressbook/messaging/item_list.h"
#include "Addressbook/messaging/local_sender.h"
#include "Addressbook/newmail/gateway_mail.h"
#include "Addressbook/reminders/rule_manager.h"
#include "common/trace_log.h"

#include <cctype>
#include <cstdio>
#include <optional>

namespace oe
{
namespace
{
bool EqualNoCase(std::string_view p_sA, std::string_view p_sB)
{
    if (p_sA.size() != p_sB.size())
        return false;
    for (size_t i = 0; i < p_sA.size(); ++i)
    {
        if (std::tolower(static_cast<unsigned char>(p_sA[i])) != std::tolower(static_cast<unsigned char>(p_sB[i])))
            return false;
    }
    return true;
}

// The rules' SMS for one mail are added to p_vOutcomes.
void OfferToRules(const COEMail& p_oMail, const CNewMailServices& p_oServices, std::vector<CRuleOutcome>& p_vOutcomes)
{
    if (p_oServices.m_p_oRules == nullptr)
        return;
    CRuleMail mail;
    mail.m_sSubject = p_oMail.m_sSubject;
    mail.m_sBody = p_oMail.m_sBody;
    mail.m_sTo = p_oMail.m_sRecipients;
    mail.m_sFrom = PlainAddress(p_oMail.m_sOriginator);
    Log("sub %s to %s from %s", mail.m_sSubject.c_str(), mail.m_sTo.c_str(), mail.m_sFrom.c_str());
    std::vector<CRuleOutcome> outcomes;
    if (!p_oServices.m_p_oRules->CollectAnnouncements(mail, outcomes))
    {
        Log("DealWithNewServerComms: the rules could not be tested: %s",
            p_oServices.m_p_oRules->Error().Text().c_str());
        return;
    }
    p_vOutcomes.insert(p_vOutcomes.end(), outcomes.begin(), outcomes.end());
}

// False when the notice cannot be read or classified; a notice that fails its checks is only
// left in the mailbox.
bool ApplyNotice(const std::string& p_sId, IOEMailbox& p_oMailbox, const CNewMailServices& p_oServices)
{
    COEMail notice;
    if (!p_oMailbox.ReadMail(p_sId, true, notice))
    {
        Log("DealWithNewServerComms: notice %s could not be read", p_sId.c_str());
        return false;
    }
    if (ClassifyGatewaySubject(notice.m_sSubject) != ECommunicationType::Upgrade)
    {
        Log("CommunicationType FAILED");
        return false;
    }
    if (p_oServices.m_p_oInstaller == nullptr)
        return true;
    CServerCommunication server(*p_oServices.m_p_oRegistry);
    const bool applied = server.ApplyUpgradeNotice(
        notice.m_sBody,
        [&](std::vector<uint8_t>& p_vBytes) {
            p_vBytes = notice.m_vFirstAttachment;
            return notice.m_bHasAttachment;
        },
        *p_oServices.m_p_oInstaller);
    if (!applied)
    {
        Log("DealWithNewServerComms: notice %s dropped: %s", p_sId.c_str(), server.Error().Text().c_str());
        return true;
    }
    if (!p_oMailbox.DeleteMail(p_sId))
        Log("DealWithNewServerComms: MAPIDeleteMail( %s ) failed", p_sId.c_str());
    return true;
}
} // namespace

std::string MessageIdOf(uint32_t p_dwNumber)
{
    // The client names a message by its number in the folder, in decimal.
    return std::to_string(p_dwNumber);
}

std::string PlainAddress(const std::string& p_sAddress)
{
    if (p_sAddress.size() >= 5 && EqualNoCase(std::string_view(p_sAddress).substr(0, 5), "SMTP:"))
        return p_sAddress.substr(5);
    return p_sAddress;
}

bool DealWithNewServerComms(uint32_t p_dwFrom, uint32_t p_dwTo, IOEMailbox& p_oMailbox,
                            const CNewMailServices& p_oServices)
{
    const std::string gateway =
        p_oServices.m_p_oRegistry != nullptr ? ReadGatewayConfig(*p_oServices.m_p_oRegistry).m_sGatewaySender : "";
    std::optional<std::string> notice;
    std::vector<CRuleOutcome> outcomes;
    for (uint64_t n = static_cast<uint64_t>(p_dwFrom) + 1; n <= p_dwTo; ++n)
    {
        const std::string id = MessageIdOf(static_cast<uint32_t>(n));
        COEMail mail;
        if (!p_oMailbox.PeekEnvelope(id, mail))
        {
            Log("DealWithNewServerComms: message %s not found", id.c_str());
            continue;
        }
        if (!gateway.empty() && EqualNoCase(PlainAddress(mail.m_sOriginator), gateway) &&
            EqualNoCase(mail.m_sSubject, "Upgrade"))
        {
            notice = id;
            continue;
        }
        if (!p_oMailbox.ReadMail(id, false, mail))
        {
            Log("DealWithNewServerComms: message %s could not be read", id.c_str());
            continue;
        }
        OfferToRules(mail, p_oServices, outcomes);
    }
    if (notice && !ApplyNotice(*notice, p_oMailbox, p_oServices))
    {
        Log("OnNotify failed");
        return false;
    }
    if (outcomes.empty())
        return true;
    const auto list = NewList<CFinalSMSList>();
    if (!list || !BuildAnnouncementList(outcomes, ReadLocalSender(*p_oServices.m_p_oRegistry), *list))
        return false;
    return p_oServices.m_fnSendBulk && p_oServices.m_fnSendBulk(*list);
}
} // namespace oe
