// Addressbook/ui/message_box.cpp: ShowMessage and ShowWarning.
#include "Addressbook/ui/message_box.h"

#include "Addressbook/res/corvane_strings.h"
#include "common/trace_log.h"

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
    const std::string caption = TableText(p_uCaptionId);
    Log("Message box \"%s\": %s", caption.c_str(), p_sText.c_str());
    return MessageBoxA(p_hOwner, p_sText.c_str(), caption.c_str(), p_uType);
}

int ShowWarning(HWND p_hOwner, unsigned p_uCaptionId, unsigned p_uTextId)
{
    return ShowMessage(p_hOwner, p_uCaptionId, TableText(p_uTextId), MB_OK | MB_ICONWARNING);
}
