// oehook/dialog_watch_win.h: Outlook Express's "#32770" dialogs, watched while one of Latchkit's
// automations waits for one: recognised by their contents once they have initialised, and left
// alone (subclass removed) when they are none of the awaited ones.
#pragma once

#include <windows.h>

// A "#32770" dialog is being created.
void RecogniseDialog(HWND p_hWnd);
// The dialog watch put on p_hWnd at its creation is removed (the dialog turned out to be one no
// automation waits for); nothing happens when it has none.
void StopWatchingDialog(HWND p_hWnd);
