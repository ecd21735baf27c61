// tests/win/plugin/plugin_bar_test.cpp: the plug-in in the 2003 and 2000 builds of the client
// stand-in: the "SMS Bar" built from the resource module with its faces, tags and click sinks, the
// "New Branded SMS" companions (put back after New, once, when the bar was reordered or the companion
// deleted), the user's clipboard kept across the face pastes, Reply and Forward following the
// selection, New SMS and Reply from the bar reaching the compose server (the test's fake), the bar
// rebuilt when another component replaces the resource module, and the bar's visibility stored when
// the explorer closes and obeyed at the next start.
#include "tests/win/outlook/outlook_test_support.h"
#include "tests/win/plugin/plugin_fakes_win.h"
#include "tests/win/support/registry_text_win.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

using namespace plugintest;

namespace
{
constexpr char kUserKey[] = "Software\\Brevolt";
constexpr char kClipboardText[] = "The user's own clipboard text";
// The colour of the user's clipboard bitmap (0x00RRGGBB as a 32-bit DIB holds it).
constexpr DWORD kClipboardColour = 0x00C01030;

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

// The dump line of the control with that caption and tag ("'Reply' tag '2001 1'"), or empty.
std::string ControlLine(const std::string& p_sDump, const std::string& p_sCaptionAndTag)
{
    const size_t at = p_sDump.find(p_sCaptionAndTag);
    if (at == std::string::npos)
        return {};
    const size_t begin = p_sDump.rfind('\n', at) + 1;
    return p_sDump.substr(begin, p_sDump.find('\n', at) - begin);
}

std::string DumpBars(const oltest::COutlookRun& p_oRun)
{
    const std::string path = oltest::TempDir() + "\\plugin-bars.txt";
    return p_oRun.Command("dump-bars " + path) ? oltest::ReadText(path) : std::string();
}

// Waits until the control's dump line holds p_sState (the selection reaches the plug-in through
// the client's queue).
bool WaitForControlState(const oltest::COutlookRun& p_oRun, const std::string& p_sControl, const std::string& p_sState)
{
    return PumpUntil([&] { return ControlLine(DumpBars(p_oRun), p_sControl).find(p_sState) != std::string::npos; },
                     10000);
}

// Clicks the control as a user does: button down and up at the centre of its place in the bar's
// window (captions alone are not unique: the client has its own Reply and Forward).
bool ClickOnBar(const oltest::COutlookRun& p_oRun, const char* p_szBar, const std::string& p_sControl)
{
    const std::string line = ControlLine(DumpBars(p_oRun), p_sControl);
    RECT place{};
    const size_t rect = line.find(" rect ");
    HWND explorer = p_oRun.FindWindowOf("rctrl_renwnd32", "Microsoft Outlook");
    HWND bar = explorer != nullptr ? FindWindowExA(explorer, nullptr, "MsoCommandBar", p_szBar) : nullptr;
    if (rect == std::string::npos || bar == nullptr ||
        std::sscanf(line.c_str() + rect + 6, "%ld,%ld,%ld,%ld", &place.left, &place.top, &place.right, &place.bottom) !=
            4)
        return false;
    const LPARAM centre = MAKELPARAM((place.left + place.right) / 2, (place.top + place.bottom) / 2);
    PostMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    PostMessageA(bar, WM_LBUTTONUP, 0, centre);
    return true;
}

// The user's clipboard before the client starts: text and a bitmap of one colour.
bool SeedClipboard()
{
    const std::vector<DWORD> pixels(8 * 8, kClipboardColour);
    unique_hbitmap bitmap(CreateBitmap(8, 8, 1, 32, pixels.data()));
    unique_hglobal text(GlobalAlloc(GMEM_MOVEABLE, sizeof kClipboardText));
    if (!bitmap || !text || !OpenClipboard(nullptr))
        return false;
    std::memcpy(GlobalLock(text.get()), kClipboardText, sizeof kClipboardText);
    GlobalUnlock(text.get());
    bool put = EmptyClipboard() && SetClipboardData(CF_TEXT, text.get()) != nullptr;
    if (put)
        (void)text.release();
    put = put && SetClipboardData(CF_BITMAP, bitmap.get()) != nullptr;
    if (put)
        (void)bitmap.release();
    CloseClipboard();
    return put;
}

// The clipboard's text and the colour of its bitmap's first pixel.
void ReadClipboard(std::string& p_sText, DWORD& p_dwColour)
{
    p_sText.clear();
    p_dwColour = 0xFFFFFFFF;
    if (!OpenClipboard(nullptr))
        return;
    if (HANDLE text = GetClipboardData(CF_TEXT))
    {
        p_sText = static_cast<const char*>(GlobalLock(text));
        GlobalUnlock(text);
    }
    if (auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)))
    {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 8, -8, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        std::vector<DWORD> pixels(8 * 8);
        unique_window_dc screen(nullptr);
        if (GetDIBits(screen.get(), bitmap, 0, 8, pixels.data(), &info, DIB_RGB_COLORS) == 8)
            p_dwColour = pixels[0] & 0xFFFFFF;
    }
    CloseClipboard();
}

