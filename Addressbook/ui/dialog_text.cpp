// Addressbook/ui/dialog_text.cpp: ControlText.
#include "Addressbook/ui/dialog_text.h"

#include <vector>

std::string ControlText(HWND p_hDialog, int p_iControl)
{
    const HWND control = GetDlgItem(p_hDialog, p_iControl);
    if (control == nullptr)
        return std::string();
    const int length = GetWindowTextLengthA(control);
    if (length <= 0)
        return std::string();
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(control, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

std::string TrimmedControlText(HWND p_hDialog, int p_iControl)
{
    const std::string text = ControlText(p_hDialog, p_iControl);
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}
