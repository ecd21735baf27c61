// oehook/send_mail_win.h: the core library's gateway e-mail sent through Outlook Express (send-mail
// mode): its transfer file opened with the shell, and the note the client opens for it sent by
// Latchkit off-screen, its outcome signalled to the waiting core library.
#pragma once

#include <windows.h>

// What a note that cannot send yet reports to itself.
constexpr UINT WM_CHILD_NOT_READY = WM_USER + 10;

// The browser's WM_USER+24: opens "<temp><stamp in hex>.eml" with the shell. False, with the file
// deleted and "OESendFailed" signalled, when it cannot be opened.
bool EnterSendMailMode(DWORD p_dwStamp);
// A note is being created: in a mail mode the first one is the sending note and gets the sending
// procedure; false for any other note.
bool TakeSendingNote(HWND p_hWnd);
