// tests/win/oemail/oemail_test.cpp: the core library's Outlook Express road under wine64: Simple MAPI
// loaded as the installation names it (and each way that fails), the log-on through the "Default
// User ID" swap, a send answered by a browser window through the named events, and the monitor
// reading mail that arrived in the stand-in's store when "OENewServerMail" is set.
#include "Addressbook/include/corvane_win.h"
#include "Addressbook/oe/inbox_watch.h"
#include "Addressbook/oe/oe_monitor_win.h"
#include "Addressbook/oe/oe_package_win.h"
#include "Addressbook/reminders/rule_manager.h"
#include "common/handle_win.h"
#include "standins/oe/oe_mailstore_win.h"
#include "standins/oe/oe_registry_win.h"
#include "standins/oe/oe_store_win.h"
#include "standins/oe/store/dbx_file.h"
#include "standins/oe/store/eml_message.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace
{
constexpr const char* kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\msimn.exe";
constexpr const char* kMine = "{7A1E2B3C-0D4E-4F5A-8B6C-7D8E9F0A1B01}";
constexpr const char* kOther = "{7A1E2B3C-0D4E-4F5A-8B6C-7D8E9F0A1B02}";

std::string TempFolder(const char* p_szName)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + p_szName + std::to_string(GetTickCount()) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::string IdentityValue(const char* p_szName)
{
    char text[128] = {};
    DWORD size = sizeof(text);
    if (RegGetValueA(HKEY_CURRENT_USER, "Identities", p_szName, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return "<none>";
    return text;
}

void SetIdentityValue(const char* p_szName, const std::string& p_sValue)
{
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, "Identities", p_szName, REG_SZ, p_sValue.c_str(),
                              static_cast<DWORD>(p_sValue.size() + 1)),
              ERROR_SUCCESS);
}

void SetInstallPath(const std::string& p_sPath)
{
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, kAppPaths, "Path", REG_SZ, p_sPath.c_str(),
                              static_cast<DWORD>(p_sPath.size() + 1)),
              ERROR_SUCCESS);
}

std::string Mail(const char* p_szFrom, const char* p_szSubject)
{
    oestore::CMailMessage message;
    message.m_oFrom = {"", p_szFrom};
    message.m_vTo = {{"Pat Doe", "pat@brevolt.example"}};
    message.m_sSubject = p_szSubject;
    message.m_sDate = "Wed, 09 Dec 2026 10:00:00 +0000";
    message.m_sBody = "Hello\r\n";
    return oestore::ComposeMessageText(message, false);
}

// Two identities with their own stores; mail is put straight into an Inbox.
class OEMailTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(oestandin::RegisterInstall(6, OE6_DIR));
        for (const char* id : {kOther, kMine})
        {
            oestandin::COeIdentitySeed seed;
            seed.m_sId = id;
            seed.m_sStoreRoot = TempFolder("oemail_store");
            ASSERT_TRUE(oestandin::SeedIdentity(6, seed));
            std::vector<oestore::CFolderRecord> folders;
            ASSERT_TRUE(oestandin::OpenStore(6, seed.m_sStoreRoot, folders));
            (id == kMine ? m_sMyStore : m_sOtherStore) = seed.m_sStoreRoot;
        }
        SetIdentityValue("Last User ID", kMine);
        SetIdentityValue("Default User ID", kOther);
    }
    uint32_t Deliver(const std::string& p_sStore, const std::string& p_sText)
    {
        uint32_t id = 0;
        EXPECT_TRUE(oestandin::StoreMessage(6, p_sStore, oestore::kSpecialInbox, p_sText, 0, id));
        return id;
    }

    CRegistry m_oRegistry;
    std::string m_sMyStore;
    std::string m_sOtherStore;
};
} // namespace

