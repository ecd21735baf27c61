// tests/win/oehook/tools_options_test.cpp: the Tools/Options automation inside the mail client
// stand-in: the user's own Options sheet is left alone, and the one the client opens while a reply via
// SMS is prepared gets its Send page driven and confirmed.
#include "tests/win/oe/oe_test_support.h"
#include "tests/win/oehook/latchkit_test_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <prsht.h>

namespace
{
constexpr UINT kToolsOptions = 49003;
constexpr int kReplySameFormat = 1064;
constexpr int kIncludeMessage = 1027;
constexpr int kSendHtml = 2090;

HWND FindOptionsSheet(const CHookedClient& p_oClient)
{
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, "#32770", "Options")) != nullptr;)
    {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == p_oClient.ProcessId() && IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

// The sheet's Send page, shown (it is made when its tab is first chosen).
HWND ShowSendPage(HWND p_hSheet)
{
    PostMessageA(p_hSheet, PSM_SETCURSEL, 1, 0);
    HWND page = nullptr;
    WaitUntil(
        [&] {
            for (page = FindWindowExA(p_hSheet, nullptr, "#32770", nullptr); page != nullptr;
                 page = FindWindowExA(p_hSheet, page, "#32770", nullptr))
                if (GetDlgItem(page, kReplySameFormat) != nullptr && IsWindowVisible(page))
                    return true;
            return false;
        },
        5000);
    return page;
}

bool Checked(HWND p_hPage, int p_iId)
{
    return SendMessageA(GetDlgItem(p_hPage, p_iId), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

HWND OpenOptions(CHookedClient& p_oClient, HWND p_hBrowser)
{
    PostMessageA(p_hBrowser, WM_COMMAND, MAKEWPARAM(kToolsOptions, 0), 0);
    HWND sheet = nullptr;
    WaitUntil([&] { return (sheet = FindOptionsSheet(p_oClient)) != nullptr; }, 5000);
    return sheet;
}

TEST(LatchkitOptions, ReplyDrivesTheSendPageOfTheClientsOptionsAndLeavesTheUsersAlone)
{
    SeedLatchkitSettings(6, "");
    CHookedClient client;
    ASSERT_TRUE(client.Start(6));
    const HWND browser = client.WaitForBrowser(15000);
    ASSERT_NE(browser, nullptr);
    const std::string eml = NewTempFolder("latchkit_options") + "plan.eml";
    WriteTextFile(eml, "From: kim@brevolt.example\r\nTo: pat@brevolt.example\r\nSubject: Plan\r\nDate: Tue, 1 Dec "
                       "2026 10:00:00 +0000\r\n\r\nThe plan stands.\r\n");
    ASSERT_EQ(client.SendControl("deliver " + eml), 1);
    ASSERT_EQ(client.SendControl("select-message Plan"), 1);

    // The user's own Options: nothing is automated; the user turns two options off and confirms.
    HWND sheet = OpenOptions(client, browser);
    ASSERT_NE(sheet, nullptr);
    HWND page = ShowSendPage(sheet);
    ASSERT_NE(page, nullptr);
    WaitUntil([] { return false; }, 300);
    EXPECT_TRUE(IsWindowVisible(sheet));
    EXPECT_TRUE(Checked(page, kReplySameFormat));
    SendMessageA(GetDlgItem(page, kIncludeMessage), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(page, kSendHtml), BM_CLICK, 0, 0);
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(sheet); }, 5000));

    // A reply via SMS while the client opens its Options: the Send page goes to the reply's states
    // (direction off) and the sheet is confirmed, and the reply still reaches the monitor.
    const size_t from = client.MessageCount();
    PostMessageA(browser, WM_COMMAND, MAKEWPARAM(40427, 0), 0);
    PostMessageA(browser, WM_COMMAND, MAKEWPARAM(kToolsOptions, 0), 0);
    CMonitorMessage message{};
    ASSERT_TRUE(client.WaitForMessage(WM_USER + 2, message, 15000, from));
    EXPECT_EQ(message.m_wParam, 2u);
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    char name[32] = {};
    wsprintfA(name, "%lX.txt", static_cast<unsigned long>(message.m_lParam));
    EXPECT_NE(ReadTextFile(std::string(folder) + name).find("The plan stands."), std::string::npos);
    DeleteFileA((std::string(folder) + name).c_str());
    EXPECT_TRUE(WaitUntil([&] { return FindOptionsSheet(client) == nullptr; }, 10000));

    // What the client kept, seen in its Options again.
    sheet = OpenOptions(client, browser);
    ASSERT_NE(sheet, nullptr);
    page = ShowSendPage(sheet);
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(Checked(page, kReplySameFormat));
    EXPECT_TRUE(Checked(page, kIncludeMessage));
    EXPECT_TRUE(Checked(page, kSendHtml));
    PaintNow(sheet);
    EXPECT_TRUE(SaveWindowPng(sheet, "latchkit_oe6_options_send.png"));
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(sheet); }, 5000));
}
} // namespace
