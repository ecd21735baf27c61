// standins/mapi/provider/provider_ab_contacts.cpp: contacts and contact-folder distribution lists as
// address entries: the "Contacts" container of the "Outlook Address Book", a contact's e-mail slot
// as a mail user, and a list's members read from its member properties.
#include "standins/mapi/provider/provider_ab.h"
#include "standins/mapi/provider/provider_store_objects.h"

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

ms::CBytes SearchKey(const std::string& p_sType, const std::string& p_sAddress)
{
    const std::string k = Upper(p_sType + ":" + p_sAddress);
    return ms::CBytes(k.begin(), k.end() + 1);
}

// The one-off kept beside a list's member p_nIndex, if there is one.
std::optional<COneOff> OneOffAt(const ms::CItem& p_list, size_t p_nIndex)
{
    const ms::CPropValue* v = ms::FindProp(p_list.m_props, PROP_TAG(PT_MV_BINARY, AddressNamedId(kLidDlOneOffMembers)));
    COneOff o;
    if (!v || p_nIndex >= v->m_mvbValue.size() ||
        !ParseOneOffEntryId(static_cast<ULONG>(v->m_mvbValue[p_nIndex].size()), v->m_mvbValue[p_nIndex].data(), o))
        return std::nullopt;
    return o;
}

// One member entry id as an address row; none when it names nothing that exists.
std::optional<ms::CPropList> MemberRow(const ms::CBytes& p_eid)
{
    CWrapped w;
    COneOff o;
    if (!ParseWrappedEntryId(static_cast<ULONG>(p_eid.size()), p_eid.data(), w))
    {
        if (!ParseOneOffEntryId(static_cast<ULONG>(p_eid.size()), p_eid.data(), o))
            return std::nullopt;
        return OneOffProps(o, p_eid);
    }
    std::optional<ms::CPropList> row;
    switch (w.m_kind)
    {
    case kWrapOneOff:
        if (ParseOneOffEntryId(static_cast<ULONG>(w.m_embedded.size()), w.m_embedded.data(), o))
            row = OneOffProps(o, p_eid);
        break;
    case kWrapContact:
    case kWrapDistList: {
        const CStoreItem si = FindStoreItem(w.m_embedded);
        if (si.m_pItem)
            row = w.m_kind == kWrapContact ? ContactSlotProps(*si.m_pStore, *si.m_pItem, w.m_ulSlot)
                                           : std::optional<ms::CPropList>(ContactListProps(*si.m_pStore, *si.m_pItem));
        break;
    }
    case kWrapGalUser:
    case kWrapGalList: {
        CEntryIdBits bits;
        if (ParseEntryId(static_cast<ULONG>(w.m_embedded.size()), w.m_embedded.data(), bits) &&
            bits.m_ulKind == kKindAbEntry)
            if (const ms::CAbEntry* e = ms::FindAbEntry(CProvider::Get().m_file, bits.m_ulId))
                row = AbEntryProps(*e);
        break;
    }
    }
    if (row)
        ms::SetProp(*row, Bin(PR_ENTRYID, p_eid)); // the member as the list names it
    return row;
}
} // namespace

bool IsContactClass(const ms::CItem& p_item, const char* p_szClass)
{
    const std::string cls = ms::GetString(p_item.m_props, PR_MESSAGE_CLASS);
    const size_t n = strlen(p_szClass);
    return !p_item.m_bAssociated && cls.compare(0, n, p_szClass) == 0 && (cls.size() == n || cls[n] == '.');
}

std::string ContactItemName(const ms::CItem& p_item)
{
    return ms::GetString(p_item.m_props, PR_DISPLAY_NAME, ms::GetString(p_item.m_props, PR_SUBJECT));
}

CStoreItem FindStoreItem(const ms::CBytes& p_messageEid)
{
    CEntryIdBits bits;
    if (!ParseEntryId(static_cast<ULONG>(p_messageEid.size()), p_messageEid.data(), bits) ||
        bits.m_ulKind != kKindMessage)
        return {};
    ms::CStore* s = CProvider::Get().m_file.StoreByUid(Uid(bits));
    ms::CItem* item = s && !IsPublicStore(*s) ? ms::FindItem(s->m_root, bits.m_ulId).Item() : nullptr;
    return item ? CStoreItem{s, item} : CStoreItem{};
}

std::optional<ULONG> FirstEmailSlot(const ms::CItem& p_item)
{
    for (ULONG slot = 0; slot < 3; ++slot)
        if (!ms::GetString(p_item.m_props, PROP_TAG(PT_UNICODE, AddressNamedId(kLidEmail1AddrType + 1 + 0x10 * slot)))
                 .empty())
            return slot;
    return std::nullopt;
}

