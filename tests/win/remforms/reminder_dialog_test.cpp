// tests/win/remforms/reminder_dialog_test.cpp: "Create SMS Reminder" and "Reminder Sync" driven with
// window messages from a second thread as a user drives them, with what they hand to their send
// functions checked and their pictures saved; and the end dates and subjects they compute.
#include "tests/win/corvane/corvane_test_support.h"

#include "Addressbook/frame/library.h"
#include "Addressbook/reminders/reminder_dates.h"
#include "Addressbook/reminders/ui/reminder_dialog_ids.h"
#include "Addressbook/reminders/ui/reminder_dialogs.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <stdexcept>

using namespace std::chrono_literals;

// The library's module handle, which its dialogs are loaded from: here this program.
HMODULE g_hModule = nullptr;

namespace
{
CDeliveryTime Day(int p_iYear, int p_iMonth, int p_iDay, int p_iHour = 0, int p_iMinute = 0)
{
    CDeliveryTime time{};
    time.m_wYear = static_cast<uint16_t>(p_iYear);
    time.m_wMonth = static_cast<uint16_t>(p_iMonth);
    time.m_wDay = static_cast<uint16_t>(p_iDay);
    time.m_wHour = static_cast<uint16_t>(p_iHour);
    time.m_wMinute = static_cast<uint16_t>(p_iMinute);
    return time;
}

std::string Text(HWND p_hDialog, int p_iControl)
{
    return WindowText(GetDlgItem(p_hDialog, p_iControl));
}

void Click(HWND p_hDialog, int p_iButton)
{
    SendMessageA(GetDlgItem(p_hDialog, p_iButton), BM_CLICK, 0, 0);
}

void Choose(HWND p_hDialog, int p_iCombo, int p_iIndex)
{
    const HWND combo = GetDlgItem(p_hDialog, p_iCombo);
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(p_iIndex), 0);
    SendMessageA(p_hDialog, WM_COMMAND, MAKEWPARAM(p_iCombo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

// Sets a date picker as its calendar does, with the change notification to the dialog.
void Pick(HWND p_hDialog, int p_iControl, const CDeliveryTime& p_stTime)
{
    const HWND picker = GetDlgItem(p_hDialog, p_iControl);
    SYSTEMTIME time = ToSystemTime(p_stTime);
    SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
    NMDATETIMECHANGE change{};
    change.nmhdr = {picker, static_cast<UINT_PTR>(p_iControl), DTN_DATETIMECHANGE};
    change.st = time;
    SendMessageA(p_hDialog, WM_NOTIFY, static_cast<WPARAM>(p_iControl), reinterpret_cast<LPARAM>(&change));
}

void Type(HWND p_hDialog, int p_iControl, const std::string& p_sText)
{
    const HWND edit = GetDlgItem(p_hDialog, p_iControl);
    for (const char c : p_sText)
        SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
}

void Shoot(HWND p_hWindow, const char* p_szName)
{
    PumpMessages(300ms);
    EXPECT_TRUE(SaveWindowShot(p_hWindow, p_szName)) << p_szName;
}

class ReminderDialogs : public testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        // The dialogs come from this program's own copy of the library's resources.
        g_hModule = GetModuleHandleA(nullptr);
    }
};
} // namespace

