// wordhook/penhold_win.cpp: Penhold.dll's entry point and exports. It stays loaded only in the
// processes it serves (Word, Outlook, Launcher and the test driver), so a global hook does not
// leave it in every program of the desktop.
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/trace_log.h"
#include "wordhook/hook_command_line.h"
#include "wordhook/penhold_exports.h"
#include "wordhook/penhold_subclass_win.h"

HMODULE g_hPenholdModule = nullptr;

namespace
{
EProcessKind g_eProcessKind = EProcessKind::Other;
unique_hhook g_hCBTHook;
unique_hhook g_hGlobalWordHook;

// The kind of this process, traced as the product has always traced it.
EProcessKind TracedProcessKind(const char* p_szCommandLine)
{
    const EProcessKind eKind = ProcessKindOf(p_szCommandLine != nullptr ? p_szCommandLine : "");
    switch (eKind)
    {
    case EProcessKind::Word:
        Log("WINWORD Process %lu", GetCurrentProcessId());
        break;
    case EProcessKind::Outlook:
        Log("OUTLOOK Process %lu", GetCurrentProcessId());
        break;
    case EProcessKind::Launcher:
        Log("LAUNCHER OK");
        break;
    case EProcessKind::Tester:
        Log("TESTER OK");
        break;
    case EProcessKind::Other:
        break;
    }
    return eKind;
}

// Asks the compose windows of every process to drop Penhold's subclasses.
BOOL CALLBACK AskToUnsubclass(HWND p_hWnd, LPARAM)
{
    char szClass[32] = {};
    DWORD_PTR dwResult = 0;
    if (GetClassNameA(p_hWnd, szClass, sizeof szClass) > 0)
        SendMessageTimeoutA(p_hWnd, UnsubclassRequestMessage(), 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 2000, &dwResult);
    return TRUE;
}
} // namespace

BOOL WINAPI DllMain(HINSTANCE p_hInstance, DWORD p_dwReason, LPVOID p_pReserved)
{
    if (p_dwReason == DLL_PROCESS_ATTACH)
    {
        g_hPenholdModule = p_hInstance;
        DisableThreadLibraryCalls(p_hInstance);
        g_eProcessKind = TracedProcessKind(GetCommandLineA());
        return g_eProcessKind != EProcessKind::Other;
    }
    // Unloaded while the process goes on (its hook removed): windows must not keep procedures that
    // are about to disappear with the library.
    if (p_dwReason == DLL_PROCESS_DETACH && p_pReserved == nullptr)
        UnsubclassAll();
    return TRUE;
}

extern "C"
{
    BOOL WINAPI SetCBTHook(DWORD p_dwThreadId)
    {
        return TrapExceptions("SetCBTHook", FALSE, [&]() -> BOOL {
            g_hCBTHook.reset();
            g_hCBTHook.reset(
                LOG_IF_WIN32_BOOL_FALSE(SetWindowsHookExA(WH_CBT, &PenholdCBTProc, g_hPenholdModule, p_dwThreadId)));
            return g_hCBTHook ? TRUE : FALSE;
        });
    }

    BOOL WINAPI UnsetCBTHook()
    {
        return TrapExceptions("UnsetCBTHook", FALSE, [&]() -> BOOL {
            g_hCBTHook.reset();
            return TRUE;
        });
    }

    BOOL WINAPI NotifyNewCCMobileDefaults()
    {
        return TrapExceptions("NotifyNewCCMobileDefaults", FALSE, [&]() -> BOOL {
            NotifyComposeWindows();
            return TRUE;
        });
    }

    BOOL WINAPI SetGlobalWordHook()
    {
        return TrapExceptions("SetGlobalWordHook", FALSE, [&]() -> BOOL {
            g_hGlobalWordHook.reset();
            g_hGlobalWordHook.reset(
                LOG_IF_WIN32_BOOL_FALSE(SetWindowsHookExA(WH_CBT, &PenholdCBTProc, g_hPenholdModule, 0)));
            return g_hGlobalWordHook ? TRUE : FALSE;
        });
    }

    BOOL WINAPI UnsetGlobalWordHook()
    {
        return TrapExceptions("UnsetGlobalWordHook", FALSE, [&]() -> BOOL {
            g_hGlobalWordHook.reset();
            return TRUE;
        });
    }

    BOOL WINAPI UnSubclassAllCompositionWindows()
    {
        return TrapExceptions("UnSubclassAllCompositionWindows", FALSE, [&]() -> BOOL {
            UnsubclassAll();
            EnumWindows(&AskToUnsubclass, 0);
            return TRUE;
        });
    }
}
