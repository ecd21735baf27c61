// compose/quillet_object_win.cpp: CQuillet's methods, Init, InitializeMAPI, SpawnNewMessage and the
// destructor's ordered shutdown.
#include "compose/quillet_object_win.h"

#include "Addressbook/include/package_kinds.h"
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/mapi_owner_win.h"
#include "common/message_box_win.h"
#include "common/settings.h"
#include "common/text_win.h"
#include "common/trace_log.h"
#include "compose/quillet_strings.h"
#include "compose/send_rules.h"
#include "compose/templates/template_window_win.h"
#include "compose/ui/sms_window.h"

#include <algorithm>
#include <vector>

const IID IID_IMAPISession_Quillet = {0x00020300, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

namespace
{
constexpr HRESULT kFailed = static_cast<HRESULT>(0xFFFFFFFF);

// The destructor's steps go to the trace log, so that a shutdown that hangs shows where.
void Announce(const char* p_szStep)
{
    Log("CQuillet::~CQuillet: %s", p_szStep);
}

std::string ToAnsi(BSTR p_bstr)
{
    if (p_bstr == nullptr)
        return {};
    return WideToAnsi(std::wstring_view(p_bstr, SysStringLen(p_bstr)));
}

unique_bstr ToBstr(const char* p_szText)
{
    return unique_bstr(SysAllocString(AnsiToWide(p_szText != nullptr ? p_szText : "").c_str()));
}

HWND AsWindow(LONG p_l)
{
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(p_l));
}

bool FileExists(const std::string& p_sPath)
{
    const DWORD attributes = GetFileAttributesA(p_sPath.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

typedef BOOL(WINAPI* PFN_FGetComponentPath)(LPSTR, LPSTR, LPSTR, DWORD, BOOL);
struct CMapiInit
{
    ULONG m_ulVersion;
    ULONG m_ulFlags;
};
typedef HRESULT(WINAPI* PFN_MAPIInitialize)(void*);
typedef void(WINAPI* PFN_MAPIUninitialize)();

#ifdef _WIN64
constexpr const char* kMapiInitializeName = "MAPIInitialize";
constexpr const char* kMapiUninitializeName = "MAPIUninitialize";
constexpr const char* kMapiFreeBufferName = "MAPIFreeBuffer";
constexpr const char* kFreeProwsName = "FreeProws";
constexpr const char* kFreePadrlistName = "FreePadrlist";
#else
constexpr const char* kMapiInitializeName = "MAPIInitialize@4";
constexpr const char* kMapiUninitializeName = "MAPIUninitialize@0";
constexpr const char* kMapiFreeBufferName = "MAPIFreeBuffer@4";
constexpr const char* kFreeProwsName = "FreeProws@4";
constexpr const char* kFreePadrlistName = "FreePadrlist@4";
#endif

template <typename F> F Export(HMODULE p_hModule, const char* p_szName)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(p_hModule, p_szName)));
}

// The MAPI owners free through whichever of these the library exports.
void RecordMapiFreeFunctions(HMODULE p_hMapi)
{
    CMapiFreeFunctions functions;
    functions.m_pfnFreeBuffer = Export<decltype(functions.m_pfnFreeBuffer)>(p_hMapi, kMapiFreeBufferName);
    functions.m_pfnFreeProws = Export<decltype(functions.m_pfnFreeProws)>(p_hMapi, kFreeProwsName);
    functions.m_pfnFreePadrlist = Export<decltype(functions.m_pfnFreePadrlist)>(p_hMapi, kFreePadrlistName);
    SetMapiFreeFunctions(functions);
}
} // namespace

CQuillet::CQuillet()
{
    ModuleLock();
}

