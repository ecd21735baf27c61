// tests/win/corvane/local_user_test.cpp: the "Your Details" dialog driven the way a user drives it,
// from a second thread with window messages, and the local sender it stores.
#include "tests/win/corvane/corvane_test_support.h"

#include "Addressbook/res/resource.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace
{
using namespace std::chrono_literals;

constexpr const char* kUserKey = "Software\\Brevolt";
constexpr const char* kCreateCaption = "Create 'Brevolt SMS User'";
constexpr const char* kEditCaption = "Edit 'Brevolt SMS User'";

void ClearUserDetails()
{
    for (const char* name : {"Name", "Email", "CountryCode", "Phone"})
        DeleteRegValue(HKEY_CURRENT_USER, kUserKey, name);
}

std::string ItemText(HWND p_hCombo, LRESULT p_iIndex)
{
    char text[256] = {};
    if (SendMessageA(p_hCombo, CB_GETLBTEXTLEN, p_iIndex, 0) >= static_cast<LRESULT>(sizeof(text)))
        return std::string();
    SendMessageA(p_hCombo, CB_GETLBTEXT, p_iIndex, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string ControlText(HWND p_hDialog, int p_iControl)
{
    return WindowText(GetDlgItem(p_hDialog, p_iControl));
}

struct CEntry
{
    const char* m_szName;
    const char* m_szEmail;
    const char* m_szCountry; // item text; null picks "Choose a Country"
    const char* m_szMobile;
};

void Enter(HWND p_hDialog, const CEntry& p_oEntry)
{
    SetDlgItemTextA(p_hDialog, IDC_LOCAL_USER_NAME, p_oEntry.m_szName);
    SetDlgItemTextA(p_hDialog, IDC_LOCAL_USER_EMAIL, p_oEntry.m_szEmail);
    SetDlgItemTextA(p_hDialog, IDC_LOCAL_USER_MOBILE, p_oEntry.m_szMobile);
    const HWND combo = GetDlgItem(p_hDialog, IDC_LOCAL_USER_COUNTRY);
    const LRESULT index = p_oEntry.m_szCountry == nullptr
                              ? 0
                              : SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>(p_oEntry.m_szCountry));
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

LRESULT CALLBACK PlainWindowProc(HWND p_hWindow, UINT p_uMessage, WPARAM p_wParam, LPARAM p_lParam)
{
    return DefWindowProcA(p_hWindow, p_uMessage, p_wParam, p_lParam);
}
} // namespace

TEST(CorvaneLocalUser, CreateChecksEveryFieldBeforeItStoresTheDetails)
{
    CCorvane& corvane = CCorvane::Get();
    ClearUserDetails();
    CInitScope init(1, 0, kCallerNoPackage);
    ASSERT_TRUE(init.Succeeded());

    const char* const southAfrica = "South Africa (+27)";
    const std::string missing =
        "Please fill in at least the First Name, E-mail Address, Country Code and Mobile number.";
    const std::string tooShort = "Only mobile numbers of 6 digits and longer are supported.\n\nUsing a leading zero is "
                                 "optional and does not count toward the length.";
    const std::string badMobile = "The Mobile Number must take the format 0xx xxx-xxx eg 055 555-555.";
    struct CCase
    {
        CEntry m_oEntry;
        CBox m_oExpected;
    } const cases[] = {
        {{"", "", nullptr, ""}, {"Missing Details", missing}},
        {{"Jane Doe", "", southAfrica, "082 555 1234"}, {"Missing Details", missing}},
        {{"Jane Doe", "jane@example.com", nullptr, "082 555 1234"},
         {"No country Selected", "Please select a country from the list of countries provided."}},
        {{"Jane Doe", "jane@example.com", southAfrica, "+27 82 555 1234"}, {"Invalid Mobile Number", badMobile}},
        {{"Jane Doe", "jane@example.com", southAfrica, "082x555"}, {"Invalid Mobile Number", badMobile}},
        {{"Jane Doe", "jane@example.com", southAfrica, "12345"}, {"Your mobile number is too short", tooShort}},
        {{"Jane Doe", "jane@example.com", southAfrica, "0 1234-5"}, {"Your mobile number is too short", tooShort}},
        {{"Jane Doe", "jane.example.com", southAfrica, "082 555 1234"},
         {"Invalid E-mail address", "Please enter a valid E-mail address (eg yourname@example.com)."}},
    };

    std::vector<CBox> seen;
    LRESULT countries = 0;
    std::string firstItem, secondItem, lastItem;
    CBox afterValid{"not pressed", ""};
    CDialogUser user([&](HWND p_hDialog) {
        const HWND combo = GetDlgItem(p_hDialog, IDC_LOCAL_USER_COUNTRY);
        countries = SendMessageA(combo, CB_GETCOUNT, 0, 0);
        firstItem = ItemText(combo, 0);
        secondItem = ItemText(combo, 1);
        lastItem = ItemText(combo, countries - 1);
        for (const CCase& c : cases)
        {
            Enter(p_hDialog, c.m_oEntry);
            seen.push_back(PressExpectingBox(p_hDialog, IDOK));
            if (!IsWindow(p_hDialog))
                return;
        }
        Enter(p_hDialog, {"  Jane Doe ", "jane@example.com", southAfrica, "082 555 1234"});
        afterValid = PressExpectingBox(p_hDialog, IDOK);
    });
    user.Start(kCreateCaption, 2s);
    const int result = corvane.CreateLocalUser(nullptr, 0);
    user.Join();

    ASSERT_NE(user.Dialog(), nullptr) << "no dialog captioned " << kCreateCaption;
    EXPECT_FALSE(user.LeftOpen()) << "valid details did not close the dialog";
    EXPECT_EQ(result, 1);
    EXPECT_EQ(countries, 252);
    EXPECT_EQ(firstItem, "Choose a Country");
    EXPECT_EQ(secondItem, "Alaska (+1)");
    EXPECT_EQ(lastItem, "Zimbabwe (+263)");
    ASSERT_EQ(seen.size(), std::size(cases));
    for (size_t i = 0; i < seen.size(); ++i)
    {
        SCOPED_TRACE(testing::Message() << "case " << i << ": mobile '" << cases[i].m_oEntry.m_szMobile << "'");
        EXPECT_EQ(seen[i].m_sCaption, cases[i].m_oExpected.m_sCaption);
        EXPECT_EQ(seen[i].m_sText, cases[i].m_oExpected.m_sText);
    }
    EXPECT_EQ(afterValid.m_sCaption, "") << "valid details raised: " << afterValid.m_sText;

    std::string name, email, code, phone;
    EXPECT_TRUE(ReadRegText(HKEY_CURRENT_USER, kUserKey, "Name", name));
    EXPECT_TRUE(ReadRegText(HKEY_CURRENT_USER, kUserKey, "Email", email));
    EXPECT_TRUE(ReadRegText(HKEY_CURRENT_USER, kUserKey, "CountryCode", code));
    EXPECT_TRUE(ReadRegText(HKEY_CURRENT_USER, kUserKey, "Phone", phone));
    EXPECT_EQ(name, "Jane Doe");
    EXPECT_EQ(email, "jane@example.com");
    EXPECT_EQ(code, "27");
    EXPECT_EQ(phone, "082 555 1234");

    // What the dialog stored is who the SMS come from.
    CMessageRecipient* sender = nullptr;
    ASSERT_EQ(corvane.GetLocalSenderDetails(&sender), 1);
    ASSERT_NE(sender, nullptr);
    ASSERT_NE(sender->m_szDisplayText, nullptr);
    EXPECT_STREQ(sender->m_szDisplayText, "");
    EXPECT_STREQ(sender->m_szName, "Jane Doe");
    EXPECT_STREQ(sender->m_szEmail, "jane@example.com");
    EXPECT_STREQ(sender->m_szMobile, "+27 825551234");
    corvane.DeleteMessageRecipient(&sender);
}

TEST(CorvaneLocalUser, TheLocalSenderNeedsEverySetting)
{
    CCorvane& corvane = CCorvane::Get();
    CInitScope init(1, 0, kCallerNoPackage);
    ASSERT_TRUE(init.Succeeded());
    for (const char* absent : {"Name", "Email", "CountryCode", "Phone"})
    {
        SCOPED_TRACE(absent);
        ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "Name", "Jane Doe"));
        ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "Email", "jane@example.com"));
        ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "CountryCode", "27"));
        ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "Phone", "082 555 1234"));
        DeleteRegValue(HKEY_CURRENT_USER, kUserKey, absent);
        CMessageRecipient* sender = reinterpret_cast<CMessageRecipient*>(1);
        EXPECT_EQ(corvane.GetLocalSenderDetails(&sender), 0);
        EXPECT_EQ(sender, nullptr);
    }
}