TEST_F(ReminderDialogs, CreateSMSReminderSendsTheTypedTextAtThePickedTime)
{
    std::vector<CReminderRequest> sent;
    HWND sentFrom = nullptr;
    CSimpleReminder dialog(
        [&](HWND p_hOwner, const CReminderRequest& p_oRequest) {
            sentFrom = p_hOwner;
            sent.push_back(p_oRequest);
            return 0;
        },
        Day(2026, 12, 9, 10, 30));
    std::string leftAtStart, leftAfterTyping, leftWhenFull, typedWhenFull;
    bool sendEnabledAtStart = true;
    CDialogUser user([&](HWND p_hDialog) {
        leftAtStart = Text(p_hDialog, IDC_REMINDER_LEFT);
        sendEnabledAtStart = IsWindowEnabled(GetDlgItem(p_hDialog, IDOK)) != FALSE;
        SetDlgItemTextA(p_hDialog, IDC_REMINDER_TEXT, std::string(150, 'x').c_str());
        SendDlgItemMessageA(p_hDialog, IDC_REMINDER_TEXT, EM_SETSEL, 150, 150);
        Type(p_hDialog, IDC_REMINDER_TEXT, std::string(20, 'y'));
        typedWhenFull = Text(p_hDialog, IDC_REMINDER_TEXT);
        leftWhenFull = Text(p_hDialog, IDC_REMINDER_LEFT);
        SetDlgItemTextA(p_hDialog, IDC_REMINDER_TEXT, "");
        Type(p_hDialog, IDC_REMINDER_TEXT, "Dentist at 3pm, bring the forms");
        leftAfterTyping = Text(p_hDialog, IDC_REMINDER_LEFT);
        Pick(p_hDialog, IDC_REMINDER_DATE, Day(2026, 12, 24));
        Pick(p_hDialog, IDC_REMINDER_TIME, Day(2026, 12, 9, 9, 5));
        Shoot(p_hDialog, "remforms_create_reminder.bmp");
        PostMessageA(p_hDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    user.Start("Create SMS Reminder");
    const bool ran = dialog.Run(nullptr);
    user.Join();

    ASSERT_NE(user.Dialog(), nullptr);
    EXPECT_FALSE(user.LeftOpen());
    EXPECT_TRUE(ran);
    EXPECT_EQ(leftAtStart, "160 characters left");
    EXPECT_FALSE(sendEnabledAtStart) << "an empty reminder cannot be sent";
    EXPECT_EQ(typedWhenFull.size(), 160u) << "typing stops at one SMS";
    EXPECT_EQ(leftWhenFull, "0 characters left");
    EXPECT_EQ(leftAfterTyping, "129 characters left");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sentFrom, user.Dialog());
    EXPECT_EQ(sent[0].m_sText, "Dentist at 3pm, bring the forms");
    const CDeliveryTime& when = sent[0].m_stDelivery;
    EXPECT_EQ(
        (std::vector<int>{when.m_wYear, when.m_wMonth, when.m_wDay, when.m_wHour, when.m_wMinute, when.m_wSecond}),
        (std::vector<int>{2026, 12, 24, 9, 5, 0}));
    EXPECT_EQ(ReminderFolderSubject(when, sent[0].m_sText),
              "Reminder 24/12/2026 09:05: Dentist at 3pm, bring the forms");
}

TEST_F(ReminderDialogs, CreateSMSReminderCancelSendsNothing)
{
    int sends = 0;
    CSimpleReminder dialog([&](HWND, const CReminderRequest&) { return ++sends; }, Day(2026, 12, 9, 10, 30));
    CDialogUser user([&](HWND p_hDialog) {
        Type(p_hDialog, IDC_REMINDER_TEXT, "never mind");
        PostMessageA(p_hDialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    user.Start("Create SMS Reminder");
    EXPECT_FALSE(dialog.Run(nullptr));
    user.Join();
    EXPECT_EQ(sends, 0);
}

TEST_F(ReminderDialogs, ReminderSyncShowsTheEndForEachChoiceAndSendsUpToIt)
{
    std::vector<CDeliveryTime> ends;
    std::string progressText;
    HWND progressWindow = nullptr;
    CReminderSyncDialog dialog(
        [&](HWND p_hProgress, const CDeliveryTime& p_stEnd) {
            progressWindow = p_hProgress;
            progressText = Text(p_hProgress, 1501);
            ends.push_back(p_stEnd);
            Shoot(p_hProgress, "remforms_reminder_sync_sending.bmp");
        },
        Day(2026, 12, 9, 14, 20));
    std::string today, twoWeeks, threeMonths, oneYear, until;
    bool countEnabledForToday = true, countEnabledForNext = false;
    CDialogUser user([&](HWND p_hDialog) {
        today = Text(p_hDialog, IDC_SYNC_END);
        countEnabledForToday = IsWindowEnabled(GetDlgItem(p_hDialog, IDC_SYNC_COUNT)) != FALSE;
        Click(p_hDialog, IDC_SYNC_NEXT);
        countEnabledForNext = IsWindowEnabled(GetDlgItem(p_hDialog, IDC_SYNC_COUNT)) != FALSE;
        Choose(p_hDialog, IDC_SYNC_COUNT, 1);
        Choose(p_hDialog, IDC_SYNC_PERIOD, 1);
        twoWeeks = Text(p_hDialog, IDC_SYNC_END);
        Shoot(p_hDialog, "remforms_reminder_sync.bmp");
        Choose(p_hDialog, IDC_SYNC_COUNT, 2);
        Choose(p_hDialog, IDC_SYNC_PERIOD, 2);
        threeMonths = Text(p_hDialog, IDC_SYNC_END);
        Choose(p_hDialog, IDC_SYNC_COUNT, 0);
        Choose(p_hDialog, IDC_SYNC_PERIOD, 3);
        oneYear = Text(p_hDialog, IDC_SYNC_END);
        Click(p_hDialog, IDC_SYNC_UNTIL);
        Pick(p_hDialog, IDC_SYNC_DATE, Day(2027, 1, 31));
        until = Text(p_hDialog, IDC_SYNC_END);
        PostMessageA(p_hDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    user.Start("Reminder Sync");
    const bool ran = dialog.Run(nullptr);
    user.Join();

    ASSERT_NE(user.Dialog(), nullptr);
    EXPECT_FALSE(user.LeftOpen());
    EXPECT_TRUE(ran);
    EXPECT_EQ(today, "9 December 2026 23:59:59");
    EXPECT_FALSE(countEnabledForToday);
    EXPECT_TRUE(countEnabledForNext);
    EXPECT_EQ(twoWeeks, "23 December 2026 23:59:59");
    EXPECT_EQ(threeMonths, "9 March 2027 23:59:59");
    EXPECT_EQ(oneYear, "9 December 2027 23:59:59");
    EXPECT_EQ(until, "31 January 2027 23:59:59");
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ((std::vector<int>{ends[0].m_wYear, ends[0].m_wMonth, ends[0].m_wDay, ends[0].m_wHour, ends[0].m_wMinute,
                                ends[0].m_wSecond}),
              (std::vector<int>{2027, 1, 31, 23, 59, 59}));
    EXPECT_EQ(progressWindow, user.Dialog()) << "the dialog is the progress window of its send";
    EXPECT_EQ(progressText, "Sending Reminders to Server...");
}

TEST_F(ReminderDialogs, ReminderSyncSurvivesAFailingSendAndCancelSendsNothing)
{
    int calls = 0;
    CReminderSyncDialog failing(
        [&](HWND, const CDeliveryTime&) {
            ++calls;
            throw std::runtime_error("the gateway went away");
        },
        Day(2026, 12, 9));
    CDialogUser okUser([&](HWND p_hDialog) { PostMessageA(p_hDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); });
    okUser.Start("Reminder Sync");
    EXPECT_TRUE(failing.Run(nullptr)) << "a failing send still closes the dialog";
    okUser.Join();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(okUser.LeftOpen());

    CReminderSyncDialog cancelled([&](HWND, const CDeliveryTime&) { ++calls; }, Day(2026, 12, 9));
    CDialogUser cancelUser(
        [&](HWND p_hDialog) { PostMessageA(p_hDialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); });
    cancelUser.Start("Reminder Sync");
    EXPECT_FALSE(cancelled.Run(nullptr));
    cancelUser.Join();
    EXPECT_EQ(calls, 1);
}

TEST(ReminderDates, EndDatesAndSubjects)
{
    struct CCase
    {
        CDeliveryTime m_stToday;
        ESyncRange m_eRange;
        int m_iCount;
        ESyncPeriod m_ePeriod;
        std::vector<int> m_vExpected; // year, month, day
    };
    const CDeliveryTime none{};
    const CCase cases[] = {
        {Day(2026, 12, 30), ESyncRange::Today, 5, ESyncPeriod::Years, {2026, 12, 30}},
        {Day(2026, 12, 30), ESyncRange::Next, 3, ESyncPeriod::Days, {2027, 1, 2}},
        {Day(2027, 2, 27), ESyncRange::Next, 30, ESyncPeriod::Days, {2027, 3, 29}},
        {Day(2028, 2, 27), ESyncRange::Next, 2, ESyncPeriod::Days, {2028, 2, 29}},
        {Day(2026, 12, 28), ESyncRange::Next, 1, ESyncPeriod::Weeks, {2027, 1, 4}},
        {Day(2027, 1, 31), ESyncRange::Next, 1, ESyncPeriod::Months, {2027, 2, 28}},
        {Day(2028, 1, 31), ESyncRange::Next, 1, ESyncPeriod::Months, {2028, 2, 29}},
        {Day(2026, 11, 15), ESyncRange::Next, 14, ESyncPeriod::Months, {2028, 1, 15}},
        {Day(2028, 2, 29), ESyncRange::Next, 1, ESyncPeriod::Years, {2029, 2, 28}},
    };
    for (const CCase& c : cases)
    {
        const CDeliveryTime end = SyncEndDate(c.m_stToday, c.m_eRange, c.m_iCount, c.m_ePeriod, none);
        EXPECT_EQ((std::vector<int>{end.m_wYear, end.m_wMonth, end.m_wDay}), c.m_vExpected)
            << c.m_stToday.m_wYear << "-" << c.m_stToday.m_wMonth << "-" << c.m_stToday.m_wDay << " + " << c.m_iCount;
        EXPECT_EQ((std::vector<int>{end.m_wHour, end.m_wMinute, end.m_wSecond}), (std::vector<int>{23, 59, 59}));
    }
    const CDeliveryTime picked =
        SyncEndDate(Day(2026, 12, 9), ESyncRange::Until, 4, ESyncPeriod::Weeks, Day(2027, 6, 1));
    EXPECT_EQ((std::vector<int>{picked.m_wYear, picked.m_wMonth, picked.m_wDay}), (std::vector<int>{2027, 6, 1}));
    EXPECT_EQ(ReminderFolderSubject(Day(2027, 1, 5, 7, 5), "x"), "Reminder 05/01/2027 07:05: x");
}