std::optional<ms::CPropList> ContactSlotProps(const ms::CStore& p_s, const ms::CItem& p_item, ULONG p_ulSlot)
{
    // Email1..3: display name 0x8080/0x8090/0x80A0, address type +2, address +3.
    const uint32_t base = kLidEmail1AddrType + 0x10 * p_ulSlot;
    const std::string type = ms::GetString(p_item.m_props, PROP_TAG(PT_UNICODE, AddressNamedId(base)), "SMTP");
    const std::string addr = ms::GetString(p_item.m_props, PROP_TAG(PT_UNICODE, AddressNamedId(base + 1)));
    if (p_ulSlot > 2 || addr.empty())
        return std::nullopt;
    ms::CPropList p;
    ms::SetProp(p, Str(PR_DISPLAY_NAME, ContactItemName(p_item)));
    ms::SetProp(p, Str(PR_ADDRTYPE, type));
    ms::SetProp(p, Str(PR_EMAIL_ADDRESS, addr));
    for (ULONG t : {PR_GIVEN_NAME, PR_SURNAME, PR_MOBILE_TELEPHONE_NUMBER, PR_COMPANY_NAME})
        if (const ms::CPropValue* v = ms::FindProp(p_item.m_props, t))
            ms::SetProp(p, *v);
    const ms::CBytes eid = WrapEntryId(kWrapContact, MessageEntryId(p_s, p_item.m_uId), p_ulSlot);
    ms::SetProp(p, Bin(PR_ENTRYID, eid));
    ms::SetProp(p, Bin(PR_RECORD_KEY, eid));
    ms::SetProp(p, Long(PR_OBJECT_TYPE, MAPI_MAILUSER));
    ms::SetProp(p, Long(PR_DISPLAY_TYPE, DT_MAILUSER));
    ms::SetProp(p, Bin(PR_SEARCH_KEY, SearchKey(type, addr)));
    return p;
}

ms::CPropList ContactListProps(const ms::CStore& p_s, const ms::CItem& p_item)
{
    ms::CPropList p;
    ms::SetProp(p, Str(PR_DISPLAY_NAME, ContactItemName(p_item)));
    ms::SetProp(p, Str(PR_ADDRTYPE, "MAPIPDL"));
    const ms::CBytes eid = WrapEntryId(kWrapDistList, MessageEntryId(p_s, p_item.m_uId));
    ms::SetProp(p, Bin(PR_ENTRYID, eid));
    ms::SetProp(p, Bin(PR_RECORD_KEY, eid));
    ms::SetProp(p, Long(PR_OBJECT_TYPE, MAPI_DISTLIST));
    ms::SetProp(p, Long(PR_DISPLAY_TYPE, DT_PRIVATE_DISTLIST));
    return p;
}

std::vector<ms::CPropList> ContactListMemberRows(const ms::CItem& p_list)
{
    std::vector<ms::CPropList> rows;
    const ms::CPropValue* members = ms::FindProp(p_list.m_props, PROP_TAG(PT_MV_BINARY, AddressNamedId(kLidDlMembers)));
    for (size_t i = 0; members && i < members->m_mvbValue.size(); ++i)
    {
        std::optional<ms::CPropList> row = MemberRow(members->m_mvbValue[i]);
        // A member that is gone is still the one-off kept beside it.
        if (!row)
            if (const std::optional<COneOff> o = OneOffAt(p_list, i))
                row = OneOffProps(*o, OneOffEntryId(*o));
        if (row)
            rows.push_back(std::move(*row));
    }
    return rows;
}

ms::CPropList OneOffProps(const COneOff& p_o, const ms::CBytes& p_eid)
{
    ms::CPropList p;
    ms::SetProp(p, Str(PR_DISPLAY_NAME, p_o.m_sName.empty() ? p_o.m_sAddress : p_o.m_sName));
    ms::SetProp(p, Str(PR_ADDRTYPE, p_o.m_sType));
    ms::SetProp(p, Str(PR_EMAIL_ADDRESS, p_o.m_sAddress));
    ms::SetProp(p, Bin(PR_ENTRYID, p_eid));
    ms::SetProp(p, Bin(PR_RECORD_KEY, p_eid));
    ms::SetProp(p, Long(PR_OBJECT_TYPE, MAPI_MAILUSER));
    ms::SetProp(p, Long(PR_DISPLAY_TYPE, DT_MAILUSER));
    ms::SetProp(p, Bin(PR_SEARCH_KEY, SearchKey(p_o.m_sType, p_o.m_sAddress)));
    return p;
}

std::vector<ms::CPropList> ContactsContainerRows()
{
    std::vector<ms::CPropList> rows;
    ms::CStore* s = CProvider::Get().m_file.DefaultStore();
    ms::CFolder* f = s ? ms::FindFolderByRole(s->m_root, "contacts") : nullptr;
    if (!f)
        return rows;
    for (const auto& item : f->m_vItems)
        if (IsContactClass(item, "IPM.Contact"))
        {
            if (const std::optional<ULONG> slot = FirstEmailSlot(item))
                if (auto p = ContactSlotProps(*s, item, *slot))
                    rows.push_back(std::move(*p));
        }
        else if (IsContactClass(item, "IPM.DistList"))
            rows.push_back(ContactListProps(*s, item));
    return rows;
}
} // namespace mapiprov
