// standins/oe/oe_copy_folder_win.h: a note's "Copy to Folder..." and "Move to Folder...": the folder
// picker (a "#32770" captioned "Copy" or "Move" with a prompt, the tree of folders IDC_PICK_TREE,
// "New Folder...", OK and Cancel) and the filing of the note's message into the chosen folder.
#pragma once

#include "standins/oe/store/eml_message.h"

#include <windows.h>

namespace oestandin
{
enum class EFileNote
{
    Filed,
    Cancelled,
    Failed,
};

// Shows the picker over the note with the browser's selected folder proposed. OK files the message
// as read in the chosen folder and shows it when that folder is the one shown; "Local Folders" holds
// no messages and is refused with a message, and the dialog stays. p_bMove only changes the
// wording: the caller closes the note after a move.
[[nodiscard]] EFileNote FileMessageInFolder(HWND p_hNote, const oestore::CMailMessage& p_oMessage, bool p_bMove);
} // namespace oestandin
