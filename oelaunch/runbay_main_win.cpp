// oelaunch/runbay_main_win.cpp: Runbay.exe: finds and starts the mail client under Latchkit's hooks,
// one monitor per session, and serves Latchkit's requests until the client ends. No command line is
// read; the exit code is the final WM_QUIT's, 0 on a start failure, 1 when another monitor runs and
// only the client was started.
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/trace_log.h"
#include "compose/address_book_binding_win.h"
#include "oelaunch/about_options_win.h"
#include "oelaunch/monitor_window_win.h"
#include "oelaunch/oe_profile.h"
#include "oelaunch/runbay_start_win.h"

#include <windows.h>

namespace
{
int RunRunbay(HINSTANCE p_hInstance)
{
    using namespace runbay;
    CLogScope scope("WinMain");
    std::string path;
    if (!SetUpOEPath(path))
    {
        LOG_FAILURE("SetUpOEPath failed");
        return 0;
    }
    const int major = OEMajorOfFile(path);
    if (major == 0)
    {
        LOG_FAILURE("GetFileVersion( %s ) failed", path.c_str());
        return 0;
    }
    const COEProfile& profile = ProfileFor(major);
    unique_handle startupEvent;
    switch (CheckStartupAtomicity(startupEvent))
    {
    case EAtomicity::Failed:
        LOG_FAILURE("CheckStartupAtomicity failed");
        return 0;
    case EAtomicity::AnotherRuns:
        StartOEByShell(path);
        return 1;
    case EAtomicity::First:
        break;
    }
    unique_handle atomicityEvent;
    switch (CheckAtomicity(atomicityEvent, profile.m_szHiddenClass))
    {
    case EAtomicity::Failed:
        LOG_FAILURE("CheckAtomicity failed");
        return 0;
    case EAtomicity::AnotherRuns:
        StartOEByShell(path);
        return 1;
    case EAtomicity::First:
        break;
    }
    HandOverMailOnStart(major, LatchkitHooks());

    Log("Create an addressbook");
    // A core library that cannot be bound has logged why; Runbay still starts the client with its
    // hooks, and the requests that need the library do nothing.
    CAddressBookControlObject core(1, major, nullptr, nullptr, nullptr);
    CMonitorSetup setup;
    setup.m_p_oProfile = &profile;
    setup.m_sOEPath = path;
    setup.m_p_oHooks = &LatchkitHooks();
    setup.m_p_oCore = &core;
    setup.m_p_hStartupEvent = &startupEvent;
    setup.m_pfnShowAbout = [](HWND p_hOwner) { ShowRunbayAbout(GetModuleHandleA(nullptr), p_hOwner); };
    setup.m_pfnShowOptions = [](HWND p_hOwner) { (void)ShowRunbayOptions(GetModuleHandleA(nullptr), p_hOwner); };
    CMonitorWindow monitor(setup);
    if (!monitor.Create(p_hInstance))
        return 0;
    Log("Start the main loop");
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
    {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Log("Exitting");
    return static_cast<int>(msg.wParam);
}
} // namespace

int WINAPI WinMain(HINSTANCE p_hInstance, HINSTANCE, LPSTR, int)
{
    return TrapExceptions("WinMain", 0, [&] { return RunRunbay(p_hInstance); });
}
