// standins/mapi/store/folder_index.h: the rows and sorted orders of a folder's contents tables,
// built once per folder state and shared by every table of that folder, so that opening, sorting
// and paging a table of a million items does not copy or sort the folder again.
#pragma once

#include "standins/mapi/store/prop_value.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace mapistore
{
struct CFolder;

using COrder = std::vector<uint32_t>;
using COrderPtr = std::shared_ptr<const COrder>;

// The row numbers of a folder's normal (or associated) items sorted by m_vKeys under the
// collation m_ulCollation.
struct CKeptOrder
{
    bool m_bAssociated = false;
    std::vector<CSortKey> m_vKeys;
    uint32_t m_ulCollation = 0;
    COrderPtr m_pOrder;
};

struct CFolderIndex
{
    size_t m_nItems = 0; // the folder's item count it was built for
    // Item indexes of the normal [0] and associated [1] items; empty and m_bAll set when every
    // item is of that kind, so a plain folder keeps no list at all.
    std::vector<uint32_t> m_vRows[2];
    bool m_bAll[2] = {false, false};
    std::vector<CKeptOrder> m_vOrders;
};

// Marks the folder's items changed: its index and orders are dropped and every table over it
// reads it afresh. Whoever adds, removes or changes an item of a folder calls this.
void MarkFolderChanged(CFolder& p_f);
// Changes whenever the folder's items change (or its item count moved without a mark).
uint64_t FolderStamp(CFolder& p_f);
// The newest stamp given to any folder: unchanged, no folder was marked since it was read.
uint64_t NewestFolderStamp();
// The folder's index, built if it has none.
CFolderIndex& FolderIndex(CFolder& p_f);

uint32_t FolderRowCount(CFolder& p_f, bool p_bAssociated);
// The index into m_vItems of row p_uRow; false past the last row.
[[nodiscard]] bool FolderRowItem(CFolder& p_f, bool p_bAssociated, uint32_t p_uRow, size_t& p_nItem);
// The rows ordered by p_keys, comparing the items' stored properties (strings by their collation
// sort keys); kept with the folder until it changes. Rows that compare equal keep their order.
COrderPtr FolderOrder(CFolder& p_f, bool p_bAssociated, const std::vector<CSortKey>& p_keys);
// Whether p_order is a permutation of 0..p_nRows-1 (a stored order is outside input).
[[nodiscard]] bool IsPermutation(const COrder& p_order, size_t p_nRows);
} // namespace mapistore
