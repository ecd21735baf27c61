// standins/mapi/provider/provider_advise.cpp: advise sinks and the notifications a call queues,
// delivered when the call is over and the lock is released; and the journal through which the
// notifications of one process reach the sinks of every other process sharing the store file.
#include "standins/mapi/provider/provider.h"

#include <algorithm>
#include <cstring>

namespace mapiprov
{
namespace
{
struct CPending
{
    ULONG m_ulEvent;
    ms::CBytes m_storeUid, m_eid, m_parent, m_oldEid, m_oldParent;
    ULONG m_ulObjType;
    std::string m_sClass;
    ULONG m_ulFlags;
    bool m_bShared = false; // written to the journal, or read from it: not written (again)
};
std::vector<CPending> g_vPending;
std::vector<CAdvise> g_vAdvises;
ULONG g_ulNextConnection = 1;
} // namespace

ULONG AddAdvise(const ms::CBytes& p_storeUid, ms::CBytes p_filter, ULONG p_ulMask, IMAPIAdviseSink* p_pSink)
{
    g_vAdvises.push_back(
        {g_ulNextConnection, p_storeUid, std::move(p_filter), p_ulMask, com_ptr<IMAPIAdviseSink>::copy_from(p_pSink)});
    return g_ulNextConnection++;
}

bool RemoveAdvise(ULONG p_ulConnection)
{
    const auto it = std::find_if(g_vAdvises.begin(), g_vAdvises.end(),
                                 [&](const CAdvise& p_a) { return p_a.m_ulConnection == p_ulConnection; });
    if (it == g_vAdvises.end())
        return false;
    g_vAdvises.erase(it);
    return true;
}

void QueueObjectEvent(ULONG p_ulEvent, const ms::CBytes& p_storeUid, const ms::CBytes& p_eid, ULONG p_ulObjType,
                      const ms::CBytes& p_parent, const ms::CBytes& p_oldEid, const ms::CBytes& p_oldParent)
{
    g_vPending.push_back({p_ulEvent, p_storeUid, p_eid, p_parent, p_oldEid, p_oldParent, p_ulObjType, {}, 0, false});
}

void QueueNewMail(const ms::CBytes& p_storeUid, const ms::CBytes& p_eid, const ms::CBytes& p_parent,
                  const std::string& p_sClass, ULONG p_ulFlags)
{
    g_vPending.push_back({fnevNewMail, p_storeUid, p_eid, p_parent, {}, {}, MAPI_MESSAGE, p_sClass, p_ulFlags, false});
}

namespace
{
// One event as a NOTIFICATION in one MAPI buffer; empty when memory ran out.
unique_own_buffer<NOTIFICATION> MakeNotification(const CPending& p_p)
{
    unique_own_buffer<NOTIFICATION> n;
    if (FAILED(LOG_IF_MAPI_FAILED(MAPIAllocateBuffer(sizeof(NOTIFICATION), reinterpret_cast<void**>(n.put())))))
        return {};
    NOTIFICATION* pn = n.get();
    memset(pn, 0, sizeof *pn);
    pn->ulEventType = p_p.m_ulEvent;
    auto eid = [&](const ms::CBytes& b, ULONG& cb, LPENTRYID& e) {
        if (!b.empty())
            (void)CopyBytesOut(b, &cb, &e, pn);
    };
    if (p_p.m_ulEvent == fnevNewMail)
    {
        eid(p_p.m_eid, pn->info.newmail.cbEntryID, pn->info.newmail.lpEntryID);
        eid(p_p.m_parent, pn->info.newmail.cbParentID, pn->info.newmail.lpParentID);
        pn->info.newmail.ulFlags = 0; // the class is ANSI
        void* cls = nullptr;
        if (FAILED(LOG_IF_MAPI_FAILED(MAPIAllocateMore(static_cast<ULONG>(p_p.m_sClass.size() + 1), pn, &cls))))
            return {};
        memcpy(cls, p_p.m_sClass.c_str(), p_p.m_sClass.size() + 1);
        pn->info.newmail.lpszMessageClass = static_cast<LPSTR>(cls);
        pn->info.newmail.ulMessageFlags = p_p.m_ulFlags;
    }
    else
    {
        eid(p_p.m_eid, pn->info.obj.cbEntryID, pn->info.obj.lpEntryID);
        eid(p_p.m_parent, pn->info.obj.cbParentID, pn->info.obj.lpParentID);
        eid(p_p.m_oldEid, pn->info.obj.cbOldID, pn->info.obj.lpOldID);
        eid(p_p.m_oldParent, pn->info.obj.cbOldParentID, pn->info.obj.lpOldParentID);
        pn->info.obj.ulObjType = p_p.m_ulObjType;
    }
    return n;
}
} // namespace

void DeliverQueued()
{
    std::vector<std::pair<com_ptr<IMAPIAdviseSink>, unique_own_buffer<NOTIFICATION>>> calls;
    {
        std::lock_guard<CStoreMutex> lock(Lock());
        if (g_vPending.empty())
            return;
        std::vector<CPending> pending;
        pending.swap(g_vPending);
        for (const CPending& p : pending)
            for (const CAdvise& a : g_vAdvises)
            {
                if (a.m_storeUid != p.m_storeUid || !(a.m_ulMask & p.m_ulEvent))
                    continue;
                // A sink on one object hears about it and about what happens in it (a folder's messages).
                if (!a.m_filterEid.empty() && a.m_filterEid != p.m_eid && a.m_filterEid != p.m_parent)
                    continue;
                if (auto n = MakeNotification(p))
                    calls.emplace_back(a.m_pSink, std::move(n));
            }
    }
    for (auto& [sink, n] : calls)
    {
        TrapExceptionsVoid("IMAPIAdviseSink::OnNotify", [&] { sink->OnNotify(1, n.get()); });
        sink.reset();
        n.reset();
    }
}

// Real MAPI raises a store's notifications in every process that advised it, whichever process
// made the change. Here each process keeps its own copy of the store, so the process that changed
// the file writes the events of that change into a journal in a named mapping of the file, under
// the file's mutex and together with its write; every other process, when it next takes that mutex
// (after reading the file again; the spooler's thread takes it at least five times a second), queues
// what others wrote since for its own sinks, which then hear of it as the writer's sinks do.
namespace
{
constexpr LONG64 kJournalSlots = 256;  // events a process may fall behind before it misses some
constexpr size_t kJournalIdBytes = 64; // the store uid and this provider's entry ids are shorter
constexpr size_t kJournalClassBytes = 128;
enum EJournalId
{
    kIdStore,
    kIdEntry,
    kIdParent,
    kIdOldEntry,
    kIdOldParent,
    kIdCount
};
struct CJournalRecord
{
    LONG64 m_llSequence;
    DWORD m_dwProcess; // the writer, which has delivered the event to its own sinks already
    ULONG m_ulEvent;
    ULONG m_ulObjType;
    ULONG m_ulFlags;
    BYTE m_acbIds[kIdCount];
    BYTE m_aabIds[kIdCount][kJournalIdBytes];
    char m_szClass[kJournalClassBytes];
};
struct CJournal
{
    LONG64 m_llNext; // the sequence number the next event gets; a record sits at its number's slot
    CJournalRecord m_aRecords[kJournalSlots];
};
unique_handle g_hJournalMapping;
std::shared_ptr<CJournal> g_pJournal;
LONG64 g_llJournalSeen = 0; // the journal has been read up to here

const ms::CBytes* IdsOf(const CPending& p_p, int p_i)
{
    const ms::CBytes* ids[kIdCount] = {&p_p.m_storeUid, &p_p.m_eid, &p_p.m_parent, &p_p.m_oldEid, &p_p.m_oldParent};
    return ids[p_i];
}

// False when the event does not fit a record (it then stays with this process's sinks).
bool WriteRecord(const CPending& p_p, CJournalRecord& p_r)
{
    if (p_p.m_sClass.size() >= kJournalClassBytes)
        return false;
    for (int i = 0; i < kIdCount; ++i)
        if (IdsOf(p_p, i)->size() > kJournalIdBytes)
            return false;
    p_r = {};
    p_r.m_dwProcess = GetCurrentProcessId();
    p_r.m_ulEvent = p_p.m_ulEvent;
    p_r.m_ulObjType = p_p.m_ulObjType;
    p_r.m_ulFlags = p_p.m_ulFlags;
    for (int i = 0; i < kIdCount; ++i)
    {
        const ms::CBytes& ids = *IdsOf(p_p, i);
        p_r.m_acbIds[i] = static_cast<BYTE>(ids.size());
        std::copy(ids.begin(), ids.end(), p_r.m_aabIds[i]);
    }
    std::copy(p_p.m_sClass.begin(), p_p.m_sClass.end(), p_r.m_szClass);
    return true;
}

// The record as an event of this process; the mapping is shared with other processes, so every
// length is checked before it is used.
bool ReadRecord(const CJournalRecord& p_r, CPending& p_p)
{
    ms::CBytes ids[kIdCount];
    for (int i = 0; i < kIdCount; ++i)
    {
        if (p_r.m_acbIds[i] > kJournalIdBytes)
            return false;
        ids[i].assign(p_r.m_aabIds[i], p_r.m_aabIds[i] + p_r.m_acbIds[i]);
    }
    const char* end = std::find(p_r.m_szClass, p_r.m_szClass + kJournalClassBytes, '\0');
    if (end == p_r.m_szClass + kJournalClassBytes)
        return false;
    p_p = {p_r.m_ulEvent,
           std::move(ids[kIdStore]),
           std::move(ids[kIdEntry]),
           std::move(ids[kIdParent]),
           std::move(ids[kIdOldEntry]),
           std::move(ids[kIdOldParent]),
           p_r.m_ulObjType,
           std::string(p_r.m_szClass, end),
           p_r.m_ulFlags,
           true};
    return true;
}
} // namespace

bool AttachEventJournal(const std::wstring& p_sName)
{
    if (g_pJournal)
        return true;
    // A new mapping is zero-filled: the journal starts empty.
    unique_handle mapping(
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(CJournal), p_sName.c_str()));
    if (!LOG_IF_WIN32_BOOL_FALSE(mapping.get()))
        return false;
    void* view = MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(CJournal));
    if (!LOG_IF_WIN32_BOOL_FALSE(view))
        return false;
    g_pJournal = std::shared_ptr<CJournal>(static_cast<CJournal*>(view), [](CJournal* p_p) { UnmapViewOfFile(p_p); });
    g_hJournalMapping = std::move(mapping);
    // What happened before this process read the file is in what it reads.
    g_llJournalSeen = InterlockedCompareExchange64(&g_pJournal->m_llNext, 0, 0);
    return true;
}