CQuillet::~CQuillet()
{
    TrapExceptionsVoid("CQuillet::~CQuillet", [&] {
        Announce("BEGIN");
        Announce("StopReminderMonitor");
        if (m_p_abcoAddressBook && m_p_abcoAddressBook->Ready())
            m_p_abcoAddressBook->m_pfnStopReminderMonitor();
        Announce("ForceSMSWindowsToClose");
        ForceSMSWindowsToClose();
        Announce("CTemplateWindow::ForceWindowsToClose()");
        Announce("m_p_abcoAddressBook");
        m_p_abcoAddressBook.reset();
        Announce("m_p_mapiSession");
        m_p_mapiSession.reset();
        Announce("m_p_dispApp");
        m_p_dispApp.reset();
        // Every window has ended: their events and thread handles go with the list.
        m_oWindows.Clear();
        Announce("m_hRichDll");
        m_hRichDll.reset();
        Announce("MAPIUninitialize");
        if (g_hMapiInstance != nullptr)
        {
            auto uninitialize = Export<PFN_MAPIUninitialize>(g_hMapiInstance, kMapiUninitializeName);
            if (uninitialize != nullptr)
                uninitialize();
            else
                m_oError.Set(QuilletStrings(), kQMsgFunctionNotFound, "MAPIUninitialise");
        }
        Announce("the MAPI library");
        FreeMapiLibrary();
        m_pTypeInfo.reset();
        Announce("END");
    });
    ModuleUnlock();
}

HRESULT CQuillet::QueryInterface(REFIID p_riid, void** p_ppv)
{
    if (p_ppv == nullptr)
        return E_POINTER;
    if (IsEqualIID(p_riid, IID_IUnknown) || IsEqualIID(p_riid, IID_IDispatch) || IsEqualIID(p_riid, IID_IQuillet))
    {
        *p_ppv = static_cast<IQuillet*>(this);
        AddRef();
        return S_OK;
    }
    *p_ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CQuillet::AddRef()
{
    return m_oRefs.AddRef();
}

ULONG CQuillet::Release()
{
    return m_oRefs.Release(this, "CQuillet::Release");
}

HRESULT CQuillet::GetTypeInfoCount(UINT* p_pctinfo)
{
    if (p_pctinfo == nullptr)
        return E_POINTER;
    *p_pctinfo = 1;
    return S_OK;
}

HRESULT CQuillet::GetTypeInfo(UINT p_iTInfo, LCID, ITypeInfo** p_ppTInfo)
{
    return TrapExceptions("CQuillet::GetTypeInfo", E_UNEXPECTED, [&]() -> HRESULT {
        if (p_ppTInfo == nullptr)
            return E_POINTER;
        *p_ppTInfo = nullptr;
        if (p_iTInfo != 0)
            return DISP_E_BADINDEX;
        if (!m_pTypeInfo)
        {
            // The type library travels inside the executable as TYPELIB 1.
            wchar_t path[MAX_PATH] = {};
            GetModuleFileNameW(nullptr, path, MAX_PATH);
            com_ptr<ITypeLib> typeLib;
            HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, typeLib.put());
            if (FAILED(hr))
                hr = LoadRegTypeLib(LIBID_QUILLETLib, 1, 0, 0x0409, typeLib.put());
            RETURN_IF_FAILED(hr);
            RETURN_IF_FAILED(typeLib->GetTypeInfoOfGuid(IID_IQuillet, m_pTypeInfo.put()));
        }
        *p_ppTInfo = com_ptr<ITypeInfo>(m_pTypeInfo).detach();
        return S_OK;
    });
}

HRESULT CQuillet::GetIDsOfNames(REFIID, LPOLESTR* p_rgszNames, UINT p_cNames, LCID p_lcid, DISPID* p_rgDispId)
{
    com_ptr<ITypeInfo> info;
    RETURN_IF_FAILED(GetTypeInfo(0, p_lcid, info.put()));
    return info->GetIDsOfNames(p_rgszNames, p_cNames, p_rgDispId);
}

