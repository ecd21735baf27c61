// tests/win/mapi/mapi_contract_test.cpp: the MAPI stand-in driven as a MAPI client drives MAPI:
// the library found through DLLPathEx, its functions bound by name, the default profile, the
// default store and address book, tables, resolution, submission, notifications, marshalling.
#include <windows.h>
#include <objbase.h>
#include <mapicode.h>
#include <mapidefs.h>
#define INITGUID
#define USES_IID_IMAPISession
#define USES_IID_IMAPIAdviseSink
#define USES_PS_PUBLIC_STRINGS
#include <initguid.h>
#include <mapiguid.h>
#include <mapitags.h>
#include <mapiutil.h>
#include <mapix.h>
#undef SetProp

#include "standins/mapi/provider/mapi_shims.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace
{
// The contact property set, {00062004-0000-0000-C000-000000000046}.
const GUID PSETID_Address_Test = {0x00062004, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct CMapi
{
    HMODULE m_hLib = nullptr;
    LPMAPIINITIALIZE m_pfnInit = nullptr;
    LPMAPIUNINITIALIZE m_pfnUninit = nullptr;
    LPMAPILOGONEX m_pfnLogon = nullptr;
    LPMAPIADMINPROFILES m_pfnAdmin = nullptr;
    LPMAPIFREEBUFFER m_pfnFree = nullptr;
    LPMAPIALLOCATEBUFFER m_pfnAlloc = nullptr;
    HRESULT(WINAPI* m_pfnThreadSink)(LPMAPIADVISESINK, LPMAPIADVISESINK*) = nullptr;
    void(WINAPI* m_pfnFreeProws)(LPSRowSet) = nullptr;
    HRESULT(WINAPI* m_pfnGetOneProp)(LPMAPIPROP, ULONG, LPSPropValue*) = nullptr;
    HRESULT(WINAPI* m_pfnWrapRtf)(LPSTREAM, ULONG, LPSTREAM*) = nullptr;
    LPOPENSTREAMONFILE m_pfnOpenStream = nullptr;
};
CMapi g_mapi;
// OpenStreamOnFile takes the allocators as arguments; the stand-in's own are passed.
SCODE WINAPI MAPIAllocateBuffer_Test(ULONG p_cb, LPVOID* p_pp)
{
    return reinterpret_cast<LPMAPIALLOCATEBUFFER>(GetProcAddress(g_mapi.m_hLib, "MAPIAllocateBuffer"))(p_cb, p_pp);
}
ULONG WINAPI MAPIFreeBuffer_Test(LPVOID p_p) { return g_mapi.m_pfnFree(p_p); }
IMAPISession* g_pSession = nullptr;
IMsgStore* g_pStore = nullptr;
IAddrBook* g_pAddrBook = nullptr;
std::string g_sTemp;

void SetString(HKEY p_hRoot, const char* p_szKey, const char* p_szName, const std::string& p_sValue)
{
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExA(p_hRoot, p_szKey, 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr), ERROR_SUCCESS);
    RegSetValueExA(h, p_szName, 0, REG_SZ, reinterpret_cast<const BYTE*>(p_sValue.c_str()), static_cast<DWORD>(p_sValue.size() + 1));
    RegCloseKey(h);
}

std::string ReadString(HKEY p_hRoot, const char* p_szKey, const char* p_szName)
{
    char buf[MAX_PATH] = {};
    DWORD cb = sizeof buf - 1;
    if (RegGetValueA(p_hRoot, p_szKey, p_szName, RRF_RT_REG_SZ, nullptr, buf, &cb) != ERROR_SUCCESS)
        return {};
    return buf;
}

template <typename T> void Bind(T& p_pfn, const char* p_szName)
{
    p_pfn = reinterpret_cast<T>(GetProcAddress(g_mapi.m_hLib, p_szName));
    ASSERT_NE(p_pfn, nullptr) << p_szName;
}

// Rows of a table with the given columns, all of them.
std::vector<std::vector<SPropValue>> AllRows(IMAPITable* p_pTable, std::vector<ULONG> p_cols, LPSRowSet& p_keep)
{
    std::vector<ULONG> buf(p_cols.size() + 1);
    buf[0] = static_cast<ULONG>(p_cols.size());
    std::copy(p_cols.begin(), p_cols.end(), buf.begin() + 1);
    EXPECT_EQ(p_pTable->SetColumns(reinterpret_cast<LPSPropTagArray>(buf.data()), 0), S_OK);
    EXPECT_EQ(p_pTable->SeekRow(BOOKMARK_BEGINNING, 0, nullptr), S_OK);
    p_keep = nullptr;
    EXPECT_EQ(p_pTable->QueryRows(1000, 0, &p_keep), S_OK);
    std::vector<std::vector<SPropValue>> rows;
    for (ULONG i = 0; p_keep && i < p_keep->cRows; ++i)
        rows.emplace_back(p_keep->aRow[i].lpProps, p_keep->aRow[i].lpProps + p_keep->aRow[i].cValues);
    return rows;
}

std::string Text(const SPropValue& p_v) { return PROP_TYPE(p_v.ulPropTag) == PT_STRING8 ? p_v.Value.lpszA : std::string(); }

template <typename T> struct CRelease
{
    T* m_p = nullptr;
    ~CRelease()
    {
        if (m_p)
            m_p->Release();
    }
    T** operator&() { return &m_p; }
    T* operator->() const { return m_p; }
    operator T*() const { return m_p; }
};

// Opens the folder whose entry id is p_ulTag on p_pFrom (the store by default).
IMAPIFolder* OpenFolder(ULONG p_ulTag, IMAPIProp* p_pFrom = nullptr)
{
    IMsgStore* store = g_pStore;
    LPSPropValue v = nullptr;
    EXPECT_EQ(g_mapi.m_pfnGetOneProp(p_pFrom ? p_pFrom : store, p_ulTag, &v), S_OK);
    if (!v)
        return nullptr;
    ULONG type = 0;
    IMAPIFolder* f = nullptr;
    EXPECT_EQ(store->OpenEntry(v->Value.bin.cb, reinterpret_cast<LPENTRYID>(v->Value.bin.lpb), nullptr, MAPI_BEST_ACCESS, &type,
                               reinterpret_cast<LPUNKNOWN*>(&f)),
              S_OK);
    EXPECT_EQ(type, ULONG(MAPI_FOLDER));
    g_mapi.m_pfnFree(v);
    return f;
}

IMAPIFolder* Inbox()
{
    ULONG cb = 0;
    LPENTRYID eid = nullptr;
    EXPECT_EQ(g_pStore->GetReceiveFolder(nullptr, 0, &cb, &eid, nullptr), S_OK);
    ULONG type = 0;
    IMAPIFolder* f = nullptr;
    EXPECT_EQ(g_pStore->OpenEntry(cb, eid, nullptr, MAPI_MODIFY, &type, reinterpret_cast<LPUNKNOWN*>(&f)), S_OK);
    g_mapi.m_pfnFree(eid);
    return f;
}

void SetText(IMAPIProp* p_p, ULONG p_ulTag, const char* p_sz)
{
    SPropValue v{};
    v.ulPropTag = p_ulTag;
    v.Value.lpszA = const_cast<char*>(p_sz);
    ASSERT_EQ(p_p->SetProps(1, &v, nullptr), S_OK);
}

class CMapiContract : public testing::Test
{
  public:
    static void SetUpTestSuite() { SetUp(true); }
    // p_bSeed: the store starts from the suite's seed; else from what the stand-in's key names.
    static void SetUp(bool p_bSeed)
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        g_sTemp = std::string(temp) + "brevolt-mapi-test";
        CreateDirectoryA(g_sTemp.c_str(), nullptr);
        CreateDirectoryA((g_sTemp + "\\drop").c_str(), nullptr);
        const char* kKey = "Software\\Brevolt Test\\MAPI Stand-in";
        if (p_bSeed)
        {
            // The store starts from the seed each run.
            ASSERT_TRUE(CopyFileA(MAPI_SEED_FILE, (g_sTemp + "\\store.json").c_str(), FALSE));
            SetString(HKEY_CURRENT_USER, kKey, "StoreFile", g_sTemp + "\\store.json");
        }
        SetString(HKEY_CURRENT_USER, kKey, "DropFolder", g_sTemp + "\\drop");
        SetString(HKEY_CURRENT_USER, kKey, "SpoolDelayMs", "60000"); // leave only at FlushQueues
        const char* server = getenv("BREVOLT_SMTP_SERVER");
        SetString(HKEY_CURRENT_USER, kKey, "SmtpServer", server ? server : "localhost:1");
        SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Clients\\Mail\\Microsoft Outlook", "DLLPathEx", MAPI_DLL_PATH);

        // As a client finds MAPI: the DLLPathEx value, then the functions by name.
        const std::string path = ReadString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Clients\\Mail\\Microsoft Outlook", "DLLPathEx");
        g_mapi.m_hLib = LoadLibraryA(path.c_str());
        ASSERT_NE(g_mapi.m_hLib, nullptr) << path;
        Bind(g_mapi.m_pfnInit, "MAPIInitialize");
        Bind(g_mapi.m_pfnUninit, "MAPIUninitialize");
        Bind(g_mapi.m_pfnLogon, "MAPILogonEx");
        Bind(g_mapi.m_pfnAdmin, "MAPIAdminProfiles");
        Bind(g_mapi.m_pfnFree, "MAPIFreeBuffer");
        Bind(g_mapi.m_pfnAlloc, "MAPIAllocateBuffer");
        Bind(g_mapi.m_pfnThreadSink, "HrThisThreadAdviseSink");
        Bind(g_mapi.m_pfnFreeProws, "FreeProws");
        Bind(g_mapi.m_pfnGetOneProp, "HrGetOneProp");
        Bind(g_mapi.m_pfnWrapRtf, "WrapCompressedRTFStream");
        Bind(g_mapi.m_pfnOpenStream, "OpenStreamOnFile");
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        ASSERT_EQ(g_mapi.m_pfnInit(nullptr), S_OK);

        // The default profile, as CheckMAPIProfileExists looks for it.
        CRelease<IProfAdmin> admin;
        ASSERT_EQ(g_mapi.m_pfnAdmin(0, &admin), S_OK);
        CRelease<IMAPITable> profiles;
        ASSERT_EQ(admin->GetProfileTable(0, &profiles), S_OK);
        LPSRowSet rows = nullptr;
        auto all = AllRows(profiles, {PR_DISPLAY_NAME_A, PR_DEFAULT_PROFILE}, rows);
        ASSERT_EQ(all.size(), 1u);
        ASSERT_EQ(all[0][1].Value.b, TRUE);
        std::string profile = Text(all[0][0]);
        g_mapi.m_pfnFreeProws(rows);
        ASSERT_EQ(g_mapi.m_pfnLogon(0, const_cast<LPTSTR>(reinterpret_cast<const TCHAR*>("No such profile")), nullptr, MAPI_EXTENDED,
                                    &g_pSession),
                  MAPI_E_LOGON_FAILED);
        ASSERT_EQ(g_mapi.m_pfnLogon(0, reinterpret_cast<LPTSTR>(profile.data()), nullptr, MAPI_EXTENDED | MAPI_NEW_SESSION, &g_pSession), S_OK);

        // The default store: the stores table restricted to PR_DEFAULT_STORE = true.
        CRelease<IMAPITable> stores;
        ASSERT_EQ(g_pSession->GetMsgStoresTable(0, &stores), S_OK);
        SizedSPropTagArray(3, cols) = {3, {PR_DEFAULT_STORE, PR_ENTRYID, PR_DISPLAY_NAME_A}};
        ASSERT_EQ(stores->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0), S_OK);
        SPropValue isDefault{};
        isDefault.ulPropTag = PR_DEFAULT_STORE;
        isDefault.Value.b = TRUE;
        SRestriction res{};
        res.rt = RES_PROPERTY;
        res.res.resProperty.relop = RELOP_EQ;
        res.res.resProperty.ulPropTag = PR_DEFAULT_STORE;
        res.res.resProperty.lpProp = &isDefault;
        ASSERT_EQ(stores->Restrict(&res, 0), S_OK);
        ASSERT_EQ(stores->QueryRows(10, 0, &rows), S_OK);
        ASSERT_EQ(rows->cRows, 1u);
        EXPECT_STREQ(rows->aRow[0].lpProps[2].Value.lpszA, "Personal Folders");
        ASSERT_EQ(g_pSession->OpenMsgStore(0, rows->aRow[0].lpProps[1].Value.bin.cb,
                                           reinterpret_cast<LPENTRYID>(rows->aRow[0].lpProps[1].Value.bin.lpb), nullptr,
                                           MAPI_BEST_ACCESS | MDB_NO_DIALOG, &g_pStore),
                  S_OK);
        g_mapi.m_pfnFreeProws(rows);
        ASSERT_EQ(g_pSession->OpenAddressBook(0, nullptr, AB_NO_DIALOG, &g_pAddrBook), S_OK);
    }
    static void TearDownTestSuite()
    {
        if (g_pAddrBook)
            g_pAddrBook->Release();
        if (g_pStore)
            g_pStore->Release();
        if (g_pSession)
        {
            g_pSession->Logoff(0, 0, 0);
            g_pSession->Release();
        }
        if (g_mapi.m_pfnUninit)
            g_mapi.m_pfnUninit();
        CoUninitialize();
    }
};
} // namespace

