// standins/mapi/provider/provider_spooler.cpp: the spooler (submitted messages leave as RFC 5322
// mail over SMTP to the configured "SmtpServer", after "SpoolDelayMs" or at FlushQueues), the drop
// folder that delivers .eml files into the Inbox. A submitted message waits in the queue, where
// AbortSubmit can take it back; once the spooler has taken it (due, or flushed) it is in flight
// and can no longer be aborted. The queue is rebuilt from the store's submit flags when the
// spooler starts, so a submission outlives the process that made it.
// Every process that logs on runs this code, but as with the one spooler of a profile only one of
// them sends: the process whose thread holds the store's spooler mutex. The others hand what they
// flush to it by marking it taken in the store (SUBMITFLAG_LOCKED in PR_SUBMIT_FLAGS, written
// under the store's mutex) and waking it; the mark also stops AbortSubmit in every process. When
// the sending process ends, another takes the mutex over and sends what is still marked taken.
#include "standins/mapi/provider/provider.h"
#include "standins/mapi/store/folder_index.h"

#include "common/trace_log.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <fstream>
#include <sstream>
#include <thread>

namespace mapiprov
{
namespace
{
struct CQueued
{
    ms::CBytes m_uid;
    uint32_t m_uId;
    ULONGLONG m_ullDue;
};
std::deque<CQueued> g_queue;     // under Lock(): waiting, abortable
std::vector<CQueued> g_inFlight; // under Lock(): taken by the spooler until sent or failed
std::vector<CQueued> g_flushed;  // under Lock(): taken by an asynchronous flush, for the thread to send
std::mutex g_sendLock;           // one SMTP exchange at a time
unique_handle g_hStop;
unique_handle g_hThread;
unique_handle g_hStarted;                // the thread has bid for the sender's role once
unique_handle g_hRole;                   // named: held by the thread of the process that sends
unique_handle g_hWake;                   // named, auto-reset: another process submitted or handed over
std::atomic<bool> g_bSender{false};      // this process's thread holds g_hRole
constexpr DWORD kHandOverWaitMs = 60000; // a synchronous flush waits this long for another process

struct socket_traits
{
    using pointer = SOCKET;
    static pointer invalid() noexcept
    {
        return INVALID_SOCKET;
    }
    static void close(pointer p_s) noexcept
    {
        closesocket(p_s);
    }
};
using unique_socket = unique_any<socket_traits>;

struct addrinfo_traits
{
    using pointer = addrinfo*;
    static pointer invalid() noexcept
    {
        return nullptr;
    }
    static void close(pointer p_p) noexcept
    {
        freeaddrinfo(p_p);
    }
};
using unique_addrinfo = unique_any<addrinfo_traits>;

struct find_handle_traits
{
    using pointer = HANDLE;
    static pointer invalid() noexcept
    {
        return INVALID_HANDLE_VALUE;
    }
    static void close(pointer p_h) noexcept
    {
        FindClose(p_h);
    }
};
using unique_find_handle = unique_any<find_handle_traits>;

std::string Base64(const ms::CBytes& p_b)
{
    static const char k[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < p_b.size(); i += 3)
    {
        const uint32_t n =
            (p_b[i] << 16) | (i + 1 < p_b.size() ? p_b[i + 1] << 8 : 0) | (i + 2 < p_b.size() ? p_b[i + 2] : 0);
        out += k[n >> 18 & 63];
        out += k[n >> 12 & 63];
        out += i + 1 < p_b.size() ? k[n >> 6 & 63] : '=';
        out += i + 2 < p_b.size() ? k[n & 63] : '=';
        if ((i / 3 + 1) % 19 == 0)
            out += "\r\n";
    }
    return out;
}

std::string SmtpAddressOf(const ms::CPropList& p_r)
{
    const std::string type = ms::GetString(p_r, PR_ADDRTYPE);
    if (!ms::GetString(p_r, PR_SMTP_ADDRESS).empty())
        return ms::GetString(p_r, PR_SMTP_ADDRESS);
    if (type == "SMTP" || type.empty())
        return ms::GetString(p_r, PR_EMAIL_ADDRESS);
    return {};
}

// The RFC 5322 text of a message: headers, the body, attachments as base64 MIME parts.
std::string Compose(const ms::CItem& p_item, std::vector<std::string>& p_rcpts)
{
    std::string to, cc;
    for (const auto& r : p_item.m_vRecipients)
    {
        const std::string addr = SmtpAddressOf(r);
        if (addr.empty())
            continue;
        p_rcpts.push_back(addr);
        const auto type = ms::GetLong(r, PR_RECIPIENT_TYPE).value_or(MAPI_TO);
        if (type == MAPI_BCC)
            continue;
        std::string& list = type == MAPI_CC ? cc : to;
        list += (list.empty() ? "" : ", ") + ("\"" + ms::GetString(r, PR_DISPLAY_NAME) + "\" <" + addr + ">");
    }
    SYSTEMTIME st;
    GetSystemTime(&st);
    static const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char date[64];
    snprintf(date, sizeof date, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[st.wDayOfWeek], st.wDay,
             kMonths[st.wMonth - 1], st.wYear, st.wHour, st.wMinute, st.wSecond);
    const std::string from = ms::GetString(p_item.m_props, PR_SENDER_EMAIL_ADDRESS, "user@brevolt.example");
    std::string m = "From: " + from + "\r\n";
    if (!to.empty())
        m += "To: " + to + "\r\n";
    if (!cc.empty())
        m += "Cc: " + cc + "\r\n";
    m += "Subject: " + ms::GetString(p_item.m_props, PR_SUBJECT) + "\r\nDate: " + date + "\r\nMIME-Version: 1.0\r\n";
    // A message written as RTF alone goes out as the RTF's text.
    const ms::CPropValue* rtf = ms::FindProp(p_item.m_props, PR_RTF_COMPRESSED);
    std::string body = ms::FindProp(p_item.m_props, PR_BODY) || !rtf ? ms::GetString(p_item.m_props, PR_BODY)
                                                                     : TextOfRtf(rtf->m_bValue);
    const std::string boundary = "=_brevolt_mapi_" + std::to_string(p_item.m_uId);
    if (p_item.m_vAttachments.empty())
        m += "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" + body + "\r\n";
    else
    {
        m += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n--" + boundary +
             "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" + body + "\r\n";
        for (const auto& a : p_item.m_vAttachments)
        {
            std::string name =
                ms::GetString(a, PR_ATTACH_LONG_FILENAME, ms::GetString(a, PR_ATTACH_FILENAME, "attachment.bin"));
            const std::string mime = ms::GetString(a, PR_ATTACH_MIME_TAG, "application/octet-stream");
            const ms::CPropValue* data = ms::FindProp(a, PR_ATTACH_DATA_BIN);
            m += "--" + boundary + "\r\nContent-Type: " + mime + "; name=\"" + name +
                 "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"" + name +
                 "\"\r\n\r\n" + Base64(data ? data->m_bValue : ms::CBytes()) + "\r\n";
        }
        m += "--" + boundary + "--\r\n";
    }
    // Lines of the message body go out with CRLF; bare LFs from PR_BODY become CRLF.
    std::string out;
    for (size_t i = 0; i < m.size(); ++i)
    {
        if (m[i] == '\n' && (i == 0 || m[i - 1] != '\r'))
            out += '\r';
        out += m[i];
    }
    return out;
}

bool SmtpSend(const std::string& p_sServer, const std::string& p_sFrom, const std::vector<std::string>& p_rcpts,
              const std::string& p_sData)
{
    const size_t colon = p_sServer.rfind(':');
    const std::string host = colon == std::string::npos ? p_sServer : p_sServer.substr(0, colon);
    const std::string port = colon == std::string::npos ? "25" : p_sServer.substr(colon + 1);
    WSADATA wsa;
    if (LOG_IF_WIN32_ERROR(WSAStartup(MAKEWORD(2, 2), &wsa)) != 0)
        return false;
    const scope_exit cleanup([] { WSACleanup(); });
    bool ok = false;
    addrinfo hints{};
    unique_addrinfo res;
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    if (LOG_IF_WIN32_ERROR(getaddrinfo(host.c_str(), port.c_str(), &hints, res.put())) == 0 && res)
    {
        const addrinfo* ai = res.get();
        unique_socket sock(socket(ai->ai_family, ai->ai_socktype, ai->ai_protocol));
        const SOCKET s = sock.get();
        DWORD timeout = 15000;
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        if (!sock || connect(s, ai->ai_addr, static_cast<int>(ai->ai_addrlen)) != 0)
            LogCallFailure(__PRETTY_FUNCTION__, "connect", EResultKind::Win32Error, WSAGetLastError());
        else
        {
            std::string buf;
            auto reply = [&]() -> int {
                // A reply ends with a line whose fourth character is a space.
                for (;;)
                {
                    size_t start = 0;
                    for (size_t nl; (nl = buf.find("\r\n", start)) != std::string::npos; start = nl + 2)
                        if (nl - start >= 4 && buf[start + 3] == ' ')
                        {
                            const int code = atoi(buf.substr(start, 3).c_str());
                            buf.erase(0, nl + 2);
                            return code;
                        }
                    char chunk[512];
                    const int n = recv(s, chunk, sizeof chunk, 0);
                    if (n <= 0)
                        return -1;
                    buf.append(chunk, n);
                }
            };
            auto send_all = [&](const std::string& p_s) {
                return send(s, p_s.data(), static_cast<int>(p_s.size()), 0) == static_cast<int>(p_s.size());
            };
            auto cmd = [&](const std::string& p_s, int p_iWant) {
                return send_all(p_s + "\r\n") && reply() / 100 == p_iWant / 100;
            };
            ok = reply() == 220 && cmd("HELO localhost", 250) && cmd("MAIL FROM:<" + p_sFrom + ">", 250);
            for (const auto& r : p_rcpts)
                ok = ok && cmd("RCPT TO:<" + r + ">", 250);
            if (ok && cmd("DATA", 354))
            {
                std::string data;
                size_t start = 0;
                while (start < p_sData.size())
                {
                    size_t nl = p_sData.find("\r\n", start);
                    const std::string line =
                        p_sData.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
                    data += (line.rfind(".", 0) == 0 ? "." : "") + line + "\r\n";
                    start = nl == std::string::npos ? p_sData.size() : nl + 2;
                }
                ok = send_all(data + ".\r\n") && reply() == 250;
                cmd("QUIT", 221);
            }
            else
                ok = false;
            if (!ok)
                LOG_FAILURE("the SMTP exchange with %s failed", p_sServer.c_str());
        }
    }
    return ok;
}

bool IsSubmitted(const ms::CItem& p_item)
{
    return (ms::GetLong(p_item.m_props, PR_MESSAGE_FLAGS).value_or(0) & MSGFLAG_SUBMIT) != 0;
}

bool IsTaken(const ms::CItem& p_item)
{
    return (ms::GetLong(p_item.m_props, PR_SUBMIT_FLAGS).value_or(0) & SUBMITFLAG_LOCKED) != 0;
}

// Sets or clears the mark that the spooler has taken the message; true when it changed.
bool MarkTaken(ms::CPropList& p_props, bool p_bTaken)
{
    const int64_t flags = ms::GetLong(p_props, PR_SUBMIT_FLAGS).value_or(0);
    const int64_t want = p_bTaken ? flags | SUBMITFLAG_LOCKED : flags & ~static_cast<int64_t>(SUBMITFLAG_LOCKED);
    if (want == flags)
        return false;
    ms::SetProp(p_props, ms::CPropValue::Long(PR_SUBMIT_FLAGS, want));
    return true;
}

// The message a queue entry names, where the store holds it now (under Lock()).
ms::CItemRef Locate(const ms::CBytes& p_uid, uint32_t p_uId)
{
    ms::CStore* s = CProvider::Get().m_file.StoreByUid(p_uid);
    return s ? ms::FindItem(s->m_root, p_uId) : ms::CItemRef{};
}

// Marks a message taken in the store (under Lock(); written when the outermost lock ends, before
// another process can look).
void MarkTakenInStore(const CQueued& p_q)
{
    const ms::CItemRef ref = Locate(p_q.m_uid, p_q.m_uId);
    if (ref.Item() && MarkTaken(ref.Item()->m_props, true))
    {
        ms::MarkFolderChanged(*ref.m_pFolder);
        CProvider::Get().Changed();
    }
}

// Sends one queued message; afterwards it is deleted or moved as its properties say.
void SendOne(const CQueued& p_q)
{
    std::string server, data, from;
    std::vector<std::string> rcpts;
    {
        std::lock_guard<CStoreMutex> lock(Lock());
        ms::CStore* s = CProvider::Get().m_file.StoreByUid(p_q.m_uid);
        ms::CItem* item = s ? ms::FindItem(s->m_root, p_q.m_uId).Item() : nullptr;
        // Another process sharing the store may have queued and sent it as well: what the file
        // shows as no longer submitted has left (or was aborted) and is not sent twice.
        if (!item || !IsSubmitted(*item))
            return;
        data = Compose(*item, rcpts);
        from = ms::GetString(item->m_props, PR_SENDER_EMAIL_ADDRESS, "user@brevolt.example");
        server = Utf8FromWide(CProvider::Get().Config(L"SmtpServer", L"localhost:25").c_str());
    }
    const bool bSent = !rcpts.empty() && SmtpSend(server, from, rcpts, data);
    std::lock_guard<CStoreMutex> lock(Lock());
    CProvider& prov = CProvider::Get();
    ms::CStore* s = prov.m_file.StoreByUid(p_q.m_uid);
    ms::CItemRef ref = s ? ms::FindItem(s->m_root, p_q.m_uId) : ms::CItemRef{};
    if (!ref.Item())
        return;
    ms::CItem item = *ref.Item();
    int64_t flags = ms::GetLong(item.m_props, PR_MESSAGE_FLAGS).value_or(0) & ~static_cast<int64_t>(MSGFLAG_SUBMIT);
    MarkTaken(item.m_props, false);
    if (!bSent)
    {
        // A failed send stays in its folder, unsent, as a non-delivery would leave it.
        Log("MAPI stand-in spooler: message %u did not leave", p_q.m_uId);
        MarkTaken(ref.Item()->m_props, false);
        ms::SetProp(ref.Item()->m_props, ms::CPropValue::Long(PR_MESSAGE_FLAGS, flags | MSGFLAG_UNSENT));
        ms::MarkFolderChanged(*ref.m_pFolder);
        prov.Changed();
        (void)prov.Save(); // a failure is logged
        return;
    }
    Log("MAPI stand-in spooler: message %u left", p_q.m_uId);
    ms::SetProp(item.m_props, ms::CPropValue::Long(PR_MESSAGE_FLAGS, flags | MSGFLAG_READ));
    const ms::CBytes oldEid = MessageEntryId(*s, item.m_uId), oldParent = FolderEntryId(*s, *ref.m_pFolder);
    ref.m_pFolder->m_vItems.erase(ref.m_pFolder->m_vItems.begin() + static_cast<ptrdiff_t>(ref.m_nIndex));
    ms::MarkFolderChanged(*ref.m_pFolder);
    const ms::CPropValue* sent = ms::FindProp(item.m_props, PR_SENTMAIL_ENTRYID);
    CEntryIdBits bits;
    ms::CStore* ds = nullptr;
    ms::CFolder* df = nullptr;
    if (ms::GetLong(item.m_props, PR_DELETE_AFTER_SUBMIT).value_or(0))
        QueueObjectEvent(fnevObjectDeleted, s->m_uid, oldEid, MAPI_MESSAGE, oldParent);
    else if (sent && ParseEntryId(static_cast<ULONG>(sent->m_bValue.size()), sent->m_bValue.data(), bits) &&
             LocateFolder(bits, ds, df) && ds == s)
    {
        df->m_vItems.push_back(item);
        ms::MarkFolderChanged(*df);
        QueueObjectEvent(fnevObjectMoved, s->m_uid, oldEid, MAPI_MESSAGE, FolderEntryId(*s, *df), oldEid, oldParent);
    }
    else
        ref.m_pFolder->m_vItems.push_back(item); // neither: it stays where it was, sent
    prov.Changed();
    (void)prov.Save(); // a failure is logged
}

// Imports the .eml files of the drop folder into the Inbox.
void ScanDropFolder()
{
    std::wstring dir;
    {
        std::lock_guard<CStoreMutex> lock(Lock());
        dir = CProvider::Get().Config(L"DropFolder");
    }
    if (dir.empty())
        return;
    WIN32_FIND_DATAW fd;
    unique_find_handle find(FindFirstFileW((dir + L"\\*.eml").c_str(), &fd));
    if (!find)
        return;
    do
    {
        const std::wstring path = dir + L"\\" + fd.cFileName;
        std::ifstream in(path.c_str(), std::ios::binary);
        std::ostringstream ss;
        ss << in.rdbuf();
        in.close();
        const std::string text = ss.str().substr(0, 16u << 20);
        ms::CItem item;
        // Headers up to the first empty line; unfolded, the ones a store shows.
        size_t end = text.find("\r\n\r\n");
        size_t sep = 4;
        if (end == std::string::npos)
        {
            end = text.find("\n\n");
            sep = 2;
        }
        const std::string head = text.substr(0, end);
        const std::string body = end == std::string::npos ? std::string() : text.substr(end + sep);
        auto header = [&](const char* p_szName) -> std::string {
            std::istringstream hs(head);
            std::string line, value;
            bool bIn = false;
            while (std::getline(hs, line))
            {
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                if (bIn && !line.empty() && (line[0] == ' ' || line[0] == '\t'))
                {
                    value += line;
                    continue;
                }
                if (bIn)
                    break;
                const size_t n = strlen(p_szName);
                if (line.size() > n && _strnicmp(line.c_str(), p_szName, n) == 0 && line[n] == ':')
                {
                    value = line.substr(n + 1);
                    bIn = true;
                }
            }
            const size_t b = value.find_first_not_of(" \t");
            return b == std::string::npos ? std::string() : value.substr(b);
        };
        ms::SetProp(item.m_props, ms::CPropValue::String(ms::tag::MessageClass, "IPM.Note"));
        ms::SetProp(item.m_props, ms::CPropValue::String(ms::tag::Subject, header("Subject")));
        std::string from = header("From");
        const size_t lt = from.find('<'), gt = from.find('>');
        const std::string fromAddr = lt != std::string::npos && gt > lt ? from.substr(lt + 1, gt - lt - 1) : from;
        std::string fromName = lt != std::string::npos ? from.substr(0, lt) : from;
        fromName.erase(std::remove(fromName.begin(), fromName.end(), '"'), fromName.end());
        while (!fromName.empty() && fromName.back() == ' ')
            fromName.pop_back();
        ms::SetProp(item.m_props, ms::CPropValue::String(ms::tag::SenderName, fromName.empty() ? fromAddr : fromName));
        ms::SetProp(item.m_props, ms::CPropValue::String(ms::tag::SenderEmail, fromAddr));
        ms::SetProp(item.m_props, ms::CPropValue::String(PROP_TAG(PT_UNICODE, PROP_ID(PR_SENDER_ADDRTYPE)), "SMTP"));
        ms::SetProp(item.m_props, ms::CPropValue::String(PROP_TAG(PT_UNICODE, PROP_ID(PR_SENT_REPRESENTING_NAME)),
                                                         fromName.empty() ? fromAddr : fromName));
        ms::SetProp(item.m_props, ms::CPropValue::String(
                                      PROP_TAG(PT_UNICODE, PROP_ID(PR_SENT_REPRESENTING_EMAIL_ADDRESS)), fromAddr));
        // The headers as received, which mail-watching clients read to recognise senders.
        ms::SetProp(item.m_props,
                    ms::CPropValue::String(PROP_TAG(PT_UNICODE, PROP_ID(PR_TRANSPORT_MESSAGE_HEADERS)), head + "\r\n"));
        ms::SetProp(item.m_props, ms::CPropValue::String(ms::tag::Body, body));
        ImportMimeParts(text, item); // a multipart mail: its text part, and its files as attachments
        ms::SetProp(item.m_props, ms::CPropValue::Long(ms::tag::MessageFlags, 0));
        FILETIME ft;
        GetSystemTimeAsFileTime(&ft);
        ms::SetProp(item.m_props,
                    ms::CPropValue::Long(
                        ms::tag::DeliveryTime,
                        static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime)));
        if (!DeleteFileW(path.c_str()))
            continue; // still being written; next round
        LOG_IF_MAPI_FAILED(Call("DropFolder::Deliver", [&]() -> HRESULT {
            return DeliverToInbox(std::move(item)) ? S_OK : MAPI_E_NOT_FOUND;
        }));
    } while (FindNextFileW(find.get(), &fd));
}

bool Same(const CQueued& p_a, const ms::CBytes& p_uid, uint32_t p_uId)
{
    return p_a.m_uid == p_uid && p_a.m_uId == p_uId;
}

template <typename C> bool Holds(const C& p_list, const ms::CBytes& p_uid, uint32_t p_uId)
{
    return std::any_of(p_list.begin(), p_list.end(), [&](const CQueued& p_q) { return Same(p_q, p_uid, p_uId); });
}

// Takes the queued messages p_fn picks out of the queue and marks them taken in the store (under
// Lock()); the caller sends them or hands them to the process that sends.
template <typename F> std::vector<CQueued> TakeQueued(F p_fn)
{
    std::vector<CQueued> taken;
    for (auto it = g_queue.begin(); it != g_queue.end();)
        if (p_fn(*it))
        {
            MarkTakenInStore(*it);
            taken.push_back(*it);
            it = g_queue.erase(it);
        }
        else
            ++it;
    return taken;
}

// Sends what was taken; each leaves the in-flight list when its exchange is over.
void SendTaken(const std::vector<CQueued>& p_taken)
{
    std::lock_guard<std::mutex> send(g_sendLock);
    for (const auto& q : p_taken)
    {
        SendOne(q);
        std::lock_guard<CStoreMutex> lock(Lock());
        const auto it = std::find_if(g_inFlight.begin(), g_inFlight.end(),
                                     [&](const CQueued& p_q) { return Same(p_q, q.m_uid, q.m_uId); });
        if (it != g_inFlight.end())
            g_inFlight.erase(it);
    }
}

// Calls p_fn for every submitted message of the folder and its subfolders.
template <typename F> void ForEachSubmitted(const ms::CFolder& p_folder, F& p_fn)
{
    for (const ms::CItem& item : p_folder.m_vItems)
        if (IsSubmitted(item))
            p_fn(item);
    for (const auto& child : p_folder.m_vFolders)
        ForEachSubmitted(*child, p_fn);
}

// The sending process takes over what the store holds submitted (under Lock()): messages marked
// taken leave with the next round (a flush in another process promised them, or a sender that
// ended before it was done had them: sent again rather than lost), the others wait their delay.
void AdoptStoredSubmissions()
{
    for (const ms::CStore& store : CProvider::Get().m_file.m_vStores)
    {
        auto adopt = [&](const ms::CItem& p_item) {
            if (Holds(g_inFlight, store.m_uid, p_item.m_uId))
                return;
            const auto queued = std::find_if(g_queue.begin(), g_queue.end(),
                                             [&](const CQueued& p_q) { return Same(p_q, store.m_uid, p_item.m_uId); });
            if (!IsTaken(p_item))
            {
                if (queued == g_queue.end())
                    QueueSubmission(store.m_uid, p_item.m_uId);
                return;
            }
            const CQueued q{store.m_uid, p_item.m_uId, GetTickCount64()};
            if (queued != g_queue.end())
                g_queue.erase(queued);
            g_inFlight.push_back(q);
            g_flushed.push_back(q);
        };
        ForEachSubmitted(store.m_root, adopt);
    }
}

// Takes the sender's role when no other process holds it; true when this call took it.
bool BidForRole()
{
    if (g_bSender)
        return false;
    const DWORD wait = g_hRole ? WaitForSingleObject(g_hRole.get(), 0) : WAIT_OBJECT_0;
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED)
        return false;
    if (wait == WAIT_ABANDONED)
        Log("MAPI stand-in spooler: the process that sent ended without handing over; this one sends now");
    g_bSender = true;
    return true;
}

