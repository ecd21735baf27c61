// tests/win/oelaunch/monitor_window_test.cpp: Runbay's monitor window in the test's process with
// recorded hooks, the fake compose server and the fake core library: it starts the real mail client
// stand-in (versions 4 and 6), and its private messages are sent to it as Latchkit sends them.
#include "common/settings.h"
#include "compose/address_book_binding_win.h"
#include "oelaunch/monitor_window_win.h"
#include "oelaunch/runbay_strings.h"
#include "oelaunch/transfer_file.h"
#include "tests/win/oelaunch/runbay_test_support.h"
#include "tests/win/plugin/plugin_fakes_win.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace runbaytest;

namespace
{
bool Contains(const std::vector<std::string>& p_vLines, const std::string& p_sLine)
{
    return std::find(p_vLines.begin(), p_vLines.end(), p_sLine) != p_vLines.end();
}

// A window that keeps the private messages it receives, standing in for the client's browser and
// for an archive requester.
class CMessageSink
{
  public:
    CMessageSink()
    {
        static const ATOM s_atom = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = &CMessageSink::Proc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "RunbayTestSink";
            return RegisterClassA(&wc);
        }();
        (void)s_atom;
        m_hWnd.reset(CreateWindowExA(0, "RunbayTestSink", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                     GetModuleHandleA(nullptr), nullptr));
        SetWindowLongPtrA(m_hWnd.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    HWND Window() const
    {
        return m_hWnd.get();
    }
    std::vector<std::pair<UINT, LPARAM>> m_vReceived;

  private:
    static LRESULT CALLBACK Proc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
    {
        auto* self = reinterpret_cast<CMessageSink*>(GetWindowLongPtrA(p_hWnd, GWLP_USERDATA));
        if (self != nullptr && p_uMsg >= WM_USER)
            self->m_vReceived.emplace_back(p_uMsg, p_lParam);
        return DefWindowProcA(p_hWnd, p_uMsg, p_wParam, p_lParam);
    }
    unique_hwnd m_hWnd;
};

// The test's thread is a single-threaded apartment for the life of a test, as Runbay's is.
struct CApartment
{
    CApartment()
    {
        (void)CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    }
    ~CApartment()
    {
        CoUninitialize();
    }
};

class MonitorWindow : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_oQuillet.Registered());
        ASSERT_TRUE(m_oCore.Installed());
        plugintest::QuilletLog().Clear();
    }
    void TearDown() override
    {
        m_p_oMonitor.reset();
        QuitClients("ThorShellWindowClass");
        QuitClients("OutlookExpressHiddenWindow");
    }

    // Creates the monitor for the version and pumps until its start-up is done.
    void Start(int p_iMajor, const char* p_szClient)
    {
        m_p_oCore = std::make_unique<CAddressBookControlObject>(1, p_iMajor, nullptr, nullptr, nullptr);
        ASSERT_TRUE(m_p_oCore->Ready()) << m_p_oCore->Error().Text();
        runbay::CMonitorSetup setup;
        setup.m_p_oProfile = &runbay::ProfileFor(p_iMajor);
        setup.m_sOEPath = p_szClient;
        setup.m_p_oHooks = &m_oHooks;
        setup.m_p_oCore = m_p_oCore.get();
        setup.m_p_hStartupEvent = &m_hStartupEvent;
        setup.m_pfnShowAbout = [](HWND) { plugintest::QuilletLog().Add("About"); };
        setup.m_pfnShowOptions = [](HWND) { plugintest::QuilletLog().Add("Options"); };
        m_hStartupEvent.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
        m_p_oMonitor = std::make_unique<runbay::CMonitorWindow>(setup);
        ASSERT_TRUE(m_p_oMonitor->Create(GetModuleHandleA(nullptr)));
        ASSERT_TRUE(PumpUntil([&] { return m_p_oMonitor->Initialised(); }, 20000, &m_bQuit));
        m_hWnd = m_p_oMonitor->Window();
        m_sHidden = runbay::ProfileFor(p_iMajor).m_szHiddenClass;
        ASSERT_TRUE(PumpUntil([&] { return HiddenWindowOf(m_p_oMonitor->OEProcessId(), m_sHidden.c_str()); }, 20000));
    }

    CApartment m_oApartment;
    CFakeCoreInstalled m_oCore;
    plugintest::CFakeQuilletClass m_oQuillet;
    CRecordingHooks m_oHooks;
    std::unique_ptr<CAddressBookControlObject> m_p_oCore;
    std::unique_ptr<runbay::CMonitorWindow> m_p_oMonitor;
    unique_handle m_hStartupEvent;
    HWND m_hWnd = nullptr;
    std::string m_sHidden;
    bool m_bQuit = false;
};