void PublishQueued()
{
    if (!g_pJournal)
        return;
    CJournal& journal = *g_pJournal;
    if (journal.m_llNext < 0)
        journal.m_llNext = 0; // only ever counts up; anything else starts again
    for (CPending& p : g_vPending)
    {
        if (p.m_bShared)
            continue;
        p.m_bShared = true;
        const LONG64 sequence = journal.m_llNext;
        CJournalRecord& record = journal.m_aRecords[sequence % kJournalSlots];
        if (!WriteRecord(p, record))
        {
            LOG_FAILURE("event 0x%lx does not fit the journal; other processes do not hear of it",
                        static_cast<unsigned long>(p.m_ulEvent));
            continue;
        }
        record.m_llSequence = sequence;
        InterlockedExchange64(&journal.m_llNext, sequence + 1);
    }
    // This process's own events are delivered from its queue, never read back.
    g_llJournalSeen = journal.m_llNext;
}

void ImportPublished()
{
    if (!g_pJournal)
        return;
    CJournal& journal = *g_pJournal;
    const LONG64 next = InterlockedCompareExchange64(&journal.m_llNext, 0, 0);
    if (next < 0)
        return; // PublishQueued starts such a journal again
    if (next < g_llJournalSeen)
        g_llJournalSeen = next; // not a journal this process wrote into: start over from its end
    if (next - g_llJournalSeen > kJournalSlots)
    {
        LOG_FAILURE("%lld events of other processes were overwritten before this process read them",
                    static_cast<long long>(next - g_llJournalSeen - kJournalSlots));
        g_llJournalSeen = next - kJournalSlots;
    }
    for (; g_llJournalSeen < next; ++g_llJournalSeen)
    {
        const CJournalRecord& record = journal.m_aRecords[g_llJournalSeen % kJournalSlots];
        CPending p;
        if (record.m_llSequence != g_llJournalSeen || record.m_dwProcess == GetCurrentProcessId() || g_vAdvises.empty())
            continue;
        if (ReadRecord(record, p))
            g_vPending.push_back(std::move(p));
        else
            LOG_FAILURE("journal record %lld does not read", static_cast<long long>(g_llJournalSeen));
    }
}
} // namespace mapiprov