HRESULT CQuillet::Invoke(DISPID p_dispIdMember, REFIID, LCID p_lcid, WORD p_wFlags, DISPPARAMS* p_pDispParams,
                         VARIANT* p_pVarResult, EXCEPINFO* p_pExcepInfo, UINT* p_puArgErr)
{
    com_ptr<ITypeInfo> info;
    RETURN_IF_FAILED(GetTypeInfo(0, p_lcid, info.put()));
    return info->Invoke(static_cast<IQuillet*>(this), p_dispIdMember, p_wFlags, p_pDispParams, p_pVarResult,
                        p_pExcepInfo, p_puArgErr);
}

void CQuillet::ShowError(const CErrorSlot& p_oError) const
{
    LOG_FAILURE("%s", p_oError.Text().c_str());
    (void)ShowMessageBox(GetDesktopWindow(), p_oError.Text(), QuilletText(kQMsgConstructionCaption), MB_OK);
}

HRESULT CQuillet::Init(int iPackage, int iPackageVersion, IUnknown* p_IUnkSession, IUnknown* p_IUnkApp, LONG hParentWnd,
                       LONG hMonitorWnd, LONG bSendMessage)
{
    return TrapExceptions("CQuillet::Init", kFailed, [&]() -> HRESULT {
        CLogScope scope("CQuillet::Init");
        Log("iPackage %d, iPackageVersion %d, p_IUnkSession %x, p_IUnkApp %x", iPackage, iPackageVersion,
            static_cast<unsigned>(reinterpret_cast<uintptr_t>(p_IUnkSession)),
            static_cast<unsigned>(reinterpret_cast<uintptr_t>(p_IUnkApp)));
        m_hParentWnd = AsWindow(hParentWnd);
        m_hMonitorWnd = AsWindow(hMonitorWnd);
        m_bSendMessage = bSendMessage != 0;
        m_iPackage = iPackage;
        m_iPackageVersion = iPackageVersion;
        g_iPackage = iPackage;
        g_iPackageVersion = iPackageVersion;
        // A MAPI library that cannot be loaded is shown below; the binding may still work without it.
        if (iPackage == kPackageOutlook)
            (void)InitializeMAPI(iPackageVersion);
        if (m_oError.IsSet())
            ShowError(m_oError);
        if (p_IUnkApp != nullptr && !m_p_dispApp &&
            FAILED(LOG_IF_FAILED(p_IUnkApp->QueryInterface(IID_IDispatch, m_p_dispApp.put_void()))))
        {
            m_p_dispApp.reset();
            m_oError.Set(QuilletStrings(), kQMsgNoDispatch);
            ShowError(m_oError);
            return kFailed;
        }
        if (p_IUnkSession != nullptr && !m_p_mapiSession &&
            FAILED(LOG_IF_FAILED(p_IUnkSession->QueryInterface(IID_IMAPISession_Quillet, m_p_mapiSession.put_void()))))
        {
            m_p_mapiSession.reset();
            m_oError.Set(QuilletStrings(), kQMsgNoSession);
            ShowError(m_oError);
            return kFailed;
        }
        // A second Init keeps the first binding: the core library is started once per object.
        if (!m_p_abcoAddressBook)
        {
            m_p_abcoAddressBook = std::make_unique<CAddressBookControlObject>(iPackage, iPackageVersion, Session(),
                                                                              m_p_dispApp.get(), m_hParentWnd);
            SetBusyCursorModule(m_p_abcoAddressBook->Module());
        }
        if (m_p_abcoAddressBook->Error().IsSet())
        {
            ShowError(m_p_abcoAddressBook->Error());
            m_oError.CopyFrom(m_p_abcoAddressBook->Error());
            return kFailed;
        }
        if (!m_hRichDll)
        {
            m_hRichDll.reset(LoadLibraryA("RichEd20.Dll"));
            if (!m_hRichDll)
            {
                m_oError.Set(QuilletStrings(), kQMsgLoadFailed, "RichEd20.Dll", static_cast<int>(GetLastError()));
                ShowError(m_oError);
                return kFailed;
            }
        }
        return S_OK;
    });
}

