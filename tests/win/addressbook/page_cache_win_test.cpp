// tests/win/addressbook/page_cache_win_test.cpp: the MAPI page caches: MAPI values as source values,
// the list's text of a time, both decoders' rules over rows in their column orders, and both caches
// over the stand-in's real contact-folder and address-book tables.
#include <windows.h>
#include <mapicode.h>
#include <mapidefs.h>
#include <mapitags.h>

#include "Addressbook/addressbook/mapi_page_cache_win.h"
#include "tests/win/addressbook/vlist_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vlisttest;

namespace
{
FILETIME UtcOfLocal(WORD p_wYear, WORD p_wMonth, WORD p_wDay, WORD p_wHour, WORD p_wMinute)
{
    SYSTEMTIME st{};
    st.wYear = p_wYear;
    st.wMonth = p_wMonth;
    st.wDay = p_wDay;
    st.wHour = p_wHour;
    st.wMinute = p_wMinute;
    FILETIME ftLocal{};
    FILETIME ftUtc{};
    EXPECT_TRUE(SystemTimeToFileTime(&st, &ftLocal));
    EXPECT_TRUE(LocalFileTimeToFileTime(&ftLocal, &ftUtc));
    return ftUtc;
}

TEST(PageCacheValues, SysTimeTextUsesATwelveHourLocalClock)
{
    const struct
    {
        WORD m_wHour;
        WORD m_wMinute;
        const char* m_szText;
    } aCases[] = {
        {0, 5, "03/07/2026 12:05 A.M."},  {9, 7, "03/07/2026  9:07 A.M."},   {11, 59, "03/07/2026 11:59 A.M."},
        {12, 0, "03/07/2026 12:00 P.M."}, {13, 30, "03/07/2026  1:30 P.M."}, {23, 59, "03/07/2026 11:59 P.M."},
    };
    for (const auto& c : aCases)
        EXPECT_EQ(SysTimeText(UtcOfLocal(2026, 3, 7, c.m_wHour, c.m_wMinute)), c.m_szText) << c.m_wHour;
}

TEST(PageCacheValues, MapiValuesBecomeTextNumbersBytesOrMissing)
{
    SPropValue v{};
    v.ulPropTag = PR_DISPLAY_NAME_A;
    v.Value.lpszA = const_cast<char*>("Ann \xE9");
    EXPECT_EQ(SourceValueOf(v), CSourceValue(std::string("Ann \xE9")));
    // Wide text comes in the ANSI code page, as 8-bit text does.
    v.ulPropTag = PR_DISPLAY_NAME_W;
    v.Value.lpszW = const_cast<wchar_t*>(L"Ren\u00E9e");
    EXPECT_EQ(SourceValueOf(v), CSourceValue(std::string("Ren\xE9"
                                                         "e")));
    v.ulPropTag = PR_OBJECT_TYPE;
    v.Value.l = MAPI_DISTLIST;
    EXPECT_EQ(SourceValueOf(v), CSourceValue(int64_t{8}));
    v.ulPropTag = PROP_TAG(PT_BOOLEAN, 0x6700);
    v.Value.b = 7;
    EXPECT_EQ(SourceValueOf(v), CSourceValue(int64_t{1}));
    BYTE abEntry[] = {0, 0, 0, 0, 0xAB, 0xCD};
    v.ulPropTag = PR_ENTRYID;
    v.Value.bin = SBinary{sizeof(abEntry), abEntry};
    EXPECT_EQ(SourceValueOf(v), CSourceValue(CEntryBytes(abEntry, abEntry + sizeof(abEntry))));
    GUID guid = {0x00062004, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    v.ulPropTag = PROP_TAG(PT_CLSID, 0x6701);
    v.Value.lpguid = &guid;
    const CSourceValue vGuid = SourceValueOf(v);
    ASSERT_TRUE(std::holds_alternative<CEntryBytes>(vGuid));
    EXPECT_EQ(std::get<CEntryBytes>(vGuid).size(), 16u);
    EXPECT_EQ(std::get<CEntryBytes>(vGuid)[8], 0xC0);
    v.ulPropTag = PR_LAST_MODIFICATION_TIME;
    v.Value.ft = UtcOfLocal(2025, 12, 31, 12, 0);
    EXPECT_EQ(SourceValueOf(v), CSourceValue(std::string("12/31/2025 12:00 P.M.")));
    // Errors, nulls, absent strings and types the cache does not read are all missing values.
    v.ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(PR_MOBILE_TELEPHONE_NUMBER));
    v.Value.err = MAPI_E_NOT_FOUND;
    EXPECT_EQ(SourceValueOf(v), CSourceValue());
    v.ulPropTag = PROP_TAG(PT_NULL, 0x6702);
    EXPECT_EQ(SourceValueOf(v), CSourceValue());
    v.ulPropTag = PR_DISPLAY_NAME_A;
    v.Value.lpszA = nullptr;
    EXPECT_EQ(SourceValueOf(v), CSourceValue());
    v.ulPropTag = PROP_TAG(PT_MV_STRING8, 0x6703);
    EXPECT_EQ(SourceValueOf(v), CSourceValue());
}

// A container row in ABPageColumns order; an empty value is left missing.
CSourceRow ABRow(CSourceValue p_vObjectType, CSourceValue p_vName, CSourceValue p_vMobile, CSourceValue p_vEmail,
                 CSourceValue p_vAddrType, CSourceValue p_vDisplayType, CSourceValue p_vEntryId = CEntryBytes{1, 2})
{
    const std::vector<ULONG> vColumns = ABPageColumns();
    const CSourceValue aValues[] = {p_vEntryId, p_vObjectType, p_vName,       p_vMobile,
                                    p_vEmail,   p_vAddrType,   p_vDisplayType};
    CSourceRow vRow;
    for (size_t i = 0; i < vColumns.size(); ++i)
        vRow.push_back({vColumns[i], aValues[i]});
    return vRow;
}

TEST(PageCacheDecoders, AddressBookRowsFollowObjectDisplayAndAddressTypes)
{
    const CSourceValue none;
    const std::string sLookedUp = "looked.up@example.com";
    const struct
    {
        const char* m_szCase;
        CSourceRow m_vRow;
        long m_lType;
        const char* m_szMobile;
        const char* m_szEmail;
    } aCases[] = {
        {"distribution list", ABRow(int64_t{MAPI_DISTLIST}, "Sales", none, none, none, int64_t{DT_DISTLIST}), 8, "",
         ""},
        {"container", ABRow(int64_t{MAPI_ABCONT}, "Folder", "+1", "x@y.z", "SMTP", none), 0, "", ""},
        {"no object type", ABRow(none, "Odd", "+1", "x@y.z", "SMTP", none), 0, "", ""},
        {"lower-case smtp",
         ABRow(int64_t{MAPI_MAILUSER}, "Ann", "+447700900001", "ann@example.com", "smtp", int64_t{DT_MAILUSER}), 6,
         "+447700900001", "ann@example.com"},
        {"no address type, good syntax",
         ABRow(int64_t{MAPI_MAILUSER}, "Dave", "+2", "dave@example.com", none, int64_t{DT_REMOTE_MAILUSER}), 6, "+2",
         "dave@example.com"},
        {"no address type, bad syntax", ABRow(int64_t{MAPI_MAILUSER}, "Eve", "+3", "not an address", none, none), 6,
         "+3", sLookedUp.c_str()},
        {"exchange", ABRow(int64_t{MAPI_MAILUSER}, "Bob", "+4", "/o=Brevolt/cn=bob", "EX", int64_t{DT_MAILUSER}), 6,
         "+4", sLookedUp.c_str()},
        {"no mobile in the row", ABRow(int64_t{MAPI_MAILUSER}, "Fay", none, "fay@example.com", "SMTP", none), 6,
         "+447700900999", "fay@example.com"},
        {"room: name only", ABRow(int64_t{MAPI_MAILUSER}, "Room 1", "+5", "room@example.com", "SMTP", int64_t{7}), 6,
         "", ""},
    };
    for (const auto& c : aCases)
    {
        CTableLookup oLookup;
        oLookup.m_mSmtp[CEntryBytes{1, 2}] = sLookedUp;
        oLookup.m_mMobile[CEntryBytes{1, 2}] = "+447700900999";
        const auto pDecoder = MakeABPageDecoder(oLookup);
        EXPECT_EQ(pDecoder->Kind(), kABPageCacheKind);
        const CPageRow oRow = pDecoder->Decode(c.m_vRow);
        EXPECT_EQ(oRow.m_olObjectType, c.m_lType) << c.m_szCase;
        EXPECT_EQ(oRow.m_osMobile.value_or(""), c.m_szMobile) << c.m_szCase;
        EXPECT_EQ(oRow.m_osEmail.value_or(""), c.m_szEmail) << c.m_szCase;
        EXPECT_EQ(oRow.m_ovEntryId, (CEntryBytes{1, 2})) << c.m_szCase;
        // The prefix search's probes read the name alone, without asking the address book.
        const int iQuestions = oLookup.m_iSmtpQuestions + oLookup.m_iMobileQuestions;
        EXPECT_EQ(pDecoder->DisplayName(c.m_vRow), oRow.m_osName) << c.m_szCase;
        EXPECT_EQ(oLookup.m_iSmtpQuestions + oLookup.m_iMobileQuestions, iQuestions) << c.m_szCase;
    }
    // A row without entry id cannot be looked up.
    CTableLookup oLookup;
    const auto pDecoder = MakeABPageDecoder(oLookup);
    const CPageRow oRow =
        pDecoder->Decode(ABRow(int64_t{MAPI_MAILUSER}, "Gus", none, "/o=x", "EX", int64_t{DT_MAILUSER}, none));
    EXPECT_EQ(oRow.m_osEmail.value_or("?"), "");
    EXPECT_FALSE(oRow.m_ovEntryId);
    EXPECT_EQ(oLookup.m_iSmtpQuestions + oLookup.m_iMobileQuestions, 0);
}

// The contact folder of the suite, sorted by name: the rules of the contact decoder in real rows.
std::vector<CSeedContact> SuiteContacts()
{
    std::vector<CSeedContact> v;
    v.push_back({"Ann Smith", "+447700900001", {{"SMTP", "ann@example.com"}}});
    v.push_back({"Bob Exchange", "+447700900002", {{"EX", "/o=Brevolt/cn=bob", "B0B0"}, {"SMTP", "bob@home.net"}}});
    v.push_back({"Cat Fallback", "+447700900003", {{"EX", "/o=Brevolt/cn=cat", "CA70"}, {"SMTP", "cat@home.net"}}});
    v.push_back({"Dan Nothing", "", {}});
    v.push_back({"Eve Unsaved Slot", "+447700900005", {{"SMTP", "eve@example.com", ""}, {"X400", "c=GB"}}});
    v.push_back({"Fay NoClass", "+447700900006", {{"SMTP", "fay@example.com"}}, ""});
    v.push_back({"Sales List", "", {}, "IPM.DistList"});
    v.push_back({"'Aaron Quoted", "+447700900008", {{"smtp", "quoted@example.com"}}});
    v.push_back({"Team lower", "", {}, "ipm.distlist"});
    v.push_back({"'Quentin Quote", "+447700900010", {{"SMTP", "quentin@example.com"}}});
    for (uint32_t i = 0; i < 16; ++i)
        v.push_back(NumberedContact(i));
    return v;
}

class MapiPageCaches : public testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        s_p_oMapi = new CSeededMapi();
        ASSERT_TRUE(s_p_oMapi->Open("brevolt-page-cache-test", SeedJson(SuiteContacts())));
    }
    static void TearDownTestSuite()
    {
        s_p_oMapi->Close();
        delete s_p_oMapi;
        CoUninitialize();
    }
    static CSeededMapi* s_p_oMapi;
};
CSeededMapi* MapiPageCaches::s_p_oMapi = nullptr;

