// standins/mapi/store/table_view.h: the cursor, restriction and sort logic behind every MAPI
// table of the stand-in (contents, hierarchy, recipients, attachments, stores, status, address
// book), kept apart from COM so its positioning rules are tested natively.
#pragma once

#include "standins/mapi/store/prop_value.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace mapistore
{
// The properties p_res looks at, each once.
std::vector<uint32_t> RestrictionTags(const CRestriction& p_res);

// Bookmarks as MAPI numbers them.
constexpr uint32_t kBookmarkBeginning = 0, kBookmarkCurrent = 1, kBookmarkEnd = 2;

// Rows the view does not hold: a large folder whose rows are built only when they are read. Row
// numbers are the source's own (0..Count()-1).
class CRowSource
{
  public:
    virtual ~CRowSource() = default;
    virtual uint32_t Count() = 0;
    // Every column of row p_uRow (for restrictions, FindRow and sorts the source cannot give).
    virtual CPropList Row(uint32_t p_uRow) = 0;
    // Row p_uRow with at least the columns p_tags (those a restriction or sort looks at): a source
    // that can build just those saves building whole rows for every row it tests.
    virtual CPropList RowColumns(uint32_t p_uRow, const std::vector<uint32_t>& p_tags)
    {
        (void)p_tags;
        return Row(p_uRow);
    }
    // The rows ordered by p_keys when the source keeps that order (shared, not copied); null when
    // the view must sort them itself.
    virtual std::shared_ptr<const std::vector<uint32_t>> Order(const std::vector<CSortKey>& p_keys) = 0;
};

class CTableView
{
  public:
    // Replaces the rows (the table's source changed); the restriction and sort order stay and
    // the cursor keeps its index, clamped to the new row count.
    void SetRows(std::vector<CPropList> p_rows);
    // The same with rows read from p_source: unrestricted and unsorted, the view holds nothing per
    // row; sorted, it shares the source's order.
    void SetSource(std::shared_ptr<CRowSource> p_source);
    void Restrict(std::optional<CRestriction> p_res); // resets the cursor to the first row
    void Sort(std::vector<CSortKey> p_keys);          // resets the cursor to the first row
    const std::vector<CSortKey>& SortKeys() const
    {
        return m_vSortKeys;
    }

    uint32_t RowCount() const
    {
        return m_uCount;
    }
    uint32_t Position() const
    {
        return m_uPos;
    }
    // Moves from p_ulOrigin by p_lRows (negative moves back); returns the rows actually moved
    // (signed), the cursor stopping at the first row or after the last. False for a bookmark
    // this view does not know.
    bool SeekRow(uint32_t p_ulOrigin, int32_t p_lRows, int32_t& p_lSought);
    // The cursor at p_ulNum / p_ulDen of the rows (0 the first row, 1 past the last).
    bool SeekRowApprox(uint32_t p_ulNum, uint32_t p_ulDen);
    // Reads up to |p_lCount| rows forward from the cursor, or backward for a negative count, and
    // moves the cursor past them (unless p_bNoAdvance).
    std::vector<const CPropList*> QueryRows(int32_t p_lCount, bool p_bNoAdvance);
    // The same as row numbers of the rows given to SetRows, or of the source.
    std::vector<uint32_t> QueryRowNumbers(int32_t p_lCount, bool p_bNoAdvance);
    // Searches from p_ulOrigin forward (or backward) for the first row that matches; the cursor
    // moves to it. False when none matches; the cursor is then unchanged.
    bool FindRow(const CRestriction& p_res, uint32_t p_ulOrigin, bool p_bBackward, bool& p_bBadBookmark);

    // Bookmarks created by callers: an index into the view, numbered from 3.
    uint32_t CreateBookmark();
    bool FreeBookmark(uint32_t p_ulBookmark);

  private:
    bool Origin(uint32_t p_ulOrigin, uint32_t& p_uIndex) const;
    void Rebuild();
    uint32_t BaseCount() const;
    // The row number of view position p_uAt.
    uint32_t At(uint32_t p_uAt) const;
    bool RowMatches(const CRestriction& p_res, const std::vector<uint32_t>& p_tags, uint32_t p_uRow) const;
    std::shared_ptr<const std::vector<uint32_t>> SortedAll();

    std::vector<CPropList> m_vRows;
    std::shared_ptr<CRowSource> m_pSource;
    // View position -> row number; null: the rows in their own order.
    std::shared_ptr<const std::vector<uint32_t>> m_pView;
    uint32_t m_uCount = 0;
    std::optional<CRestriction> m_restriction;
    std::vector<CSortKey> m_vSortKeys;
    uint32_t m_uPos = 0;
    std::vector<std::optional<uint32_t>> m_vBookmarks;
};
} // namespace mapistore
