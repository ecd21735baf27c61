// Addressbook/ui/message_box.h: the library's own message boxes: a caption and a text from the
// string table, logged before they are shown.
#pragma once

#include <windows.h>

#include <string>

// The text of a string-table id, formatted with its arguments.
std::string TableText(unsigned p_uId, ...);

// Shows p_sText under the caption p_uCaptionId; returns MessageBox's answer.
int ShowMessage(HWND p_hOwner, unsigned p_uCaptionId, const std::string& p_sText, UINT p_uType);
// Caption and text both from the table, with the warning icon.
int ShowWarning(HWND p_hOwner, unsigned p_uCaptionId, unsigned p_uTextId);
