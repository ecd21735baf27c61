// standins/oe/msoe/simple_mapi_win.cpp: msoe.dll (msimnui.dll for version 4), Simple MAPI over the
// store of the identity named by "Default User ID": the Inbox is what MAPIFindNext walks and
// MAPIReadMail, MAPISaveMail and MAPIDeleteMail work on; MAPISendMail sends through the identity's
// account. No call shows a dialog: MAPIAddress gives the recipients back as they came.
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/trace_log.h"
#include "standins/oe/msoe/mapi_blocks_win.h"
#include "standins/oe/oe_mailstore_win.h"
#include "standins/oe/oe_registry_win.h"
#include "standins/oe/oe_send_win.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

namespace
{
constexpr size_t kShortIdSize = 64;

struct CSession
{
    std::string m_sIdentity;
    std::string m_sStoreFolder;
};

std::mutex g_oLock;
std::map<LHANDLE, CSession> g_mSessions;
LHANDLE g_nNextSession = 1;

// The identity MAPILogon takes: "Default User ID" (version 4 has none).
[[nodiscard]] bool LogonIdentity(std::string& p_sIdentity, std::string& p_sFolder)
{
    if (OE_MAJOR <= 4)
        return oestandin::CurrentStoreFolder(OE_MAJOR, p_sFolder);
    char id[128] = {};
    DWORD size = sizeof id - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, "Identities", "Default User ID", RRF_RT_REG_SZ, nullptr, id, &size) !=
        ERROR_SUCCESS)
    {
        LOG_FAILURE("no \"Default User ID\"");
        return false;
    }
    p_sIdentity = id;
    return oestandin::IdentityStoreFolder(OE_MAJOR, p_sIdentity, p_sFolder);
}

[[nodiscard]] bool FindSession(LHANDLE p_hSession, CSession& p_oSession)
{
    const std::lock_guard<std::mutex> lock(g_oLock);
    const auto found = g_mSessions.find(p_hSession);
    if (found == g_mSessions.end())
        return false;
    p_oSession = found->second;
    return true;
}

[[nodiscard]] bool InboxPath(const CSession& p_oSession, std::string& p_sPath)
{
    return oestandin::SpecialFolderFile(OE_MAJOR, p_oSession.m_sStoreFolder, oestore::kSpecialInbox, p_sPath);
}

// A message's id is its number in the folder file, in decimal: callers that know the numbers (the
// client's next-message counter) name messages by them without a search first.
std::string MessageId(uint32_t p_nId)
{
    return std::to_string(p_nId);
}

[[nodiscard]] bool ParseMessageId(LPSTR p_szId, uint32_t& p_nId)
{
    if (p_szId == nullptr)
        return false;
    const size_t length = std::strlen(p_szId);
    if (length == 0 || length > 10 || std::strspn(p_szId, "0123456789") != length)
        return false;
    const unsigned long long value = std::strtoull(p_szId, nullptr, 10);
    if (value > 0xFFFFFFFFull)
        return false;
    p_nId = static_cast<uint32_t>(value);
    return true;
}

// A fresh folder below the temporary folder for one message's attachments.
std::string AttachmentFolder()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    static LONG s_nSerial = 0;
    const std::string folder = std::string(temp) + "oemapi" + std::to_string(GetCurrentProcessId()) + "_" +
                               std::to_string(GetTickCount()) + "_" + std::to_string(InterlockedIncrement(&s_nSerial)) +
                               "\\";
    return CreateDirectoryA(folder.c_str(), nullptr) ? folder : std::string();
}

