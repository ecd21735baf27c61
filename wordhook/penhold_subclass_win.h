// wordhook/penhold_subclass_win.h: what Penhold does inside a hooked process: the CBT handler that
// recognises the compose windows' header fields by control id and style, the "Notify mobile"
// boxes, and the subclasses of the fields and of the compose windows.
#pragma once

#include <windows.h>

// The CBT hook procedure, for SetWindowsHookEx.
LRESULT CALLBACK PenholdCBTProc(int p_iCode, WPARAM p_wParam, LPARAM p_lParam);

// Sends kMsgCCMobileDefaults to every compose window Penhold subclassed in this process.
void NotifyComposeWindows();

// Gives every window Penhold subclassed in this process its previous procedure back.
void UnsubclassAll();

// Asked of the compose windows of other processes (registered message): they unsubclass all.
UINT UnsubclassRequestMessage();