// Sends what a flush handed over before the role goes to another process.
void HandBackRole()
{
    if (!g_bSender)
        return;
    TrapExceptionsVoid("MAPI stand-in spooler: stop", [] {
        std::vector<CQueued> taken;
        {
            std::lock_guard<CStoreMutex> lock(Lock());
            taken.swap(g_flushed);
        }
        SendTaken(taken);
    });
    g_bSender = false;
    if (g_hRole)
        (void)LOG_IF_WIN32_BOOL_FALSE(ReleaseMutex(g_hRole.get()));
}

DWORD WINAPI BackgroundThread(LPVOID)
{
    // The first bid happens while the thread that started this one waits (it may hold Lock()), so
    // the store is looked at on the first round.
    bool bAdopt = BidForRole();
    (void)LOG_IF_WIN32_BOOL_FALSE(SetEvent(g_hStarted.get()));
    for (;;)
    {
        const HANDLE waits[2] = {g_hStop.get(), g_hWake.get()};
        const DWORD count = g_bSender && g_hWake ? 2 : 1;
        const DWORD wait = WaitForMultipleObjects(count, waits, FALSE, 200);
        if (wait != WAIT_TIMEOUT && wait != WAIT_OBJECT_0 + 1)
            break;
        TrapExceptionsVoid("MAPI stand-in spooler", [&] {
            bAdopt = BidForRole() || bAdopt || wait == WAIT_OBJECT_0 + 1;
            std::vector<CQueued> due;
            if (g_bSender)
            {
                std::lock_guard<CStoreMutex> lock(Lock());
                if (bAdopt)
                    AdoptStoredSubmissions();
                const ULONGLONG now = GetTickCount64();
                due = TakeQueued([now](const CQueued& p_q) { return p_q.m_ullDue <= now; });
                g_inFlight.insert(g_inFlight.end(), due.begin(), due.end());
                due.insert(due.end(), g_flushed.begin(), g_flushed.end());
                g_flushed.clear();
            }
            bAdopt = false;
            SendTaken(due);
            DeliverQueued();
            ScanDropFolder();
        });
    }
    HandBackRole();
    return 0;
}

