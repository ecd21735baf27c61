// Addressbook/ui/message_box.cpp: ShowMessage and ShowWarning through the house's message-box seam.
#include "Addressbook/ui/message_box.h"

#include "Addressbook/res/corvane_strings.h"
#include "common/message_box_win.h"

#include <cstdarg>

std::string TableText(unsigned p_uId, ...)
{
    va_list args;
    va_start(args, p_uId);
    std::string text = FormatTableMessageV(CorvaneStrings(), p_uId, args);
    va_end(args);
    return text;
}

int ShowMessage(HWND p_hOwner, unsigned p_uCaptionId, const std::string& p_sText, UINT p_uType)
{
    return ShowMessageBox(p_hOwner, p_sText, TableText(p_uCaptionId), p_uType);
}

int ShowWarning(HWND p_hOwner, unsigned p_uCaptionId, unsigned p_uTextId)
{
    return ShowMessage(p_hOwner, p_uCaptionId, TableText(p_uTextId), MB_OK | MB_ICONWARNING);
}