bool CQuillet::InitializeMAPI(int p_iPackageVersion)
{
    if (g_hMapiInstance != nullptr)
        return true;
    CRegistry registry;
    // Package version 2 is Outlook 98 (Office 8.0), 3 is Outlook 2000 (9.0).
    const bool bInternetOnly = (p_iPackageVersion == 2 && registry.IsOutlookInternetMailOnly(8)) ||
                               (p_iPackageVersion == 3 && registry.IsOutlookInternetMailOnly(9));
    bool bNT = false;
    if (bInternetOnly)
    {
        OSVERSIONINFOEXA versionEx{};
        versionEx.dwOSVersionInfoSize = sizeof(versionEx);
        OSVERSIONINFOA version{};
        version.dwOSVersionInfoSize = sizeof(version);
        DWORD platform = 0;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        const bool bExtended = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&versionEx)) != FALSE;
        const bool bPlain = !bExtended && GetVersionExA(&version) != FALSE;
#pragma GCC diagnostic pop
        if (bExtended)
            platform = versionEx.dwPlatformId;
        else if (bPlain)
            platform = version.dwPlatformId;
        else
        {
            m_oError.Set(QuilletStrings(), kQMsgApiError, "GetVersionEx", static_cast<long>(GetLastError()),
                         "CQuillet::InitializeMAPI");
            return false;
        }
        bNT = platform == VER_PLATFORM_WIN32_NT;
    }

    std::string path;
    std::vector<uint8_t> data;
    if (registry.ReadRegistry(ERegRoot::LocalMachine, "SOFTWARE\\Clients\\Mail\\Microsoft Outlook", "DLLPathEx", true,
                              data) &&
        !data.empty())
    {
        std::string candidate(reinterpret_cast<const char*>(data.data()), data.size());
        candidate = candidate.c_str();
        if (FileExists(candidate))
            path = candidate;
    }
    if (path.empty())
    {
        unique_hmodule stub(LoadLibraryA("mapistub.dll"));
        if (!stub)
            stub.reset(LoadLibraryA("mapi32.dll"));
        if (stub)
        {
            auto getPath = Export<PFN_FGetComponentPath>(stub.get(), "FGetComponentPath");
            char component[] = "{FF1D0740-D227-11D1-A4B0-006008AF820E}";
            char qualifier1[] = "Microsoft\\Office\\9.0\\Outlook";
            char qualifier2[] = "Microsoft\\Office\\9.0\\Common\\LanguageResources";
            char buffer[MAX_PATH] = {};
            bool bFound = false;
            if (getPath != nullptr)
                bFound = getPath(component, qualifier1, buffer, MAX_PATH, TRUE) ||
                         getPath(component, qualifier2, buffer, MAX_PATH, TRUE) ||
                         getPath(component, nullptr, buffer, MAX_PATH, TRUE);
            stub.reset();
            std::string found = buffer;
            if (bFound && found.size() > 13)
            {
                std::string directory = found.substr(0, found.size() - 13);
                SetCurrentDirectoryA(directory.c_str());
                directory += bInternetOnly ? (bNT ? "\\omint.dll" : "\\omi9.dll") : "\\msmapi32.dll";
                if (FileExists(directory))
                    path = directory;
            }
        }
    }
    if (path.empty())
        path = "mapi32.dll";
    Log("CQuillet::InitializeMAPI: loading %s", path.c_str());
    unique_hmodule library(LoadLibraryA(path.c_str()));
    if (!library)
    {
        m_oError.Set(QuilletStrings(), kQMsgLoadFailed, path.c_str(), static_cast<int>(GetLastError()));
        return false;
    }
    auto initialize = Export<PFN_MAPIInitialize>(library.get(), kMapiInitializeName);
    if (initialize == nullptr)
    {
        m_oError.Set(QuilletStrings(), kQMsgFunctionNotFound, "MAPIInitialize");
        ShowError(m_oError);
        return false;
    }
    RecordMapiFreeFunctions(library.get());
    AdoptMapiLibrary(std::move(library));
    CMapiInit init{0, 1};
    const HRESULT hr = initialize(&init);
    if (FAILED(hr))
    {
        m_oError.Set(QuilletStrings(), kQMsgCallError, "MAPIInitialize", static_cast<unsigned>(hr),
                     "CQuillet::InitializeMAPI");
        ShowError(m_oError);
        return false;
    }
    return true;
}