bool IsSpooled(const ms::CBytes& p_uid, uint32_t p_uId)
{
    return Holds(g_queue, p_uid, p_uId) || Holds(g_inFlight, p_uid, p_uId) || Holds(g_flushed, p_uid, p_uId);
}

// Waits until the messages another process's spooler was handed have left (or were given up).
void WaitUntilLeft(const std::vector<CQueued>& p_handed)
{
    const ULONGLONG end = GetTickCount64() + kHandOverWaitMs;
    for (;;)
    {
        {
            std::lock_guard<CStoreMutex> lock(Lock());
            if (std::none_of(p_handed.begin(), p_handed.end(), [](const CQueued& p_q) {
                    const ms::CItem* item = Locate(p_q.m_uid, p_q.m_uId).Item();
                    return item && IsSubmitted(*item);
                }))
                return;
        }
        if (GetTickCount64() >= end)
        {
            LOG_FAILURE("the sending process did not send what this flush handed it within %lu ms",
                        static_cast<unsigned long>(kHandOverWaitMs));
            return;
        }
        Sleep(50);
    }
}
} // namespace

void QueueSubmission(const ms::CBytes& p_storeUid, uint32_t p_uId)
{
    const ULONGLONG delay = std::wcstoul(CProvider::Get().Config(L"SpoolDelayMs", L"3000").c_str(), nullptr, 10);
    g_queue.push_back({p_storeUid, p_uId, GetTickCount64() + delay});
    if (!g_bSender && g_hWake)
        (void)LOG_IF_WIN32_BOOL_FALSE(SetEvent(g_hWake.get()));
}