TEST_F(CMapiContract, store_special_folders_and_second_store)
{
    ULONG c = 0;
    LPSPropValue v = nullptr;
    SizedSPropTagArray(6, tags) = {6, {PR_IPM_SUBTREE_ENTRYID, PR_IPM_OUTBOX_ENTRYID, PR_IPM_SENTMAIL_ENTRYID, PR_FINDER_ENTRYID,
                                        PR_DEFAULT_STORE, PR_IPM_WASTEBASKET_ENTRYID}};
    ASSERT_EQ(g_pStore->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &c, &v), S_OK);
    for (ULONG i = 0; i < c; ++i)
        EXPECT_NE(PROP_TYPE(v[i].ulPropTag), ULONG(PT_ERROR)) << std::hex << tags.aulPropTag[i];
    // An entry id from the store's properties compares equal to the folder's own PR_ENTRYID.
    CRelease<IMAPIFolder> outbox;
    outbox.m_p = OpenFolder(PR_IPM_OUTBOX_ENTRYID);
    LPSPropValue own = nullptr;
    ASSERT_EQ(g_mapi.m_pfnGetOneProp(outbox, PR_ENTRYID, &own), S_OK);
    ULONG equal = 0;
    ASSERT_EQ(g_pStore->CompareEntryIDs(v[1].Value.bin.cb, reinterpret_cast<LPENTRYID>(v[1].Value.bin.lpb), own->Value.bin.cb,
                                        reinterpret_cast<LPENTRYID>(own->Value.bin.lpb), 0, &equal),
              S_OK);
    EXPECT_TRUE(equal);
    g_mapi.m_pfnFree(own);
    g_mapi.m_pfnFree(v);
    // A missing property comes back as PT_ERROR with MAPI_W_ERRORS_RETURNED.
    SizedSPropTagArray(1, missing) = {1, {PROP_TAG(PT_LONG, 0x6799)}};
    ASSERT_EQ(g_pStore->GetProps(reinterpret_cast<LPSPropTagArray>(&missing), 0, &c, &v), MAPI_W_ERRORS_RETURNED);
    EXPECT_EQ(PROP_TYPE(v[0].ulPropTag), ULONG(PT_ERROR));
    EXPECT_EQ(v[0].Value.err, MAPI_E_NOT_FOUND);
    g_mapi.m_pfnFree(v);
    CRelease<IMAPITable> stores;
    ASSERT_EQ(g_pSession->GetMsgStoresTable(0, &stores), S_OK);
    LPSRowSet rows = nullptr;
    auto all = AllRows(stores, {PR_DISPLAY_NAME_A, PR_DEFAULT_STORE}, rows);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(Text(all[1][0]), "Archive Folders");
    EXPECT_FALSE(all[1][1].Value.b);
    g_mapi.m_pfnFreeProws(rows);
}

