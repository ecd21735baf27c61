// standins/common/smtp_exchange_win.h: the one SMTP client of the stand-ins: mail leaves a stand-in
// as the real client or spooler sends it (HELO, MAIL FROM, RCPT TO per recipient, DATA with dot
// stuffing, QUIT) over a blocking socket with a reply time-out.
#pragma once

#include <string>
#include <vector>

namespace standin
{
// p_sData is the whole message with CR LF line ends. True only when the server took the message
// for every recipient; a failure is logged where it happened.
[[nodiscard]] bool SendSmtpMail(const std::string& p_sHost, unsigned p_nPort, const std::string& p_sFrom,
                                const std::vector<std::string>& p_vRecipients, const std::string& p_sData);
} // namespace standin
