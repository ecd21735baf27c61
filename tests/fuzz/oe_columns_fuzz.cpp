// tests/fuzz/oe_columns_fuzz.cpp: the mail client stand-in's column layout reader on arbitrary
// registry values of both layouts; whatever it accepts must write and read again to the same columns.
#include "standins/oe/store/column_layout.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    const std::vector<uint8_t> bytes(p_pData, p_pData + p_nSize);
    for (const int major : {4, 6})
    {
        std::vector<oestore::CListColumn> columns;
        if (!oestore::ReadColumnLayout(major, bytes, columns))
            continue;
        if (columns.size() > oestore::kMaxLayoutColumns)
            std::abort();
        std::vector<oestore::CListColumn> again;
        if (!oestore::ReadColumnLayout(major, oestore::BuildColumnLayout(major, columns), again) ||
            again.size() != columns.size())
            std::abort();
        for (size_t i = 0; i < columns.size(); ++i)
            if (again[i].m_nId != columns[i].m_nId || again[i].m_nWidth != columns[i].m_nWidth ||
                columns[i].m_nWidth > oestore::kMaxColumnWidth)
                std::abort();
    }
    return 0;
}
