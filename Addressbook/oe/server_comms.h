// Addressbook/oe/server_comms.h: the new mail Outlook Express downloaded, read through Simple MAPI
// by message number: the gateway's upgrade notice (exact sender and subject) applied and deleted,
// every other mail offered to the notification rules, whose SMS leave as one bulk job.
#pragma once

#include "Addressbook/newmail/new_mail.h"

#include <cstdint>
#include <string>
#include <vector>

namespace oe
{
struct COEMail
{
    std::string m_sOriginator; // the sender's address, an "SMTP:" prefix allowed
    std::string m_sSubject;
    std::string m_sBody;
    std::string m_sRecipients; // the recipients' addresses joined with ";"
    bool m_bHasAttachment = false;
    std::vector<uint8_t> m_vFirstAttachment;
};

// The Inbox as Simple MAPI shows it; every read is a peek, so nothing is marked read.
class IOEMailbox
{
  public:
    virtual ~IOEMailbox() = default;
    // Originator and subject only.
    [[nodiscard]] virtual bool PeekEnvelope(const std::string& p_sId, COEMail& p_oMail) = 0;
    // The whole message; with p_bAttachments the first attachment's file is read into the mail.
    [[nodiscard]] virtual bool ReadMail(const std::string& p_sId, bool p_bAttachments, COEMail& p_oMail) = 0;
    [[nodiscard]] virtual bool DeleteMail(const std::string& p_sId) = 0;
};

// The message id Simple MAPI is asked for message number p_dwNumber.
std::string MessageIdOf(uint32_t p_dwNumber);

// The address without a leading "SMTP:" (any case).
std::string PlainAddress(const std::string& p_sAddress);

// Messages p_dwFrom + 1 to p_dwTo. False when the remembered upgrade notice cannot be read in full
// or its subject not classified; the collected SMS are then discarded unsent.
[[nodiscard]] bool DealWithNewServerComms(uint32_t p_dwFrom, uint32_t p_dwTo, IOEMailbox& p_oMailbox,
                                          const CNewMailServices& p_oServices);
} // namespace oe
