// standins/mapi/provider/provider_spooler_recipients.cpp: personal distribution lists among a
// submitted message's recipients are expanded before the transport sees the message, as MAPI's
// ExpandRecips does for a store: a recipient of address type MAPIPDL (a contact-folder list or a
// list of the personal address book) becomes its members, lists within it too. Directory lists
// are the server's to expand and stay as they are.
#include "standins/mapi/provider/provider_ab.h"
#include "standins/mapi/provider/provider_spooler.h"

#include "common/trace_log.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <set>

namespace mapiprov
{
namespace
{
// What a member brings into the recipient table: how it is addressed and shown.
constexpr ULONG kRecipientTags[] = {PR_ENTRYID,      PR_DISPLAY_NAME, PR_ADDRTYPE,    PR_EMAIL_ADDRESS,
                                    PR_SMTP_ADDRESS, PR_SEARCH_KEY,   PR_OBJECT_TYPE, PR_DISPLAY_TYPE};

bool IsPersonalList(const ms::CPropList& p_r)
{
    return _stricmp(ms::GetString(p_r, PR_ADDRTYPE).c_str(), "MAPIPDL") == 0;
}

// The same address twice is one recipient: its address type and address, without regard to case;
// empty for an entry without an address, which is never taken for another.
std::string AddressKey(const ms::CPropList& p_r)
{
    const std::string address = ms::GetString(p_r, PR_EMAIL_ADDRESS);
    if (address.empty())
        return {};
    std::string key = ms::GetString(p_r, PR_ADDRTYPE) + ":" + address;
    for (char& c : key)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return key;
}

// The members of the personal list an entry id names: a contact-folder list (a wrapped entry id)
// or a list of the personal address book (this provider's own entry id); none when it names no
// such list.
std::optional<std::vector<ms::CPropList>> PersonalListMembers(const ms::CBytes& p_eid)
{
    const ULONG cb = static_cast<ULONG>(p_eid.size());
    CWrapped wrapped;
    if (ParseWrappedEntryId(cb, p_eid.data(), wrapped))
    {
        const CStoreItem list = wrapped.m_kind == kWrapDistList ? FindStoreItem(wrapped.m_embedded) : CStoreItem{};
        if (!list.m_pItem || !IsContactClass(*list.m_pItem, "IPM.DistList"))
            return std::nullopt;
        return ContactListMemberRows(*list.m_pItem);
    }
    CEntryIdBits bits;
    if (!ParseEntryId(cb, p_eid.data(), bits) || bits.m_ulKind != kKindAbEntry ||
        memcmp(bits.m_abUid, AbUid().data(), 16) != 0)
        return std::nullopt;
    ms::CStoreFile& file = CProvider::Get().m_file;
    const ms::CAbEntry* entry = ms::FindAbEntry(file, bits.m_ulId);
    if (!entry || !entry->m_bDistList || entry->m_sContainer != "pab")
        return std::nullopt;
    std::vector<ms::CPropList> members;
    for (uint32_t id : entry->m_vMembers)
        if (const ms::CAbEntry* member = ms::FindAbEntry(file, id))
            members.push_back(AbEntryProps(*member));
    return members;
}

class CExpansion
{
  public:
    explicit CExpansion(const std::vector<ms::CPropList>& p_recipients)
    {
        for (const ms::CPropList& r : p_recipients)
            if (!IsPersonalList(r))
                m_addresses.insert(AddressKey(r));
        m_addresses.erase(std::string());
    }

    // Adds the recipient, or the members of the list it is, to m_out; true when it expanded a list.
    bool Add(const ms::CPropList& p_recipient, bool p_bMember)
    {
        if (!IsPersonalList(p_recipient))
        {
            const std::string key = AddressKey(p_recipient);
            if (p_bMember && !key.empty() && !m_addresses.insert(key).second)
                return false; // on the message already, directly or through another list
            m_out.push_back(p_recipient);
            return false;
        }
        const ms::CPropValue* eid = ms::FindProp(p_recipient, PR_ENTRYID);
        const auto members = eid ? PersonalListMembers(eid->m_bValue) : std::nullopt;
        if (!members)
        {
            LOG_FAILURE("the personal list '%s' names no list; it stays a recipient nobody receives",
                        ms::GetString(p_recipient, PR_DISPLAY_NAME).c_str());
            m_out.push_back(p_recipient);
            return false;
        }
        if (!m_lists.insert(eid->m_bValue).second)
            return true; // expanded already: a list that (through others) holds itself
        const int64_t type = ms::GetLong(p_recipient, PR_RECIPIENT_TYPE).value_or(MAPI_TO);
        for (const ms::CPropList& member : *members)
        {
            ms::CPropList r;
            for (ULONG tag : kRecipientTags)
                if (const ms::CPropValue* v = ms::FindProp(member, PROP_TAG(PT_UNSPECIFIED, PROP_ID(tag))))
                    ms::SetProp(r, *v);
            ms::SetProp(r, ms::CPropValue::Long(PR_RECIPIENT_TYPE, type));
            Add(r, true);
        }
        return true;
    }

    std::vector<ms::CPropList> m_out;

  private:
    std::set<std::string> m_addresses;
    std::set<ms::CBytes> m_lists;
};
} // namespace

bool ExpandPersonalLists(std::vector<ms::CPropList>& p_recipients)
{
    CExpansion expansion(p_recipients);
    bool bExpanded = false;
    for (const ms::CPropList& r : p_recipients)
        bExpanded = expansion.Add(r, false) || bExpanded;
    if (!bExpanded)
        return false;
    // Rows are numbered afresh, as the recipient table hands them out.
    for (size_t i = 0; i < expansion.m_out.size(); ++i)
        ms::SetProp(expansion.m_out[i], ms::CPropValue::Long(PR_ROWID, static_cast<int64_t>(i)));
    p_recipients = std::move(expansion.m_out);
    return true;
}
} // namespace mapiprov
