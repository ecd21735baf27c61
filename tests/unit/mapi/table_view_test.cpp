// tests/unit/mapi/table_view_test.cpp: cursor movement, restriction, sorting and FindRow of a table.
#include "standins/mapi/store/table_view.h"

#include <gtest/gtest.h>

using namespace mapistore;

namespace
{
const uint32_t kNum = MakeTag(kPtLong, 0x6000);
const uint32_t kName = MakeTag(kPtUnicode, 0x3001);

CTableView MakeTable(int p_n)
{
    std::vector<CPropList> rows;
    for (int i = 0; i < p_n; ++i)
        rows.push_back({CPropValue::Long(kNum, i), CPropValue::String(kName, i % 2 ? "odd" : "even")});
    CTableView t;
    t.SetRows(std::move(rows));
    return t;
}

int64_t NumAt(const std::vector<const CPropList*>& p_rows, size_t p_i)
{
    return (*p_rows[p_i])[0].m_iValue;
}
} // namespace

TEST(mapi_table, paging_25_rows)
{
    CTableView t = MakeTable(25);
    EXPECT_EQ(t.RowCount(), 25u);
    ASSERT_TRUE(t.SeekRowApprox(1, 2));
    EXPECT_EQ(t.Position(), 12u);
    auto rows = t.QueryRows(10, false);
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(NumAt(rows, 0), 12);
    EXPECT_EQ(t.Position(), 22u);
    rows = t.QueryRows(10, false); // only three are left
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(t.QueryRows(10, false).size(), 0u);
    int32_t sought = 0;
    ASSERT_TRUE(t.SeekRow(kBookmarkEnd, -30, sought));
    EXPECT_EQ(sought, -25);
    EXPECT_EQ(t.Position(), 0u);
    ASSERT_TRUE(t.SeekRow(kBookmarkCurrent, 5, sought));
    EXPECT_EQ(sought, 5);
    rows = t.QueryRows(-3, false); // backward reads return the three rows before the cursor
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(NumAt(rows, 0), 2);
    EXPECT_EQ(t.Position(), 2u);
    rows = t.QueryRows(2, true);
    EXPECT_EQ(t.Position(), 2u);
    ASSERT_TRUE(t.SeekRowApprox(1, 1));
    EXPECT_EQ(t.Position(), 25u);
    EXPECT_FALSE(t.SeekRowApprox(1, 0));
    EXPECT_FALSE(t.SeekRow(99, 0, sought));
}

TEST(mapi_table, restrict_sort_find_and_bookmarks)
{
    CTableView t = MakeTable(10);
    CRestriction odd;
    odd.m_kind = CRestriction::Property;
    odd.m_ulRelop = kRelopEQ;
    odd.m_ulPropTag = kName;
    odd.m_value = CPropValue::String(kName, "ODD");
    t.Restrict(odd);
    EXPECT_EQ(t.RowCount(), 5u);
    t.Sort({{kNum, true}});
    auto rows = t.QueryRows(1, false);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(NumAt(rows, 0), 9);

    CRestriction three;
    three.m_kind = CRestriction::Property;
    three.m_ulRelop = kRelopEQ;
    three.m_ulPropTag = kNum;
    three.m_value = CPropValue::Long(kNum, 3);
    bool bBad = false;
    ASSERT_TRUE(t.FindRow(three, kBookmarkBeginning, false, bBad));
    EXPECT_EQ(t.Position(), 3u); // 9 7 5 [3] 1
    const uint32_t mark = t.CreateBookmark();
    EXPECT_FALSE(t.FindRow(three, kBookmarkCurrent + 0, true, bBad)) << "backward starts before the origin";
    EXPECT_EQ(t.Position(), 3u);
    int32_t sought = 0;
    ASSERT_TRUE(t.SeekRow(kBookmarkBeginning, 0, sought));
    ASSERT_TRUE(t.SeekRow(mark, 1, sought));
    EXPECT_EQ(t.Position(), 4u);
    EXPECT_TRUE(t.FreeBookmark(mark));
    EXPECT_FALSE(t.SeekRow(mark, 0, sought));
    EXPECT_FALSE(t.FindRow(three, mark, false, bBad));
    EXPECT_TRUE(bBad);

    t.Restrict(std::nullopt);
    EXPECT_EQ(t.RowCount(), 10u);
    // New rows keep the restriction and order; the cursor stays in range.
    t.Restrict(odd);
    t.SeekRowApprox(1, 1);
    t.SetRows({{CPropValue::Long(kNum, 1), CPropValue::String(kName, "odd")}});
    EXPECT_EQ(t.RowCount(), 1u);
    EXPECT_EQ(t.Position(), 1u);
}
