// Addressbook/oe/oe_monitor_win.cpp: the Outlook Express monitor thread and the Simple MAPI Inbox.
#include "Addressbook/oe/oe_monitor_win.h"

#include "Addressbook/oe/inbox_watch.h"
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/file_read.h"
#include "common/trace_log.h"

#include <algorithm>
#include <cstdlib>

namespace oe
{
namespace
{
// Simple MAPI's message ids with MAPI_LONG_MSGID fit in this.
constexpr size_t kMessageIdSize = 512;
// How soon an unreadable Inbox is tried again at the monitor's start, and at the longest.
constexpr DWORD kRangeRetryFirstMs = 250;
constexpr DWORD kRangeRetryLastMs = 60000;

class CMapiMessage
{
  public:
    explicit CMapiMessage(CSimpleMAPI& p_oMapi) : m_oMapi(p_oMapi)
    {
    }
    ~CMapiMessage()
    {
        if (m_pMessage != nullptr)
            (void)m_oMapi.m_pfnFreeBuffer(m_pMessage);
    }
    CMapiMessage(const CMapiMessage&) = delete;
    CMapiMessage& operator=(const CMapiMessage&) = delete;
    [[nodiscard]] bool Read(const std::string& p_sId, FLAGS p_nFlags)
    {
        const ULONG result =
            m_oMapi.m_pfnReadMail(m_oMapi.Session(), 0, const_cast<LPSTR>(p_sId.c_str()), p_nFlags, 0, &m_pMessage);
        if (result == SUCCESS_SUCCESS && m_pMessage != nullptr)
            return true;
        LogCallFailure(__PRETTY_FUNCTION__, "MAPIReadMail", EResultKind::Win32Error, result);
        m_pMessage = nullptr;
        return false;
    }
    lpMapiMessage operator->() const
    {
        return m_pMessage;
    }

