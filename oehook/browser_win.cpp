// oehook/browser_win.cpp: the Outlook Express browser's subclass: its menus and commands, the SMS
// band's notifications, the private messages other components send it, and its close held back
// while SMS windows are open.
#include "common/boundary.h"
#include "common/trace_log.h"
#include "oehook/folder_watch_win.h"
#include "oehook/latchkit.h"
#include "oehook/latchkit_state_win.h"
#include "oehook/send_mail_win.h"
#include "oehook/sms_band_win.h"
#include "oehook/sms_commands_win.h"
#include "oehook/store_mail_win.h"
#include "oehook/subclass_win.h"
#include "oehook/window_roles_win.h"

#include <commctrl.h>

namespace
{
// Where a browser kept alive for SMS windows waits, out of sight.
constexpr int kOffScreen = 2048;

// Closing while SMS windows are open: the browser moves under the monitor window and off-screen,
// and Outlook Express quits once the last of them is gone.
bool HoldBackClose(HWND p_hWnd)
{
    RemoveSMSBand(g_oShared.m_hRebar);
    if (g_oShared.m_iSMSWindowCount <= 0)
        return false;
    Log("BrowserProc: WM_CLOSE held back, %ld SMS windows open", g_oShared.m_iSMSWindowCount);
    if (g_oShared.m_hMonitor != nullptr && IsWindow(g_oShared.m_hMonitor))
        SetParent(p_hWnd, g_oShared.m_hMonitor);
    SetWindowPos(p_hWnd, nullptr, kOffScreen, kOffScreen, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    g_oShared.m_bClosePending = 1;
    return true;
}

void CountSMSWindows(WPARAM p_wParam)
{
    // Compose windows send +1 and -1 as a signed word.
    const LONG step = static_cast<int>(p_wParam) > 0 ? 1 : -1;
    g_oShared.m_iSMSWindowCount += step;
    if (g_oShared.m_iSMSWindowCount < 0)
        g_oShared.m_iSMSWindowCount = 0;
    if (g_oShared.m_iSMSWindowCount == 0 && g_oShared.m_bClosePending)
    {
        Log("BrowserProc: the last SMS window closed, Outlook Express quits");
        PostQuitMessage(0);
    }
}

void BringForward(HWND p_hWnd, WPARAM p_wParam, LPARAM p_lParam)
{
    const HWND window = reinterpret_cast<HWND>(p_lParam);
    if (!IsWindow(window) || SetForegroundWindow(window))
        return;
    if (p_wParam < 10)
        PostMessageA(p_hWnd, WM_OE_FOREGROUND, p_wParam + 1, p_lParam);
}

bool HandleNotify(HWND p_hWnd, const NMHDR* p_pHeader, LRESULT& p_lResult)
{
    if (p_pHeader == nullptr)
        return false;
    if (p_pHeader->hwndFrom == g_oShared.m_hTree &&
        (p_pHeader->code == TVN_SELCHANGEDA || p_pHeader->code == TVN_SELCHANGEDW))
    {
        // Before the client shows the folder, so that it reads the layout meant for it.
        FolderSelected(g_oShared.m_hTree, reinterpret_cast<const NMTREEVIEWA*>(p_pHeader)->itemNew.hItem);
        return false;
    }
    if (p_pHeader->hwndFrom == g_oShared.m_hMenuBar && p_pHeader->code == TBN_DROPDOWN &&
        reinterpret_cast<const NMTOOLBARA*>(p_pHeader)->iItem == static_cast<int>(kCmdMenuBarButton))
    {
        RECT button = reinterpret_cast<const NMTOOLBARA*>(p_pHeader)->rcButton;
        MapWindowPoints(g_oShared.m_hMenuBar, nullptr, reinterpret_cast<POINT*>(&button), 2);
        TrackSMSPopup(p_hWnd, button);
        p_lResult = TBDDRET_DEFAULT;
        return true;
    }
    if (p_pHeader->hwndFrom == g_oShared.m_hRebar && p_pHeader->code == RBN_CHEVRONPUSHED)
    {
        const auto* chevron = reinterpret_cast<const NMREBARCHEVRON*>(p_pHeader);
        if (chevron->wID != kSMSBandId)
            return false;
        ShowBandChevron(p_hWnd, chevron);
        p_lResult = 0;
        return true;
    }
    return HandleBandNotify(p_hWnd, p_pHeader, p_lResult);
}

// The menu bar's "B&revolt" button when it is pressed as a plain button.
void DropMenuBarPopup(HWND p_hWnd)
{
    RECT button{};
    const LRESULT index = SendMessageA(g_oShared.m_hMenuBar, TB_COMMANDTOINDEX, kCmdMenuBarButton, 0);
    if (index < 0 || !SendMessageA(g_oShared.m_hMenuBar, TB_GETITEMRECT, static_cast<WPARAM>(index),
                                   reinterpret_cast<LPARAM>(&button)))
        return;
    MapWindowPoints(g_oShared.m_hMenuBar, nullptr, reinterpret_cast<POINT*>(&button), 2);
    TrackSMSPopup(p_hWnd, button);
}

bool HandleCommand(HWND p_hWnd, UINT p_nCommand)
{
    if (p_nCommand == kCmdMenuBarButton)
    {
        DropMenuBarPopup(p_hWnd);
        return true;
    }
    if (p_nCommand == kCmdShowHideBar)
    {
        ToggleSMSBand(g_oShared.m_hRebar);
        return true;
    }
    return RunOwnCommand(p_hWnd, p_nCommand);
}

// Messages other components send the browser; false for the others.
bool HandlePrivate(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    const CLatchkitProfile& profile = *Process().m_p_oProfile;
    switch (p_nMsg)
    {
    case WM_OE_SMS_WINDOW_COUNT:
        CountSMSWindows(p_wParam);
        return true;
    case WM_OE_RELOAD_BAR:
        RebuildSMSBand(g_oShared.m_hRebar);
        return true;
    case WM_OE_SAVE_STATE:
        g_oShared.m_iSaveMessageState = 1;
        SendMessageA(p_hWnd, WM_COMMAND, MAKEWPARAM(profile.m_uSaveStateCommand, 0), 0);
        return true;
    case WM_OE_SEND_MAIL:
        EnterSendMailMode(static_cast<DWORD>(p_wParam));
        return true;
    case WM_OE_ARCHIVE:
        // A copy that cannot be filed still ends the request, so that its requester stops waiting.
        (void)SelectSentSMSsFolder();
        if (!EnterStoreMailMode(static_cast<DWORD>(p_lParam)))
            PostToMonitor(WM_MON_FINISHED_ARCHIVE, 0, 0);
        return true;
    case WM_OE_TOOLBAR_NEW_MAIL:
        SendMessageA(p_hWnd, WM_COMMAND, MAKEWPARAM(profile.m_uNewMailCommand, 0), 0);
        return true;
    case WM_OE_TOOLBAR_NEW_SMS:
        PostToMonitor(WM_MON_SPAWN_NEW_SMS_WINDOW, 0, 0);
        return true;
    case WM_OE_TOOLBAR_SEND_RECEIVE:
        SendMessageA(p_hWnd, WM_COMMAND, MAKEWPARAM(profile.m_uSendReceiveCommand, 0), 0);
        return true;
    case WM_OE_FOREGROUND:
        BringForward(p_hWnd, p_wParam, p_lParam);
        return true;
    default:
        return false;
    }
}

LRESULT BrowserMessage(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    if (HandlePrivate(p_hWnd, p_nMsg, p_wParam, p_lParam))
        return 0;
    if (p_nMsg == ColumnsChangedMessage())
    {
        StoreSMSColumns();
        return 0;
    }
    LRESULT result = 0;
    switch (p_nMsg)
    {
    case WM_CREATE:
        result = CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
        if (result != -1 && Process().m_iMajor <= 4)
            InsertSMSMenuOE4(p_hWnd);
        return result;
    case WM_MOVE:
        result = CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
        if (InterlockedExchange(&g_oShared.m_bStartupReported, 1) == 0)
            PostToMonitor(WM_MON_STARTUP_OVER, 0, 0);
        return result;
    case WM_CLOSE:
        return HoldBackClose(p_hWnd) ? 0 : CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
    case WM_INITMENUPOPUP:
        result = CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
        if (!AddBarItemToContextMenu(reinterpret_cast<HMENU>(p_wParam)))
            AddNewSMSItem(reinterpret_cast<HMENU>(p_wParam));
        return result;
    case WM_COMMAND:
        if (HIWORD(p_wParam) <= 1 && HandleCommand(p_hWnd, LOWORD(p_wParam)))
            return 0;
        break;
    case WM_NOTIFY:
        if (HandleNotify(p_hWnd, reinterpret_cast<const NMHDR*>(p_lParam), result))
            return result;
        break;
    case WM_NCDESTROY:
        result = CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
        if (g_oShared.m_hBrowser == p_hWnd)
            g_oShared.m_hBrowser = nullptr;
        return result;
    default:
        break;
    }
    return CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
}
} // namespace

LRESULT CALLBACK BrowserProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    LRESULT result = 0;
    if (TrapExceptions("BrowserProc", false, [&] {
            result = BrowserMessage(p_hWnd, p_nMsg, p_wParam, p_lParam);
            return true;
        }))
        return result;
    return CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
}
