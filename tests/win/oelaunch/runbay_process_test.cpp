// tests/win/oelaunch/runbay_process_test.cpp: Runbay.exe started as the user starts it: without the
// mail client installed, and while another Runbay is starting or already monitors a running client.
#include "common/handle_win.h"
#include "oelaunch/runbay_start_win.h"
#include "tests/win/oelaunch/runbay_test_support.h"
#include "tests/win/plugin/plugin_fakes_win.h"
#include "tests/win/support/registry_text_win.h"

#include <gtest/gtest.h>

using namespace runbaytest;

namespace
{
constexpr const char* kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\msimn.exe";
constexpr const char* kHidden6 = "OutlookExpressHiddenWindow";

// Runs Runbay.exe and waits for its exit code; -1 when it did not end in time.
long RunRunbay(DWORD p_dwTimeoutMs)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" RUNBAY_EXE "\"";
    if (!CreateProcessA(RUNBAY_EXE, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return -2;
    unique_handle processHandle(process.hProcess), threadHandle(process.hThread);
    if (WaitForSingleObject(process.hProcess, p_dwTimeoutMs) != WAIT_OBJECT_0)
    {
        TerminateProcess(process.hProcess, 99);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<long>(code);
}

class RunbayProcess : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        QuitClients(kHidden6);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kAppPaths);
    }
    void TearDown() override
    {
        QuitClients(kHidden6);
    }
    static void InstallClient6()
    {
        std::string folder = OE6_EXE;
        folder.erase(folder.find_last_of("/\\"));
        ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, kAppPaths, "Path", REG_SZ, folder.c_str(),
                                  static_cast<DWORD>(folder.size() + 1)),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, kAppPaths, nullptr, REG_SZ, OE6_EXE,
                                  static_cast<DWORD>(sizeof(OE6_EXE))),
                  ERROR_SUCCESS);
    }
};

TEST_F(RunbayProcess, WithoutTheClientInstalledItEndsWithZeroAndStartsNothing)
{
    EXPECT_EQ(RunRunbay(20000), 0);
    EXPECT_TRUE(ProcessesWithWindow(kHidden6).empty());
    EXPECT_TRUE(ProcessesWithWindow("OEMonitor").empty());
}

TEST_F(RunbayProcess, BesideAnotherMonitorItOnlyStartsTheClientAndEndsWithOne)
{
    InstallClient6();
    // What a first Runbay holds while it starts.
    unique_handle starting(CreateEventA(nullptr, FALSE, FALSE, runbay::kStartupEventName));
    ASSERT_TRUE(starting);
    EXPECT_EQ(RunRunbay(20000), 1);
    EXPECT_TRUE(PumpUntil([] { return ProcessesWithWindow(kHidden6).size() == 1; }, 20000));
    EXPECT_TRUE(ProcessesWithWindow("OEMonitor").empty());

    // Start-up over, what a monitor holds while its client runs.
    starting.reset();
    unique_handle monitoring(CreateEventA(nullptr, FALSE, FALSE, runbay::kAtomicityEventName));
    ASSERT_TRUE(monitoring);
    EXPECT_EQ(RunRunbay(20000), 1);
    // The shell's start brings the client up again: the stand-in starts a second one.
    EXPECT_TRUE(PumpUntil([] { return ProcessesWithWindow(kHidden6).size() == 2; }, 20000));
    EXPECT_TRUE(ProcessesWithWindow("OEMonitor").empty());
}
} // namespace

namespace
{
// Whether the Latchkit.dll beside Runbay.exe can set its global hook (a build of it without hooks
// cannot, and Runbay then ends at once, leaving the client to itself).
bool LatchkitCanHook()
{
    std::string path = RUNBAY_EXE;
    path.replace(path.find_last_of("/\\") + 1, std::string::npos, "Latchkit.dll");
    unique_hmodule latchkit(LoadLibraryA(path.c_str()));
    using PFN_Set = BOOL(WINAPI*)(HWND, DWORD);
    using PFN_Unset = BOOL(WINAPI*)();
    const auto set = reinterpret_cast<PFN_Set>(GetProcAddress(latchkit.get(), "SetOEGlobalCBTHook"));
    const auto unset = reinterpret_cast<PFN_Unset>(GetProcAddress(latchkit.get(), "UnsetOEGlobalCBTHook"));
    if (set == nullptr || unset == nullptr || !set(nullptr, 0))
        return false;
    (void)unset();
    return true;
}

TEST_F(RunbayProcess, StartedTwiceTheSecondOnlyStartsTheClientAndEndsWithOne)
{
    if (!LatchkitCanHook())
        GTEST_SKIP() << "the Latchkit.dll of this build sets no hooks";
    InstallClient6();
    CFakeCoreInstalled core;
    ASSERT_TRUE(core.Installed());
    plugintest::CFakeQuilletServer quillet(QUILLET_TLB);
    ASSERT_TRUE(quillet.Registered());

    // The client's own check for mail at start is switched off for Latchkit to do it.
    std::string identity;
    const bool hasIdentity = ReadRegText(HKEY_CURRENT_USER, "Identities", "Last User ID", identity);
    const std::string mailKey = "Identities\\" + identity + "\\Software\\Microsoft\\Outlook Express\\5.0\\Mail";
    const DWORD on = 1;
    if (hasIdentity)
    {
        ASSERT_EQ(
            RegSetKeyValueA(HKEY_CURRENT_USER, mailKey.c_str(), "Check Mail on Startup", REG_DWORD, &on, sizeof(on)),
            ERROR_SUCCESS);
    }

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION first{};
    std::string commandLine = "\"" RUNBAY_EXE "\"";
    ASSERT_TRUE(
        CreateProcessA(RUNBAY_EXE, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &first));
    unique_handle firstProcess(first.hProcess), firstThread(first.hThread);
    ASSERT_TRUE(PumpUntil(
        [&] {
            return !ProcessesWithWindow("OEMonitor").empty() && ProcessesWithWindow(kHidden6).size() == 1 &&
                   FindWindowA("Outlook Express Browser Class", nullptr) != nullptr;
        },
        20000));
    ASSERT_EQ(WaitForSingleObject(first.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    if (hasIdentity)
    {
        DWORD check = 1, size = sizeof(check);
        EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, mailKey.c_str(), "Check Mail on Startup", RRF_RT_REG_DWORD, nullptr,
                               &check, &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(check, 0u);
    }
    EXPECT_EQ(plugintest::QuilletLog().Lines().empty(), false);

    EXPECT_EQ(RunRunbay(20000), 1);
    EXPECT_TRUE(PumpUntil([] { return ProcessesWithWindow(kHidden6).size() == 2; }, 20000));
    EXPECT_EQ(ProcessesWithWindow("OEMonitor"), std::vector<DWORD>{first.dwProcessId});

    // The monitored client ends: the first Runbay follows it.
    QuitClients(kHidden6);
    ASSERT_EQ(WaitForSingleObject(first.hProcess, 15000), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = 99;
    GetExitCodeProcess(first.hProcess, &code);
    EXPECT_EQ(code, 0u);
}
} // namespace
