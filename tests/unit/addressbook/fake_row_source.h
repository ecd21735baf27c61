// tests/unit/addressbook/fake_row_source.h: an in-memory row source that counts what the page cache
// asks of it, can return short reads and fail on chosen rows, and a decoder over its rows.
#pragma once

#include "Addressbook/addressbook/page_cache.h"

#include <set>
#include <string>
#include <vector>

// Source columns of the fake rows: name, mobile, e-mail, object type, entry id.
constexpr uint32_t kFakeTagName = 0x3001001E;
constexpr uint32_t kFakeTagMobile = 0x3A1C001E;
constexpr uint32_t kFakeTagEmail = 0x3003001E;
constexpr uint32_t kFakeTagType = 0x0FFE0003;
constexpr uint32_t kFakeTagEntryId = 0x0FFF0102;

class CFakeRowSource : public IPageRowSource
{
  public:
    explicit CFakeRowSource(std::vector<CSourceRow> p_vRows) : m_vRows(std::move(p_vRows))
    {
    }
    // Rows named by p_vNames, each with a mobile, an e-mail and an entry id derived from its index.
    static CFakeRowSource Named(const std::vector<std::string>& p_vNames);
    // p_ulCount rows named "Row 0000000", "Row 0000001", ...: sorted, as a contents table is.
    static CFakeRowSource Numbered(uint32_t p_ulCount);

    bool SeekRow(uint32_t p_ulRow) override;
    bool QueryRows(uint32_t p_ulCount, std::vector<CSourceRow>& p_vRows) override;

    uint32_t Size() const
    {
        return static_cast<uint32_t>(m_vRows.size());
    }

    // At most this many rows per query (0: no limit), to exercise short reads.
    uint32_t m_ulMaxPerQuery = 0;
    // A query whose position is one of these rows fails.
    std::set<uint32_t> m_setFailingRows;
    int m_iSeeks = 0;
    int m_iQueries = 0;
    uint64_t m_ullRowsRead = 0;

  private:
    std::vector<CSourceRow> m_vRows;
    uint32_t m_ulPosition = 0;
};

// Maps the fake columns by tag; a missing property stays missing.
class CFakeDecoder : public IPageRowDecoder
{
  public:
    int Kind() const override
    {
        return 2;
    }
    CPageRow Decode(const CSourceRow& p_vRow) override;
    int m_iDecoded = 0;
};
