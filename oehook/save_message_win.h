// oehook/save_message_win.h: reply and forward via SMS: Outlook Express's Save Message dialog,
// driven to write the selected message as text into the transfer file the launcher reads.
#pragma once

#include <windows.h>

// A "#32770" dialog is being created: while a reply or forward is in flight it is watched, and
// driven when it turns out to be the Save Message dialog.
void RecogniseDialog(HWND p_hWnd);
