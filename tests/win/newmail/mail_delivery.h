// tests/win/newmail/mail_delivery.h: mail put into a store's Inbox as a mail client delivers it
// (sender, subject, body, one attachment), the Inbox read back, upgrade notices from the reference
// gateway, and a message pump with a deadline. No fixture: the CExMAPI suite and the suite over the
// Corvane DLL both use them.
#pragma once

#include <windows.h>
#include <mapidefs.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace newmailtest
{
using CBytes = std::vector<uint8_t>;

struct CIncomingMail
{
    std::string m_sSenderAddress;
    std::string m_sSenderType = "SMTP";
    CBytes m_vSenderEntryId;
    std::string m_sSubject;
    std::string m_sBody;
    std::optional<CBytes> m_vAttachment;
    // Mail that arrived carries its delivery time; what a client or the library itself makes has none.
    bool m_bDelivered = true;
    ULONG m_ulFlags = 0;
};

// The store's receive folder.
CBytes InboxIdOf(IMsgStore* p_pStore);
// A message saved in the Inbox; its entry id.
CBytes DeliverTo(IMsgStore* p_pStore, const CBytes& p_vInbox, const CIncomingMail& p_oMail);
// The subjects of the Inbox's messages.
std::vector<std::string> SubjectsIn(IMsgStore* p_pStore, const CBytes& p_vInbox);
// Runs the thread's messages until p_fnDone or the deadline.
bool PumpUntil(const std::function<bool()>& p_fnDone, DWORD p_dwMilliseconds = 10000);

// The body of an upgrade notice for p_vAttachment signed with the key text.
std::string NoticeBody(const std::string& p_sKeyText, const CBytes& p_vAttachment);
std::string NewKeyText();
CBytes Bytes(const std::string& p_sText);
CBytes ReadBytes(const std::string& p_sPath);
} // namespace newmailtest
