// Addressbook/addressbook/mapi_object_win.cpp: loading, binding and starting Extended MAPI.
#include "Addressbook/addressbook/mapi_object_win.h"

#include "Addressbook/addressbook/mapi_location.h"
#include "Addressbook/res/corvane_strings.h"
#include "common/failure_log.h"
#include "common/mapi_owner_win.h"
#include "common/trace_log.h"

#include <mapitags.h>

#include <cstring>

#ifdef _WIN64
#define MAPI_NAME(name, bytes) #name
#else
#define MAPI_NAME(name, bytes) #name "@" #bytes
#endif
#define MAPI_EXPORT(name, bytes)                                                                                       \
    CMapiExport                                                                                                        \
    {                                                                                                                  \
        MAPI_NAME(name, bytes), offsetof(CMapiFunctions, m_pfn##name)                                                  \
    }

const CMapiExport kMapiExports[16] = {
    MAPI_EXPORT(HrThisThreadAdviseSink, 8),
    MAPI_EXPORT(MAPIUninitialize, 0),
    MAPI_EXPORT(MAPIAdminProfiles, 8),
    MAPI_EXPORT(MAPIInitialize, 4),
    MAPI_EXPORT(MAPIFreeBuffer, 4),
    MAPI_EXPORT(MAPIAllocateBuffer, 8),
    MAPI_EXPORT(MAPIAllocateMore, 12),
    MAPI_EXPORT(MAPILogonEx, 20),
    MAPI_EXPORT(MAPIOpenFormMgr, 8),
    MAPI_EXPORT(OpenStreamOnFile, 24),
    MAPI_EXPORT(WrapCompressedRTFStream, 12),
    MAPI_EXPORT(HrGetOneProp, 12),
    MAPI_EXPORT(FreeProws, 4),
    MAPI_EXPORT(FreePadrlist, 4),
    MAPI_EXPORT(UlRelease, 4),
    MAPI_EXPORT(RTFSync, 12),
};
#undef MAPI_EXPORT
#undef MAPI_NAME

bool BindMapiFunctions(HMODULE p_hLib, CMapiFunctions& p_oFunctions, std::string& p_sMissing)
{
    for (const CMapiExport& oExport : kMapiExports)
    {
        const FARPROC pfn = GetProcAddress(p_hLib, oExport.m_szName);
        if (!pfn)
        {
            p_sMissing = oExport.m_szName;
            p_oFunctions = CMapiFunctions();
            return false;
        }
        // Every member is a function pointer of FARPROC's size; the offset table names the member.
        std::memcpy(reinterpret_cast<char*>(&p_oFunctions) + oExport.m_nOffset, &pfn, sizeof(pfn));
    }
    return true;
}

std::string DefaultProfileName(const SRow* p_aRows, ULONG p_nRows)
{
    for (ULONG iRow = 0; iRow < p_nRows; ++iRow)
    {
        const SRow& oRow = p_aRows[iRow];
        const char* szName = nullptr;
        bool bDefault = false;
        for (ULONG iProp = 0; iProp < oRow.cValues; ++iProp)
        {
            const SPropValue& oProp = oRow.lpProps[iProp];
            if (oProp.ulPropTag == PR_DISPLAY_NAME_A)
                szName = oProp.Value.lpszA;
            else if (oProp.ulPropTag == PR_DEFAULT_PROFILE)
                bDefault = oProp.Value.b != 0;
        }
        if (bDefault && szName && *szName)
            return szName;
    }
    return {};
}

namespace
{
bool FileExists(const std::string& p_sPath)
{
    const DWORD dwAttributes = GetFileAttributesA(p_sPath.c_str());
    return dwAttributes != INVALID_FILE_ATTRIBUTES && !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsNtPlatform()
{
    OSVERSIONINFOA oVersion{};
    oVersion.dwOSVersionInfoSize = sizeof(oVersion);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!LOG_IF_WIN32_BOOL_FALSE(GetVersionExA(&oVersion)))
        return true;
#pragma GCC diagnostic pop
    return oVersion.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// The MAPI stub (or, without one, mapi32.dll) held for the component lookup and freed with it.
class CComponentPathProbe
{
  public:
    CComponentPathProbe()
    {
        m_hStub.reset(LoadLibraryA("mapistub.dll"));
        if (!m_hStub)
            m_hStub.reset(LoadLibraryA("mapi32.dll"));
        if (m_hStub)
            m_pfnGetComponentPath = reinterpret_cast<decltype(m_pfnGetComponentPath)>(
                reinterpret_cast<void*>(GetProcAddress(m_hStub.get(), "FGetComponentPath")));
    }
    bool IsAvailable() const
    {
        return m_pfnGetComponentPath != nullptr;
    }
    bool operator()(const char* p_szQualifier, std::string& p_sPath) const
    {
        char szPath[MAX_PATH] = {};
        if (!m_pfnGetComponentPath(const_cast<char*>(kMapiComponentId), const_cast<char*>(p_szQualifier), szPath,
                                   MAX_PATH, TRUE))
            return false;
        p_sPath = szPath;
        return true;
    }

  private:
    unique_hmodule m_hStub;
    BOOL(STDAPICALLTYPE* m_pfnGetComponentPath)(LPSTR, LPSTR, LPSTR, DWORD, BOOL) = nullptr;
};
} // namespace

CMapiObject::CMapiObject(bool p_bInternetMailOnly, IMAPISession* p_pSession, SessionHook p_fnSessionHook)
    : m_fnSessionHook(std::move(p_fnSessionHook))
{
    if (!Load(p_bInternetMailOnly) || !Initialise())
        return;
    if (p_pSession)
        m_pSession = com_ptr<IMAPISession>::copy_from(p_pSession);
    else if (!LogOn())
        return;
    if (m_fnSessionHook)
        m_fnSessionHook(m_pSession.get());
}

CMapiObject::~CMapiObject()
{
    if (m_pSession && m_fnSessionHook)
        m_fnSessionHook(nullptr);
    if (m_pSession && m_bOwnsSession)
    {
        const HRESULT hr = m_pSession->Logoff(0, 0, 0);
        if (FAILED(hr))
            LOG_FAILURE("Logoff Failed 0x%X", static_cast<unsigned>(hr));
    }
    m_pSession.reset();
    if (m_bInitialised)
        m_oFunctions.m_pfnMAPIUninitialize();
    // Nothing MAPI allocated may be freed once the library is gone.
    SetMapiFreeFunctions({});
    m_hLib.reset();
}

bool CMapiObject::Load(bool p_bInternetMailOnly)
{
    if (p_bInternetMailOnly)
        Log("Internet Mail Only mode");
    CMapiLocation oLocation;
    {
        const CComponentPathProbe oComponent;
        CMapiLocationProbes oProbes;
        oProbes.m_fnFileExists = FileExists;
        if (oComponent.IsAvailable())
            oProbes.m_fnComponentPath = std::cref(oComponent);
        oLocation = LocateMapiLibrary(SystemRegistry(), oProbes, p_bInternetMailOnly, IsNtPlatform());
    }
    if (!oLocation.m_sCurrentDirectory.empty())
        (void)LOG_IF_WIN32_BOOL_FALSE(SetCurrentDirectoryA(oLocation.m_sCurrentDirectory.c_str()));
    m_sLibraryPath = oLocation.m_sLibrary;
    Log("Loading MAPI from %s", m_sLibraryPath.c_str());

    m_hLib.reset(LOG_IF_WIN32_BOOL_FALSE(LoadLibraryA(m_sLibraryPath.c_str())));
    if (!m_hLib)
    {
        Fail("Failed to load " + m_sLibraryPath);
        return false;
    }
    std::string sMissing;
    if (!BindMapiFunctions(m_hLib.get(), m_oFunctions, sMissing))
    {
        Fail("Failed to find function " + sMissing);
        m_hLib.reset();
        return false;
    }
    CMapiFreeFunctions oFree;
    oFree.m_pfnFreeBuffer = m_oFunctions.m_pfnMAPIFreeBuffer;
    oFree.m_pfnFreeProws = m_oFunctions.m_pfnFreeProws;
    oFree.m_pfnFreePadrlist = m_oFunctions.m_pfnFreePadrlist;
    SetMapiFreeFunctions(oFree);
    return true;
}

bool CMapiObject::Initialise()
{
    const HRESULT hr = LOG_IF_FAILED(m_oFunctions.m_pfnMAPIInitialize(nullptr));
    if (FAILED(hr))
    {
        m_oError.Set(CorvaneStrings(), kMsgCallError, "MAPIInitialize", static_cast<unsigned>(hr),
                     "CMapiObject::CMapiObject");
        ReportError(m_oError);
        return false;
    }
    m_bInitialised = true;
    return true;
}

std::string CMapiObject::CheckMAPIProfileExists()
{
    com_ptr<IProfAdmin> pAdmin;
    if (FAILED(LOG_IF_MAPI_FAILED(m_oFunctions.m_pfnMAPIAdminProfiles(0, pAdmin.put()))))
        return {};
    com_ptr<IMAPITable> pTable;
    if (FAILED(LOG_IF_MAPI_FAILED(pAdmin->GetProfileTable(0, pTable.put()))))
        return {};
    SizedSPropTagArray(2, oColumns) = {2, {PR_DISPLAY_NAME_A, PR_DEFAULT_PROFILE}};
    if (FAILED(LOG_IF_MAPI_FAILED(pTable->SetColumns(reinterpret_cast<LPSPropTagArray>(&oColumns), 0))))
        return {};
    std::string sProfile;
    for (;;)
    {
        unique_mapi_rows pRows;
        if (FAILED(LOG_IF_MAPI_FAILED(pTable->QueryRows(50, 0, pRows.put()))) || !pRows || pRows.get()->cRows == 0)
            break;
        sProfile = DefaultProfileName(pRows.get()->aRow, pRows.get()->cRows);
        if (!sProfile.empty())
            break;
    }
    return sProfile;
}

bool CMapiObject::LogOn()
{
    std::string sProfile = CheckMAPIProfileExists();
    if (sProfile.empty())
    {
        Fail("No default profile");
        return false;
    }
    const HRESULT hr = LOG_IF_MAPI_FAILED(m_oFunctions.m_pfnMAPILogonEx(0, reinterpret_cast<LPTSTR>(sProfile.data()),
                                                                        nullptr, MAPI_EXTENDED, m_pSession.put()));
    if (FAILED(hr) || !m_pSession)
    {
        m_pSession.reset();
        m_oError.Set(CorvaneStrings(), kMsgCallError, "MAPILogonEx", static_cast<unsigned>(hr),
                     "CMapiObject::CMapiObject");
        return false;
    }
    m_bOwnsSession = true;
    return true;
}

void CMapiObject::Fail(const std::string& p_sText)
{
    LOG_FAILURE("%s", p_sText.c_str());
    m_oError.SetText(0, p_sText);
}
