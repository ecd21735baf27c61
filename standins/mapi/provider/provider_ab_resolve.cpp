// standins/mapi/provider/provider_ab_resolve.cpp: IAddrBook::ResolveName over every container
// through a name index, the one-off entries of internet addresses no container holds, and with
// MAPI_DIALOG the user's choice among the entries an ambiguous name matched.
#include "standins/mapi/provider/provider_ab.h"
#include "standins/mapi/provider/provider_ab_resolve_dialog.h"
#include "standins/mapi/provider/provider_store_objects.h"

#include <algorithm>
#include <mutex>
#include <string_view>

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

// The entries of the global address list, the "Contacts" container and the personal address book,
// with two look-ups: exact keys (display name, address, SMTP address) and, for ambiguous name
// resolution, the display name from each word start on, sorted so a prefix is one range. It is
// built again when the store has changed since, so a name costs a look-up, not a pass over the rows.
// A contacts folder may hold a hundred thousand contacts: the index keeps where each contact is and
// its keys in one text block, and makes a contact's address row only for the names that match it,
// so building it costs a few large allocations rather than a dozen small ones per contact.
class CNameIndex
{
  public:
    // Up to p_nLimit distinct entries: two are enough to call a name ambiguous. Its numbers stay
    // valid for Row until the store changes.
    std::vector<size_t> Find(const std::string& p_sName, size_t p_nLimit = 2)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Refresh();
        const std::string key = Upper(p_sName);
        std::vector<size_t> hits;
        auto note = [&](size_t p_n) {
            if (std::find(hits.begin(), hits.end(), p_n) == hits.end())
                hits.push_back(p_n);
            return hits.size() >= p_nLimit;
        };
        auto it = std::lower_bound(m_exact.begin(), m_exact.end(), key,
                                   [this](const CKey& p_k, const std::string& p_s) { return Text(p_k) < p_s; });
        for (; it != m_exact.end() && Text(*it) == key; ++it)
            if (note(it->m_uEntry))
                return hits;
        if (!hits.empty())
            return hits;
        for (it = std::lower_bound(m_words.begin(), m_words.end(), key,
                                   [this](const CKey&p_k, const std::string&p_s) { return Text(p_k) < p_s; });
             it != m_words.end() && Text(*it).substr(0, key.size()) == key; ++it)
            if (note(it->m_uEntry))
                break;
        return hits;
    }

    // The address row of entry p_n of the last Find, or nothing when the store has changed since.
    std::optional<ms::CPropList> Row(size_t p_n)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (p_n >= m_entries.size() || CProvider::Get().Generation() != m_ulGeneration)
            return std::nullopt;
        const CEntry& e = m_entries[p_n];
        if (e.m_pFolder == nullptr)
            return m_abRows[e.m_uPosition];
        if (e.m_uPosition >= e.m_pFolder->m_vItems.size() || e.m_pFolder->m_vItems[e.m_uPosition].m_uId != e.m_uId)
            return std::nullopt;
        const ms::CItem& item = e.m_pFolder->m_vItems[e.m_uPosition];
        return e.m_ulSlot == kListSlot ? ContactListProps(*e.m_pStore, item)
                                       : ContactSlotProps(*e.m_pStore, item, e.m_ulSlot);
    }

  private:
    static constexpr ULONG kListSlot = ~0UL;

    // An address-book row (m_pFolder null: m_abRows[m_uPosition]) or a contact folder's item.
    struct CEntry
    {
        ms::CStore* m_pStore = nullptr;
        ms::CFolder* m_pFolder = nullptr;
        uint32_t m_uPosition = 0;
        uint32_t m_uId = 0;
        ULONG m_ulSlot = 0;
    };
    // A key: m_uLength characters of m_sText from m_uOffset, naming entry m_uEntry.
    struct CKey
    {
        uint32_t m_uOffset = 0;
        uint32_t m_uLength = 0;
        uint32_t m_uEntry = 0;
    };

    std::string_view Text(const CKey& p_k) const
    {
        return std::string_view(m_sText).substr(p_k.m_uOffset, p_k.m_uLength);
    }

    // Appends p_s upper-cased to the text block and returns its key.
    CKey AddText(std::string_view p_s, size_t p_nEntry)
    {
        CKey k{static_cast<uint32_t>(m_sText.size()), static_cast<uint32_t>(p_s.size()),
               static_cast<uint32_t>(p_nEntry)};
        for (char c : p_s)
            m_sText.push_back(static_cast<char>(toupper(static_cast<unsigned char>(c))));
        return k;
    }

    // The keys of one entry: its display name (and every word start in it) and its addresses.
    void AddKeys(std::string_view p_sName, std::initializer_list<std::string_view> p_addresses)
    {
        const size_t n = m_entries.size() - 1;
        const CKey name = AddText(p_sName, n);
        m_exact.push_back(name);
        const std::string_view upperName = Text(name);
        for (size_t at = 0; at < upperName.size();
             at = upperName.find(' ', at), at = at == std::string::npos ? at : at + 1)
            m_words.push_back({name.m_uOffset + static_cast<uint32_t>(at), name.m_uLength - static_cast<uint32_t>(at),
                               name.m_uEntry});
        for (std::string_view address : p_addresses)
            if (!address.empty())
                if (const CKey k = AddText(address, n); Text(k) != Text(name))
                    m_exact.push_back(k);
    }

    void AddContacts()
    {
        ms::CStore* s = CProvider::Get().m_file.DefaultStore();
        ms::CFolder* f = s ? ms::FindFolderByRole(s->m_root, "contacts") : nullptr;
        for (size_t i = 0; f && i < f->m_vItems.size(); ++i)
        {
            const ms::CItem& item = f->m_vItems[i];
            std::optional<ULONG> slot;
            if (IsContactClass(item, "IPM.DistList"))
                slot = kListSlot;
            else if (IsContactClass(item, "IPM.Contact"))
                slot = FirstEmailSlot(item);
            if (!slot)
                continue;
            m_entries.push_back({s, f, static_cast<uint32_t>(i), item.m_uId, *slot});
            const std::string name = ContactItemName(item);
            if (*slot == kListSlot)
                AddKeys(name, {});
            else
                AddKeys(name, {ms::GetString(item.m_props, PROP_TAG(PT_UNICODE, AddressNamedId(kLidEmail1AddrType + 1 +
                                                                                               0x10 * *slot)))});
        }
    }

    void Refresh()
    {
        const uint64_t generation = CProvider::Get().Generation();
        if (generation == m_ulGeneration)
            return;
        m_entries.clear();
        m_abRows.clear();
        m_sText.clear();
        m_exact.clear();
        m_words.clear();
        for (ULONG c : {kAbGal, kAbPab})
            for (auto& row : ContainerRows(c))
            {
                m_entries.push_back({nullptr, nullptr, static_cast<uint32_t>(m_abRows.size()), 0, 0});
                m_abRows.push_back(std::move(row));
                const ms::CPropList& r = m_abRows.back();
                AddKeys(ms::GetString(r, PR_DISPLAY_NAME),
                        {ms::GetString(r, PR_EMAIL_ADDRESS), ms::GetString(r, PR_SMTP_ADDRESS)});
            }
        AddContacts();
        const auto byText = [this](const CKey& p_a, const CKey& p_b) {
            const std::string_view a = Text(p_a), b = Text(p_b);
            return a != b ? a < b : p_a.m_uEntry < p_b.m_uEntry;
        };
        std::sort(m_exact.begin(), m_exact.end(), byText);
        std::sort(m_words.begin(), m_words.end(), byText);
        m_ulGeneration = generation;
    }

    std::mutex m_mutex;
    uint64_t m_ulGeneration = 0;
    std::vector<CEntry> m_entries;
    std::vector<ms::CPropList> m_abRows;
    std::string m_sText;
    std::vector<CKey> m_exact;
    std::vector<CKey> m_words;
};

