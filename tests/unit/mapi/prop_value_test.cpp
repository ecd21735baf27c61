// tests/unit/mapi/prop_value_test.cpp: restriction evaluation and value ordering of the stand-in's store.
#include "standins/mapi/store/prop_value.h"

#include <gtest/gtest.h>

using namespace mapistore;

namespace
{
const uint32_t kSubject = MakeTag(kPtUnicode, 0x0037);
const uint32_t kSubjectA = MakeTag(kPtString8, 0x0037);
const uint32_t kFlags = MakeTag(kPtLong, 0x0E07);
const uint32_t kKeywords = MakeTag(kPtUnicode | kMvFlag, 0x8001);

CRestriction Prop(uint32_t p_ulRelop, CPropValue p_v)
{
    CRestriction r;
    r.m_kind = CRestriction::Property;
    r.m_ulRelop = p_ulRelop;
    r.m_ulPropTag = p_v.m_ulTag;
    r.m_value = std::move(p_v);
    return r;
}

CRestriction Content(uint32_t p_ulTag, uint32_t p_ulFuzzy, std::string p_s)
{
    CRestriction r;
    r.m_kind = CRestriction::Content;
    r.m_ulFuzzy = p_ulFuzzy;
    r.m_ulPropTag = p_ulTag;
    r.m_value = CPropValue::String(p_ulTag, std::move(p_s));
    return r;
}

CRestriction Combine(CRestriction::EKind p_kind, std::vector<CRestriction> p_terms)
{
    CRestriction r;
    r.m_kind = p_kind;
    r.m_children = std::move(p_terms);
    return r;
}
} // namespace

TEST(mapi_restriction, cases)
{
    CPropValue mv;
    mv.m_ulTag = kKeywords;
    mv.m_mvsValue = {"alpha", "Beta"};
    const CPropList row = {CPropValue::String(kSubject, "Quarterly Report"), CPropValue::Long(kFlags, 0x9), mv};
    CRestriction exist;
    exist.m_kind = CRestriction::Exist;
    exist.m_ulPropTag = MakeTag(kPtBinary, 0x0FFF);
    CRestriction bits;
    bits.m_kind = CRestriction::BitMask;
    bits.m_ulPropTag = kFlags;
    bits.m_ulMask = 0x8;
    bits.m_ulRelop = kBmrNez;
    struct
    {
        const char* m_szName;
        CRestriction m_res;
        bool m_bMatch;
    } cases[] = {
        {"equal ignores case", Prop(kRelopEQ, CPropValue::String(kSubject, "quarterly report")), true},
        {"ANSI tag finds the Unicode value", Prop(kRelopEQ, CPropValue::String(kSubjectA, "Quarterly Report")), true},
        {"not equal", Prop(kRelopNE, CPropValue::String(kSubject, "Other")), true},
        {"missing property is false even for NE", Prop(kRelopNE, CPropValue::String(MakeTag(kPtUnicode, 0x1000), "x")),
         false},
        {"long greater", Prop(kRelopGT, CPropValue::Long(kFlags, 8)), true},
        {"long less-equal", Prop(kRelopLE, CPropValue::Long(kFlags, 8)), false},
        {"substring ignore case", Content(kSubject, kFlSubString | kFlIgnoreCase, "REPORT"), true},
        {"substring is case sensitive by default", Content(kSubject, kFlSubString, "REPORT"), false},
        {"prefix", Content(kSubject, kFlPrefix, "Quart"), true},
        {"prefix not in the middle", Content(kSubject, kFlPrefix, "Report"), false},
        {"full string", Content(kSubject, kFlFullString, "Quarterly Report"), true},
        {"multi-valued: any value", Content(kKeywords, kFlFullString | kFlIgnoreCase, "beta"), true},
        {"exist on absent entry id", exist, false},
        {"bitmask set", bits, true},
        {"and",
         Combine(CRestriction::And, {Content(kSubject, kFlPrefix, "Q"), Prop(kRelopEQ, CPropValue::Long(kFlags, 9))}),
         true},
        {"or",
         Combine(CRestriction::Or, {Content(kSubject, kFlPrefix, "X"), Prop(kRelopEQ, CPropValue::Long(kFlags, 9))}),
         true},
        {"not", Combine(CRestriction::Not, {Content(kSubject, kFlPrefix, "Q")}), false},
        {"empty and is true", Combine(CRestriction::And, {}), true},
        {"empty or is false", Combine(CRestriction::Or, {}), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Matches(c.m_res, row), c.m_bMatch) << c.m_szName;
}

TEST(mapi_restriction, binary_orders_by_length_then_bytes)
{
    const uint32_t t = MakeTag(kPtBinary, 0x0FFF);
    EXPECT_LT(CompareValues(CPropValue::Binary(t, {9}), CPropValue::Binary(t, {1, 1})), 0);
    EXPECT_GT(CompareValues(CPropValue::Binary(t, {2, 0}), CPropValue::Binary(t, {1, 9})), 0);
    EXPECT_EQ(CompareValues(CPropValue::Binary(t, {1, 2}), CPropValue::Binary(t, {1, 2})), 0);
}

TEST(mapi_time, iso_round_trip_and_rejects)
{
    int64_t ft = 0;
    ASSERT_TRUE(IsoToFileTime("1601-01-01T00:00:00Z", ft));
    EXPECT_EQ(ft, 0);
    ASSERT_TRUE(IsoToFileTime("1970-01-01T00:00:00Z", ft));
    EXPECT_EQ(ft, 116444736000000000LL);
    ASSERT_TRUE(IsoToFileTime("2026-12-08T11:30:05Z", ft));
    EXPECT_EQ(FileTimeToIso(ft), "2026-12-08T11:30:05Z");
    ASSERT_TRUE(IsoToFileTime("2024-02-29T23:59:59Z", ft));
    EXPECT_EQ(FileTimeToIso(ft), "2024-02-29T23:59:59Z");
    for (const char* bad : {"", "2026-12-08 11:30:05Z", "2026-13-08T11:30:05Z", "1600-01-01T00:00:00Z",
                            "2026-12-08T24:00:00Z", "2026-12-08T11:30:05", "20x6-12-08T11:30:05Z"})
        EXPECT_FALSE(IsoToFileTime(bad, ft)) << bad;
}
