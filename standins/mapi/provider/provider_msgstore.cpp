// standins/mapi/provider/provider_msgstore.cpp: message stores, the entry ids of their objects,
// opening an object by entry id, and delivery into the Inbox.
#include "standins/mapi/provider/provider_store_objects.h"
#include "standins/mapi/store/folder_index.h"

#include <algorithm>
#include <cstring>

namespace mapiprov
{
namespace
{
const ms::CBytes& StoreProviderGuid()
{
    static const ms::CBytes s_g = {0xB7, 0x5D, 0x31, 0x4E, 0x42, 0x72, 0x65, 0x76,
                                   0x6F, 0x6C, 0x74, 0x4D, 0x53, 0x00, 0x00, 0x01};
    return s_g;
}

class CMsgStore final : public CPropObject<IMsgStore>
{
  public:
    explicit CMsgStore(ms::CBytes p_uid) : m_uid(std::move(p_uid))
    {
    }
    ~CMsgStore() override
    {
        std::lock_guard<CStoreMutex> lock(Lock());
        for (ULONG c : m_vConnections)
            (void)RemoveAdvise(c);
    }
    MAPI_UNKNOWN_IMPL(&IID_IMsgStore, &IID_IMAPIProp)
    bool MarshalTarget(CMarshalTarget& p_target) override
    {
        std::lock_guard<CStoreMutex> lock(Lock());
        const ms::CStore* s = CProvider::Get().m_file.StoreByUid(m_uid);
        if (!s)
            return false;
        p_target.m_kind = EMarshalKind::Entry;
        p_target.m_vEntry = StoreEntryId(*s);
        p_target.m_bWritable = true;
        return true;
    }

