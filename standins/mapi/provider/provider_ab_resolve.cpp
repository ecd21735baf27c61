// standins/mapi/provider/provider_ab_resolve.cpp: IAddrBook::ResolveName over every container
// through a name index, the one-off entries of internet addresses no container holds, and with
// MAPI_DIALOG the user's choice among the entries an ambiguous name matched.
#include "standins/mapi/provider/provider_ab.h"
#include "standins/mapi/provider/provider_ab_resolve_dialog.h"
#include "standins/mapi/provider/provider_store_objects.h"

#include <algorithm>
#include <unordered_map>

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
class CNameIndex
{
  public:
    // Up to p_nLimit distinct rows: two are enough to call a name ambiguous.
    std::vector<size_t> Find(const std::string& p_sName, size_t p_nLimit = 2)
    {
        Refresh();
        const std::string key = Upper(p_sName);
        std::vector<size_t> hits;
        auto note = [&](size_t p_n) {
            if (std::find(hits.begin(), hits.end(), p_n) == hits.end())
                hits.push_back(p_n);
            return hits.size() >= p_nLimit;
        };
        for (auto [it, end] = m_exact.equal_range(key); it != end; ++it)
            if (note(it->second))
                return hits;
        if (!hits.empty())
            return hits;
        for (auto it = std::lower_bound(m_words.begin(), m_words.end(), std::make_pair(key, size_t{0}));
             it != m_words.end() && it->first.compare(0, key.size(), key) == 0; ++it)
            if (note(it->second))
                break;
        return hits;
    }
    const ms::CPropList& Row(size_t p_n) const
    {
        return m_rows[p_n];
    }

  private:
    void Refresh()
    {
        const uint64_t generation = CProvider::Get().Generation();
        if (generation == m_ulGeneration)
            return;
        m_rows.clear();
        m_exact.clear();
        m_words.clear();
        for (ULONG c : {kAbGal, kAbContacts, kAbPab})
            for (auto& row : ContainerRows(c))
                m_rows.push_back(std::move(row));
        for (size_t n = 0; n < m_rows.size(); ++n)
        {
            const std::string dn = Upper(ms::GetString(m_rows[n], PR_DISPLAY_NAME));
            for (ULONG tag : {PR_EMAIL_ADDRESS, PR_SMTP_ADDRESS})
                if (std::string k = Upper(ms::GetString(m_rows[n], tag)); !k.empty() && k != dn)
                    m_exact.emplace(std::move(k), n);
            m_exact.emplace(dn, n);
            for (size_t at = 0; at < dn.size(); at = dn.find(' ', at), at = at == std::string::npos ? at : at + 1)
                m_words.emplace_back(dn.substr(at), n);
        }
        std::sort(m_words.begin(), m_words.end());
        m_ulGeneration = generation;
    }

    uint64_t m_ulGeneration = 0;
    std::vector<ms::CPropList> m_rows;
    std::unordered_multimap<std::string, size_t> m_exact;
    std::vector<std::pair<std::string, size_t>> m_words;
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
        const ms::CPropList& row = Index().Row(n);
        std::string line = ms::GetString(row, PR_DISPLAY_NAME);
        std::string address = ms::GetString(row, PR_SMTP_ADDRESS);
        if (address.empty())
            address = ms::GetString(row, PR_EMAIL_ADDRESS);
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
