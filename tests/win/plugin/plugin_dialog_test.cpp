// tests/win/plugin/plugin_dialog_test.cpp: the Options dialog and the About box driven by window
// messages from a second thread as a user would click them, with their pictures.
#include "common/settings.h"
#include "outlook/gui_changer_win.h"
#include "outlook/options_dialog_win.h"
#include "outlook/res/plugin_resource.h"
#include "outlook/sms_spawner_win.h"
#include "tests/win/plugin/plugin_fakes_win.h"
#include "tests/win/support/registry_text_win.h"
#include "tools/window_picture/window_picture_win.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <atomic>
#include <thread>

using namespace plugintest;

namespace
{
struct CFind
{
    const char* m_szTitle;
    HWND m_hFound;
};

BOOL CALLBACK FindOwnDialog(HWND p_hWnd, LPARAM p_lParam)
{
    auto* find = reinterpret_cast<CFind*>(p_lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(p_hWnd, &process);
    char title[128] = {};
    GetWindowTextA(p_hWnd, title, sizeof title);
    if (process == GetCurrentProcessId() && IsWindowVisible(p_hWnd) && lstrcmpA(title, find->m_szTitle) == 0)
    {
        find->m_hFound = p_hWnd;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForDialog(const char* p_szTitle)
{
    for (int i = 0; i < 500; ++i)
    {
        CFind find{p_szTitle, nullptr};
        EnumWindows(&FindOwnDialog, reinterpret_cast<LPARAM>(&find));
        if (find.m_hFound != nullptr)
            return find.m_hFound;
        Sleep(20);
    }
    return nullptr;
}

void Picture(HWND p_hWnd, const char* p_szName)
{
    CreateDirectoryA(ARTIFACTS_DIR, nullptr);
    RedrawWindow(p_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(200);
    EXPECT_TRUE(SaveWindowBitmap(p_hWnd, (std::string(ARTIFACTS_DIR) + "\\" + p_szName + ".bmp").c_str()));
}

// The page currently shown inside the Options dialog.
HWND Page(HWND p_hDialog)
{
    return FindWindowExA(p_hDialog, nullptr, "#32770", nullptr);
}

// As a click on a check box or radio button: its state, then its notification.
void Click(HWND p_hPage, int p_iId, bool p_bOn, bool p_bPost = false)
{
    HWND control = GetDlgItem(p_hPage, p_iId);
    SendMessageA(control, BM_SETCHECK, p_bOn ? BST_CHECKED : BST_UNCHECKED, 0);
    const WPARAM command = MAKEWPARAM(p_iId, BN_CLICKED);
    if (p_bPost)
        PostMessageA(p_hPage, WM_COMMAND, command, reinterpret_cast<LPARAM>(control));
    else
        SendMessageA(p_hPage, WM_COMMAND, command, reinterpret_cast<LPARAM>(control));
}

void SelectTab(HWND p_hDialog, int p_iTab)
{
    HWND tabs = GetDlgItem(p_hDialog, IDC_OPTIONS_TABS);
    NMHDR header{tabs, IDC_OPTIONS_TABS, static_cast<UINT>(TCN_SELCHANGING)};
    if (SendMessageA(p_hDialog, WM_NOTIFY, IDC_OPTIONS_TABS, reinterpret_cast<LPARAM>(&header)) != 0)
        return;
    SendMessageA(tabs, TCM_SETCURSEL, p_iTab, 0);
    header.code = static_cast<UINT>(TCN_SELCHANGE);
    SendMessageA(p_hDialog, WM_NOTIFY, IDC_OPTIONS_TABS, reinterpret_cast<LPARAM>(&header));
}

class DialogTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        g_hPluginInstance = GetModuleHandleA(nullptr);
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES};
        InitCommonControlsEx(&controls);
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Brevolt\\Options");
        DeleteRegValue(HKEY_CURRENT_USER, "Software\\Brevolt", "WarnDelivACK");
        DeleteRegValue(HKEY_CURRENT_USER, "Software\\Brevolt", "Signature");
    }
};

TEST_F(DialogTest, OptionsRefusesAnUnspecifiedDeliveryNoticeWarnsOnceAndStoresEveryPage)
{
    CFakeQuilletClass quillet;
    CSMSSpawner spawner;
    ASSERT_TRUE(spawner.Create(5, nullptr, nullptr, nullptr));
    QuilletLog().Clear();
    CBoxes boxes;
    boxes.m_iAnswer = IDYES;
    (void)boxes.Seen();
    std::atomic<bool> ackShown{false};
    std::thread user([&] {
        HWND dialog = WaitForDialog("Options");
        ASSERT_NE(dialog, nullptr);
        HWND page = Page(dialog);
        // Stored defaults: notify on failed deliveries, at the phone and the network, by e-mail.
        EXPECT_EQ(IsDlgButtonChecked(page, IDC_NOTIFY_FAILED), BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(page, IDC_REACHES_NETWORK), BST_CHECKED);
        Click(page, IDC_NOTIFY_FAILED, false);
        Click(page, IDC_NOTIFY_NONE, true);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_REACHES_PHONE))) << "nothing to qualify";
        Click(page, IDC_NOTIFY_NONE, false);
        Click(page, IDC_NOTIFY_ALL, true);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_REACHES_PHONE)));
        Click(page, IDC_REACHES_PHONE, false);
        Click(page, IDC_REACHES_NETWORK, false);
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(IsWindow(dialog)) << "refused without phone or network";
        SelectTab(dialog, 1);
        EXPECT_EQ(Page(dialog), page) << "the page refuses to be left too";

        Click(page, IDC_REACHES_PHONE, true, true);
        HWND ack = WaitForDialog("Delivery ACKs Enabled");
        ASSERT_NE(ack, nullptr);
        ackShown = true;
        Picture(ack, "plugin_delivery_ack");
        SendDlgItemMessageA(ack, IDC_DONT_SHOW_AGAIN, BM_SETCHECK, BST_CHECKED, 0);
        SendMessageA(ack, WM_COMMAND, IDOK, 0);
        Picture(dialog, "plugin_options_delivery");
        Click(page, IDC_REACHES_PHONE, false);
        Click(page, IDC_REACHES_PHONE, true);

        SelectTab(dialog, 1);
        page = Page(dialog);
        Click(page, IDC_REMINDER_NO_SEND, false);
        Click(page, IDC_REMINDER_SEND, true);
        Click(page, IDC_ATTENDEE_NO_SEND, false);
        Click(page, IDC_ATTENDEE_SEND, true);
        Picture(dialog, "plugin_options_reminder");

        SelectTab(dialog, 2);
        page = Page(dialog);
        Click(page, IDC_COPY_TO_EMAIL, true);
        Click(page, IDC_NO_SIGNATURE, false);
        Click(page, IDC_SIGNATURE, true);
        SetDlgItemTextA(page, IDC_SIGNATURE_TEXT, "Ann at Lee & Co");
        Click(page, IDC_REPLIES_TO_MOBILE, true);
        Picture(dialog, "plugin_options_sending");
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_TRUE(ShowOptionsDialog(nullptr, &spawner));
    user.join();
    EXPECT_TRUE(ackShown);

    const std::vector<std::string> seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].rfind("Notification when the SMS reaches phone or network ?: You have chosen to receive", 0), 0u);
    EXPECT_EQ(seen[0], seen[1]);
    EXPECT_EQ(seen[2].rfind("Defaults changing: You are changing the default settings.", 0), 0u);
    EXPECT_EQ(QuilletLog().Lines(), std::vector<std::string>{"ChangeReminderForm 1"});

    CRegistry registry;
    uint32_t notify = 0;
    ASSERT_TRUE(registry.GetNotifyDefaults(notify));
    EXPECT_EQ(notify, kNotifyAlwaysSet | kNotifyAll | kNotifyPhone | kNotifyByEmail);
    uint32_t send = 0;
    std::string signature;
    ASSERT_TRUE(registry.GetSendDefaults(send, signature));
    EXPECT_EQ(send, kSendRepliesToEmail | kSendCopyToEmail | kSendSignature | kSendRepliesToMobile);
    EXPECT_EQ(signature, "Ann at Lee & Co");
    uint32_t reminder = 0;
    uint32_t attendee = 0;
    EXPECT_TRUE(registry.ReadOptionsDword("Reminder", reminder));
    EXPECT_TRUE(registry.ReadOptionsDword("Attendee", attendee));
    EXPECT_EQ(reminder, 1u);
    EXPECT_EQ(attendee, 1u);
    EXPECT_EQ(registry.ReadUserText("WarnDelivACK"), "FALSE");
}

TEST_F(DialogTest, AboutShowsTheVersionLineAndClosesWithOK)
{
    std::string stored;
    const bool hadVersion = ReadRegText(HKEY_LOCAL_MACHINE, "Software\\Brevolt\\Install", "Version", stored);
    ASSERT_TRUE(WriteRegText(HKEY_LOCAL_MACHINE, "Software\\Brevolt\\Install", "Version", "10001234"));
    std::string version;
    std::thread user([&] {
        HWND about = WaitForDialog("Brevolt SMS");
        ASSERT_NE(about, nullptr);
        char text[64] = {};
        GetDlgItemTextA(about, IDC_ABOUT_VERSION, text, sizeof text);
        version = text;
        Picture(about, "plugin_about");
        PostMessageA(about, WM_COMMAND, IDOK, 0);
    });
    EXPECT_TRUE(ShowAboutBox(nullptr));
    user.join();
    EXPECT_EQ(version, "Version 100.0.1");
    if (hadVersion)
        EXPECT_TRUE(WriteRegText(HKEY_LOCAL_MACHINE, "Software\\Brevolt\\Install", "Version", stored));
    else
        DeleteRegValue(HKEY_LOCAL_MACHINE, "Software\\Brevolt\\Install", "Version");
}
} // namespace
