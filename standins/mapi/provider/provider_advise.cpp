// standins/mapi/provider/provider_advise.cpp: advise sinks and the notifications a call queues,
// delivered when the call is over and the lock is released.
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
    g_vPending.push_back({p_ulEvent, p_storeUid, p_eid, p_parent, p_oldEid, p_oldParent, p_ulObjType, {}, 0});
}

void QueueNewMail(const ms::CBytes& p_storeUid, const ms::CBytes& p_eid, const ms::CBytes& p_parent,
                  const std::string& p_sClass, ULONG p_ulFlags)
{
    g_vPending.push_back({fnevNewMail, p_storeUid, p_eid, p_parent, {}, {}, MAPI_MESSAGE, p_sClass, p_ulFlags});
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
} // namespace mapiprov
