// oehook/message_view_win.cpp: the read note's "Reply to Mobile" and "Forward to Mobile" buttons;
// they start reply or forward via SMS of the message, as the "B&revolt" menu does.
#include "oehook/message_view_win.h"

#include "common/trace_log.h"
#include "oehook/latchkit_state_win.h"
#include "oehook/sms_commands_win.h"

#include <commctrl.h>

namespace
{
struct CViewButton
{
    uint32_t m_uCommand;
    const char* m_szText;
};

constexpr CViewButton kViewButtons[] = {{kCmdReplyViaSMS, "Reply to Mobile"}, {kCmdForwardViaSMS, "Forward to Mobile"}};
} // namespace

void RecogniseMessageView(HWND p_hWnd, HWND p_hNote)
{
    const HWND toolbar = p_hNote != nullptr ? FindWindowExA(p_hNote, nullptr, TOOLBARCLASSNAMEA, nullptr) : nullptr;
    if (toolbar == nullptr)
    {
        Log("RecogniseMessageView: the view %p has no note toolbar", static_cast<void*>(p_hWnd));
        return;
    }
    if (SendMessageA(toolbar, TB_COMMANDTOINDEX, kCmdReplyViaSMS, 0) >= 0)
        return;
    for (const CViewButton& item : kViewButtons)
    {
        TBBUTTON button{};
        button.iBitmap = I_IMAGENONE;
        button.idCommand = static_cast<int>(item.m_uCommand);
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
        button.iString = reinterpret_cast<INT_PTR>(item.m_szText);
        if (!SendMessageA(toolbar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button)))
            Log("RecogniseMessageView: the button \"%s\" could not be added", item.m_szText);
    }
    SendMessageA(toolbar, TB_AUTOSIZE, 0, 0);
}

bool HandleNoteSMSCommand(HWND, UINT p_nCommand)
{
    if (p_nCommand != kCmdReplyViaSMS && p_nCommand != kCmdForwardViaSMS)
        return false;
    const HWND browser = g_oShared.m_hBrowser;
    if (browser == nullptr || !IsWindow(browser) ||
        !StartReplyOrForward(browser, p_nCommand == kCmdReplyViaSMS ? 2 : 1))
        Log("HandleNoteSMSCommand: no reply or forward via SMS for command %u", p_nCommand);
    return true;
}
