// oehook/hooks_win.cpp: the CBT hooks that carry Latchkit into Outlook Express and hand every window
// it creates to the recognition step, and the exports that set and remove them.
#include "common/boundary.h"
#include "common/handle_win.h"
#include "common/trace_log.h"
#include "oehook/latchkit.h"
#include "oehook/latchkit_state_win.h"
#include "oehook/window_roles_win.h"

#include <utility>

namespace
{
void HandleCreate(WPARAM p_wParam, LPARAM p_lParam)
{
    // A thread may carry more than one of the hooks for a while (the global one and a thread hook):
    // each window is recognised once.
    static thread_local HWND s_hLast = nullptr;
    const HWND window = reinterpret_cast<HWND>(p_wParam);
    if (window == s_hLast)
        return;
    s_hLast = window;
    const auto* create = reinterpret_cast<const CBT_CREATEWNDA*>(p_lParam);
    RecogniseWindow(window, create != nullptr ? create->lpcs : nullptr);
}

// Outlook Express 5 and later report the running global hook at once, so the launcher replaces it
// by a hook on the main thread.
void ReportGlobalHook()
{
    CLatchkitProcess& process = Process();
    if (process.m_bHookReported || process.m_iMajor < 5 || g_oShared.m_hMonitor == nullptr)
        return;
    process.m_bHookReported = true;
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(g_oShared.m_hMonitor, WM_MON_STOP_GLOBAL_CBT_HOOK, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) ==
        0)
        Log("GlobalCBTProc: the monitor did not take the hook report: error %lu", GetLastError());
}

LRESULT CALLBACK GlobalCBTProc(int p_iCode, WPARAM p_wParam, LPARAM p_lParam)
{
    TrapExceptions("GlobalCBTProc", 0, [&] {
        if (!Process().m_bMonitored)
            return 0;
        ReportGlobalHook();
        if (p_iCode == HCBT_CREATEWND)
            HandleCreate(p_wParam, p_lParam);
        return 0;
    });
    return CallNextHookEx(nullptr, p_iCode, p_wParam, p_lParam);
}

LRESULT CALLBACK LocalCBTProc(int p_iCode, WPARAM p_wParam, LPARAM p_lParam)
{
    TrapExceptions("LocalCBTProc", 0, [&] {
        if (Process().m_bMonitored && p_iCode == HCBT_CREATEWND)
            HandleCreate(p_wParam, p_lParam);
        return 0;
    });
    return CallNextHookEx(nullptr, p_iCode, p_wParam, p_lParam);
}

LRESULT CALLBACK LocalCBTOE4Proc(int p_iCode, WPARAM p_wParam, LPARAM p_lParam)
{
    TrapExceptions("LocalCBTOE4Proc", 0, [&] {
        if (Process().m_bMonitored && p_iCode == HCBT_CREATEWND)
            HandleCreate(p_wParam, p_lParam);
        return 0;
    });
    return CallNextHookEx(nullptr, p_iCode, p_wParam, p_lParam);
}

// Hook handles live in the shared section, so removal takes them out of it into an owner.
void Unhook(HHOOK& p_hHook)
{
    unique_hhook hook(std::exchange(p_hHook, nullptr));
}

BOOL SetThreadHook(HHOOK& p_hHook, HOOKPROC p_pfnProc, DWORD p_dwThreadId)
{
    Unhook(p_hHook);
    p_hHook = SetWindowsHookExA(WH_CBT, p_pfnProc, Process().m_hInstance, p_dwThreadId);
    if (p_hHook != nullptr)
        return TRUE;
    Log("No local hook to be set: error #%ld\n", static_cast<long>(GetLastError()));
    return FALSE;
}
} // namespace

extern "C"
{
    BOOL LATCHKIT_API SetOEGlobalCBTHook(HWND p_hMonitor, DWORD p_dwProcessId)
    {
        return TrapExceptions("SetOEGlobalCBTHook", FALSE, [&] {
            g_oShared.m_hMonitor = p_hMonitor;
            g_oShared.m_dwProcessId = p_dwProcessId;
            Unhook(g_oShared.m_hGlobalHook);
            g_oShared.m_hGlobalHook = SetWindowsHookExA(WH_CBT, GlobalCBTProc, Process().m_hInstance, 0);
            if (g_oShared.m_hGlobalHook != nullptr)
                return TRUE;
            Log("No global hook to be set: error #%ld\n", static_cast<long>(GetLastError()));
            return FALSE;
        });
    }

    BOOL LATCHKIT_API UnsetOEGlobalCBTHook()
    {
        return TrapExceptions("UnsetOEGlobalCBTHook", FALSE, [] {
            Unhook(g_oShared.m_hGlobalHook);
            return TRUE;
        });
    }

    BOOL LATCHKIT_API SetOELocalCBTHook(DWORD p_dwThreadId)
    {
        return TrapExceptions("SetOELocalCBTHook", FALSE,
                              [&] { return SetThreadHook(g_oShared.m_hLocalHook, LocalCBTProc, p_dwThreadId); });
    }

    BOOL LATCHKIT_API SetOELocalCBTOE4Hook(DWORD p_dwThreadId)
    {
        return TrapExceptions("SetOELocalCBTOE4Hook", FALSE,
                              [&] { return SetThreadHook(g_oShared.m_hOE4Hook, LocalCBTOE4Proc, p_dwThreadId); });
    }

    BOOL LATCHKIT_API UnsetOELocalCBTHook()
    {
        return TrapExceptions("UnsetOELocalCBTHook", FALSE, [] {
            Unhook(g_oShared.m_hLocalHook);
            Unhook(g_oShared.m_hOE4Hook);
            return TRUE;
        });
    }
}