CNameIndex& Index()
{
    static CNameIndex s_index;
    return s_index;
}

// What the one-off provider makes of a name no container holds: "[TYPE:address]", or a bare
// internet address (something, "@", something with a dot, no spaces) as an SMTP address.
std::optional<COneOff> OneOffFor(const std::string& p_sName)
{
    if (p_sName.size() > 3 && p_sName.front() == '[' && p_sName.back() == ']')
    {
        const size_t colon = p_sName.find(':');
        if (colon == std::string::npos || colon < 2 || colon + 2 >= p_sName.size())
            return std::nullopt;
        const std::string address = p_sName.substr(colon + 1, p_sName.size() - colon - 2);
        return COneOff{address, Upper(p_sName.substr(1, colon - 1)), address};
    }
    const size_t at = p_sName.find('@');
    if (at == 0 || at == std::string::npos || p_sName.find_first_of(" \t;,<>[]") != std::string::npos ||
        p_sName.find('@', at + 1) != std::string::npos || p_sName.find('.', at) == std::string::npos ||
        p_sName.back() == '.')
        return std::nullopt;
    return COneOff{p_sName, "SMTP", p_sName};
}

// The entry's values replaced by the resolved row, in the caller's string type, keeping its
// recipient type.
HRESULT ReplaceEntry(ADRENTRY& p_e, const ms::CPropList& p_given, ms::CPropList p_resolved, bool p_bUnicode)
{
    if (const ms::CPropValue* rt = ms::FindProp(p_given, PR_RECIPIENT_TYPE))
        ms::SetProp(p_resolved, *rt);
    std::vector<ULONG> cols;
    for (const auto& v : p_resolved)
        if (PROP_ID(v.m_ulTag) != PROP_ID(PR_INSTANCE_KEY))
            cols.push_back(ms::IsStringType(PROP_TYPE(v.m_ulTag))
                               ? PROP_TAG(p_bUnicode ? PT_UNICODE : PT_STRING8, PROP_ID(v.m_ulTag)) |
                                     (PROP_TYPE(v.m_ulTag) & MV_FLAG)
                               : v.m_ulTag);
    SRow row{};
    if (FAILED(RowToSRow(p_resolved, cols, p_bUnicode, row)))
        return MAPI_E_NOT_ENOUGH_MEMORY;
    const unique_own_buffer<SPropValue> replaced(p_e.rgPropVals); // the entry's values before
    p_e.rgPropVals = row.lpProps;
    p_e.cValues = row.cValues;
    return S_OK;
}