TEST_F(MonitorWindow, StartsVersion6UnderTheGlobalHookWithTheTimeoutUntilTheHookReports)
{
    Start(6, OE6_EXE);
    EXPECT_EQ(m_oHooks.m_vCalls, std::vector<std::string>{"SetGlobal"});
    EXPECT_EQ(m_oHooks.m_hMonitor, m_hWnd);
    EXPECT_EQ(m_oHooks.m_dwProcessId, m_p_oMonitor->OEProcessId());
    const std::vector<std::string> log = plugintest::QuilletLog().Lines();
    ASSERT_FALSE(log.empty());
    const std::string monitor = std::to_string(reinterpret_cast<intptr_t>(m_hWnd));
    EXPECT_EQ(log.front(), "Init 1 6 - - " + monitor + " " + monitor + " 1");
    char className[64] = {}, title[64] = {};
    GetClassNameA(m_hWnd, className, sizeof(className));
    GetWindowTextA(m_hWnd, title, sizeof(title));
    EXPECT_STREQ(className, "OEMonitor");
    EXPECT_STREQ(title, "Hoot");
    EXPECT_FALSE(IsWindowVisible(m_hWnd));

    // The hook reports from inside the client: the timeout goes, local hooks replace the global one.
    SendMessageA(m_hWnd, runbay::WM_STOP_GLOBAL_CBT_HOOK, 0, 0);
    EXPECT_FALSE(KillTimer(m_hWnd, runbay::kGlobalHookTimer));
    EXPECT_EQ(m_oHooks.m_vCalls.size(), 3u);
    EXPECT_EQ(m_oHooks.m_vCalls[1], "UnsetGlobal");
    EXPECT_EQ(m_oHooks.m_vCalls[2].rfind("SetLocal ", 0), 0u);
    SendMessageA(m_hWnd, runbay::WM_STOP_GLOBAL_CBT_HOOK, 4242, 0);
    EXPECT_EQ(m_oHooks.m_vCalls.back(), "SetLocalOE4 4242");

    // The client ends: hooks off, the core's monitor stopped, the window gone and the loop told to end.
    m_oHooks.m_vCalls.clear();
    (void)FakeCoreCalls(m_p_oCore->Module());
    const HANDLE process = m_p_oMonitor->OEProcess();
    ASSERT_EQ(SendControl(HiddenWindowOf(m_p_oMonitor->OEProcessId(), m_sHidden.c_str()), "quit"), 1);
    ASSERT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
    ASSERT_TRUE(PumpUntil([&] { return m_bQuit; }, 10000, &m_bQuit));
    EXPECT_EQ(m_oHooks.m_vCalls, (std::vector<std::string>{"UnsetGlobal", "UnsetLocal"}));
    EXPECT_TRUE(Contains(FakeCoreCalls(m_p_oCore->Module()), "StopOEMonitor"));
    EXPECT_FALSE(IsWindow(m_hWnd));
}

TEST_F(MonitorWindow, Version4GetsNoTimeoutAndAClosedWindowEndsRunbay)
{
    Start(4, OE4_EXE);
    EXPECT_FALSE(KillTimer(m_hWnd, runbay::kGlobalHookTimer));
    EXPECT_EQ(plugintest::QuilletLog().Lines().front().rfind("Init 1 4 ", 0), 0u);
    // A close from outside ends Runbay too: without its window it could serve nothing.
    SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(m_hWnd));
    EXPECT_TRUE(PumpUntil([&] { return m_bQuit; }, 5000, &m_bQuit));
}

