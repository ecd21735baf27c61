// tests/unit/mapi/large_table_test.cpp: tables over a row source (rows built only when read),
// the folder's shared rows and kept orders, and the portable word sort they order strings by.
#include "standins/mapi/store/collation.h"
#include "standins/mapi/store/folder_index.h"
#include "standins/mapi/store/store_file.h"
#include "standins/mapi/store/table_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

using namespace mapistore;

namespace
{
const uint32_t kNum = MakeTag(kPtLong, 0x6000);

// Rows numbered 0..n-1 named by p_fnName; counts the rows it builds.
class CCountingSource : public CRowSource
{
  public:
    CCountingSource(uint32_t p_n, bool p_bKeepsOrder) : m_n(p_n), m_bKeepsOrder(p_bKeepsOrder)
    {
    }
    uint32_t Count() override
    {
        return m_n;
    }
    CPropList Row(uint32_t p_uRow) override
    {
        ++m_nBuilt;
        return {CPropValue::Long(kNum, p_uRow), CPropValue::String(tag::DisplayName, Name(p_uRow))};
    }
    std::shared_ptr<const std::vector<uint32_t>> Order(const std::vector<CSortKey>& p_keys) override
    {
        ++m_nOrders;
        if (!m_bKeepsOrder || p_keys.size() != 1 || p_keys[0].m_ulPropTag != tag::DisplayName)
            return nullptr;
        // Names run backwards: the sorted order is the rows reversed.
        auto order = std::make_shared<std::vector<uint32_t>>(m_n);
        std::iota(order->rbegin(), order->rend(), 0u);
        return order;
    }
    std::string Name(uint32_t p_uRow) const
    {
        char buf[16];
        std::snprintf(buf, sizeof buf, "n%08u", m_n - p_uRow);
        return buf;
    }
    uint32_t m_n;
    bool m_bKeepsOrder;
    size_t m_nBuilt = 0, m_nOrders = 0;
};

CItem Item(uint32_t p_uId, const std::string& p_sName, bool p_bAssociated = false)
{
    CItem item;
    item.m_uId = p_uId;
    item.m_bAssociated = p_bAssociated;
    if (!p_sName.empty())
        item.m_props.push_back(CPropValue::String(tag::DisplayName, p_sName));
    item.m_props.push_back(CPropValue::Long(kNum, p_uId));
    return item;
}

std::vector<std::string> NamesInOrder(CFolder& p_f, bool p_bAssociated, const COrder& p_order)
{
    std::vector<std::string> out;
    for (uint32_t r : p_order)
    {
        size_t i = 0;
        EXPECT_TRUE(FolderRowItem(p_f, p_bAssociated, r, i));
        out.push_back(GetString(p_f.m_vItems[i].m_props, tag::DisplayName, "-"));
    }
    return out;
}
} // namespace

TEST(mapi_collation, portable_word_sort)
{
    // Apostrophes and hyphens weigh only when the rest is equal; case never decides.
    const std::vector<std::string> ordered = {"Ann B",  "Anna",    "-Anna", "Anna-Lena", "coop",   "co-op",  "cop",
                                              "OBrien", "O'Brien", "Smith", "Smyth",     "'Smyth", "Smythe", "Zed"};
    for (size_t a = 0; a < ordered.size(); ++a)
        for (size_t b = 0; b < ordered.size(); ++b)
        {
            const int expected = a < b ? -1 : (a > b ? 1 : 0);
            EXPECT_EQ(PortableCompare(ordered[a], ordered[b]), expected) << ordered[a] << " / " << ordered[b];
            const int byKey = PortableSortKey(ordered[a]).compare(PortableSortKey(ordered[b]));
            EXPECT_EQ(byKey < 0 ? -1 : (byKey > 0 ? 1 : 0), expected) << ordered[a] << " / " << ordered[b];
        }
    EXPECT_EQ(PortableCompare("SMYTH", "smyth"), 0);
    EXPECT_EQ(PortableSortKey("SMYTH"), PortableSortKey("smyth"));
    // Restrictions and row sorts go through the same collation.
    EXPECT_LT(
        CompareValues(CPropValue::String(tag::DisplayName, "'Smyth"), CPropValue::String(tag::DisplayName, "Smythe")),
        0);
}

TEST(mapi_large_table, source_rows_are_built_only_when_read)
{
    auto source = std::make_shared<CCountingSource>(100000, true);
    CTableView t;
    t.SetSource(source);
    EXPECT_EQ(t.RowCount(), 100000u);
    t.Sort({{tag::DisplayName, false}});
    ASSERT_TRUE(t.SeekRowApprox(1, 2));
    std::vector<uint32_t> rows = t.QueryRowNumbers(10, false);
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[0], 100000u - 1 - 50000u); // the source's order, shared
    EXPECT_EQ(t.Position(), 50010u);
    EXPECT_EQ(source->m_nBuilt, 0u) << "opening, sorting and paging build no rows";
    EXPECT_TRUE(t.QueryRows(5, false).empty()) << "a source's rows are not held by the view";

    ASSERT_TRUE(t.SeekRowApprox(1, 1));
    EXPECT_EQ(t.QueryRowNumbers(-3, false), (std::vector<uint32_t>{2, 1, 0}));
    EXPECT_EQ(t.Position(), 99997u);

    // A restriction reads rows (linear) and keeps the shared order.
    CRestriction small;
    small.m_kind = CRestriction::Property;
    small.m_ulRelop = kRelopLT;
    small.m_ulPropTag = kNum;
    small.m_value = CPropValue::Long(kNum, 3);
    t.Restrict(small);
    EXPECT_EQ(t.RowCount(), 3u);
    EXPECT_EQ(t.QueryRowNumbers(10, true), (std::vector<uint32_t>{2, 1, 0}));
    bool bBad = false;
    CRestriction one = small;
    one.m_ulRelop = kRelopEQ;
    one.m_value = CPropValue::Long(kNum, 1);
    ASSERT_TRUE(t.FindRow(one, kBookmarkBeginning, false, bBad));
    EXPECT_EQ(t.Position(), 1u);

    // New rows from the source keep restriction and order; the cursor stays in range.
    source->m_n = 2;
    t.SetSource(source);
    EXPECT_EQ(t.RowCount(), 2u);
    EXPECT_EQ(t.Position(), 1u);
    EXPECT_EQ(t.QueryRowNumbers(-10, true), (std::vector<uint32_t>{1}));
    EXPECT_EQ(t.QueryRowNumbers(10, true), (std::vector<uint32_t>{0}));
}

