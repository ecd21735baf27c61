// tests/win/oehook/sms_columns_test.cpp: the "Sent SMSs" column layout inside the mail client
// stand-in: the columns the user chooses in the client's Columns dialog while "Sent SMSs" is shown
// become the SMS layout, and the layout of the other folders is untouched by them.
#include "oehook/column_layout.h"
#include "standins/oe/oe_registry_win.h"
#include "standins/oe/oe_store_win.h"
#include "tests/win/oe/oe_test_support.h"
#include "tests/win/oehook/latchkit_test_support.h"

#include <gtest/gtest.h>

namespace
{
constexpr UINT kViewColumns = 49005;
constexpr int kSizeColumnBox = 1207;

const char* kColumnsKey =
    "Identities\\{7B0C2A51-3E64-4D8F-9A17-52C3E8B6D402}\\Software\\Microsoft\\Outlook Express\\5.0\\Columns";

// The identity's stored SMS layout is gone before and after the test: other tests expect the
// built-in one.
struct CNoStoredSMSLayout
{
    CNoStoredSMSLayout()
    {
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kColumnsKey, "Mail Column Info (SMS)");
    }
    ~CNoStoredSMSLayout()
    {
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kColumnsKey, "Mail Column Info (SMS)");
    }
};

std::vector<uint8_t> ReadColumns(const char* p_szName)
{
    const std::string key = kColumnsKey;
    std::vector<uint8_t> data(4096);
    DWORD size = static_cast<DWORD>(data.size());
    if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), p_szName, RRF_RT_REG_BINARY, nullptr, data.data(), &size) !=
        ERROR_SUCCESS)
        return {};
    data.resize(size);
    return data;
}

HWND FindColumnsDialog(const CHookedClient& p_oClient)
{
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, "#32770", "Columns")) != nullptr;)
    {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == p_oClient.ProcessId() && IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

TEST(LatchkitSMSColumns, TheColumnsChosenWhileSentSMSsIsShownBecomeTheSMSLayout)
{
    SeedLatchkitSettings(6, "");
    const CNoStoredSMSLayout noStoredLayout;
    std::string store;
    ASSERT_TRUE(oestandin::CurrentStoreFolder(6, store));
    ASSERT_TRUE(oestandin::AddStoreFolder(store, "Sent SMSs"));
    CHookedClient client;
    ASSERT_TRUE(client.Start(6));
    const HWND browser = client.WaitForBrowser(15000);
    ASSERT_NE(browser, nullptr);
    const std::vector<uint8_t> own = ReadColumns("Mail Column Info (In)");
    ASSERT_FALSE(own.empty());
    ASSERT_EQ(client.SendControl("select-folder Sent SMSs"), 1);
    ASSERT_EQ(ReadColumns("Mail Column Info (In)"), BuiltInSMSColumns(6));

    // The user adds the Size column in the client's own dialog.
    PostMessageA(browser, WM_COMMAND, MAKEWPARAM(kViewColumns, 0), 0);
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (dialog = FindColumnsDialog(client)) != nullptr; }, 5000));
    SendMessageA(GetDlgItem(dialog, kSizeColumnBox), BM_CLICK, 0, 0);
    PaintNow(dialog);
    EXPECT_TRUE(SaveWindowPng(dialog, "latchkit_oe6_columns.png"));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000));
    std::vector<uint8_t> chosen;
    ASSERT_TRUE(WaitUntil(
        [&] {
            chosen = ReadColumns("Mail Column Info (SMS)");
            return !chosen.empty();
        },
        5000));
    EXPECT_NE(chosen, BuiltInSMSColumns(6));
    EXPECT_EQ(chosen, ReadColumns("Mail Column Info (In)"));

    // Another folder gets the user's own layout back; "Sent SMSs" then shows the chosen one.
    ASSERT_EQ(client.SendControl("select-folder Inbox"), 1);
    EXPECT_EQ(ReadColumns("Mail Column Info (In)"), own);
    ASSERT_EQ(client.SendControl("select-folder Sent SMSs"), 1);
    EXPECT_EQ(ReadColumns("Mail Column Info (In)"), chosen);
    ASSERT_EQ(client.SendControl("select-folder Inbox"), 1);
    EXPECT_EQ(ReadColumns("Mail Column Info (In)"), own);
}
} // namespace
