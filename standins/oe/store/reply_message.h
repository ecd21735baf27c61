// standins/oe/store/reply_message.h: the client's own reply and forward: a new message made from a
// read one, with the original quoted (portable).
#pragma once

#include "standins/oe/store/eml_message.h"

#include <string>

namespace oestore
{
enum class EReplyKind
{
    Reply,
    ReplyAll,
    Forward,
};

// Reply: to the sender, "Re: " before the subject (once). Reply to all: also to the other To and Cc
// addresses except p_sOwnAddress. Forward: no recipients, "Fw: " before the subject, attachments
// kept. The body starts with an empty line and, for a forward or when p_bIncludeOriginal is set,
// holds "----- Original Message -----", the original's From, To, Cc, Sent and Subject lines and its
// text: quoted with "> " in replies, as it is in forwards.
CMailMessage MakeReply(const CMailMessage& p_oOriginal, EReplyKind p_eKind, bool p_bIncludeOriginal,
                       const std::string& p_sOwnAddress);
} // namespace oestore
