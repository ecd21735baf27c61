// Addressbook/ui/dialog_text.h: reading and writing the texts of dialog controls.
#pragma once

#include <windows.h>

#include <string>

// The whole text of a control, however long.
std::string ControlText(HWND p_hDialog, int p_iControl);
// The text without leading and trailing blanks.
std::string TrimmedControlText(HWND p_hDialog, int p_iControl);
