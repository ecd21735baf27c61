// tests/win/plugin/plugin_col97_client_test.cpp: the plug-in in the Outlook 97 and 98 builds of the
// client stand-in, whose command bars raise no click events: the "SMS Bar" built from the resource
// module, real mouse clicks on its buttons reaching the compose server through the plug-in's mouse
// hook, the "More" entry opening the plug-in's own list whose child runs, Reply following the
// selection, the explorer's close waiting for the start-up mutex, the 97 companion put back after
// New when "Standard" was reordered, and Outlook 98's companion on a "New SMS Bar" of its own.
#include "tests/win/outlook/outlook_test_support.h"
#include "tests/win/plugin/plugin_fakes_win.h"
#include "tests/win/support/registry_text_win.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace plugintest;

namespace
{
constexpr char kUserKey[] = "Software\\Brevolt";

bool CallExport(const char* p_szName)
{
    unique_hmodule library(LoadLibraryA(BREVOLT_OUTLOOK_DLL));
    using PFN_Register = HRESULT(STDAPICALLTYPE*)();
    const auto function =
        reinterpret_cast<PFN_Register>(reinterpret_cast<void*>(GetProcAddress(library.get(), p_szName)));
    return function != nullptr && function() == S_OK;
}

size_t QuilletCalls(const std::string& p_sPrefix)
{
    size_t found = 0;
    for (const std::string& line : QuilletLog().Lines())
        found += line.rfind(p_sPrefix, 0) == 0 ? 1 : 0;
    return found;
}

bool WaitForQuillet(const std::string& p_sPrefix, size_t p_nCount = 1)
{
    return PumpUntil([&] { return QuilletCalls(p_sPrefix) >= p_nCount; }, 15000);
}

std::string DumpBars(const oltest::COutlookRun& p_oRun)
{
    const std::string path = oltest::TempDir() + "\\plugin-bars-97.txt";
    return p_oRun.Command("dump-bars " + path) ? oltest::ReadText(path) : std::string();
}

std::string ControlLine(const std::string& p_sDump, const std::string& p_sCaptionAndTag)
{
    const size_t at = p_sDump.find(p_sCaptionAndTag);
    if (at == std::string::npos)
        return {};
    const size_t begin = p_sDump.rfind('\n', at) + 1;
    return p_sDump.substr(begin, p_sDump.find('\n', at) - begin);
}

// A press and release of the left button at a screen point, as the user's mouse makes them (posted
// messages do not pass mouse hooks). Every event carries the point, so nothing that moved the cursor
// in between can move the press.
void MouseClickAt(POINT p_ptScreen, HWND p_hTarget)
{
    // Other tests show their windows on the same display: the window aimed at is raised until the
    // point is its own, so the click cannot land on one of theirs. The mouse goes to the window
    // that has the capture in the foreground thread, so the target's thread is brought to the
    // foreground too (a list the explorer's thread opened is left as it is: that thread already is).
    const HWND root = GetAncestor(p_hTarget, GA_ROOT);
    const DWORD thread = GetWindowThreadProcessId(root, nullptr);
    (void)PumpUntil(
        [&] {
            const bool foreground = GetWindowThreadProcessId(GetForegroundWindow(), nullptr) == thread;
            if (foreground && GetAncestor(WindowFromPoint(p_ptScreen), GA_ROOT) == root)
                return true;
            if (!foreground)
                SetForegroundWindow(root);
            SetWindowPos(root, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            return false;
        },
        5000);
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT inputs[3] = {};
    for (INPUT& input : inputs)
    {
        input.type = INPUT_MOUSE;
        input.mi.dx = static_cast<LONG>((p_ptScreen.x * 65535 + width / 2) / (width - 1));
        input.mi.dy = static_cast<LONG>((p_ptScreen.y * 65535 + height / 2) / (height - 1));
        input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    }
    inputs[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    inputs[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    for (INPUT& input : inputs)
    {
        SendInput(1, &input, sizeof(INPUT));
        Sleep(50);
    }
}

// Clicks at a point until p_fDone holds. A window another test opens over the point between the
// raise and the press takes that click; a click that did nothing is made again (at most three
// times), and one that did something is never repeated.
template <typename Done> bool ClickUntil(POINT p_ptScreen, HWND p_hTarget, Done p_fDone)
{
    for (int attempt = 0; attempt < 3; ++attempt)
    {
        MouseClickAt(p_ptScreen, p_hTarget);
        if (PumpUntil(p_fDone, 5000))
            return true;
    }
    return false;
}

// The screen centre of a control of the bar p_szBar, from its place in the bar window.
bool ControlCentre(const oltest::COutlookRun& p_oRun, const char* p_szBar, const std::string& p_sControl,
                   POINT& p_ptCentre)
{
    const std::string line = ControlLine(DumpBars(p_oRun), p_sControl);
    HWND explorer = p_oRun.FindWindowOf("rctrl_renwnd32", "Microsoft Outlook");
    HWND bar = explorer != nullptr ? FindWindowExA(explorer, nullptr, "MsoCommandBar", p_szBar) : nullptr;
    RECT place{};
    const size_t rect = line.find(" rect ");
    if (rect == std::string::npos || bar == nullptr ||
        std::sscanf(line.c_str() + rect + 6, "%ld,%ld,%ld,%ld", &place.left, &place.top, &place.right, &place.bottom) !=
            4)
        return false;
    p_ptCentre = POINT{(place.left + place.right) / 2, (place.top + place.bottom) / 2};
    return ClientToScreen(bar, &p_ptCentre) != FALSE;
}

// Clicks a control of a bar until the compose server has had p_nCount calls of p_sCall.
bool ClickControl(const oltest::COutlookRun& p_oRun, const char* p_szBar, const std::string& p_sControl,
                  const std::string& p_sCall, size_t p_nCount = 1)
{
    POINT centre{};
    return ControlCentre(p_oRun, p_szBar, p_sControl, centre) &&
           ClickUntil(centre, p_oRun.FindWindowOf("rctrl_renwnd32", "Microsoft Outlook"),
                      [&] { return QuilletCalls(p_sCall) >= p_nCount; });
}

class PluginCol97Test : public testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_oServer.Registered());
        oltest::PrepareMachine();
        oltest::ForgetExtensions();
        ASSERT_TRUE(CallExport("DllRegisterServer"));
        ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "Resource", RESOURCE_DLL));
        DeleteRegValue(HKEY_CURRENT_USER, kUserKey, "OutlookToolbarShowing");
        // Not the first Outlook 98 start, which only asks for a restart.
        const DWORD done = 1;
        RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Brevolt\\Options", "DoneOnce", REG_DWORD, &done, sizeof done);
        QuilletLog().Clear();
    }
    void TearDown() override
    {
        EXPECT_TRUE(CallExport("DllUnregisterServer"));
        oltest::ForgetExtensions();
        DeleteRegValue(HKEY_CURRENT_USER, kUserKey, "OutlookToolbarShowing");
    }
    CFakeQuilletServer m_oServer{QUILLET_TLB};
};