void QueueStoredSubmissions()
{
    std::lock_guard<CStoreMutex> lock(Lock());
    for (const ms::CStore& store : CProvider::Get().m_file.m_vStores)
    {
        auto queue = [&](const ms::CItem& p_item) {
            if (!IsSpooled(store.m_uid, p_item.m_uId))
                QueueSubmission(store.m_uid, p_item.m_uId);
        };
        ForEachSubmitted(store.m_root, queue);
    }
}

HRESULT AbortSubmission(const ms::CBytes& p_storeUid, uint32_t p_uId)
{
    if (Holds(g_inFlight, p_storeUid, p_uId))
        return MAPI_E_UNABLE_TO_ABORT; // the spooler has it
    const auto it =
        std::find_if(g_queue.begin(), g_queue.end(), [&](const CQueued& q) { return Same(q, p_storeUid, p_uId); });
    const ms::CItemRef ref = Locate(p_storeUid, p_uId);
    ms::CItem* item = ref.Item();
    // The store says what happened to it, whichever process submitted it or sends it.
    if (!item || !IsSubmitted(*item))
    {
        if (it != g_queue.end())
            g_queue.erase(it);
        return MAPI_E_NOT_IN_QUEUE; // it has left already (or was never submitted)
    }
    if (IsTaken(*item))
        return MAPI_E_UNABLE_TO_ABORT; // another process's flush handed it to the spooler
    if (it != g_queue.end())
        g_queue.erase(it);
    ms::MarkFolderChanged(*ref.m_pFolder);
    const int64_t flags = ms::GetLong(item->m_props, PR_MESSAGE_FLAGS).value_or(0);
    ms::SetProp(item->m_props, ms::CPropValue::Long(PR_MESSAGE_FLAGS,
                                                    (flags & ~static_cast<int64_t>(MSGFLAG_SUBMIT)) | MSGFLAG_UNSENT));
    CProvider::Get().Changed();
    (void)CProvider::Get().Save(); // a failure is logged
    return S_OK;
}

