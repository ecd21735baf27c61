// common/message_box_win.h: every message box of every deliverable goes through one seam, which
// logs the box and lets tests answer it instead of a user.
#pragma once

#include <windows.h>

#include <string>

using MessageBoxFn = int (*)(HWND p_hOwner, const std::string& p_sText, const std::string& p_sCaption, UINT p_uType);

// Logs 'Message box "<caption>": <text>' and shows the box; returns its answer (IDOK, IDYES, ...).
int ShowMessageBox(HWND p_hOwner, const std::string& p_sText, const std::string& p_sCaption, UINT p_uType);

// Replaces the function that shows the boxes (nullptr restores the system's); returns the
// previous one. For tests.
MessageBoxFn SetMessageBoxFunction(MessageBoxFn p_pfnShow);
