// tests/win/oehook/cc_mobile_test.cpp: "CC Mobile" in the compose note: the button's start state from
// the send defaults, the text the launcher gets on Send, and Latchkit's empty-subject question
// asked once instead of twice (the text itself is tested natively).
#include "common/settings.h"
#include "oehook/cc_mobile_win.h"
#include "tests/win/oe/oe_test_support.h"
#include "tests/win/oehook/latchkit_test_support.h"

#include <gtest/gtest.h>

namespace
{
const char* kDialogsKey =
    "Identities\\{7B0C2A51-3E64-4D8F-9A17-52C3E8B6D402}\\Software\\Microsoft\\Outlook Express\\5.0\\Dont Show Dialogs";

// A visible dialog of the client that is an empty-subject question (it has the "Don't show" box).
HWND FindSubjectQuestion(const CHookedClient& p_oClient)
{
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, "#32770", nullptr)) != nullptr;)
    {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == p_oClient.ProcessId() && IsWindowVisible(window) && GetDlgItem(window, 1001) != nullptr)
            return window;
    }
    return nullptr;
}

TEST(LatchkitCCMobile, SendHandsSubjectAndAddressesToTheMonitorAfterOneQuestion)
{
    SeedLatchkitSettings(6, "");
    CRegistry registry;
    ASSERT_TRUE(registry.SetSendDefaults(kSendDefaultsAbsent | kSendCCMobile, ""));
    CHookedClient client;
    ASSERT_TRUE(client.Start(6));
    ASSERT_NE(client.WaitForBrowser(15000), nullptr);
    ASSERT_EQ(client.SendControl("click Create Mail"), 1);
    HWND note = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (note = client.FindVisible("ATH_Note")) != nullptr; }, 5000));
    const HWND header = FindWindowExA(note, nullptr, "OE_Envelope", nullptr);
    ASSERT_NE(header, nullptr);
    const HWND button = GetDlgItem(header, kCCMobileButtonId);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(SendMessageA(button, BM_GETCHECK, 0, 0), BST_CHECKED);
    RECT cc{};
    RECT box{};
    GetWindowRect(GetDlgItem(header, 1002), &cc);
    GetWindowRect(button, &box);
    EXPECT_EQ(box.left, cc.right + 10);
    EXPECT_EQ(box.top, cc.top);
    SetWindowTextA(GetDlgItem(header, 1001), "\"Kim Lee\" <kim@brevolt.example>; lee@brevolt.example");
    SetWindowTextA(GetDlgItem(header, 1002), "cc@brevolt.example");
    PaintNow(note);
    EXPECT_TRUE(SaveWindowPng(note, "latchkit_oe6_cc_mobile.png"));

    // An empty subject: Latchkit asks; Cancel stops the send and nothing reaches the monitor.
    PostMessageA(note, WM_COMMAND, MAKEWPARAM(40411, 0), 0);
    HWND question = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (question = FindSubjectQuestion(client)) != nullptr; }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(question) != FALSE; }, 2000));
    PaintNow(question);
    EXPECT_TRUE(SaveWindowPng(question, "latchkit_empty_subject.png"));
    PostMessageA(question, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    ASSERT_TRUE(WaitGone(question, 5000));
    CMonitorMessage message{};
    EXPECT_FALSE(client.WaitForMessage(WM_USER + 20, message, 300));
    EXPECT_TRUE(IsWindow(note));

    // OK: the text goes out, then the CC request, and the client does not ask a second time.
    PostMessageA(note, WM_COMMAND, MAKEWPARAM(40411, 0), 0);
    ASSERT_TRUE(WaitUntil([&] { return (question = FindSubjectQuestion(client)) != nullptr; }, 5000));
    PostMessageA(question, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    ASSERT_TRUE(client.WaitForMessage(WM_USER + 20, message, 5000));
    EXPECT_EQ(message.m_wParam, reinterpret_cast<WPARAM>(note));
    ASSERT_EQ(client.CopiedTexts().size(), 1u);
    EXPECT_EQ(client.CopiedTexts()[0],
              std::string(";kim@brevolt.example;lee@brevolt.example;cc@brevolt.example") + '\0');
    EXPECT_FALSE(WaitUntil([&] { return FindSubjectQuestion(client) != nullptr; }, 700));
    // The client's own setting is as it was: absent.
    DWORD value = 0;
    EXPECT_FALSE(ReadRegDword(HKEY_CURRENT_USER, kDialogsKey, "Mail Empty Subject Warning", value));
    // The stand-in's send has no server here; its failure box is of no interest.
    client.Terminate();
}
} // namespace
