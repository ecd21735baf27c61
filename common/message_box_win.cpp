// common/message_box_win.cpp: the message-box seam.
#include "common/message_box_win.h"

#include "common/trace_log.h"

#include <atomic>

namespace
{
int SystemMessageBox(HWND p_hOwner, const std::string& p_sText, const std::string& p_sCaption, UINT p_uType)
{
    return MessageBoxA(p_hOwner, p_sText.c_str(), p_sCaption.c_str(), p_uType);
}

std::atomic<MessageBoxFn> g_pfnShow{&SystemMessageBox};
} // namespace

int ShowMessageBox(HWND p_hOwner, const std::string& p_sText, const std::string& p_sCaption, UINT p_uType)
{
    Log("Message box \"%s\": %s", p_sCaption.c_str(), p_sText.c_str());
    return g_pfnShow.load()(p_hOwner, p_sText, p_sCaption, p_uType);
}

MessageBoxFn SetMessageBoxFunction(MessageBoxFn p_pfnShow)
{
    return g_pfnShow.exchange(p_pfnShow != nullptr ? p_pfnShow : &SystemMessageBox);
}
