// tests/unit/addressbook/page_cache_test.cpp: the page cache over a counting fake source: paging,
// least-recently-used residency, short and failed reads, assertions, cache hints and the prefix
// search.
#include "Addressbook/addressbook/page_cache.h"
#include "common/file_read.h"
#include "common/trace_log.h"
#include "tests/unit/addressbook/fake_row_source.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace
{
class CPageCacheTest : public testing::Test
{
  protected:
    CPageCache& Open(CFakeRowSource p_oSource)
    {
        m_oSource = std::make_unique<CFakeRowSource>(std::move(p_oSource));
        m_oCache = std::make_unique<CPageCache>(
            *m_oSource, m_oDecoder, [this](const char* p_szFile, unsigned, const char* p_szAssertion) {
                m_vAssertions.push_back(std::string(p_szFile) + ": " + p_szAssertion);
            });
        EXPECT_TRUE(m_oCache->SetUp(m_oSource->Size()));
        return *m_oCache;
    }

    std::unique_ptr<CFakeRowSource> m_oSource;
    CFakeDecoder m_oDecoder;
    std::unique_ptr<CPageCache> m_oCache;
    std::vector<std::string> m_vAssertions;
};

TEST_F(CPageCacheTest, EmptyFolderHasNoPagesNoTextAndNoPrefixPosition)
{
    CPageCache& oCache = Open(CFakeRowSource::Numbered(0));
    EXPECT_EQ(0u, oCache.RowCount());
    EXPECT_EQ(0, oCache.PageCount());
    EXPECT_EQ("", oCache.TextOf(0, kColumnName));
    EXPECT_EQ(0, oCache.NumberOf(0, kColumnObjectType));
    EXPECT_FALSE(oCache.EntryIdOf(0).has_value());
    EXPECT_FALSE(oCache.FindPrefix("A").has_value());
    EXPECT_EQ(0, m_oSource->m_iQueries);
}

TEST_F(CPageCacheTest, PageCountIsRowsPlusNineOverTen)
{
    struct
    {
        uint32_t ulRows;
        int iPages;
    } const aCases[] = {{1, 1}, {9, 1}, {10, 1}, {11, 2}, {25, 3}, {120, 12}, {121, 13}};
    for (const auto& c : aCases)
    {
        CPageCache& oCache = Open(CFakeRowSource::Numbered(c.ulRows));
        EXPECT_EQ(c.iPages, oCache.PageCount()) << c.ulRows << " rows";
    }
}

TEST_F(CPageCacheTest, TwentyFiveRowsMakeThreePagesTheLastWithFive)
{
    CPageCache& oCache = Open(CFakeRowSource::Numbered(25));
    EXPECT_EQ(3, oCache.PageCount());
    EXPECT_EQ("Row 0000024", oCache.TextOf(24, kColumnName));
    EXPECT_EQ(5u, oCache.ResidentRows());
    EXPECT_EQ("Row 0000020", oCache.TextOf(20, kColumnName));
    EXPECT_EQ(5u, m_oSource->m_ullRowsRead);
    EXPECT_EQ("082" + std::to_string(1000013), oCache.TextOf(13, kColumnMobile));
    EXPECT_EQ("row13@example.com", oCache.TextOf(13, kColumnEmail));
    EXPECT_EQ(kObjectTypeMailUser, oCache.NumberOf(13, kColumnObjectType));
    EXPECT_EQ((CEntryBytes{0, 0, 0, 0, 13}), oCache.EntryIdOf(13));
    EXPECT_EQ(15u, m_oSource->m_ullRowsRead);
    EXPECT_TRUE(m_vAssertions.empty());
}

TEST_F(CPageCacheTest, ResidentRowsAreServedWithoutReadingAgain)
{
    CPageCache& oCache = Open(CFakeRowSource::Numbered(100));
    for (uint32_t ulRow = 0; ulRow < 30; ++ulRow)
        EXPECT_FALSE(oCache.TextOf(ulRow, kColumnName).empty());
    const int iQueries = m_oSource->m_iQueries;
    for (uint32_t ulRow = 0; ulRow < 30; ++ulRow)
        oCache.TextOf(29 - ulRow, kColumnName);
    EXPECT_EQ(iQueries, m_oSource->m_iQueries);
    EXPECT_EQ(30, m_oDecoder.m_iDecoded);
}

TEST_F(CPageCacheTest, ScrollingPastTwelvePagesEvictsTheLeastRecentlyUsedAndReloadsIt)
{
    CPageCache& oCache = Open(CFakeRowSource::Numbered(200));
    for (uint32_t ulRow = 0; ulRow < 120; ++ulRow)
        oCache.TextOf(ulRow, kColumnName);
    EXPECT_EQ(12, oCache.ResidentPages());
    // Page 0 touched again: page 1 is now the least recently used.
    oCache.TextOf(3, kColumnName);
    EXPECT_EQ("Row 0000125", oCache.TextOf(125, kColumnName));
    EXPECT_TRUE(oCache.IsResident(0));
    EXPECT_FALSE(oCache.IsResident(1));
    EXPECT_TRUE(oCache.IsResident(12));
    EXPECT_EQ(120u, oCache.ResidentRows());

    const uint64_t ullRead = m_oSource->m_ullRowsRead;
    EXPECT_EQ("Row 0000015", oCache.TextOf(15, kColumnName));
    EXPECT_EQ(ullRead + 10, m_oSource->m_ullRowsRead);
    // Reloading page 1 evicted page 2, the oldest left.
    EXPECT_FALSE(oCache.IsResident(2));
    EXPECT_TRUE(oCache.IsResident(1));
}

TEST_F(CPageCacheTest, NeverMoreThanTwelvePagesResidentWhateverTheScroll)
{
    CPageCache& oCache = Open(CFakeRowSource::Numbered(1000));
    for (uint32_t ulRow = 0; ulRow < 1000; ulRow += 3)
    {
        oCache.TextOf(ulRow, kColumnName);
        oCache.TextOf(999 - ulRow, kColumnName);
        ASSERT_LE(oCache.ResidentRows(), 120u);
        ASSERT_LE(oCache.ResidentPages(), kResidentPages);
    }
    EXPECT_TRUE(m_vAssertions.empty());
}

TEST_F(CPageCacheTest, ShortReadsAreMergedIntoAFullPage)
{
    CFakeRowSource oSource = CFakeRowSource::Numbered(40);
    oSource.m_ulMaxPerQuery = 3;
    CPageCache& oCache = Open(std::move(oSource));
    EXPECT_EQ("Row 0000019", oCache.TextOf(19, kColumnName));
    EXPECT_EQ("Row 0000010", oCache.TextOf(10, kColumnName));
    EXPECT_EQ(10u, oCache.ResidentRows());
    EXPECT_EQ(4, m_oSource->m_iQueries);
    EXPECT_EQ(10u, m_oSource->m_ullRowsRead);
}

TEST_F(CPageCacheTest, AFailedReadLeavesThePageAbsentAndTheTextEmpty)
{
    CFakeRowSource oSource = CFakeRowSource::Numbered(30);
    oSource.m_setFailingRows = {10};
    CPageCache& oCache = Open(std::move(oSource));
    EXPECT_EQ("", oCache.TextOf(12, kColumnName));
    EXPECT_EQ(0, oCache.NumberOf(12, kColumnObjectType));
    EXPECT_FALSE(oCache.IsResident(1));
    EXPECT_EQ(0u, oCache.ResidentRows());
    ASSERT_FALSE(m_vAssertions.empty());
    EXPECT_EQ("Addressbook\\PageCache: pRow", m_vAssertions.back());
    // The neighbouring pages still read.
    EXPECT_EQ("Row 0000020", oCache.TextOf(20, kColumnName));
}

TEST_F(CPageCacheTest, AFailureAfterAShortReadDropsTheWholePage)
{
    CFakeRowSource oSource = CFakeRowSource::Numbered(30);
    oSource.m_ulMaxPerQuery = 4;
    oSource.m_setFailingRows = {4};
    CPageCache& oCache = Open(std::move(oSource));
    EXPECT_EQ("", oCache.TextOf(0, kColumnName));
    EXPECT_FALSE(oCache.IsResident(0));
}

TEST_F(CPageCacheTest, MissingColumnsReadAsEmptyTextAndZero)
{
    CPageCache& oCache = Open(CFakeRowSource(
        {{{kFakeTagName, std::monostate{}}, {kFakeTagType, std::monostate{}}}, {{kFakeTagName, "Only a name"}}}));
    EXPECT_EQ("", oCache.TextOf(0, kColumnName));
    EXPECT_EQ(0, oCache.NumberOf(0, kColumnObjectType));
    EXPECT_EQ("Only a name", oCache.TextOf(1, kColumnName));
    EXPECT_EQ("", oCache.TextOf(1, kColumnMobile));
    EXPECT_EQ("", oCache.TextOf(1, kColumnEntryId));
    EXPECT_FALSE(oCache.EntryIdOf(1).has_value());
    EXPECT_TRUE(m_vAssertions.empty());
}

TEST_F(CPageCacheTest, OutOfRangeRowsReportTheAssertionAndFail)
{
    CPageCache& oCache = Open(CFakeRowSource::Numbered(25));
    EXPECT_EQ("", oCache.TextOf(30, kColumnName));
    EXPECT_EQ(0, oCache.NumberOf(4000000000u, kColumnObjectType));
    EXPECT_EQ(nullptr, oCache.Row(31));
    EXPECT_EQ(3u, m_vAssertions.size());
    for (const std::string& sAssertion : m_vAssertions)
        EXPECT_EQ("Addressbook\\PageCache: i < m_iPageTblEntries", sAssertion);
    // Row 27 is on the last page, but the page has only five rows.
    EXPECT_EQ(nullptr, oCache.Row(27));
    EXPECT_EQ("Addressbook\\PageCache: pRow", m_vAssertions.back());
    oCache.EnsurePage(30);
    EXPECT_EQ("Addressbook\\PageCache: (iPage >= 0) && (iPage < m_iPageTblEntries)", m_vAssertions.back());
    EXPECT_EQ(5u, m_oSource->m_ullRowsRead);
}

TEST(PageCacheAssertion, TheDefaultReporterWritesTheTraceLogAndTheCallGoesOn)
{
    CFakeRowSource oSource = CFakeRowSource::Numbered(5);
    CFakeDecoder oDecoder;
    CPageCache oCache(oSource, oDecoder);
    ASSERT_TRUE(oCache.SetUp(oSource.Size()));
    EXPECT_EQ("", oCache.TextOf(10, kColumnName));
    EXPECT_EQ("Row 0000004", oCache.TextOf(4, kColumnName));

    std::string sLog;
    ASSERT_EQ(EReadFile::Read, ReadWholeFile(ModuleLogger().FilePath(), sLog, 64 * 1024 * 1024));
    EXPECT_THAT(sLog, testing::ContainsRegex("Assertion failed in file Addressbook.PageCache at line [0-9]+: "
                                             "i < m_iPageTblEntries"));
}

TEST_F(CPageCacheTest, CacheHintReadsEachTouchedPageOnce)
{
    CPageCache& oCache = Open(CFakeRowSource::Numbered(100));
    oCache.CacheHint(5, 34);
    EXPECT_EQ(4, oCache.ResidentPages());
    EXPECT_EQ(4, m_oSource->m_iQueries);
    oCache.CacheHint(0, 39);
    EXPECT_EQ(4, m_oSource->m_iQueries);
    // One row over a page boundary still touches both pages.
    oCache.CacheHint(49, 50);
    EXPECT_TRUE(oCache.IsResident(4));
    EXPECT_TRUE(oCache.IsResident(5));
    EXPECT_EQ(6, m_oSource->m_iQueries);
    oCache.CacheHint(95, 500);
    EXPECT_TRUE(oCache.IsResident(9));
    EXPECT_TRUE(m_vAssertions.empty());
}

TEST(PagesTouched, CoversTheRangeClampedToTheFolder)
{
    struct
    {
        uint32_t ulFirst, ulLast, ulRows;
        std::vector<int> vPages;
    } const aCases[] = {
        {0, 0, 25, {0}}, {0, 29, 25, {0, 1, 2}}, {9, 10, 25, {0, 1}},        {15, 15, 25, {1}},        {30, 40, 25, {}},
        {5, 4, 25, {}},  {0, 9, 0, {}},          {20, 4000000000u, 25, {2}}, {11, 39, 100, {1, 2, 3}},
    };
    for (const auto& c : aCases)
        EXPECT_EQ(c.vPages, PagesTouched(c.ulFirst, c.ulLast, c.ulRows)) << c.ulFirst << ".." << c.ulLast;
}

class CPrefixSearchTest : public CPageCacheTest
{
  protected:
    void OpenNames()
    {
        Open(CFakeRowSource::Named({"Adams", "'Baker", "Baker", "''Bakery", "Brown", "Carter", "Carter", "Davis",
                                    "Evans", "Evans Ltd", "Smith", "Zulu"}));
    }
};

TEST_F(CPrefixSearchTest, FindsTheFirstMatchCaseInsensitivelySkippingApostrophes)
{
    OpenNames();
    struct
    {
        const char* szPrefix;
        uint32_t ulRow;
        bool bMatch;
    } const aCases[] = {
        {"a", 0, true},      {"BAKER", 1, true}, {"baKeRy", 3, true}, {"bak", 1, true},
        {"carter", 5, true}, {"CAR", 5, true},   {"evans", 8, true},  {"evans l", 9, true},
        {"zulu", 11, true},  {"s", 10, true},    {"", 0, true},
    };
    for (const auto& c : aCases)
    {
        const std::optional<CPrefixPosition> oPosition = m_oCache->FindPrefix(c.szPrefix);
        ASSERT_TRUE(oPosition.has_value()) << c.szPrefix;
        EXPECT_EQ(c.ulRow, oPosition->m_ulRow) << c.szPrefix;
        EXPECT_EQ(c.bMatch, oPosition->m_bMatch) << c.szPrefix;
    }
}

TEST_F(CPrefixSearchTest, WithoutAMatchItStopsOnTheNextRowOrTheLast)
{
    OpenNames();
    struct
    {
        const char* szPrefix;
        uint32_t ulRow;
    } const aCases[] = {{"AA", 0}, {"Bz", 5}, {"Cas", 7}, {"Zz", 11}, {"Q", 10}, {"'", 0}};
    for (const auto& c : aCases)
    {
        const std::optional<CPrefixPosition> oPosition = m_oCache->FindPrefix(c.szPrefix);
        ASSERT_TRUE(oPosition.has_value()) << c.szPrefix;
        EXPECT_EQ(c.ulRow, oPosition->m_ulRow) << c.szPrefix;
        EXPECT_FALSE(oPosition->m_bMatch) << c.szPrefix;
    }
}

TEST_F(CPrefixSearchTest, FirstOfManyEqualNamesInALargeFolder)
{
    std::vector<std::string> vNames;
    for (int i = 0; i < 1000; ++i)
        vNames.push_back(i < 300 ? "Able" : i < 900 ? "Same" : "Zed");
    Open(CFakeRowSource::Named(vNames));
    const std::optional<CPrefixPosition> oPosition = m_oCache->FindPrefix("sam");
    ASSERT_TRUE(oPosition.has_value());
    EXPECT_EQ(300u, oPosition->m_ulRow);
    EXPECT_TRUE(oPosition->m_bMatch);
    EXPECT_LE(m_oSource->m_iQueries, 11);
    // Probes read one row each and leave the page table alone.
    EXPECT_EQ(static_cast<uint64_t>(m_oSource->m_iQueries), m_oSource->m_ullRowsRead);
    EXPECT_EQ(0u, m_oCache->ResidentRows());
}

TEST_F(CPrefixSearchTest, AFailedProbeEndsWithNoPosition)
{
    CFakeRowSource oSource = CFakeRowSource::Numbered(100);
    oSource.m_setFailingRows = {49};
    Open(std::move(oSource));
    EXPECT_FALSE(m_oCache->FindPrefix("Row 00000").has_value());
}

TEST_F(CPrefixSearchTest, EveryRowIsFoundWithinLogarithmicProbes)
{
    for (uint32_t ulRows : {1u, 2u, 3u, 10u, 11u, 1000u, 10000u})
    {
        Open(CFakeRowSource::Numbered(ulRows));
        for (uint32_t ulTarget : {0u, ulRows / 3, ulRows / 2, ulRows - 1})
        {
            char szName[32];
            std::snprintf(szName, sizeof(szName), "row %07u", ulTarget);
            const int iBefore = m_oSource->m_iQueries;
            const std::optional<CPrefixPosition> oPosition = m_oCache->FindPrefix(szName);
            ASSERT_TRUE(oPosition.has_value()) << ulRows << " rows, target " << ulTarget;
            EXPECT_EQ(ulTarget, oPosition->m_ulRow) << ulRows << " rows";
            EXPECT_TRUE(oPosition->m_bMatch);
            EXPECT_LE(m_oSource->m_iQueries - iBefore, std::bit_width(ulRows) + 1) << ulRows << " rows";
        }
        // Past the last name: the last row, no match.
        const std::optional<CPrefixPosition> oPast = m_oCache->FindPrefix("S");
        ASSERT_TRUE(oPast.has_value());
        EXPECT_EQ(ulRows - 1, oPast->m_ulRow);
        EXPECT_FALSE(oPast->m_bMatch);
    }
}
} // namespace
