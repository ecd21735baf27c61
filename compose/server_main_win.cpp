// compose/server_main_win.cpp: Quillet.exe: registration from the command line, or the local server's
// class object, message loop and shutdown monitor.
#include "common/boundary.h"
#include "common/crash_report.h"
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
DWORD g_dwMainThread = 0;

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
            auto* object = new CQuillet();
            const HRESULT hr = object->QueryInterface(p_riid, p_ppv);
            object->Release();
            return hr;
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

DWORD WINAPI ShutdownMonitor(void*)
{
    HANDLE idle = ModuleIdleEvent();
    for (;;)
    {
        WaitForSingleObject(idle, INFINITE);
        // Several releases may have set it; what counts is the count once they are drained.
        while (WaitForSingleObject(idle, 0) == WAIT_OBJECT_0)
        {
        }
        if (ModuleLockCount() == 0)
        {
            PostThreadMessageA(g_dwMainThread, WM_QUIT, 0, 0);
            return 0;
        }
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
    g_dwMainThread = GetCurrentThreadId();
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES |
                                                        ICC_COOL_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    static CQuilletFactory s_oFactory;
    DWORD cookie = 0;
    HRESULT hr = CoRegisterClassObject(CLSID_Quillet, &s_oFactory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie);
    if (FAILED(hr))
    {
        Log("Quillet: CoRegisterClassObject failed: 0x%x", static_cast<unsigned>(hr));
        CoUninitialize();
        return 1;
    }
    HANDLE monitor = CreateThread(nullptr, 0, &ShutdownMonitor, nullptr, 0, nullptr);
    Log("Quillet: serving");
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
    {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    Log("Quillet: no object is left, ending");
    CoRevokeClassObject(cookie);
    Sleep(1000);
    if (monitor != nullptr)
        CloseHandle(monitor);
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
