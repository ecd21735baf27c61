// tests/win/outlook/outlook_commandbar_test.cpp: command bars and explorer objects as the test
// extension's object-model client uses them: a temporary button with a pasted face drawn in the bar
// window, clicked by mouse messages and found by tag; a popup on a bar of its own; ExplorerEvents,
// NewExplorer, GetFolderFromID and CreateItem; controls moved within and between bars; the 97
// build's accessibility hit test.
#include "tests/win/outlook/outlook_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace oltest;

namespace
{
// The face the extension pastes, as the screen holds it (0x00RRGGBB).
constexpr DWORD kFaceColour = 0x0020A040;

class OutlookCommandBarTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        PrepareMachine();
    }
    void TearDown() override
    {
        ForgetExtensions();
    }
};

bool WaitForCount(const COutlookRun& p_oRun, const std::string& p_sPrefix, size_t p_nCount)
{
    for (int i = 0; i < 200; ++i)
    {
        if (LinesStarting(ReadLines(p_oRun.m_sExtensionLog), p_sPrefix).size() >= p_nCount)
            return true;
        Sleep(50);
    }
    return false;
}

TEST_F(OutlookCommandBarTest, ButtonIsDrawnClickedAndFoundAndExplorerEventsReachTheirSinks)
{
    COutlookRun run(OUTLOOK110_EXE);
    ASSERT_TRUE(run.Started());
    const std::vector<std::string> log = ReadLines(run.m_sExtensionLog);
    // Every step of the client succeeded, a second bar of the same name is refused, the Inbox comes back
    // by its entry id while an id of nothing is refused, and a published form is found where a product
    // looks for it.
    for (const char* line :
         {"CommandBar added caption 0x00000000 tag 0x00000000 style 0x00000000 face 0x00000000 sink yes",
          "FindControl Send SMS same yes none yes duplicate bar refused",
          "FolderFromID Inbox items 2 same yes bad refused",
          "PublishForm 0x00000000 without folder refused found yes other no",
          // Move lands in front of the control at Before (last without one), to another bar too; a popup
          // into its own list and a Bar that is no bar are refused.
          "Move B-A-C-P returned C-B-A-P C-A-P-B A-P-B-C A-P-B-C | P-B-C / A index 1 own list refused stranger "
          "refused"})
        EXPECT_TRUE(ContainsLine(log, line)) << line << "\n" << ReadText(run.m_sExtensionLog);

    const std::string dump = TempDir() + "\\bars.txt";
    ASSERT_TRUE(run.Command("dump-bars " + dump));
    const std::string bars = ReadText(dump);
    for (const char* line :
         {"bar 'Menu Bar' visible position 6 builtin\n", "bar 'Standard' visible position 1 builtin\n",
          "bar 'Advanced' hidden position 1 builtin\n", "bar 'SMS Bar' visible position 1 temporary\n",
          "  control 10 30131 'Actions' tag '' visible enabled permanent -"})
        EXPECT_NE(bars.find(line), std::string::npos) << line << "\n" << bars;
    const std::string button = ControlLine(dump, "Send SMS");
    ASSERT_NE(button.find("'Send SMS' tag 'brevolt-sms-1' visible enabled temporary face rect "), std::string::npos)
        << bars;
    RECT place{};
    ASSERT_EQ(std::sscanf(button.c_str() + button.find("rect ") + 5, "%ld,%ld,%ld,%ld", &place.left, &place.top,
                          &place.right, &place.bottom),
              4);

    HWND explorer = run.FindWindowOf("rctrl_renwnd32", "Inbox - Microsoft Outlook");
    ASSERT_NE(explorer, nullptr);
    HWND standard = FindWindowExA(explorer, nullptr, "MsoCommandBar", "Standard");
    ASSERT_NE(standard, nullptr);
    // A bar given the row of "Standard" and a Left beyond it shares that row, after it.
    HWND newBar = FindWindowExA(explorer, nullptr, "MsoCommandBar", "New SMS Bar");
    ASSERT_NE(newBar, nullptr);
    RECT standardPlace{};
    RECT newPlace{};
    GetWindowRect(standard, &standardPlace);
    GetWindowRect(newBar, &newPlace);
    EXPECT_EQ(newPlace.top, standardPlace.top);
    EXPECT_GE(newPlace.left, standardPlace.right);
    EXPECT_GT(standardPlace.right, place.right);
    // The pasted 16 x 16 face is on the screen, inside the button.
    EXPECT_GE(CountColour(standard, kFaceColour), 16 * 16 - 16);
    // The extension's popup list open over the explorer; a second click on the popup closes it.
    ASSERT_TRUE(run.Command("bar-click SMS"));
    HWND list = run.FindWindowOf("MsoCommandBarPopup", "SMS");
    ASSERT_NE(list, nullptr);
    SavePicture(explorer, "outlook2003_commandbar");
    ASSERT_TRUE(run.Command("bar-click SMS"));
    EXPECT_FALSE(IsWindow(list));

    // A press that is released outside the button is no click; a press and release on it is.
    const LPARAM centre = MAKELPARAM((place.left + place.right) / 2, (place.top + place.bottom) / 2);
    PostMessageA(standard, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    PostMessageA(standard, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    PostMessageA(standard, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    PostMessageA(standard, WM_LBUTTONUP, 0, centre);
    ASSERT_TRUE(run.WaitForLog("Click Send SMS tag brevolt-sms-1"));
    // The sink made a mail item and displayed it: a compose note with the item's subject.
    ASSERT_TRUE(run.WaitForLog("CreateItem "));
    EXPECT_TRUE(ContainsLine(ReadLines(run.m_sExtensionLog),
                             "CreateItem class 43 subject 0x00000000 to 0x00000000 display 0x00000000"));
    EXPECT_NE(run.FindWindowOf("rctrl_renwnd32", "SMS from the button - Message"), nullptr);

    // Through a popup on the extension's own bar, by caption as a user clicks.
    ASSERT_TRUE(run.Command("bar-click SMS>Reply via SMS"));
    ASSERT_TRUE(run.WaitForLog("Click Reply via SMS tag brevolt-reply"));
    EXPECT_EQ(LinesStarting(ReadLines(run.m_sExtensionLog), "Click Send SMS").size(), 1u);
    // A control without a sink of its own reaches the sinks of the controls sharing its tag.
    ASSERT_TRUE(run.Command("bar-click SMS>Also SMS"));
    ASSERT_TRUE(run.WaitForLog("Click Also SMS tag brevolt-sms-1"));
    EXPECT_FALSE(run.Command("bar-click No Such Button"));
    EXPECT_FALSE(run.Command("bar-click SMS>No Such Item"));
    // By tag the control inside the closed list is reached through its popup; by id the first shown
    // control with it (the New split button's body, which opens a note).
    ASSERT_TRUE(run.Command("bar-click tag:brevolt-reply"));
    EXPECT_TRUE(WaitForCount(run, "Click Reply via SMS tag brevolt-reply", 2));
    ASSERT_TRUE(run.Command("bar-click SMS>tag:brevolt-sms-1"));
    EXPECT_TRUE(WaitForCount(run, "Click Also SMS tag brevolt-sms-1", 2));
    ASSERT_TRUE(run.Command("bar-click id:30037"));
    HWND note = nullptr;
    for (int i = 0; i < 100 && note == nullptr; ++i, Sleep(50))
        note = run.FindWindowOf("rctrl_renwnd32", "Untitled - Message");
    EXPECT_NE(note, nullptr);
    for (const char* refused : {"bar-click tag:no-such", "bar-click id:", "bar-click id:3x", "bar-click tag:"})
        EXPECT_FALSE(run.Command(refused)) << refused;

    // ExplorerEvents and NewExplorer reach the sinks connected at the viewer's Install.
    ASSERT_TRUE(run.Command("select 1"));
    ASSERT_TRUE(run.WaitForLog("ExplorerEvent SelectionChange 1 Planning meeting"));
    ASSERT_TRUE(run.Command("folder Contacts"));
    ASSERT_TRUE(run.WaitForLog("ExplorerEvent FolderSwitch Contacts"));

    // A second explorer is announced with itself; closing it raises its Close, and only its own.
    ASSERT_TRUE(run.Command("new-explorer"));
    ASSERT_TRUE(run.WaitForLog("NewExplorer "));
    EXPECT_EQ(LinesStarting(ReadLines(run.m_sExtensionLog), "NewExplorer "),
              std::vector<std::string>{"NewExplorer Inbox - Microsoft Outlook dispid 0xF001"});
    EXPECT_EQ(LinesStarting(ReadLines(run.m_sExtensionLog), "CommandBar added ").size(), 2u);
    ASSERT_TRUE(run.Command("close-explorer 1"));
    ASSERT_TRUE(run.WaitForLog("ExplorerEvent Close"));
    EXPECT_EQ(LinesStarting(ReadLines(run.m_sExtensionLog), "ExplorerEvent Close").size(), 1u);
    // The first explorer still works and its bars still click.
    ASSERT_TRUE(run.Command("bar-click Send SMS"));
    EXPECT_TRUE(WaitForCount(run, "Click Send SMS", 2));
    EXPECT_EQ(run.Quit(), 0);
    EXPECT_TRUE(WaitForCount(run, "ExplorerEvent Close", 2));
}

TEST_F(OutlookCommandBarTest, TheNinetySevenBarsAnswerAnAccessibilityHitTest)
{
    COutlookRun run(OUTLOOK80_EXE);
    ASSERT_TRUE(run.Started());
    const std::string dump = TempDir() + "\\bars97.txt";
    ASSERT_TRUE(run.Command("dump-bars " + dump));
    EXPECT_NE(ControlLine(dump, "Compose").find("control 10 30131"), std::string::npos) << ReadText(dump);
    HWND explorer = run.FindWindowOf("rctrl_renwnd32", "Inbox - Microsoft Outlook");
    ASSERT_NE(explorer, nullptr);
    SavePicture(explorer, "outlook97_commandbar");
    // The extension hit-tests the centre of its button as the 97 path of a plug-in does. Other
    // tests' windows share the display: the explorer is brought up first so the point is its own.
    SetForegroundWindow(explorer);
    SetWindowPos(explorer, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ASSERT_TRUE(run.Command("menu Test Extension Command"));
    ASSERT_TRUE(run.WaitForLog("HitTest "));
    EXPECT_EQ(LinesStarting(ReadLines(run.m_sExtensionLog), "HitTest "),
              std::vector<std::string>{"HitTest 0x00000000 name Send SMS class MsoCommandBar"});
    // The button answers IAccessible itself, as a push button placed where it is drawn, on "Standard";
    // a control of a closed list is named but has no place.
    EXPECT_EQ(LinesStarting(ReadLines(run.m_sExtensionLog), "ControlAccessible "),
              std::vector<std::string>{"ControlAccessible name Send SMS role 43 place 0x00000000 same yes parent "
                                       "Standard identity yes closed Reply via SMS 0x00000001"});

    // Tools > Customize... opens the Office dialog; a double click on a bar's row shows it.
    ASSERT_TRUE(run.Command("menu Customize..."));
    HWND customize = nullptr;
    for (int i = 0; i < 100 && customize == nullptr; ++i, Sleep(50))
        customize = run.FindWindowOf("bosa_sdm_Mso96", "Customize");
    ASSERT_NE(customize, nullptr);
    HWND list = FindWindowExA(customize, nullptr, "ListBox", nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 5);
    const auto row = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    const LPARAM advanced = MAKELPARAM(20, 2 * row + row / 2);
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, advanced);
    SendMessageA(list, WM_LBUTTONUP, 0, advanced);
    SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, advanced);
    SendMessageA(list, WM_LBUTTONUP, 0, advanced);
    ASSERT_TRUE(run.Command("dump-bars " + dump));
    EXPECT_NE(ReadText(dump).find("bar 'Advanced' visible"), std::string::npos) << ReadText(dump);
    SavePicture(explorer, "outlook97_customize");
    SendMessageA(FindWindowExA(customize, nullptr, "Button", "Close"), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(customize));
    EXPECT_EQ(run.Quit(), 0);
}
} // namespace