TEST_F(MapiPageCaches, ContactFolderRowsThroughTheNamedPropertyColumns)
{
    CTableLookup oLookup;
    oLookup.m_mSmtp[HexBytes("B0B0")] = "bob@example.com";
    // The tags as GetIDsFromNames gives them may carry no type: the cache sets the types.
    CContactEmailTags aTags = s_p_oMapi->EmailTags();
    for (ULONG& ulTag : aTags)
        ulTag = PROP_TAG(PT_UNSPECIFIED, PROP_ID(ulTag));
    com_ptr<IMAPITable> pTable = s_p_oMapi->SortedContactsTable();
    ASSERT_TRUE(pTable);
    std::unique_ptr<CMapiPageCache> pCache;
    ASSERT_EQ(MakeContactPageCache(pTable.get(), aTags, oLookup, pCache), S_OK);
    CPageCache& oCache = pCache->Cache();
    EXPECT_EQ(pCache->Kind(), kContactPageCacheKind);
    ASSERT_EQ(oCache.RowCount(), 26u);
    EXPECT_EQ(oCache.PageCount(), 3);
    EXPECT_EQ(pCache->Counters().m_ullQueries, 0u) << "set-up reads no rows";

    struct CExpected
    {
        const char* m_szName;
        const char* m_szMobile;
        const char* m_szEmail;
        long m_lType;
    };
    const CExpected aExpected[] = {
        {"'Aaron Quoted", "+447700900008", "quoted@example.com", 6},
        {"Ann Smith", "+447700900001", "ann@example.com", 6},
        {"Bob Exchange", "+447700900002", "bob@example.com", 6},
        {"Cat Fallback", "+447700900003", "cat@home.net", 6},
        {"Contact 0000000", "+447700900000", "contact0000000@example.com", 6},
    };
    for (uint32_t i = 0; i < std::size(aExpected); ++i)
    {
        EXPECT_EQ(oCache.TextOf(i, kColumnName), aExpected[i].m_szName);
        EXPECT_EQ(oCache.TextOf(i, kColumnMobile), aExpected[i].m_szMobile) << aExpected[i].m_szName;
        EXPECT_EQ(oCache.TextOf(i, kColumnEmail), aExpected[i].m_szEmail) << aExpected[i].m_szName;
        EXPECT_EQ(oCache.NumberOf(i, kColumnObjectType), aExpected[i].m_lType) << aExpected[i].m_szName;
        ASSERT_TRUE(oCache.EntryIdOf(i));
        EXPECT_FALSE(oCache.EntryIdOf(i)->empty());
    }
    // The first page came in one query of ten rows.
    EXPECT_EQ(pCache->Counters().m_ullQueries, 1u);
    EXPECT_EQ(pCache->Counters().m_ullRowsRead, 10u);
    const auto RowNamed = [&](const std::string& p_sName) -> uint32_t {
        for (uint32_t i = 0; i < oCache.RowCount(); ++i)
            if (oCache.TextOf(i, kColumnName) == p_sName)
                return i;
        ADD_FAILURE() << p_sName << " not listed";
        return 0;
    };
    const uint32_t ulDan = RowNamed("Dan Nothing");
    EXPECT_EQ(oCache.TextOf(ulDan, kColumnMobile), "");
    EXPECT_EQ(oCache.TextOf(ulDan, kColumnEmail), "");
    EXPECT_FALSE(oCache.Row(ulDan)->m_osMobile) << "a missing mobile stays missing";
    // A slot without original entry id is skipped; an unknown address type too.
    EXPECT_EQ(oCache.TextOf(RowNamed("Eve Unsaved Slot"), kColumnEmail), "");
    EXPECT_EQ(oCache.NumberOf(RowNamed("Fay NoClass"), kColumnObjectType), 6);
    for (const char* szList : {"Sales List", "Team lower"})
    {
        EXPECT_EQ(oCache.NumberOf(RowNamed(szList), kColumnObjectType), 8) << szList;
        EXPECT_EQ(oCache.TextOf(RowNamed(szList), kColumnMobile), "") << szList;
    }
    // Only the Exchange slots were put to the address book.
    EXPECT_EQ(oLookup.m_iSmtpQuestions, 2);
    EXPECT_EQ(oCache.ResidentPages(), 3);
    EXPECT_EQ(pCache->Counters().m_ullRowsRead, 26u);

    // The type-ahead probes the table one row at a time and skips leading apostrophes.
    const uint64_t ullBefore = pCache->Counters().m_ullQueries;
    const std::optional<CPrefixPosition> oFound = oCache.FindPrefix("aaron");
    ASSERT_TRUE(oFound);
    EXPECT_TRUE(oFound->m_bMatch);
    EXPECT_EQ(oFound->m_ulRow, 0u);
    // The folder sorts it as if the apostrophe were absent, between the Fs and the Ss.
    const std::optional<CPrefixPosition> oQuentin = oCache.FindPrefix("quen");
    ASSERT_TRUE(oQuentin);
    EXPECT_TRUE(oQuentin->m_bMatch);
    EXPECT_EQ(oCache.TextOf(oQuentin->m_ulRow, kColumnName), "'Quentin Quote");
    EXPECT_GT(oQuentin->m_ulRow, RowNamed("Fay NoClass"));
    const std::optional<CPrefixPosition> oTeam = oCache.FindPrefix("TEAM");
    ASSERT_TRUE(oTeam);
    EXPECT_EQ(oCache.TextOf(oTeam->m_ulRow, kColumnName), "Team lower");
    EXPECT_LE(pCache->Counters().m_ullQueries - ullBefore, 3u * 6u);
}

