// tests/win/oehook/latchkit_test.cpp: Latchkit inside the mail client stand-in, hooked the way the
// launcher hooks it: the SMS band and the "B&revolt" menus, their commands as the monitor window
// receives them, the New menu's item, the stored bar state, the close held back for SMS windows,
// and a hook call in a process that is not the monitored one.
#include "oehook/column_layout.h"
#include "oehook/latchkit.h"
#include "standins/oe/oe_registry_win.h"
#include "standins/oe/oe_store_win.h"
#include "tests/win/oe/oe_test_support.h"
#include "tests/win/oehook/latchkit_test_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace
{
constexpr UINT kMonSpawn = WM_USER + 2;

// Sends a command to the browser and expects the monitor message it turns into.
void ExpectCommandPosts(CHookedClient& p_oClient, HWND p_hBrowser, UINT p_nCommand, UINT p_nMsg, WPARAM p_wParam,
                        LPARAM p_lParam)
{
    const size_t from = p_oClient.MessageCount();
    PostMessageA(p_hBrowser, WM_COMMAND, MAKEWPARAM(p_nCommand, 0), 0);
    CMonitorMessage message{};
    ASSERT_TRUE(p_oClient.WaitForMessage(p_nMsg, message, 5000, from)) << "command " << p_nCommand;
    EXPECT_EQ(message.m_wParam, p_wParam) << "command " << p_nCommand;
    EXPECT_EQ(message.m_lParam, p_lParam) << "command " << p_nCommand;
}

// Opens a popup by posting p_nMsg to p_hTarget, lets the probe see it, and closes it again.
bool OpenAndCloseMenu(CHookedClient& p_oClient, HWND p_hTarget, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam,
                      HWND p_hPicture = nullptr, const char* p_szPicture = nullptr)
{
    PostMessageA(p_hTarget, p_nMsg, p_wParam, p_lParam);
    HWND menu = nullptr;
    if (!WaitUntil([&] { return (menu = p_oClient.FindVisible("#32768")) != nullptr; }, 5000))
        return false;
    if (p_hPicture != nullptr)
    {
        EXPECT_TRUE(SaveWindowPng(p_hPicture, p_szPicture));
    }
    PostMessageA(p_hTarget, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(p_hTarget, WM_KEYDOWN, VK_ESCAPE, 0);
    return WaitUntil([&] { return p_oClient.FindVisible("#32768") == nullptr; }, 5000);
}

HWND MenuBarOf(HWND p_hBrowser)
{
    for (HWND rebar = FindWindowExA(p_hBrowser, nullptr, nullptr, nullptr); rebar != nullptr;
         rebar = FindWindowExA(p_hBrowser, rebar, nullptr, nullptr))
        for (HWND bar = FindWindowExA(rebar, nullptr, TOOLBARCLASSNAMEA, nullptr); bar != nullptr;
             bar = FindWindowExA(rebar, bar, TOOLBARCLASSNAMEA, nullptr))
            if (SendMessageA(bar, TB_COMMANDTOINDEX, 40999, 0) >= 0)
                return bar;
    return nullptr;
}

TEST(LatchkitOE6, BandAndMenusPostTheirCommandsToTheMonitor)
{
    SeedLatchkitSettings(6, "");
    const std::string menuLog = NewTempFolder("latchkit_menus") + "menus.txt";
    CHookedClient client;
    ASSERT_TRUE(client.Start(6, menuLog));
    const HWND browser = client.WaitForBrowser(15000);
    ASSERT_NE(browser, nullptr);

    // Version 5 and later report the global hook at once; start-up ends at the first move.
    CMonitorMessage message{};
    EXPECT_TRUE(client.WaitForMessage(WM_USER + 1, message, 1000));
    EXPECT_TRUE(client.WaitForMessage(WM_USER + 19, message, 5000));

    // The band follows the client's own bands, posted behind them.
    HWND band = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (band = FindSMSBand(browser)) != nullptr && IsWindowVisible(band); }, 5000));
    EXPECT_EQ(SendMessageA(band, TB_BUTTONCOUNT, 0, 0), 7);
    const HWND menuBar = MenuBarOf(browser);
    ASSERT_NE(menuBar, nullptr);
    PaintNow(browser);
    EXPECT_TRUE(SaveWindowPng(browser, "latchkit_oe6_band.png"));

    ASSERT_TRUE(OpenAndCloseMenu(client, browser, WM_COMMAND, 40999, 0, browser, "latchkit_oe6_brevolt_menu.png"));
    const std::vector<std::string> popups = ReadLines(menuLog);
    ASSERT_FALSE(popups.empty());
    for (const char* item :
         {"&New SMS...", "New &SMS Reminder...", "&Reply via SMS", "&Forward via SMS", "&View message reports...",
          "Check for latest &upgrade", "&Options...", "&Inbox Rules...", "&Template Editor...", "&Online Help",
          "&Frequently Asked Questions", "&What's New?", "Contact &Us", "&Help", "&About"})
        EXPECT_EQ(CountOccurrences(popups.back(), std::string(item) + "|"), 1u) << item << " in " << popups.back();

    const LPARAM owner = reinterpret_cast<LPARAM>(browser);
    ExpectCommandPosts(client, browser, 40027, kMonSpawn, 0, 0);
    ExpectCommandPosts(client, browser, 40007, WM_USER + 21, 0, 0);
    ExpectCommandPosts(client, browser, 40461, WM_USER + 18, 0, owner);
    ExpectCommandPosts(client, browser, 40019, WM_USER + 27, 0, owner);
    ExpectCommandPosts(client, browser, 40010, WM_USER + 28, 0, owner);
    ExpectCommandPosts(client, browser, 40256, WM_USER + 6, 0, owner);
    ExpectCommandPosts(client, browser, 40235, WM_USER + 4, 0, 0);
    // Band buttons: "Reminder" names a popup command, "Rules" an action the launcher decides on.
    ExpectCommandPosts(client, browser, 39003, WM_USER + 21, 0, 0);
    ExpectCommandPosts(client, browser, 39005, WM_USER + 2004, 40009, owner);
    // The compose window's own messages to its opener.
    const size_t from = client.MessageCount();
    PostMessageA(browser, WM_USER + 2001, 0, 0);
    EXPECT_TRUE(client.WaitForMessage(kMonSpawn, message, 5000, from));

    // The toolbar's New-mail request opens the client's own note.
    PostMessageA(browser, WM_USER + 2000, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return client.FindVisible("ATH_Note") != nullptr; }, 5000));
    // However often the browser moves, start-up is reported once.
    SetWindowPos(browser, nullptr, 30, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(browser, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    DWORD_PTR settled = 0;
    SendMessageTimeoutA(browser, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &settled);
    WaitUntil([] { return false; }, 200);
    EXPECT_EQ(client.CountMessages(WM_USER + 19), 1u);

    // A reload waits while the resource module is being replaced, then builds the band anew.
    const std::string mutexName = "ResourceChangingMutex" + std::to_string(client.ProcessId());
    unique_handle replacing(CreateMutexA(nullptr, TRUE, mutexName.c_str()));
    ASSERT_TRUE(replacing);
    PostMessageA(browser, WM_USER + 16, 0, 0);
    // A message sent now may still be answered before the browser takes the posted reload (sent
    // messages go first); once it has taken it, it waits for the mutex and answers nothing.
    DWORD_PTR ignored = 0;
    EXPECT_TRUE(
        WaitUntil([&] { return SendMessageTimeoutA(browser, WM_NULL, 0, 0, SMTO_NORMAL, 200, &ignored) == 0; }, 5000));
    EXPECT_EQ(FindSMSBand(browser), band);
    ReleaseMutex(replacing.get());
    HWND rebuilt = nullptr;
    EXPECT_TRUE(WaitUntil(
        [&] { return (rebuilt = FindSMSBand(browser)) != nullptr && rebuilt != band && IsWindowVisible(rebuilt); },
        5000));
    // The band is in the rebar before its buttons are; a busy machine may ask in between.
    EXPECT_TRUE(WaitUntil([&] { return SendMessageA(rebuilt, TB_BUTTONCOUNT, 0, 0) == 7; }, 5000))
        << SendMessageA(rebuilt, TB_BUTTONCOUNT, 0, 0) << " buttons";
}

TEST(LatchkitOE6, NewMenuHoldsTheSMSItemOnceHoweverOftenItOpens)
{
    SeedLatchkitSettings(6, "");
    const std::string menuLog = NewTempFolder("latchkit_new") + "menus.txt";
    CHookedClient client;
    ASSERT_TRUE(client.Start(6, menuLog));
    const HWND browser = client.WaitForBrowser(15000);
    ASSERT_NE(browser, nullptr);
    // The File menu (menu-bar button 1) holds the New menu.
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(OpenAndCloseMenu(client, browser, WM_COMMAND, 1, 0)) << i;
    size_t fileMenus = 0;
    for (const std::string& line : ReadLines(menuLog))
        if (line.find("&Mail Message") != std::string::npos)
        {
            ++fileMenus;
            EXPECT_EQ(CountOccurrences(line, "Brevolt SMS Message"), 1u) << line;
            EXPECT_NE(line.find("&Mail Message\tCtrl+N|Brevolt SMS Message|"), std::string::npos) << line;
        }
    EXPECT_EQ(fileMenus, 3u);
    // Choosing it asks the monitor for a new SMS window.
    const size_t from = client.MessageCount();
    ASSERT_EQ(client.SendControl("click File\\New\\Brevolt SMS Message"), 1);
    CMonitorMessage message{};
    ASSERT_TRUE(client.WaitForMessage(kMonSpawn, message, 5000, from));
    EXPECT_EQ(message.m_wParam, 0u);
}

TEST(LatchkitOE6, StoredHiddenBarStartsHiddenAndTheRebarMenuShowsIt)
{
    SeedLatchkitSettings(6, "FALSE");
    const std::string menuLog = NewTempFolder("latchkit_bar") + "menus.txt";
    CHookedClient client;
    ASSERT_TRUE(client.Start(6, menuLog));
    const HWND browser = client.WaitForBrowser(15000);
    ASSERT_NE(browser, nullptr);
    HWND band = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (band = FindSMSBand(browser)) != nullptr; }, 5000));
    // The client's thread finishes adding the band before it answers.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(browser, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    EXPECT_FALSE(IsWindowVisible(band));

    // The rebar's context menu offers the bar.
    const HWND rebar = GetParent(band);
    ASSERT_TRUE(OpenAndCloseMenu(client, rebar, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(rebar), MAKELPARAM(40, 40)));
    const std::vector<std::string> popups = ReadLines(menuLog);
    ASSERT_FALSE(popups.empty());
    EXPECT_EQ(CountOccurrences(popups.back(), "Brevolt bar"), 1u) << popups.back();

    // Its command shows the band and stores the new state.
    PostMessageA(browser, WM_COMMAND, MAKEWPARAM(40998, 0), 0);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(band) != FALSE; }, 5000));
    std::string stored;
    EXPECT_TRUE(WaitUntil(
        [&] {
            return ReadRegString(HKEY_CURRENT_USER, "Software\\Brevolt", "OEToolbarShowing", stored) &&
                   stored == "True";
        },
        5000))
        << stored;
}

