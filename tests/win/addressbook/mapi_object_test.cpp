// tests/win/addressbook/mapi_object_test.cpp: CMapiObject against the MAPI stand-in, found through
// DLLPathEx as on a machine with Outlook: loading and binding, start-up and log-on, adoption of a
// host session, and the set-up's stops on a missing function and a missing default profile.
#include <windows.h>
#include <mapicode.h>
#include <mapidefs.h>
#include <mapitags.h>
#include <mapix.h>

#include "Addressbook/addressbook/mapi_location.h"
#include "Addressbook/addressbook/mapi_object_win.h"
#include "Addressbook/res/corvane_strings.h"
#include "common/error_slot.h"
#include "common/mapi_owner_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
const char* const kStandinKey = "Software\\Brevolt Test\\MAPI Stand-in";
std::vector<std::string> g_vShown;

void SetString(HKEY p_hRoot, const char* p_szKey, const char* p_szName, const std::string& p_sValue)
{
    HKEY hKey = nullptr;
    ASSERT_EQ(RegCreateKeyExA(p_hRoot, p_szKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey, nullptr), ERROR_SUCCESS);
    const unique_hkey oKey(hKey);
    ASSERT_EQ(RegSetValueExA(hKey, p_szName, 0, REG_SZ, reinterpret_cast<const BYTE*>(p_sValue.c_str()),
                             static_cast<DWORD>(p_sValue.size() + 1)),
              ERROR_SUCCESS);
}

void UseMapiLibrary(const char* p_szPath)
{
    SetString(HKEY_LOCAL_MACHINE, kOutlookClientKey, kDllPathExValue, p_szPath);
}

class MapiObject : public testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        char szTemp[MAX_PATH];
        GetTempPathA(MAX_PATH, szTemp);
        const std::string sDir = std::string(szTemp) + "brevolt-mapi-object-test";
        CreateDirectoryA(sDir.c_str(), nullptr);
        CreateDirectoryA((sDir + "\\drop").c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(MAPI_SEED_FILE, (sDir + "\\store.json").c_str(), FALSE));
        SetString(HKEY_CURRENT_USER, kStandinKey, "StoreFile", sDir + "\\store.json");
        SetString(HKEY_CURRENT_USER, kStandinKey, "DropFolder", sDir + "\\drop");
        SetString(HKEY_CURRENT_USER, kStandinKey, "SmtpServer", "localhost:1");
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        // Errors the set-up reports are recorded instead of shown.
        SetErrorPresenter([](const std::string&, const std::string& p_sText) { g_vShown.push_back(p_sText); });
    }
    static void TearDownTestSuite()
    {
        CoUninitialize();
    }
    void SetUp() override
    {
        UseMapiLibrary(MAPI_DLL_PATH);
    }
};

// The session's reference count, read off an AddRef whose reference an owner gives back.
ULONG References(IMAPISession* p_pSession)
{
    const ULONG ulCount = p_pSession->AddRef();
    com_ptr<IMAPISession> pGiveBack;
    pGiveBack.attach(p_pSession);
    return ulCount - 1;
}

// The stores table answers only on a live session.
void ExpectLiveSession(IMAPISession* p_pSession)
{
    ASSERT_NE(p_pSession, nullptr);
    com_ptr<IMAPITable> pStores;
    ASSERT_EQ(p_pSession->GetMsgStoresTable(0, pStores.put()), S_OK);
    ULONG ulCount = 0;
    EXPECT_EQ(pStores->GetRowCount(0, &ulCount), S_OK);
    EXPECT_GE(ulCount, 1u);
}

TEST_F(MapiObject, LoadsBindsAndLogsOnToTheDefaultProfile)
{
    std::vector<IMAPISession*> vHooked;
    {
        CMapiObject oMapi(false, nullptr, [&](IMAPISession* p_p) { vHooked.push_back(p_p); });
        ASSERT_TRUE(oMapi.IsInitialised()) << oMapi.Error().Text();
        EXPECT_FALSE(oMapi.Error().IsSet());
        EXPECT_EQ(oMapi.LibraryPath(), MAPI_DLL_PATH);
        EXPECT_TRUE(oMapi.OwnsSession());
        // All sixteen are bound, each to the stand-in's export of that name.
        const HMODULE hStandin = GetModuleHandleA("mapi_standin.dll");
        ASSERT_NE(hStandin, nullptr);
        for (const CMapiExport& oExport : kMapiExports)
        {
            FARPROC pfn = nullptr;
            memcpy(&pfn, reinterpret_cast<const char*>(&oMapi.Functions()) + oExport.m_nOffset, sizeof(pfn));
            EXPECT_EQ(pfn, GetProcAddress(hStandin, oExport.m_szName)) << oExport.m_szName;
            EXPECT_NE(pfn, nullptr) << oExport.m_szName;
        }
        // The owners free through the library's own functions.
        EXPECT_EQ(MapiFreeFunctions().m_pfnFreeBuffer, oMapi.Functions().m_pfnMAPIFreeBuffer);
        EXPECT_EQ(MapiFreeFunctions().m_pfnFreeProws, oMapi.Functions().m_pfnFreeProws);
        EXPECT_EQ(MapiFreeFunctions().m_pfnFreePadrlist, oMapi.Functions().m_pfnFreePadrlist);
        ExpectLiveSession(oMapi.Session());
        ASSERT_EQ(vHooked.size(), 1u);
        EXPECT_EQ(vHooked[0], oMapi.Session());
    }
    // The thread slot is emptied before the session goes, and nothing frees through an unloaded library.
    ASSERT_EQ(vHooked.size(), 2u);
    EXPECT_EQ(vHooked[1], nullptr);
    EXPECT_EQ(MapiFreeFunctions().m_pfnFreeBuffer, nullptr);
    EXPECT_EQ(GetModuleHandleA("mapi_standin.dll"), nullptr);
}

