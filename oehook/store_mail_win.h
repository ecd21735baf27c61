// oehook/store_mail_win.h: store-mail mode: the readable copy of a sent job, handed over as a transfer
// file, opened by the shell in a note that Latchkit keeps off-screen and files into "Sent SMSs"
// through the note's own Copy to Folder and its folder picker (making the folder through the
// picker's New Folder when it is missing). The launcher learns that the request ended either way.
#pragma once

#include <windows.h>

// The browser's archive request: "Sent SMSs" selected in the folder tree when it exists (the
// picker proposes the browser's folder). False when there is no such folder yet.
bool SelectSentSMSsFolder();
// Opens "<temp><stamp in hex>.eml" with the shell in store-mail mode. False, with nothing left to
// wait for, when it cannot be opened.
bool EnterStoreMail(DWORD p_dwStamp);
// A note is being created: in store-mail mode the first one is the note of the copy and gets the
// filing procedure; false for any other note.
bool TakeStoringNote(HWND p_hWnd);
// True while a copy is being filed, so that the client's "#32770" dialogs are watched.
bool StoreMailWanted();
// A watched dialog has initialised: true when it is the folder picker or the Create Folder dialog
// of the filing.
bool OnStoreDialogInit(HWND p_hDialog);
// The picker's timer: looks again for the folder the Create Folder dialog made.
constexpr UINT_PTR kPickFolderTimer = 1237;
void OnPickFolderTimer(HWND p_hDialog);
void OnStoreDialogDestroy(HWND p_hDialog);