TEST_F(PluginCol97Test, The97BarRunsMouseClicksThroughTheHookAndItsMoreEntryOpensThePluginsList)
{
    oltest::COutlookRun run(OUTLOOK80_EXE);
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(WaitForQuillet("StartVMIfNecessary"));
    const std::string newSMS = "'New SMS' tag '2000 0'";
    ASSERT_TRUE(PumpUntil([&] { return !ControlLine(DumpBars(run), newSMS).empty(); }, 10000)) << DumpBars(run);
    const std::string bars = DumpBars(run);
    EXPECT_NE(bars.find("bar 'SMS Bar' visible"), std::string::npos) << bars;
    // The list of "More" is the plug-in's own here: a button, not a command-bar popup.
    EXPECT_NE(bars.find("control 1 1 'More' tag '2006 6' visible enabled temporary"), std::string::npos) << bars;
    EXPECT_NE(ControlLine(bars, "'Reply' tag '2001 1'").find(" disabled "), std::string::npos) << bars;
    EXPECT_NE(bars.find("'New Branded SMS' tag '40027 9001'"), std::string::npos) << bars;
    EXPECT_EQ(bars.find("'New SMS Bar'"), std::string::npos) << "Outlook 97 puts the companion beside New";
    HWND explorer = run.FindWindowOf("rctrl_renwnd32", "Microsoft Outlook");
    ASSERT_NE(explorer, nullptr);
    SetForegroundWindow(explorer);
    oltest::SavePicture(explorer, "plugin_outlook97_smsbar");

    ASSERT_TRUE(ClickControl(run, "SMS Bar", newSMS, "CreateNewSMS")) << "the mouse hook ran the button's command";
    ASSERT_TRUE(ClickControl(run, "Standard", "'New Branded SMS' tag '40027 9001'", "CreateNewSMS", 2));

    // One note selected: Reply is enabled and answers with the sender.
    ASSERT_TRUE(run.Command("select 0"));
    ASSERT_TRUE(PumpUntil(
        [&] { return ControlLine(DumpBars(run), "'Reply' tag '2001 1'").find(" enabled ") != std::string::npos; },
        10000))
        << DumpBars(run);
    ASSERT_TRUE(ClickControl(run, "SMS Bar", "'Reply' tag '2001 1'", "CreateNewSMS", 3));
    EXPECT_NE(QuilletLog().Lines().back().find(" +27825550101|Meet at ten"), std::string::npos)
        << QuilletLog().Lines().back();

    // "More" opens the plug-in's list under the button; its first child runs.
    POINT more{};
    ASSERT_TRUE(ControlCentre(run, "SMS Bar", "'More' tag '2006 6'", more));
    HWND list = nullptr;
    ASSERT_TRUE(ClickUntil(more, run.FindWindowOf("rctrl_renwnd32", "Microsoft Outlook"),
                           [&] { return (list = run.FindWindowOf("SMSChevronPopup", "")) != nullptr; }));
    RECT place{};
    GetWindowRect(list, &place);
    EXPECT_GT(place.top, more.y) << "under the button";
    EXPECT_GT(place.right, more.x);
    oltest::SavePicture(list, "plugin_outlook97_chevron");
    const int rowHeight = (place.bottom - place.top) / 3;
    ASSERT_TRUE(ClickUntil(POINT{place.left + 30, place.top + rowHeight / 2}, list, [&] {
        return QuilletCalls("ShowSyncReminders") >= 1;
    })) << "the first child, Sync Reminders, ran";
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(list); }, 5000));

    // The user closes the explorer while the core library starts up: it stays until the start-up
    // mutex is free, then closes (and with its last window the client ends).
    {
        CStartupHolder holder;
        ASSERT_TRUE(run.Command("close-explorer 0"));
        EXPECT_FALSE(PumpUntil([&] { return !IsWindow(explorer); }, 700)) << "closed under the start-up mutex";
        holder.Release();
        EXPECT_TRUE(PumpUntil([&] { return !IsWindow(explorer); }, 5000)) << "the close follows the release";
    }
    EXPECT_TRUE(WaitForQuillet("Released"));
}

