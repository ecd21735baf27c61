// Addressbook/addressbook/mapi_object_win.h: CMapiObject, the core library's Extended MAPI: finds
// and loads the MAPI library, binds its functions, initialises MAPI and logs on to the default
// profile, or adopts the session the host hands in.
#pragma once

#include "common/error_slot.h"
#include "common/handle_win.h"

#include <windows.h>
#include <mapidefs.h>
#include <mapix.h>

#include <cstddef>
#include <functional>
#include <string>

// The functions the core library takes from the MAPI library; every one is required.
struct CMapiFunctions
{
    HRESULT(STDAPICALLTYPE* m_pfnHrThisThreadAdviseSink)(LPMAPIADVISESINK, LPMAPIADVISESINK*) = nullptr;
    void(STDAPICALLTYPE* m_pfnMAPIUninitialize)() = nullptr;
    HRESULT(STDAPICALLTYPE* m_pfnMAPIAdminProfiles)(ULONG, LPPROFADMIN*) = nullptr;
    HRESULT(STDAPICALLTYPE* m_pfnMAPIInitialize)(LPVOID) = nullptr;
    ULONG(STDAPICALLTYPE* m_pfnMAPIFreeBuffer)(LPVOID) = nullptr;
    SCODE(STDAPICALLTYPE* m_pfnMAPIAllocateBuffer)(ULONG, LPVOID*) = nullptr;
    SCODE(STDAPICALLTYPE* m_pfnMAPIAllocateMore)(ULONG, LPVOID, LPVOID*) = nullptr;
    HRESULT(STDAPICALLTYPE* m_pfnMAPILogonEx)(ULONG_PTR, LPTSTR, LPTSTR, ULONG, LPMAPISESSION*) = nullptr;
    HRESULT(STDAPICALLTYPE* m_pfnMAPIOpenFormMgr)(LPMAPISESSION, LPVOID*) = nullptr;
    HRESULT(STDAPICALLTYPE* m_pfnOpenStreamOnFile)
    (LPALLOCATEBUFFER, LPFREEBUFFER, ULONG, LPTSTR, LPTSTR, LPSTREAM*) = nullptr;
    HRESULT(STDAPICALLTYPE* m_pfnWrapCompressedRTFStream)(LPSTREAM, ULONG, LPSTREAM*) = nullptr;
    HRESULT(STDAPICALLTYPE* m_pfnHrGetOneProp)(LPMAPIPROP, ULONG, LPSPropValue*) = nullptr;
    void(STDAPICALLTYPE* m_pfnFreeProws)(LPSRowSet) = nullptr;
    void(STDAPICALLTYPE* m_pfnFreePadrlist)(LPADRLIST) = nullptr;
    ULONG(STDAPICALLTYPE* m_pfnUlRelease)(LPVOID) = nullptr;
    HRESULT(STDAPICALLTYPE* m_pfnRTFSync)(LPMESSAGE, ULONG, BOOL*) = nullptr;
};

// The export name of each function, in binding order: stdcall-decorated on win32, plain on win64.
struct CMapiExport
{
    const char* m_szName;
    size_t m_nOffset; // of the function's member in CMapiFunctions
};
extern const CMapiExport kMapiExports[16];

// Binds every function of p_hLib into p_oFunctions. On the first missing export: false, with
// p_sMissing its name and the functions bound so far cleared again.
[[nodiscard]] bool BindMapiFunctions(HMODULE p_hLib, CMapiFunctions& p_oFunctions, std::string& p_sMissing);

// The name of the default profile in a profile table's rows (PR_DISPLAY_NAME_A, PR_DEFAULT_PROFILE
// in any order); empty when no row is the default.
std::string DefaultProfileName(const SRow* p_aRows, ULONG p_nRows);

class CMapiObject
{
  public:
    // Called with the session once it is logged on or adopted, and with nullptr before it goes,
    // so the caller's thread slot never holds a released session.
    using SessionHook = std::function<void(IMAPISession*)>;

    // Loads the library that LocateMapiLibrary chooses and sets MAPI up. p_pSession, when given,
    // is adopted (AddRef'd, never logged off here); otherwise the default profile is logged on.
    CMapiObject(bool p_bInternetMailOnly, IMAPISession* p_pSession, SessionHook p_fnSessionHook = {});
    ~CMapiObject();
    CMapiObject(const CMapiObject&) = delete;
    CMapiObject& operator=(const CMapiObject&) = delete;

    // MAPI is initialised and a session is at hand.
    bool IsInitialised() const
    {
        return m_bInitialised && m_pSession;
    }
    bool OwnsSession() const
    {
        return m_bOwnsSession;
    }
    IMAPISession* Session() const
    {
        return m_pSession.get();
    }
    const CMapiFunctions& Functions() const
    {
        return m_oFunctions;
    }
    // The library file the set-up chose.
    const std::string& LibraryPath() const
    {
        return m_sLibraryPath;
    }
    // Why the set-up stopped; empty when it did not.
    const CErrorSlot& Error() const
    {
        return m_oError;
    }

  private:
    [[nodiscard]] bool Load(bool p_bInternetMailOnly);
    [[nodiscard]] bool Initialise();
    // CheckMAPIProfileExists: the default profile's name, empty when there is none.
    [[nodiscard]] std::string CheckMAPIProfileExists();
    [[nodiscard]] bool LogOn();
    void Fail(const std::string& p_sText);

    unique_hmodule m_hLib;
    CMapiFunctions m_oFunctions;
    std::string m_sLibraryPath;
    bool m_bInitialised = false;
    bool m_bOwnsSession = false;
    com_ptr<IMAPISession> m_pSession;
    SessionHook m_fnSessionHook;
    CErrorSlot m_oError;
};
