// oehook/tools_options_win.cpp: the Tools/Options automation on the Options sheet and its Send page.
#include "oehook/tools_options_win.h"

#include "common/text_win.h"
#include "common/trace_log.h"
#include "oehook/latchkit_state_win.h"
#include "oehook/send_options.h"

#include <commctrl.h>
#include <prsht.h>

#include <cctype>

namespace
{
constexpr UINT kCheckPeriodMs = 100;
constexpr DWORD kRequestLifeMs = 15000;
// Re-checks after which an option its accelerator did not change is clicked directly.
constexpr LONG kAcceleratorChecks = 5;
// Re-checks after which the automation gives up and leaves the sheet to the user.
constexpr LONG kMostChecks = 50;

bool Direction()
{
    return g_oShared.m_iOptionsRequest == 2;
}

bool IsOptionsSheet(HWND p_hDialog)
{
    return (GetWindowLongA(p_hDialog, GWL_STYLE) & WS_CHILD) == 0 && ControlText(p_hDialog) == "Options" &&
           FindWindowExA(p_hDialog, nullptr, WC_TABCONTROLA, nullptr) != nullptr;
}

bool IsSendPage(HWND p_hDialog)
{
    if ((GetWindowLongA(p_hDialog, GWL_STYLE) & WS_CHILD) == 0)
        return false;
    for (const CSendOption& option : kSendOptions)
        if (GetDlgItem(p_hDialog, option.m_iControlId) == nullptr)
            return false;
    return true;
}

bool Checked(HWND p_hPage, const CSendOption& p_oOption)
{
    return IsDlgButtonChecked(p_hPage, p_oOption.m_iControlId) == BST_CHECKED;
}

// Logs each option's state against the wanted one; true when all match.
bool AllAsDesired(HWND p_hPage)
{
    bool all = true;
    const bool direction = Direction();
    for (const CSendOption& option : kSendOptions)
    {
        const bool current = Checked(p_hPage, option);
        const bool desired = DesiredOptionState(option, direction);
        Log(option.m_szTrace, current ? 1 : 0, desired ? 1 : 0, direction ? 1 : 0);
        all = all && current == desired;
    }
    if (!all)
        Log("Not desired\n");
    return all;
}

// Alt and the option's letter, as the keyboard gives it to the page; the sheet's dialog loop
// clicks the option it names.
void PressAccelerator(HWND p_hPage, const CSendOption& p_oOption)
{
    const char letter = AcceleratorOf(ControlText(GetDlgItem(p_hPage, p_oOption.m_iControlId)));
    if (p_oOption.m_iControlId == kSendHtmlId)
        Log("Send HTML char %c\n", letter != 0 ? letter : ' ');
    if (letter == 0)
        return;
    // Bit 29: the Alt key is down.
    PostMessageA(p_hPage, WM_SYSCHAR, static_cast<WPARAM>(std::tolower(static_cast<unsigned char>(letter))),
                 0x20000001);
}

void StartOnSendPage(HWND p_hPage)
{
    g_oShared.m_iOptionsChecks = 0;
    for (const CSendOption& option : kSendOptions)
        if (Checked(p_hPage, option) != DesiredOptionState(option, Direction()))
            PressAccelerator(p_hPage, option);
    if (SetTimer(p_hPage, kOptionsCheckTimer, kCheckPeriodMs, nullptr) == 0)
        Log("StartOnSendPage: SetTimer failed, error %lu", GetLastError());
}

// The Send page is made when its tab is first shown.
void SelectSendPage(HWND p_hSheet)
{
    const HWND tabs = reinterpret_cast<HWND>(SendMessageA(p_hSheet, PSM_GETTABCONTROL, 0, 0));
    const int count = tabs != nullptr ? static_cast<int>(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0)) : 0;
    for (int i = 0; i < count; ++i)
    {
        char text[64] = {};
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        if (!SendMessageA(tabs, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item)))
            continue;
        std::string name;
        for (const char* c = text; *c != '\0'; ++c)
            if (*c != '&')
                name += *c;
        if (name == "Send")
        {
            PostMessageA(p_hSheet, PSM_SETCURSEL, static_cast<WPARAM>(i), 0);
            return;
        }
    }
    Log("SelectSendPage: the sheet has no Send page");
}
} // namespace

void RequestOptionsAutomation(bool p_bDirection)
{
    g_oShared.m_iOptionsRequest = p_bDirection ? 2 : 1;
    g_oShared.m_dwOptionsTick = GetTickCount();
}

bool OptionsAutomationWanted()
{
    if (g_oShared.m_iOptionsRequest == 0)
        return false;
    if (GetTickCount() - g_oShared.m_dwOptionsTick > kRequestLifeMs)
    {
        Log("OptionsAutomationWanted: the Tools/Options request expired");
        g_oShared.m_iOptionsRequest = 0;
        return false;
    }
    return true;
}

bool OnOptionsDialogInit(HWND p_hDialog)
{
    if (!OptionsAutomationWanted())
        return false;
    if (IsOptionsSheet(p_hDialog))
    {
        Log("SubclassToolsOptionsWindow\n");
        SelectSendPage(p_hDialog);
        return true;
    }
    if (!IsSendPage(p_hDialog) || !IsOptionsSheet(GetParent(p_hDialog)))
        return false;
    Log("SubclassToolsOptionsSendWindow\n");
    StartOnSendPage(p_hDialog);
    return true;
}

void OnOptionsCheckTimer(HWND p_hPage)
{
    const HWND sheet = GetParent(p_hPage);
    if (AllAsDesired(p_hPage))
    {
        KillTimer(p_hPage, kOptionsCheckTimer);
        g_oShared.m_iOptionsRequest = 0;
        Log("Posting the OK\n");
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
        return;
    }
    const LONG checks = ++g_oShared.m_iOptionsChecks;
    if (checks == kAcceleratorChecks)
    {
        // The accelerators did not reach the options: the buttons are clicked themselves.
        for (const CSendOption& option : kSendOptions)
            if (Checked(p_hPage, option) != DesiredOptionState(option, Direction()))
                SendDlgItemMessageA(p_hPage, option.m_iControlId, BM_CLICK, 0, 0);
    }
    else if (checks >= kMostChecks)
    {
        Log("OnOptionsCheckTimer: the options did not take the wanted states; the sheet is left to the user");
        KillTimer(p_hPage, kOptionsCheckTimer);
        g_oShared.m_iOptionsRequest = 0;
    }
}