template <class F> HRESULT CQuillet::Forward(const char* p_szName, bool p_bFailOnFalse, F&& p_fnCall)
{
    return TrapExceptions(p_szName, kFailed, [&]() -> HRESULT {
        if (!m_p_abcoAddressBook)
            return S_OK;
        if (!m_p_abcoAddressBook->Ready())
            return p_bFailOnFalse ? kFailed : S_OK;
        const int result = p_fnCall(*m_p_abcoAddressBook);
        return (p_bFailOnFalse && result == 0) ? kFailed : S_OK;
    });
}

HRESULT CQuillet::CreateNewSMS(LONG hParentWnd, BSTR bstrTo, BSTR bstrMessage)
{
    return TrapExceptions("CQuillet::CreateNewSMS", kFailed, [&]() -> HRESULT {
        const std::string to = ToAnsi(bstrTo);
        const std::string body = ToAnsi(bstrMessage);
        return SpawnNewMessage(AsWindow(hParentWnd), m_bSendMessage, to,
                               bstrMessage != nullptr ? body.c_str() : nullptr)
                   ? S_OK
                   : kFailed;
    });
}

bool CQuillet::SpawnNewMessage(HWND p_hParentWnd, bool p_bSendMessage, const std::string& p_sTo, const char* p_pszBody)
{
    Log("SpawnNewMessage");
    // A window without a working core could neither check nor send.
    if (!m_p_abcoAddressBook || !m_p_abcoAddressBook->Ready())
        return false;
    auto window = std::make_unique<CSMSWindow>(m_iPackage, m_p_abcoAddressBook.get(), p_hParentWnd, m_hMonitorWnd,
                                               &m_oWindows, m_fnClock);
    if (window->Error().IsSet())
    {
        m_oError.CopyFrom(window->Error());
        return false;
    }
    std::string body;
    if (p_pszBody != nullptr)
        body = p_pszBody;
    else
    {
        CRegistry registry;
        uint32_t sendDefaults = 0;
        std::string signature;
        registry.GetSendDefaults(sendDefaults, signature);
        body = compose::InitialBody(sendDefaults, signature);
    }
    IMAPISession* session = Session();
    if (session == nullptr && m_p_abcoAddressBook->Ready())
        session = m_p_abcoAddressBook->m_pfnGetSessionForThread();
    // The window owns itself from here: its thread deletes it when the window is gone.
    if (!CSMSWindow::Start(std::move(window), p_bSendMessage, p_sTo, body, session, m_p_dispApp.get()))
        return false;
    Log("SpawnNewMessage completed.");
    return true;
}