TEST_F(PluginCol97Test, The97CompanionIsPutBackAfterNewAndStillClicksWhile98sOwnBarStaysAsItIs)
{
    {
        oltest::COutlookRun run(OUTLOOK80_EXE);
        ASSERT_TRUE(run.Started());
        ASSERT_TRUE(WaitForQuillet("StartVMIfNecessary"));
        HWND explorer = run.FindWindowOf("rctrl_renwnd32", "Microsoft Outlook");
        ASSERT_NE(explorer, nullptr);
        size_t copies = 0;
        ASSERT_TRUE(PumpUntil([&] { return CompanionOffset(DumpBars(run), copies) == 1; }, 10000)) << DumpBars(run);
        ASSERT_TRUE(run.Command("bar-move 1 tag:40027 9001"));
        ASSERT_EQ(CompanionOffset(DumpBars(run), copies), -1) << DumpBars(run);
        SendMessageA(explorer, WM_INITMENU, reinterpret_cast<WPARAM>(GetMenu(explorer)), 0);
        EXPECT_TRUE(PumpUntil([&] { return CompanionOffset(DumpBars(run), copies) == 1; }, 10000)) << DumpBars(run);
        EXPECT_EQ(copies, 1u);
        // The mouse hook finds the control where it stands now.
        SetForegroundWindow(explorer);
        ASSERT_TRUE(ClickControl(run, "Standard", "'New Branded SMS' tag '40027 9001'", "CreateNewSMS"));
        EXPECT_EQ(run.Quit(), 0);
    }
    oltest::COutlookRun run(OUTLOOK85_EXE);
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(WaitForQuillet("StartVMIfNecessary", 2));
    HWND explorer = run.FindWindowOf("rctrl_renwnd32", "Microsoft Outlook");
    ASSERT_NE(explorer, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return DumpBars(run).find("bar 'New SMS Bar' visible") != std::string::npos; }, 10000));
    const std::string before = DumpBars(run);
    SendMessageA(explorer, WM_INITMENU, reinterpret_cast<WPARAM>(GetMenu(explorer)), 0);
    EXPECT_EQ(SendMessageA(explorer, WM_COMMAND, 0xF449, 0), 0);
    EXPECT_EQ(DumpBars(run), before) << "the companion stands alone on its own bar: nothing is re-placed";
    EXPECT_EQ(run.Quit(), 0);
}

