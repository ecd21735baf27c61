// tests/bench/page_cache_bench.cpp: what the address-book page cache reads from a large folder for
// the list's first screen, a jump to the middle and a type-ahead search, at 10,000 and 1,000,000
// rows. The counters are the figures that matter (rows read, queries, probes, resident rows); the
// times are those of an in-memory source.
#include "Addressbook/addressbook/page_cache.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
constexpr uint32_t kScreenRows = 30;

std::string NameOfRow(uint32_t p_ulRow)
{
    char szName[32];
    std::snprintf(szName, sizeof(szName), "Contact %07u", p_ulRow);
    return szName;
}

// A sorted folder of synthetic rows made on demand, counting what is asked of it.
class CSyntheticSource : public IPageRowSource
{
  public:
    explicit CSyntheticSource(uint32_t p_ulRows) : m_ulRows(p_ulRows)
    {
    }
    bool SeekRow(uint32_t p_ulRow) override
    {
        m_ulPosition = std::min(p_ulRow, m_ulRows);
        return true;
    }
    bool QueryRows(uint32_t p_ulCount, std::vector<CSourceRow>& p_vRows) override
    {
        ++m_ullQueries;
        const uint32_t ulCount = std::min(p_ulCount, m_ulRows - m_ulPosition);
        for (uint32_t i = 0; i < ulCount; ++i, ++m_ulPosition)
            p_vRows.push_back({{0x3001001E, NameOfRow(m_ulPosition)}, {0x0FFE0003, int64_t{6}}});
        m_ullRowsRead += ulCount;
        return true;
    }
    uint64_t m_ullQueries = 0;
    uint64_t m_ullRowsRead = 0;

  private:
    uint32_t m_ulRows;
    uint32_t m_ulPosition = 0;
};

class CSyntheticDecoder : public IPageRowDecoder
{
  public:
    int Kind() const override
    {
        return 2;
    }
    CPageRow Decode(const CSourceRow& p_vRow) override
    {
        CPageRow oRow;
        oRow.m_osName = std::get<std::string>(p_vRow[0].m_vValue);
        oRow.m_olObjectType = static_cast<long>(std::get<int64_t>(p_vRow[1].m_vValue));
        return oRow;
    }
};

// What the list view does for one screen: the cache hint, then the three text columns of each row.
void ShowScreen(CPageCache& p_oCache, uint32_t p_ulTop, size_t& p_nMaxResident)
{
    p_oCache.CacheHint(p_ulTop, p_ulTop + kScreenRows - 1);
    for (uint32_t ulRow = p_ulTop; ulRow < p_ulTop + kScreenRows; ++ulRow)
        for (int iColumn = kColumnName; iColumn <= kColumnEmail; ++iColumn)
            benchmark::DoNotOptimize(p_oCache.TextOf(ulRow, iColumn));
    p_nMaxResident = std::max(p_nMaxResident, p_oCache.ResidentRows());
}

void SetCounters(benchmark::State& p_oState, const CSyntheticSource& p_oSource, size_t p_nMaxResident)
{
    p_oState.counters["rows_read"] = static_cast<double>(p_oSource.m_ullRowsRead);
    p_oState.counters["queries"] = static_cast<double>(p_oSource.m_ullQueries);
    p_oState.counters["max_resident_rows"] = static_cast<double>(p_nMaxResident);
}

// Runs p_fnStep on a fresh cache over a synthetic folder of range(0) rows, once per iteration, and
// reports what the source read. p_fnStep returns the most rows it saw resident.
template <typename F> void RunOnFolder(benchmark::State& p_oState, F p_fnStep)
{
    const uint32_t ulRows = static_cast<uint32_t>(p_oState.range(0));
    CSyntheticDecoder oDecoder;
    for (auto _ : p_oState)
    {
        CSyntheticSource oSource(ulRows);
        CPageCache oCache(oSource, oDecoder);
        if (!oCache.SetUp(ulRows))
            p_oState.SkipWithError("set-up failed");
        const size_t nMaxResident = p_fnStep(oSource, oCache, ulRows);
        SetCounters(p_oState, oSource, nMaxResident);
    }
}

void BM_FirstScreen(benchmark::State& p_oState)
{
    RunOnFolder(p_oState, [](CSyntheticSource&, CPageCache& p_oCache, uint32_t) {
        size_t nMaxResident = 0;
        ShowScreen(p_oCache, 0, nMaxResident);
        return nMaxResident;
    });
}

// After the first screen, a jump to a middle screen that straddles four pages: the counters are the
// reads the jump adds.
void BM_JumpToMiddle(benchmark::State& p_oState)
{
    RunOnFolder(p_oState, [](CSyntheticSource& p_oSource, CPageCache& p_oCache, uint32_t p_ulRows) {
        size_t nMaxResident = 0;
        ShowScreen(p_oCache, 0, nMaxResident);
        const CSyntheticSource oBefore = p_oSource;
        ShowScreen(p_oCache, p_ulRows / 2 + 5, nMaxResident);
        p_oSource.m_ullRowsRead -= oBefore.m_ullRowsRead;
        p_oSource.m_ullQueries -= oBefore.m_ullQueries;
        return nMaxResident;
    });
}

// Type-ahead for a name two thirds down the folder; every probe is one query of one row.
void BM_PrefixSearch(benchmark::State& p_oState)
{
    RunOnFolder(p_oState, [&p_oState](CSyntheticSource& p_oSource, CPageCache& p_oCache, uint32_t p_ulRows) {
        const uint32_t ulWanted = p_ulRows / 3 * 2;
        const std::optional<CPrefixPosition> oPosition = p_oCache.FindPrefix(NameOfRow(ulWanted));
        if (!oPosition || oPosition->m_ulRow != ulWanted || !oPosition->m_bMatch)
            p_oState.SkipWithError("prefix not found at its row");
        p_oState.counters["probes"] = static_cast<double>(p_oSource.m_ullQueries);
        return p_oCache.ResidentRows();
    });
}

// Scrolling the whole way down a screen at a time, as far as 100,000 rows: residency stays bounded.
void BM_ScrollDown(benchmark::State& p_oState)
{
    RunOnFolder(p_oState, [](CSyntheticSource&, CPageCache& p_oCache, uint32_t p_ulRows) {
        const uint32_t ulEnd = std::min<uint32_t>(p_ulRows, 100000) - kScreenRows;
        size_t nMaxResident = 0;
        for (uint32_t ulTop = 0; ulTop <= ulEnd; ulTop += kScreenRows)
            ShowScreen(p_oCache, ulTop, nMaxResident);
        return nMaxResident;
    });
}
} // namespace

BENCHMARK(BM_FirstScreen)->Arg(10000)->Arg(1000000);
BENCHMARK(BM_JumpToMiddle)->Arg(10000)->Arg(1000000);
BENCHMARK(BM_PrefixSearch)->Arg(10000)->Arg(1000000);
BENCHMARK(BM_ScrollDown)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);