  private:
    CSimpleMAPI& m_oMapi;
    lpMapiMessage m_pMessage = nullptr;
};

std::string Text(const char* p_szText)
{
    return p_szText != nullptr ? p_szText : "";
}

std::string Originator(const MapiMessage& p_oMessage)
{
    if (p_oMessage.lpOriginator == nullptr)
        return {};
    const std::string address = Text(p_oMessage.lpOriginator->lpszAddress);
    return address.empty() ? Text(p_oMessage.lpOriginator->lpszName) : address;
}

bool ReadNumber(CRegistry& p_oRegistry, const char* p_szName, uint32_t& p_dwValue)
{
    const std::string text = p_oRegistry.ReadUserText(p_szName);
    if (text.empty())
        return false;
    char* end = nullptr;
    p_dwValue = static_cast<uint32_t>(std::strtoul(text.c_str(), &end, 10));
    return end != nullptr && *end == '\0';
}
} // namespace

bool CSimpleMailbox::PeekEnvelope(const std::string& p_sId, COEMail& p_oMail)
{
    CMapiMessage message(m_oMapi);
    if (!message.Read(p_sId, MAPI_PEEK | MAPI_ENVELOPE_ONLY))
        return false;
    p_oMail = COEMail();
    p_oMail.m_sOriginator = Originator(*message.operator->());
    p_oMail.m_sSubject = Text(message->lpszSubject);
    return true;
}

bool CSimpleMailbox::ReadMail(const std::string& p_sId, bool p_bAttachments, COEMail& p_oMail)
{
    CMapiMessage message(m_oMapi);
    if (!message.Read(p_sId, MAPI_PEEK | (p_bAttachments ? 0 : MAPI_SUPPRESS_ATTACH)))
        return false;
    p_oMail = COEMail();
    p_oMail.m_sOriginator = Originator(*message.operator->());
    p_oMail.m_sSubject = Text(message->lpszSubject);
    p_oMail.m_sBody = Text(message->lpszNoteText);
    for (ULONG i = 0; i < message->nRecipCount; ++i)
    {
        const std::string address = PlainAddress(Text(message->lpRecips[i].lpszAddress));
        p_oMail.m_sRecipients += (p_oMail.m_sRecipients.empty() ? "" : ";") + address;
    }
    // The saved files are the session's temporary copies: read the first, remove them all.
    for (ULONG i = 0; p_bAttachments && i < message->nFileCount; ++i)
    {
        const std::string path = Text(message->lpFiles[i].lpszPathName);
        if (i == 0)
        {
            std::string bytes;
            p_oMail.m_bHasAttachment = ReadWholeFile(path, bytes) == EReadFile::Read;
            p_oMail.m_vFirstAttachment.assign(bytes.begin(), bytes.end());
        }
        if (!path.empty())
            (void)DeleteFileA(path.c_str());
    }
    return true;
}

bool CSimpleMailbox::DeleteMail(const std::string& p_sId)
{
    const ULONG result = m_oMapi.m_pfnDeleteMail(m_oMapi.Session(), 0, const_cast<LPSTR>(p_sId.c_str()), 0, 0);
    if (result == SUCCESS_SUCCESS)
        return true;
    LogCallFailure(__PRETTY_FUNCTION__, "MAPIDeleteMail", EResultKind::Win32Error, result);
    return false;
}

bool LastMessageNumber(CSimpleMAPI& p_oMapi, uint32_t& p_dwLast, uint32_t& p_dwError)
{
    p_dwLast = 0;
    std::string seed;
    // A mailbox cannot hold more messages than ids exist; the bound only guards a library that
    // keeps answering.
    for (uint64_t walked = 0; walked <= UINT32_MAX; ++walked)
    {
        char id[kMessageIdSize] = {};
        const ULONG result = p_oMapi.m_pfnFindNext(p_oMapi.Session(), 0, nullptr, const_cast<LPSTR>(seed.c_str()),
                                                   MAPI_LONG_MSGID, 0, id);
        if (result == MAPI_E_NO_MESSAGES)
            return true;
        if (result != SUCCESS_SUCCESS)
        {
            p_dwError = result;
            LogCallFailure(__PRETTY_FUNCTION__, "MAPIFindNext", EResultKind::Win32Error, result);
            return false;
        }
        seed = id;
        p_dwLast = static_cast<uint32_t>(std::strtoul(id, nullptr, 10));
    }
    return true;
}

COEMonitor::COEMonitor(COEMonitorHost p_oHost) : m_oHost(std::move(p_oHost))
{
}

COEMonitor::~COEMonitor()
{
    Stop();
}

bool COEMonitor::Start()
{
    if (IsRunning())
        return true;
    m_oStop.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    m_oDone.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    m_oIdentityChanged.reset(CreateEventA(nullptr, FALSE, FALSE, kIdentityChangedEvent));
    m_oQueryIdentityChange.reset(CreateEventA(nullptr, FALSE, FALSE, kQueryIdentityChangeEvent));
    if (!LOG_IF_WIN32_BOOL_FALSE(m_oStop && m_oDone && m_oIdentityChanged && m_oQueryIdentityChange))
        return false;
    m_oThread.reset(CreateThread(nullptr, 0, &COEMonitor::ThreadProc, this, 0, nullptr));
    return LOG_IF_WIN32_BOOL_FALSE(m_oThread.get() != nullptr);
}

void COEMonitor::Stop()
{
    if (!IsRunning())
        return;
    (void)LOG_IF_WIN32_BOOL_FALSE(SetEvent(m_oStop.get()));
    (void)WaitForSingleObject(m_oDone.get(), INFINITE);
    DWORD code = STILL_ACTIVE;
    while (GetExitCodeThread(m_oThread.get(), &code) && code == STILL_ACTIVE)
        Sleep(10);
    m_oThread.reset();
    // Without a monitor the hooks have nobody to wake.
    (void)m_oHost.m_p_oRegistry->Store().DeleteValue(ERegRoot::CurrentUser, kUserKey, kIdFromValue);
    (void)m_oHost.m_p_oRegistry->Store().DeleteValue(ERegRoot::CurrentUser, kUserKey, kIdToValue);
}

DWORD WINAPI COEMonitor::ThreadProc(void* p_pThis)
{
    auto* monitor = static_cast<COEMonitor*>(p_pThis);
    TrapExceptionsVoid("COEMonitor::ThreadProc", [&] { monitor->Run(); });
    (void)SetEvent(monitor->m_oDone.get());
    return 0;
}

void COEMonitor::WriteRange(uint32_t p_dwFrom, uint32_t p_dwTo)
{
    if (!m_oHost.m_p_oRegistry->WriteUserText(kIdFromValue, std::to_string(p_dwFrom)) ||
        !m_oHost.m_p_oRegistry->WriteUserText(kIdToValue, std::to_string(p_dwTo)))
        LOG_FAILURE("the message range %u..%u could not be stored", p_dwFrom, p_dwTo);
}

bool COEMonitor::LogOn(std::unique_ptr<CSimpleMAPI>& p_p_oMapi)
{
    if (p_p_oMapi)
        return true;
    auto mapi = std::make_unique<CSimpleMAPI>(m_oHost.m_iMajor, *m_oHost.m_p_oRegistry);
    if (!mapi->IsValid() || !mapi->LoginToCurrentIdentity())
    {
        Log("COEMonitor: no Simple MAPI session: %s", mapi->Error().Text().c_str());
        return false;
    }
    p_p_oMapi = std::move(mapi);
    return true;
}

void COEMonitor::DealWithNewMail(std::unique_ptr<CSimpleMAPI>& p_p_oMapi)
{
    uint32_t from = 0;
    uint32_t to = 0;
    uint32_t error = 0;
    if (!LogOn(p_p_oMapi) || !LastMessageNumber(*p_p_oMapi, to, error))
        return;
    // Without a stored start (the first batch), only what arrives from now on is read.
    if (!ReadNumber(*m_oHost.m_p_oRegistry, kIdFromValue, from))
        from = to;
    WriteRange(from, to);
    Log("COEMonitor: new mail %u..%u", from, to);
    if (to > from && m_oHost.m_fnWithServices)
    {
        CSimpleMailbox mailbox(*p_p_oMapi);
        m_oHost.m_fnWithServices([&](const CNewMailServices& p_oServices) {
            if (!DealWithNewServerComms(from, to, mailbox, p_oServices))
                Log("COEMonitor: DealWithNewServerComms failed");
        });
    }
    WriteRange(to, to);
}

bool COEMonitor::StoreRangeStart()
{
    std::unique_ptr<CSimpleMAPI> mapi;
    uint32_t last = 0;
    uint32_t error = 0;
    if (!LogOn(mapi) || !LastMessageNumber(*mapi, last, error))
        return false;
    WriteRange(last, last);
    return true;
}

void COEMonitor::Run()
{
    unique_handle newMail(CreateEventA(nullptr, FALSE, FALSE, kNewServerMailEvent));
    if (!LOG_IF_WIN32_BOOL_FALSE(newMail.get() != nullptr))
        return;
    std::unique_ptr<CSimpleMAPI> mapi;
    // The range starts at what the Inbox holds now; storing it tells the hooks a monitor listens.
    // The monitor may start before the client has made its store (the launcher starts both): until
    // the Inbox can be read the start is tried again, less often the longer it fails, since without
    // it the hooks never wake the monitor.
    DWORD retryMs = kRangeRetryFirstMs;
    bool listening = StoreRangeStart();
    const HANDLE events[3] = {m_oStop.get(), newMail.get(), m_oIdentityChanged.get()};
    for (;;)
    {
        const DWORD woken = WaitForMultipleObjects(3, events, FALSE, listening ? INFINITE : retryMs);
        if (woken == WAIT_TIMEOUT)
        {
            listening = StoreRangeStart();
            retryMs = std::min<DWORD>(retryMs * 2, kRangeRetryLastMs);
        }
        else if (woken == WAIT_OBJECT_0 + 1)
        {
            DealWithNewMail(mapi);
            mapi.reset();
        }
        else if (woken == WAIT_OBJECT_0 + 2)
        {
            // The new identity's Inbox numbers its messages on its own: the range starts again at
            // what it holds, or the next batch would read its old mail as new.
            Log("COEMonitor: identity changed");
            mapi.reset();
            listening = StoreRangeStart();
            retryMs = kRangeRetryFirstMs;
        }
        else
        {
            if (woken != WAIT_OBJECT_0)
                LOG_FAILURE("WaitForMultipleObjects failed: error %lu", GetLastError());
            break;
        }
    }
}
} // namespace oe
