// standins/mapi/provider/provider_ab_entries.cpp: the address book's entries: mail users (directory
// and personal address book entries, contacts' e-mail slots, one-off addresses), distribution lists
// (directory lists and contact-folder lists, each a container of its members) and opening any of
// them by entry id.
#include "standins/mapi/provider/provider_ab.h"
#include "standins/mapi/provider/provider_store_objects.h"

namespace mapiprov
{
namespace
{
// A mail user: a GAL or PAB entry, a contact's e-mail slot (changes go to the contact), or a
// one-off address (nothing behind it that could change).
class CMailUser final : public CPropObject<IMailUser>
{
  public:
    enum EKindOf
    {
        kDirectory,
        kContact,
        kOneOff,
    };
    CMailUser(EKindOf p_kind, uint32_t p_uId, ms::CBytes p_messageEid, ULONG p_ulSlot)
        : m_kind(p_kind), m_uId(p_uId), m_messageEid(std::move(p_messageEid)), m_ulSlot(p_ulSlot)
    {
        Reload();
    }
    explicit CMailUser(ms::CPropList p_oneOff) : m_kind(kOneOff), m_computed(std::move(p_oneOff)), m_bExists(true)
    {
    }
    MAPI_UNKNOWN_IMPL(&IID_IMailUser, &IID_IMAPIProp)

    bool Exists() const
    {
        return m_bExists;
    }

  protected:
    ms::CPropList* Stored() override
    {
        return m_kind == kOneOff ? nullptr : &m_props;
    }
    bool Writable() override
    {
        if (m_kind != kDirectory)
            return m_kind == kContact;
        const ms::CAbEntry* e = ms::FindAbEntry(CProvider::Get().m_file, m_uId);
        return e && e->m_sContainer == "pab";
    }
    void AddComputed(ms::CPropList& p_props) override
    {
        for (const auto& v : m_computed)
            if (m_kind != kDirectory || !ms::FindProp(m_props, PROP_TAG(PT_UNSPECIFIED, PROP_ID(v.m_ulTag))))
                ms::SetProp(p_props, v);
    }
    bool IsComputedTag(ULONG p_ulTag) override
    {
        const ULONG id = PROP_ID(p_ulTag);
        return id == PROP_ID(PR_ENTRYID) || id == PROP_ID(PR_OBJECT_TYPE) || id == PROP_ID(PR_RECORD_KEY) ||
               id == PROP_ID(PR_SEARCH_KEY) ||
               (m_kind == kContact && (id == PROP_ID(PR_EMAIL_ADDRESS) || id == PROP_ID(PR_ADDRTYPE)));
    }
    HRESULT Save(ULONG) override
    {
        CProvider& prov = CProvider::Get();
        if (m_kind == kOneOff)
            return MAPI_E_NO_ACCESS;
        if (m_kind == kDirectory)
        {
            ms::CAbEntry* e = ms::FindAbEntry(prov.m_file, m_uId);
            if (!e)
                return MAPI_E_OBJECT_DELETED;
            if (e->m_sContainer != "pab")
                return MAPI_E_NO_ACCESS; // the global address list is read-only to clients
            e->m_props = m_props;
        }
        else
        {
            const CStoreItem si = FindStoreItem(m_messageEid);
            if (!si.m_pItem)
                return MAPI_E_OBJECT_DELETED;
            si.m_pItem->m_props = m_props;
        }
        prov.Changed();
        if (!prov.Save())
            return MAPI_E_DISK_ERROR;
        Reload();
        return S_OK;
    }

  private:
    void Reload()
    {
        std::optional<ms::CPropList> computed;
        if (m_kind == kDirectory)
        {
            if (const ms::CAbEntry* e = ms::FindAbEntry(CProvider::Get().m_file, m_uId))
            {
                m_props = e->m_props;
                computed = AbEntryProps(*e);
            }
        }
        else if (const CStoreItem si = FindStoreItem(m_messageEid); si.m_pItem)
        {
            computed = ContactSlotProps(*si.m_pStore, *si.m_pItem, m_ulSlot);
            m_props = si.m_pItem->m_props;
        }
        m_bExists = computed.has_value();
        if (computed)
            m_computed = std::move(*computed);
    }