TEST(LatchkitOE6, CloseWaitsOffScreenForTheLastSMSWindow)
{
    SeedLatchkitSettings(6, "");
    CHookedClient client;
    ASSERT_TRUE(client.Start(6));
    const HWND browser = client.WaitForBrowser(15000);
    ASSERT_NE(browser, nullptr);
    // A compose window opened from Outlook Express counts itself in.
    SendMessageA(browser, WM_USER + 11, 1, 0);
    PostMessageA(browser, WM_CLOSE, 0, 0);
    RECT where{};
    EXPECT_TRUE(WaitUntil([&] { return GetWindowRect(browser, &where) && where.left >= 2048; }, 5000))
        << where.left << "," << where.top;
    EXPECT_TRUE(client.Running());
    EXPECT_EQ(GetAncestor(browser, GA_PARENT), client.Monitor());
    EXPECT_EQ(FindSMSBand(browser), nullptr);
    // The last one closing ends Outlook Express.
    PostMessageA(browser, WM_USER + 11, static_cast<WPARAM>(-1), 0);
    DWORD exitCode = 99;
    ASSERT_TRUE(client.WaitExit(10000, exitCode));
    EXPECT_EQ(exitCode, 0u);
}

std::string TransferFile(LPARAM p_lStamp)
{
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    char name[32] = {};
    wsprintfA(name, "%lX.txt", static_cast<unsigned long>(p_lStamp));
    return std::string(folder) + name;
}