// Tools > Customize... and a double click on the bar's row, as a user hides a bar.
bool ToggleBarByCustomize(const oltest::COutlookRun& p_oRun, const char* p_szBar)
{
    if (!p_oRun.Command("menu Customize..."))
        return false;
    HWND customize = nullptr;
    if (!PumpUntil([&] { return (customize = p_oRun.FindWindowOf("bosa_sdm_Mso96", "Customize")) != nullptr; }, 10000))
        return false;
    HWND list = FindWindowExA(customize, nullptr, "ListBox", nullptr);
    const std::string row = std::string("[x] ") + p_szBar;
    const auto index = static_cast<int>(
        SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(row.c_str())));
    if (index < 0)
        return false;
    const auto height = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    const LPARAM point = MAKELPARAM(20, index * height + height / 2);
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageA(list, WM_LBUTTONUP, 0, point);
    SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
    SendMessageA(list, WM_LBUTTONUP, 0, point);
    SendMessageA(FindWindowExA(customize, nullptr, "Button", "Close"), BM_CLICK, 0, 0);
    return true;
}

// As a component that replaces the resource module: the "Resource" setting changed under the
// changing mutex of the client's process, then its change event (once the watcher made it).
bool ReplaceResourceModule(HWND p_hExplorer, const char* p_szModule)
{
    DWORD process = 0;
    GetWindowThreadProcessId(p_hExplorer, &process);
    const std::string pid = std::to_string(process);
    unique_handle changeEvent;
    const bool watched = PumpUntil(
        [&] {
            changeEvent.reset(OpenEventA(EVENT_MODIFY_STATE, FALSE, ("ResourceChangeEvent" + pid).c_str()));
            return static_cast<bool>(changeEvent);
        },
        10000);
    unique_handle changing(
        OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, ("ResourceChangingMutex" + pid).c_str()));
    if (!watched || !changing || WaitForSingleObject(changing.get(), 10000) != WAIT_OBJECT_0)
        return false;
    const bool changed =
        WriteRegText(HKEY_CURRENT_USER, kUserKey, "Resource", p_szModule) && SetEvent(changeEvent.get());
    return ReleaseMutex(changing.get()) && changed;
}

class PluginBarTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_oServer.Registered());
        oltest::PrepareMachine();
        oltest::ForgetExtensions();
        ASSERT_TRUE(CallExport("DllRegisterServer"));
        ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "Resource", RESOURCE_DLL));
        QuilletLog().Clear();
    }
    void TearDown() override
    {
        EXPECT_TRUE(CallExport("DllUnregisterServer"));
        oltest::ForgetExtensions();
        DeleteRegValue(HKEY_CURRENT_USER, kUserKey, "OutlookToolbarShowing");
        EXPECT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "Resource", RESOURCE_DLL));
    }
    CFakeQuilletServer m_oServer{QUILLET_TLB};
};

