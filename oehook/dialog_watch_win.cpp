// oehook/dialog_watch_win.cpp: one subclass for the dialogs Latchkit's automations wait for; each
// automation recognises its own dialog when it has initialised.
#include "oehook/dialog_watch_win.h"

#include "common/boundary.h"
#include "common/trace_log.h"
#include "oehook/folder_watch_win.h"
#include "oehook/save_message_win.h"
#include "oehook/store_mail_win.h"
#include "oehook/subclass_win.h"
#include "oehook/tools_options_win.h"

namespace
{
void OnInitDialog(HWND p_hWnd)
{
    if (OnOptionsDialogInit(p_hWnd) || OnSaveDialogInit(p_hWnd) || OnColumnsDialogInit(p_hWnd) ||
        OnStoreDialogInit(p_hWnd))
        return;
    RemoveSubclass(p_hWnd);
}

LRESULT CALLBACK DialogWatchProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_nMsg == WM_TIMER && p_wParam == kOptionsCheckTimer)
    {
        TrapExceptions("DialogWatchProc", 0, [&] {
            OnOptionsCheckTimer(p_hWnd);
            return 0;
        });
        return 0;
    }
    if (p_nMsg == WM_TIMER && p_wParam == kPickFolderTimer)
    {
        TrapExceptions("DialogWatchProc", 0, [&] {
            OnPickFolderTimer(p_hWnd);
            return 0;
        });
        return 0;
    }
    if (p_nMsg == WM_DESTROY)
        TrapExceptions("DialogWatchProc", 0, [&] {
            OnSaveDialogDestroy(p_hWnd);
            OnColumnsDialogDestroy(p_hWnd);
            OnStoreDialogDestroy(p_hWnd);
            return 0;
        });
    const LRESULT result = CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
    if (p_nMsg == WM_INITDIALOG)
        TrapExceptions("DialogWatchProc", 0, [&] {
            OnInitDialog(p_hWnd);
            return 0;
        });
    return result;
}
} // namespace

void RecogniseDialog(HWND p_hWnd)
{
    if (!SaveMessageWanted() && !OptionsAutomationWanted() && !ColumnsWatchWanted() && !StoreMailWanted())
        return;
    if (!SubclassWindow(p_hWnd, DialogWatchProc))
        Log("Failed to set window proc - Error: %lu", GetLastError());
}

void StopWatchingDialog(HWND p_hWnd)
{
    if (IsSubclassedWith(p_hWnd, DialogWatchProc))
        (void)RemoveSubclass(p_hWnd);
}
