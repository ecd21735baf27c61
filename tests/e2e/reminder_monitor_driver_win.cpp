// tests/e2e/reminder_monitor_driver_win.cpp: brevolt-remind, Corvane's reminders run the way the
// Outlook extension runs them (package 0, the library's own session), with the library's clock set:
//   brevolt-remind [--now YYYY-MM-DDTHH:MM:SS] monitor SECONDS STOPFILE
//     runs the reminder monitor until STOPFILE exists or SECONDS have passed, then stops it (a
//     STOPFILE that exists at the start gives exactly one cycle); the library's message boxes are
//     answered with OK and their texts printed;
//   brevolt-remind [--now ...] sync DAYS PICTURE
//     opens "Reminder Sync", and as a user chooses "For the next" DAYS days and OK; the dialog's
//     picture goes to PICTURE (a bitmap) and the end date it showed to standard output.
// The library comes from the Install value "Addressbook"; what it sent is read by the scenario from
// the SMTP server.
#include "Addressbook/include/corvane_win.h"
#include "Addressbook/reminders/ui/reminder_dialog_ids.h"
#include "common/handle_win.h"
#include "tests/e2e/reminder_clock_win.h"
#include "tools/window_picture/window_picture_win.h"

#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace
{
template <typename T> bool Bind(HMODULE p_hModule, const char* p_szName, T& p_pfn)
{
    p_pfn = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(p_hModule, p_szName)));
    if (p_pfn == nullptr)
        std::fprintf(stderr, "brevolt-remind: Corvane.dll has no export %s\n", p_szName);
    return p_pfn != nullptr;
}

struct CCorvane
{
    PFN_Init m_pfnInit = nullptr;
    PFN_Uninit m_pfnUninit = nullptr;
    PFN_ThreadInit m_pfnThreadInit = nullptr;
    PFN_ThreadUninit m_pfnThreadUninit = nullptr;
    PFN_StartReminderMonitor m_pfnStart = nullptr;
    PFN_StopReminderMonitor m_pfnStop = nullptr;
    PFN_ShowReminderPurge m_pfnShowPurge = nullptr;

    bool BindAll(HMODULE p_hModule)
    {
        return Bind(p_hModule, szInit, m_pfnInit) && Bind(p_hModule, szUninit, m_pfnUninit) &&
               Bind(p_hModule, szThreadInit, m_pfnThreadInit) && Bind(p_hModule, szThreadUninit, m_pfnThreadUninit) &&
               Bind(p_hModule, szStartReminderMonitor, m_pfnStart) &&
               Bind(p_hModule, szStopReminderMonitor, m_pfnStop) &&
               Bind(p_hModule, szShowReminderPurge, m_pfnShowPurge);
    }
};