TEST_F(OEMailTest, SimpleMapiIsLoadedAsTheInstallationNamesItAndEachFailureSaysWhy)
{
    EXPECT_EQ(oe::SimpleMapiDllName(6, OE6_DIR), "msoe.dll");
    EXPECT_EQ(oe::SimpleMapiDllName(4, OE6_DIR), "msimnui.dll");
    EXPECT_EQ(oe::SimpleMapiDllName(0, OE6_DIR), "msoe.dll");
    EXPECT_EQ(oe::SimpleMapiDllName(0, OE4_DIR), "msimnui.dll") << "version 4's folder has no msoe.dll";

    {
        oe::CSimpleMAPI mapi(6, m_oRegistry);
        EXPECT_TRUE(mapi.IsValid()) << mapi.Error().Text();
    }
    SetInstallPath(OE4_DIR);
    {
        oe::CSimpleMAPI mapi(0, m_oRegistry);
        EXPECT_TRUE(mapi.IsValid()) << "an unknown version takes msimnui.dll where msoe.dll is missing";
    }
    const std::string empty = TempFolder("oemail_empty");
    SetInstallPath(empty.substr(0, empty.size() - 1));
    {
        oe::CSimpleMAPI mapi(6, m_oRegistry);
        EXPECT_FALSE(mapi.IsValid());
        EXPECT_EQ(mapi.Error().Id(), 221u);
        EXPECT_NE(mapi.Error().Text().find("msoe.dll' with error code"), std::string::npos) << mapi.Error().Text();
    }
    // A library of that name that is not Simple MAPI.
    ASSERT_TRUE(CopyFileA(PROBE_DLL, (empty + "msoe.dll").c_str(), FALSE));
    {
        oe::CSimpleMAPI mapi(6, m_oRegistry);
        EXPECT_FALSE(mapi.IsValid());
        EXPECT_EQ(mapi.Error().Text(), "Failed to find function MAPILogon");
    }
    ASSERT_EQ(RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kAppPaths, "Path"), ERROR_SUCCESS);
    {
        oe::CSimpleMAPI mapi(6, m_oRegistry);
        EXPECT_FALSE(mapi.IsValid());
        EXPECT_EQ(mapi.Error().Text(), "Outlook Express is not installed");
    }
}

TEST_F(OEMailTest, LogOnSwapsTheStartUpIdentityAndPutsItBack)
{
    Deliver(m_sMyStore, Mail("a@brevolt.example", "one"));
    Deliver(m_sMyStore, Mail("b@brevolt.example", "two"));
    Deliver(m_sOtherStore, Mail("c@brevolt.example", "other"));
    oe::CSimpleMAPI mapi(6, m_oRegistry);
    ASSERT_TRUE(mapi.IsValid()) << mapi.Error().Text();
    ASSERT_TRUE(mapi.LoginToCurrentIdentity());
    EXPECT_EQ(IdentityValue("Default User ID"), kOther) << "the user's start-up identity is restored";
    uint32_t last = 0;
    uint32_t error = 0;
    ASSERT_TRUE(oe::LastMessageNumber(mapi, last, error));
    EXPECT_EQ(last, 2u) << "the session reads the current identity's Inbox";

    ASSERT_TRUE(mapi.LoginToIdentity(kOther));
    ASSERT_TRUE(oe::LastMessageNumber(mapi, last, error));
    EXPECT_EQ(last, 1u);

    // Without a start-up identity before, none is left behind.
    ASSERT_EQ(RegDeleteKeyValueA(HKEY_CURRENT_USER, "Identities", "Default User ID"), ERROR_SUCCESS);
    ASSERT_TRUE(mapi.LoginToCurrentIdentity());
    EXPECT_EQ(IdentityValue("Default User ID"), "<none>");
}

namespace
{
// A stand-in browser on its own thread that answers WM_USER+24 by setting one of the events.
class CFakeBrowser
{
  public:
    explicit CFakeBrowser(const char* p_szAnswer) : m_sAnswer(p_szAnswer != nullptr ? p_szAnswer : "")
    {
        m_oThread = std::thread([this] { Run(); });
        while (!m_bReady.load())
            Sleep(5);
    }
    ~CFakeBrowser()
    {
        PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
        m_oThread.join();
    }
    std::atomic<uint32_t> m_dwPosted{0};

