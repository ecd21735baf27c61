// compose/server_main_win.cpp: Quillet.exe: registration from the command line, or the local server's
// class object and the message loop that serves it until no object is left.
#include "common/boundary.h"
#include "common/crash_report.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/trace_log.h"
#include "compose/quillet_object_win.h"
#include "compose/quillet_process_win.h"
#include "compose/registration_win.h"

#include <windows.h>

#include <commctrl.h>

#include <cctype>
#include <string>
#include <vector>

namespace
{
class CQuilletFactory : public IClassFactory
{
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID p_riid, void** p_ppv) override
    {
        if (p_ppv == nullptr)
            return E_POINTER;
        if (IsEqualIID(p_riid, IID_IUnknown) || IsEqualIID(p_riid, IID_IClassFactory))
        {
            *p_ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *p_ppv = nullptr;
        return E_NOINTERFACE;
    }
    // The factory lives as long as the process; COM's references do not keep the server alive.
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* p_pOuter, REFIID p_riid, void** p_ppv) override
    {
        return TrapExceptions("CQuilletFactory::CreateInstance", E_UNEXPECTED, [&]() -> HRESULT {
            if (p_ppv == nullptr)
                return E_POINTER;
            *p_ppv = nullptr;
            if (p_pOuter != nullptr)
                return CLASS_E_NOAGGREGATION;
            // The new object starts with one reference, which the pointer hands back when it goes.
            com_ptr<CQuillet> object;
            object.attach(new CQuillet());
            return object->QueryInterface(p_riid, p_ppv);
        });
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL p_bLock) override
    {
        if (p_bLock)
            ModuleLock();
        else
            ModuleUnlock();
        return S_OK;
    }
};

// How long the server stays up, its class object still registered, once its last object has
// gone: the system may already have handed that class object to a client whose request is on its
// way. The request is then served, and its object keeps the server up. On a busy machine a client's
// next request can take over a second to arrive after its release.
constexpr DWORD kLingerMs = 2000;
// How long the server still dispatches after it has revoked its class object, so a request that
// raced the revoke fails at once instead of waiting on a thread that no longer answers.
constexpr DWORD kAfterRevokeMs = 250;

// Dispatches what is queued; false once WM_QUIT arrives.
bool DispatchQueued()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
    {
        if (message.message == WM_QUIT)
            return false;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return true;
}

// Dispatches messages for p_dwMs; false once WM_QUIT arrives.
bool DispatchFor(DWORD p_dwMs)
{
    const DWORD start = GetTickCount();
    for (DWORD elapsed = 0; elapsed < p_dwMs; elapsed = GetTickCount() - start)
    {
        MsgWaitForMultipleObjectsEx(0, nullptr, p_dwMs - elapsed, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (!DispatchQueued())
            return false;
    }
    return true;
}

// Serves until no object is left and none was asked for during the linger that follows.
void ServeUntilIdle()
{
    HANDLE idle = ModuleIdleEvent();
    for (;;)
    {
        const DWORD woken = MsgWaitForMultipleObjectsEx(1, &idle, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0 + 1)
        {
            if (!DispatchQueued())
                return;
            continue;
        }
        if (woken != WAIT_OBJECT_0)
        {
            LogCallFailure(__PRETTY_FUNCTION__, "MsgWaitForMultipleObjectsEx(1, &idle, ...)", EResultKind::Win32Error,
                           GetLastError());
            return;
        }
        if (ModuleLockCount() != 0)
            continue;
        if (!DispatchFor(kLingerMs) || ModuleLockCount() == 0)
            return;
    }
}

std::vector<std::string> SwitchWords(const char* p_szCommandLine)
{
    std::vector<std::string> words;
    const std::string line = p_szCommandLine != nullptr ? p_szCommandLine : "";
    for (size_t i = 0; i < line.size(); ++i)
    {
        if (line[i] != '-' && line[i] != '/')
            continue;
        size_t end = i + 1;
        while (end < line.size() && std::isalnum(static_cast<unsigned char>(line[end])))
            ++end;
        std::string word = line.substr(i + 1, end - i - 1);
        for (char& c : word)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        words.push_back(word);
        i = end - 1;
    }
    return words;
}

std::string ModulePath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

int RunServer()
{
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES |
                                                        ICC_COOL_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    static CQuilletFactory s_oFactory;
    DWORD cookie = 0;
    if (FAILED(LOG_IF_FAILED(
            CoRegisterClassObject(CLSID_Quillet, &s_oFactory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie))))
    {
        CoUninitialize();
        return 1;
    }
    Log("Quillet: serving");
    ServeUntilIdle();
    Log("Quillet: no object is left, ending");
    CoRevokeClassObject(cookie);
    (void)DispatchFor(kAfterRevokeMs);
    CoUninitialize();
    return 0;
}
} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR p_szCommandLine, int)
{
    (void)InstallCrashHandler(DefaultLogDirectory());
    return TrapExceptions("Quillet WinMain", 1, [&]() -> int {
        for (const std::string& word : SwitchWords(p_szCommandLine))
        {
            if (word == "unregserver")
            {
                (void)CoInitialize(nullptr);
                const bool ok = UnregisterServer(ModulePath());
                CoUninitialize();
                return ok ? 0 : 1;
            }
            if (word == "regserver")
            {
                (void)CoInitialize(nullptr);
                const bool ok = RegisterServer(ModulePath());
                CoUninitialize();
                return ok ? 0 : 1;
            }
        }
        return RunServer();
    });
}
