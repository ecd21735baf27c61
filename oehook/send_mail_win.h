// oehook/send_mail_win.h: the core library's gateway e-mail sent through Outlook Express (send-mail
// mode): its transfer file opened with the shell, and the note the client opens for it sent by
// Latchkit off-screen, its outcome signalled to the waiting core library.
#pragma once

#include <windows.h>

#include <string>

// The note's Send is posted on this timer; a second one watches a send that never ends.
constexpr UINT_PTR kSendTimer = 1234;
constexpr UINT_PTR kSendWatchTimer = 1235;
// What a note that cannot send yet reports to itself.
constexpr UINT WM_CHILD_NOT_READY = WM_USER + 10;

// The note a mail mode opened its transfer file in: where the client put it is remembered and the
// note moved off-screen; WM_WINDOWPOSCHANGING keeps it there; at its end it goes back where it was
// and the transfer file is deleted (a failure logged under p_szCaller).
void MoveTransferNoteOffScreen(HWND p_hNote);
void KeepTransferNoteOffScreen(WINDOWPOS* p_pPlace);
void RestoreTransferNote(HWND p_hNote, const char* p_szCaller);

// The browser's WM_USER+24: opens "<temp><stamp in hex>.eml" with the shell. False, with the file
// deleted and "OESendFailed" signalled, when it cannot be opened.
bool EnterSendMailMode(DWORD p_dwStamp);
// Opens the transfer file with the shell, as the user opens a message file; false when it cannot be.
[[nodiscard]] bool OpenTransferFile(const std::string& p_sPath);
// A note is being created: in a mail mode the first one is the sending note and gets the sending
// procedure; false for any other note.
bool TakeSendingNote(HWND p_hWnd);