  private:
    static LRESULT CALLBACK Proc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
    {
        auto* self = reinterpret_cast<CFakeBrowser*>(GetWindowLongPtrA(p_hWnd, GWLP_USERDATA));
        if (p_uMsg == oe::kSendMailMessage && self != nullptr)
        {
            self->m_dwPosted = static_cast<uint32_t>(p_wParam);
            if (!self->m_sAnswer.empty())
            {
                unique_handle event(OpenEventA(EVENT_MODIFY_STATE, FALSE, self->m_sAnswer.c_str()));
                SetEvent(event.get());
            }
            return 0;
        }
        if (p_uMsg == WM_CLOSE)
        {
            DestroyWindow(p_hWnd);
            PostQuitMessage(0);
            return 0;
        }
        return DefWindowProcA(p_hWnd, p_uMsg, p_wParam, p_lParam);
    }
    void Run()
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "Outlook Express Browser Class";
        RegisterClassA(&wc);
        m_hWnd = CreateWindowA(wc.lpszClassName, "Outlook Express", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                               nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        m_bReady = true;
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
        UnregisterClassA(wc.lpszClassName, wc.hInstance);
    }

    std::string m_sAnswer;
    HWND m_hWnd = nullptr;
    std::atomic<bool> m_bReady{false};
    std::thread m_oThread;
};

CGatewayMail Job()
{
    CGatewayMail mail;
    mail.m_sSenderEmail = "pat@brevolt.example";
    mail.m_sSubject = "SMS job";
    mail.m_sPlainBody = "<MAIL/>";
    return mail;
}
} // namespace

TEST(OEMailSend, TheBrowserIsAskedWithTheFileNumberAndItsEventIsTheResult)
{
    CRegistry registry;
    CCancelLink link;
    for (const char* answer : {oe::kSendSuccessEvent, oe::kSendFailedEvent, static_cast<const char*>(nullptr)})
    {
        CFakeBrowser browser(answer);
        std::unique_ptr<CMailPackage> package = oe::CreateOutlookExpressPackage(6, registry, 1500);
        const DWORD start = GetTickCount();
        const int sent = package->Send(Job(), link, nullptr);
        const DWORD took = GetTickCount() - start;
        const auto& oePackage = static_cast<const oe::COutlookExpress&>(*package);
        EXPECT_EQ(browser.m_dwPosted.load(), oePackage.LastFileNumber());
        EXPECT_NE(GetFileAttributesA(oePackage.LastTransferFile().c_str()), INVALID_FILE_ATTRIBUTES);
        DeleteFileA(oePackage.LastTransferFile().c_str());
        if (answer == nullptr)
        {
            EXPECT_EQ(sent, 0);
            EXPECT_GE(took, 1400u) << "no answer waits the whole time";
            continue;
        }
        EXPECT_EQ(sent, answer == oe::kSendSuccessEvent ? 1 : 0) << answer;
        EXPECT_LT(took, 1400u) << "the answer ends the wait at once";
    }
}

