// Addressbook/ui/dialog_text.cpp: TrimmedControlText over the house's control-text reader.
#include "Addressbook/ui/dialog_text.h"

#include "common/text_win.h"

std::string TrimmedControlText(HWND p_hDialog, int p_iControl)
{
    const std::string text = DialogItemText(p_hDialog, p_iControl);
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}
