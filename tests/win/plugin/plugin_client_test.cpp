// tests/win/plugin/plugin_client_test.cpp: the plug-in registered as the installer registers it and
// loaded by the Outlook 97 build of the client stand-in: the Br&evolt menu in the explorer, New SMS
// and Reply via SMS from it reaching the compose server (the test's fake, served to the client over
// COM), several selected items disabling Reply, and the compose server released with the explorer;
// the first Outlook 98 start that asks for a restart instead of starting the monitors.
#include "tests/win/outlook/outlook_test_support.h"
#include "tests/win/plugin/plugin_fakes_win.h"
#include "tests/win/support/registry_text_win.h"

#include <gtest/gtest.h>

using namespace plugintest;

namespace
{
bool CallExport(const char* p_szName)
{
    unique_hmodule library(LoadLibraryA(BREVOLT_OUTLOOK_DLL));
    using PFN_Register = HRESULT(STDAPICALLTYPE*)();
    const auto function =
        reinterpret_cast<PFN_Register>(reinterpret_cast<void*>(GetProcAddress(library.get(), p_szName)));
    return function != nullptr && function() == S_OK;
}

bool WaitForQuillet(const std::string& p_sPrefix, size_t p_nCount = 1)
{
    return PumpUntil(
        [&] {
            size_t found = 0;
            for (const std::string& line : QuilletLog().Lines())
                found += line.rfind(p_sPrefix, 0) == 0 ? 1 : 0;
            return found >= p_nCount;
        },
        15000);
}

std::string MenuLine(const std::vector<std::string>& p_vLines, const std::string& p_sText)
{
    for (const std::string& line : p_vLines)
        if (line.find(p_sText + "\t") != std::string::npos)
            return line;
    return std::string();
}

TEST(InTheClient, The97ExplorerGetsTheMenuAndItsCommandsReachTheComposeServer)
{
    CFakeQuilletServer server(QUILLET_TLB);
    ASSERT_TRUE(server.Registered());
    oltest::PrepareMachine();
    oltest::ForgetExtensions();
    ASSERT_TRUE(CallExport("DllRegisterServer"));
    QuilletLog().Clear();
    {
        oltest::COutlookRun run(OUTLOOK80_EXE);
        ASSERT_TRUE(run.Started());
        ASSERT_TRUE(WaitForQuillet("StartVMIfNecessary"));
        const std::vector<std::string> started = QuilletLog().Lines();
        ASSERT_GE(started.size(), 4u);
        EXPECT_EQ(started[0].rfind("Init 0 1 session app ", 0), 0u) << started[0] << ": Outlook 97 is code 1";
        EXPECT_EQ(started[1], "StartReminderMonitor");

        const std::string menus = oltest::TempDir() + "\\plugin-menus.txt";
        ASSERT_TRUE(run.Command("dump-menus " + menus));
        std::vector<std::string> lines = oltest::ReadLines(menus);
        const std::string dump = oltest::ReadText(menus);
        ASSERT_NE(dump.find("Brevolt\t"), std::string::npos) << dump;
        EXPECT_LT(dump.find("Brevolt\t"), dump.find("Tools\t160")) << dump;
        EXPECT_NE(MenuLine(lines, "Reply via SMS").find("disabled"), std::string::npos) << dump;
        HWND explorer = run.FindWindowOf("rctrl_renwnd32", "Microsoft Outlook");
        ASSERT_NE(explorer, nullptr);
        oltest::SavePicture(explorer, "plugin_outlook97_explorer");

        ASSERT_TRUE(run.Command("menu New SMS..."));
        ASSERT_TRUE(WaitForQuillet("CreateNewSMS"));

        // One mail selected: Reply carries its entry id as hex and answers with its sender.
        ASSERT_TRUE(run.Command("select 0"));
        ASSERT_TRUE(run.Command("menu Reply via SMS"));
        ASSERT_TRUE(WaitForQuillet("CreateNewSMS", 2));
        const std::vector<std::string> log = QuilletLog().Lines();
        std::string details;
        for (const std::string& line : log)
            if (line.rfind("GetEmailDetails ", 0) == 0)
                details = line;
        ASSERT_FALSE(details.empty());
        const size_t space = details.find(' ', 16);
        const std::string hex = details.substr(space + 1);
        EXPECT_EQ(hex.size(), 2 * std::stoul(details.substr(16, space - 16))) << details;
        EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos) << details;
        EXPECT_NE(log.back().find(" +27825550101|Meet at ten"), std::string::npos) << log.back();

        // The menu is initialised when it is opened, and the client reports a selection change
        // through its message queue: open the menu (About, closed again) until the change has
        // arrived, as a user would find it.
        ASSERT_TRUE(run.Command("select 0,1"));
        std::string reply;
        std::string forward;
        for (int attempt = 0; attempt < 10 && reply.find("disabled") == std::string::npos; ++attempt)
        {
            ASSERT_TRUE(run.Command("menu About"));
            HWND about = nullptr;
            ASSERT_TRUE(
                PumpUntil([&] { return (about = run.FindWindowOf("#32770", "Brevolt SMS")) != nullptr; }, 10000));
            PostMessageA(about, WM_COMMAND, IDOK, 0);
            ASSERT_TRUE(PumpUntil([&] { return !IsWindow(about); }, 10000));
            ASSERT_TRUE(run.Command("dump-menus " + menus));
            reply = MenuLine(oltest::ReadLines(menus), "Reply via SMS");
            forward = MenuLine(oltest::ReadLines(menus), "Forward via SMS");
        }
        EXPECT_NE(reply.find("disabled"), std::string::npos) << "two items selected";
        EXPECT_NE(forward.find("disabled"), std::string::npos);
        EXPECT_EQ(run.Quit(), 0);
    }
    EXPECT_TRUE(WaitForQuillet("Released")) << "the last explorer releases the compose server";
    EXPECT_TRUE(CallExport("DllUnregisterServer"));
    oltest::ForgetExtensions();
}