TEST_F(OEMailTest, TheMonitorReadsTheNewRangeWhenSignalledAndSendsTheRulesSMS)
{
    CRegistry& registry = m_oRegistry;
    ASSERT_TRUE(registry.WriteUserText("Name", "Jane"));
    ASSERT_TRUE(registry.WriteUserText("CountryCode", "44"));
    ASSERT_TRUE(registry.WriteUserText("Phone", "07700900123"));
    Deliver(m_sMyStore, Mail("old@brevolt.example", "before the monitor"));

    CRuleManager rules(registry);
    CMessageRule rule;
    rule.m_aCriteria[kRuleFieldFrom].SetTriggerData("alice");
    rule.m_dwTriggerAction = kRuleActionSender | kRuleActionSubject;
    rule.m_bContinueProcessing = true;
    rule.m_bSendToMe = true;
    rules.SetRules({rule});
    std::atomic<int> batches{0};
    std::atomic<uint32_t> sms{0};
    oe::COEMonitorHost host;
    host.m_p_oRegistry = &registry;
    host.m_iMajor = 6;
    host.m_fnWithServices = [&](const std::function<void(const CNewMailServices&)>& p_fnBatch) {
        CNewMailServices services;
        services.m_p_oRegistry = &registry;
        services.m_p_oRules = &rules;
        services.m_fnSendBulk = [&](const CFinalSMSList& p_oList) {
            sms += p_oList.m_dwCount;
            return true;
        };
        p_fnBatch(services);
        ++batches;
    };
    const auto waitFor = [](const std::function<bool()>& p_fnDone) {
        for (const DWORD start = GetTickCount(); GetTickCount() - start < 15000; Sleep(20))
        {
            if (p_fnDone())
                return true;
        }
        return false;
    };

    oe::COEMonitor monitor(host);
    ASSERT_TRUE(monitor.Start());
    ASSERT_TRUE(waitFor([&] { return registry.ReadUserText("OEIDTo") == "1"; })) << "the range starts at the Inbox";
    EXPECT_EQ(registry.ReadUserText("OEIDFrom"), "1");

    Deliver(m_sMyStore, Mail("alice@brevolt.example", "Lunch"));
    Deliver(m_sMyStore, Mail("bob@brevolt.example", "Tea"));
    Deliver(m_sMyStore, Mail("alice@brevolt.example", "Dinner"));
    {
        unique_handle event(OpenEventA(EVENT_MODIFY_STATE, FALSE, "OENewServerMail"));
        ASSERT_TRUE(event) << "the thread made the event";
        ASSERT_TRUE(SetEvent(event.get()));
    }
    ASSERT_TRUE(waitFor([&] { return batches.load() == 1; }));
    EXPECT_EQ(sms.load(), 2u) << "Alice's two mails, one bulk job";
    ASSERT_TRUE(waitFor([&] { return registry.ReadUserText("OEIDFrom") == "4"; }));
    EXPECT_EQ(registry.ReadUserText("OEIDTo"), "4");

    monitor.Stop();
    EXPECT_FALSE(monitor.IsRunning());
    EXPECT_EQ(registry.ReadUserText("OEIDFrom"), "") << "without a monitor the hooks have nobody to wake";
}

// The launcher starts the monitor and the client together: on a first start the client makes its
// store after the monitor looked. The monitor keeps trying, so the hooks get their range.
TEST_F(OEMailTest, AMonitorStartedBeforeTheClientMadeItsStoreStoresItsRangeOnceTheStoreExists)
{
    oestandin::COeIdentitySeed seed;
    seed.m_sId = kMine;
    seed.m_sStoreRoot = TempFolder("oemail_late_store");
    ASSERT_TRUE(oestandin::SeedIdentity(6, seed));
    SetIdentityValue("Default User ID", kMine);
    (void)m_oRegistry.Store().DeleteValue(ERegRoot::CurrentUser, kUserKey, oe::kIdToValue);
    oe::COEMonitorHost host;
    host.m_p_oRegistry = &m_oRegistry;
    host.m_iMajor = 6;
    oe::COEMonitor monitor(host);
    ASSERT_TRUE(monitor.Start());
    const auto stored = [&] {
        for (const DWORD begin = GetTickCount(); GetTickCount() - begin < 5000; Sleep(20))
            if (!m_oRegistry.ReadUserText(oe::kIdToValue).empty())
                return true;
        return false;
    };
    EXPECT_FALSE(stored()) << "no Inbox yet, so no range";

    std::vector<oestore::CFolderRecord> folders;
    ASSERT_TRUE(oestandin::OpenStore(6, seed.m_sStoreRoot, folders));
    Deliver(seed.m_sStoreRoot, Mail("a@brevolt.example", "first"));
    ASSERT_TRUE(stored()) << "the store appeared";
    EXPECT_EQ(m_oRegistry.ReadUserText(oe::kIdFromValue), "1");
    EXPECT_EQ(m_oRegistry.ReadUserText(oe::kIdToValue), "1");
    monitor.Stop();
}