TEST_F(MapiObject, AdoptsAHostSessionWithoutLoggingItOff)
{
    CMapiObject oHost(false, nullptr);
    ASSERT_TRUE(oHost.IsInitialised()) << oHost.Error().Text();
    IMAPISession* pSession = oHost.Session();
    const ULONG ulBefore = References(pSession);
    {
        IMAPISession* pHooked = nullptr;
        CMapiObject oAdopted(false, pSession, [&](IMAPISession* p_p) { pHooked = p_p; });
        ASSERT_TRUE(oAdopted.IsInitialised()) << oAdopted.Error().Text();
        EXPECT_FALSE(oAdopted.OwnsSession());
        EXPECT_EQ(oAdopted.Session(), pSession);
        EXPECT_EQ(pHooked, pSession);
    }
    // The adopted object gave back exactly its own reference and left the session working.
    EXPECT_EQ(References(pSession), ulBefore);
    ExpectLiveSession(pSession);
}

TEST_F(MapiObject, StopsAtTheFirstMissingFunction)
{
    UseMapiLibrary(MISSING_FUNCTION_MAPI_PATH);
    bool bHooked = false;
    CMapiObject oMapi(false, nullptr, [&](IMAPISession*) { bHooked = true; });
    EXPECT_FALSE(oMapi.IsInitialised());
    EXPECT_EQ(oMapi.Error().Text(), "Failed to find function MAPIOpenFormMgr");
    EXPECT_EQ(oMapi.Functions().m_pfnMAPIInitialize, nullptr);
    EXPECT_EQ(MapiFreeFunctions().m_pfnFreeBuffer, nullptr);
    EXPECT_FALSE(bHooked);
}

TEST_F(MapiObject, ReportsAFailingInitialisation)
{
    UseMapiLibrary(FAILING_MAPI_PATH);
    g_vShown.clear();
    CMapiObject oMapi(false, nullptr);
    EXPECT_FALSE(oMapi.IsInitialised());
    EXPECT_EQ(oMapi.Error().Id(), kMsgCallError);
    const std::string sText = "Calling function 'MAPIInitialize' resulted in error 0x80004005 in function "
                              "'CMapiObject::CMapiObject'.";
    EXPECT_EQ(oMapi.Error().Text(), sText);
    ASSERT_EQ(g_vShown.size(), 1u);
    EXPECT_EQ(g_vShown[0], sText);
}

TEST_F(MapiObject, StopsWithoutADefaultProfile)
{
    // The forwarding library binds to the stand-in already in the process.
    const unique_hmodule hStandin(LoadLibraryA(MAPI_DLL_PATH));
    ASSERT_TRUE(hStandin);
    UseMapiLibrary(NO_DEFAULT_MAPI_PATH);
    bool bHooked = false;
    {
        CMapiObject oMapi(false, nullptr, [&](IMAPISession*) { bHooked = true; });
        EXPECT_FALSE(oMapi.IsInitialised());
        EXPECT_EQ(oMapi.Session(), nullptr);
        EXPECT_EQ(oMapi.Error().Text(), "No default profile");
    }
    EXPECT_FALSE(bHooked);
}

// Wine's prefix has no MAPI component, so both fall through to the system's mapi32.dll.
TEST_F(MapiObject, FallsBackToMapi32)
{
    UseMapiLibrary("C:\\no\\such\\msmapi32.dll");
    {
        CMapiObject oMapi(false, nullptr);
        EXPECT_EQ(oMapi.LibraryPath(), "mapi32.dll");
    }
    HKEY hKey = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kOutlookClientKey, 0, KEY_SET_VALUE, &hKey), ERROR_SUCCESS);
    const unique_hkey oKey(hKey);
    ASSERT_EQ(RegDeleteValueA(hKey, kDllPathExValue), ERROR_SUCCESS);
    CMapiObject oMapi(false, nullptr);
    EXPECT_EQ(oMapi.LibraryPath(), "mapi32.dll");
}

TEST(DefaultProfileName, TakesTheRowMarkedDefault)
{
    char szWork[] = "Work";
    char szHome[] = "Home";
    SPropValue aWork[2] = {};
    aWork[0].ulPropTag = PR_DISPLAY_NAME_A;
    aWork[0].Value.lpszA = szWork;
    aWork[1].ulPropTag = PR_DEFAULT_PROFILE;
    aWork[1].Value.b = FALSE;
    SPropValue aHome[2] = {};
    aHome[0].ulPropTag = PR_DEFAULT_PROFILE;
    aHome[0].Value.b = TRUE;
    aHome[1].ulPropTag = PR_DISPLAY_NAME_A;
    aHome[1].Value.lpszA = szHome;

    const SRow aRows[2] = {{0, 2, aWork}, {0, 2, aHome}};
    EXPECT_EQ(DefaultProfileName(aRows, 2), "Home");
    // Only the one that is not the default.
    EXPECT_EQ(DefaultProfileName(aRows, 1), "");
    // A default row whose name is missing (an error value) names no profile.
    aHome[1].ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(PR_DISPLAY_NAME_A));
    EXPECT_EQ(DefaultProfileName(aRows, 2), "");
}
} // namespace