TEST(LatchkitOE6, ReplyAndForwardSaveTheOneSelectedMessageForTheMonitor)
{
    SeedLatchkitSettings(6, "");
    CHookedClient client;
    ASSERT_TRUE(client.Start(6));
    const HWND browser = client.WaitForBrowser(15000);
    ASSERT_NE(browser, nullptr);
    const std::string eml = NewTempFolder("latchkit_eml") + "lunch.eml";
    WriteTextFile(eml, "From: \"Kim Lee\" <kim@brevolt.example>\r\nTo: pat@brevolt.example\r\nSubject: Lunch at "
                       "noon\r\nDate: Tue, 1 Dec 2026 10:00:00 +0000\r\n\r\nSee you at the usual place.\r\n");
    ASSERT_EQ(client.SendControl("deliver " + eml), 1);

    // Nothing selected: no dialog, nothing for the monitor.
    size_t from = client.MessageCount();
    PostMessageA(browser, WM_COMMAND, MAKEWPARAM(40427, 0), 0);
    CMonitorMessage message{};
    EXPECT_FALSE(client.WaitForMessage(kMonSpawn, message, 700, from));
    EXPECT_EQ(client.FindVisible("#32770"), nullptr);

    ASSERT_EQ(client.SendControl("select-message Lunch at noon"), 1);
    for (const auto& [command, kind] : {std::pair<UINT, WPARAM>{40427, 2}, std::pair<UINT, WPARAM>{40428, 1}})
    {
        from = client.MessageCount();
        PostMessageA(browser, WM_COMMAND, MAKEWPARAM(command, 0), 0);
        ASSERT_TRUE(client.WaitForMessage(kMonSpawn, message, 10000, from)) << command;
        EXPECT_EQ(message.m_wParam, kind);
        const std::string path = TransferFile(message.m_lParam);
        const std::string text = ReadTextFile(path);
        EXPECT_NE(text.find("kim@brevolt.example"), std::string::npos) << path << ": " << text;
        EXPECT_NE(text.find("See you at the usual place."), std::string::npos) << text;
        DeleteFileA(path.c_str());
    }
}