// After an identity change the range starts at the new identity's Inbox: its older mail, numbered
// above the old identity's last message, is not taken for new mail.
TEST_F(OEMailTest, AnIdentityChangeStartsTheRangeAtTheNewIdentitysInbox)
{
    CRegistry& registry = m_oRegistry;
    Deliver(m_sMyStore, Mail("a@brevolt.example", "mine"));
    for (const char* subject : {"old one", "old two", "old three"})
        Deliver(m_sOtherStore, Mail("b@brevolt.example", subject));
    CRuleManager rules(registry);
    CMessageRule rule;
    rule.m_bTriggerAlways = true;
    rule.m_bSendToMe = true;
    rules.SetRules({rule});
    std::atomic<uint32_t> sms{0};
    oe::COEMonitorHost host;
    host.m_p_oRegistry = &registry;
    host.m_iMajor = 6;
    host.m_fnWithServices = [&](const std::function<void(const CNewMailServices&)>& p_fnBatch) {
        CNewMailServices services;
        services.m_p_oRegistry = &registry;
        services.m_p_oRules = &rules;
        services.m_fnSendBulk = [&](const CFinalSMSList& p_oList) {
            sms += p_oList.m_dwCount;
            return true;
        };
        p_fnBatch(services);
    };
    const auto rangeIs = [&](const char* p_szFrom, const char* p_szTo) {
        for (const DWORD begin = GetTickCount(); GetTickCount() - begin < 15000; Sleep(20))
            if (registry.ReadUserText(oe::kIdFromValue) == p_szFrom && registry.ReadUserText(oe::kIdToValue) == p_szTo)
                return true;
        return false;
    };
    const auto signal = [](const char* p_szEvent) {
        unique_handle event(OpenEventA(EVENT_MODIFY_STATE, FALSE, p_szEvent));
        return event && SetEvent(event.get()) != FALSE;
    };

    oe::COEMonitor monitor(host);
    ASSERT_TRUE(monitor.Start());
    ASSERT_TRUE(rangeIs("1", "1"));
    SetIdentityValue("Last User ID", kOther);
    ASSERT_TRUE(signal("OEIdentityChangedEvent"));
    ASSERT_TRUE(rangeIs("3", "3")) << "the other identity's Inbox holds three";
    Deliver(m_sOtherStore, Mail("c@brevolt.example", "new"));
    ASSERT_TRUE(signal("OENewServerMail"));
    ASSERT_TRUE(rangeIs("4", "4"));
    monitor.Stop();
    EXPECT_EQ(sms.load(), 1u) << "only the mail that arrived after the change";
}

TEST_F(OEMailTest, TheLibrarysExportsStartAndStopTheMonitorAndCountAnIdentitysMail)
{
    Deliver(m_sMyStore, Mail("a@brevolt.example", "one"));
    Deliver(m_sOtherStore, Mail("b@brevolt.example", "two"));
    Deliver(m_sOtherStore, Mail("c@brevolt.example", "three"));
    unique_hmodule corvane(LoadLibraryA(CORVANE_DLL_PATH));
    ASSERT_TRUE(corvane);
    const auto bind = [&](const char* p_szName) { return GetProcAddress(corvane.get(), p_szName); };
    const auto init = reinterpret_cast<PFN_Init>(bind(szInit));
    const auto uninit = reinterpret_cast<PFN_Uninit>(bind(szUninit));
    const auto start = reinterpret_cast<PFN_StartOEMonitor>(bind(szStartOEMonitor));
    const auto stop = reinterpret_cast<PFN_StopOEMonitor>(bind(szStopOEMonitor));
    const auto getMax = reinterpret_cast<PFN_GetOEMaxForIdentity>(bind(szGetOEMaxForIdentity));
    ASSERT_TRUE(init && uninit && start && stop && getMax);
    ASSERT_EQ(init(1, 6, nullptr, nullptr, nullptr, kCallerNoPackage), 1);

    uint32_t last = 99;
    uint32_t error = 99;
    EXPECT_EQ(getMax(kOther, &last, &error), 1);
    EXPECT_EQ(last, 2u);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(getMax(kMine, &last, &error), 1);
    EXPECT_EQ(last, 1u);
    EXPECT_EQ(IdentityValue("Default User ID"), kOther);

    EXPECT_EQ(stop(), 1) << "stopping a monitor that is not running does nothing";
    EXPECT_EQ(start(), 1);
    EXPECT_EQ(start(), 1) << "a second start while running does nothing";
    bool stored = false;
    for (const DWORD begin = GetTickCount(); !stored && GetTickCount() - begin < 15000; Sleep(20))
        stored = m_oRegistry.ReadUserText("OEIDTo") == "1";
    EXPECT_TRUE(stored) << "the monitor tells the hooks where the Inbox stands";
    // Uninit ends a monitor that is still running before the library's objects go.
    EXPECT_EQ(uninit(), 1);
    EXPECT_EQ(m_oRegistry.ReadUserText("OEIDFrom"), "");
    EXPECT_EQ(stop(), 1);
}