ULONG FindNext(LHANDLE p_hSession, LPSTR p_szType, LPSTR p_szSeed, FLAGS p_nFlags, LPSTR p_szId)
{
    CSession session;
    if (!FindSession(p_hSession, session))
        return MAPI_E_INVALID_SESSION;
    if (p_szId == nullptr)
        return MAPI_E_FAILURE;
    // Only interpersonal messages are stored.
    if (p_szType != nullptr && *p_szType != '\0' && _strnicmp(p_szType, "IPM", 3) != 0)
        return MAPI_E_NO_MESSAGES;
    std::string path;
    oestandin::CFolderContents inbox;
    if (!InboxPath(session, path) || !oestandin::ReadFolderContents(OE_MAJOR, path, inbox))
        return MAPI_E_FAILURE;
    uint32_t seed = 0;
    const bool fromStart = p_szSeed == nullptr || *p_szSeed == '\0';
    if (!fromStart && !ParseMessageId(p_szSeed, seed))
        return MAPI_E_INVALID_MESSAGE;
    bool passed = fromStart;
    for (const oestore::CStoredMessage& message : inbox.m_vMessages)
    {
        if (!passed)
        {
            passed = message.m_nId == seed;
            continue;
        }
        if ((p_nFlags & MAPI_UNREAD_ONLY) != 0 && (message.m_nFlags & oestore::kMessageRead) != 0)
            continue;
        const std::string id = MessageId(message.m_nId);
        // Without MAPI_LONG_MSGID the caller's buffer holds 64 characters; the ids are shorter.
        lstrcpynA(p_szId, id.c_str(), static_cast<int>(kShortIdSize));
        return SUCCESS_SUCCESS;
    }
    return passed ? MAPI_E_NO_MESSAGES : MAPI_E_INVALID_MESSAGE;
}

ULONG ReadMail(LHANDLE p_hSession, LPSTR p_szId, FLAGS p_nFlags, lpMapiMessage* p_ppMessage)
{
    CSession session;
    uint32_t id = 0;
    if (!FindSession(p_hSession, session))
        return MAPI_E_INVALID_SESSION;
    if (p_ppMessage == nullptr || !ParseMessageId(p_szId, id))
        return MAPI_E_INVALID_MESSAGE;
    std::string path;
    if (!InboxPath(session, path))
        return MAPI_E_FAILURE;
    oestore::CStoredMessage found;
    const bool peek = (p_nFlags & MAPI_PEEK) != 0;
    // Reading without MAPI_PEEK marks the message read; the flags returned are those before.
    const bool read = oestandin::ChangeFolder(OE_MAJOR, path, [&](oestandin::CFolderContents& p_oInbox) {
        for (oestore::CStoredMessage& message : p_oInbox.m_vMessages)
        {
            if (message.m_nId != id)
                continue;
            found = message;
            message.m_nFlags |= oestore::kMessageRead;
            return !peek && (found.m_nFlags & oestore::kMessageRead) == 0;
        }
        return false;
    });
    if (found.m_sText.empty() && !read)
        return MAPI_E_INVALID_MESSAGE;
    oestore::CMailMessage message;
    if (!oestore::ParseMessage(found.m_sText, message))
        return MAPI_E_INVALID_MESSAGE;
    const bool envelope = (p_nFlags & MAPI_ENVELOPE_ONLY) != 0;
    if (envelope)
    {
        message.m_sBody.clear();
        message.m_vAttachments.clear();
    }
    const bool files = !envelope && ((p_nFlags & MAPI_SUPPRESS_ATTACH) == 0 || (p_nFlags & MAPI_BODY_AS_FILE) != 0);
    if ((p_nFlags & MAPI_SUPPRESS_ATTACH) != 0)
        message.m_vAttachments.clear();
    std::string folder;
    if (files && (!message.m_vAttachments.empty() || (p_nFlags & MAPI_BODY_AS_FILE) != 0))
    {
        folder = AttachmentFolder();
        if (folder.empty())
            return MAPI_E_ATTACHMENT_WRITE_FAILURE;
    }
    *p_ppMessage = oemapi::NewMessageBlock(message, (found.m_nFlags & oestore::kMessageRead) == 0, folder,
                                           !envelope && (p_nFlags & MAPI_BODY_AS_FILE) != 0);
    return SUCCESS_SUCCESS;
}
} // namespace