TEST_F(MapiPageCaches, PastTheLastRowIsReportedAndFailsWithoutStopping)
{
    CTableLookup oLookup;
    std::vector<std::string> vReported;
    com_ptr<IMAPITable> pTable = s_p_oMapi->SortedContactsTable();
    std::unique_ptr<CMapiPageCache> pCache;
    ASSERT_EQ(MakeContactPageCache(pTable.get(), s_p_oMapi->EmailTags(), oLookup, pCache,
                                   [&](const char* p_szFile, unsigned, const char* p_szText) {
                                       vReported.push_back(std::string(p_szFile) + ": " + p_szText);
                                   }),
              S_OK);
    EXPECT_EQ(pCache->Cache().TextOf(30, kColumnName), "");
    EXPECT_EQ(pCache->Cache().NumberOf(30, kColumnObjectType), 0);
    EXPECT_FALSE(pCache->Cache().EntryIdOf(30));
    ASSERT_EQ(vReported.size(), 3u);
    EXPECT_EQ(vReported[0], "Addressbook\\PageCache: i < m_iPageTblEntries");
    EXPECT_EQ(pCache->Counters().m_ullQueries, 0u);
}

TEST_F(MapiPageCaches, AnEmptyFolderHasNoPagesAndNoPrefixPosition)
{
    com_ptr<IMAPITable> pTable = s_p_oMapi->SortedContactsTable();
    ASSERT_TRUE(pTable);
    SPropValue oName{};
    oName.ulPropTag = PR_DISPLAY_NAME_A;
    oName.Value.lpszA = const_cast<char*>("Nobody At All");
    SRestriction oRes{};
    oRes.rt = RES_PROPERTY;
    oRes.res.resProperty.relop = RELOP_EQ;
    oRes.res.resProperty.ulPropTag = PR_DISPLAY_NAME_A;
    oRes.res.resProperty.lpProp = &oName;
    ASSERT_EQ(pTable->Restrict(&oRes, 0), S_OK);
    CTableLookup oLookup;
    std::unique_ptr<CMapiPageCache> pCache;
    ASSERT_EQ(MakeContactPageCache(pTable.get(), s_p_oMapi->EmailTags(), oLookup, pCache), S_OK);
    EXPECT_EQ(pCache->Cache().RowCount(), 0u);
    EXPECT_EQ(pCache->Cache().PageCount(), 0);
    EXPECT_FALSE(pCache->Cache().FindPrefix("A"));
    std::unique_ptr<CMapiPageCache> pNone;
    EXPECT_EQ(MakeContactPageCache(nullptr, s_p_oMapi->EmailTags(), oLookup, pNone), E_INVALIDARG);
    EXPECT_FALSE(pNone);
}

