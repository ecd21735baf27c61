// tests/e2e/reminder_monitor_driver_win.cpp: brevolt-remind SECONDS STOPFILE: runs Corvane's reminder
// monitor the way the Outlook extension does (package 0, StartReminderMonitor on a thread with the
// library's session) until STOPFILE exists or SECONDS have passed, then stops it. The library comes from the Install
// value "Addressbook"; what the monitor sent is read by the scenario from the SMTP server.
#include "Addressbook/include/corvane_win.h"
#include "common/handle_win.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{
template <typename T> bool Bind(HMODULE p_hModule, const char* p_szName, T& p_pfn)
{
    p_pfn = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(p_hModule, p_szName)));
    if (p_pfn == nullptr)
        std::fprintf(stderr, "brevolt-remind: Corvane.dll has no export %s\n", p_szName);
    return p_pfn != nullptr;
}

int Run(DWORD p_dwSeconds, const char* p_szStopFile)
{
    char buffer[MAX_PATH * 2] = {};
    DWORD size = sizeof(buffer) - 1;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Brevolt\\Install", "Addressbook", RRF_RT_REG_SZ, nullptr, buffer,
                     &size) != ERROR_SUCCESS)
    {
        std::fprintf(stderr, "brevolt-remind: no \"Addressbook\" install path\n");
        return 1;
    }
    const unique_hmodule module(LoadLibraryA(buffer));
    PFN_Init pfnInit = nullptr;
    PFN_Uninit pfnUninit = nullptr;
    PFN_ThreadInit pfnThreadInit = nullptr;
    PFN_ThreadUninit pfnThreadUninit = nullptr;
    PFN_StartReminderMonitor pfnStart = nullptr;
    PFN_StopReminderMonitor pfnStop = nullptr;
    if (!module || !Bind(module.get(), szInit, pfnInit) || !Bind(module.get(), szUninit, pfnUninit) ||
        !Bind(module.get(), szThreadInit, pfnThreadInit) || !Bind(module.get(), szThreadUninit, pfnThreadUninit) ||
        !Bind(module.get(), szStartReminderMonitor, pfnStart) || !Bind(module.get(), szStopReminderMonitor, pfnStop))
        return 1;
    if (pfnInit(0, 0, nullptr, nullptr, nullptr, kCallerFull) != 1)
    {
        std::fprintf(stderr, "brevolt-remind: Corvane's Init failed\n");
        pfnUninit();
        return 1;
    }
    pfnThreadInit(nullptr, nullptr);
    const int started = pfnStart(nullptr);
    std::printf("monitor started: %d\n", started);
    std::fflush(stdout);
    // The host's thread keeps its messages flowing while the monitor runs, as Outlook's does.
    const DWORD dwEnd = GetTickCount() + p_dwSeconds * 1000;
    while (GetTickCount() < dwEnd && GetFileAttributesA(p_szStopFile) == INVALID_FILE_ATTRIBUTES)
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
    const int stopped = pfnStop();
    std::printf("monitor stopped: %d\n", stopped);
    pfnThreadUninit();
    pfnUninit();
    return started == 1 && stopped == 1 ? 0 : 1;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: brevolt-remind SECONDS STOPFILE\n");
        return 64;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    const int rc = Run(static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)), argv[2]);
    CoUninitialize();
    return rc;
}