TEST_F(PluginBarTest, The2003BarCarriesTheModulesButtonsRunsThemKeepsTheClipboardAndStoresItsState)
{
    DeleteRegValue(HKEY_CURRENT_USER, kUserKey, "OutlookToolbarShowing");
    ASSERT_TRUE(SeedClipboard());
    oltest::COutlookRun run(OUTLOOK110_EXE);
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(WaitForQuillet("StartVMIfNecessary")) << "the viewer's Install succeeded";
    EXPECT_EQ(QuilletLog().Lines().front().rfind("Init 0 5 session app ", 0), 0u) << "Outlook 2003 is code 5";

    // The module's entries in file order, faces pasted, tags "command position", sinks connected.
    const std::string bars = DumpBars(run);
    ASSERT_NE(bars.find("bar 'SMS Bar' visible position 1 "), std::string::npos) << bars;
    for (const char* control : {"control 1 1 'New SMS' tag '2000 0' visible enabled temporary face",
                                "control 1 1 'Reply' tag '2001 1' visible disabled temporary face",
                                "control 1 1 'Forward' tag '2002 2' visible disabled temporary face",
                                "control 1 1 'Rules' tag '2005 5' visible enabled temporary face",
                                "control 10 1 'More' tag '2006 6' visible enabled temporary -",
                                "    control 1 1 'About' tag '2009 9' visible enabled temporary face",
                                "control 1 1 'New Branded SMS' tag '40027 9001' visible enabled temporary face"})
        EXPECT_NE(bars.find(control), std::string::npos) << control << "\n" << bars;
    // Beside New on Standard, in New's list and in the Actions menu.
    const size_t standard = bars.find("bar 'Standard'");
    const size_t newButton = bars.find("'New' tag", standard);
    ASSERT_NE(newButton, std::string::npos) << bars;
    EXPECT_LT(bars.find("'Mail Message'", newButton), bars.find("'New Branded SMS' tag '40027 9002'")) << bars;
    EXPECT_LT(bars.find("'Actions'"), bars.find("'New Branded SMS' tag '40027 9003'")) << bars;
    EXPECT_LT(bars.find("'New Branded SMS' tag '40027 9001'"), bars.find("'Print'", standard)) << bars;

    std::string text;
    DWORD colour = 0;
    ReadClipboard(text, colour);
    EXPECT_EQ(text, kClipboardText) << "the user's clipboard text survives the face pastes";
    EXPECT_EQ(colour, kClipboardColour) << "and so does the user's bitmap";

    const std::string menus = oltest::TempDir() + "\\plugin-menus-2003.txt";
    ASSERT_TRUE(run.Command("dump-menus " + menus));
    EXPECT_NE(oltest::ReadText(menus).find("Brevolt\t"), std::string::npos) << oltest::ReadText(menus);
    HWND explorer = run.FindWindowOf("rctrl_renwnd32", "Microsoft Outlook");
    ASSERT_NE(explorer, nullptr);
    oltest::SavePicture(explorer, "plugin_2003_smsbar");

    // Clicks run the commands: New SMS from the bar and from the companion beside New.
    ASSERT_TRUE(run.Command("bar-click New SMS"));
    ASSERT_TRUE(WaitForQuillet("CreateNewSMS"));
    ASSERT_TRUE(run.Command("bar-click New Branded SMS"));
    ASSERT_TRUE(WaitForQuillet("CreateNewSMS", 2));
    EXPECT_EQ(QuilletCalls("CreateNewSMS"), 2u) << "one click, one command";

    // Reply and Forward follow the selection: one note enables them, two items or a meeting do not.
    const std::string reply = "'Reply' tag '2001 1'";
    const std::string forward = "'Forward' tag '2002 2'";
    ASSERT_TRUE(run.Command("select 0"));
    EXPECT_TRUE(WaitForControlState(run, reply, " enabled ")) << DumpBars(run);
    EXPECT_TRUE(WaitForControlState(run, forward, " enabled "));
    ASSERT_TRUE(ClickOnBar(run, "SMS Bar", reply));
    ASSERT_TRUE(WaitForQuillet("CreateNewSMS", 3));
    EXPECT_NE(QuilletLog().Lines().back().find(" +27825550101|Meet at ten"), std::string::npos)
        << QuilletLog().Lines().back();
    ASSERT_TRUE(run.Command("select 0,1"));
    EXPECT_TRUE(WaitForControlState(run, reply, " disabled ")) << DumpBars(run);
    EXPECT_TRUE(WaitForControlState(run, forward, " disabled "));
    ASSERT_TRUE(run.Command("dump-menus " + menus));
    // The Br&evolt menu follows the same event, before it is ever opened.
    size_t viaSMS = 0;
    for (const std::string& line : oltest::ReadLines(menus))
    {
        if (line.find("via SMS\t") == std::string::npos)
            continue;
        ++viaSMS;
        EXPECT_NE(line.find("disabled"), std::string::npos) << line;
    }
    EXPECT_EQ(viaSMS, 2u);
    ASSERT_TRUE(run.Command("select 0"));
    ASSERT_TRUE(WaitForControlState(run, reply, " enabled "));
    ASSERT_TRUE(run.Command("select 1"));
    EXPECT_TRUE(WaitForControlState(run, reply, " disabled ")) << "a meeting request is no note";

    // Another component replaces the resource module as the watcher expects: under the changing
    // mutex, then the change event. The bars of both explorers are rebuilt with the new module's
    // buttons, which click.
    ASSERT_TRUE(run.Command("new-explorer"));
    ASSERT_TRUE(ReplaceResourceModule(explorer, CHANGED_RESOURCE_DLL));
    const std::string changedOne = "'Changed One' tag '2000 0'";
    ASSERT_TRUE(PumpUntil([&] { return !ControlLine(DumpBars(run), changedOne).empty(); }, 10000)) << DumpBars(run);
    const std::string rebuilt = DumpBars(run);
    EXPECT_EQ(rebuilt.find("'New SMS' tag '2000 0'"), std::string::npos) << rebuilt;
    EXPECT_NE(rebuilt.find("'Changed Two' tag '2001 1' visible enabled temporary face"), std::string::npos) << rebuilt;
    EXPECT_NE(rebuilt.find("'New Branded SMS' tag '40027 9001'"), std::string::npos) << "the companions stay";
    ASSERT_TRUE(ClickOnBar(run, "SMS Bar", changedOne));
    ASSERT_TRUE(WaitForQuillet("CreateNewSMS", 4));
    // The first explorer closes: the compose server is re-pointed to the second, whose bar was
    // rebuilt as well.
    ASSERT_TRUE(run.Command("close-explorer 0"));
    ASSERT_TRUE(WaitForQuillet("SetBrowserWindow"));
    const std::string second = DumpBars(run);
    EXPECT_NE(second.find("'Changed Two' tag '2001 1' visible enabled temporary face"), std::string::npos) << second;
    EXPECT_EQ(second.find("'New SMS' tag '2000 0'"), std::string::npos) << second;

    // Hidden by the user and closed: the state is stored.
    ASSERT_TRUE(ToggleBarByCustomize(run, "SMS Bar"));
    ASSERT_NE(DumpBars(run).find("bar 'SMS Bar' hidden"), std::string::npos);
    EXPECT_EQ(run.Quit(), 0);
    std::string stored;
    EXPECT_TRUE(ReadRegText(HKEY_CURRENT_USER, kUserKey, "OutlookToolbarShowing", stored));
    EXPECT_EQ(stored, "False");
    EXPECT_TRUE(WaitForQuillet("Released")) << "the last explorer releases the compose server";
}