    STDMETHODIMP Advise(ULONG p_cb, LPENTRYID p_pEid, ULONG p_ulMask, LPMAPIADVISESINK p_pSink, ULONG* p_pConn) override
    {
        return Call("IMsgStore::Advise", [&]() -> HRESULT {
            if (!p_pSink || !p_pConn || p_ulMask == 0)
                return MAPI_E_INVALID_PARAMETER;
            ms::CBytes filter;
            if (p_cb)
            {
                CEntryIdBits bits;
                if (!ParseEntryId(p_cb, p_pEid, bits) || Uid(bits) != m_uid)
                    return MAPI_E_INVALID_ENTRYID;
                filter.assign(reinterpret_cast<const uint8_t*>(p_pEid),
                              reinterpret_cast<const uint8_t*>(p_pEid) + p_cb);
                if (bits.m_ulKind == kKindStore)
                    filter.clear();
            }
            *p_pConn = AddAdvise(m_uid, std::move(filter), p_ulMask, p_pSink);
            m_vConnections.push_back(*p_pConn);
            return S_OK;
        });
    }
    STDMETHODIMP Unadvise(ULONG p_ulConn) override
    {
        return Call("IMsgStore::Unadvise", [&]() -> HRESULT {
            const auto it = std::find(m_vConnections.begin(), m_vConnections.end(), p_ulConn);
            if (it == m_vConnections.end())
                return MAPI_E_NOT_FOUND;
            m_vConnections.erase(it);
            (void)RemoveAdvise(p_ulConn);
            return S_OK;
        });
    }
    STDMETHODIMP CompareEntryIDs(ULONG p_cb1, LPENTRYID p_p1, ULONG p_cb2, LPENTRYID p_p2, ULONG,
                                 ULONG* p_pResult) override
    {
        return Call("IMsgStore::CompareEntryIDs", [&]() -> HRESULT {
            CEntryIdBits a, b;
            if (!p_pResult)
                return MAPI_E_INVALID_PARAMETER;
            if (!ParseEntryId(p_cb1, p_p1, a) || !ParseEntryId(p_cb2, p_p2, b))
                return MAPI_E_UNKNOWN_ENTRYID;
            // The flags bytes do not take part: short- and long-term ids of one object are equal.
            *p_pResult = memcmp(a.m_abUid, b.m_abUid, sizeof(CEntryIdBits) - 4) == 0;
            return S_OK;
        });
    }
    STDMETHODIMP OpenEntry(ULONG p_cb, LPENTRYID p_pEid, LPCIID, ULONG p_ulFlags, ULONG* p_pType,
                           LPUNKNOWN* p_pp) override
    {
        return Call("IMsgStore::OpenEntry", [&]() -> HRESULT {
            if (!p_pType || !p_pp)
                return MAPI_E_INVALID_PARAMETER;
            ms::CStore* s = CProvider::Get().m_file.StoreByUid(m_uid);
            if (!s)
                return MAPI_E_OBJECT_DELETED;
            if (p_cb == 0)
            {
                *p_pType = MAPI_FOLDER; // no entry id: the root folder
                *p_pp = NewFolder(m_uid, s->m_root.m_uId);
                return S_OK;
            }
            CEntryIdBits bits;
            if (!ParseEntryId(p_cb, p_pEid, bits) || Uid(bits) != m_uid)
                return MAPI_E_INVALID_ENTRYID;
            return OpenStoreEntry(bits, p_ulFlags, p_pType, p_pp);
        });
    }
    STDMETHODIMP SetReceiveFolder(LPTSTR, ULONG, ULONG, LPENTRYID) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP GetReceiveFolder(LPTSTR p_szClass, ULONG p_ulFlags, ULONG* p_pcb, LPENTRYID* p_pp,
                                  LPTSTR* p_pszExplicit) override
    {
        return Call("IMsgStore::GetReceiveFolder", [&]() -> HRESULT {
            if (!p_pcb || !p_pp)
                return MAPI_E_INVALID_PARAMETER;
            ms::CStore* s = CProvider::Get().m_file.StoreByUid(m_uid);
            ms::CFolder* inbox = s ? ByRole(*s, "inbox") : nullptr;
            if (!inbox)
                return MAPI_E_NOT_FOUND;
            HRESULT hr = CopyBytesOut(FolderEntryId(*s, *inbox), p_pcb, p_pp);
            if (FAILED(hr))
                return hr;
            if (p_pszExplicit)
            {
                // Every class is received in the Inbox, which is the folder of the class "" (and of "IPM").
                (void)p_szClass;
                const bool bUnicode = (p_ulFlags & MAPI_UNICODE) != 0;
                void* p = nullptr;
                if (FAILED(MAPIAllocateMore(bUnicode ? sizeof(wchar_t) : 1, *p_pp, &p)))
                    return MAPI_E_NOT_ENOUGH_MEMORY;
                memset(p, 0, bUnicode ? sizeof(wchar_t) : 1);
                *p_pszExplicit = static_cast<LPTSTR>(p);
            }
            return S_OK;
        });
    }
    STDMETHODIMP GetReceiveFolderTable(ULONG, LPMAPITABLE*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP StoreLogoff(ULONG* p_pFlags) override
    {
        if (p_pFlags)
            *p_pFlags = LOGOFF_NO_WAIT;
        return S_OK;
    }
    STDMETHODIMP AbortSubmit(ULONG p_cb, LPENTRYID p_pEid, ULONG) override
    {
        return Call("IMsgStore::AbortSubmit", [&]() -> HRESULT {
            CEntryIdBits bits;
            if (!ParseEntryId(p_cb, p_pEid, bits) || bits.m_ulKind != kKindMessage || Uid(bits) != m_uid)
                return MAPI_E_INVALID_ENTRYID;
            return AbortSubmission(m_uid, bits.m_ulId);
        });
    }
    STDMETHODIMP GetOutgoingQueue(ULONG, LPMAPITABLE*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP SetLockState(LPMESSAGE, ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP FinishedMsg(ULONG, ULONG, LPENTRYID) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP NotifyNewMail(LPNOTIFICATION) override
    {
        return MAPI_E_NO_SUPPORT;
    }

  protected:
    ms::CPropList* Stored() override
    {
        ms::CStore* s = CProvider::Get().m_file.StoreByUid(m_uid);
        return s ? &s->m_props : nullptr;
    }
    void AddComputed(ms::CPropList& p_props) override
    {
        ms::CStore* s = CProvider::Get().m_file.StoreByUid(m_uid);
        if (!s)
            return;
        ms::SetProp(p_props, Bin(PR_ENTRYID, StoreEntryId(*s)));
        ms::SetProp(p_props, Bin(PR_STORE_ENTRYID, StoreEntryId(*s)));
        ms::SetProp(p_props, Bin(PR_RECORD_KEY, s->m_uid));
        ms::SetProp(p_props, Bin(PR_STORE_RECORD_KEY, s->m_uid));
        ms::SetProp(p_props, Bin(PR_MDB_PROVIDER, StoreMdbProvider(*s)));
        ms::SetProp(p_props, Long(PR_OBJECT_TYPE, MAPI_STORE));
        ms::SetProp(p_props, Long(PR_DEFAULT_STORE, s->m_bDefault ? 1 : 0));
        ms::SetProp(p_props, Long(PR_STORE_SUPPORT_MASK, STORE_ENTRYID_UNIQUE | STORE_MODIFY_OK | STORE_CREATE_OK |
                                                             STORE_ATTACH_OK | STORE_SUBMIT_OK | STORE_NOTIFY_OK |
                                                             STORE_SEARCH_OK | STORE_RESTRICTION_OK | STORE_SORT_OK |
                                                             STORE_UNICODE_OK | STORE_UNCOMPRESSED_RTF));
        const struct
        {
            ULONG m_ulTag;
            const char* m_szRole;
        } folders[] = {{PR_IPM_SUBTREE_ENTRYID, "ipm_subtree"},
                       {PR_IPM_OUTBOX_ENTRYID, "outbox"},
                       {PR_IPM_SENTMAIL_ENTRYID, "sent"},
                       {PR_IPM_WASTEBASKET_ENTRYID, "deleted"},
                       {PR_FINDER_ENTRYID, "finder"}};
        for (const auto& f : folders)
            if (ms::CFolder* fo = ByRole(*s, f.m_szRole))
                ms::SetProp(p_props, Bin(f.m_ulTag, FolderEntryId(*s, *fo)));
    }
    HRESULT Save(ULONG) override
    {
        return CProvider::Get().Save() ? S_OK : MAPI_E_DISK_ERROR;
    }

  private:
    ms::CBytes m_uid;
    std::vector<ULONG> m_vConnections;
};
} // namespace

ms::CBytes StoreEntryId(const ms::CStore& p_store)
{
    return MakeEntryId(p_store.m_uid, kKindStore, 0);
}
ms::CBytes StoreMdbProvider(const ms::CStore& p_store)
{
    const ms::CPropValue* v = ms::FindProp(p_store.m_props, PR_MDB_PROVIDER);
    return v && v->m_bValue.size() == 16 ? v->m_bValue : StoreProviderGuid();
}
bool IsPublicStore(const ms::CStore& p_store)
{
    return StoreMdbProvider(p_store) == ms::PublicStoreProvider();
}

ms::CBytes FolderEntryId(const ms::CStore& p_store, const ms::CFolder& p_f)
{
    return MakeEntryId(p_store.m_uid, kKindFolder, p_f.m_uId);
}
ms::CBytes MessageEntryId(const ms::CStore& p_store, uint32_t p_uId)
{
    return MakeEntryId(p_store.m_uid, kKindMessage, p_uId);
}

HRESULT OpenStore(const ms::CBytes& p_uid, IMsgStore** p_pp)
{
    const ms::CStore* s = CProvider::Get().m_file.StoreByUid(p_uid);
    if (!s)
        return MAPI_E_NOT_FOUND;
    if (IsPublicStore(*s))
        return MAPI_E_NETWORK_ERROR;
    *p_pp = new CMsgStore(p_uid);
    return S_OK;
}

bool LocateFolder(const CEntryIdBits& p_bits, ms::CStore*& p_store, ms::CFolder*& p_folder)
{
    p_store = CProvider::Get().m_file.StoreByUid(Uid(p_bits));
    p_folder = p_store && p_bits.m_ulKind == kKindFolder ? ms::FindFolder(p_store->m_root, p_bits.m_ulId) : nullptr;
    return p_folder != nullptr;
}

HRESULT OpenStoreEntry(const CEntryIdBits& p_bits, ULONG p_ulFlags, ULONG* p_pulType, IUnknown** p_pp)
{
    const ms::CBytes uid = Uid(p_bits);
    ms::CStore* s = CProvider::Get().m_file.StoreByUid(uid);
    if (!s)
        return MAPI_E_NOT_FOUND;
    if (IsPublicStore(*s))
        return MAPI_E_NETWORK_ERROR;
    switch (p_bits.m_ulKind)
    {
    case kKindStore: {
        IMsgStore* store = nullptr;
        HRESULT hr = OpenStore(uid, &store);
        if (SUCCEEDED(hr))
        {
            *p_pulType = MAPI_STORE;
            *p_pp = store;
        }
        return hr;
    }
    case kKindFolder:
        if (!ms::FindFolder(s->m_root, p_bits.m_ulId))
            return MAPI_E_NOT_FOUND;
        *p_pulType = MAPI_FOLDER;
        *p_pp = NewFolder(uid, p_bits.m_ulId);
        return S_OK;
    case kKindMessage: {
        ms::CItemRef ref = ms::FindItem(s->m_root, p_bits.m_ulId);
        if (!ref.Item())
            return MAPI_E_NOT_FOUND;
        // A submitted message is the spooler's until it has left.
        const bool bSubmitted = (ms::GetLong(ref.Item()->m_props, PR_MESSAGE_FLAGS).value_or(0) & MSGFLAG_SUBMIT) != 0;
        const bool bWrite = (p_ulFlags & (MAPI_MODIFY | MAPI_BEST_ACCESS)) != 0 && !bSubmitted;
        if ((p_ulFlags & MAPI_MODIFY) && bSubmitted)
            return MAPI_E_NO_ACCESS;
        *p_pulType = MAPI_MESSAGE;
        *p_pp = NewMessage(uid, ref.m_pFolder->m_uId, *ref.Item(), true, bWrite);
        return S_OK;
    }
    default:
        return MAPI_E_INVALID_ENTRYID;
    }
}

uint32_t DeliverToInbox(ms::CItem p_item)
{
    CProvider& prov = CProvider::Get();
    ms::CStore* s = prov.m_file.DefaultStore();
    ms::CFolder* inbox = s ? ByRole(*s, "inbox") : nullptr;
    if (!inbox)
        return 0;
    p_item.m_uId = prov.m_file.NewId();
    const uint32_t id = p_item.m_uId;
    const std::string cls = ms::GetString(p_item.m_props, PR_MESSAGE_CLASS, "IPM.Note");
    const ULONG flags = static_cast<ULONG>(ms::GetLong(p_item.m_props, PR_MESSAGE_FLAGS).value_or(0));
    inbox->m_vItems.push_back(std::move(p_item));
    ms::MarkFolderChanged(*inbox);
    prov.Changed();
    (void)prov.Save(); // a failure is logged; the mail is in the Inbox until the next save
    QueueObjectEvent(fnevObjectCreated, s->m_uid, MessageEntryId(*s, id), MAPI_MESSAGE, FolderEntryId(*s, *inbox));
    QueueNewMail(s->m_uid, MessageEntryId(*s, id), FolderEntryId(*s, *inbox), cls, flags);
    return id;
}
} // namespace mapiprov
