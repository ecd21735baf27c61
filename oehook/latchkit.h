// oehook/latchkit.h: Latchkit.dll's exports, as the launcher links them: the hooks that carry the
// library into Outlook Express, the subclass resets and the mail-road switches.
// Every export returns 1 for success and 0 for failure.
#pragma once

#include <windows.h>

#ifdef LATCHKIT_BUILDING
#define LATCHKIT_EXPORT
#else
#define LATCHKIT_EXPORT __declspec(dllimport)
#endif
#define LATCHKIT_API WINAPI

extern "C"
{
    // Stores the monitor window and the Outlook Express process id in the shared data and installs a
    // system-wide CBT hook; it does its work only inside that process.
    LATCHKIT_EXPORT BOOL LATCHKIT_API SetOEGlobalCBTHook(HWND p_hMonitor, DWORD p_dwProcessId);
    // Removes the system-wide hook; succeeds when none is set.
    LATCHKIT_EXPORT BOOL LATCHKIT_API UnsetOEGlobalCBTHook();
    // A CBT hook on one thread of Outlook Express (its main thread).
    LATCHKIT_EXPORT BOOL LATCHKIT_API SetOELocalCBTHook(DWORD p_dwThreadId);
    // A second thread hook, for the note threads of Outlook Express 4.
    LATCHKIT_EXPORT BOOL LATCHKIT_API SetOELocalCBTOE4Hook(DWORD p_dwThreadId);
    // Removes the thread hook and, when set, the second one.
    LATCHKIT_EXPORT BOOL LATCHKIT_API UnsetOELocalCBTHook();

    // Put back the window procedure saved when that window was subclassed, and forget it.
    LATCHKIT_EXPORT BOOL LATCHKIT_API ResetMainWindow(HWND p_hWnd);
    LATCHKIT_EXPORT BOOL LATCHKIT_API ResetToolbarWindow(HWND p_hWnd);
    LATCHKIT_EXPORT BOOL LATCHKIT_API ResetMenubarWindow(HWND p_hWnd);
    LATCHKIT_EXPORT BOOL LATCHKIT_API ResetRebarWindow(HWND p_hWnd);

    // The launcher switched Outlook Express's send/receive at start-up off; the library turns it
    // back on after its first send through Outlook Express.
    LATCHKIT_EXPORT BOOL LATCHKIT_API ResetInitialSendReceive();
    // Files the transfer file named by the stamp through Outlook Express (archive request).
    LATCHKIT_EXPORT BOOL LATCHKIT_API EnterStoreMailMode(DWORD p_dwStamp);
}
