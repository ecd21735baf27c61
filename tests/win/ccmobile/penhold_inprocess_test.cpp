// tests/win/ccmobile/penhold_inprocess_test.cpp: Penhold inside the process that calls it, as the
// plug-in uses it in Outlook: compose windows made on this thread get their boxes, the options
// dialog's NotifyNewCCMobileDefaults makes every open one take the new default, a destroyed window
// leaves nothing behind, and UnSubclassAllCompositionWindows gives every window its procedure back.
#include "common/handle_win.h"
#include "common/settings.h"
#include "wordhook/penhold_exports.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace
{
template <typename T> T Bind(HMODULE p_hModule, const char* p_szName)
{
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(p_hModule, p_szName)));
}

void SetCCDefault(bool p_bTicked)
{
    CRegistry oRegistry;
    ASSERT_TRUE(oRegistry.SetSendDefaults(kSendRepliesToEmail | kSendSignature | (p_bTicked ? kSendCCMobile : 0), ""));
}

// A compose window as the client makes it: the window, a header pane, and the header fields.
struct CComposeWindow
{
    unique_hwnd m_hWnd;
    HWND m_hPane = nullptr;
    std::array<HWND, 5> m_ahFields{};

    explicit CComposeWindow(bool p_bBcc)
    {
        m_hWnd.reset(CreateWindowExA(0, "rctrl_renwnd32", "Untitled - Message", WS_OVERLAPPEDWINDOW, 0, 0, 600, 300,
                                     nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
        m_hPane = CreateWindowExA(0, "Static", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 600, 130, m_hWnd.get(), nullptr,
                                  nullptr, nullptr);
        const std::array<std::pair<UINT, DWORD>, 5> aFields = {
            {{0x1001, 0xC080}, {0x1003, 0xD044}, {0x1004, 0xD044}, {0x1007, 0xD044}, {0x1005, 0xC080}}};
        int y = 2;
        for (size_t i = 0; i < aFields.size(); ++i)
        {
            if (aFields[i].first == 0x1007 && !p_bBcc)
                continue;
            m_ahFields[i] =
                CreateWindowExA(0, "Edit", nullptr, WS_CHILD | WS_VISIBLE | aFields[i].second, 70, y, 522, 22, m_hPane,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(aFields[i].first)), nullptr, nullptr);
            y += 24;
        }
    }
    HWND Box(int p_iId) const
    {
        return GetDlgItem(m_hPane, p_iId);
    }
    LRESULT Choice() const
    {
        return SendMessageA(m_hWnd.get(), kMsgCCMobileChoice, 0, 0);
    }
};

LRESULT CALLBACK PlainProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return DefWindowProcA(p_hWnd, p_uMsg, p_wParam, p_lParam);
}
} // namespace

TEST(PenholdInProcess, DefaultsNoticeReachesEveryOpenComposeWindowAndUnsubclassRestores)
{
    WNDCLASSA oClass{};
    oClass.lpfnWndProc = &PlainProc;
    oClass.hInstance = GetModuleHandleA(nullptr);
    oClass.lpszClassName = "rctrl_renwnd32";
    ASSERT_TRUE(RegisterClassA(&oClass));
    unique_hmodule hPenhold(LoadLibraryA(PENHOLD_DLL));
    ASSERT_TRUE(hPenhold);
    auto pfnSet = Bind<PFN_SetCBTHook>(hPenhold.get(), szSetCBTHook);
    auto pfnUnset = Bind<PFN_UnsetCBTHook>(hPenhold.get(), szUnsetCBTHook);
    auto pfnNotify = Bind<PFN_NotifyNewCCMobileDefaults>(hPenhold.get(), szNotifyNewCCMobileDefaults);
    auto pfnUnsubclass = Bind<PFN_UnSubclassAllCompositionWindows>(hPenhold.get(), szUnSubclassAllCompositionWindows);
    ASSERT_TRUE(pfnSet && pfnUnset && pfnNotify && pfnUnsubclass);

    SetCCDefault(false);
    ASSERT_TRUE(pfnSet(GetCurrentThreadId()));
    CComposeWindow oFirst(true);
    CComposeWindow oSecond(false);
    auto oGone = std::make_unique<CComposeWindow>(true);
    ASSERT_NE(nullptr, oFirst.Box(kIdNotifyBcc));
    EXPECT_EQ(nullptr, oSecond.Box(kIdNotifyBcc));
    EXPECT_EQ(0, oFirst.Choice());
    EXPECT_EQ(0, oSecond.Choice());
    oGone.reset();

    SetCCDefault(true);
    EXPECT_TRUE(pfnNotify());
    EXPECT_EQ(7, oFirst.Choice());
    EXPECT_EQ(3, oSecond.Choice());
    // Hiding a note (Outlook keeps one for reuse) puts its boxes back to the default.
    SendMessageA(oFirst.Box(kIdNotifyCc), BM_CLICK, 0, 0);
    EXPECT_EQ(5, oFirst.Choice());
    ShowWindow(oFirst.m_hWnd.get(), SW_SHOW);
    ShowWindow(oFirst.m_hWnd.get(), SW_HIDE);
    EXPECT_EQ(7, oFirst.Choice());

    // A field hidden (Outlook hides Bcc when the user turns it off) takes its box along.
    ShowWindow(oFirst.m_hWnd.get(), SW_SHOW);
    ShowWindow(oFirst.m_ahFields[3], SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(oFirst.Box(kIdNotifyBcc)));
    ShowWindow(oFirst.m_ahFields[3], SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(oFirst.Box(kIdNotifyBcc)));

    // A Unicode field keeps what is typed into it beyond the ANSI code page.
    HWND hWide = CreateWindowExW(0, L"Edit", nullptr, WS_CHILD | WS_VISIBLE | 0xD044, 70, 200, 400, 22, oFirst.m_hPane,
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(0x1004)), nullptr, nullptr);
    ASSERT_NE(nullptr, hWide);
    EXPECT_TRUE(IsWindowUnicode(hWide));
    for (wchar_t c : std::wstring(L"\u0416\u03A9\u20AC"))
        SendMessageW(hWide, WM_CHAR, c, 0);
    wchar_t szWide[16] = {};
    GetWindowTextW(hWide, szWide, 16);
    EXPECT_EQ(std::wstring(L"\u0416\u03A9\u20AC"), szWide);
    DestroyWindow(hWide);

    // Every window gets its own procedure back and answers as it did before Penhold.
    EXPECT_TRUE(pfnUnset());
    EXPECT_TRUE(pfnUnsubclass());
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(&PlainProc), GetWindowLongPtrA(oFirst.m_hWnd.get(), GWLP_WNDPROC));
    EXPECT_EQ(0, oFirst.Choice());
    const auto editProc = GetWindowLongPtrA(oFirst.m_ahFields[0], GWLP_WNDPROC);
    for (HWND hField : oFirst.m_ahFields)
        EXPECT_EQ(editProc, GetWindowLongPtrA(hField, GWLP_WNDPROC));
    // Nothing is left to notify; a window made now gets no box.
    EXPECT_TRUE(pfnNotify());
    CComposeWindow oLater(true);
    EXPECT_EQ(nullptr, oLater.Box(kIdNotifyTo));
}
