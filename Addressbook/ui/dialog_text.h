// Addressbook/ui/dialog_text.h: the texts the library's dialogs read back from their controls.
#pragma once

#include <windows.h>

#include <string>

// The text of dialog control p_iControl without leading and trailing blanks; empty when there is
// no such control.
[[nodiscard]] std::string TrimmedControlText(HWND p_hDialog, int p_iControl);