TEST_F(CMapiContract, ipm_subtree_depth_first_finds_nested_contact_folders)
{
    CRelease<IMAPIFolder> ipm;
    ipm.m_p = OpenFolder(PR_IPM_SUBTREE_ENTRYID);
    std::vector<std::string> contactFolders;
    std::function<void(IMAPIFolder*, int)> walk = [&](IMAPIFolder* p_f, int p_iDepth) {
        CRelease<IMAPITable> h;
        ASSERT_EQ(p_f->GetHierarchyTable(0, &h), S_OK);
        LPSRowSet rows = nullptr;
        auto all = AllRows(h, {PR_ENTRYID, PR_DISPLAY_NAME_A, PR_CONTAINER_CLASS_A, PR_FOLDER_CHILD_COUNT}, rows);
        for (auto& r : all)
        {
            if (Text(r[2]) == "IPF.Contact")
                contactFolders.push_back(Text(r[1]) + "@" + std::to_string(p_iDepth));
            if (PROP_TYPE(r[3].ulPropTag) == PT_LONG && r[3].Value.l > 0)
            {
                ULONG type = 0;
                CRelease<IMAPIFolder> child;
                ASSERT_EQ(p_f->OpenEntry(r[0].Value.bin.cb, reinterpret_cast<LPENTRYID>(r[0].Value.bin.lpb), nullptr, 0, &type,
                                         reinterpret_cast<LPUNKNOWN*>(&child)),
                          S_OK);
                walk(child, p_iDepth + 1);
            }
        }
        g_mapi.m_pfnFreeProws(rows);
    };
    walk(ipm, 1);
    EXPECT_EQ(contactFolders, (std::vector<std::string>{"Contacts@1", "Suppliers@3"}));
}

TEST_F(CMapiContract, contents_table_paging_restrict_and_findrow)
{
    // The Drafts folder is named on the Inbox (and the root folder), not on the store.
    CRelease<IMAPIFolder> inbox;
    inbox.m_p = Inbox();
    CRelease<IMAPIFolder> drafts;
    drafts.m_p = OpenFolder(PR_IPM_DRAFTS_ENTRYID, inbox.m_p);
    ASSERT_NE(drafts.m_p, nullptr);
    for (int i = 0; i < 25; ++i)
    {
        CRelease<IMessage> msg;
        ASSERT_EQ(drafts->CreateMessage(nullptr, 0, &msg), S_OK);
        char subject[32];
        snprintf(subject, sizeof subject, "Message %02d", i);
        SetText(msg, PR_SUBJECT_A, subject);
        SetText(msg, PR_MESSAGE_CLASS_A, i % 5 == 0 ? "IPM.Note.SMS" : "IPM.Note");
        ASSERT_EQ(msg->SaveChanges(0), S_OK);
    }
    CRelease<IMAPITable> t;
    ASSERT_EQ(drafts->GetContentsTable(0, &t), S_OK);
    SizedSPropTagArray(2, cols) = {2, {PR_SUBJECT_A, PR_MESSAGE_CLASS_A}};
    ASSERT_EQ(t->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0), S_OK);
    SizedSSortOrderSet(1, sort) = {1, 0, 0, {{PR_SUBJECT_A, TABLE_SORT_ASCEND}}};
    ASSERT_EQ(t->SortTable(reinterpret_cast<LPSSortOrderSet>(&sort), 0), S_OK);
    ULONG count = 0, row = 0, num = 0, den = 0;
    ASSERT_EQ(t->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, 25u);
    ASSERT_EQ(t->SeekRowApprox(1, 2), S_OK);
    ASSERT_EQ(t->QueryPosition(&row, &num, &den), S_OK);
    EXPECT_EQ(row, 12u);
    EXPECT_EQ(den, 25u);
    LPSRowSet rows = nullptr;
    ASSERT_EQ(t->QueryRows(10, 0, &rows), S_OK);
    ASSERT_EQ(rows->cRows, 10u);
    EXPECT_STREQ(rows->aRow[0].lpProps[0].Value.lpszA, "Message 12");
    g_mapi.m_pfnFreeProws(rows);
    LONG sought = 0;
    ASSERT_EQ(t->SeekRow(BOOKMARK_CURRENT, -30, &sought), S_OK);
    EXPECT_EQ(sought, -22);
    ASSERT_EQ(t->SeekRow(BOOKMARK_END, -2, &sought), S_OK);
    ASSERT_EQ(t->QueryRows(10, 0, &rows), S_OK);
    EXPECT_EQ(rows->cRows, 2u);
    g_mapi.m_pfnFreeProws(rows);
    ASSERT_EQ(t->QueryRows(10, 0, &rows), S_OK);
    EXPECT_EQ(rows->cRows, 0u) << "past the end a read returns no rows and S_OK";
    g_mapi.m_pfnFreeProws(rows);

    SPropValue cls{};
    cls.ulPropTag = PR_MESSAGE_CLASS_A;
    cls.Value.lpszA = const_cast<char*>("IPM.Note.SMS");
    SRestriction byClass{};
    byClass.rt = RES_PROPERTY;
    byClass.res.resProperty = {RELOP_EQ, PR_MESSAGE_CLASS_A, &cls};
    ASSERT_EQ(t->Restrict(&byClass, 0), S_OK);
    ASSERT_EQ(t->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, 5u);
    SPropValue sub{};
    sub.ulPropTag = PR_SUBJECT_A;
    sub.Value.lpszA = const_cast<char*>("15");
    SRestriction find{};
    find.rt = RES_CONTENT;
    find.res.resContent = {FL_SUBSTRING, PR_SUBJECT_A, &sub};
    ASSERT_EQ(t->FindRow(&find, BOOKMARK_BEGINNING, 0), S_OK);
    ASSERT_EQ(t->QueryPosition(&row, &num, &den), S_OK);
    EXPECT_EQ(row, 3u); // 00 05 10 [15] 20
    ASSERT_EQ(t->FindRow(&find, BOOKMARK_CURRENT, DIR_BACKWARD), MAPI_E_NOT_FOUND);
    ASSERT_EQ(t->Restrict(nullptr, 0), S_OK);
    ASSERT_EQ(t->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, 25u);
}

