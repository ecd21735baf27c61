// tests/win/mapi/mapi_test_support.cpp: the contract suite's shared set-up and helpers; the
// one file that defines the MAPI interface ids the tests use.
#include <windows.h>
#include <mapicode.h>
#include <mapidefs.h>
#include <objbase.h>
#define INITGUID
#define USES_IID_IMAPISession
#define USES_IID_IMAPIAdviseSink
#define USES_PS_PUBLIC_STRINGS
#include <initguid.h>
#include <mapiguid.h>

#include "tests/win/mapi/mapi_test_support.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace mapitest
{
CMapi g_mapi;

SCODE WINAPI MAPIAllocateBuffer_Test(ULONG p_cb, LPVOID* p_pp)
{
    return reinterpret_cast<LPMAPIALLOCATEBUFFER>(GetProcAddress(g_mapi.m_hLib, "MAPIAllocateBuffer"))(p_cb, p_pp);
}
ULONG WINAPI MAPIFreeBuffer_Test(LPVOID p_p)
{
    return g_mapi.m_pfnFree(p_p);
}
CRelease<IMAPISession> g_pSession;
CRelease<IMsgStore> g_pStore;
CRelease<IAddrBook> g_pAddrBook;
std::string g_sTemp;

void SetString(HKEY p_hRoot, const char* p_szKey, const char* p_szName, const std::string& p_sValue)
{
    unique_hkey h;
    ASSERT_EQ(RegCreateKeyExA(p_hRoot, p_szKey, 0, nullptr, 0, KEY_WRITE, nullptr, h.put(), nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(h.get(), p_szName, 0, REG_SZ, reinterpret_cast<const BYTE*>(p_sValue.c_str()),
                             static_cast<DWORD>(p_sValue.size() + 1)),
              ERROR_SUCCESS);
}

std::string ReadString(HKEY p_hRoot, const char* p_szKey, const char* p_szName)
{
    char buf[MAX_PATH] = {};
    DWORD cb = sizeof buf - 1;
    if (RegGetValueA(p_hRoot, p_szKey, p_szName, RRF_RT_REG_SZ, nullptr, buf, &cb) != ERROR_SUCCESS)
        return {};
    return buf;
}

namespace
{
template <typename T> void Bind(T& p_pfn, const char* p_szName)
{
    p_pfn = reinterpret_cast<T>(GetProcAddress(g_mapi.m_hLib, p_szName));
    ASSERT_NE(p_pfn, nullptr) << p_szName;
}
} // namespace

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

std::string Text(const SPropValue& p_v)
{
    return PROP_TYPE(p_v.ulPropTag) == PT_STRING8 ? p_v.Value.lpszA : std::string();
}

IMAPIFolder* OpenFolder(ULONG p_ulTag, IMAPIProp* p_pFrom)
{
    IMsgStore* store = g_pStore;
    LPSPropValue v = nullptr;
    EXPECT_EQ(g_mapi.m_pfnGetOneProp(p_pFrom ? p_pFrom : store, p_ulTag, &v), S_OK);
    if (!v)
        return nullptr;
    ULONG type = 0;
    IMAPIFolder* f = nullptr;
    EXPECT_EQ(store->OpenEntry(v->Value.bin.cb, reinterpret_cast<LPENTRYID>(v->Value.bin.lpb), nullptr,
                               MAPI_BEST_ACCESS, &type, reinterpret_cast<LPUNKNOWN*>(&f)),
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

void NewOutboxMessage(const char* p_szSubject, CRelease<IMessage>& p_message)
{
    CRelease<IMAPIFolder> outbox;
    outbox.attach(OpenFolder(PR_IPM_OUTBOX_ENTRYID));
    ASSERT_TRUE(outbox);
    ASSERT_EQ(outbox->CreateMessage(nullptr, 0, &p_message), S_OK);
    SetText(p_message, PR_SUBJECT_A, p_szSubject);
    LPSPropValue sent = nullptr;
    ASSERT_EQ(g_mapi.m_pfnGetOneProp(g_pStore, PR_IPM_SENTMAIL_ENTRYID, &sent), S_OK);
    sent->ulPropTag = PR_SENTMAIL_ENTRYID;
    EXPECT_EQ(p_message->SetProps(1, sent, nullptr), S_OK);
    g_mapi.m_pfnFree(sent);
}

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

STDMETHODIMP CTestSink::QueryInterface(REFIID riid, void** ppv)
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

unique_handle StartThisExecutable(const std::string& p_sFilter)
{
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string commandLine = std::string("\"") + exe + "\" --gtest_color=no --gtest_filter=" + p_sFilter;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return unique_handle();
    unique_handle thread(process.hThread);
    return unique_handle(process.hProcess);
}

int ExitCodeOf(HANDLE p_hProcess)
{
    DWORD code = 0;
    if (WaitForSingleObject(p_hProcess, 60000) != WAIT_OBJECT_0 || !GetExitCodeProcess(p_hProcess, &code))
        return -1;
    return static_cast<int>(code);
}

void OpenSpooler(CRelease<IMAPIStatus>& p_status)
{
    CRelease<IMAPITable> table;
    ASSERT_EQ(g_pSession->GetStatusTable(0, &table), S_OK);
    LPSRowSet rows = nullptr;
    auto all = AllRows(table, {PR_RESOURCE_TYPE, PR_ENTRYID, PR_STATUS_CODE}, rows);
    const auto spooler = std::find_if(all.begin(), all.end(), [](const std::vector<SPropValue>& r) {
        return r[0].ulPropTag == PR_RESOURCE_TYPE && r[0].Value.l == MAPI_SPOOLER;
    });
    ASSERT_NE(spooler, all.end());
    ULONG type = 0;
    EXPECT_EQ((*spooler)[2].ulPropTag, PR_STATUS_CODE);
    EXPECT_TRUE((*spooler)[2].Value.l & STATUS_AVAILABLE);
    ASSERT_EQ(g_pSession->OpenEntry((*spooler)[1].Value.bin.cb,
                                    reinterpret_cast<LPENTRYID>((*spooler)[1].Value.bin.lpb), nullptr, MAPI_BEST_ACCESS,
                                    &type, reinterpret_cast<LPUNKNOWN*>(&p_status)),
              S_OK);
    g_mapi.m_pfnFreeProws(rows);
    EXPECT_EQ(type, ULONG(MAPI_STATUS));
}

void FlushOutboundAsync()
{
    CRelease<IMAPIStatus> spooler;
    OpenSpooler(spooler);
    ASSERT_NE(spooler.get(), nullptr);
    ASSERT_EQ(spooler->FlushQueues(0, 0, nullptr, kFlushAsync), S_OK);
}

void LoadStandIn(bool p_bSeed, const char* p_szSeed)
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
        ASSERT_TRUE(CopyFileA(p_szSeed, (g_sTemp + "\\store.json").c_str(), FALSE));
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
}

void LogOnDefaultProfile()
{
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
    ASSERT_EQ(g_mapi.m_pfnLogon(0, const_cast<LPTSTR>(reinterpret_cast<const TCHAR*>("No such profile")), nullptr,
                                MAPI_EXTENDED, &g_pSession),
              MAPI_E_LOGON_FAILED);
    ASSERT_EQ(g_mapi.m_pfnLogon(0, reinterpret_cast<LPTSTR>(profile.data()), nullptr, MAPI_EXTENDED | MAPI_NEW_SESSION,
                                &g_pSession),
              S_OK);
}

void CMapiContract::SetUp(bool p_bSeed)
{
    LoadStandIn(p_bSeed, MAPI_SEED_FILE);
    if (testing::Test::HasFatalFailure())
        return;
    LogOnDefaultProfile();
    if (testing::Test::HasFatalFailure())
        return;

    // The default store: the stores table restricted to PR_DEFAULT_STORE = true.
    LPSRowSet rows = nullptr;
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

void CMapiContract::TearDownTestSuite()
{
    g_pAddrBook.reset();
    g_pStore.reset();
    if (g_pSession)
    {
        g_pSession->Logoff(0, 0, 0);
        g_pSession.reset();
    }
    if (g_mapi.m_pfnUninit)
        g_mapi.m_pfnUninit();
    CoUninitialize();
}
} // namespace mapitest
