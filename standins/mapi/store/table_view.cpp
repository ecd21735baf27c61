// standins/mapi/store/table_view.cpp: cursor, restriction and sort of a stand-in table.
#include "standins/mapi/store/table_view.h"

#include <algorithm>
#include <numeric>

namespace mapistore
{
void CTableView::SetRows(std::vector<CPropList> p_rows)
{
    m_vRows = std::move(p_rows);
    m_pSource.reset();
    const uint32_t pos = m_uPos;
    Rebuild();
    m_uPos = std::min(pos, RowCount());
}

void CTableView::SetSource(std::shared_ptr<CRowSource> p_source)
{
    m_vRows.clear();
    m_pSource = std::move(p_source);
    const uint32_t pos = m_uPos;
    Rebuild();
    m_uPos = std::min(pos, RowCount());
}

void CTableView::Restrict(std::optional<CRestriction> p_res)
{
    m_restriction = std::move(p_res);
    Rebuild();
    m_uPos = 0;
}

void CTableView::Sort(std::vector<CSortKey> p_keys)
{
    m_vSortKeys = std::move(p_keys);
    Rebuild();
    m_uPos = 0;
}

uint32_t CTableView::BaseCount() const
{
    return m_pSource ? m_pSource->Count() : static_cast<uint32_t>(m_vRows.size());
}

uint32_t CTableView::At(uint32_t p_uAt) const
{
    return m_pView ? (*m_pView)[p_uAt] : p_uAt;
}

namespace
{
void CollectTags(const CRestriction& p_res, std::vector<uint32_t>& p_tags, int p_iDepth)
{
    auto add = [&](uint32_t p_ulTag) {
        if (std::find(p_tags.begin(), p_tags.end(), p_ulTag) == p_tags.end())
            p_tags.push_back(p_ulTag);
    };
    switch (p_res.m_kind)
    {
    case CRestriction::And:
    case CRestriction::Or:
    case CRestriction::Not:
        // Restrictions come nested a bounded depth deep (FromSRestriction and the file reader check).
        if (p_iDepth < 64)
            for (const CRestriction& child : p_res.m_children)
                CollectTags(child, p_tags, p_iDepth + 1);
        break;
    case CRestriction::CompareProps:
        add(p_res.m_ulPropTag);
        add(p_res.m_ulPropTag2);
        break;
    default:
        add(p_res.m_ulPropTag);
        break;
    }
}
} // namespace

std::vector<uint32_t> RestrictionTags(const CRestriction& p_res)
{
    std::vector<uint32_t> tags;
    CollectTags(p_res, tags, 0);
    return tags;
}

bool CTableView::RowMatches(const CRestriction& p_res, const std::vector<uint32_t>& p_tags, uint32_t p_uRow) const
{
    return m_pSource ? Matches(p_res, m_pSource->RowColumns(p_uRow, p_tags)) : Matches(p_res, m_vRows[p_uRow]);
}

// Every row in sort order: the source's kept order when it has one, else sorted here.
std::shared_ptr<const std::vector<uint32_t>> CTableView::SortedAll()
{
    if (m_pSource)
        if (auto order = m_pSource->Order(m_vSortKeys))
            return order;
    auto order = std::make_shared<std::vector<uint32_t>>(BaseCount());
    std::iota(order->begin(), order->end(), 0u);
    if (m_pSource)
    {
        // Sorting on columns the source does not order: each row is built once, and only its
        // sort columns are kept.
        std::vector<CPropList> rows(order->size());
        std::vector<uint32_t> tags;
        for (const CSortKey& k : m_vSortKeys)
            tags.push_back(k.m_ulPropTag);
        for (uint32_t i = 0; i < rows.size(); ++i)
        {
            const CPropList row = m_pSource->RowColumns(i, tags);
            for (const CSortKey& k : m_vSortKeys)
                if (const CPropValue* v = FindProp(row, k.m_ulPropTag))
                    rows[i].push_back(*v);
        }
        std::stable_sort(order->begin(), order->end(),
                         [&](uint32_t a, uint32_t b) { return CompareRows(rows[a], rows[b], m_vSortKeys) < 0; });
    }
    else
        std::stable_sort(order->begin(), order->end(),
                         [&](uint32_t a, uint32_t b) { return CompareRows(m_vRows[a], m_vRows[b], m_vSortKeys) < 0; });
    return order;
}

void CTableView::Rebuild()
{
    m_pView.reset();
    if (!m_vSortKeys.empty())
        m_pView = SortedAll();
    if (m_restriction)
    {
        // Filtering the sorted rows keeps their order.
        auto kept = std::make_shared<std::vector<uint32_t>>();
        const uint32_t n = m_pView ? static_cast<uint32_t>(m_pView->size()) : BaseCount();
        const std::vector<uint32_t> tags = RestrictionTags(*m_restriction);
        for (uint32_t i = 0; i < n; ++i)
            if (RowMatches(*m_restriction, tags, At(i)))
                kept->push_back(At(i));
        m_pView = std::move(kept);
    }
    m_uCount = m_pView ? static_cast<uint32_t>(m_pView->size()) : BaseCount();
    // Bookmarks point at rows by index; a changed view invalidates what is past its end.
    for (auto& b : m_vBookmarks)
        if (b && *b > RowCount())
            b = RowCount();
}

bool CTableView::Origin(uint32_t p_ulOrigin, uint32_t& p_uIndex) const
{
    switch (p_ulOrigin)
    {
    case kBookmarkBeginning:
        p_uIndex = 0;
        return true;
    case kBookmarkCurrent:
        p_uIndex = m_uPos;
        return true;
    case kBookmarkEnd:
        p_uIndex = RowCount();
        return true;
    default: {
        const uint32_t slot = p_ulOrigin - 3;
        if (slot >= m_vBookmarks.size() || !m_vBookmarks[slot])
            return false;
        p_uIndex = std::min(*m_vBookmarks[slot], RowCount());
        return true;
    }
    }
}

bool CTableView::SeekRow(uint32_t p_ulOrigin, int32_t p_lRows, int32_t& p_lSought)
{
    uint32_t start = 0;
    if (!Origin(p_ulOrigin, start))
        return false;
    const int64_t target = std::clamp<int64_t>(static_cast<int64_t>(start) + p_lRows, 0, RowCount());
    p_lSought = static_cast<int32_t>(target - start);
    m_uPos = static_cast<uint32_t>(target);
    return true;
}

bool CTableView::SeekRowApprox(uint32_t p_ulNum, uint32_t p_ulDen)
{
    if (p_ulDen == 0)
        return false;
    if (p_ulNum >= p_ulDen)
        m_uPos = RowCount();
    else
        m_uPos = static_cast<uint32_t>(static_cast<uint64_t>(p_ulNum) * RowCount() / p_ulDen);
    return true;
}

std::vector<uint32_t> CTableView::QueryRowNumbers(int32_t p_lCount, bool p_bNoAdvance)
{
    std::vector<uint32_t> out;
    uint32_t begin = m_uPos, end = m_uPos;
    if (p_lCount >= 0)
        end = static_cast<uint32_t>(std::min<int64_t>(static_cast<int64_t>(m_uPos) + p_lCount, RowCount()));
    else // backward reads return the rows before the cursor in table order
        begin = static_cast<uint32_t>(std::max<int64_t>(static_cast<int64_t>(m_uPos) + p_lCount, 0));
    for (uint32_t i = begin; i < end; ++i)
        out.push_back(At(i));
    if (!p_bNoAdvance)
        m_uPos = p_lCount >= 0 ? end : begin;
    return out;
}

std::vector<const CPropList*> CTableView::QueryRows(int32_t p_lCount, bool p_bNoAdvance)
{
    std::vector<const CPropList*> out;
    if (m_pSource)
        return out; // rows of a source are built by whoever reads them (QueryRowNumbers)
    for (uint32_t r : QueryRowNumbers(p_lCount, p_bNoAdvance))
        out.push_back(&m_vRows[r]);
    return out;
}

bool CTableView::FindRow(const CRestriction& p_res, uint32_t p_ulOrigin, bool p_bBackward, bool& p_bBadBookmark)
{
    uint32_t start = 0;
    p_bBadBookmark = !Origin(p_ulOrigin, start);
    if (p_bBadBookmark)
        return false;
    const std::vector<uint32_t> tags = RestrictionTags(p_res);
    if (!p_bBackward)
    {
        for (uint32_t i = start; i < RowCount(); ++i)
            if (RowMatches(p_res, tags, At(i)))
            {
                m_uPos = i;
                return true;
            }
        return false;
    }
    // Backward searches begin at the row before the origin.
    for (uint32_t i = start; i-- > 0;)
        if (RowMatches(p_res, tags, At(i)))
        {
            m_uPos = i;
            return true;
        }
    return false;
}

uint32_t CTableView::CreateBookmark()
{
    for (uint32_t i = 0; i < m_vBookmarks.size(); ++i)
        if (!m_vBookmarks[i])
        {
            m_vBookmarks[i] = m_uPos;
            return i + 3;
        }
    m_vBookmarks.emplace_back(m_uPos);
    return static_cast<uint32_t>(m_vBookmarks.size() + 2);
}

bool CTableView::FreeBookmark(uint32_t p_ulBookmark)
{
    if (p_ulBookmark < 3)
        return true; // the predefined bookmarks need no freeing
    const uint32_t slot = p_ulBookmark - 3;
    if (slot >= m_vBookmarks.size() || !m_vBookmarks[slot])
        return false;
    m_vBookmarks[slot].reset();
    return true;
}
} // namespace mapistore