TEST_F(PluginBarTest, The2000And2002ClientsInstallTheMenuKeepAStoredHiddenBarHiddenAndDefaultTheCompanion)
{
    ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "OutlookToolbarShowing", "False"));
    // A module without "NewSMS.txt": the companions are still added, captioned by default.
    ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "Resource", CHANGED_RESOURCE_DLL));
    for (const char* exe : {OUTLOOK90_EXE, OUTLOOK100_EXE})
    {
        QuilletLog().Clear();
        oltest::COutlookRun run(exe);
        ASSERT_TRUE(run.Started()) << exe;
        ASSERT_TRUE(WaitForQuillet("StartVMIfNecessary")) << exe;
        const std::string bars = DumpBars(run);
        EXPECT_NE(bars.find("bar 'SMS Bar' hidden"), std::string::npos) << bars;
        EXPECT_NE(bars.find("'Changed One' tag '2000 0' visible enabled temporary face"), std::string::npos) << bars;
        EXPECT_NE(bars.find("'New Branded SMS' tag '40027 9001' visible enabled temporary - "), std::string::npos)
            << bars;
        const std::string menus = oltest::TempDir() + "\\plugin-menus-2000.txt";
        ASSERT_TRUE(run.Command("dump-menus " + menus));
        EXPECT_NE(oltest::ReadText(menus).find("Brevolt\t"), std::string::npos) << exe;
        EXPECT_EQ(run.Quit(), 0);
        std::string stored;
        EXPECT_TRUE(ReadRegText(HKEY_CURRENT_USER, kUserKey, "OutlookToolbarShowing", stored));
        EXPECT_EQ(stored, "False") << exe;
    }
}
TEST_F(PluginBarTest, TheCompanionBesideNewIsPutBackOnceWhenTheStandardBarWasReordered)
{
    oltest::COutlookRun run(OUTLOOK110_EXE);
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(WaitForQuillet("StartVMIfNecessary"));
    HWND explorer = run.FindWindowOf("rctrl_renwnd32", "Microsoft Outlook");
    ASSERT_NE(explorer, nullptr);
    size_t copies = 0;
    ASSERT_EQ(CompanionOffset(DumpBars(run), copies), 1) << DumpBars(run);
    const size_t controls = StandardRow(DumpBars(run)).size();

    // Another add-in puts the companion in front of New, then the user opens a menu: the plug-in's
    // InitMenu asks for the positions to be rectified and the companion is moved back, once.
    const std::string companion = "tag:40027 9001";
    ASSERT_TRUE(run.Command("bar-move 1 " + companion));
    ASSERT_EQ(CompanionOffset(DumpBars(run), copies), -1) << DumpBars(run);
    SendMessageA(explorer, WM_INITMENU, reinterpret_cast<WPARAM>(GetMenu(explorer)), 0);
    EXPECT_TRUE(PumpUntil([&] { return CompanionOffset(DumpBars(run), copies) == 1; }, 10000)) << DumpBars(run);
    EXPECT_EQ(copies, 1u);
    EXPECT_EQ(StandardRow(DumpBars(run)).size(), controls) << "moved, not added";

    // Rectified once per explorer: a later reorder stays, whether a menu opens or the command comes.
    ASSERT_TRUE(run.Command("bar-move 0 " + companion));
    const long last = CompanionOffset(DumpBars(run), copies);
    ASSERT_GT(last, 1) << DumpBars(run);
    SendMessageA(explorer, WM_INITMENU, reinterpret_cast<WPARAM>(GetMenu(explorer)), 0);
    EXPECT_EQ(SendMessageA(explorer, WM_COMMAND, 0xF449, 0), 0);
    EXPECT_EQ(CompanionOffset(DumpBars(run), copies), last) << DumpBars(run);

    // The companion still runs New SMS from where it is.
    ASSERT_TRUE(run.Command("bar-click New Branded SMS"));
    EXPECT_TRUE(WaitForQuillet("CreateNewSMS"));
    EXPECT_EQ(run.Quit(), 0);
}

