// standins/mapi/provider/provider_ab.cpp: the address book: the root with the global address list,
// the "Outlook Address Book" with its "Contacts" container (the default contacts folder seen as
// address entries) and the personal address book; mail users, distribution lists.
#include "standins/mapi/provider/provider_ab.h"
#include "standins/mapi/provider/provider_store_objects.h"
#include "standins/mapi/store/folder_index.h"

#include <algorithm>

namespace mapiprov
{
namespace
{
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

// A directory user's SMTP address is its primary "SMTP:" proxy address and the other way round:
// either one given in the store file gives the other.
void AddDirectorySmtp(ms::CPropList& p_props)
{
    const ms::CPropValue* proxies = ms::FindProp(p_props, PR_EMS_AB_PROXY_ADDRESSES);
    std::string smtp = ms::GetString(p_props, PR_SMTP_ADDRESS);
    if (smtp.empty() && proxies)
        for (const auto& a : proxies->m_mvsValue)
            if (a.compare(0, 5, "SMTP:") == 0)
                smtp = a.substr(5);
    if (smtp.empty())
        return;
    ms::SetProp(p_props, Str(PR_SMTP_ADDRESS, smtp));
    if (!proxies)
    {
        ms::CPropValue v;
        v.m_ulTag = PROP_TAG(PT_MV_UNICODE, PROP_ID(PR_EMS_AB_PROXY_ADDRESSES));
        v.m_mvsValue = {"SMTP:" + smtp};
        ms::SetProp(p_props, std::move(v));
    }
}

} // namespace

std::vector<ms::CPropList> ContainerRows(ULONG p_ulId)
{
    std::vector<ms::CPropList> rows;
    ms::CStoreFile& file = CProvider::Get().m_file;
    if (p_ulId == kAbGal || p_ulId == kAbPab)
    {
        for (const auto& e : file.m_vAddressBook)
            if (e.m_sContainer == (p_ulId == kAbGal ? "gal" : "pab"))
                rows.push_back(AbEntryProps(e));
    }
    else if (p_ulId == kAbContacts)
        rows = ContactsContainerRows();
    return rows;
}

namespace
{
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
            return OpenAnyAbEntry(p_cb, p_pEid, p_pType, p_pp);
        });
    }
    STDMETHODIMP CompareEntryIDs(ULONG p_cb1, LPENTRYID p_p1, ULONG p_cb2, LPENTRYID p_p2, ULONG,
                                 ULONG* p_pResult) override
    {
        return Call("IAddrBook::CompareEntryIDs",
                    [&] { return CompareAnyEntryIds(p_cb1, p_p1, p_cb2, p_p2, p_pResult); });
    }
    STDMETHODIMP Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP Unadvise(ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP CreateOneOff(LPTSTR p_szName, LPTSTR p_szType, LPTSTR p_szAddress, ULONG p_ulFlags, ULONG* p_pcb,
                              LPENTRYID* p_pp) override
    {
        return Call("IAddrBook::CreateOneOff", [&]() -> HRESULT {
            const bool bUnicode = (p_ulFlags & MAPI_UNICODE) != 0;
            if (!p_szType || !p_szAddress || !p_pcb || !p_pp)
                return MAPI_E_INVALID_PARAMETER;
            COneOff o{p_szName ? ArgString(p_szName, bUnicode) : std::string(), ArgString(p_szType, bUnicode),
                      ArgString(p_szAddress, bUnicode)};
            if (o.m_sType.empty() || o.m_sAddress.empty())
                return MAPI_E_INVALID_PARAMETER;
            o.m_bRichInfo = (p_ulFlags & MAPI_SEND_NO_RICH_INFO) == 0;
            return CopyBytesOut(OneOffEntryId(o), p_pcb, p_pp);
        });
    }
    STDMETHODIMP NewEntry(ULONG_PTR, ULONG, ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG*, LPENTRYID*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP ResolveName(ULONG_PTR p_ulUIParam, ULONG p_ulFlags, LPTSTR, LPADRLIST p_pList) override
    {
        return Call("IAddrBook::ResolveName", [&] { return ResolveAdrList(p_ulUIParam, p_ulFlags, p_pList); });
    }
    STDMETHODIMP Address(ULONG_PTR*, LPADRPARM, LPADRLIST*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP Details(ULONG* p_pulUIParam, LPFNDISMISS, LPVOID, ULONG p_cb, LPENTRYID p_pEid, LPFNBUTTON, LPVOID,
                         LPTSTR, ULONG) override
    {
        // Not under Call: the window is modal, and other threads keep using the store meanwhile. The
        // parent window comes as the UI parameter (window handles keep to 32 significant bits).
        return TrapExceptions("IAddrBook::Details", static_cast<HRESULT>(MAPI_E_CALL_FAILED), [&] {
            return ShowDetails(p_pulUIParam ? reinterpret_cast<HWND>(static_cast<ULONG_PTR>(*p_pulUIParam)) : nullptr,
                               p_cb, p_pEid);
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

ms::CPropList AbEntryProps(const ms::CAbEntry& p_e)
{
    ms::CPropList p = p_e.m_props;
    ms::SetProp(p, Bin(PR_ENTRYID, MakeEntryId(AbUid(), kKindAbEntry, p_e.m_uId)));
    ms::SetProp(p, Bin(PR_RECORD_KEY, MakeEntryId(AbUid(), kKindAbEntry, p_e.m_uId)));
    ms::SetProp(p, Long(PR_OBJECT_TYPE, p_e.m_bDistList ? MAPI_DISTLIST : MAPI_MAILUSER));
    // A directory list is an Exchange recipient like a directory user; a personal one is MAPIPDL.
    const bool bGal = p_e.m_sContainer == "gal";
    ms::SetProp(p, Long(PR_DISPLAY_TYPE, !p_e.m_bDistList ? DT_MAILUSER : (bGal ? DT_DISTLIST : DT_PRIVATE_DISTLIST)));
    if (!ms::FindProp(p, PR_ADDRTYPE) || (p_e.m_bDistList && !bGal))
        ms::SetProp(p, Str(PR_ADDRTYPE, bGal ? "EX" : (p_e.m_bDistList ? "MAPIPDL" : "SMTP")));
    if (bGal)
        AddDirectorySmtp(p);
    const std::string type = ms::GetString(p, PR_ADDRTYPE), addr = ms::GetString(p, PR_EMAIL_ADDRESS);
    if (!addr.empty())
    {
        const std::string k = Upper(type + ":" + addr);
        ms::SetProp(p, Bin(PR_SEARCH_KEY, ms::CBytes(k.begin(), k.end() + 1)));
    }
    return p;
}

HRESULT OpenAbContainer(ULONG p_ulId, ULONG* p_pulType, IUnknown** p_pp)
{
    if (p_ulId > kAbPab)
        return MAPI_E_NOT_FOUND;
    *p_pulType = MAPI_ABCONT;
    *p_pp = static_cast<IABContainer*>(new CAbContainer(p_ulId));
    return S_OK;
}

HRESULT OpenAddressBook(IAddrBook** p_pp)
{
    *p_pp = new CAddrBook();
    return S_OK;
}

} // namespace mapiprov