TEST_F(MonitorWindow, ComposeWindowsFromTheTransferFileAndCCToMobile)
{
    Start(6, OE6_EXE);
    HWND browser = nullptr;
    ASSERT_TRUE(
        PumpUntil([&] { return (browser = FindWindowA("Outlook Express Browser Class", nullptr)) != nullptr; }, 10000));
    const std::string parent = std::to_string(reinterpret_cast<intptr_t>(browser));
    const std::string saved = "From: Pat Doe\r\nTo: \"Kim Lee\" <kim@brevolt.example>\r\nSent: today\r\n"
                              "Subject: Lunch\r\n\r\nMeet at ten.\r\nPat\r\n";
    plugintest::QuilletLog().Clear();

    const std::string reply = WriteTransferFile(0xAB12, saved);
    SendMessageA(m_hWnd, runbay::WM_SPAWN_NEW_SMS_WINDOW, 2, 0xAB12);
    const std::string forward = WriteTransferFile(0xAB13, saved);
    SendMessageA(m_hWnd, runbay::WM_SPAWN_NEW_SMS_WINDOW, 1, 0xAB13);
    SendMessageA(m_hWnd, runbay::WM_SPAWN_NEW_SMS_WINDOW, 0, 0);
    // A stamp whose file is gone opens nothing.
    SendMessageA(m_hWnd, runbay::WM_SPAWN_NEW_SMS_WINDOW, 2, 0xAB14);
    EXPECT_EQ(plugintest::QuilletLog().Lines(),
              (std::vector<std::string>{"CreateNewSMS " + parent + " kim@brevolt.example|Meet at ten.\r\nPat\r\n",
                                        "CreateNewSMS " + parent + " |Meet at ten.\r\nPat\r\n",
                                        "CreateNewSMS " + parent + " |"}));
    EXPECT_FALSE(FileExists(reply));
    EXPECT_FALSE(FileExists(forward));

    // A file far larger than any saved message is removed without opening a window.
    const std::string huge = WriteTransferFile(0xAB15, std::string(runbay::kMaxTransferFileBytes + 1, 'x'));
    plugintest::QuilletLog().Clear();
    SendMessageA(m_hWnd, runbay::WM_SPAWN_NEW_SMS_WINDOW, 2, 0xAB15);
    EXPECT_TRUE(plugintest::QuilletLog().Lines().empty());
    EXPECT_FALSE(FileExists(huge));

    // CC to mobile of the e-mail the last WM_COPYDATA described.
    CRegistry registry;
    const std::string storedName = registry.ReadUserText("Name");
    ASSERT_TRUE(registry.WriteUserText("Name", ""));
    plugintest::CBoxes boxes;
    const auto copy = [&](const std::string& p_sText) {
        COPYDATASTRUCT data{0, static_cast<DWORD>(p_sText.size()), const_cast<char*>(p_sText.data())};
        EXPECT_EQ(SendMessageA(m_hWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)), 1);
    };
    (void)FakeCoreCalls(m_p_oCore->Module());

    copy(";kim@brevolt.example; nomobile@brevolt.example");
    SendMessageA(m_hWnd, runbay::WM_CC_PHONE, 0, 0);
    std::vector<std::string> calls = FakeCoreCalls(m_p_oCore->Module());
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[0], "CreateMessageRecipient kim@brevolt.example");
    EXPECT_EQ(calls[1], "CreateMessageRecipient nomobile@brevolt.example");
    EXPECT_EQ(calls[2], "Check 2");
    EXPECT_EQ(calls[3].substr(0, 9), "SendSMS 1");
    EXPECT_EQ(calls[3].substr(calls[3].find('|')), "|You have a new e-mail");
    EXPECT_EQ(calls[4], "DeleteMessageRecipientList");

    ASSERT_TRUE(registry.WriteUserText("Name", "Pat Doe"));
    copy(std::string(80, 's') + ";kim@brevolt.example");
    SendMessageA(m_hWnd, runbay::WM_CC_PHONE, 0, 0);
    calls = FakeCoreCalls(m_p_oCore->Module());
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[2].substr(calls[2].find('|')),
              "|You have a new e-mail from Pat Doe, subject : '" + std::string(50, 's') + "'");

    // Nobody with a mobile: nothing is sent. The wizard left: the user is told, nothing is sent.
    copy("Lunch;nomobile@brevolt.example");
    SendMessageA(m_hWnd, runbay::WM_CC_PHONE, 0, 0);
    copy("Lunch;cancel@brevolt.example");
    SendMessageA(m_hWnd, runbay::WM_CC_PHONE, 0, 0);
    calls = FakeCoreCalls(m_p_oCore->Module());
    EXPECT_TRUE(
        std::none_of(calls.begin(), calls.end(), [](const std::string& p) { return p.rfind("SendSMS", 0) == 0; }));
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "DeleteMessageRecipientList"), 4);
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_EQ(boxes.Seen()[0].rfind("CC Mobile Send Cancelled: You have chosen to exit the resolution wizard", 0), 0u);
    EXPECT_TRUE(registry.WriteUserText("Name", storedName));
}