void CQuillet::ForceSMSWindowsToClose()
{
    // A window still being made is waited for until it exists (or its thread gave up), so that it
    // too is told to close before the core library goes away.
    const auto starting = [](const CWindowRecord& p_oRecord) {
        DWORD code = STILL_ACTIVE;
        return p_oRecord.m_hWnd == nullptr && p_oRecord.m_hThread != nullptr &&
               GetExitCodeThread(p_oRecord.m_hThread, &code) && code == STILL_ACTIVE;
    };
    std::vector<CWindowRecord> records = m_oWindows.Snapshot();
    while (std::any_of(records.begin(), records.end(), starting))
    {
        Sleep(10);
        records = m_oWindows.Snapshot();
    }
    for (const CWindowRecord& record : records)
    {
        if (!IsWindow(record.m_hWnd))
            continue;
        if (reinterpret_cast<HWND>(GetWindowLongPtrA(record.m_hWnd, GWLP_USERDATA)) == m_hParentWnd ||
            GetPropA(record.m_hWnd, "TemplateWindow") == reinterpret_cast<HANDLE>(1))
            PostMessageA(record.m_hWnd, WM_SMS_FORCECLOSE, 0, 0);
    }
    // A window is gone when its thread has ended. The thread handles stay the list's and stay
    // signalled, so a second call returns at once.
    for (const CWindowRecord& record : records)
        if (record.m_hThread != nullptr && WaitForSingleObject(record.m_hThread, INFINITE) == WAIT_FAILED)
            LogCallFailure(__PRETTY_FUNCTION__, "WaitForSingleObject(record.m_hThread, INFINITE)",
                           EResultKind::Win32Error, GetLastError());
}

HRESULT CQuillet::StartReminderMonitor()
{
    return Forward("CQuillet::StartReminderMonitor", true,
                   [&](CAddressBookControlObject& b) { return b.m_pfnStartReminderMonitor(m_p_dispApp.get()); });
}

HRESULT CQuillet::StopReminderMonitor()
{
    return Forward("CQuillet::StopReminderMonitor", true,
                   [&](CAddressBookControlObject& b) { return b.m_pfnStopReminderMonitor(); });
}

HRESULT CQuillet::StartMailMonitor(LONG dwPID)
{
    return Forward("CQuillet::StartMailMonitor", false,
                   [&](CAddressBookControlObject& b) { return b.m_pfnStartAdvise(static_cast<DWORD>(dwPID)); });
}

HRESULT CQuillet::CCPhoneSend(LONG hParentWnd)
{
    return Forward("CQuillet::CCPhoneSend", true,
                   [&](CAddressBookControlObject& b) { return b.m_pfnCCPhoneSend(AsWindow(hParentWnd)); });
}

HRESULT CQuillet::CreateReminder(LONG hParentWnd)
{
    return Forward("CQuillet::CreateReminder", true, [&](CAddressBookControlObject& b) {
        CDeliveryTime delivery{};
        int32_t sendResult = 0;
        uint32_t reserved = 0;
        return b.m_pfnCreateReminder(AsWindow(hParentWnd), &delivery, &sendResult, &reserved);
    });
}

HRESULT CQuillet::CCPhoneStore(IUnknown* p_IUnkMesage, LONG NotifyTo, LONG NotifyCC, LONG NotifyBCC)
{
    return Forward("CQuillet::CCPhoneStore", true, [&](CAddressBookControlObject& b) {
        return b.m_pfnCCPhoneStore(p_IUnkMesage, NotifyTo, NotifyCC, NotifyBCC);
    });
}

HRESULT CQuillet::CCPhoneCleanup()
{
    return Forward("CQuillet::CCPhoneCleanup", true,
                   [&](CAddressBookControlObject& b) { return b.m_pfnCCPhoneCleanup(); });
}

HRESULT CQuillet::GetEmailDetails(LONG cbeid, BSTR bstrEid, BSTR* bstrSender, BSTR* bstrMessage)
{
    return TrapExceptions("CQuillet::GetEmailDetails", kFailed, [&]() -> HRESULT {
        if (!m_p_abcoAddressBook)
            return S_OK;
        if (!m_p_abcoAddressBook->Ready() || bstrSender == nullptr || bstrMessage == nullptr || cbeid < 0)
            return kFailed;
        *bstrSender = nullptr;
        *bstrMessage = nullptr;
        // The entry comes as hexadecimal text; a text shorter than its byte count is refused rather
        // than read past its end.
        std::vector<uint8_t> bytes;
        if (!compose::HexToBytes(ToAnsi(bstrEid), static_cast<size_t>(cbeid), bytes))
            return kFailed;
        char* sender = nullptr;
        char* message = nullptr;
        if (m_p_abcoAddressBook->m_pfnGetEmailDetails(static_cast<uint32_t>(cbeid), bytes.data(), &sender, &message) ==
            0)
            return kFailed;
        unique_bstr bstrBody = ToBstr(message);
        unique_bstr bstrFrom = ToBstr(sender);
        m_p_abcoAddressBook->m_pfnFreeString(&sender);
        m_p_abcoAddressBook->m_pfnFreeString(&message);
        if (!bstrBody || !bstrFrom)
            return kFailed;
        *bstrMessage = bstrBody.release();
        *bstrSender = bstrFrom.release();
        return S_OK;
    });
}