TEST_F(PluginBarTest, AnAddInThatDeletesTheCompanionSeesItAddedAgainAfterNewWithItsFace)
{
    ASSERT_TRUE(SeedClipboard());
    oltest::COutlookRun run(OUTLOOK110_EXE);
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(WaitForQuillet("StartVMIfNecessary"));
    HWND explorer = run.FindWindowOf("rctrl_renwnd32", "Microsoft Outlook");
    ASSERT_NE(explorer, nullptr);
    ASSERT_TRUE(run.Command("bar-delete tag:40027 9001"));
    size_t copies = 0;
    ASSERT_EQ(CompanionOffset(DumpBars(run), copies), 0) << DumpBars(run);

    SendMessageA(explorer, WM_INITMENU, reinterpret_cast<WPARAM>(GetMenu(explorer)), 0);
    ASSERT_TRUE(PumpUntil([&] { return CompanionOffset(DumpBars(run), copies) == 1; }, 10000)) << DumpBars(run);
    EXPECT_EQ(copies, 1u);
    const std::string bars = DumpBars(run);
    EXPECT_NE(bars.find("'New Branded SMS' tag '40027 9001' visible enabled temporary face"), std::string::npos)
        << bars;
    std::string text;
    DWORD colour = 0;
    ReadClipboard(text, colour);
    EXPECT_EQ(text, kClipboardText) << "the face paste keeps the user's clipboard";
    EXPECT_EQ(colour, kClipboardColour);

    // The new control is connected: its click runs New SMS once.
    ASSERT_TRUE(run.Command("bar-click New Branded SMS"));
    ASSERT_TRUE(WaitForQuillet("CreateNewSMS"));
    EXPECT_EQ(QuilletCalls("CreateNewSMS"), 1u);
    EXPECT_EQ(run.Quit(), 0);
}

} // namespace