TEST_F(MonitorWindow, MessagesForTheBrowserTheArchiveTheCompanionsTheToolbarAndTheTimeout)
{
    Start(6, OE6_EXE);
    CMessageSink browser, requester;
    (void)FakeCoreCalls(m_p_oCore->Module());
    SendMessageA(m_hWnd, runbay::WM_SET_PARENT_WINDOW, reinterpret_cast<WPARAM>(browser.Window()), 0);
    SendMessageA(m_hWnd, runbay::WM_RELOADBAR, 0, 0);
    SendMessageA(m_hWnd, runbay::WM_POST_ARCHIVE, reinterpret_cast<WPARAM>(requester.Window()), 0x5150);
    SendMessageA(m_hWnd, runbay::WM_FINISHED_ARCHIVE, 0, 0);
    SendMessageA(m_hWnd, runbay::WM_EDIT_LOCAL_USER, 0, 0);
    SendMessageA(m_hWnd, runbay::WM_REFER_FRIENDS_IF_NECESSARY, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return browser.m_vReceived.size() >= 2 && !requester.m_vReceived.empty(); }, 5000));
    EXPECT_EQ(browser.m_vReceived,
              (std::vector<std::pair<UINT, LPARAM>>{{runbay::WM_RELOADBAR, 0}, {runbay::WM_BROWSER_ARCHIVE, 0x5150}}));
    EXPECT_EQ(requester.m_vReceived, (std::vector<std::pair<UINT, LPARAM>>{{runbay::WM_FINISHED_ARCHIVE, 0}}));
    EXPECT_EQ(FakeCoreCalls(m_p_oCore->Module()),
              (std::vector<std::string>{"SetParentWindow", "EditLocalUser", "StartVMIfNecessary"}));
    // Start-up is over once the browser has shown: a second Runbay may start a monitor again.
    EXPECT_FALSE(m_hStartupEvent);

    plugintest::QuilletLog().Clear();
    SendMessageA(m_hWnd, runbay::WM_NEW_REMINDER, 0, 0);
    SendMessageA(m_hWnd, runbay::WM_SHOW_RULES, 0, 0);
    SendMessageA(m_hWnd, runbay::WM_SHOW_TEMPLATES, 0, 0);
    SendMessageA(m_hWnd, runbay::WM_SHOW_ABOUT, 0, 0);
    SendMessageA(m_hWnd, runbay::WM_SHOW_OPTIONS, 0, 0);
    const std::string parent = std::to_string(reinterpret_cast<intptr_t>(browser.Window()));
    EXPECT_EQ(plugintest::QuilletLog().Lines(), (std::vector<std::string>{"CreateReminder " + parent, "ShowRuleManager",
                                                                          "ShowTemplateEditor", "About", "Options"}));

    {
        plugintest::CBoxes boxes;
        plugintest::QuilletLog().Clear();
        SendMessageA(m_hWnd, runbay::WM_TOOLBAR_ACTION, 1, 77);
        SendMessageA(m_hWnd, runbay::WM_TOOLBAR_ACTION, 2, 77);
        EXPECT_EQ(plugintest::QuilletLog().Lines(), std::vector<std::string>{"CreateReminder 77"});
        EXPECT_EQ(boxes.Seen(),
                  std::vector<std::string>{"Unknown Action: This is an unknown action. Your resource file "
                                           "is corrupt."});
    }

    // The requester gone, the archive's end goes nowhere; the browser gone, nothing is posted.
    DestroyWindow(requester.Window());
    SendMessageA(m_hWnd, runbay::WM_FINISHED_ARCHIVE, 0, 0);
    DestroyWindow(browser.Window());
    QuitClients("OutlookExpressHiddenWindow");
    plugintest::QuilletLog().Clear();
    SendMessageA(m_hWnd, runbay::WM_SPAWN_NEW_SMS_WINDOW, 0, 0);
    EXPECT_TRUE(plugintest::QuilletLog().Lines().empty());

    // What the 30 s timer does when it fires before the hook has reported: the global hook goes and
    // Runbay ends.
    m_oHooks.m_vCalls.clear();
    SendMessageA(m_hWnd, WM_TIMER, runbay::kGlobalHookTimer, 0);
    EXPECT_FALSE(KillTimer(m_hWnd, runbay::kGlobalHookTimer));
    EXPECT_EQ(m_oHooks.m_vCalls, std::vector<std::string>{"UnsetGlobal"});
    EXPECT_TRUE(PumpUntil([&] { return m_bQuit; }, 5000, &m_bQuit));
}
} // namespace
