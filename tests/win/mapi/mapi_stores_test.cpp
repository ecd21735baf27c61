// tests/win/mapi/mapi_stores_test.cpp: the stores of a profile as an address-book client walks them:
// the stores table, a second store's nested contact folders, a public-folders store that does not
// open, an IMAP store known by its inbox, and a profile without a default store.
#include "tests/win/mapi/mapi_test_support.h"

#include <cstdlib>

using namespace mapitest;

namespace
{
// The published provider uid of a public-folders store.
const BYTE kPublicProvider[16] = {0x78, 0xB2, 0xFA, 0x70, 0xAF, 0xF7, 0x11, 0xCD,
                                  0x9B, 0xC8, 0x00, 0xAA, 0x00, 0x2F, 0xC4, 0x5A};

struct CStoreRow
{
    std::string m_sName;
    bool m_bDefault = false;
    std::vector<BYTE> m_provider, m_eid;
};

std::vector<CStoreRow> StoreRows()
{
    CRelease<IMAPITable> stores;
    EXPECT_EQ(g_pSession->GetMsgStoresTable(0, &stores), S_OK);
    LPSRowSet rows = nullptr;
    std::vector<CStoreRow> out;
    for (auto& r : AllRows(stores, {PR_DEFAULT_STORE, PR_DISPLAY_NAME_A, PR_MDB_PROVIDER, PR_ENTRYID}, rows))
    {
        CStoreRow s;
        s.m_bDefault = r[0].Value.b != 0;
        s.m_sName = Text(r[1]);
        s.m_provider.assign(r[2].Value.bin.lpb, r[2].Value.bin.lpb + r[2].Value.bin.cb);
        s.m_eid.assign(r[3].Value.bin.lpb, r[3].Value.bin.lpb + r[3].Value.bin.cb);
        out.push_back(std::move(s));
    }
    g_mapi.m_pfnFreeProws(rows);
    return out;
}

CStoreRow StoreNamed(const std::string& p_sName)
{
    for (auto& s : StoreRows())
        if (s.m_sName == p_sName)
            return s;
    ADD_FAILURE() << "no store " << p_sName;
    return {};
}

HRESULT OpenStoreRow(const CStoreRow& p_row, IMsgStore** p_pp)
{
    return g_pSession->OpenMsgStore(0, static_cast<ULONG>(p_row.m_eid.size()),
                                    reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(p_row.m_eid.data())), nullptr,
                                    MAPI_BEST_ACCESS | MDB_NO_DIALOG, p_pp);
}

// The contact folders under p_pFolder, depth first, as "name" with the entry id of each.
void FindContactFolders(IMAPIFolder* p_pFolder, std::vector<std::pair<std::string, std::vector<BYTE>>>& p_out)
{
    CRelease<IMAPITable> h;
    ASSERT_EQ(p_pFolder->GetHierarchyTable(0, &h), S_OK);
    LPSRowSet rows = nullptr;
    auto all = AllRows(h, {PR_ENTRYID, PR_DISPLAY_NAME_A, PR_CONTAINER_CLASS_A, PR_FOLDER_CHILD_COUNT}, rows);
    for (auto& r : all)
    {
        ASSERT_EQ(PROP_TYPE(r[0].ulPropTag), ULONG(PT_BINARY));
        std::vector<BYTE> eid(r[0].Value.bin.lpb, r[0].Value.bin.lpb + r[0].Value.bin.cb);
        if (Text(r[2]) == "IPF.Contact")
            p_out.emplace_back(Text(r[1]), eid);
        if (PROP_TYPE(r[3].ulPropTag) == PT_LONG && r[3].Value.l > 0)
        {
            CRelease<IMAPIFolder> child;
            ULONG type = 0;
            ASSERT_EQ(g_pSession->OpenEntry(static_cast<ULONG>(eid.size()), reinterpret_cast<LPENTRYID>(eid.data()),
                                            nullptr, MAPI_BEST_ACCESS, &type, reinterpret_cast<LPUNKNOWN*>(&child)),
                      S_OK);
            FindContactFolders(child, p_out);
        }
    }
    g_mapi.m_pfnFreeProws(rows);
}

