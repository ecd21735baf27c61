// oehook/window_roles_win.cpp: recognising Outlook Express's windows as they are created, and the
// procedures of the rebar and its toolbars.
#include "oehook/window_roles_win.h"

#include "common/boundary.h"
#include "common/trace_log.h"
#include "oehook/cc_mobile_win.h"
#include "oehook/dialog_watch_win.h"
#include "oehook/folder_watch_win.h"
#include "oehook/latchkit_state_win.h"
#include "oehook/message_view_win.h"
#include "oehook/new_mail_trigger_win.h"
#include "oehook/sms_band_win.h"
#include "oehook/sms_commands_win.h"
#include "oehook/subclass_win.h"

#include <commctrl.h>

#include <cstring>

namespace
{
// Posted to a rebar or menu bar after Outlook Express added its own bands or buttons, so that ours
// follow them.
UINT AddOursMessage()
{
    static const UINT s_nMessage = RegisterWindowMessageA("Latchkit.AddOurs");
    return s_nMessage;
}

void Subclass(HWND p_hWnd, WNDPROC p_pfnProc)
{
    if (!SubclassWindow(p_hWnd, p_pfnProc))
        Log("Failed to set window proc - Error: %lu", GetLastError());
}

void RecogniseBrowserChild(HWND p_hWnd, HWND p_hParent, const char* p_szClass)
{
    if ((lstrcmpiA(p_szClass, "ReBarWindow32") == 0 || lstrcmpiA(p_szClass, "SizableRebar") == 0) &&
        p_hParent == g_oShared.m_hBrowser && g_oShared.m_hRebar == nullptr)
    {
        g_oShared.m_hRebar = p_hWnd;
        Subclass(p_hWnd, RebarProc);
        return;
    }
    if (lstrcmpiA(p_szClass, TOOLBARCLASSNAMEA) != 0 || p_hParent == nullptr || p_hParent != g_oShared.m_hRebar ||
        GetDlgCtrlID(p_hWnd) == static_cast<int>(kSMSBandId))
        return;
    // From version 5 on the menu bar is the first toolbar of the rebar.
    if (Process().m_iMajor >= 5 && g_oShared.m_hMenuBar == nullptr)
    {
        g_oShared.m_hMenuBar = p_hWnd;
        Subclass(p_hWnd, MenuBarProc);
    }
    else if (g_oShared.m_hToolbar == nullptr)
    {
        g_oShared.m_hToolbar = p_hWnd;
        Subclass(p_hWnd, ToolbarProc);
    }
}

void RecogniseBrowser(HWND p_hWnd)
{
    if (g_oShared.m_hBrowser != nullptr && IsWindow(g_oShared.m_hBrowser))
        return;
    g_oShared.m_hBrowser = p_hWnd;
    g_oShared.m_hRebar = nullptr;
    g_oShared.m_hToolbar = nullptr;
    g_oShared.m_hMenuBar = nullptr;
    g_oShared.m_iSMSWindowCount = 0;
    g_oShared.m_bClosePending = 0;
    g_oShared.m_bStartupReported = 0;
    g_oShared.m_bSentSMSShown = 0;
    LoadToolbarDefinitions();
    Subclass(p_hWnd, BrowserProc);
    PostToMonitor(WM_MON_SET_PARENT_WINDOW, reinterpret_cast<WPARAM>(p_hWnd), 0);
}

void AddOurMenuToMenubar(HWND p_hMenuBar)
{
    Log("AddOurMenuToMenubar\n");
    if (SendMessageA(p_hMenuBar, TB_COMMANDTOINDEX, kCmdMenuBarButton, 0) >= 0)
        return;
    // TB_ADDSTRING takes a list of strings ended by an empty one.
    char strings[32] = {};
    std::memcpy(strings, kSMSMenuCaption, std::strlen(kSMSMenuCaption));
    const LRESULT text = SendMessageA(p_hMenuBar, TB_ADDSTRINGA, 0, reinterpret_cast<LPARAM>(strings));
    if (text < 0)
    {
        Log("Adding the string failed %lu\n", GetLastError());
        return;
    }
    const LRESULT count = SendMessageA(p_hMenuBar, TB_BUTTONCOUNT, 0, 0);
    TBBUTTON button{};
    button.iBitmap = I_IMAGENONE;
    button.idCommand = static_cast<int>(kCmdMenuBarButton);
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_WHOLEDROPDOWN;
    button.iString = text;
    // Before the last menu (Help), as in the client's own menus.
    const WPARAM at = count > 0 ? static_cast<WPARAM>(count - 1) : 0;
    if (!SendMessageA(p_hMenuBar, TB_INSERTBUTTONA, at, reinterpret_cast<LPARAM>(&button)))
    {
        Log("Adding the menu item failed\n");
        return;
    }
    SendMessageA(p_hMenuBar, TB_AUTOSIZE, 0, 0);
    Log("Successfully added our button\n");
}

bool IsButtonAddition(UINT p_nMsg)
{
    return p_nMsg == TB_ADDBUTTONSA || p_nMsg == TB_ADDBUTTONSW || p_nMsg == TB_INSERTBUTTONA ||
           p_nMsg == TB_INSERTBUTTONW;
}

LRESULT RebarMessage(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_nMsg == AddOursMessage())
    {
        AddSMSBand(p_hWnd);
        return 0;
    }
    if (p_nMsg == WM_CONTEXTMENU)
    {
        ExpectRebarContextMenu(true);
        const LRESULT result = CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
        // Outlook Express showed no menu of its own: the bar's item alone.
        if (RebarContextMenuPending())
        {
            unique_hmenu popup(CreatePopupMenu());
            AddBarItemToContextMenu(popup.get());
            POINT at{static_cast<short>(LOWORD(p_lParam)), static_cast<short>(HIWORD(p_lParam))};
            TrackPopupMenu(popup.get(), TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, 0, g_oShared.m_hBrowser, nullptr);
        }
        ExpectRebarContextMenu(false);
        return result;
    }
    const bool insert = p_nMsg == RB_INSERTBANDA || p_nMsg == RB_INSERTBANDW;
    const LRESULT result = CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
    if (insert && SendMessageA(p_hWnd, RB_IDTOINDEX, kSMSBandId, 0) < 0)
        PostMessageA(p_hWnd, AddOursMessage(), 0, 0);
    if (p_nMsg == WM_NCDESTROY && g_oShared.m_hRebar == p_hWnd)
        g_oShared.m_hRebar = nullptr;
    return result;
}
} // namespace

