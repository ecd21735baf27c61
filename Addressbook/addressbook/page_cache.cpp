// Addressbook/addressbook/page_cache.cpp: paging, residency, page reads and the prefix search of
// the address-book page cache.
#include "Addressbook/addressbook/page_cache.h"

#include "common/trace_log.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace
{
const char* const kAssertFile = "Addressbook\\PageCache";

std::string UpperText(std::string_view p_sText)
{
    std::string sUpper(p_sText);
    for (char& c : sUpper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return sUpper;
}

// The probed name as the search sees it: leading apostrophes skipped, upper-cased, then compared
// over the prefix's length (a shorter name sorts before the prefix).
int ComparePrefix(const std::string& p_sPrefix, std::string_view p_sName)
{
    const size_t nSkip = std::min(p_sName.find_first_not_of('\''), p_sName.size());
    const std::string sName = UpperText(p_sName.substr(nSkip, p_sPrefix.size()));
    return p_sPrefix.compare(0, p_sPrefix.size(), sName);
}
} // namespace

void LogPageCacheAssertion(const char* p_szFile, unsigned p_uLine, const char* p_szAssertion)
{
    Log("Assertion failed in file %s at line %u: %s", p_szFile, p_uLine, p_szAssertion);
}

std::vector<int> PagesTouched(uint32_t p_ulFirst, uint32_t p_ulLast, uint32_t p_ulRows)
{
    std::vector<int> vPages;
    if (p_ulRows == 0 || p_ulFirst > p_ulLast || p_ulFirst >= p_ulRows)
        return vPages;
    // Every page from the first row's to the last row's; stepping by ten from the first row alone
    // would miss the last page when the range crosses a page boundary by less than ten rows.
    const uint32_t ulLast = std::min(p_ulLast, p_ulRows - 1);
    for (uint32_t ulPage = p_ulFirst / kPageRows; ulPage <= ulLast / kPageRows; ++ulPage)
        vPages.push_back(static_cast<int>(ulPage));
    return vPages;
}

CPageCache::CPageCache(IPageRowSource& p_oSource, IPageRowDecoder& p_oDecoder, PageCacheAssertReporter p_fnReport)
    : m_oSource(p_oSource), m_oDecoder(p_oDecoder), m_fnReport(std::move(p_fnReport))
{
}

bool CPageCache::SetUp(uint32_t p_ulRows)
{
    m_ulVTblRows = p_ulRows;
    m_iPageTblEntries = static_cast<int>((static_cast<uint64_t>(p_ulRows) + kPageRows - 1) / kPageRows);
    m_pPageTable.clear();
    m_pPageTable.resize(static_cast<size_t>(m_iPageTblEntries));
    m_aSlots.fill(CSlot{});
    return m_oSource.SeekRow(0);
}

void CPageCache::Report(unsigned p_uLine, const char* p_szAssertion) const
{
    if (m_fnReport)
        m_fnReport(kAssertFile, p_uLine, p_szAssertion);
}

void CPageCache::Age(int p_iPage)
{
    for (CSlot& oSlot : m_aSlots)
    {
        if (oSlot.m_iPage == p_iPage)
            oSlot.m_iAge = 0;
        else if (oSlot.m_iPage >= 0)
            ++oSlot.m_iAge;
    }
}

void CPageCache::Register(int p_iPage)
{
    auto itSlot = std::find_if(m_aSlots.begin(), m_aSlots.end(), [](const CSlot& s) { return s.m_iPage < 0; });
    if (itSlot == m_aSlots.end())
    {
        // max_element keeps the first of equal ages, so ties evict the lowest slot.
        itSlot = std::max_element(m_aSlots.begin(), m_aSlots.end(),
                                  [](const CSlot& a, const CSlot& b) { return a.m_iAge < b.m_iAge; });
        m_pPageTable[static_cast<size_t>(itSlot->m_iPage)].reset();
    }
    itSlot->m_iPage = p_iPage;
    itSlot->m_iAge = 0;
}

bool CPageCache::QueryMerged(uint32_t p_ulWanted, std::vector<CSourceRow>& p_vRows)
{
    // A source may return fewer rows than asked before its end; keep asking for the rest until the
    // wanted count is reached or a query returns nothing.
    while (p_vRows.size() < p_ulWanted)
    {
        const size_t nBefore = p_vRows.size();
        if (!m_oSource.QueryRows(p_ulWanted - static_cast<uint32_t>(nBefore), p_vRows))
            return false;
        if (p_vRows.size() == nBefore)
            break;
    }
    if (p_vRows.size() > p_ulWanted)
        p_vRows.resize(p_ulWanted);
    return true;
}

void CPageCache::ReadPage(int p_iPage)
{
    if (m_pPageTable[static_cast<size_t>(p_iPage)])
    {
        Report(__LINE__, "NULL == m_pPageTable[iPageTblIdx]");
        return;
    }
    if (m_ulVTblRows == 0)
    {
        Report(__LINE__, "m_ulVTblRows");
        return;
    }
    const uint32_t ulFirst = static_cast<uint32_t>(p_iPage) * kPageRows;
    std::vector<CSourceRow> vSource;
    if (!m_oSource.SeekRow(ulFirst) || !QueryMerged(std::min(kPageRows, m_ulVTblRows - ulFirst), vSource))
        return;
    if (vSource.empty())
    {
        Report(__LINE__, "prs");
        return;
    }
    auto pPage = std::make_unique<CPage>();
    pPage->reserve(vSource.size());
    for (const CSourceRow& vRow : vSource)
        pPage->push_back(m_oDecoder.Decode(vRow));
    m_pPageTable[static_cast<size_t>(p_iPage)] = std::move(pPage);
    Register(p_iPage);
}

void CPageCache::EnsurePage(uint32_t p_ulRow)
{
    const uint32_t ulPage = p_ulRow / kPageRows;
    if (ulPage >= static_cast<uint32_t>(m_iPageTblEntries))
    {
        Report(__LINE__, "(iPage >= 0) && (iPage < m_iPageTblEntries)");
        return;
    }
    if (!m_pPageTable[ulPage])
        ReadPage(static_cast<int>(ulPage));
}

void CPageCache::CacheHint(uint32_t p_ulFirst, uint32_t p_ulLast)
{
    for (int iPage : PagesTouched(p_ulFirst, p_ulLast, m_ulVTblRows))
        EnsurePage(static_cast<uint32_t>(iPage) * kPageRows);
}

const CPageRow* CPageCache::Row(uint32_t p_ulRow)
{
    const uint32_t ulPage = p_ulRow / kPageRows;
    if (ulPage >= static_cast<uint32_t>(m_iPageTblEntries))
    {
        Report(__LINE__, "i < m_iPageTblEntries");
        return nullptr;
    }
    Age(static_cast<int>(ulPage));
    if (!m_pPageTable[ulPage])
        ReadPage(static_cast<int>(ulPage));
    const CPage* pPage = m_pPageTable[ulPage].get();
    const size_t nEntry = p_ulRow % kPageRows;
    const CPageRow* pRow = pPage && nEntry < pPage->size() ? &(*pPage)[nEntry] : nullptr;
    if (!pRow)
        Report(__LINE__, "pRow");
    return pRow;
}

std::string CPageCache::TextOf(uint32_t p_ulRow, int p_iColumn)
{
    const CPageRow* pRow = Row(p_ulRow);
    if (!pRow)
        return {};
    const std::optional<std::string>* pText = nullptr;
    switch (p_iColumn)
    {
    case kColumnName:
        pText = &pRow->m_osName;
        break;
    case kColumnMobile:
        pText = &pRow->m_osMobile;
        break;
    case kColumnEmail:
        pText = &pRow->m_osEmail;
        break;
    default:
        return {};
    }
    return pText->value_or(std::string());
}

long CPageCache::NumberOf(uint32_t p_ulRow, int p_iColumn)
{
    const CPageRow* pRow = Row(p_ulRow);
    if (!pRow || p_iColumn != kColumnObjectType)
        return 0;
    return pRow->m_olObjectType.value_or(0);
}

std::optional<CEntryBytes> CPageCache::EntryIdOf(uint32_t p_ulRow)
{
    const CPageRow* pRow = Row(p_ulRow);
    if (!pRow)
        return std::nullopt;
    return pRow->m_ovEntryId;
}

bool CPageCache::IsResident(int p_iPage) const
{
    return p_iPage >= 0 && p_iPage < m_iPageTblEntries && m_pPageTable[static_cast<size_t>(p_iPage)] != nullptr;
}

size_t CPageCache::ResidentRows() const
{
    size_t nRows = 0;
    for (const auto& pPage : m_pPageTable)
        nRows += pPage ? pPage->size() : 0;
    return nRows;
}

int CPageCache::ResidentPages() const
{
    return static_cast<int>(
        std::count_if(m_pPageTable.begin(), m_pPageTable.end(), [](const auto& p) { return p != nullptr; }));
}

std::optional<int> CPageCache::Probe(uint32_t p_ulRow, const std::string& p_sPrefix)
{
    std::vector<CSourceRow> vRows;
    if (!m_oSource.SeekRow(p_ulRow) || !m_oSource.QueryRows(1, vRows) || vRows.empty())
        return std::nullopt;
    const std::optional<std::string> osName = m_oDecoder.DisplayName(vRows.front());
    return ComparePrefix(p_sPrefix, osName.value_or(std::string()));
}

std::optional<CPrefixPosition> CPageCache::FindPrefix(std::string_view p_sPrefix)
{
    if (m_ulVTblRows == 0)
        return std::nullopt;
    const std::string sPrefix = UpperText(p_sPrefix);
    int64_t iLow = 0;
    int64_t iHigh = static_cast<int64_t>(m_ulVTblRows) - 1;
    int64_t iProbe = 0;
    int iCompare = 0;
    // Set once the row at iHigh is known to match, so the range closing on it needs no second probe.
    bool bHighMatches = false;
    while (iLow <= iHigh)
    {
        if (iLow == iHigh && bHighMatches)
            return CPrefixPosition{static_cast<uint32_t>(iHigh), true};
        iProbe = iLow + (iHigh - iLow) / 2;
        const std::optional<int> oiCompare = Probe(static_cast<uint32_t>(iProbe), sPrefix);
        if (!oiCompare)
            return std::nullopt;
        iCompare = *oiCompare;
        if (iCompare == 0)
        {
            // Equal: keep the probe in range to reach the first match.
            if (iLow == iHigh)
                break;
            iHigh = iProbe;
            bHighMatches = true;
        }
        else if (iCompare < 0)
        {
            iHigh = iProbe - 1;
            bHighMatches = false;
        }
        else
            iLow = iProbe + 1;
    }
    // Closed without a match: the list moves to the first row after the prefix where there is one.
    if (iCompare > 0 && iProbe + 1 < static_cast<int64_t>(m_ulVTblRows))
        ++iProbe;
    return CPrefixPosition{static_cast<uint32_t>(iProbe), iCompare == 0};
}