TEST_F(CMapiContract, resolve_names_ambiguous_unknown_and_exact)
{
    auto resolve = [](const char* p_szName, std::string& p_sType, std::string& p_sAddress) {
        LPADRLIST list = nullptr;
        EXPECT_EQ(g_mapi.m_pfnAlloc(CbNewADRLIST(1), reinterpret_cast<void**>(&list)), S_OK);
        list->cEntries = 1;
        LPSPropValue props = nullptr;
        g_mapi.m_pfnAlloc(2 * sizeof(SPropValue), reinterpret_cast<void**>(&props));
        props[0].ulPropTag = PR_DISPLAY_NAME_A;
        props[0].Value.lpszA = const_cast<char*>(p_szName);
        props[1].ulPropTag = PR_RECIPIENT_TYPE;
        props[1].Value.l = MAPI_TO;
        list->aEntries[0].cValues = 2;
        list->aEntries[0].rgPropVals = props;
        const HRESULT hr = g_pAddrBook->ResolveName(0, 0, nullptr, list);
        for (ULONG i = 0; i < list->aEntries[0].cValues; ++i)
        {
            const SPropValue& v = list->aEntries[0].rgPropVals[i];
            if (v.ulPropTag == PR_ADDRTYPE_A)
                p_sType = v.Value.lpszA;
            if (v.ulPropTag == PR_EMAIL_ADDRESS_A)
                p_sAddress = v.Value.lpszA;
        }
        g_mapi.m_pfnFree(list->aEntries[0].rgPropVals);
        g_mapi.m_pfnFree(list);
        return hr;
    };
    std::string type, address;
    EXPECT_EQ(resolve("Smith", type, address), MAPI_E_AMBIGUOUS_RECIP) << "Ann, Bob and Dave Smith";
    EXPECT_EQ(resolve("Nobody Here", type, address), MAPI_E_NOT_FOUND);
    ASSERT_EQ(resolve("Bob", type, address), S_OK);
    EXPECT_EQ(type, "EX");
    EXPECT_EQ(address, "/o=Brevolt/ou=First/cn=Recipients/cn=bsmith");
    ASSERT_EQ(resolve("ann@example.com", type, address), S_OK);
    EXPECT_EQ(type, "SMTP");
    EXPECT_EQ(address, "ann@example.com");
}

