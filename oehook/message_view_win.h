// oehook/message_view_win.h: "Reply to Mobile" and "Forward to Mobile" in the note that shows a
// received message (the one holding the "Outlook Express Message View").
#pragma once

#include <windows.h>

// The message view is being created: its note's toolbar gets the two buttons, once.
void RecogniseMessageView(HWND p_hWnd, HWND p_hNote);
// A command of a note: true when it was one of the two (reply or forward via SMS started).
bool HandleNoteSMSCommand(HWND p_hNote, UINT p_nCommand);