TEST(CorvaneLocalUser, EditShowsTheStoredDetailsOverOutlookAndExitKeepsThem)
{
    CCorvane& corvane = CCorvane::Get();
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &PlainWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "rctrl_renwnd32";
    RegisterClassA(&windowClass);
    const HWND outlook = CreateWindowExA(0, "rctrl_renwnd32", "Inbox - Microsoft Outlook", WS_OVERLAPPEDWINDOW, 0, 0,
                                         400, 300, nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(outlook, nullptr);

    ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "Name", "Sam Smith"));
    ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "Email", "sam@example.com"));
    ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "CountryCode", "+27"));
    ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "Phone", "083 555 0199"));
    {
        // Outlook 2003 started for the dialogs only: the library looks for Outlook's window itself.
        CInitScope init(0, 5, kCallerNoPackage);
        ASSERT_TRUE(init.Succeeded());

        HWND owner = nullptr;
        std::string name, email, mobile, country;
        LOGFONTA header{};
        CDialogUser user([&](HWND p_hDialog) {
            owner = GetWindow(p_hDialog, GW_OWNER);
            name = ControlText(p_hDialog, IDC_LOCAL_USER_NAME);
            email = ControlText(p_hDialog, IDC_LOCAL_USER_EMAIL);
            mobile = ControlText(p_hDialog, IDC_LOCAL_USER_MOBILE);
            const HWND combo = GetDlgItem(p_hDialog, IDC_LOCAL_USER_COUNTRY);
            country = ItemText(combo, SendMessageA(combo, CB_GETCURSEL, 0, 0));
            const auto font =
                reinterpret_cast<HFONT>(SendDlgItemMessageA(p_hDialog, IDC_LOCAL_USER_HEADER, WM_GETFONT, 0, 0));
            GetObjectA(font, sizeof(header), &header);
            SaveWindowShot(p_hDialog, "corvane_your_details.bmp");
            SetDlgItemTextA(p_hDialog, IDC_LOCAL_USER_NAME, "Someone Else");
            PressExpectingBox(p_hDialog, IDCANCEL);
        });
        user.Start(kEditCaption, 2s);
        EXPECT_EQ(corvane.EditLocalUser(nullptr, 0, 0), 0);
        user.Join();

        ASSERT_NE(user.Dialog(), nullptr) << "no dialog captioned " << kEditCaption;
        EXPECT_FALSE(user.LeftOpen());
        EXPECT_EQ(owner, outlook);
        EXPECT_EQ(name, "Sam Smith");
        EXPECT_EQ(email, "sam@example.com");
        EXPECT_EQ(mobile, "083 555 0199");
        EXPECT_EQ(country, "South Africa (+27)");
        EXPECT_EQ(header.lfWeight, FW_BOLD);
        EXPECT_STREQ(header.lfFaceName, "MS Sans Serif");
    }
    std::string stored;
    EXPECT_TRUE(ReadRegText(HKEY_CURRENT_USER, kUserKey, "Name", stored));
    EXPECT_EQ(stored, "Sam Smith") << "Exit stored the edited name";
    DestroyWindow(outlook);
}