TEST_F(CMapiContract, address_book_containers_dist_list_and_new_contact)
{
    CRelease<IABContainer> root;
    ULONG type = 0;
    ASSERT_EQ(g_pAddrBook->OpenEntry(0, nullptr, nullptr, 0, &type, reinterpret_cast<LPUNKNOWN*>(&root)), S_OK);
    EXPECT_EQ(type, ULONG(MAPI_ABCONT));
    auto openChild = [&](IABContainer* p_parent, const char* p_szName, IABContainer** p_pp) {
        CRelease<IMAPITable> h;
        ASSERT_EQ(p_parent->GetHierarchyTable(0, &h), S_OK);
        LPSRowSet rows = nullptr;
        auto all = AllRows(h, {PR_ENTRYID, PR_DISPLAY_NAME_A}, rows);
        for (auto& r : all)
            if (Text(r[1]) == p_szName)
            {
                ULONG t = 0;
                ASSERT_EQ(g_pAddrBook->OpenEntry(r[0].Value.bin.cb, reinterpret_cast<LPENTRYID>(r[0].Value.bin.lpb), nullptr, 0, &t,
                                                 reinterpret_cast<LPUNKNOWN*>(p_pp)),
                          S_OK);
            }
        g_mapi.m_pfnFreeProws(rows);
        ASSERT_NE(*p_pp, nullptr) << p_szName;
    };
    CRelease<IABContainer> oab, contacts, gal;
    openChild(root, "Outlook Address Book", &oab);
    openChild(oab, "Contacts", &contacts);
    openChild(root, "Global Address List", &gal);

    // The distribution list in the GAL expands into its members.
    CRelease<IMAPITable> galRows;
    ASSERT_EQ(gal->GetContentsTable(0, &galRows), S_OK);
    LPSRowSet rows = nullptr;
    auto entries = AllRows(galRows, {PR_ENTRYID, PR_DISPLAY_NAME_A, PR_OBJECT_TYPE, PR_SMTP_ADDRESS_A}, rows);
    bool bExpanded = false;
    for (auto& e : entries)
        if (e[2].Value.l == MAPI_DISTLIST)
        {
            CRelease<IDistList> dl;
            ASSERT_EQ(g_pAddrBook->OpenEntry(e[0].Value.bin.cb, reinterpret_cast<LPENTRYID>(e[0].Value.bin.lpb), nullptr, 0, &type,
                                             reinterpret_cast<LPUNKNOWN*>(&dl)),
                      S_OK);
            EXPECT_EQ(type, ULONG(MAPI_DISTLIST));
            CRelease<IMAPITable> members;
            ASSERT_EQ(dl->GetContentsTable(0, &members), S_OK);
            LPSRowSet mrows = nullptr;
            auto m = AllRows(members, {PR_DISPLAY_NAME_A, PR_ADDRTYPE_A}, mrows);
            ASSERT_EQ(m.size(), 2u);
            EXPECT_EQ(Text(m[0][0]), "Bob Smith");
            EXPECT_EQ(Text(m[1][0]), "Carol Jones");
            g_mapi.m_pfnFreeProws(mrows);
            bExpanded = true;
        }
        else
            EXPECT_FALSE(Text(e[3]).empty()) << "GAL users carry their SMTP address";
    EXPECT_TRUE(bExpanded);
    g_mapi.m_pfnFreeProws(rows);

    // A contact created in the default contacts folder appears under Outlook Address Book -> Contacts.
    CRelease<IMAPIFolder> cf;
    LPSPropValue eid = nullptr;
    CRelease<IMAPIFolder> inbox;
    inbox.m_p = Inbox();
    ASSERT_EQ(g_mapi.m_pfnGetOneProp(inbox, PR_IPM_CONTACT_ENTRYID, &eid), S_OK);
    ASSERT_EQ(g_pStore->OpenEntry(eid->Value.bin.cb, reinterpret_cast<LPENTRYID>(eid->Value.bin.lpb), nullptr, MAPI_MODIFY, &type,
                                  reinterpret_cast<LPUNKNOWN*>(&cf)),
              S_OK);
    g_mapi.m_pfnFree(eid);
    MAPINAMEID names[2] = {{const_cast<LPGUID>(&PSETID_Address_Test), MNID_ID, {0x8082}},
                           {const_cast<LPGUID>(&PSETID_Address_Test), MNID_ID, {0x8083}}};
    LPMAPINAMEID pnames[2] = {&names[0], &names[1]};
    LPSPropTagArray ids = nullptr;
    ASSERT_EQ(cf->GetIDsFromNames(2, pnames, MAPI_CREATE, &ids), S_OK);
    CRelease<IMessage> contact;
    ASSERT_EQ(cf->CreateMessage(nullptr, 0, &contact), S_OK);
    SPropValue p[5]{};
    p[0].ulPropTag = PR_MESSAGE_CLASS_A;
    p[0].Value.lpszA = const_cast<char*>("IPM.Contact");
    p[1].ulPropTag = PR_DISPLAY_NAME_A;
    p[1].Value.lpszA = const_cast<char*>("Erin Walker");
    p[2].ulPropTag = PR_MOBILE_TELEPHONE_NUMBER_A;
    p[2].Value.lpszA = const_cast<char*>("+447700900123");
    p[3].ulPropTag = PROP_TAG(PT_STRING8, PROP_ID(ids->aulPropTag[0]));
    p[3].Value.lpszA = const_cast<char*>("SMTP");
    p[4].ulPropTag = PROP_TAG(PT_STRING8, PROP_ID(ids->aulPropTag[1]));
    p[4].Value.lpszA = const_cast<char*>("erin@example.com");
    ASSERT_EQ(contact->SetProps(5, p, nullptr), S_OK);
    ASSERT_EQ(contact->SaveChanges(0), S_OK);
    g_mapi.m_pfnFree(ids);
    CRelease<IMAPITable> ct;
    ASSERT_EQ(contacts->GetContentsTable(0, &ct), S_OK);
    auto crow = AllRows(ct, {PR_DISPLAY_NAME_A, PR_EMAIL_ADDRESS_A, PR_MOBILE_TELEPHONE_NUMBER_A}, rows);
    bool bFound = false;
    for (auto& r : crow)
        bFound = bFound || (Text(r[0]) == "Erin Walker" && Text(r[1]) == "erin@example.com" && Text(r[2]) == "+447700900123");
    EXPECT_TRUE(bFound);
    g_mapi.m_pfnFreeProws(rows);
}

TEST_F(CMapiContract, named_properties_by_name)
{
    CRelease<IMAPIFolder> inbox;
    inbox.m_p = Inbox();
    MAPINAMEID name{const_cast<LPGUID>(&PS_PUBLIC_STRINGS), MNID_STRING, {}};
    name.Kind.lpwstrName = const_cast<LPWSTR>(L"BrevoltSMSFlag");
    LPMAPINAMEID pname = &name;
    LPSPropTagArray tags = nullptr;
    ASSERT_EQ(inbox->GetIDsFromNames(1, &pname, 0, &tags), MAPI_W_ERRORS_RETURNED) << "unknown without MAPI_CREATE";
    EXPECT_EQ(tags->aulPropTag[0], ULONG(PROP_TAG(PT_ERROR, 0)));
    g_mapi.m_pfnFree(tags);
    ASSERT_EQ(inbox->GetIDsFromNames(1, &pname, MAPI_CREATE, &tags), S_OK);
    const ULONG id = PROP_ID(tags->aulPropTag[0]);
    EXPECT_GE(id, 0x8000u);
    EXPECT_EQ(PROP_TYPE(tags->aulPropTag[0]), ULONG(PT_UNSPECIFIED));
    LPSPropTagArray again = nullptr;
    ASSERT_EQ(inbox->GetIDsFromNames(1, &pname, 0, &again), S_OK);
    EXPECT_EQ(again->aulPropTag[0], tags->aulPropTag[0]);
    ULONG c = 0;
    LPMAPINAMEID* back = nullptr;
    ASSERT_EQ(inbox->GetNamesFromIDs(&again, nullptr, 0, &c, &back), S_OK);
    ASSERT_EQ(c, 1u);
    EXPECT_EQ(back[0]->ulKind, ULONG(MNID_STRING));
    EXPECT_STREQ(back[0]->Kind.lpwstrName, L"BrevoltSMSFlag");
    EXPECT_TRUE(IsEqualGUID(*back[0]->lpguid, PS_PUBLIC_STRINGS));
    g_mapi.m_pfnFree(back);
    g_mapi.m_pfnFree(again);
    // The named property is stored and read like any other.
    CRelease<IMessage> msg;
    ASSERT_EQ(inbox->CreateMessage(nullptr, 0, &msg), S_OK);
    SPropValue v{};
    v.ulPropTag = PROP_TAG(PT_LONG, id);
    v.Value.l = 42;
    ASSERT_EQ(msg->SetProps(1, &v, nullptr), S_OK);
    LPSPropValue got = nullptr;
    ASSERT_EQ(g_mapi.m_pfnGetOneProp(msg, PROP_TAG(PT_LONG, id), &got), S_OK);
    EXPECT_EQ(got->Value.l, 42);
    g_mapi.m_pfnFree(got);
    g_mapi.m_pfnFree(tags);
}