TEST(mapi_large_table, source_without_kept_order_is_sorted_by_its_rows)
{
    auto source = std::make_shared<CCountingSource>(50, false);
    CTableView t;
    t.SetSource(source);
    EXPECT_TRUE(t.QueryRowNumbers(3, true) == (std::vector<uint32_t>{0, 1, 2})) << "unsorted: the source's own order";
    t.Sort({{tag::DisplayName, false}});
    EXPECT_EQ(t.QueryRowNumbers(3, false), (std::vector<uint32_t>{49, 48, 47}));
    t.Sort({{kNum, true}});
    EXPECT_EQ(t.QueryRowNumbers(2, false), (std::vector<uint32_t>{49, 48}));
    t.Sort({});
    EXPECT_EQ(t.QueryRowNumbers(2, false), (std::vector<uint32_t>{0, 1}));
}

TEST(mapi_folder_index, rows_orders_and_changes)
{
    CFolder f;
    f.m_vItems = {Item(1, "Smythe"), Item(2, "config", true), Item(3, "'Smyth"), Item(4, ""),
                  Item(5, "smyth"),  Item(6, "Anna"),         Item(7, "Smyth")};
    EXPECT_EQ(FolderRowCount(f, false), 6u);
    EXPECT_EQ(FolderRowCount(f, true), 1u);
    size_t item = 0;
    ASSERT_TRUE(FolderRowItem(f, true, 0, item));
    EXPECT_EQ(item, 1u);
    EXPECT_FALSE(FolderRowItem(f, true, 1, item));
    EXPECT_FALSE(FolderRowItem(f, false, 6, item));

    // Missing values first; equal names keep the folder's order; apostrophes weigh last.
    COrderPtr asc = FolderOrder(f, false, {{tag::DisplayName, false}});
    EXPECT_EQ(NamesInOrder(f, false, *asc),
              (std::vector<std::string>{"-", "Anna", "smyth", "Smyth", "'Smyth", "Smythe"}));
    COrderPtr desc = FolderOrder(f, false, {{tag::DisplayName, true}});
    EXPECT_EQ(NamesInOrder(f, false, *desc).front(), "Smythe");
    EXPECT_EQ(NamesInOrder(f, false, *desc).back(), "-");

    // Kept and shared until the folder changes.
    EXPECT_EQ(FolderOrder(f, false, {{tag::DisplayName, false}}), asc);
    const uint64_t stamp = FolderStamp(f);
    f.m_vItems[0].m_props[0].m_sValue = "Aaron";
    MarkFolderChanged(f);
    EXPECT_NE(FolderStamp(f), stamp);
    COrderPtr after = FolderOrder(f, false, {{tag::DisplayName, false}});
    EXPECT_NE(after, asc);
    EXPECT_EQ(NamesInOrder(f, false, *after)[1], "Aaron");

    // An item added without a mark still reads as a change, and is never read past.
    const uint64_t before = FolderStamp(f);
    f.m_vItems.push_back(Item(8, "Zed"));
    EXPECT_NE(FolderStamp(f), before);
    EXPECT_EQ(FolderRowCount(f, false), 7u);
    EXPECT_EQ(NamesInOrder(f, false, *FolderOrder(f, false, {{tag::DisplayName, false}})).back(), "Zed");
    f.m_vItems.erase(f.m_vItems.begin(), f.m_vItems.begin() + 4);
    EXPECT_EQ(FolderRowCount(f, false), 4u);
    EXPECT_FALSE(FolderRowItem(f, false, 4, item));
}

TEST(mapi_folder_index, orders_follow_the_collation)
{
    CFolder f;
    f.m_vItems = {Item(1, "b"), Item(2, "a")};
    COrderPtr portable = FolderOrder(f, false, {{tag::DisplayName, false}});
    EXPECT_EQ(*portable, (COrder{1, 0}));
    // A collation that reverses everything: an order kept under another collation is not reused.
    const CCollation saved = Collation();
    SetCollation({[](const std::string& a, const std::string& b) { return PortableCompare(b, a); },
                  [](const std::string& s) {
                      std::string k = PortableSortKey(s);
                      for (char& c : k)
                          c = static_cast<char>(0xFF - static_cast<unsigned char>(c));
                      return k;
                  },
                  77});
    COrderPtr reversed = FolderOrder(f, false, {{tag::DisplayName, false}});
    SetCollation(saved);
    EXPECT_EQ(*reversed, (COrder{0, 1}));
    EXPECT_EQ(FolderOrder(f, false, {{tag::DisplayName, false}}), portable);
}

TEST(mapi_folder_index, permutation_check)
{
    EXPECT_TRUE(IsPermutation({2, 0, 1}, 3));
    EXPECT_TRUE(IsPermutation({}, 0));
    EXPECT_FALSE(IsPermutation({0, 1}, 3));
    EXPECT_FALSE(IsPermutation({0, 0, 1}, 3));
    EXPECT_FALSE(IsPermutation({0, 1, 3}, 3));
}