void FlushSpooler(bool p_bAsync)
{
    std::vector<CQueued> taken;
    bool bSender = false;
    {
        std::lock_guard<CStoreMutex> lock(Lock());
        // The spooler serves the profile, not one process: what another process sharing the store
        // submitted (and the spooler still holds back) leaves with this flush too.
        QueueStoredSubmissions();
        taken = TakeQueued([](const CQueued&) { return true; });
        bSender = g_bSender;
        if (!bSender)
        {
            // Marked taken in the store, which is written before the lock ends: the sending
            // process finds them there when it wakes.
            if (!taken.empty() && g_hWake)
                (void)LOG_IF_WIN32_BOOL_FALSE(SetEvent(g_hWake.get()));
        }
        else
        {
            g_inFlight.insert(g_inFlight.end(), taken.begin(), taken.end());
            if (p_bAsync)
            {
                // In flight from now on; the spooler's thread sends them while the caller goes on.
                g_flushed.insert(g_flushed.end(), taken.begin(), taken.end());
                return;
            }
        }
    }
    if (bSender)
        SendTaken(taken);
    else if (!p_bAsync)
        WaitUntilLeft(taken);
}

void FlushInbound()
{
    ScanDropFolder();
}

ULONG SpoolerStatusCode()
{
    std::lock_guard<CStoreMutex> lock(Lock());
    ULONG code = STATUS_AVAILABLE | STATUS_OUTBOUND_ENABLED | STATUS_INBOUND_ENABLED;
    if (!g_inFlight.empty())
        code |= STATUS_OUTBOUND_ACTIVE;
    return code;
}

