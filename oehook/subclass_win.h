// oehook/subclass_win.h: replacing an Outlook Express window's procedure and calling the one it
// had. The previous procedure is kept in a property of the window itself, so any thread of the
// process can reach it, and it is put back when the window is destroyed or reset.
#pragma once

#include <windows.h>

// Installs p_pfnProc (A or W, as the window is) in front of the window's own procedure. False when
// the window is already subclassed by Latchkit or the procedure cannot be set ("Failed to set
// window proc - Error: %d").
[[nodiscard]] bool SubclassWindow(HWND p_hWnd, WNDPROC p_pfnProc);
// True when Latchkit's procedure p_pfnProc is the one installed.
bool IsSubclassedWith(HWND p_hWnd, WNDPROC p_pfnProc);
// Puts the previous procedure back and forgets it; false when the window was not subclassed or when
// another procedure was installed in front of Latchkit's since (which then stays in the chain).
bool RemoveSubclass(HWND p_hWnd);
// Puts the previous procedure back whatever was installed since (the window is being destroyed).
bool ForgetSubclass(HWND p_hWnd);
// Calls the previous procedure (DefWindowProc when it is unknown). On WM_NCDESTROY the subclass is
// removed after the call.
LRESULT CallPrevious(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam);
