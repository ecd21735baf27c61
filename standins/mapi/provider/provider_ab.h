// standins/mapi/provider/provider_ab.h: what the address book's files share: the published entry-id
// layouts of contact-list members (wrapped and one-off), contacts and their lists seen as address
// entries, and the links a seed gives by name.
#pragma once

#include "standins/mapi/provider/provider.h"

#include <optional>
#include <string>
#include <vector>

namespace mapiprov
{
// What the low four bits of a wrapped entry id's type byte say the embedded entry id is.
enum EWrapKind : BYTE
{
    kWrapOneOff = 0,
    kWrapContact = 3,
    kWrapDistList = 4,
    kWrapGalUser = 5,
    kWrapGalList = 6,
};
// A wrapped entry id: four zero flag bytes, the contact address book's provider uid
// (C0 91 AD D3 51 9D CF 11 A4 A9 00 AA 00 47 FA A4), a type byte, then the embedded entry id. The
// type byte is 0x80 | (e-mail index << 4) | kind; the e-mail index of Email1..3 is 4..6, 3 for
// what is not a contact, and the byte is just the kind for a one-off.
ms::CBytes WrapEntryId(EWrapKind p_kind, const ms::CBytes& p_embedded, ULONG p_ulSlot = 0);
struct CWrapped
{
    EWrapKind m_kind = kWrapOneOff;
    ULONG m_ulSlot = 0; // 0..2 for Email1..3 of a contact
    ms::CBytes m_embedded;
};
[[nodiscard]] bool ParseWrappedEntryId(ULONG p_cb, const void* p_p, CWrapped& p_out);

// A one-off entry id: flags, MAPI_ONE_OFF_UID, version 0, flags (Unicode, no rich info), then the
// display name, address type and address as NUL-terminated UTF-16 strings.
struct COneOff
{
    std::string m_sName, m_sType, m_sAddress;
    bool m_bRichInfo = false;
};
ms::CBytes OneOffEntryId(const COneOff& p_o);
[[nodiscard]] bool ParseOneOffEntryId(ULONG p_cb, const void* p_p, COneOff& p_out);

// Whether two entry ids (this provider's own, wrapped or one-off) name the same object; the flag
// bytes do not take part. MAPI_E_UNKNOWN_ENTRYID for an id of none of these kinds.
[[nodiscard]] HRESULT CompareAnyEntryIds(ULONG p_cb1, const void* p_p1, ULONG p_cb2, const void* p_p2,
                                         ULONG* p_pResult);

// PSETID_Address named-property ids (created when missing).
uint32_t AddressNamedId(uint32_t p_ulLid);
constexpr uint32_t kLidEmail1AddrType = 0x8082, kLidDlOneOffMembers = 0x8054, kLidDlMembers = 0x8055,
                   kLidDlName = 0x8053;
// The store as the mail client that made it leaves it: the named properties of its contact and
// contact-list forms (Email1..3 display name, entry id, address type, address, original display
// name and original entry id; list name, one-off members and members) are registered, so they
// resolve without MAPI_CREATE.
void RegisterContactNames(ms::CStoreFile& p_file);
// The appointment, task and common reminder properties, as the mail client's forms leave them.
void RegisterCalendarNames(ms::CStoreFile& p_file);

// Contacts and lists of a message store as address entries (provider_ab_contacts.cpp).
struct CStoreItem
{
    ms::CStore* m_pStore = nullptr;
    ms::CItem* m_pItem = nullptr;
};
CStoreItem FindStoreItem(const ms::CBytes& p_messageEid);
// Whether a folder item is of p_szClass or a class derived from it (associated items never are).
bool IsContactClass(const ms::CItem& p_item, const char* p_szClass);
// A contact's or list's name: its display name, else its subject.
std::string ContactItemName(const ms::CItem& p_item);
// The first slot (0..2) of a contact that has an address.
std::optional<ULONG> FirstEmailSlot(const ms::CItem& p_item);
// A contact's e-mail slot as an address entry, with a wrapped entry id; none when the slot is empty.
std::optional<ms::CPropList> ContactSlotProps(const ms::CStore& p_s, const ms::CItem& p_item, ULONG p_ulSlot);
// A contact-folder distribution list as an address entry, with a wrapped entry id.
ms::CPropList ContactListProps(const ms::CStore& p_s, const ms::CItem& p_item);
// The members of a contact-folder list, from its member properties.
std::vector<ms::CPropList> ContactListMemberRows(const ms::CItem& p_list);
ms::CPropList OneOffProps(const COneOff& p_o, const ms::CBytes& p_eid);
// The "Contacts" container: every contact of the default contacts folder with an e-mail address
// (its first), and every distribution list there.
std::vector<ms::CPropList> ContactsContainerRows();
// The rows of the global address list, the "Contacts" container or the personal address book.
std::vector<ms::CPropList> ContainerRows(ULONG p_ulId);
// ResolveName: every unresolved entry of the list by its display name, through a name index
// (provider_ab_resolve.cpp). MAPI_E_AMBIGUOUS_RECIP when a name matched several entries,
// MAPI_E_NOT_FOUND when one matched none and is no internet address. With MAPI_DIALOG the user
// chooses among an ambiguous name's entries in a window owned by p_ulUIParam (MAPI_E_USER_CANCEL
// when cancelled).
[[nodiscard]] HRESULT ResolveAdrList(ULONG_PTR p_ulUIParam, ULONG p_ulFlags, LPADRLIST p_pList);
// The modal details window of an entry (provider_ab_details.cpp); MAPI_E_USER_CANCEL on Cancel.
[[nodiscard]] HRESULT ShowDetails(HWND p_hParent, ULONG p_cb, const void* p_pEid);
// A GAL or PAB entry's properties as the directory shows them (provider_ab.cpp).
ms::CPropList AbEntryProps(const ms::CAbEntry& p_e);

// Opens an address-book container by its id (provider_ab.cpp).
[[nodiscard]] HRESULT OpenAbContainer(ULONG p_ulId, ULONG* p_pulType, IUnknown** p_pp);
// Opens any address entry: this provider's own entry ids, wrapped entry ids and one-off entry ids.
[[nodiscard]] HRESULT OpenAnyAbEntry(ULONG p_cb, const void* p_pEid, ULONG* p_pulType, IUnknown** p_pp);
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
            if (!p_pType || !p_pp)
                return MAPI_E_INVALID_PARAMETER;
            return OpenAnyAbEntry(p_cb, p_pEid, p_pType, p_pp);
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

// Replaces what a seed gave by name (list members, Email1 as a GAL entry) with the entry ids and
// values they stand for (provider_ab_links.cpp). False, with the first fault, when a name is not found.
[[nodiscard]] bool LinkSeedReferences(ms::CStoreFile& p_file, std::string& p_sError);
} // namespace mapiprov
