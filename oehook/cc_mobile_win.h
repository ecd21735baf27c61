// oehook/cc_mobile_win.h: "CC Mobile" in Outlook Express's compose note: the button in the note's
// header, and on Send the e-mail's subject and addresses handed to the launcher.
#pragma once

#include <windows.h>

// The header ("OE_Envelope", version 4 "ATH_NoteHdr") is being created: it gets the button once its
// own fields exist.
void RecogniseNoteHeader(HWND p_hWnd);
// The note ("ATH_Note") is being created: its Send command is watched.
void RecogniseNote(HWND p_hWnd);

// A dialog is being created while a note sends after Latchkit's empty-subject question was
// answered OK: the client's own copy of the question is answered the same way. False when no such
// send runs.
bool RecogniseClientQuestion(HWND p_hWnd);

// The id of the "CC Mobile" button in the header.
constexpr int kCCMobileButtonId = 0x4343;
