// standins/oe/oe_note_win.h: the note window "ATH_Note" in which mail is written and read: its
// header ("OE_Envelope" from version 5 on, "ATH_NoteHdr" in 4) with To, Cc, Bcc and Subject, the
// body, and the commands Send and Save As.
#pragma once

#include "standins/oe/oe_profile.h"
#include "standins/oe/store/eml_message.h"
#include "standins/oe/store/reply_message.h"

#include <windows.h>

namespace oestandin
{
// What a note answers to the profile's Send command while it is not ready.
constexpr UINT kNoteNotReady = WM_USER + 10;

[[nodiscard]] bool RegisterNoteClasses(HINSTANCE p_hInstance, const COeProfile& p_oProfile);

// A new note, empty when p_pMessage is null, else showing that message in its fields. With
// p_bKeepOriginal the note's Save As writes the message as it came (sender and date kept).
HWND OpenNote(const oestore::CMailMessage* p_pMessage, bool p_bKeepOriginal = true);

// A received message opened from the list: an "ATH_Note" holding an "Outlook Express Message
// View" with the message's header lines and text (read only), and the commands Reply (IDM_REPLY),
// Reply to All, Forward and the profile's Save As, which the view also takes.
HWND OpenReadNote(const oestore::CMailMessage& p_oMessage);
// A new note with the reply or forward of p_oOriginal (Tools/Options "Include message in reply").
HWND OpenReply(const oestore::CMailMessage& p_oOriginal, oestore::EReplyKind p_eKind);

// The next p_nCount Send commands, in any note, are answered kNoteNotReady and do nothing: a
// switch for tests of senders that must wait for a note.
void SetNotesNotReady(unsigned p_nCount);

// The message as the note's fields hold it.
oestore::CMailMessage NoteMessage(HWND p_hNote);
} // namespace oestandin
