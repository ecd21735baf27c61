// Addressbook/addressbook/mapi_page_source_win.cpp: the contents table as the page cache's row
// source, the conversion of MAPI values into source values, and the list's text of a time.
#include "Addressbook/addressbook/mapi_page_source_win.h"

#include "common/failure_log.h"
#include "common/mapi_owner_win.h"
#include "common/text_win.h"

#include <mapicode.h>
#include <mapiutil.h>

#include <cstdio>

namespace
{
constexpr size_t kClsidBytes = 16;

CEntryBytes BytesOf(const void* p_pData, size_t p_nBytes)
{
    if (p_pData == nullptr || p_nBytes == 0)
        return {};
    const auto* pBytes = static_cast<const uint8_t*>(p_pData);
    return CEntryBytes(pBytes, pBytes + p_nBytes);
}
} // namespace

std::string SysTimeText(const FILETIME& p_ftUtc)
{
    FILETIME ftLocal{};
    SYSTEMTIME st{};
    if (!LOG_IF_WIN32_BOOL_FALSE(FileTimeToLocalFileTime(&p_ftUtc, &ftLocal)) ||
        !LOG_IF_WIN32_BOOL_FALSE(FileTimeToSystemTime(&ftLocal, &st)))
        return {};
    const int iHour12 = st.wHour % 12 == 0 ? 12 : st.wHour % 12;
    char szText[64];
    std::snprintf(szText, sizeof(szText), "%02d/%02d/%d %2d:%02d %s", st.wMonth, st.wDay, st.wYear, iHour12, st.wMinute,
                  st.wHour < 12 ? "A.M." : "P.M.");
    return szText;
}

CSourceValue SourceValueOf(const SPropValue& p_oValue)
{
    switch (PROP_TYPE(p_oValue.ulPropTag))
    {
    case PT_STRING8:
        return p_oValue.Value.lpszA ? CSourceValue(std::string(p_oValue.Value.lpszA)) : CSourceValue();
    case PT_UNICODE:
        return p_oValue.Value.lpszW ? CSourceValue(WideToAnsi(p_oValue.Value.lpszW, CP_ACP)) : CSourceValue();
    case PT_LONG:
        return int64_t{p_oValue.Value.l};
    case PT_I2:
        return int64_t{p_oValue.Value.i};
    case PT_BOOLEAN:
        return int64_t{p_oValue.Value.b != 0 ? 1 : 0};
    case PT_I8:
        return static_cast<int64_t>(p_oValue.Value.li.QuadPart);
    case PT_BINARY:
        return BytesOf(p_oValue.Value.bin.lpb, p_oValue.Value.bin.cb);
    case PT_CLSID:
        return p_oValue.Value.lpguid ? CSourceValue(BytesOf(p_oValue.Value.lpguid, kClsidBytes)) : CSourceValue();
    case PT_SYSTIME:
        return SysTimeText(p_oValue.Value.ft);
    default:
        return {};
    }
}

CMapiTableSource::CMapiTableSource(IMAPITable* p_pTable) : m_pTable(com_ptr<IMAPITable>::copy_from(p_pTable))
{
}

HRESULT CMapiTableSource::Open(const std::vector<ULONG>& p_vColumns)
{
    if (!m_pTable)
        return E_INVALIDARG;
    // SPropTagArray is a count followed by the tags.
    std::vector<ULONG> vTagArray;
    vTagArray.reserve(p_vColumns.size() + 1);
    vTagArray.push_back(static_cast<ULONG>(p_vColumns.size()));
    vTagArray.insert(vTagArray.end(), p_vColumns.begin(), p_vColumns.end());
    HRESULT hr = LOG_IF_MAPI_FAILED(m_pTable->SetColumns(reinterpret_cast<LPSPropTagArray>(vTagArray.data()), 0));
    if (FAILED(hr))
        return hr;
    hr = LOG_IF_MAPI_FAILED(m_pTable->GetRowCount(0, &m_ulRows));
    if (FAILED(hr))
        return hr;
    return LOG_IF_MAPI_FAILED(m_pTable->SeekRow(BOOKMARK_BEGINNING, 0, nullptr));
}

bool CMapiTableSource::SeekRow(uint32_t p_ulRow)
{
    ++m_oCounters.m_ullSeeks;
    // An empty table has no fraction to seek to; the exact seek below still places the cursor.
    if (m_ulRows > 0 && FAILED(LOG_IF_MAPI_FAILED(m_pTable->SeekRowApprox(p_ulRow, m_ulRows))))
        return false;
    ULONG ulRow = 0;
    ULONG ulNumerator = 0;
    ULONG ulDenominator = 0;
    if (FAILED(LOG_IF_MAPI_FAILED(m_pTable->QueryPosition(&ulRow, &ulNumerator, &ulDenominator))))
        return false;
    LONG lSought = 0;
    if (FAILED(LOG_IF_MAPI_FAILED(m_pTable->SeekRow(BOOKMARK_BEGINNING, static_cast<LONG>(p_ulRow), &lSought))))
        return false;
    if (static_cast<uint32_t>(lSought) != p_ulRow)
    {
        LOG_FAILURE("row %u sought, the table moved %ld rows", p_ulRow, static_cast<long>(lSought));
        return false;
    }
    return true;
}

bool CMapiTableSource::QueryRows(uint32_t p_ulCount, std::vector<CSourceRow>& p_vRows)
{
    ++m_oCounters.m_ullQueries;
    unique_mapi_rows pRows;
    if (FAILED(LOG_IF_MAPI_FAILED(m_pTable->QueryRows(static_cast<LONG>(p_ulCount), 0, pRows.put()))))
        return false;
    if (!pRows)
        return true;
    m_oCounters.m_ullRowsRead += pRows.get()->cRows;
    for (ULONG i = 0; i < pRows.get()->cRows; ++i)
    {
        const SRow& oRow = pRows.get()->aRow[i];
        CSourceRow vRow;
        vRow.reserve(oRow.cValues);
        for (ULONG j = 0; j < oRow.cValues; ++j)
            vRow.push_back({oRow.lpProps[j].ulPropTag, SourceValueOf(oRow.lpProps[j])});
        p_vRows.push_back(std::move(vRow));
    }
    return true;
}
