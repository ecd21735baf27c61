// standins/mapi/provider/provider_ab.cpp: the address book: the root with the global address list,
// the "Outlook Address Book" with its "Contacts" container (the default contacts folder seen as
// address entries) and the personal address book; mail users, distribution lists, ResolveName.
#include "standins/mapi/provider/provider.h"
#include "standins/mapi/store/folder_index.h"

#include <algorithm>

namespace mapiprov
{
namespace
{
ms::CPropValue Bin(ULONG p_ulTag, ms::CBytes p_b)
{
    return ms::CPropValue::Binary(p_ulTag, std::move(p_b));
}
ms::CPropValue Long(ULONG p_ulTag, int64_t p_i)
{
    return ms::CPropValue::Long(p_ulTag, p_i);
}
ms::CPropValue Str(ULONG p_ulTag, std::string p_s)
{
    return ms::CPropValue::String(PROP_TAG(PT_UNICODE, PROP_ID(p_ulTag)), std::move(p_s));
}

std::string Upper(std::string p_s)
{
    for (auto& c : p_s)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return p_s;
}

const char* ContainerName(ULONG p_ulId)
{
    switch (p_ulId)
    {
    case kAbGal:
        return "Global Address List";
    case kAbOutlook:
        return "Outlook Address Book";
    case kAbContacts:
        return "Contacts";
    case kAbPab:
        return "Personal Address Book";
    default:
        return "";
    }
}

ms::CPropList EntryProps(const ms::CAbEntry& p_e)
{
    ms::CPropList p = p_e.m_props;
    ms::SetProp(p, Bin(PR_ENTRYID, MakeEntryId(AbUid(), kKindAbEntry, p_e.m_uId)));
    ms::SetProp(p, Bin(PR_RECORD_KEY, MakeEntryId(AbUid(), kKindAbEntry, p_e.m_uId)));
    ms::SetProp(p, Long(PR_OBJECT_TYPE, p_e.m_bDistList ? MAPI_DISTLIST : MAPI_MAILUSER));
    ms::SetProp(p, Long(PR_DISPLAY_TYPE, p_e.m_bDistList ? DT_DISTLIST : DT_MAILUSER));
    if (!p_e.m_bDistList)
    {
        if (!ms::FindProp(p, PR_ADDRTYPE))
            ms::SetProp(p, Str(PR_ADDRTYPE, p_e.m_sContainer == "gal" ? "EX" : "SMTP"));
        const std::string type = ms::GetString(p, PR_ADDRTYPE), addr = ms::GetString(p, PR_EMAIL_ADDRESS);
        ms::SetProp(p, Bin(PR_SEARCH_KEY, [&] {
                        const std::string k = Upper(type + ":" + addr);
                        return ms::CBytes(k.begin(), k.end() + 1);
                    }()));
    }
    else
        ms::SetProp(p, Str(PR_ADDRTYPE, "MAPIPDL"));
    return p;
}

// The "Contacts" container: one entry per filled e-mail slot of each contact, as Outlook shows them.
struct CContactSlot
{
    uint32_t m_uMessage;
    ULONG m_ulSlot;
};

ms::CFolder* ContactsFolder(ms::CStore*& p_s)
{
    p_s = CProvider::Get().m_file.DefaultStore();
    return p_s ? ms::FindFolderByRole(p_s->m_root, "contacts") : nullptr;
}

uint32_t NamedId(uint32_t p_ulLid)
{
    return CProvider::Get().m_file.IdOfName({ms::GuidAddress(), false, p_ulLid, {}}, true);
}

std::optional<ms::CPropList> ContactSlotProps(const ms::CItem& p_item, ULONG p_ulSlot)
{
    // Email1..3: address type 0x8082/0x8092/0x80A2, address +1, display name -2, original entry id +3.
    const uint32_t base = 0x8082 + 0x10 * p_ulSlot;
    const std::string type = ms::GetString(p_item.m_props, PROP_TAG(PT_UNICODE, NamedId(base)));
    const std::string addr = ms::GetString(p_item.m_props, PROP_TAG(PT_UNICODE, NamedId(base + 1)));
    if (addr.empty())
        return std::nullopt;
    ms::CPropList p;
    std::string name = ms::GetString(p_item.m_props, PROP_TAG(PT_UNICODE, NamedId(base - 2)));
    if (name.empty())
        name = ms::GetString(p_item.m_props, PR_DISPLAY_NAME, ms::GetString(p_item.m_props, PR_SUBJECT));
    ms::SetProp(p, Str(PR_DISPLAY_NAME, name));
    ms::SetProp(p, Str(PR_ADDRTYPE, type.empty() ? "SMTP" : type));
    ms::SetProp(p, Str(PR_EMAIL_ADDRESS, addr));
    for (ULONG t : {PR_GIVEN_NAME, PR_SURNAME, PR_MOBILE_TELEPHONE_NUMBER, PR_COMPANY_NAME})
        if (const ms::CPropValue* v = ms::FindProp(p_item.m_props, t))
            ms::SetProp(p, *v);
    ms::SetProp(p, Bin(PR_ENTRYID, MakeEntryId(AbUid(), kKindAbContact, p_item.m_uId, p_ulSlot)));
    ms::SetProp(p, Bin(PR_RECORD_KEY, MakeEntryId(AbUid(), kKindAbContact, p_item.m_uId, p_ulSlot)));
    ms::SetProp(p, Long(PR_OBJECT_TYPE, MAPI_MAILUSER));
    ms::SetProp(p, Long(PR_DISPLAY_TYPE, DT_MAILUSER));
    const std::string k = Upper(ms::GetString(p, PR_ADDRTYPE) + ":" + addr);
    ms::SetProp(p, Bin(PR_SEARCH_KEY, ms::CBytes(k.begin(), k.end() + 1)));
    return p;
}

std::vector<ms::CPropList> ContainerRows(ULONG p_ulId)
{
    std::vector<ms::CPropList> rows;
    ms::CStoreFile& file = CProvider::Get().m_file;
    if (p_ulId == kAbGal || p_ulId == kAbPab)
    {
        for (const auto& e : file.m_vAddressBook)
            if (e.m_sContainer == (p_ulId == kAbGal ? "gal" : "pab"))
                rows.push_back(EntryProps(e));
    }
    else if (p_ulId == kAbContacts)
    {
        ms::CStore* s = nullptr;
        if (ms::CFolder* f = ContactsFolder(s))
            for (const auto& item : f->m_vItems)
                if (!item.m_bAssociated && ms::GetString(item.m_props, PR_MESSAGE_CLASS).rfind("IPM.Contact", 0) == 0)
                    for (ULONG slot = 0; slot < 3; ++slot)
                        if (auto p = ContactSlotProps(item, slot))
                            rows.push_back(std::move(*p));
    }
    return rows;
}

ms::CPropList ContainerProps(ULONG p_ulId)
{
    ms::CPropList p;
    ms::SetProp(p, Str(PR_DISPLAY_NAME, ContainerName(p_ulId)));
    ms::SetProp(p, Bin(PR_ENTRYID, MakeEntryId(AbUid(), kKindAbContainer, p_ulId)));
    ms::SetProp(p, Long(PR_OBJECT_TYPE, MAPI_ABCONT));
    ms::SetProp(p, Long(PR_DISPLAY_TYPE, p_ulId == kAbGal ? DT_GLOBAL : DT_NOT_SPECIFIC));
    ms::SetProp(p, Long(PR_CONTAINER_FLAGS, AB_RECIPIENTS |
                                                (p_ulId == kAbOutlook || p_ulId == kAbRoot ? AB_SUBCONTAINERS : 0) |
                                                (p_ulId == kAbPab ? AB_MODIFIABLE : AB_UNMODIFIABLE)));
    return p;
}

// What the two read-only containers (an address book and a distribution list) share: entries open
// by their entry id, nothing is created, copied, deleted, searched or resolved in them, and their
// properties are all computed and never saved. p_szOpenEntryLabel names OpenEntry in the trace.
template <typename I> class CReadOnlyContainer : public CPropObject<I>
{
  public:
    explicit CReadOnlyContainer(const char* p_szOpenEntryLabel) : m_szOpenEntryLabel(p_szOpenEntryLabel)
    {
    }
    STDMETHODIMP OpenEntry(ULONG p_cb, LPENTRYID p_pEid, LPCIID, ULONG, ULONG* p_pType, LPUNKNOWN* p_pp) override
    {
        return Call(m_szOpenEntryLabel, [&]() -> HRESULT {
            CEntryIdBits bits;
            if (!p_pType || !p_pp)
                return MAPI_E_INVALID_PARAMETER;
            if (!ParseEntryId(p_cb, p_pEid, bits))
                return MAPI_E_UNKNOWN_ENTRYID;
            return OpenAbEntry(bits, p_pType, p_pp);
        });
    }
    STDMETHODIMP SetSearchCriteria(LPSRestriction, LPENTRYLIST, ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP GetSearchCriteria(ULONG, LPSRestriction*, LPENTRYLIST*, ULONG*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP CreateEntry(ULONG, LPENTRYID, ULONG, LPMAPIPROP*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP CopyEntries(LPENTRYLIST, ULONG, LPMAPIPROGRESS, ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP DeleteEntries(LPENTRYLIST, ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP ResolveNames(LPSPropTagArray, ULONG, LPADRLIST, LPFlagList) override
    {
        return MAPI_E_NO_SUPPORT;
    }

  protected:
    ms::CPropList* Stored() override
    {
        return nullptr;
    }
    HRESULT Save(ULONG) override
    {
        return MAPI_E_NO_ACCESS;
    }

  private:
    const char* m_szOpenEntryLabel;
};

class CAbContainer final : public CReadOnlyContainer<IABContainer>
{
  public:
    explicit CAbContainer(ULONG p_ulId) : CReadOnlyContainer("IABContainer::OpenEntry"), m_ulId(p_ulId)
    {
    }
    MAPI_UNKNOWN_IMPL(&IID_IABContainer, &IID_IMAPIContainer, &IID_IMAPIProp)
    STDMETHODIMP GetContentsTable(ULONG p_ulFlags, LPMAPITABLE* p_pp) override
    {
        return Call("IABContainer::GetContentsTable", [&]() -> HRESULT {
            if (m_ulId == kAbRoot || m_ulId == kAbOutlook)
                return MAPI_E_NO_SUPPORT;
            return NewTable([id = m_ulId] { return ContainerRows(id); },
                            {PR_ENTRYID, PR_DISPLAY_NAME_A, PR_ADDRTYPE_A, PR_EMAIL_ADDRESS_A, PR_OBJECT_TYPE,
                             PR_DISPLAY_TYPE, PR_INSTANCE_KEY},
                            p_ulFlags, p_pp);
        });
    }
    STDMETHODIMP GetHierarchyTable(ULONG p_ulFlags, LPMAPITABLE* p_pp) override
    {
        return Call("IABContainer::GetHierarchyTable", [&]() -> HRESULT {
            const bool bDeep = (p_ulFlags & CONVENIENT_DEPTH) != 0;
            return NewTable(
                [id = m_ulId, bDeep] {
                    std::vector<ms::CPropList> rows;
                    auto add = [&](ULONG c, int depth) {
                        ms::CPropList p = ContainerProps(c);
                        ms::SetProp(p, Long(PR_DEPTH, depth));
                        rows.push_back(std::move(p));
                    };
                    if (id == kAbRoot)
                    {
                        add(kAbGal, 0);
                        add(kAbOutlook, 0);
                        if (bDeep)
                            add(kAbContacts, 1);
                        add(kAbPab, 0);
                    }
                    else if (id == kAbOutlook)
                        add(kAbContacts, 0);
                    return rows;
                },
                {PR_ENTRYID, PR_DISPLAY_NAME_A, PR_DEPTH, PR_CONTAINER_FLAGS, PR_DISPLAY_TYPE}, p_ulFlags, p_pp);
        });
    }

  protected:
    void AddComputed(ms::CPropList& p_props) override
    {
        for (auto& v : ContainerProps(m_ulId))
            ms::SetProp(p_props, v);
    }

  private:
    ULONG m_ulId;
};

// A GAL or PAB entry, or a contact's e-mail slot; changes to a slot entry go to the contact.
template <typename I> class CAbEntryObject final : public CPropObject<I>
{
  public:
    CAbEntryObject(ULONG p_ulKind, uint32_t p_uId, ULONG p_ulSlot)
        : m_ulKind(p_ulKind), m_uId(p_uId), m_ulSlot(p_ulSlot)
    {
        Reload();
    }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        return this->QueryBase(riid, ppv, static_cast<IUnknown*>(static_cast<I*>(this)),
                               {&IID_IMAPIProp, &IID_IMailUser, &IID_IDistList, &IID_IMAPIContainer});
    }
    STDMETHODIMP_(ULONG) AddRef() override
    {
        return this->AddRefBase();
    }
    STDMETHODIMP_(ULONG) Release() override
    {
        return this->ReleaseBase();
    }

    bool Exists() const
    {
        return m_bExists;
    }
    void Reload()
    {
        ms::CStoreFile& file = CProvider::Get().m_file;
        if (m_ulKind == kKindAbEntry)
        {
            const ms::CAbEntry* e = ms::FindAbEntry(file, m_uId);
            m_bExists = e != nullptr;
            if (e)
            {
                m_props = e->m_props;
                m_computed = EntryProps(*e);
            }
        }
        else
        {
            ms::CStore* s = nullptr;
            ms::CFolder* f = ContactsFolder(s);
            ms::CItemRef ref = s ? ms::FindItem(s->m_root, m_uId) : ms::CItemRef{};
            std::optional<ms::CPropList> p = ref.Item() ? ContactSlotProps(*ref.Item(), m_ulSlot) : std::nullopt;
            (void)f;
            m_bExists = p.has_value();
            if (p)
            {
                m_props = ref.Item()->m_props;
                m_computed = *p;
            }
        }
    }

  protected:
    ms::CPropList* Stored() override
    {
        return &m_props;
    }
    bool Writable() override
    {
        if (m_ulKind == kKindAbContact)
            return true;
        const ms::CAbEntry* e = ms::FindAbEntry(CProvider::Get().m_file, m_uId);
        return e && e->m_sContainer == "pab";
    }
    void AddComputed(ms::CPropList& p_props) override
    {
        for (const auto& v : m_computed)
            if (m_ulKind == kKindAbContact || !ms::FindProp(m_props, PROP_TAG(PT_UNSPECIFIED, PROP_ID(v.m_ulTag))))
                ms::SetProp(p_props, v);
    }
    bool IsComputedTag(ULONG p_ulTag) override
    {
        const ULONG id = PROP_ID(p_ulTag);
        return id == PROP_ID(PR_ENTRYID) || id == PROP_ID(PR_OBJECT_TYPE) || id == PROP_ID(PR_RECORD_KEY) ||
               id == PROP_ID(PR_SEARCH_KEY) ||
               (m_ulKind == kKindAbContact && (id == PROP_ID(PR_EMAIL_ADDRESS) || id == PROP_ID(PR_ADDRTYPE)));
    }
    HRESULT Save(ULONG) override
    {
        CProvider& prov = CProvider::Get();
        if (m_ulKind == kKindAbEntry)
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
            ms::CStore* s = prov.m_file.DefaultStore();
            const ms::CItemRef ref = s ? ms::FindItem(s->m_root, m_uId) : ms::CItemRef{};
            if (!ref.Item())
                return MAPI_E_OBJECT_DELETED;
            ref.Item()->m_props = m_props;
            ms::MarkFolderChanged(*ref.m_pFolder);
        }
        prov.Changed();
        if (!prov.Save())
            return MAPI_E_DISK_ERROR;
        Reload();
        return S_OK;
    }

  public:
    ms::CPropList m_props, m_computed;
    ULONG m_ulKind;
    uint32_t m_uId;
    ULONG m_ulSlot;
    bool m_bExists = false;
};

class CDistList final : public CReadOnlyContainer<IDistList>
{
  public:
    explicit CDistList(uint32_t p_uId) : CReadOnlyContainer("IDistList::OpenEntry"), m_uId(p_uId)
    {
    }
    MAPI_UNKNOWN_IMPL(&IID_IDistList, &IID_IMAPIContainer, &IID_IMAPIProp)
    STDMETHODIMP GetContentsTable(ULONG p_ulFlags, LPMAPITABLE* p_pp) override
    {
        return Call("IDistList::GetContentsTable", [&]() -> HRESULT {
            return NewTable(
                [id = m_uId] {
                    std::vector<ms::CPropList> rows;
                    ms::CStoreFile& file = CProvider::Get().m_file;
                    if (const ms::CAbEntry* e = ms::FindAbEntry(file, id))
                        for (uint32_t m : e->m_vMembers)
                            if (const ms::CAbEntry* me = ms::FindAbEntry(file, m))
                                rows.push_back(EntryProps(*me));
                    return rows;
                },
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
        if (const ms::CAbEntry* e = ms::FindAbEntry(CProvider::Get().m_file, m_uId))
            p_props = EntryProps(*e);
    }

  private:
    uint32_t m_uId;
};

class CAddrBook final : public IAddrBook, public CUnknownBase
{
  public:
    MAPI_UNKNOWN_IMPL(&IID_IAddrBook, &IID_IMAPIProp)
    // IMAPIProp of the address book itself: nothing to read or write.
    STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR* p_pp) override
    {
        if (p_pp)
            *p_pp = nullptr;
        return S_OK;
    }
    STDMETHODIMP SaveChanges(ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP GetProps(LPSPropTagArray, ULONG, ULONG*, LPSPropValue*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP GetPropList(ULONG, LPSPropTagArray*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP OpenProperty(ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP SetProps(ULONG, LPSPropValue, LPSPropProblemArray*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP DeleteProps(LPSPropTagArray, LPSPropProblemArray*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP CopyTo(ULONG, LPCIID, LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                        LPSPropProblemArray*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP CopyProps(LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG, LPSPropProblemArray*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP GetNamesFromIDs(LPSPropTagArray*, LPGUID, ULONG, ULONG*, LPMAPINAMEID**) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP GetIDsFromNames(ULONG, LPMAPINAMEID*, ULONG, LPSPropTagArray*) override
    {
        return MAPI_E_NO_SUPPORT;
    }

    STDMETHODIMP OpenEntry(ULONG p_cb, LPENTRYID p_pEid, LPCIID, ULONG, ULONG* p_pType, LPUNKNOWN* p_pp) override
    {
        return Call("IAddrBook::OpenEntry", [&]() -> HRESULT {
            if (!p_pType || !p_pp)
                return MAPI_E_INVALID_PARAMETER;
            if (p_cb == 0)
            {
                *p_pType = MAPI_ABCONT;
                *p_pp = static_cast<IABContainer*>(new CAbContainer(kAbRoot));
                return S_OK;
            }
            CEntryIdBits bits;
            if (!ParseEntryId(p_cb, p_pEid, bits))
                return MAPI_E_UNKNOWN_ENTRYID;
            return OpenAbEntry(bits, p_pType, p_pp);
        });
    }
    STDMETHODIMP CompareEntryIDs(ULONG p_cb1, LPENTRYID p_p1, ULONG p_cb2, LPENTRYID p_p2, ULONG,
                                 ULONG* p_pResult) override
    {
        return Call("IAddrBook::CompareEntryIDs", [&]() -> HRESULT {
            CEntryIdBits a, b;
            if (!p_pResult)
                return MAPI_E_INVALID_PARAMETER;
            if (!ParseEntryId(p_cb1, p_p1, a) || !ParseEntryId(p_cb2, p_p2, b))
                return MAPI_E_UNKNOWN_ENTRYID;
            *p_pResult = memcmp(a.m_abUid, b.m_abUid, sizeof(CEntryIdBits) - 4) == 0;
            return S_OK;
        });
    }
    STDMETHODIMP Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP Unadvise(ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP CreateOneOff(LPTSTR, LPTSTR, LPTSTR, ULONG, ULONG*, LPENTRYID*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP NewEntry(ULONG_PTR, ULONG, ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG*, LPENTRYID*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP ResolveName(ULONG_PTR, ULONG p_ulFlags, LPTSTR, LPADRLIST p_pList) override
    {
        return Call("IAddrBook::ResolveName", [&]() -> HRESULT {
            if (!p_pList)
                return MAPI_E_INVALID_PARAMETER;
            bool bAmbiguous = false, bMissing = false;
            for (ULONG i = 0; i < p_pList->cEntries; ++i)
            {
                ADRENTRY& e = p_pList->aEntries[i];
                if (!e.rgPropVals)
                    continue;
                ms::CPropList props;
                for (ULONG j = 0; j < e.cValues; ++j)
                {
                    ms::CPropValue v;
                    if (FromSPropValue(e.rgPropVals[j], v))
                        ms::SetProp(props, std::move(v));
                }
                if (ms::FindProp(props, PR_ENTRYID))
                    continue; // already resolved
                const std::string name = ms::GetString(props, PR_DISPLAY_NAME);
                if (name.empty())
                    continue;
                // Exact display-name or address matches win; otherwise a prefix of the name.
                std::vector<ms::CPropList> exact, prefix;
                for (ULONG c : {kAbGal, kAbContacts, kAbPab})
                    for (auto& row : ContainerRows(c))
                    {
                        const std::string dn = ms::GetString(row, PR_DISPLAY_NAME),
                                          addr = ms::GetString(row, PR_EMAIL_ADDRESS),
                                          smtp = ms::GetString(row, PR_SMTP_ADDRESS);
                        if (Upper(dn) == Upper(name) || Upper(addr) == Upper(name) ||
                            (!smtp.empty() && Upper(smtp) == Upper(name)))
                            exact.push_back(row);
                        else
                        {
                            // Ambiguous name resolution: the text begins the name or one of its words.
                            const std::string udn = Upper(dn), un = Upper(name);
                            for (size_t at = 0; at != std::string::npos;
                                 at = udn.find(' ', at), at = at == std::string::npos ? at : at + 1)
                                if (udn.compare(at, un.size(), un) == 0)
                                {
                                    prefix.push_back(row);
                                    break;
                                }
                        }
                    }
                const std::vector<ms::CPropList>& hits = !exact.empty() ? exact : prefix;
                if (hits.size() != 1)
                {
                    (hits.empty() ? bMissing : bAmbiguous) = true;
                    continue;
                }
                ms::CPropList resolved = hits[0];
                if (const ms::CPropValue* rt = ms::FindProp(props, PR_RECIPIENT_TYPE))
                    ms::SetProp(resolved, *rt);
                std::vector<ULONG> cols;
                for (const auto& v : resolved)
                    if (PROP_ID(v.m_ulTag) != PROP_ID(PR_INSTANCE_KEY))
                        cols.push_back(
                            ms::IsStringType(PROP_TYPE(v.m_ulTag))
                                ? PROP_TAG((p_ulFlags & MAPI_UNICODE) ? PT_UNICODE : PT_STRING8, PROP_ID(v.m_ulTag)) |
                                      (PROP_TYPE(v.m_ulTag) & MV_FLAG)
                                : v.m_ulTag);
                SRow row{};
                if (FAILED(RowToSRow(resolved, cols, (p_ulFlags & MAPI_UNICODE) != 0, row)))
                    return MAPI_E_NOT_ENOUGH_MEMORY;
                const unique_own_buffer<SPropValue> replaced(e.rgPropVals); // the entry's values before
                e.rgPropVals = row.lpProps;
                e.cValues = row.cValues;
            }
            if (bAmbiguous)
                return MAPI_E_AMBIGUOUS_RECIP;
            return bMissing ? MAPI_E_NOT_FOUND : S_OK;
        });
    }
    STDMETHODIMP Address(ULONG_PTR*, LPADRPARM, LPADRLIST*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP Details(ULONG*, LPFNDISMISS, LPVOID, ULONG p_cb, LPENTRYID p_pEid, LPFNBUTTON, LPVOID, LPTSTR,
                         ULONG) override
    {
        return Call("IAddrBook::Details", [&]() -> HRESULT {
            // No dialog here: the entry must exist, and the details "dialog" is dismissed at once.
            ULONG type = 0;
            com_ptr<IUnknown> unk;
            CEntryIdBits bits;
            if (!ParseEntryId(p_cb, p_pEid, bits))
                return MAPI_E_UNKNOWN_ENTRYID;
            return OpenAbEntry(bits, &type, unk.put());
        });
    }
    STDMETHODIMP RecipOptions(ULONG_PTR, ULONG, LPADRENTRY) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP QueryDefaultRecipOpt(LPTSTR, ULONG, ULONG*, LPSPropValue*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP GetPAB(ULONG* p_pcb, LPENTRYID* p_pp) override
    {
        return Call("IAddrBook::GetPAB",
                    [&] { return CopyBytesOut(MakeEntryId(AbUid(), kKindAbContainer, kAbPab), p_pcb, p_pp); });
    }
    STDMETHODIMP SetPAB(ULONG, LPENTRYID) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP GetDefaultDir(ULONG* p_pcb, LPENTRYID* p_pp) override
    {
        return Call("IAddrBook::GetDefaultDir",
                    [&] { return CopyBytesOut(MakeEntryId(AbUid(), kKindAbContainer, kAbGal), p_pcb, p_pp); });
    }
    STDMETHODIMP SetDefaultDir(ULONG, LPENTRYID) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP GetSearchPath(ULONG, LPSRowSet*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP SetSearchPath(ULONG, LPSRowSet) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP PrepareRecips(ULONG, LPSPropTagArray, LPADRLIST) override
    {
        return MAPI_E_NO_SUPPORT;
    }
};
} // namespace

HRESULT OpenAddressBook(IAddrBook** p_pp)
{
    *p_pp = new CAddrBook();
    return S_OK;
}

HRESULT OpenAbEntry(const CEntryIdBits& p_bits, ULONG* p_pulType, IUnknown** p_pp)
{
    if (memcmp(p_bits.m_abUid, AbUid().data(), 16) != 0)
        return MAPI_E_UNKNOWN_ENTRYID;
    switch (p_bits.m_ulKind)
    {
    case kKindAbContainer:
        if (p_bits.m_ulId > kAbPab)
            return MAPI_E_NOT_FOUND;
        *p_pulType = MAPI_ABCONT;
        *p_pp = static_cast<IABContainer*>(new CAbContainer(p_bits.m_ulId));
        return S_OK;
    case kKindAbEntry: {
        const ms::CAbEntry* e = ms::FindAbEntry(CProvider::Get().m_file, p_bits.m_ulId);
        if (!e)
            return MAPI_E_NOT_FOUND;
        if (e->m_bDistList)
        {
            *p_pulType = MAPI_DISTLIST;
            *p_pp = static_cast<IDistList*>(new CDistList(e->m_uId));
            return S_OK;
        }
        *p_pulType = MAPI_MAILUSER;
        *p_pp = static_cast<IMailUser*>(new CAbEntryObject<IMailUser>(kKindAbEntry, e->m_uId, 0));
        return S_OK;
    }
    case kKindAbContact: {
        auto* u = new CAbEntryObject<IMailUser>(kKindAbContact, p_bits.m_ulId, p_bits.m_ulExtra);
        com_ptr<IMailUser> owner;
        owner.attach(u);
        if (!u->Exists() || p_bits.m_ulExtra > 2)
            return MAPI_E_NOT_FOUND;
        *p_pulType = MAPI_MAILUSER;
        *p_pp = owner.detach();
        return S_OK;
    }
    default:
        return MAPI_E_UNKNOWN_ENTRYID;
    }
}
} // namespace mapiprov