// The candidates of an ambiguous name offered to the user, at most this many.
constexpr size_t kMaxCandidates = 200;

std::wstring WideOf(const std::string& p_sUtf8)
{
    std::wstring wide(p_sUtf8.size(), L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, p_sUtf8.data(), static_cast<int>(p_sUtf8.size()),
                                                        wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

// The entry the user chose among those p_sName matches, offered in name order, or nothing when the
// user cancelled.
std::optional<size_t> AskUser(ULONG_PTR p_ulUIParam, const std::string& p_sName)
{
    std::vector<std::pair<std::string, size_t>> candidates;
    for (size_t n : Index().Find(p_sName, kMaxCandidates))
    {
        const std::optional<ms::CPropList> row = Index().Row(n);
        if (!row)
            continue;
        std::string line = ms::GetString(*row, PR_DISPLAY_NAME);
        std::string address = ms::GetString(*row, PR_SMTP_ADDRESS);
        if (address.empty())
            address = ms::GetString(*row, PR_EMAIL_ADDRESS);
        if (!address.empty())
            line += " <" + address + ">";
        candidates.emplace_back(std::move(line), n);
    }
    std::sort(candidates.begin(), candidates.end());
    std::vector<std::wstring> lines;
    for (const auto& candidate : candidates)
        lines.push_back(WideOf(candidate.first));
    const std::optional<size_t> chosen =
        ChooseResolveCandidate(reinterpret_cast<HWND>(p_ulUIParam), WideOf(p_sName), lines);
    return chosen ? std::optional<size_t>(candidates[*chosen].second) : std::nullopt;
}
} // namespace

HRESULT ResolveAdrList(ULONG_PTR p_ulUIParam, ULONG p_ulFlags, LPADRLIST p_pList)
{
    if (!p_pList)
        return MAPI_E_INVALID_PARAMETER;
    bool bAmbiguous = false, bMissing = false;
    for (ULONG i = 0; i < p_pList->cEntries; ++i)
    {
        ADRENTRY& e = p_pList->aEntries[i];
        if (!e.rgPropVals)
            continue;
        ms::CPropList given;
        for (ULONG j = 0; j < e.cValues; ++j)
        {
            ms::CPropValue v;
            if (FromSPropValue(e.rgPropVals[j], v))
                ms::SetProp(given, std::move(v));
        }
        if (ms::FindProp(given, PR_ENTRYID))
            continue; // already resolved
        const std::string name = ms::GetString(given, PR_DISPLAY_NAME);
        if (name.empty())
            continue;
        const std::vector<size_t> hits = Index().Find(name);
        std::optional<ms::CPropList> resolved;
        if (hits.size() == 1)
            resolved = Index().Row(hits[0]);
        else if (hits.size() > 1 && (p_ulFlags & MAPI_DIALOG) != 0)
        {
            const std::optional<size_t> chosen = AskUser(p_ulUIParam, name);
            if (!chosen)
                return MAPI_E_USER_CANCEL;
            resolved = Index().Row(*chosen);
        }
        else if (const std::optional<COneOff> o = hits.empty() ? OneOffFor(name) : std::nullopt)
            resolved = OneOffProps(*o, OneOffEntryId(*o));
        if (!resolved)
        {
            (hits.empty() ? bMissing : bAmbiguous) = true;
            continue;
        }
        RETURN_IF_FAILED(ReplaceEntry(e, given, std::move(*resolved), (p_ulFlags & MAPI_UNICODE) != 0));
    }
    if (bAmbiguous)
        return MAPI_E_AMBIGUOUS_RECIP;
    return bMissing ? MAPI_E_NOT_FOUND : S_OK;
}
} // namespace mapiprov
