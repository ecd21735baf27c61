// tests/win/oehook/new_mail_trigger_test.cpp: the new-mail trigger inside the mail client stand-in:
// downloads run in the client's progress dialog, which Latchkit finds once and watches for 0xAA8;
// "OENewServerMail" is set only when the Inbox's next-message number grew and the core library's
// monitor left its range values, a failed try is tried again at the next download, and after an
// identity change the new identity's Inbox is the one read.
#include "tests/win/oe/oe_test_support.h"
#include "tests/win/oehook/latchkit_test_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>

namespace
{
constexpr UINT kFinishedDownloading = 0xAA8;
constexpr const char* kSecondIdentity = "{3C6E9B14-58A2-4F07-B1D3-6A2E4C8F9D15}";

void WriteRange(bool p_bPresent)
{
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Brevolt", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    unique_hkey owner(key);
    for (const char* name : {"OEIDFrom", "OEIDTo"})
    {
        if (p_bPresent)
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>("0"), 2);
        else
            RegDeleteValueA(key, name);
    }
}

bool Signalled(HANDLE p_hEvent)
{
    return WaitForSingleObject(p_hEvent, 0) == WAIT_OBJECT_0;
}

// The client's top-level "#32770" that holds a progress bar (hidden between downloads).
HWND FindProgressDialog(DWORD p_dwProcess)
{
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, "#32770", nullptr)) != nullptr;)
    {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == p_dwProcess && FindWindowExA(window, nullptr, PROGRESS_CLASSA, nullptr) != nullptr)
            return window;
    }
    return nullptr;
}

class NewMailTrigger : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        StartClient(6);
    }
    void StartClient(int p_iMajor)
    {
        SeedLatchkitSettings(p_iMajor, "");
        m_oEvent.reset(CreateEventA(nullptr, FALSE, FALSE, "OENewServerMail"));
        ASSERT_TRUE(m_oEvent);
        ASSERT_TRUE(m_oClient.Start(p_iMajor));
        ASSERT_NE(m_oClient.WaitForBrowser(15000), nullptr);
    }
    void TearDown() override
    {
        WriteRange(false);
    }

    unique_handle m_oEvent;
    CHookedClient m_oClient;
};

TEST_F(NewMailTrigger, SignalsOnlyWhenTheInboxGrewWhileTheMonitorListens)
{
    // The first download comes while "Sent SMSs" is shown, so its dialog is created under the
    // watch Latchkit keeps on dialogs then; the trigger's subclass must still get it.
    ASSERT_EQ(m_oClient.SendControl("add-folder Sent SMSs"), 1);
    ASSERT_EQ(m_oClient.SendControl("select-folder Sent SMSs"), 1);
    // No monitor runs (its event does not exist): the grown number is not taken as seen, so the
    // dialog's next report, once the monitor listens, signals.
    m_oEvent.reset();
    WriteRange(true);
    ASSERT_EQ(m_oClient.SendControl("download 2"), 1);
    ASSERT_EQ(m_oClient.SendControl("select-folder Inbox"), 1);
    const HWND dialog = FindProgressDialog(m_oClient.ProcessId());
    ASSERT_NE(dialog, nullptr);
    m_oEvent.reset(CreateEventA(nullptr, FALSE, FALSE, "OENewServerMail"));
    ASSERT_TRUE(m_oEvent);
    SendMessageA(dialog, kFinishedDownloading, 0, 0);
    EXPECT_TRUE(Signalled(m_oEvent.get())) << "the first report after the monitor came";

    // The dialog reports a finished download again with nothing new in the Inbox.
    SendMessageA(dialog, kFinishedDownloading, 0, 0);
    EXPECT_FALSE(Signalled(m_oEvent.get())) << "the next-message number did not change";

    // Without the monitor's range values nobody would read the mail: nothing is signalled, and the
    // number is not taken as seen either.
    WriteRange(false);
    ASSERT_EQ(m_oClient.SendControl("download 1"), 1);
    EXPECT_FALSE(Signalled(m_oEvent.get())) << "no OEIDFrom";
    WriteRange(true);
    SendMessageA(dialog, kFinishedDownloading, 0, 0);
    EXPECT_TRUE(Signalled(m_oEvent.get())) << "the grown number was not remembered while nobody listened";

    // Every download, in the dialog the client keeps, is seen.
    for (int i = 0; i < 3; ++i)
    {
        ASSERT_EQ(m_oClient.SendControl("download 1"), 1);
        EXPECT_TRUE(Signalled(m_oEvent.get())) << "download " << i;
    }
    EXPECT_EQ(FindProgressDialog(m_oClient.ProcessId()), dialog);
}

TEST_F(NewMailTrigger, FollowsTheIdentityToItsOwnInbox)
{
    WriteRange(true);
    ASSERT_EQ(m_oClient.SendControl("download 5"), 1);
    ASSERT_TRUE(Signalled(m_oEvent.get()));

    // A fresh identity's Inbox counts from 1 again: one new message there is new mail, although
    // its number stays below the first identity's.
    const std::string store = NewTempFolder("latchkit_second_store");
    ASSERT_EQ(m_oClient.SendControl(std::string("seed-identity ") + kSecondIdentity + " store-root=" + store +
                                    ";current=0;name=Second"),
              1);
    ASSERT_EQ(m_oClient.SendControl(std::string("switch-identity ") + kSecondIdentity), 1);
    ASSERT_EQ(m_oClient.SendControl("download 1"), 1);
    EXPECT_TRUE(Signalled(m_oEvent.get())) << "the second identity's Inbox grew";
    ASSERT_EQ(m_oClient.SendControl("download 1"), 1);
    EXPECT_TRUE(Signalled(m_oEvent.get())) << "and grows on";
}

class NewMailTriggerOE4 : public NewMailTrigger
{
  protected:
    void SetUp() override
    {
        StartClient(4);
    }
};

// Version 4 keeps the Inbox in "Inbox.mbx", named after the tree's folder, its number at offset 8.
TEST_F(NewMailTriggerOE4, ReadsTheInboxNamedByTheFolderTree)
{
    WriteRange(true);
    ASSERT_EQ(m_oClient.SendControl("download 1"), 1);
    EXPECT_TRUE(Signalled(m_oEvent.get()));
    SendMessageA(FindProgressDialog(m_oClient.ProcessId()), kFinishedDownloading, 0, 0);
    EXPECT_FALSE(Signalled(m_oEvent.get()));
}
} // namespace
