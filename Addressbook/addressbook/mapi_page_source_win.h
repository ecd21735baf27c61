// Addressbook/addressbook/mapi_page_source_win.h: a MAPI contents table as the page cache's row
// source: positioned as the cache asks, queried, its rows converted to source rows and counted.
#pragma once

#include "Addressbook/addressbook/mapi_page_cache_win.h"
#include "common/handle_win.h"

#include <windows.h>
#include <mapidefs.h>

#include <vector>

class CMapiTableSource : public IPageRowSource
{
  public:
    // Takes a reference of the table.
    explicit CMapiTableSource(IMAPITable* p_pTable);

    // Sets the columns, reads the row count and positions the table at its start.
    [[nodiscard]] HRESULT Open(const std::vector<ULONG>& p_vColumns);
    ULONG Rows() const
    {
        return m_ulRows;
    }
    CPageSourceCounters& Counters()
    {
        return m_oCounters;
    }

    // Approximately to the row's fraction of the table, then exactly from the beginning: a
    // provider with a costly exact seek from far away can place the cursor near the row first.
    bool SeekRow(uint32_t p_ulRow) override;
    bool QueryRows(uint32_t p_ulCount, std::vector<CSourceRow>& p_vRows) override;

  private:
    com_ptr<IMAPITable> m_pTable;
    ULONG m_ulRows = 0;
    CPageSourceCounters m_oCounters;
};
