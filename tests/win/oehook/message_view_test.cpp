// tests/win/oehook/message_view_test.cpp: a received message opened from the list in the mail client
// stand-in: its note offers "Reply to Mobile" and "Forward to Mobile", and they hand the message to
// the monitor as the menu's reply and forward do.
#include "tests/win/oe/oe_test_support.h"
#include "tests/win/oehook/latchkit_test_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace
{
constexpr UINT kReplyToMobile = 40427;
constexpr UINT kForwardToMobile = 40428;

// The read note of the client: a note holding the message view.
HWND FindReadNote(const CHookedClient& p_oClient)
{
    for (HWND note = nullptr; (note = FindWindowExA(nullptr, note, "ATH_Note", nullptr)) != nullptr;)
    {
        DWORD process = 0;
        GetWindowThreadProcessId(note, &process);
        if (process == p_oClient.ProcessId() && IsWindowVisible(note) &&
            FindWindowExA(note, nullptr, "Outlook Express Message View", nullptr) != nullptr)
            return note;
    }
    return nullptr;
}

// The second click of a double click on the list's first row (already selected), as the user opens
// a message.
bool OpenFirstRow(HWND p_hBrowser, const char* p_szListClass)
{
    const HWND list = FindWindowExA(p_hBrowser, nullptr, p_szListClass, nullptr);
    CRemoteBlock block(list, sizeof(RECT));
    RECT row{LVIR_BOUNDS, 0, 0, 0};
    if (!block.Write(&row, sizeof row) ||
        !SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(block.Remote())) ||
        !block.Read(&row, sizeof row))
        return false;
    const LPARAM at = MAKELPARAM(row.left + 60, (row.top + row.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    return true;
}

std::string TransferText(LPARAM p_lStamp)
{
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    char name[32] = {};
    wsprintfA(name, "%lX.txt", static_cast<unsigned long>(p_lStamp));
    const std::string path = std::string(folder) + name;
    const std::string text = ReadTextFile(path);
    DeleteFileA(path.c_str());
    return text;
}

TEST(LatchkitMessageView, TheReadNoteRepliesAndForwardsToMobile)
{
    SeedLatchkitSettings(6, "");
    CHookedClient client;
    ASSERT_TRUE(client.Start(6));
    const HWND browser = client.WaitForBrowser(15000);
    ASSERT_NE(browser, nullptr);
    const std::string eml = NewTempFolder("latchkit_view") + "dinner.eml";
    WriteTextFile(eml, "From: \"Sam Roe\" <sam@brevolt.example>\r\nTo: pat@brevolt.example\r\nSubject: Dinner\r\nDate: "
                       "Tue, 1 Dec 2026 18:00:00 +0000\r\n\r\nTable for two at eight.\r\n");
    ASSERT_EQ(client.SendControl("deliver " + eml), 1);
    ASSERT_EQ(client.SendControl("select-message Dinner"), 1);
    ASSERT_TRUE(OpenFirstRow(browser, "ATL:SysListView32"));
    HWND note = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (note = FindReadNote(client)) != nullptr; }, 10000));
    const HWND toolbar = FindWindowExA(note, nullptr, TOOLBARCLASSNAMEA, nullptr);
    ASSERT_NE(toolbar, nullptr);
    EXPECT_GE(SendMessageA(toolbar, TB_COMMANDTOINDEX, kReplyToMobile, 0), 0);
    EXPECT_GE(SendMessageA(toolbar, TB_COMMANDTOINDEX, kForwardToMobile, 0), 0);
    PaintNow(note);
    EXPECT_TRUE(SaveWindowPng(note, "latchkit_oe6_message_view.png"));

    for (const auto& [command, kind] :
         {std::pair<UINT, WPARAM>{kReplyToMobile, 2}, std::pair<UINT, WPARAM>{kForwardToMobile, 1}})
    {
        const size_t from = client.MessageCount();
        PostMessageA(note, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), reinterpret_cast<LPARAM>(toolbar));
        CMonitorMessage message{};
        ASSERT_TRUE(client.WaitForMessage(WM_USER + 2, message, 10000, from)) << command;
        EXPECT_EQ(message.m_wParam, kind);
        const std::string text = TransferText(message.m_lParam);
        EXPECT_NE(text.find("sam@brevolt.example"), std::string::npos) << text;
        EXPECT_NE(text.find("Table for two at eight."), std::string::npos) << text;
    }
    // The note's own commands still reach the client: its Close closes it.
    PostMessageA(note, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(note); }, 5000));
}
} // namespace