    EKindOf m_kind;
    uint32_t m_uId = 0;
    ms::CBytes m_messageEid;
    ULONG m_ulSlot = 0;
    ms::CPropList m_props, m_computed;
    bool m_bExists = false;
};

// A distribution list: a container of its members whose own properties are computed.
class CDistList final : public CReadOnlyContainer<IDistList>
{
  public:
    using CRows = std::function<std::vector<ms::CPropList>()>;
    using CProps = std::function<std::optional<ms::CPropList>()>;
    CDistList(CRows p_rows, CProps p_props)
        : CReadOnlyContainer("IDistList::OpenEntry"), m_rows(std::move(p_rows)), m_props(std::move(p_props))
    {
    }
    MAPI_UNKNOWN_IMPL(&IID_IDistList, &IID_IMAPIContainer, &IID_IMAPIProp)
    STDMETHODIMP GetContentsTable(ULONG p_ulFlags, LPMAPITABLE* p_pp) override
    {
        return Call("IDistList::GetContentsTable", [&]() -> HRESULT {
            return NewTable(
                m_rows,
                {PR_ENTRYID, PR_DISPLAY_NAME_A, PR_ADDRTYPE_A, PR_EMAIL_ADDRESS_A, PR_OBJECT_TYPE, PR_DISPLAY_TYPE},
                p_ulFlags, p_pp);
        });
    }
    STDMETHODIMP GetHierarchyTable(ULONG, LPMAPITABLE*) override
    {
        return MAPI_E_NO_SUPPORT;
    }

  protected:
    void AddComputed(ms::CPropList& p_props) override
    {
        if (std::optional<ms::CPropList> p = m_props())
            p_props = std::move(*p);
    }

