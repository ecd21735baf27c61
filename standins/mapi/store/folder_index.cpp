// standins/mapi/store/folder_index.cpp: row lists and cached sorted orders of a folder.
#include "standins/mapi/store/folder_index.h"

#include "standins/mapi/store/collation.h"
#include "standins/mapi/store/store_file.h"

#include <algorithm>
#include <atomic>
#include <numeric>

namespace mapistore
{
namespace
{
std::atomic<uint64_t> g_stamp{0};

void BuildRows(const CFolder& p_f, CFolderIndex& p_index)
{
    p_index.m_nItems = p_f.m_vItems.size();
    size_t assoc = 0;
    for (const CItem& item : p_f.m_vItems)
        assoc += item.m_bAssociated ? 1 : 0;
    p_index.m_bAll[0] = assoc == 0;
    p_index.m_bAll[1] = assoc == p_f.m_vItems.size();
    for (int kind = 0; kind < 2; ++kind)
    {
        p_index.m_vRows[kind].clear();
        if (p_index.m_bAll[kind])
            continue;
        for (uint32_t i = 0; i < p_f.m_vItems.size(); ++i)
            if (p_f.m_vItems[i].m_bAssociated == (kind == 1))
                p_index.m_vRows[kind].push_back(i);
    }
}

// One sort column of every row: the value, and for strings its collation key.
struct CColumn
{
    std::vector<const CPropValue*> m_vValues;
    std::vector<std::string> m_vKeys;
};

int CompareColumn(const CColumn& p_c, uint32_t p_a, uint32_t p_b)
{
    const CPropValue* a = p_c.m_vValues[p_a];
    const CPropValue* b = p_c.m_vValues[p_b];
    if (!a || !b)
        return (a ? 1 : 0) - (b ? 1 : 0);
    const uint32_t ta = PropType(a->m_ulTag), tb = PropType(b->m_ulTag);
    const bool bStrA = IsStringType(ta) && !(ta & kMvFlag), bStrB = IsStringType(tb) && !(tb & kMvFlag);
    if (bStrA && bStrB)
    {
        const int d = p_c.m_vKeys[p_a].compare(p_c.m_vKeys[p_b]);
        return d < 0 ? -1 : (d > 0 ? 1 : 0);
    }
    if (ta == tb || (IsStringType(ta) && IsStringType(tb)))
        return CompareValues(*a, *b);
    return 0;
}

COrderPtr Sort(CFolder& p_f, bool p_bAssociated, const std::vector<CSortKey>& p_keys)
{
    const uint32_t n = FolderRowCount(p_f, p_bAssociated);
    std::vector<CColumn> columns(p_keys.size());
    const auto& fnKey = Collation().m_pfnSortKey;
    for (size_t k = 0; k < p_keys.size(); ++k)
    {
        CColumn& c = columns[k];
        c.m_vValues.resize(n);
        for (uint32_t r = 0; r < n; ++r)
        {
            size_t item = 0;
            if (!FolderRowItem(p_f, p_bAssociated, r, item))
                continue;
            c.m_vValues[r] = FindProp(p_f.m_vItems[item].m_props, p_keys[k].m_ulPropTag);
            const CPropValue* v = c.m_vValues[r];
            if (v && IsStringType(PropType(v->m_ulTag)) && !(PropType(v->m_ulTag) & kMvFlag))
            {
                if (c.m_vKeys.empty())
                    c.m_vKeys.resize(n);
                c.m_vKeys[r] = fnKey(v->m_sValue);
            }
        }
    }
    auto order = std::make_shared<COrder>(n);
    std::iota(order->begin(), order->end(), 0u);
    std::stable_sort(order->begin(), order->end(), [&](uint32_t a, uint32_t b) {
        for (size_t k = 0; k < p_keys.size(); ++k)
            if (int d = CompareColumn(columns[k], a, b))
                return p_keys[k].m_bDescending ? d > 0 : d < 0;
        return false;
    });
    return order;
}
} // namespace

void MarkFolderChanged(CFolder& p_f)
{
    p_f.m_uStamp = ++g_stamp;
    p_f.m_pIndex.reset();
}

uint64_t FolderStamp(CFolder& p_f)
{
    // A change nobody marked that moved the item count still reads as a change.
    if (p_f.m_pIndex && p_f.m_pIndex->m_nItems != p_f.m_vItems.size())
        MarkFolderChanged(p_f);
    return p_f.m_uStamp;
}

uint64_t NewestFolderStamp()
{
    return g_stamp.load();
}

CFolderIndex& FolderIndex(CFolder& p_f)
{
    if (!p_f.m_pIndex || p_f.m_pIndex->m_nItems != p_f.m_vItems.size())
    {
        if (p_f.m_pIndex)
            MarkFolderChanged(p_f);
        p_f.m_pIndex = std::make_shared<CFolderIndex>();
        BuildRows(p_f, *p_f.m_pIndex);
    }
    return *p_f.m_pIndex;
}

uint32_t FolderRowCount(CFolder& p_f, bool p_bAssociated)
{
    const CFolderIndex& index = FolderIndex(p_f);
    const int kind = p_bAssociated ? 1 : 0;
    return static_cast<uint32_t>(index.m_bAll[kind] ? p_f.m_vItems.size() : index.m_vRows[kind].size());
}

bool FolderRowItem(CFolder& p_f, bool p_bAssociated, uint32_t p_uRow, size_t& p_nItem)
{
    const CFolderIndex& index = FolderIndex(p_f);
    const int kind = p_bAssociated ? 1 : 0;
    if (index.m_bAll[kind])
    {
        p_nItem = p_uRow;
        return p_uRow < p_f.m_vItems.size();
    }
    if (p_uRow >= index.m_vRows[kind].size())
        return false;
    p_nItem = index.m_vRows[kind][p_uRow];
    return p_nItem < p_f.m_vItems.size();
}

COrderPtr FolderOrder(CFolder& p_f, bool p_bAssociated, const std::vector<CSortKey>& p_keys)
{
    // A string column orders the same asked as PT_STRING8 or PT_UNICODE: one kept order serves both.
    std::vector<CSortKey> keys = p_keys;
    for (CSortKey& k : keys)
        if (PropType(k.m_ulPropTag) == kPtString8)
            k.m_ulPropTag = MakeTag(kPtUnicode, PropId(k.m_ulPropTag));
    CFolderIndex& index = FolderIndex(p_f);
    const uint32_t ulCollation = Collation().m_ulId;
    const size_t nRows = FolderRowCount(p_f, p_bAssociated);
    for (const CKeptOrder& k : index.m_vOrders)
        if (k.m_bAssociated == p_bAssociated && k.m_vKeys == keys && k.m_ulCollation == ulCollation && k.m_pOrder &&
            k.m_pOrder->size() == nRows)
            return k.m_pOrder;
    CKeptOrder kept{p_bAssociated, keys, ulCollation, Sort(p_f, p_bAssociated, keys)};
    index.m_vOrders.push_back(kept);
    return kept.m_pOrder;
}

bool IsPermutation(const COrder& p_order, size_t p_nRows)
{
    if (p_order.size() != p_nRows)
        return false;
    std::vector<bool> seen(p_nRows, false);
    for (uint32_t r : p_order)
    {
        if (r >= p_nRows || seen[r])
            return false;
        seen[r] = true;
    }
    return true;
}
} // namespace mapistore
