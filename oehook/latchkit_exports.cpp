// oehook/latchkit_exports.cpp: the exports that reset subclassed windows and switch the mail roads
// (the hook exports are in hooks_win.cpp).
#include "common/boundary.h"
#include "common/trace_log.h"
#include "oehook/latchkit.h"
#include "oehook/latchkit_state_win.h"
#include "oehook/store_mail_win.h"
#include "oehook/subclass_win.h"
#include "oehook/window_roles_win.h"

namespace
{
BOOL ResetWindow(const char* p_szName, HWND p_hWnd, WNDPROC p_pfnProc, HWND& p_hShared)
{
    return TrapExceptions(p_szName, FALSE, [&] {
        if (p_hWnd == nullptr || !IsSubclassedWith(p_hWnd, p_pfnProc) || !RemoveSubclass(p_hWnd))
            return FALSE;
        if (p_hShared == p_hWnd)
            p_hShared = nullptr;
        return TRUE;
    });
}
} // namespace

extern "C"
{
    BOOL LATCHKIT_API ResetMainWindow(HWND p_hWnd)
    {
        return ResetWindow("ResetMainWindow", p_hWnd, BrowserProc, g_oShared.m_hBrowser);
    }

    BOOL LATCHKIT_API ResetToolbarWindow(HWND p_hWnd)
    {
        return ResetWindow("ResetToolbarWindow", p_hWnd, ToolbarProc, g_oShared.m_hToolbar);
    }

    BOOL LATCHKIT_API ResetMenubarWindow(HWND p_hWnd)
    {
        return ResetWindow("ResetMenubarWindow", p_hWnd, MenuBarProc, g_oShared.m_hMenuBar);
    }

    BOOL LATCHKIT_API ResetRebarWindow(HWND p_hWnd)
    {
        return ResetWindow("ResetRebarWindow", p_hWnd, RebarProc, g_oShared.m_hRebar);
    }

    BOOL LATCHKIT_API ResetInitialSendReceive()
    {
        Log("ResetInitialSendReceive\n");
        g_oShared.m_bResetInitialSendReceive = 1;
        return TRUE;
    }

    BOOL LATCHKIT_API EnterStoreMailMode(DWORD p_dwStamp)
    {
        return TrapExceptions("EnterStoreMailMode", FALSE, [&] {
            Log("EnterStoreMailMode\n");
            return EnterStoreMail(p_dwStamp) ? TRUE : FALSE;
        });
    }
}