TEST_F(PluginCol97Test, The98CompanionStandsOnANewSMSBarOnTheStandardRowAndClicks)
{
    oltest::COutlookRun run(OUTLOOK85_EXE);
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(WaitForQuillet("StartVMIfNecessary"));
    EXPECT_EQ(QuilletLog().Lines().front().rfind("Init 0 2 session app ", 0), 0u) << "Outlook 98 is code 2";
    const std::string companion = "'New Branded SMS' tag '40027 9001'";
    ASSERT_TRUE(PumpUntil([&] { return !ControlLine(DumpBars(run), companion).empty(); }, 10000)) << DumpBars(run);
    const std::string bars = DumpBars(run);
    const size_t newBar = bars.find("bar 'New SMS Bar' visible");
    ASSERT_NE(newBar, std::string::npos) << bars;
    EXPECT_GT(bars.find(companion), newBar) << bars;
    EXPECT_EQ(bars.find("bar ", newBar + 1) == std::string::npos ||
                  bars.find(companion) < bars.find("bar ", newBar + 1),
              true)
        << "the companion is on New SMS Bar: " << bars;
    HWND explorer = run.FindWindowOf("rctrl_renwnd32", "Microsoft Outlook");
    ASSERT_NE(explorer, nullptr);
    HWND standard = FindWindowExA(explorer, nullptr, "MsoCommandBar", "Standard");
    HWND smsNew = FindWindowExA(explorer, nullptr, "MsoCommandBar", "New SMS Bar");
    ASSERT_NE(standard, nullptr);
    ASSERT_NE(smsNew, nullptr);
    RECT standardPlace{};
    RECT newPlace{};
    GetWindowRect(standard, &standardPlace);
    GetWindowRect(smsNew, &newPlace);
    EXPECT_EQ(newPlace.top, standardPlace.top) << "docked on Standard's row";
    EXPECT_GE(newPlace.left, standardPlace.right) << "after it";
    oltest::SavePicture(explorer, "plugin_outlook98_newsmsbar");
    ASSERT_TRUE(ClickControl(run, "New SMS Bar", companion, "CreateNewSMS"));
    EXPECT_EQ(run.Quit(), 0);
}
} // namespace