namespace
{
class CNewMailSink : public IMAPIAdviseSink
{
  public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IMAPIAdviseSink)
        {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
    STDMETHODIMP_(ULONG) Release() override { return --m_cRef; }
    STDMETHODIMP_(ULONG) OnNotify(ULONG p_c, LPNOTIFICATION p_pn) override
    {
        for (ULONG i = 0; i < p_c; ++i)
        {
            m_vThreads.push_back(GetCurrentThreadId());
            if (p_pn[i].ulEventType == fnevNewMail)
                m_sClass = reinterpret_cast<const char*>(p_pn[i].info.newmail.lpszMessageClass), ++m_iNewMail;
            if (p_pn[i].ulEventType == fnevObjectCreated)
                ++m_iCreated;
        }
        return 0;
    }
    ULONG m_cRef = 1;
    int m_iNewMail = 0, m_iCreated = 0;
    std::string m_sClass;
    std::vector<DWORD> m_vThreads;
};

void PumpUntil(const std::function<bool()>& p_done, int p_iMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(p_iMs);
    while (!p_done() && std::chrono::steady_clock::now() < end)
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(20);
    }
}
} // namespace

TEST_F(CMapiContract, new_mail_from_the_drop_folder_reaches_the_registering_thread)
{
    CNewMailSink sink;
    LPMAPIADVISESINK wrapped = nullptr;
    ASSERT_EQ(g_mapi.m_pfnThreadSink(&sink, &wrapped), S_OK);
    ULONG conn = 0;
    ASSERT_EQ(g_pStore->Advise(0, nullptr, fnevNewMail | fnevObjectCreated, wrapped, &conn), S_OK);
    {
        std::ofstream eml(g_sTemp + "\\drop\\incoming.eml.part", std::ios::binary);
        eml << "From: \"Gateway\" <gateway@brevolt.example>\r\nTo: user@brevolt.example\r\nSubject: Delivery report\r\n\r\nAll sent.\r\n";
    }
    DeleteFileA((g_sTemp + "\\drop\\incoming.eml").c_str());
    ASSERT_TRUE(MoveFileA((g_sTemp + "\\drop\\incoming.eml.part").c_str(), (g_sTemp + "\\drop\\incoming.eml").c_str()));
    PumpUntil([&] { return sink.m_iNewMail > 0; }, 10000);
    EXPECT_EQ(sink.m_iNewMail, 1);
    EXPECT_EQ(sink.m_iCreated, 1);
    EXPECT_EQ(sink.m_sClass, "IPM.Note");
    for (DWORD tid : sink.m_vThreads)
        EXPECT_EQ(tid, GetCurrentThreadId());
    EXPECT_EQ(GetFileAttributesA((g_sTemp + "\\drop\\incoming.eml").c_str()), INVALID_FILE_ATTRIBUTES) << "the file was taken";
    ASSERT_EQ(g_pStore->Unadvise(conn), S_OK);
    wrapped->Release();
    // The mail is in the Inbox, unread, with its subject and sender.
    CRelease<IMAPIFolder> inbox;
    inbox.m_p = Inbox();
    CRelease<IMAPITable> t;
    ASSERT_EQ(inbox->GetContentsTable(0, &t), S_OK);
    LPSRowSet rows = nullptr;
    auto all = AllRows(t, {PR_SUBJECT_A, PR_SENDER_EMAIL_ADDRESS_A, PR_MESSAGE_FLAGS, PR_TRANSPORT_MESSAGE_HEADERS_A}, rows);
    bool bFound = false;
    for (auto& r : all)
        bFound = bFound || (Text(r[0]) == "Delivery report" && Text(r[1]) == "gateway@brevolt.example" && !(r[2].Value.l & MSGFLAG_READ) &&
                            Text(r[3]).find("Subject: Delivery report\r\n") != std::string::npos);
    EXPECT_TRUE(bFound);
    g_mapi.m_pfnFreeProws(rows);
}

TEST_F(CMapiContract, session_marshalled_to_another_apartment)
{
    IStream* stream = nullptr;
    ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(IID_IMAPISession, g_pSession, &stream), S_OK);
    HRESULT hrThread = E_FAIL;
    ULONG stores = 0;
    std::thread worker([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        IMAPISession* session = nullptr;
        hrThread = CoGetInterfaceAndReleaseStream(stream, IID_IMAPISession, reinterpret_cast<void**>(&session));
        if (SUCCEEDED(hrThread))
        {
            IMAPITable* t = nullptr;
            hrThread = session->GetMsgStoresTable(0, &t);
            if (SUCCEEDED(hrThread))
            {
                t->GetRowCount(0, &stores);
                t->Release();
            }
            session->Release();
        }
        CoUninitialize();
    });
    // The main thread keeps pumping, as an STA host does.
    PumpUntil([&] { return false; }, 200);
    worker.join();
    EXPECT_EQ(hrThread, S_OK);
    EXPECT_EQ(stores, 2u);
}

TEST_F(CMapiContract, reminders_search_folder_and_search_criteria)
{
    CRelease<IMAPIFolder> inbox;
    inbox.m_p = Inbox();
    CRelease<IMAPIFolder> reminders;
    reminders.m_p = OpenFolder(PR_REM_ONLINE_ENTRYID, inbox.m_p);
    ASSERT_NE(reminders.m_p, nullptr);
    LPSRestriction res = nullptr;
    LPENTRYLIST folders = nullptr;
    ULONG state = 0;
    ASSERT_EQ(reminders->GetSearchCriteria(0, &res, &folders, &state), S_OK);
    EXPECT_EQ(res->rt, ULONG(RES_PROPERTY));
    EXPECT_EQ(folders->cValues, 1u);
    EXPECT_TRUE(state & SEARCH_RECURSIVE);
    // An appointment with its reminder set (the named property the criteria name) shows up.
    CRelease<IMAPIFolder> calendar;
    calendar.m_p = OpenFolder(PR_IPM_APPOINTMENT_ENTRYID, inbox.m_p);
    CRelease<IMessage> appt;
    ASSERT_EQ(calendar->CreateMessage(nullptr, 0, &appt), S_OK);
    SetText(appt, PR_SUBJECT_A, "Dentist");
    SPropValue set{};
    set.ulPropTag = res->res.resProperty.ulPropTag;
    set.Value.b = TRUE;
    ASSERT_EQ(appt->SetProps(1, &set, nullptr), S_OK);
    ASSERT_EQ(appt->SaveChanges(0), S_OK);
    g_mapi.m_pfnFree(res);
    g_mapi.m_pfnFree(folders);
    CRelease<IMAPITable> t;
    ASSERT_EQ(reminders->GetContentsTable(0, &t), S_OK);
    LPSRowSet rows = nullptr;
    auto all = AllRows(t, {PR_SUBJECT_A}, rows);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(Text(all[0][0]), "Dentist");
    g_mapi.m_pfnFreeProws(rows);
    // An ordinary folder is no search folder.
    EXPECT_EQ(inbox->GetSearchCriteria(0, &res, nullptr, &state), MAPI_E_NO_SUPPORT);
}

