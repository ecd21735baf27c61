// standins/oe/oe_send_win.cpp: sending through the identity's account and filing in Sent Items.
#include "standins/oe/oe_send_win.h"

#include "common/failure_log.h"
#include "standins/oe/oe_mailstore_win.h"
#include "standins/oe/oe_registry_win.h"
#include "standins/oe/oe_smtp_win.h"

#include <windows.h>

#include <cstdio>

namespace oestandin
{
std::string MailDateNow()
{
    static const char* const s_aDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const s_aMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    SYSTEMTIME now{};
    GetSystemTime(&now);
    char text[64] = {};
    std::snprintf(text, sizeof text, "%s, %02u %s %04u %02u:%02u:%02u +0000", s_aDays[now.wDayOfWeek % 7], now.wDay,
                  s_aMonths[(now.wMonth + 11) % 12], now.wYear, now.wHour, now.wMinute, now.wSecond);
    return text;
}

ESendResult SendAndFile(int p_iMajor, const std::string& p_sIdentity, oestore::CMailMessage& p_oMessage)
{
    std::vector<std::string> recipients;
    for (const auto* list : {&p_oMessage.m_vTo, &p_oMessage.m_vCc, &p_oMessage.m_vBcc})
        for (const oestore::CMailAddress& address : *list)
            if (!address.m_sAddress.empty())
                recipients.push_back(address.m_sAddress);
    if (recipients.empty())
        return ESendResult::NoRecipients;
    COeAccountSeed account;
    if (!ReadAccount(p_iMajor, p_sIdentity, account))
    {
        LOG_FAILURE("the identity '%s' has no mail account", p_sIdentity.c_str());
        return ESendResult::NoAccount;
    }
    p_oMessage.m_oFrom = {account.m_sDisplayName, account.m_sEmail};
    p_oMessage.m_sDate = MailDateNow();
    if (!SendSmtp(account.m_sSmtpServer, account.m_nSmtpPort, account.m_sEmail, recipients,
                  oestore::ComposeMessageText(p_oMessage, false)))
        return ESendResult::SmtpFailed;
    std::string folder;
    uint32_t id = 0;
    const bool filed = (p_sIdentity.empty() ? CurrentStoreFolder(p_iMajor, folder)
                                            : IdentityStoreFolder(p_iMajor, p_sIdentity, folder)) &&
                       StoreMessage(p_iMajor, folder, oestore::kSpecialSentItems,
                                    oestore::ComposeMessageText(p_oMessage, true), oestore::kMessageRead, id);
    return filed ? ESendResult::Sent : ESendResult::NotFiled;
}
} // namespace oestandin
