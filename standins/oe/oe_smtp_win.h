// standins/oe/oe_smtp_win.h: mail out over SMTP to the account's server, as the client's send does
// it (HELO, MAIL FROM, RCPT TO per recipient, DATA with dot stuffing, QUIT).
#pragma once

#include <string>
#include <vector>

namespace oestandin
{
// p_sData is the whole message with CR LF line ends. True only when the server took the message.
[[nodiscard]] bool SendSmtp(const std::string& p_sServer, unsigned p_nPort, const std::string& p_sFrom,
                            const std::vector<std::string>& p_vRecipients, const std::string& p_sData);
} // namespace oestandin