TEST_F(OEMailTest, TheInboxNumberOfTheCurrentIdentityDrivesTheTrigger)
{
    oe::CInboxLocator locator(m_oRegistry, 6);
    uint32_t number = 0;
    ASSERT_TRUE(locator.GetInboxNextNumber(number));
    const uint32_t before = number;
    Deliver(m_sMyStore, Mail("a@brevolt.example", "one"));
    Deliver(m_sOtherStore, Mail("b@brevolt.example", "elsewhere"));
    ASSERT_TRUE(locator.GetInboxNextNumber(number));
    EXPECT_EQ(number, before + 1) << "only the current identity's Inbox counts";

    unique_handle event(CreateEventA(nullptr, FALSE, FALSE, oe::kNewServerMailEvent));
    ASSERT_TRUE(event);
    oe::CTriggerHost host;
    host.m_fnNextNumber = [&](uint32_t& p_dwNumber) { return locator.GetInboxNextNumber(p_dwNumber); };
    host.m_fnSettingReadable = [&](const std::string& p_sName) { return !m_oRegistry.ReadUserText(p_sName).empty(); };
    host.m_fnSignal = [] {
        unique_handle named(OpenEventA(EVENT_MODIFY_STATE, FALSE, oe::kNewServerMailEvent));
        return named && SetEvent(named.get()) != FALSE;
    };
    (void)m_oRegistry.Store().DeleteValue(ERegRoot::CurrentUser, kUserKey, oe::kIdFromValue);
    oe::CNewMailTrigger trigger;
    EXPECT_FALSE(trigger.OnFinishedDownloading(host)) << "no monitor has stored its range";
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ASSERT_TRUE(m_oRegistry.WriteUserText(oe::kIdFromValue, "0"));
    ASSERT_TRUE(m_oRegistry.WriteUserText(oe::kIdToValue, "0"));
    EXPECT_TRUE(trigger.OnFinishedDownloading(host));
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_FALSE(trigger.OnFinishedDownloading(host)) << "nothing new downloaded";
    (void)m_oRegistry.Store().DeleteValue(ERegRoot::CurrentUser, kUserKey, oe::kIdFromValue);
    (void)m_oRegistry.Store().DeleteValue(ERegRoot::CurrentUser, kUserKey, oe::kIdToValue);
}

TEST(OEMailSend, AStopDuringTheWaitIsRefusedAndTheAnswerStillCounts)
{
    CRegistry registry;
    CCancelLink link;
    CFakeBrowser browser(nullptr);
    std::unique_ptr<CMailPackage> package = oe::CreateOutlookExpressPackage(6, registry, 5000);
    std::thread answer([&] {
        while (browser.m_dwPosted.load() == 0)
            Sleep(5);
        link.RequestStop();
        Sleep(200);
        unique_handle event(OpenEventA(EVENT_MODIFY_STATE, FALSE, oe::kSendSuccessEvent));
        SetEvent(event.get());
    });
    EXPECT_EQ(package->Send(Job(), link, nullptr), 1);
    answer.join();
    EXPECT_EQ(link.State(), kLinkCantCancel);
    DeleteFileA(static_cast<const oe::COutlookExpress&>(*package).LastTransferFile().c_str());
}