TEST_F(CMapiContract, body_and_compressed_rtf_streams)
{
    CRelease<IMAPIFolder> inbox;
    inbox.m_p = Inbox();
    CRelease<IMessage> msg;
    ASSERT_EQ(inbox->CreateMessage(nullptr, 0, &msg), S_OK);
    {
        CRelease<IStream> body;
        ASSERT_EQ(msg->OpenProperty(PR_BODY_A, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY, reinterpret_cast<LPUNKNOWN*>(&body)), S_OK);
        ASSERT_EQ(body->Write("Plain text", 10, nullptr), S_OK);
        ASSERT_EQ(body->Commit(0), S_OK);
    }
    LPSPropValue v = nullptr;
    ASSERT_EQ(g_mapi.m_pfnGetOneProp(msg, PR_BODY_A, &v), S_OK);
    EXPECT_STREQ(v->Value.lpszA, "Plain text");
    g_mapi.m_pfnFree(v);
    const char rtf[] = "{\\rtf1\\ansi Hello}";
    {
        CRelease<IStream> compressed, raw;
        ASSERT_EQ(msg->OpenProperty(PR_RTF_COMPRESSED, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY, reinterpret_cast<LPUNKNOWN*>(&compressed)), S_OK);
        ASSERT_EQ(g_mapi.m_pfnWrapRtf(compressed, MAPI_MODIFY, &raw), S_OK);
        ASSERT_EQ(raw->Write(rtf, sizeof rtf - 1, nullptr), S_OK);
        ASSERT_EQ(raw->Commit(0), S_OK);
    }
    CRelease<IStream> compressed, raw;
    ASSERT_EQ(msg->OpenProperty(PR_RTF_COMPRESSED, &IID_IStream, 0, 0, reinterpret_cast<LPUNKNOWN*>(&compressed)), S_OK);
    ASSERT_EQ(g_mapi.m_pfnWrapRtf(compressed, 0, &raw), S_OK);
    char buf[64] = {};
    ULONG read = 0;
    ASSERT_EQ(raw->Read(buf, sizeof buf - 1, &read), S_OK);
    EXPECT_EQ(std::string(buf, read), rtf);
    // Without MAPI_CREATE a missing property cannot be opened.
    CRelease<IStream> none;
    EXPECT_EQ(msg->OpenProperty(PROP_TAG(PT_BINARY, 0x1013), &IID_IStream, 0, 0, reinterpret_cast<LPUNKNOWN*>(&none)), MAPI_E_NOT_FOUND);
}

TEST_F(CMapiContract, stream_on_file_creates_writes_and_reads)
{
    std::string path = g_sTemp + "\\stream.bin";
    DeleteFileA(path.c_str());
    CRelease<IStream> none;
    EXPECT_EQ(g_mapi.m_pfnOpenStream(MAPIAllocateBuffer_Test, MAPIFreeBuffer_Test, STGM_READ, reinterpret_cast<LPTSTR>(path.data()), nullptr, &none),
              MAPI_E_NOT_FOUND);
    {
        CRelease<IStream> out;
        ASSERT_EQ(g_mapi.m_pfnOpenStream(MAPIAllocateBuffer_Test, MAPIFreeBuffer_Test, STGM_CREATE | STGM_READWRITE,
                                         reinterpret_cast<LPTSTR>(path.data()), nullptr, &out),
                  S_OK);
        ASSERT_EQ(out->Write("attachment bytes", 16, nullptr), S_OK);
        ASSERT_EQ(out->Commit(0), S_OK);
    }
    CRelease<IStream> in;
    ASSERT_EQ(g_mapi.m_pfnOpenStream(MAPIAllocateBuffer_Test, MAPIFreeBuffer_Test, STGM_READ, reinterpret_cast<LPTSTR>(path.data()), nullptr, &in), S_OK);
    STATSTG st{};
    ASSERT_EQ(in->Stat(&st, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(st.cbSize.QuadPart, 16u);
    char buf[32] = {};
    ULONG read = 0;
    ASSERT_EQ(in->Read(buf, sizeof buf, &read), S_OK);
    EXPECT_EQ(std::string(buf, read), "attachment bytes");
    EXPECT_NE(in->Write("x", 1, nullptr), S_OK) << "a read-only stream refuses writes";
}

namespace
{
// Builds and submits a message from the Outbox; returns its entry id.
std::vector<BYTE> SubmitWithAttachment(const char* p_szSubject, const char* p_szTo)
{
    CRelease<IMAPIFolder> outbox;
    outbox.m_p = OpenFolder(PR_IPM_OUTBOX_ENTRYID);
    CRelease<IMessage> msg;
    EXPECT_EQ(outbox->CreateMessage(nullptr, 0, &msg), S_OK);
    SetText(msg, PR_SUBJECT_A, p_szSubject);
    SetText(msg, PR_BODY_A, "Body of the mail\r\n.with a leading dot line");
    LPSPropValue sent = nullptr;
    EXPECT_EQ(g_mapi.m_pfnGetOneProp(g_pStore, PR_IPM_SENTMAIL_ENTRYID, &sent), S_OK);
    sent->ulPropTag = PR_SENTMAIL_ENTRYID;
    EXPECT_EQ(msg->SetProps(1, sent, nullptr), S_OK);
    g_mapi.m_pfnFree(sent);
    LPADRLIST list = nullptr;
    g_mapi.m_pfnAlloc(CbNewADRLIST(1), reinterpret_cast<void**>(&list));
    list->cEntries = 1;
    LPSPropValue props = nullptr;
    g_mapi.m_pfnAlloc(4 * sizeof(SPropValue), reinterpret_cast<void**>(&props));
    props[0].ulPropTag = PR_DISPLAY_NAME_A;
    props[0].Value.lpszA = const_cast<char*>("SMS Gateway");
    props[1].ulPropTag = PR_ADDRTYPE_A;
    props[1].Value.lpszA = const_cast<char*>("SMTP");
    props[2].ulPropTag = PR_EMAIL_ADDRESS_A;
    props[2].Value.lpszA = const_cast<char*>(p_szTo);
    props[3].ulPropTag = PR_RECIPIENT_TYPE;
    props[3].Value.l = MAPI_TO;
    list->aEntries[0] = {0, 4, props};
    EXPECT_EQ(msg->ModifyRecipients(MODRECIP_ADD, list), S_OK);
    g_mapi.m_pfnFree(props);
    g_mapi.m_pfnFree(list);
    ULONG num = 0;
    CRelease<IAttach> att;
    EXPECT_EQ(msg->CreateAttach(nullptr, 0, &num, &att), S_OK);
    SetText(att, PR_ATTACH_LONG_FILENAME_A, "job.xml");
    CRelease<IStream> data;
    EXPECT_EQ(att->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY, reinterpret_cast<LPUNKNOWN*>(&data)), S_OK);
    const char payload[] = "<MAIL>payload</MAIL>";
    EXPECT_EQ(data->Write(payload, sizeof payload - 1, nullptr), S_OK);
    EXPECT_EQ(data->Commit(0), S_OK);
    EXPECT_EQ(att->SaveChanges(0), S_OK);
    EXPECT_EQ(msg->SubmitMessage(0), S_OK);
    LPSPropValue eid = nullptr;
    EXPECT_EQ(g_mapi.m_pfnGetOneProp(msg, PR_ENTRYID, &eid), S_OK);
    std::vector<BYTE> out(eid->Value.bin.lpb, eid->Value.bin.lpb + eid->Value.bin.cb);
    g_mapi.m_pfnFree(eid);
    return out;
}

void FlushQueues()
{
    CRelease<IMAPITable> status;
    ASSERT_EQ(g_pSession->GetStatusTable(0, &status), S_OK);
    SizedSPropTagArray(2, cols) = {2, {PR_RESOURCE_TYPE, PR_ENTRYID}};
    ASSERT_EQ(status->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0), S_OK);
    SPropValue spooler{};
    spooler.ulPropTag = PR_RESOURCE_TYPE;
    spooler.Value.l = MAPI_SPOOLER;
    SRestriction res{};
    res.rt = RES_PROPERTY;
    res.res.resProperty = {RELOP_EQ, PR_RESOURCE_TYPE, &spooler};
    ASSERT_EQ(status->FindRow(&res, BOOKMARK_BEGINNING, 0), S_OK);
    LPSRowSet rows = nullptr;
    ASSERT_EQ(status->QueryRows(1, 0, &rows), S_OK);
    ASSERT_EQ(rows->cRows, 1u);
    ULONG type = 0;
    CRelease<IMAPIStatus> st;
    ASSERT_EQ(g_pSession->OpenEntry(rows->aRow[0].lpProps[1].Value.bin.cb, reinterpret_cast<LPENTRYID>(rows->aRow[0].lpProps[1].Value.bin.lpb),
                                    nullptr, MAPI_BEST_ACCESS, &type, reinterpret_cast<LPUNKNOWN*>(&st)),
              S_OK);
    g_mapi.m_pfnFreeProws(rows);
    EXPECT_EQ(type, ULONG(MAPI_STATUS));
    ASSERT_EQ(st->FlushQueues(0, 0, nullptr, FLUSH_UPLOAD), S_OK);
}
} // namespace

