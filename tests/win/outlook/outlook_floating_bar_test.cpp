// tests/win/outlook/outlook_floating_bar_test.cpp: a floating command bar made through the object model
// is a tool window of its own over the explorer, placed where Left and Top say, clicked like a docked one
// and hidden by its close box; FaceId draws the stand-in's built-in faces, an unknown number a blank.
#include "tests/win/outlook/outlook_test_support.h"

#include <gtest/gtest.h>

#include <objbase.h>

using namespace oltest;

namespace
{
// The smiley face (59) is filled with this colour, as the screen holds it (0x00RRGGBB).
constexpr DWORD kSmileyColour = 0x00FFCC00;

class OutlookFloatingBarTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        PrepareMachine();
        ASSERT_EQ(RunAndWait(std::string("\"") + OUTLOOK110_EXE + "\" /regserver"), 0);
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    }
    void TearDown() override
    {
        CoUninitialize();
        ForgetExtensions();
    }
    // Taken back after TearDown, so the suites after this one find no client registered.
    CClientRegistrationRestore m_oRegistration;
};

// Waits until the window shows p_iAtLeast pixels of the colour (or at most p_iAtMost).
bool WaitForColour(HWND p_hWnd, DWORD p_dwColour, int p_iAtLeast, int p_iAtMost)
{
    for (int i = 0; i < 100; ++i, Sleep(50))
    {
        const int count = CountColour(p_hWnd, p_dwColour);
        if (count >= p_iAtLeast && count <= p_iAtMost)
            return true;
    }
    return false;
}