std::vector<std::pair<std::string, std::vector<BYTE>>> ContactFoldersOf(IMsgStore* p_pStore)
{
    std::vector<std::pair<std::string, std::vector<BYTE>>> out;
    LPSPropValue eid = nullptr;
    EXPECT_EQ(g_mapi.m_pfnGetOneProp(p_pStore, PR_IPM_SUBTREE_ENTRYID, &eid), S_OK);
    if (!eid)
        return out;
    CRelease<IMAPIFolder> ipm;
    ULONG type = 0;
    EXPECT_EQ(p_pStore->OpenEntry(eid->Value.bin.cb, reinterpret_cast<LPENTRYID>(eid->Value.bin.lpb), nullptr,
                                  MAPI_BEST_ACCESS, &type, reinterpret_cast<LPUNKNOWN*>(&ipm)),
              S_OK);
    g_mapi.m_pfnFree(eid);
    if (ipm)
        FindContactFolders(ipm, out);
    return out;
}

std::vector<std::string> Names(const std::vector<std::pair<std::string, std::vector<BYTE>>>& p_v)
{
    std::vector<std::string> names;
    for (auto& p : p_v)
        names.push_back(p.first);
    return names;
}

std::string InboxClass(IMsgStore* p_pStore)
{
    ULONG cb = 0, type = 0;
    LPENTRYID eid = nullptr;
    EXPECT_EQ(
        p_pStore->GetReceiveFolder(const_cast<LPTSTR>(reinterpret_cast<const TCHAR*>("IPM")), 0, &cb, &eid, nullptr),
        S_OK);
    CRelease<IMAPIFolder> inbox;
    EXPECT_EQ(p_pStore->OpenEntry(cb, eid, nullptr, 0, &type, reinterpret_cast<LPUNKNOWN*>(&inbox)), S_OK);
    g_mapi.m_pfnFree(eid);
    LPSPropValue v = nullptr;
    std::string cls;
    if (inbox && g_mapi.m_pfnGetOneProp(inbox, PR_CONTAINER_CLASS_A, &v) == S_OK)
        cls = v->Value.lpszA;
    g_mapi.m_pfnFree(v);
    return cls;
}
} // namespace

TEST_F(CMapiContract, stores_table_lists_every_store_and_the_public_folders_do_not_open)
{
    auto rows = StoreRows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_TRUE(rows[0].m_bDefault);
    for (size_t i = 1; i < rows.size(); ++i)
        EXPECT_FALSE(rows[i].m_bDefault) << rows[i].m_sName;
    const CStoreRow pub = StoreNamed("Public Folders");
    ASSERT_EQ(pub.m_provider.size(), 16u);
    EXPECT_EQ(memcmp(pub.m_provider.data(), kPublicProvider, 16), 0);
    EXPECT_NE(memcmp(rows[0].m_provider.data(), kPublicProvider, 16), 0) << "the default store is a local one";

    // Without its server a public-folders store neither opens nor lets anything in it be opened.
    CRelease<IMsgStore> store;
    EXPECT_EQ(OpenStoreRow(pub, &store), MAPI_E_NETWORK_ERROR);
    EXPECT_EQ(store.get(), nullptr);
    ULONG type = 0;
    CRelease<IUnknown> unk;
    EXPECT_EQ(g_pSession->OpenEntry(static_cast<ULONG>(pub.m_eid.size()),
                                    reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(pub.m_eid.data())), nullptr,
                                    MAPI_BEST_ACCESS, &type, &unk),
              MAPI_E_NETWORK_ERROR);
}