void StartBackground()
{
    if (g_hThread)
        return;
    // The submit state lives in the store: what an earlier process submitted and did not see
    // leave waits in the queue again, as a spooler starting up finds it in the Outbox.
    QueueStoredSubmissions();
    g_hStop.reset(LOG_IF_WIN32_BOOL_FALSE(CreateEventW(nullptr, TRUE, FALSE, nullptr)));
    g_hStarted.reset(LOG_IF_WIN32_BOOL_FALSE(CreateEventW(nullptr, TRUE, FALSE, nullptr)));
    // Without the named objects this process sends alone, as it would with no other process.
    g_hRole.reset(LOG_IF_WIN32_BOOL_FALSE(CreateMutexW(nullptr, FALSE, StoreObjectName(L"SpoolerRole").c_str())));
    g_hWake.reset(
        LOG_IF_WIN32_BOOL_FALSE(CreateEventW(nullptr, FALSE, FALSE, StoreObjectName(L"SpoolerWake").c_str())));
    if (!g_hStop || !g_hStarted)
        return;
    g_hThread.reset(LOG_IF_WIN32_BOOL_FALSE(CreateThread(nullptr, 0, BackgroundThread, nullptr, 0, nullptr)));
    if (!g_hThread)
    {
        g_hStop.reset();
        return;
    }
    // A flush right after the logon must already know whether this process sends.
    if (WaitForSingleObject(g_hStarted.get(), 10000) != WAIT_OBJECT_0)
        LOG_FAILURE("the spooler thread did not start within 10 s");
}

void StopBackground()
{
    if (!g_hThread)
        return;
    LOG_IF_WIN32_BOOL_FALSE(SetEvent(g_hStop.get()));
    // The thread sends what a flush handed over before it ends: the last MAPIUninitialize does not
    // drop it.
    const DWORD wait = WaitForSingleObject(g_hThread.get(), 60000);
    if (wait != WAIT_OBJECT_0)
    {
        // Still running: its handles stay open under it.
        LOG_FAILURE("the spooler thread did not end (wait result %lu)", wait);
        (void)g_hThread.release();
        (void)g_hStop.release();
        (void)g_hRole.release();
        (void)g_hWake.release();
        return;
    }
    g_hThread.reset();
    g_hStop.reset();
    g_hStarted.reset();
    g_hRole.reset();
    g_hWake.reset();
}
} // namespace mapiprov