std::vector<uint8_t> ReadColumns(const char* p_szName)
{
    const std::string key =
        "Identities\\{7B0C2A51-3E64-4D8F-9A17-52C3E8B6D402}\\Software\\Microsoft\\Outlook Express\\5.0\\Columns";
    std::vector<uint8_t> data(4096);
    DWORD size = static_cast<DWORD>(data.size());
    if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), p_szName, RRF_RT_REG_BINARY, nullptr, data.data(), &size) !=
        ERROR_SUCCESS)
        return {};
    data.resize(size);
    return data;
}

TEST(LatchkitOE6, SentSMSsSwapsTheColumnsAndIdentityChangesAreSignalled)
{
    SeedLatchkitSettings(6, "");
    std::string store;
    ASSERT_TRUE(oestandin::CurrentStoreFolder(6, store));
    ASSERT_TRUE(oestandin::AddStoreFolder(store, "Sent SMSs"));
    oestandin::COeIdentitySeed other;
    other.m_sId = "{0D5E7C21-8B34-4A9F-B6C2-3F1E9A7D5B60}";
    other.m_sStoreRoot = NewTempFolder("latchkit_other");
    other.m_bMakeCurrent = false;
    ASSERT_TRUE(oestandin::SeedIdentity(6, other));
    const unique_handle changed(CreateEventA(nullptr, FALSE, FALSE, "OEIdentityChangedEvent"));
    const unique_handle query(CreateEventA(nullptr, FALSE, FALSE, "OEQueryIdentityChangeEvent"));
    ASSERT_TRUE(changed && query);

    CHookedClient client;
    ASSERT_TRUE(client.Start(6));
    ASSERT_NE(client.WaitForBrowser(15000), nullptr);
    const std::vector<uint8_t> own = ReadColumns("Mail Column Info (In)");
    ASSERT_FALSE(own.empty());
    ASSERT_EQ(client.SendControl("select-folder Sent SMSs"), 1);
    EXPECT_EQ(ReadColumns("Mail Column Info (In)"), BuiltInSMSColumns(6));
    EXPECT_EQ(ReadColumns("Mail Column Info (In Backup)"), own);
    ASSERT_EQ(client.SendControl("select-folder Outbox"), 1);
    EXPECT_EQ(ReadColumns("Mail Column Info (In)"), own);
    EXPECT_TRUE(ReadColumns("Mail Column Info (In Backup)").empty());

    ASSERT_EQ(client.SendControl("switch-identity " + other.m_sId), 1);
    EXPECT_EQ(WaitForSingleObject(query.get(), 5000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(changed.get(), 5000), WAIT_OBJECT_0);
}

LRESULT CALLBACK PlainProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return DefWindowProcA(p_hWnd, p_nMsg, p_wParam, p_lParam);
}