extern "C"
{
    ULONG WINAPI MAPILogon(ULONG_PTR, LPSTR, LPSTR, FLAGS, ULONG, LPLHANDLE p_phSession)
    {
        return TrapExceptions("MAPILogon", ULONG(MAPI_E_FAILURE), [&]() -> ULONG {
            if (p_phSession == nullptr)
                return MAPI_E_FAILURE;
            CSession session;
            if (!LogonIdentity(session.m_sIdentity, session.m_sStoreFolder))
                return MAPI_E_LOGON_FAILURE;
            const std::lock_guard<std::mutex> lock(g_oLock);
            *p_phSession = g_nNextSession++;
            g_mSessions[*p_phSession] = session;
            Log("MAPILogon: session %lu for identity '%s'", static_cast<unsigned long>(*p_phSession),
                session.m_sIdentity.c_str());
            return SUCCESS_SUCCESS;
        });
    }

    ULONG WINAPI MAPILogoff(LHANDLE p_hSession, ULONG_PTR, FLAGS, ULONG)
    {
        return TrapExceptions("MAPILogoff", ULONG(MAPI_E_FAILURE), [&]() -> ULONG {
            const std::lock_guard<std::mutex> lock(g_oLock);
            return g_mSessions.erase(p_hSession) == 1 ? SUCCESS_SUCCESS : MAPI_E_INVALID_SESSION;
        });
    }

    ULONG WINAPI MAPIFreeBuffer(LPVOID p_pBuffer)
    {
        return TrapExceptions("MAPIFreeBuffer", ULONG(MAPI_E_FAILURE), [&]() -> ULONG {
            return p_pBuffer == nullptr || oemapi::FreeBlock(p_pBuffer) ? SUCCESS_SUCCESS : MAPI_E_FAILURE;
        });
    }

    ULONG WINAPI MAPIFindNext(LHANDLE p_hSession, ULONG_PTR, LPSTR p_szType, LPSTR p_szSeed, FLAGS p_nFlags, ULONG,
                              LPSTR p_szId)
    {
        return TrapExceptions("MAPIFindNext", ULONG(MAPI_E_FAILURE),
                              [&] { return FindNext(p_hSession, p_szType, p_szSeed, p_nFlags, p_szId); });
    }

    ULONG WINAPI MAPIReadMail(LHANDLE p_hSession, ULONG_PTR, LPSTR p_szId, FLAGS p_nFlags, ULONG,
                              lpMapiMessage* p_ppMessage)
    {
        return TrapExceptions("MAPIReadMail", ULONG(MAPI_E_FAILURE),
                              [&] { return ReadMail(p_hSession, p_szId, p_nFlags, p_ppMessage); });
    }

    ULONG WINAPI MAPISaveMail(LHANDLE p_hSession, ULONG_PTR, lpMapiMessage p_pMessage, FLAGS, ULONG, LPSTR p_szId)
    {
        return TrapExceptions("MAPISaveMail", ULONG(MAPI_E_FAILURE), [&]() -> ULONG {
            CSession session;
            if (!FindSession(p_hSession, session))
                return MAPI_E_INVALID_SESSION;
            oestore::CMailMessage message;
            ULONG error = SUCCESS_SUCCESS;
            if (p_pMessage == nullptr || p_szId == nullptr || !oemapi::MessageFromMapi(*p_pMessage, message, error))
                return error != SUCCESS_SUCCESS ? error : MAPI_E_FAILURE;
            message.m_sDate = oestandin::MailDateNow();
            const std::string text = oestore::ComposeMessageText(message, true);
            uint32_t id = 0;
            std::string path;
            if (*p_szId == '\0')
            {
                if (!oestandin::StoreMessage(OE_MAJOR, session.m_sStoreFolder, oestore::kSpecialInbox, text,
                                             oestore::kMessageRead, id))
                    return MAPI_E_FAILURE;
                lstrcpynA(p_szId, MessageId(id).c_str(), static_cast<int>(kShortIdSize));
                return SUCCESS_SUCCESS;
            }
            if (!ParseMessageId(p_szId, id) || !InboxPath(session, path))
                return MAPI_E_INVALID_MESSAGE;
            const bool replaced = oestandin::ChangeFolder(OE_MAJOR, path, [&](oestandin::CFolderContents& p_oInbox) {
                for (oestore::CStoredMessage& stored : p_oInbox.m_vMessages)
                    if (stored.m_nId == id)
                    {
                        stored.m_sText = text;
                        return true;
                    }
                return false;
            });
            return replaced ? SUCCESS_SUCCESS : MAPI_E_INVALID_MESSAGE;
        });
    }

    ULONG WINAPI MAPIDeleteMail(LHANDLE p_hSession, ULONG_PTR, LPSTR p_szId, FLAGS, ULONG)
    {
        return TrapExceptions("MAPIDeleteMail", ULONG(MAPI_E_FAILURE), [&]() -> ULONG {
            CSession session;
            uint32_t id = 0;
            std::string path;
            if (!FindSession(p_hSession, session))
                return MAPI_E_INVALID_SESSION;
            if (!ParseMessageId(p_szId, id) || !InboxPath(session, path))
                return MAPI_E_INVALID_MESSAGE;
            const bool deleted = oestandin::ChangeFolder(OE_MAJOR, path, [&](oestandin::CFolderContents& p_oInbox) {
                const size_t before = p_oInbox.m_vMessages.size();
                std::erase_if(p_oInbox.m_vMessages,
                              [&](const oestore::CStoredMessage& p_oStored) { return p_oStored.m_nId == id; });
                return p_oInbox.m_vMessages.size() != before;
            });
            return deleted ? SUCCESS_SUCCESS : MAPI_E_INVALID_MESSAGE;
        });
    }

    ULONG WINAPI MAPISendMail(LHANDLE p_hSession, ULONG_PTR, lpMapiMessage p_pMessage, FLAGS, ULONG)
    {
        return TrapExceptions("MAPISendMail", ULONG(MAPI_E_FAILURE), [&]() -> ULONG {
            // Without a session the mail goes out under the identity a logon would take.
            CSession session;
            if (p_hSession != 0 && !FindSession(p_hSession, session))
                return MAPI_E_INVALID_SESSION;
            if (p_hSession == 0 && !LogonIdentity(session.m_sIdentity, session.m_sStoreFolder))
                return MAPI_E_LOGON_FAILURE;
            oestore::CMailMessage message;
            ULONG error = SUCCESS_SUCCESS;
            if (p_pMessage == nullptr || !oemapi::MessageFromMapi(*p_pMessage, message, error))
                return error != SUCCESS_SUCCESS ? error : MAPI_E_FAILURE;
            switch (oestandin::SendAndFile(OE_MAJOR, session.m_sIdentity, message))
            {
            case oestandin::ESendResult::Sent:
            case oestandin::ESendResult::NotFiled:
                return SUCCESS_SUCCESS;
            case oestandin::ESendResult::NoRecipients:
                return MAPI_E_INVALID_RECIPS;
            default:
                return MAPI_E_FAILURE;
            }
        });
    }

    ULONG WINAPI MAPIResolveName(LHANDLE, ULONG_PTR, LPSTR p_szName, FLAGS, ULONG, lpMapiRecipDesc* p_ppRecipient)
    {
        return TrapExceptions("MAPIResolveName", ULONG(MAPI_E_FAILURE), [&]() -> ULONG {
            if (p_szName == nullptr || p_ppRecipient == nullptr)
                return MAPI_E_FAILURE;
            // There is no address book: a name resolves when it is an address.
            const std::vector<oestore::CMailAddress> parsed = oestore::ParseAddressList(p_szName);
            if (parsed.size() != 1 || parsed[0].m_sAddress.find('@') == std::string::npos)
                return parsed.size() > 1 ? MAPI_E_AMBIGUOUS_RECIPIENT : MAPI_E_UNKNOWN_RECIPIENT;
            const std::string address = "SMTP:" + parsed[0].m_sAddress;
            const std::string name = parsed[0].m_sName.empty() ? parsed[0].m_sAddress : parsed[0].m_sName;
            MapiRecipDesc recipient{};
            recipient.ulRecipClass = MAPI_TO;
            recipient.lpszName = const_cast<LPSTR>(name.c_str());
            recipient.lpszAddress = const_cast<LPSTR>(address.c_str());
            *p_ppRecipient = oemapi::NewRecipientBlock(&recipient, 1);
            return SUCCESS_SUCCESS;
        });
    }

    ULONG WINAPI MAPIAddress(LHANDLE, ULONG_PTR, LPSTR, ULONG, LPSTR, ULONG p_nRecipients,
                             lpMapiRecipDesc p_pRecipients, FLAGS, ULONG, LPULONG p_pnNew, lpMapiRecipDesc* p_ppNew)
    {
        return TrapExceptions("MAPIAddress", ULONG(MAPI_E_FAILURE), [&]() -> ULONG {
            if (p_pnNew == nullptr || p_ppNew == nullptr || (p_nRecipients > 0 && p_pRecipients == nullptr))
                return MAPI_E_INVALID_RECIPS;
            *p_ppNew = oemapi::NewRecipientBlock(p_pRecipients, p_nRecipients);
            *p_pnNew = p_nRecipients;
            return SUCCESS_SUCCESS;
        });
    }

    ULONG WINAPI MAPIDetails(LHANDLE, ULONG_PTR, lpMapiRecipDesc p_pRecipient, FLAGS, ULONG)
    {
        return TrapExceptions("MAPIDetails", ULONG(MAPI_E_FAILURE), [&]() -> ULONG {
            return p_pRecipient != nullptr && !oemapi::RecipientAddress(*p_pRecipient).empty() ? SUCCESS_SUCCESS
                                                                                               : MAPI_E_INVALID_RECIPS;
        });
    }

    // The documents become a message in Drafts with them attached, for the user to address and send.
    ULONG WINAPI MAPISendDocuments(ULONG_PTR, LPSTR p_szDelimiter, LPSTR p_szPaths, LPSTR p_szNames, ULONG)
    {
        return TrapExceptions("MAPISendDocuments", ULONG(MAPI_E_FAILURE), [&]() -> ULONG {
            if (p_szDelimiter == nullptr || *p_szDelimiter == '\0' || p_szPaths == nullptr)
                return MAPI_E_ATTACHMENT_NOT_FOUND;
            auto split = [&](const std::string& p_sText) {
                std::vector<std::string> parts;
                for (size_t at = 0; at <= p_sText.size();)
                {
                    const size_t next = p_sText.find(*p_szDelimiter, at);
                    parts.push_back(p_sText.substr(at, next == std::string::npos ? std::string::npos : next - at));
                    at = next == std::string::npos ? p_sText.size() + 1 : next + 1;
                }
                return parts;
            };
            const std::vector<std::string> paths = split(p_szPaths);
            const std::vector<std::string> names = split(p_szNames != nullptr ? p_szNames : "");
            std::vector<MapiFileDesc> files(paths.size());
            for (size_t i = 0; i < paths.size(); ++i)
            {
                files[i].lpszPathName = const_cast<LPSTR>(paths[i].c_str());
                files[i].lpszFileName = i < names.size() ? const_cast<LPSTR>(names[i].c_str()) : nullptr;
            }
            MapiMessage request{};
            request.nFileCount = static_cast<ULONG>(files.size());
            request.lpFiles = files.data();
            oestore::CMailMessage message;
            ULONG error = SUCCESS_SUCCESS;
            CSession session;
            if (!oemapi::MessageFromMapi(request, message, error))
                return error;
            if (!LogonIdentity(session.m_sIdentity, session.m_sStoreFolder))
                return MAPI_E_LOGON_FAILURE;
            message.m_sDate = oestandin::MailDateNow();
            uint32_t id = 0;
            return oestandin::StoreMessage(OE_MAJOR, session.m_sStoreFolder, oestore::kSpecialDrafts,
                                           oestore::ComposeMessageText(message, true), oestore::kMessageRead, id)
                       ? SUCCESS_SUCCESS
                       : MAPI_E_FAILURE;
        });
    }
}