TEST_F(MapiPageCaches, AddressBookContainerRows)
{
    CTableLookup oLookup;
    com_ptr<IMAPITable> pGal = s_p_oMapi->ContainerTable("Global Address List");
    ASSERT_TRUE(pGal);
    std::unique_ptr<CMapiPageCache> pCache;
    ASSERT_EQ(MakeABPageCache(pGal.get(), oLookup, pCache), S_OK);
    CPageCache& oCache = pCache->Cache();
    EXPECT_EQ(pCache->Kind(), kABPageCacheKind);
    ASSERT_EQ(oCache.RowCount(), 3u);
    // Bob is an Exchange user: his e-mail is asked of the address book, as is every missing mobile.
    const std::optional<CEntryBytes> ovBob = oCache.EntryIdOf(0);
    ASSERT_TRUE(ovBob);
    EXPECT_EQ(oCache.TextOf(0, kColumnName), "Bob Smith");
    EXPECT_EQ(oCache.TextOf(0, kColumnEmail), "");
    EXPECT_EQ(oCache.NumberOf(0, kColumnObjectType), 6);
    EXPECT_EQ(oCache.TextOf(1, kColumnName), "Carol Jones");
    EXPECT_EQ(oCache.TextOf(1, kColumnEmail), "carol@example.com");
    EXPECT_EQ(oCache.TextOf(2, kColumnName), "Sales Team");
    EXPECT_EQ(oCache.NumberOf(2, kColumnObjectType), 8);
    EXPECT_EQ(oCache.TextOf(2, kColumnMobile), "");
    EXPECT_EQ(oLookup.m_iSmtpQuestions, 1);
    EXPECT_EQ(oLookup.m_iMobileQuestions, 2);

    // Read again with the address book knowing Bob: the answers fill the row.
    CTableLookup oKnowing;
    oKnowing.m_mSmtp[*ovBob] = "bob@example.com";
    oKnowing.m_mMobile[*ovBob] = "+447700900777";
    ASSERT_EQ(MakeABPageCache(pGal.get(), oKnowing, pCache), S_OK);
    EXPECT_EQ(pCache->Cache().TextOf(0, kColumnEmail), "bob@example.com");
    EXPECT_EQ(pCache->Cache().TextOf(0, kColumnMobile), "+447700900777");

    // A personal address-book entry without address type passes on its syntax.
    com_ptr<IMAPITable> pPab = s_p_oMapi->ContainerTable("Personal Address Book");
    ASSERT_TRUE(pPab);
    ASSERT_EQ(MakeABPageCache(pPab.get(), oLookup, pCache), S_OK);
    ASSERT_EQ(pCache->Cache().RowCount(), 1u);
    EXPECT_EQ(pCache->Cache().TextOf(0, kColumnEmail), "dave@example.com");
}
} // namespace