void RecogniseWindow(HWND p_hWnd, const CREATESTRUCTA* p_pCreate)
{
    char name[128] = {};
    if (p_hWnd == nullptr || GetClassNameA(p_hWnd, name, sizeof name) <= 0)
        return;
    const CLatchkitProfile& profile = *Process().m_p_oProfile;
    const HWND parent = p_pCreate != nullptr ? p_pCreate->hwndParent : GetParent(p_hWnd);
    if (lstrcmpiA(name, profile.m_szBrowserClass) == 0)
        RecogniseBrowser(p_hWnd);
    else if (g_oShared.m_hBrowser != nullptr && parent != nullptr)
        RecogniseBrowserChild(p_hWnd, parent, name);
    if (lstrcmpiA(name, WC_TREEVIEWA) == 0 && parent == g_oShared.m_hBrowser)
    {
        g_oShared.m_hTree = p_hWnd;
        // A new folder tree: its folders are walked for again (the shared data outlives a client
        // process while the launcher keeps the library loaded).
        g_oShared.m_hSentSMSItem = nullptr;
    }
    else if (lstrcmpA(name, "#32770") == 0 && !RecogniseClientQuestion(p_hWnd))
        RecogniseDialog(p_hWnd);
    else if (lstrcmpA(name, "Identity Mgr Notify") == 0)
        RecogniseIdentityNotify(p_hWnd);
    else if (lstrcmpA(name, "ATH_Note") == 0)
        RecogniseNote(p_hWnd);
    else if (lstrcmpA(name, Process().m_iMajor <= 4 ? "ATH_NoteHdr" : "OE_Envelope") == 0)
        RecogniseNoteHeader(p_hWnd);
    else if (lstrcmpA(name, "Outlook Express Message View") == 0)
        RecogniseMessageView(p_hWnd, parent);
    LookForProgressDialog(p_hWnd, parent);
}

LRESULT CALLBACK RebarProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    LRESULT result = 0;
    if (TrapExceptions("RebarProc", false, [&] {
            result = RebarMessage(p_hWnd, p_nMsg, p_wParam, p_lParam);
            return true;
        }))
        return result;
    return CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
}

LRESULT CALLBACK ToolbarProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_nMsg == WM_NCDESTROY && g_oShared.m_hToolbar == p_hWnd)
        g_oShared.m_hToolbar = nullptr;
    return CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
}

LRESULT CALLBACK MenuBarProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("MenuBarProc", LRESULT{0}, [&] {
        if (p_nMsg == AddOursMessage())
        {
            AddOurMenuToMenubar(p_hWnd);
            return LRESULT{0};
        }
        const LRESULT result = CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
        if (IsButtonAddition(p_nMsg) && SendMessageA(p_hWnd, TB_COMMANDTOINDEX, kCmdMenuBarButton, 0) < 0)
            PostMessageA(p_hWnd, AddOursMessage(), 0, 0);
        if (p_nMsg == WM_NCDESTROY && g_oShared.m_hMenuBar == p_hWnd)
            g_oShared.m_hMenuBar = nullptr;
        return result;
    });
}
