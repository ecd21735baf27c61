// standins/mapi/provider/provider_table.cpp: IMAPITable over rows from a source function,
// refreshed when the store changed, or over a lazy source read row by row.
#include "standins/mapi/provider/provider.h"

#include <algorithm>

namespace mapiprov
{
CTable::CTable(CSource p_source, std::vector<ULONG> p_cols, bool p_bUnicode)
    : m_source(std::move(p_source)), m_vCols(std::move(p_cols)), m_bUnicode(p_bUnicode)
{
}

CTable::CTable(std::shared_ptr<CLazySource> p_source, std::vector<ULONG> p_cols, bool p_bUnicode)
    : m_pLazy(std::move(p_source)), m_vCols(std::move(p_cols)), m_bUnicode(p_bUnicode)
{
}

void CTable::Refresh()
{
    if (m_pLazy)
    {
        // Rows are read from the source when returned; only a change of its rows rebuilds the view.
        const uint64_t stamp = m_pLazy->Stamp();
        if (m_bFresh && stamp == m_ulGeneration)
            return;
        m_bFresh = true;
        m_ulGeneration = stamp;
        m_view.SetSource(m_pLazy);
        return;
    }
    const uint64_t g = CProvider::Get().Generation();
    if (g == m_ulGeneration)
        return;
    m_ulGeneration = g;
    std::vector<ms::CPropList> rows = m_source();
    for (size_t i = 0; i < rows.size(); ++i)
        if (!ms::FindProp(rows[i], PR_INSTANCE_KEY))
        {
            const uint32_t key = static_cast<uint32_t>(i + 1);
            ms::SetProp(rows[i], ms::CPropValue::Binary(PR_INSTANCE_KEY,
                                                        ms::CBytes(reinterpret_cast<const uint8_t*>(&key),
                                                                   reinterpret_cast<const uint8_t*>(&key) + 4)));
        }
    m_view.SetRows(std::move(rows));
}

std::vector<ms::CPropList> CTable::AllRows()
{
    const uint32_t pos = m_view.Position();
    int32_t sought = 0;
    m_view.SeekRow(ms::kBookmarkBeginning, 0, sought);
    std::vector<ms::CPropList> rows;
    if (m_pLazy)
        for (uint32_t r : m_view.QueryRowNumbers(static_cast<int32_t>(m_view.RowCount()), true))
            rows.push_back(m_pLazy->Row(r));
    else
        for (const ms::CPropList* row : m_view.QueryRows(static_cast<int32_t>(m_view.RowCount()), true))
            rows.push_back(*row);
    m_view.SeekRow(ms::kBookmarkBeginning, static_cast<int32_t>(pos), sought);
    return rows;
}

HRESULT NewTable(std::shared_ptr<CTable::CLazySource> p_source, std::vector<ULONG> p_cols, ULONG p_ulFlags,
                 LPMAPITABLE* p_pp)
{
    if (!p_pp || !p_source)
        return MAPI_E_INVALID_PARAMETER;
    *p_pp = new CTable(std::move(p_source), std::move(p_cols), (p_ulFlags & MAPI_UNICODE) != 0);
    return S_OK;
}

HRESULT NewTable(CTable::CSource p_source, std::vector<ULONG> p_cols, ULONG p_ulFlags, LPMAPITABLE* p_pp)
{
    if (!p_pp)
        return MAPI_E_INVALID_PARAMETER;
    *p_pp = new CTable(std::move(p_source), std::move(p_cols), (p_ulFlags & MAPI_UNICODE) != 0);
    return S_OK;
}

STDMETHODIMP CTable::GetLastError(HRESULT, ULONG, LPMAPIERROR* p_pp)
{
    if (p_pp)
        *p_pp = nullptr;
    return S_OK;
}
STDMETHODIMP CTable::Advise(ULONG, LPMAPIADVISESINK, ULONG*)
{
    return MAPI_E_NO_SUPPORT;
}
STDMETHODIMP CTable::Unadvise(ULONG)
{
    return MAPI_E_NO_SUPPORT;
}
STDMETHODIMP CTable::GetStatus(ULONG* p_pStatus, ULONG* p_pType)
{
    if (!p_pStatus || !p_pType)
        return MAPI_E_INVALID_PARAMETER;
    *p_pStatus = TBLSTAT_COMPLETE;
    *p_pType = TBLTYPE_DYNAMIC;
    return S_OK;
}

STDMETHODIMP CTable::SetColumns(LPSPropTagArray p_pTags, ULONG)
{
    return Call("IMAPITable::SetColumns", [&]() -> HRESULT {
        if (!p_pTags || p_pTags->cValues == 0)
            return MAPI_E_INVALID_PARAMETER;
        m_vCols.assign(p_pTags->aulPropTag, p_pTags->aulPropTag + p_pTags->cValues);
        return S_OK;
    });
}

STDMETHODIMP CTable::QueryColumns(ULONG p_ulFlags, LPSPropTagArray* p_pp)
{
    return Call("IMAPITable::QueryColumns", [&]() -> HRESULT {
        if (!p_pp)
            return MAPI_E_INVALID_PARAMETER;
        if (!(p_ulFlags & TBL_ALL_COLUMNS))
            return AllocTagArray(m_vCols, p_pp);
        Refresh();
        std::vector<ULONG> all;
        for (const ms::CPropList& row : AllRows())
            for (const auto& v : row)
                if (std::find(all.begin(), all.end(), v.m_ulTag) == all.end())
                    all.push_back(v.m_ulTag);
        return AllocTagArray(all, p_pp);
    });
}

STDMETHODIMP CTable::GetRowCount(ULONG, ULONG* p_pc)
{
    return Call("IMAPITable::GetRowCount", [&]() -> HRESULT {
        if (!p_pc)
            return MAPI_E_INVALID_PARAMETER;
        Refresh();
        *p_pc = m_view.RowCount();
        return S_OK;
    });
}

STDMETHODIMP CTable::SeekRow(BOOKMARK p_bk, LONG p_lRows, LONG* p_plSought)
{
    return Call("IMAPITable::SeekRow", [&]() -> HRESULT {
        Refresh();
        int32_t sought = 0;
        if (!m_view.SeekRow(static_cast<uint32_t>(p_bk), p_lRows, sought))
            return MAPI_E_INVALID_BOOKMARK;
        if (p_plSought)
            *p_plSought = sought;
        return S_OK;
    });
}

STDMETHODIMP CTable::SeekRowApprox(ULONG p_ulNum, ULONG p_ulDen)
{
    return Call("IMAPITable::SeekRowApprox", [&]() -> HRESULT {
        Refresh();
        return m_view.SeekRowApprox(p_ulNum, p_ulDen) ? S_OK : MAPI_E_INVALID_PARAMETER;
    });
}

STDMETHODIMP CTable::QueryPosition(ULONG* p_pRow, ULONG* p_pNum, ULONG* p_pDen)
{
    return Call("IMAPITable::QueryPosition", [&]() -> HRESULT {
        if (!p_pRow || !p_pNum || !p_pDen)
            return MAPI_E_INVALID_PARAMETER;
        Refresh();
        *p_pRow = m_view.Position();
        *p_pNum = m_view.Position();
        *p_pDen = m_view.RowCount();
        return S_OK;
    });
}

STDMETHODIMP CTable::FindRow(LPSRestriction p_pRes, BOOKMARK p_bk, ULONG p_ulFlags)
{
    return Call("IMAPITable::FindRow", [&]() -> HRESULT {
        ms::CRestriction r;
        if (!FromSRestriction(p_pRes, r))
            return MAPI_E_INVALID_PARAMETER;
        Refresh();
        bool bBad = false;
        if (m_view.FindRow(r, static_cast<uint32_t>(p_bk), (p_ulFlags & DIR_BACKWARD) != 0, bBad))
            return S_OK;
        return bBad ? MAPI_E_INVALID_BOOKMARK : MAPI_E_NOT_FOUND;
    });
}

STDMETHODIMP CTable::Restrict(LPSRestriction p_pRes, ULONG)
{
    return Call("IMAPITable::Restrict", [&]() -> HRESULT {
        Refresh();
        if (!p_pRes)
        {
            m_view.Restrict(std::nullopt);
            return S_OK;
        }
        ms::CRestriction r;
        if (!FromSRestriction(p_pRes, r))
            return MAPI_E_TOO_COMPLEX;
        m_view.Restrict(std::move(r));
        return S_OK;
    });
}

STDMETHODIMP CTable::CreateBookmark(BOOKMARK* p_pbk)
{
    return Call("IMAPITable::CreateBookmark", [&]() -> HRESULT {
        if (!p_pbk)
            return MAPI_E_INVALID_PARAMETER;
        Refresh();
        *p_pbk = m_view.CreateBookmark();
        return S_OK;
    });
}

STDMETHODIMP CTable::FreeBookmark(BOOKMARK p_bk)
{
    return Call("IMAPITable::FreeBookmark", [&]() -> HRESULT {
        return m_view.FreeBookmark(static_cast<uint32_t>(p_bk)) ? S_OK : MAPI_E_INVALID_BOOKMARK;
    });
}

STDMETHODIMP CTable::SortTable(LPSSortOrderSet p_pSort, ULONG)
{
    return Call("IMAPITable::SortTable", [&]() -> HRESULT {
        if (!p_pSort)
            return MAPI_E_INVALID_PARAMETER;
        std::vector<ms::CSortKey> keys;
        for (ULONG i = 0; i < p_pSort->cSorts; ++i)
        {
            if (p_pSort->aSort[i].ulOrder != TABLE_SORT_ASCEND && p_pSort->aSort[i].ulOrder != TABLE_SORT_DESCEND)
                return MAPI_E_TOO_COMPLEX;
            keys.push_back({p_pSort->aSort[i].ulPropTag, p_pSort->aSort[i].ulOrder == TABLE_SORT_DESCEND});
        }
        Refresh();
        m_view.Sort(std::move(keys));
        return S_OK;
    });
}

STDMETHODIMP CTable::QuerySortOrder(LPSSortOrderSet* p_pp)
{
    return Call("IMAPITable::QuerySortOrder", [&]() -> HRESULT {
        if (!p_pp)
            return MAPI_E_INVALID_PARAMETER;
        const auto& keys = m_view.SortKeys();
        LPSSortOrderSet s = nullptr;
        if (FAILED(MAPIAllocateBuffer(CbNewSSortOrderSet(keys.size()), reinterpret_cast<void**>(&s))))
            return MAPI_E_NOT_ENOUGH_MEMORY;
        s->cSorts = static_cast<ULONG>(keys.size());
        s->cCategories = s->cExpanded = 0;
        for (size_t i = 0; i < keys.size(); ++i)
            s->aSort[i] = {keys[i].m_ulPropTag, keys[i].m_bDescending ? TABLE_SORT_DESCEND : TABLE_SORT_ASCEND};
        *p_pp = s;
        return S_OK;
    });
}

STDMETHODIMP CTable::QueryRows(LONG p_lCount, ULONG p_ulFlags, LPSRowSet* p_pp)
{
    return Call("IMAPITable::QueryRows", [&]() -> HRESULT {
        if (!p_pp)
            return MAPI_E_INVALID_PARAMETER;
        *p_pp = nullptr;
        Refresh();
        // A lazy table builds just the rows it returns; the others hold theirs already.
        std::vector<ms::CPropList> built;
        std::vector<const ms::CPropList*> rows;
        if (m_pLazy)
        {
            for (uint32_t r : m_view.QueryRowNumbers(p_lCount, (p_ulFlags & TBL_NOADVANCE) != 0))
                built.push_back(m_pLazy->Row(r));
            for (const ms::CPropList& row : built)
                rows.push_back(&row);
        }
        else
            rows = m_view.QueryRows(p_lCount, (p_ulFlags & TBL_NOADVANCE) != 0);
        unique_own_rows set;
        if (FAILED(MAPIAllocateBuffer(CbNewSRowSet(std::max<size_t>(1, rows.size())),
                                      reinterpret_cast<void**>(set.put()))))
            return MAPI_E_NOT_ENOUGH_MEMORY;
        set.get()->cRows = 0;
        for (const ms::CPropList* row : rows)
        {
            if (FAILED(RowToSRow(*row, m_vCols, m_bUnicode, set.get()->aRow[set.get()->cRows])))
                return MAPI_E_NOT_ENOUGH_MEMORY;
            ++set.get()->cRows;
        }
        *p_pp = set.release();
        return S_OK;
    });
}

STDMETHODIMP CTable::Abort()
{
    return S_OK;
}
STDMETHODIMP CTable::ExpandRow(ULONG, LPBYTE, ULONG, ULONG, LPSRowSet*, ULONG*)
{
    return MAPI_E_NO_SUPPORT;
}
STDMETHODIMP CTable::CollapseRow(ULONG, LPBYTE, ULONG, ULONG*)
{
    return MAPI_E_NO_SUPPORT;
}
STDMETHODIMP CTable::WaitForCompletion(ULONG, ULONG, ULONG* p_pStatus)
{
    if (p_pStatus)
        *p_pStatus = TBLSTAT_COMPLETE;
    return S_OK;
}
STDMETHODIMP CTable::GetCollapseState(ULONG, ULONG, LPBYTE, ULONG*, LPBYTE*)
{
    return MAPI_E_NO_SUPPORT;
}
STDMETHODIMP CTable::SetCollapseState(ULONG, ULONG, LPBYTE, BOOKMARK*)
{
    return MAPI_E_NO_SUPPORT;
}
} // namespace mapiprov
