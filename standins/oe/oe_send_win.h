// standins/oe/oe_send_win.h: sending a message as the client does: from the identity's default
// account over SMTP, then a copy into Sent Items.
#pragma once

#include "standins/oe/store/eml_message.h"

#include <string>

namespace oestandin
{
enum class ESendResult
{
    Sent,
    NoRecipients,
    NoAccount,
    SmtpFailed,
    // The server took the message, but the copy could not be written into Sent Items.
    NotFiled,
};

// Fills in the sender ("SMTP Display Name" <"SMTP Email Address">) and the date, sends to every
// To, Cc and Bcc address through "SMTP Server":"SMTP Port" of the identity (empty: the current
// one) and files the message, Bcc line kept, in that identity's Sent Items as read.
[[nodiscard]] ESendResult SendAndFile(int p_iMajor, const std::string& p_sIdentity, oestore::CMailMessage& p_oMessage);

// The current time as a "Date:" line wants it: "Wed, 09 Dec 2026 15:14:01 +0000".
std::string MailDateNow();
} // namespace oestandin