TEST_F(OutlookFloatingBarTest, AFloatingBarIsAToolWindowThatClicksAndShowsBuiltInFaces)
{
    COutlookRun run(OUTLOOK110_EXE);
    ASSERT_TRUE(run.Started());
    com_ptr<IDispatch> application = ConnectToApplication();
    ASSERT_TRUE(application);
    CDispResult explorerObject = CallByName(application.get(), L"ActiveExplorer");
    CDispResult bars = CallByName(explorerObject.Object(), L"CommandBars");
    HWND explorer = run.FindWindowOf("rctrl_renwnd32", "Inbox - Microsoft Outlook");
    ASSERT_NE(explorer, nullptr);
    RECT frame{};
    GetWindowRect(explorer, &frame);

    CDispResult bar =
        CallByName(bars.Object(), L"Add", {TextArg(L"Floating Tools"), LongArg(4), MissingArg(), BoolArg(true)});
    ASSERT_NE(bar.Object(), nullptr);
    CDispResult controls = CallByName(bar.Object(), L"Controls");
    CDispResult smile = CallByName(controls.Object(), L"Add", {LongArg(1)});
    EXPECT_EQ(PutByName(smile.Object(), L"Caption", TextArg(L"Smile")), S_OK);
    EXPECT_EQ(PutByName(smile.Object(), L"Style", LongArg(3)), S_OK);
    // A built-in id copies the control's caption and action (a new mail message).
    CDispResult mail = CallByName(controls.Object(), L"Add", {LongArg(1), LongArg(1757)});
    EXPECT_EQ(CallByName(mail.Object(), L"Caption").Text(), "&Mail Message");
    EXPECT_EQ(PutByName(mail.Object(), L"FaceId", LongArg(1757)), S_OK);
    CDispResult blank = CallByName(controls.Object(), L"Add", {LongArg(1)});
    EXPECT_EQ(PutByName(blank.Object(), L"Caption", TextArg(L"Blank")), S_OK);
    EXPECT_EQ(PutByName(blank.Object(), L"FaceId", LongArg(99999)), S_OK);
    EXPECT_EQ(PutByName(bar.Object(), L"Left", LongArg(frame.left + 40)), S_OK);
    EXPECT_EQ(PutByName(bar.Object(), L"Top", LongArg(frame.top + 220)), S_OK);
    EXPECT_EQ(PutByName(bar.Object(), L"Visible", BoolArg(true)), S_OK);

    // Its own top-level tool window, owned by the explorer, where it was put.
    HWND floating = run.FindWindowOf("MsoCommandBar", "Floating Tools");
    ASSERT_NE(floating, nullptr);
    EXPECT_EQ(GetWindowLongPtrA(floating, GWL_STYLE) & WS_CHILD, 0);
    EXPECT_NE(GetWindowLongPtrA(floating, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    EXPECT_EQ(GetWindow(floating, GW_OWNER), explorer);
    RECT place{};
    GetWindowRect(floating, &place);
    EXPECT_EQ(place.left, frame.left + 40);
    EXPECT_EQ(place.top, frame.top + 220);
    EXPECT_EQ(CallByName(bar.Object(), L"Left").Number(), frame.left + 40);
    EXPECT_EQ(CallByName(bar.Object(), L"Position").Number(), 4);
    EXPECT_EQ(FindWindowExA(explorer, nullptr, "MsoCommandBar", "Floating Tools"), nullptr) << "no docked row";

    // A face by number: none until it is set, the table's drawing once set, a blank for a number the
    // table does not hold, none again for 0.
    EXPECT_TRUE(WaitForColour(floating, kSmileyColour, 0, 0));
    EXPECT_EQ(PutByName(smile.Object(), L"FaceId", LongArg(59)), S_OK);
    EXPECT_TRUE(WaitForColour(floating, kSmileyColour, 100, 256)) << CountColour(floating, kSmileyColour);
    EXPECT_EQ(CallByName(smile.Object(), L"FaceId").Number(), 59);
    EXPECT_EQ(CallByName(blank.Object(), L"FaceId").Number(), 99999);
    const std::string dump = TempDir() + "\\floating.txt";
    ASSERT_TRUE(run.Command("dump-bars " + dump));
    EXPECT_NE(ReadText(dump).find("bar 'Floating Tools' visible position 4 temporary"), std::string::npos);
    EXPECT_NE(ControlLine(dump, "Blank").find(" face rect "), std::string::npos) << ControlLine(dump, "Blank");
    SavePicture(explorer, "outlook2003_floating_bar");

    // Clicked as any bar is: the copied control opens a new mail message.
    ASSERT_TRUE(run.Command("bar-click Floating Tools") == false);
    ASSERT_TRUE(run.Command("bar-click id:1757"));
    HWND note = nullptr;
    for (int i = 0; i < 100 && note == nullptr; ++i, Sleep(50))
        note = run.FindWindowOf("rctrl_renwnd32", "Untitled - Message");
    EXPECT_NE(note, nullptr);
    if (note != nullptr)
        PostMessageA(note, WM_CLOSE, 0, 0);
    EXPECT_EQ(PutByName(smile.Object(), L"FaceId", LongArg(0)), S_OK);
    EXPECT_TRUE(WaitForColour(floating, kSmileyColour, 0, 0));

    // The close box hides the bar; docking it gives it a row in the explorer instead of a window.
    SendMessageA(floating, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(floating));
    EXPECT_EQ(CallByName(bar.Object(), L"Visible").Number(), 0);
    EXPECT_EQ(PutByName(bar.Object(), L"Position", LongArg(1)), S_OK);
    EXPECT_EQ(PutByName(bar.Object(), L"Visible", BoolArg(true)), S_OK);
    EXPECT_NE(FindWindowExA(explorer, nullptr, "MsoCommandBar", "Floating Tools"), nullptr);
    EXPECT_EQ(run.FindWindowOf("MsoCommandBar", "Floating Tools"), nullptr);
    // The menu bar does not float, and there is no position beyond floating for a bar.
    CDispResult menuBar = CallByName(bars.Object(), L"Item", {TextArg(L"Menu Bar")});
    EXPECT_TRUE(FAILED(PutByName(menuBar.Object(), L"Position", LongArg(4))));
    EXPECT_TRUE(FAILED(PutByName(bar.Object(), L"Position", LongArg(5))));
    EXPECT_EQ(run.Quit(), 0);
}
} // namespace