TEST_F(CMapiContract, contact_folders_of_every_store_are_found_depth_first_and_open_by_entry_id)
{
    EXPECT_EQ(Names(ContactFoldersOf(g_pStore)), (std::vector<std::string>{"Contacts", "Suppliers"}))
        << "Suppliers is three levels below the IPM subtree";

    CRelease<IMsgStore> team;
    ASSERT_EQ(OpenStoreRow(StoreNamed("Team Folders"), &team), S_OK);
    const auto folders = ContactFoldersOf(team);
    ASSERT_EQ(Names(folders), (std::vector<std::string>{"Regions", "Branch Contacts"}));

    // The session opens a folder of a store other than the default one, and its messages, by entry id.
    CRelease<IMAPIFolder> branch;
    ULONG type = 0;
    std::vector<BYTE> eid = folders[1].second;
    ASSERT_EQ(g_pSession->OpenEntry(static_cast<ULONG>(eid.size()), reinterpret_cast<LPENTRYID>(eid.data()), nullptr,
                                    MAPI_BEST_ACCESS, &type, reinterpret_cast<LPUNKNOWN*>(&branch)),
              S_OK);
    EXPECT_EQ(type, ULONG(MAPI_FOLDER));
    CRelease<IMAPITable> contents;
    ASSERT_EQ(branch->GetContentsTable(0, &contents), S_OK);
    LPSRowSet rows = nullptr;
    auto all = AllRows(contents, {PR_ENTRYID, PR_DISPLAY_NAME_A}, rows);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(Text(all[0][1]), "Nora North");
    CRelease<IMessage> msg;
    ASSERT_EQ(g_pSession->OpenEntry(all[0][0].Value.bin.cb, reinterpret_cast<LPENTRYID>(all[0][0].Value.bin.lpb),
                                    nullptr, MAPI_BEST_ACCESS, &type, reinterpret_cast<LPUNKNOWN*>(&msg)),
              S_OK);
    EXPECT_EQ(type, ULONG(MAPI_MESSAGE));
    g_mapi.m_pfnFreeProws(rows);
    LPSPropValue v = nullptr;
    ASSERT_EQ(g_mapi.m_pfnGetOneProp(msg, PR_MOBILE_TELEPHONE_NUMBER_A, &v), S_OK);
    EXPECT_STREQ(v->Value.lpszA, "+447700900201");
    g_mapi.m_pfnFree(v);
    // The default store does not open what belongs to another store.
    CRelease<IUnknown> other;
    EXPECT_EQ(g_pStore->OpenEntry(static_cast<ULONG>(eid.size()), reinterpret_cast<LPENTRYID>(eid.data()), nullptr, 0,
                                  &type, &other),
              MAPI_E_INVALID_ENTRYID);
}

TEST_F(CMapiContract, imap_store_is_known_by_the_class_of_its_inbox)
{
    CRelease<IMsgStore> imap;
    ASSERT_EQ(OpenStoreRow(StoreNamed("imap@example.com"), &imap), S_OK);
    EXPECT_EQ(InboxClass(imap), "IPM.OutlookImapInbox");
    EXPECT_EQ(InboxClass(g_pStore), "IPF.Note");
    EXPECT_EQ(Names(ContactFoldersOf(imap)), (std::vector<std::string>{"Contacts (This computer only)"}));
}

// Run by its own test with the seed of a profile whose only store is not the default one.
TEST(mapi_no_default_store, restricted_stores_table_is_empty)
{
    const char* seed = getenv("BREVOLT_MAPI_NO_DEFAULT_SEED");
    if (!seed)
        GTEST_SKIP() << "needs its own process and seed";
    LoadStandIn(true, seed);
    ASSERT_FALSE(HasFatalFailure());
    LogOnDefaultProfile();
    ASSERT_FALSE(HasFatalFailure());
    CRelease<IMAPITable> stores;
    ASSERT_EQ(g_pSession->GetMsgStoresTable(0, &stores), S_OK);
    SPropValue isDefault{};
    isDefault.ulPropTag = PR_DEFAULT_STORE;
    isDefault.Value.b = TRUE;
    SRestriction res{};
    res.rt = RES_PROPERTY;
    res.res.resProperty.relop = RELOP_EQ;
    res.res.resProperty.ulPropTag = PR_DEFAULT_STORE;
    res.res.resProperty.lpProp = &isDefault;
    ASSERT_EQ(stores->Restrict(&res, 0), S_OK);
    LPSRowSet rows = nullptr;
    auto all = AllRows(stores, {PR_DEFAULT_STORE, PR_ENTRYID, PR_DISPLAY_NAME_A}, rows);
    EXPECT_TRUE(all.empty());
    g_mapi.m_pfnFreeProws(rows);
    ASSERT_EQ(stores->Restrict(nullptr, 0), S_OK);
    all = AllRows(stores, {PR_DEFAULT_STORE, PR_DISPLAY_NAME_A}, rows);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(Text(all[0][1]), "Archive Folders");
    EXPECT_FALSE(all[0][0].Value.b);
    g_mapi.m_pfnFreeProws(rows);
    CMapiContract::TearDownTestSuite();
}