TEST(LatchkitOE4, ClassicMenuAndBandWhileAnotherProcessIsLeftAlone)
{
    SeedLatchkitSettings(4, "");
    CHookedClient client;
    ASSERT_TRUE(client.Start(4));
    const HWND browser = client.WaitForBrowser(15000);
    ASSERT_NE(browser, nullptr);
    HWND band = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (band = FindSMSBand(browser)) != nullptr && IsWindowVisible(band); }, 5000));
    EXPECT_EQ(SendMessageA(band, TB_BUTTONCOUNT, 0, 0), 7);
    // Version 4 keeps the global hook until a note asks for a thread hook.
    for (size_t i = 0; i < client.MessageCount(); ++i)
    {
        CMonitorMessage message{};
        EXPECT_FALSE(client.WaitForMessage(WM_USER + 1, message, 0));
    }

    // The classic menu's "B&revolt" popup carries the commands.
    size_t from = client.MessageCount();
    ASSERT_EQ(client.SendControl("click Brevolt\\New SMS..."), 1);
    CMonitorMessage message{};
    EXPECT_TRUE(client.WaitForMessage(kMonSpawn, message, 5000, from));
    if (OpenAndCloseMenu(client, browser, WM_SYSCOMMAND, SC_KEYMENU, 'r', browser, "latchkit_oe4_brevolt_menu.png"))
        SUCCEED();
    PaintNow(browser);
    EXPECT_TRUE(SaveWindowPng(browser, "latchkit_oe4_band.png"));

    // The global hook runs in this process too: a window of the browser's class here is not touched.
    WNDCLASSA wc{};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ThorBrowserWndClass";
    ASSERT_NE(RegisterClassA(&wc), 0);
    from = client.MessageCount();
    unique_hwnd local(CreateWindowExA(0, wc.lpszClassName, "Inbox - Outlook Express", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                      100, nullptr, nullptr, wc.hInstance, nullptr));
    ASSERT_TRUE(local);
    EXPECT_EQ(GetWindowLongPtrA(local.get(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(PlainProc));
    EXPECT_EQ(GetPropA(local.get(), "Latchkit.Previous"), nullptr);
    EXPECT_FALSE(client.WaitForMessage(WM_USER + 23, message, 300, from));
    // and the monitored client's browser is still the one the commands reach.
    from = client.MessageCount();
    PostMessageA(browser, WM_COMMAND, MAKEWPARAM(40007, 0), 0);
    EXPECT_TRUE(client.WaitForMessage(WM_USER + 21, message, 5000, from));

    // A version 4 note asks for the thread hook of its thread.
    from = client.MessageCount();
    ASSERT_EQ(client.SendControl("click Create Mail"), 1);
    ASSERT_TRUE(client.WaitForMessage(WM_USER + 1, message, 5000, from));
    HWND note = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (note = client.FindVisible("ATH_Note")) != nullptr; }, 5000));
    EXPECT_EQ(message.m_wParam, GetWindowThreadProcessId(note, nullptr));
    // Its header has the owner-drawn box of version 4.
    const HWND header = FindWindowExA(note, nullptr, "ATH_NoteHdr", nullptr);
    const HWND box = GetDlgItem(header, 0x4343);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(GetWindowLongPtrA(box, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    RECT size{};
    GetWindowRect(box, &size);
    EXPECT_EQ(size.right - size.left, 90);
    EXPECT_EQ(size.bottom - size.top, 25);
    PaintNow(note);
    EXPECT_TRUE(SaveWindowPng(note, "latchkit_oe4_cc_mobile.png"));
}
} // namespace
