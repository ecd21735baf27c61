// standins/mapi/provider/provider_spooler.cpp: the spooler's queue (submitted messages leave after
// "SpoolDelayMs" or at FlushQueues; provider_spooler_send.cpp sends them, and the same thread
// looks at the drop folder of provider_spooler_drop.cpp). A submitted message waits in the queue, where
// AbortSubmit can take it back; once the spooler has taken it (due, or flushed) it is in flight
// and can no longer be aborted. The queue is rebuilt from the store's submit flags when the
// spooler starts, so a submission outlives the process that made it.
// Every process that logs on runs this code, but as with the one spooler of a profile only one of
// them sends: the process whose thread holds the store's spooler mutex. The others hand what they
// flush to it by marking it taken in the store (SUBMITFLAG_LOCKED in PR_SUBMIT_FLAGS, written
// under the store's mutex) and waking it; the mark also stops AbortSubmit in every process. When
// the sending process ends, another takes the mutex over and sends what is still marked taken.
#include "standins/mapi/provider/provider_spooler.h"
#include "standins/mapi/store/folder_index.h"

#include "common/trace_log.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>

namespace mapiprov
{
bool IsSubmitted(const ms::CItem& p_item)
{
    return (ms::GetLong(p_item.m_props, PR_MESSAGE_FLAGS).value_or(0) & MSGFLAG_SUBMIT) != 0;
}

bool IsTaken(const ms::CItem& p_item)
{
    return (ms::GetLong(p_item.m_props, PR_SUBMIT_FLAGS).value_or(0) & SUBMITFLAG_LOCKED) != 0;
}

bool MarkTaken(ms::CPropList& p_props, bool p_bTaken)
{
    const int64_t flags = ms::GetLong(p_props, PR_SUBMIT_FLAGS).value_or(0);
    const int64_t want = p_bTaken ? flags | SUBMITFLAG_LOCKED : flags & ~static_cast<int64_t>(SUBMITFLAG_LOCKED);
    if (want == flags)
        return false;
    ms::SetProp(p_props, ms::CPropValue::Long(PR_SUBMIT_FLAGS, want));
    return true;
}

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
        SendSubmitted(q.m_uid, q.m_uId);
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