TEST_F(CMapiContract, abort_submit_only_before_it_left)
{
    std::vector<BYTE> eid = SubmitWithAttachment("Aborted mail", "nobody@example.com");
    ASSERT_EQ(g_pStore->AbortSubmit(static_cast<ULONG>(eid.size()), reinterpret_cast<LPENTRYID>(eid.data()), 0), S_OK);
    EXPECT_EQ(g_pStore->AbortSubmit(static_cast<ULONG>(eid.size()), reinterpret_cast<LPENTRYID>(eid.data()), 0), MAPI_E_NOT_IN_QUEUE);
    // The aborted message is the client's again: it can be opened for writing.
    ULONG type = 0;
    CRelease<IMessage> msg;
    ASSERT_EQ(g_pStore->OpenEntry(static_cast<ULONG>(eid.size()), reinterpret_cast<LPENTRYID>(eid.data()), nullptr, MAPI_MODIFY, &type,
                                  reinterpret_cast<LPUNKNOWN*>(&msg)),
              S_OK);
    LPSPropValue flags = nullptr;
    ASSERT_EQ(g_mapi.m_pfnGetOneProp(msg, PR_MESSAGE_FLAGS, &flags), S_OK);
    EXPECT_FALSE(flags->Value.l & MSGFLAG_SUBMIT);
    g_mapi.m_pfnFree(flags);
}

// Run by mapi_win_send with an SMTP server around it (BREVOLT_SMTP_SERVER).
TEST(mapi_win_send, submitted_mail_with_attachment_reaches_smtp_and_moves_to_sent_items)
{
    if (!getenv("BREVOLT_SMTP_SERVER"))
        GTEST_SKIP() << "needs the SMTP server of mapi_win_send";
    CMapiContract::SetUp(true);
    std::vector<BYTE> eid = SubmitWithAttachment("Brevolt MAPI stand-in mail", "gateway@brevolt.example");
    FlushQueues();
    EXPECT_EQ(g_pStore->AbortSubmit(static_cast<ULONG>(eid.size()), reinterpret_cast<LPENTRYID>(eid.data()), 0), MAPI_E_NOT_IN_QUEUE)
        << "it has left";
    CRelease<IMAPIFolder> sent;
    sent.m_p = OpenFolder(PR_IPM_SENTMAIL_ENTRYID);
    CRelease<IMAPITable> t;
    ASSERT_EQ(sent->GetContentsTable(0, &t), S_OK);
    LPSRowSet rows = nullptr;
    auto all = AllRows(t, {PR_SUBJECT_A}, rows);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(Text(all[0][0]), "Brevolt MAPI stand-in mail");
    g_mapi.m_pfnFreeProws(rows);
    CMapiContract::TearDownTestSuite();
}

// Run by mapi_scenario after "mapistore seed": log on to what the tool seeded, list the contacts,
// and send a mail to the first contact's address.
TEST(mapi_scenario, seeded_store_logs_on_lists_contacts_and_sends)
{
    if (!getenv("BREVOLT_SMTP_SERVER") || !getenv("BREVOLT_MAPI_SCENARIO"))
        GTEST_SKIP() << "needs mapi_scenario's seeded store and SMTP server";
    CMapiContract::SetUp(false);
    CRelease<IMAPIFolder> inbox;
    inbox.m_p = Inbox();
    CRelease<IMAPIFolder> contacts;
    contacts.m_p = OpenFolder(PR_IPM_CONTACT_ENTRYID, inbox.m_p);
    ASSERT_NE(contacts.m_p, nullptr);
    CRelease<IMAPITable> t;
    ASSERT_EQ(contacts->GetContentsTable(0, &t), S_OK);
    LPSRowSet rows = nullptr;
    auto all = AllRows(t, {PR_DISPLAY_NAME_A, PR_MOBILE_TELEPHONE_NUMBER_A}, rows);
    std::vector<std::string> names;
    for (auto& r : all)
        names.push_back(Text(r[0]) + " " + Text(r[1]));
    g_mapi.m_pfnFreeProws(rows);
    EXPECT_EQ(names, (std::vector<std::string>{"Frank Miller +447700900555", "Grace Hall +447700900556"}));
    SubmitWithAttachment("Brevolt MAPI scenario mail", "frank@example.com");
    FlushQueues();
    CMapiContract::TearDownTestSuite();
}