struct CProcessWindow
{
    DWORD m_dwProcess;
    const char* m_szTitle;
    HWND m_hFound;
};

BOOL CALLBACK FindProcessWindow(HWND p_hWnd, LPARAM p_lParam)
{
    auto* find = reinterpret_cast<CProcessWindow*>(p_lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(p_hWnd, &process);
    char title[128] = {};
    GetWindowTextA(p_hWnd, title, sizeof title);
    if (process != find->m_dwProcess || !IsWindowVisible(p_hWnd) || lstrcmpA(title, find->m_szTitle) != 0)
        return TRUE;
    find->m_hFound = p_hWnd;
    return FALSE;
}

TEST(InTheClient, TheFirstOutlook98StartAsksForARestartAndClosesWithoutStartingTheMonitors)
{
    CFakeQuilletServer server(QUILLET_TLB);
    ASSERT_TRUE(server.Registered());
    oltest::PrepareMachine();
    oltest::ForgetExtensions();
    ASSERT_TRUE(CallExport("DllRegisterServer"));
    DeleteRegValue(HKEY_CURRENT_USER, "Software\\Brevolt\\Options", "DoneOnce");
    QuilletLog().Clear();

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    std::string commandLine = std::string("\"") + OUTLOOK85_EXE + "\"";
    ASSERT_TRUE(
        CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started));
    const unique_handle process(started.hProcess);
    const unique_handle thread(started.hThread);
    CProcessWindow box{started.dwProcessId, "Installation Final Step", nullptr};
    ASSERT_TRUE(PumpUntil(
        [&] {
            EnumWindows(&FindProcessWindow, reinterpret_cast<LPARAM>(&box));
            return box.m_hFound != nullptr;
        },
        20000));
    oltest::SavePicture(box.m_hFound, "plugin_outlook98_final_step");
    PostMessageA(box.m_hFound, WM_COMMAND, IDOK, 0);
    // The plug-in closes the explorer; with its last window the client ends.
    EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0; }, 15000));
    DWORD code = 1;
    GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(code, 0u);

    const std::vector<std::string> log = QuilletLog().Lines();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front().rfind("Init 0 2 session app ", 0), 0u) << log.front() << ": Outlook 98 is code 2";
    for (const std::string& line : log)
        EXPECT_EQ(line.find("Monitor"), std::string::npos) << "no monitor on the first start: " << line;
    DWORD value = 0;
    DWORD size = sizeof value;
    EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, "Software\\Brevolt\\Options", "DoneOnce", RRF_RT_REG_DWORD, nullptr,
                           &value, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(value, 1u);
    EXPECT_TRUE(CallExport("DllUnregisterServer"));
    oltest::ForgetExtensions();
}
} // namespace
