// standins/oe/oe_smtp_win.h: mail out over SMTP to the account's server, as the client's send does
// it, through the stand-ins' one SMTP client.
#pragma once

#include "standins/common/smtp_exchange_win.h"

namespace oestandin
{
// p_sData is the whole message with CR LF line ends. True only when the server took the message.
[[nodiscard]] inline bool SendSmtp(const std::string& p_sServer, unsigned p_nPort, const std::string& p_sFrom,
                                   const std::vector<std::string>& p_vRecipients, const std::string& p_sData)
{
    return standin::SendSmtpMail(p_sServer, p_nPort, p_sFrom, p_vRecipients, p_sData);
}
} // namespace oestandin