void PumpFor(DWORD p_dwMilliseconds)
{
    const DWORD dwEnd = GetTickCount() + p_dwMilliseconds;
    while (static_cast<LONG>(dwEnd - GetTickCount()) > 0)
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

// Answers the library's message boxes ("Brevolt SMS..." captions) as a user would, printing each
// text, until it is stopped: a box on the monitor's thread would otherwise hold its cycle for good.
class CBoxAnswerer
{
  public:
    CBoxAnswerer() : m_oThread([this] { Run(); })
    {
    }
    ~CBoxAnswerer()
    {
        m_bStop = true;
        m_oThread.join();
    }
    CBoxAnswerer(const CBoxAnswerer&) = delete;
    CBoxAnswerer& operator=(const CBoxAnswerer&) = delete;

  private:
    static BOOL CALLBACK Answer(HWND p_hWindow, LPARAM)
    {
        char caption[64] = {};
        char kind[16] = {};
        DWORD dwProcess = 0;
        GetWindowThreadProcessId(p_hWindow, &dwProcess);
        if (dwProcess != GetCurrentProcessId() || !IsWindowVisible(p_hWindow) ||
            !GetClassNameA(p_hWindow, kind, sizeof(kind)) || std::string(kind) != "#32770" ||
            !GetWindowTextA(p_hWindow, caption, sizeof(caption)) || std::string(caption).rfind("Brevolt SMS", 0) != 0)
            return TRUE;
        char text[512] = {};
        GetDlgItemTextA(p_hWindow, 0xFFFF, text, sizeof(text) - 1);
        std::printf("message box \"%s\": %s\n", caption, text);
        std::fflush(stdout);
        PostMessageA(p_hWindow, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return TRUE;
    }
    void Run()
    {
        while (!m_bStop)
        {
            EnumWindows(&Answer, 0);
            Sleep(100);
        }
    }

    std::atomic<bool> m_bStop{false};
    std::thread m_oThread;
};

int RunMonitor(const CCorvane& p_oCorvane, DWORD p_dwSeconds, const char* p_szStopFile)
{
    const CBoxAnswerer oAnswerer;
    const int started = p_oCorvane.m_pfnStart(nullptr);
    std::printf("monitor started: %d\n", started);
    std::fflush(stdout);
    // The host's thread keeps its messages flowing while the monitor runs, as Outlook's does.
    const DWORD dwEnd = GetTickCount() + p_dwSeconds * 1000;
    while (static_cast<LONG>(dwEnd - GetTickCount()) > 0 && GetFileAttributesA(p_szStopFile) == INVALID_FILE_ATTRIBUTES)
        PumpFor(100);
    const int stopped = p_oCorvane.m_pfnStop();
    std::printf("monitor stopped: %d\n", stopped);
    return started == 1 && stopped == 1 ? 0 : 1;
}

// The dialog of this process with that title, once it is shown; null after p_dwMilliseconds.
HWND WaitForDialog(const char* p_szTitle, DWORD p_dwMilliseconds)
{
    const DWORD dwEnd = GetTickCount() + p_dwMilliseconds;
    while (static_cast<LONG>(dwEnd - GetTickCount()) > 0)
    {
        const HWND hDialog = FindWindowA(reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(0x8002)), p_szTitle);
        DWORD dwProcess = 0;
        if (hDialog && GetWindowThreadProcessId(hDialog, &dwProcess) && dwProcess == GetCurrentProcessId() &&
            IsWindowVisible(hDialog))
            return hDialog;
        Sleep(50);
    }
    return nullptr;
}

std::string ItemText(HWND p_hDialog, int p_iControl)
{
    char buffer[256] = {};
    GetDlgItemTextA(p_hDialog, p_iControl, buffer, sizeof(buffer) - 1);
    return buffer;
}

void Choose(HWND p_hDialog, int p_iCombo, int p_iIndex)
{
    const HWND hCombo = GetDlgItem(p_hDialog, p_iCombo);
    SendMessageA(hCombo, CB_SETCURSEL, static_cast<WPARAM>(p_iIndex), 0);
    SendMessageA(p_hDialog, WM_COMMAND, MAKEWPARAM(p_iCombo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(hCombo));
}

// As a user: "For the next", DAYS and "days", a look at the end date, OK.
bool DriveSyncDialog(int p_iDays, const std::string& p_sPicture, std::string& p_sEnd)
{
    const HWND hDialog = WaitForDialog("Reminder Sync", 20000);
    if (!hDialog)
    {
        std::fprintf(stderr, "brevolt-remind: \"Reminder Sync\" did not open\n");
        return false;
    }
    SendMessageA(GetDlgItem(hDialog, IDC_SYNC_NEXT), BM_CLICK, 0, 0);
    Choose(hDialog, IDC_SYNC_COUNT, p_iDays - 1);
    Choose(hDialog, IDC_SYNC_PERIOD, 0);
    p_sEnd = ItemText(hDialog, IDC_SYNC_END);
    RedrawWindow(hDialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);
    if (!SaveWindowBitmap(hDialog, p_sPicture.c_str()))
        std::fprintf(stderr, "brevolt-remind: no picture of the dialog at %s\n", p_sPicture.c_str());
    PostMessageA(hDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return true;
}

int RunSync(const CCorvane& p_oCorvane, int p_iDays, const std::string& p_sPicture)
{
    std::atomic<bool> bDriven{false};
    std::string sEnd;
    std::thread oUser([&] { bDriven = DriveSyncDialog(p_iDays, p_sPicture, sEnd); });
    const int shown = p_oCorvane.m_pfnShowPurge(nullptr);
    oUser.join();
    std::printf("sync end: %s\n", sEnd.c_str());
    std::printf("sync ended: %d\n", shown);
    return shown == 1 && bDriven ? 0 : 1;
}

struct CArguments
{
    SYSTEMTIME m_stNow{};
    bool m_bNow = false;
    std::string m_sMode;
    std::string m_sFirst;
    std::string m_sSecond;
};

bool ParseArguments(int argc, char** argv, CArguments& p_oArgs)
{
    int i = 1;
    if (argc > 2 && std::string(argv[1]) == "--now")
    {
        if (!ParseLocalTime(argv[2], p_oArgs.m_stNow))
            return false;
        p_oArgs.m_bNow = true;
        i = 3;
    }
    if (argc - i != 3)
        return false;
    p_oArgs.m_sMode = argv[i];
    p_oArgs.m_sFirst = argv[i + 1];
    p_oArgs.m_sSecond = argv[i + 2];
    return p_oArgs.m_sMode == "monitor" || p_oArgs.m_sMode == "sync";
}

int Run(const CArguments& p_oArgs)
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
    CCorvane corvane;
    if (!module || !corvane.BindAll(module.get()))
        return 1;
    // Before Init: every time the library takes from here on is the scenario's.
    if (p_oArgs.m_bNow && !SetModuleClock(module.get(), p_oArgs.m_stNow))
        return 1;
    if (corvane.m_pfnInit(0, 0, nullptr, nullptr, nullptr, kCallerFull) != 1)
    {
        std::fprintf(stderr, "brevolt-remind: Corvane's Init failed\n");
        corvane.m_pfnUninit();
        return 1;
    }
    corvane.m_pfnThreadInit(nullptr, nullptr);
    const int rc = p_oArgs.m_sMode == "monitor"
                       ? RunMonitor(corvane, static_cast<DWORD>(std::strtoul(p_oArgs.m_sFirst.c_str(), nullptr, 10)),
                                    p_oArgs.m_sSecond.c_str())
                       : RunSync(corvane, std::atoi(p_oArgs.m_sFirst.c_str()), p_oArgs.m_sSecond);
    corvane.m_pfnThreadUninit();
    corvane.m_pfnUninit();
    return rc;
}
} // namespace

int main(int argc, char** argv)
{
    CArguments args;
    if (!ParseArguments(argc, argv, args))
    {
        std::fprintf(stderr, "usage: brevolt-remind [--now YYYY-MM-DDTHH:MM:SS] monitor SECONDS STOPFILE\n"
                             "       brevolt-remind [--now YYYY-MM-DDTHH:MM:SS] sync DAYS PICTURE\n");
        return 64;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    const int rc = Run(args);
    CoUninitialize();
    return rc;
}