HRESULT CQuillet::StartVMIfNecessary(LONG hParentWnd)
{
    return Forward("CQuillet::StartVMIfNecessary", true,
                   [&](CAddressBookControlObject& b) { return b.m_pfnStartVMIfNecessary(AsWindow(hParentWnd)); });
}

HRESULT CQuillet::InstallSMSForms()
{
    return Forward("CQuillet::InstallSMSForms", true,
                   [&](CAddressBookControlObject& b) { return b.m_pfnInstallSMSForms(); });
}

HRESULT CQuillet::UninstallSMSForms()
{
    return Forward("CQuillet::UninstallSMSForms", true,
                   [&](CAddressBookControlObject& b) { return b.m_pfnUninstallSMSForms(); });
}

HRESULT CQuillet::SetBrowserWindow(LONG lWnd)
{
    return Forward("CQuillet::SetBrowserWindow", false,
                   [&](CAddressBookControlObject& b) { return b.m_pfnSetParentWindow(AsWindow(lWnd)); });
}

HRESULT CQuillet::ShowRuleManager(LONG hParentWnd)
{
    return Forward("CQuillet::ShowRuleManager", true,
                   [&](CAddressBookControlObject& b) { return b.m_pfnShowRuleManager(AsWindow(hParentWnd)); });
}

HRESULT CQuillet::ChangeReminderForm(LONG bChangeOldOnes)
{
    return Forward("CQuillet::ChangeReminderForm", false,
                   [&](CAddressBookControlObject& b) { return b.m_pfnChangeReminderForm(bChangeOldOnes); });
}

HRESULT CQuillet::ShowTemplateEditor(LONG hParentWnd)
{
    return TrapExceptions("CQuillet::ShowTemplateEditor", kFailed, [&]() -> HRESULT {
        // One editor at a time: an open one is brought forward instead.
        if (HWND open = CTemplateWindow::FindOpen(m_oWindows))
        {
            ShowWindow(open, IsIconic(open) ? SW_RESTORE : SW_SHOW);
            SetForegroundWindow(open);
            return S_OK;
        }
        auto window = std::make_unique<CTemplateWindow>(AsWindow(hParentWnd), &m_oWindows);
        if (window->Error().IsSet())
        {
            m_oError.CopyFrom(window->Error());
            return S_OK;
        }
        if (!CTemplateWindow::Start(std::move(window), m_bSendMessage))
            LOG_FAILURE("the template editor did not start");
        return S_OK;
    });
}

HRESULT CQuillet::ShowSyncReminders(LONG hParentWnd)
{
    return Forward("CQuillet::ShowSyncReminders", true,
                   [&](CAddressBookControlObject& b) { return b.m_pfnShowReminderPurge(AsWindow(hParentWnd)); });
}

HRESULT CQuillet::StartOEMonitor()
{
    return Forward("CQuillet::StartOEMonitor", true,
                   [&](CAddressBookControlObject& b) { return b.m_pfnStartOEMonitor(); });
}

HRESULT CQuillet::StopOEMonitor()
{
    return Forward("CQuillet::StopOEMonitor", true,
                   [&](CAddressBookControlObject& b) { return b.m_pfnStopOEMonitor(); });
}
