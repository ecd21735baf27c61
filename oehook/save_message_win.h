// oehook/save_message_win.h: reply and forward via SMS: Outlook Express's Save Message dialog,
// driven to write the selected message as text into the transfer file the launcher reads.
#pragma once

#include <windows.h>

// Whether a reply or forward waits for its Save Message dialog (an unanswered request expires).
bool SaveMessageWanted();
// A watched dialog has initialised: drives it when it is the awaited Save Message dialog; false
// when it is not one.
bool OnSaveDialogInit(HWND p_hDialog);
// A watched dialog is being destroyed: when it was the driven Save Message dialog the launcher is
// asked for the compose window.
void OnSaveDialogDestroy(HWND p_hDialog);