  private:
    CRows m_rows;
    CProps m_props;
};

// Gives out a new mail user when what it stands for exists.
HRESULT Hand(CMailUser* p_pUser, ULONG* p_pulType, IUnknown** p_pp)
{
    com_ptr<IMailUser> owner;
    owner.attach(p_pUser);
    if (!p_pUser->Exists())
        return MAPI_E_NOT_FOUND;
    *p_pulType = MAPI_MAILUSER;
    *p_pp = owner.detach();
    return S_OK;
}

HRESULT OpenDirectoryList(uint32_t p_uId, ULONG* p_pulType, IUnknown** p_pp)
{
    *p_pulType = MAPI_DISTLIST;
    *p_pp = static_cast<IDistList*>(new CDistList(
        [p_uId] {
            std::vector<ms::CPropList> rows;
            ms::CStoreFile& file = CProvider::Get().m_file;
            if (const ms::CAbEntry* e = ms::FindAbEntry(file, p_uId))
                for (uint32_t m : e->m_vMembers)
                    if (const ms::CAbEntry* me = ms::FindAbEntry(file, m))
                        rows.push_back(AbEntryProps(*me));
            return rows;
        },
        [p_uId]() -> std::optional<ms::CPropList> {
            if (const ms::CAbEntry* e = ms::FindAbEntry(CProvider::Get().m_file, p_uId))
                return AbEntryProps(*e);
            return std::nullopt;
        }));
    return S_OK;
}

HRESULT OpenContactList(const ms::CBytes& p_messageEid, ULONG* p_pulType, IUnknown** p_pp)
{
    const CStoreItem si = FindStoreItem(p_messageEid);
    if (!si.m_pItem || ms::GetString(si.m_pItem->m_props, PR_MESSAGE_CLASS).rfind("IPM.DistList", 0) != 0)
        return MAPI_E_NOT_FOUND;
    *p_pulType = MAPI_DISTLIST;
    *p_pp = static_cast<IDistList*>(new CDistList(
        [p_messageEid] {
            const CStoreItem list = FindStoreItem(p_messageEid);
            return list.m_pItem ? ContactListMemberRows(*list.m_pItem) : std::vector<ms::CPropList>{};
        },
        [p_messageEid]() -> std::optional<ms::CPropList> {
            const CStoreItem list = FindStoreItem(p_messageEid);
            if (!list.m_pItem)
                return std::nullopt;
            return ContactListProps(*list.m_pStore, *list.m_pItem);
        }));
    return S_OK;
}

HRESULT OpenWrapped(const CWrapped& p_w, const ms::CBytes& p_eid, ULONG* p_pulType, IUnknown** p_pp)
{
    COneOff o;
    CEntryIdBits bits;
    switch (p_w.m_kind)
    {
    case kWrapOneOff:
        if (!ParseOneOffEntryId(static_cast<ULONG>(p_w.m_embedded.size()), p_w.m_embedded.data(), o))
            return MAPI_E_UNKNOWN_ENTRYID;
        return Hand(new CMailUser(OneOffProps(o, p_eid)), p_pulType, p_pp);
    case kWrapContact:
        return Hand(new CMailUser(CMailUser::kContact, 0, p_w.m_embedded, p_w.m_ulSlot), p_pulType, p_pp);
    case kWrapDistList:
        return OpenContactList(p_w.m_embedded, p_pulType, p_pp);
    case kWrapGalUser:
    case kWrapGalList:
        if (!ParseEntryId(static_cast<ULONG>(p_w.m_embedded.size()), p_w.m_embedded.data(), bits))
            return MAPI_E_UNKNOWN_ENTRYID;
        return OpenAbEntry(bits, p_pulType, p_pp);
    }
    return MAPI_E_UNKNOWN_ENTRYID;
}
} // namespace

HRESULT OpenAbEntry(const CEntryIdBits& p_bits, ULONG* p_pulType, IUnknown** p_pp)
{
    if (memcmp(p_bits.m_abUid, AbUid().data(), 16) != 0)
        return MAPI_E_UNKNOWN_ENTRYID;
    switch (p_bits.m_ulKind)
    {
    case kKindAbContainer:
        return OpenAbContainer(p_bits.m_ulId, p_pulType, p_pp);
    case kKindAbEntry: {
        const ms::CAbEntry* e = ms::FindAbEntry(CProvider::Get().m_file, p_bits.m_ulId);
        if (!e)
            return MAPI_E_NOT_FOUND;
        if (e->m_bDistList)
            return OpenDirectoryList(e->m_uId, p_pulType, p_pp);
        return Hand(new CMailUser(CMailUser::kDirectory, e->m_uId, {}, 0), p_pulType, p_pp);
    }
    case kKindAbContact: {
        // A contact of the default store by its message id, as entry ids of this provider name it.
        const ms::CStore* s = CProvider::Get().m_file.DefaultStore();
        if (!s || p_bits.m_ulExtra > 2)
            return MAPI_E_NOT_FOUND;
        return Hand(new CMailUser(CMailUser::kContact, 0, MessageEntryId(*s, p_bits.m_ulId), p_bits.m_ulExtra),
                    p_pulType, p_pp);
    }
    default:
        return MAPI_E_UNKNOWN_ENTRYID;
    }
}

HRESULT OpenAnyAbEntry(ULONG p_cb, const void* p_pEid, ULONG* p_pulType, IUnknown** p_pp)
{
    if (!p_pEid)
        return MAPI_E_UNKNOWN_ENTRYID;
    CEntryIdBits bits;
    if (ParseEntryId(p_cb, p_pEid, bits))
        return OpenAbEntry(bits, p_pulType, p_pp);
    const ms::CBytes eid(static_cast<const uint8_t*>(p_pEid), static_cast<const uint8_t*>(p_pEid) + p_cb);
    CWrapped w;
    if (ParseWrappedEntryId(p_cb, p_pEid, w))
        return OpenWrapped(w, eid, p_pulType, p_pp);
    COneOff o;
    if (ParseOneOffEntryId(p_cb, p_pEid, o))
        return Hand(new CMailUser(OneOffProps(o, eid)), p_pulType, p_pp);
    return MAPI_E_UNKNOWN_ENTRYID;
}
} // namespace mapiprov
