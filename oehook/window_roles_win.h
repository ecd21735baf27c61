// oehook/window_roles_win.h: what Latchkit does with each Outlook Express window it recognises, and
// the window procedures it gives them.
#pragma once

#include <windows.h>

// The window-recognition step of the CBT hooks, for a window being created.
void RecogniseWindow(HWND p_hWnd, const CREATESTRUCTA* p_pCreate);

LRESULT CALLBACK BrowserProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam);
LRESULT CALLBACK RebarProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam);
LRESULT CALLBACK ToolbarProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam);
LRESULT CALLBACK MenuBarProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam);

// Private messages of the browser window (values as other components send them).
constexpr UINT WM_OE_ARCHIVE = WM_USER + 8;
constexpr UINT WM_OE_SMS_WINDOW_COUNT = WM_USER + 11;
constexpr UINT WM_OE_SAVE_STATE = WM_USER + 15;
constexpr UINT WM_OE_RELOAD_BAR = WM_USER + 16;
constexpr UINT WM_OE_SEND_MAIL = WM_USER + 24;
constexpr UINT WM_OE_TOOLBAR_NEW_MAIL = WM_USER + 2000;
constexpr UINT WM_OE_TOOLBAR_NEW_SMS = WM_USER + 2001;
constexpr UINT WM_OE_TOOLBAR_SEND_RECEIVE = WM_USER + 2002;
constexpr UINT WM_OE_FOREGROUND = WM_USER + 2003;

// Messages to the launcher's monitor window.
constexpr UINT WM_MON_STOP_GLOBAL_CBT_HOOK = WM_USER + 1;
constexpr UINT WM_MON_SPAWN_NEW_SMS_WINDOW = WM_USER + 2;
constexpr UINT WM_MON_EDIT_LOCAL_USER = WM_USER + 4;
constexpr UINT WM_MON_RECOMMEND_FRIENDS = WM_USER + 5;
constexpr UINT WM_MON_SHOW_ABOUT = WM_USER + 6;
constexpr UINT WM_MON_SHOW_OPTIONS = WM_USER + 18;
constexpr UINT WM_MON_STARTUP_OVER = WM_USER + 19;
constexpr UINT WM_MON_CC_PHONE = WM_USER + 20;
constexpr UINT WM_MON_NEW_REMINDER = WM_USER + 21;
constexpr UINT WM_MON_SET_PARENT_WINDOW = WM_USER + 23;
constexpr UINT WM_MON_SHOW_RULES = WM_USER + 27;
constexpr UINT WM_MON_SHOW_TEMPLATES = WM_USER + 28;
constexpr UINT WM_MON_FINISHED_ARCHIVE = WM_USER + 501;
constexpr UINT WM_MON_TOOLBAR_ACTION = WM_USER + 2004;
