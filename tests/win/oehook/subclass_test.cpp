// tests/win/oehook/subclass_test.cpp: the subclass helper on windows of this process: the previous
// procedure is called in the window's own character set, a window is subclassed once, and a later
// subclass keeps its place in the chain.
#include "oehook/subclass_win.h"

#include "common/handle_win.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
std::string g_sSeen;

LRESULT CALLBACK ClassProcA(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_nMsg == WM_USER)
        g_sSeen += "class;";
    if (p_nMsg == WM_SETTEXT)
        g_sSeen += std::string("text:") + reinterpret_cast<const char*>(p_lParam) + ";";
    return DefWindowProcA(p_hWnd, p_nMsg, p_wParam, p_lParam);
}

LRESULT CALLBACK ClassProcW(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_nMsg == WM_SETTEXT)
        g_sSeen += std::string("wide:") + (reinterpret_cast<const wchar_t*>(p_lParam)[0] == L'h' ? "h" : "?") + ";";
    return DefWindowProcW(p_hWnd, p_nMsg, p_wParam, p_lParam);
}

LRESULT CALLBACK OursProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_nMsg == WM_USER)
        g_sSeen += "ours;";
    return CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
}

WNDPROC g_pfnLaterPrevious = nullptr;
LRESULT CALLBACK LaterProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_nMsg == WM_USER)
        g_sSeen += "later;";
    return CallWindowProcA(g_pfnLaterPrevious, p_hWnd, p_nMsg, p_wParam, p_lParam);
}

HWND MakeWindow(bool p_bUnicode)
{
    if (p_bUnicode)
    {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ClassProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"LatchkitSubclassW";
        RegisterClassW(&wc);
        return CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                               nullptr);
    }
    WNDCLASSA wc{};
    wc.lpfnWndProc = ClassProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "LatchkitSubclassA";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
}

TEST(Subclass, CallsThePreviousProcedureOnceInTheWindowsCharacterSet)
{
    for (const bool unicode : {false, true})
    {
        unique_hwnd window(MakeWindow(unicode));
        ASSERT_TRUE(window);
        ASSERT_TRUE(SubclassWindow(window.get(), OursProc));
        EXPECT_TRUE(IsSubclassedWith(window.get(), OursProc));
        EXPECT_FALSE(SubclassWindow(window.get(), OursProc));
        g_sSeen.clear();
        SendMessageA(window.get(), WM_USER, 0, 0);
        SetWindowTextA(window.get(), "hello");
        EXPECT_EQ(g_sSeen, unicode ? "ours;wide:h;" : "ours;class;text:hello;");
        ASSERT_TRUE(RemoveSubclass(window.get()));
        EXPECT_FALSE(IsSubclassedWith(window.get(), OursProc));
        g_sSeen.clear();
        SendMessageA(window.get(), WM_USER, 0, 0);
        EXPECT_EQ(g_sSeen, unicode ? "" : "class;");
    }
}

TEST(Subclass, ALaterSubclassKeepsItsPlaceInTheChain)
{
    unique_hwnd window(MakeWindow(false));
    ASSERT_TRUE(SubclassWindow(window.get(), OursProc));
    g_pfnLaterPrevious =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LaterProc)));
    EXPECT_FALSE(RemoveSubclass(window.get()));
    g_sSeen.clear();
    SendMessageA(window.get(), WM_USER, 0, 0);
    EXPECT_EQ(g_sSeen, "later;ours;class;");
    const HWND raw = window.get();
    window.reset();
    EXPECT_FALSE(IsWindow(raw));
}
} // namespace
