// tests/win/outlook/outlook_item_test.cpp: items of the store through the object model as another
// program reaches it (Outlook.Application over COM): GetItemFromID with the item's fields, Display in a
// read note (with its read-note-context extension) or an inspector, Display(True) returning only when
// the window is closed, Save and Close of stored and new items.
#include "tests/win/outlook/outlook_test_support.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <thread>

using namespace oltest;

namespace
{
class OutlookItemTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        PrepareMachine();
        ASSERT_EQ(RunAndWait(std::string("\"") + OUTLOOK110_EXE + "\" /regserver"), 0);
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    }
    void TearDown() override
    {
        CoUninitialize();
        ForgetExtensions();
    }
    // Taken back after TearDown, so the suites after this one find no client registered.
    CClientRegistrationRestore m_oRegistration;
};

// The entry id of the first item of a default folder, as the object model writes it.
std::string FirstItemId(IDispatch* p_pSpace, long p_lFolder)
{
    CDispResult folder = CallByName(p_pSpace, L"GetDefaultFolder", {LongArg(p_lFolder)});
    CDispResult items = CallByName(folder.Object(), L"Items");
    CDispResult item = CallByName(items.Object(), L"Item", {LongArg(1)});
    return CallByName(item.Object(), L"EntryID").Text();
}

CDispResult ItemFromId(IDispatch* p_pSpace, const std::string& p_sId)
{
    const std::wstring wide(p_sId.begin(), p_sId.end());
    return CallByName(p_pSpace, L"GetItemFromID", {TextArg(wide.c_str())});
}

bool Holds(const std::vector<std::string>& p_vTexts, const std::string& p_sText)
{
    return std::find(p_vTexts.begin(), p_vTexts.end(), p_sText) != p_vTexts.end();
}

HWND WaitForWindow(const COutlookRun& p_oRun, const char* p_szTitle)
{
    HWND window = nullptr;
    for (int i = 0; i < 200 && window == nullptr; ++i, Sleep(50))
        window = p_oRun.FindWindowOf("rctrl_renwnd32", p_szTitle);
    return window;
}

TEST_F(OutlookItemTest, ItemsComeByEntryIdWithTheirFieldsAndShowInTheirWindows)
{
    COutlookRun run(OUTLOOK110_EXE);
    ASSERT_TRUE(run.Started());
    com_ptr<IDispatch> application = ConnectToApplication();
    ASSERT_TRUE(application);
    CDispResult space = CallByName(application.get(), L"GetNamespace", {TextArg(L"MAPI")});
    ASSERT_NE(space.Object(), nullptr);

    // A contact by its entry id, in either case of hexadecimal and with its store's id.
    const std::string contactId = FirstItemId(space.Object(), 10);
    ASSERT_GT(contactId.size(), 8u);
    std::string lower = contactId;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return static_cast<char>(tolower(c)); });
    CDispResult contacts = CallByName(space.Object(), L"GetDefaultFolder", {LongArg(10)});
    const std::string storeId = CallByName(contacts.Object(), L"StoreID").Text();
    const std::wstring wideId(contactId.begin(), contactId.end());
    const std::wstring wideStore(storeId.begin(), storeId.end());
    CDispResult withStore =
        CallByName(space.Object(), L"GetItemFromID", {TextArg(wideId.c_str()), TextArg(wideStore.c_str())});
    EXPECT_EQ(CallByName(withStore.Object(), L"FullName").Text(), "Dana White");
    CDispResult contact = ItemFromId(space.Object(), lower);
    ASSERT_NE(contact.Object(), nullptr) << std::hex << contact.m_hr;
    EXPECT_EQ(CallByName(contact.Object(), L"Class").Number(), 40);
    EXPECT_EQ(CallByName(contact.Object(), L"EntryID").Text(), contactId);
    EXPECT_EQ(CallByName(contact.Object(), L"CompanyName").Text(), "Harbour Freight Ltd");
    EXPECT_EQ(CallByName(contact.Object(), L"MobileTelephoneNumber").Text(), "+447700900123");
    EXPECT_EQ(CallByName(contact.Object(), L"Email1Address").Text(), "dana@example.com");
    // Ids of no item: a folder's, one of nothing, one of another store, text that is not hexadecimal.
    const std::string folderId = CallByName(contacts.Object(), L"EntryID").Text();
    for (const std::string& bad : {folderId, std::string("00112233"), std::string("12G4"), std::string()})
        EXPECT_EQ(ItemFromId(space.Object(), bad).Object(), nullptr) << bad;
    EXPECT_EQ(CallByName(space.Object(), L"GetItemFromID", {TextArg(wideId.c_str()), TextArg(L"0011")}).Object(),
              nullptr);

    // The contact in an inspector showing its fields; closed through the control channel.
    EXPECT_TRUE(SUCCEEDED(CallByName(contact.Object(), L"Display").m_hr));
    HWND inspector = WaitForWindow(run, "Dana White - Contact");
    ASSERT_NE(inspector, nullptr);
    const std::vector<std::string> shown = EditTexts(inspector);
    for (const char* text : {"Dana White", "Harbour Freight Ltd", "dana@example.com", "+447700900123"})
        EXPECT_TRUE(Holds(shown, text)) << text;
    SavePicture(inspector, "outlook2003_contact");
    ASSERT_TRUE(run.Command("close-item"));
    for (int i = 0; i < 100 && IsWindow(inspector); ++i)
        Sleep(50);
    EXPECT_FALSE(IsWindow(inspector));
    EXPECT_FALSE(run.Command("close-item"));

    // A mail message in a read note, whose extension is installed in the read-note context and is given
    // the message it shows.
    CDispResult mail = ItemFromId(space.Object(), FirstItemId(space.Object(), 6));
    EXPECT_EQ(CallByName(mail.Object(), L"Class").Number(), 43);
    EXPECT_EQ(CallByName(mail.Object(), L"SenderName").Text(), "Carol Jones");
    EXPECT_TRUE(SUCCEEDED(CallByName(mail.Object(), L"Display", {BoolArg(false)}).m_hr));
    HWND note = WaitForWindow(run, "Quarterly figures - Message");
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(Holds(EditTexts(note), "Carol Jones"));
    ASSERT_TRUE(run.WaitForLog("ReadNote "));
    EXPECT_TRUE(ContainsLine(ReadLines(run.m_sExtensionLog),
                             "ReadNote object 0x00000000 Quarterly figures store yes selection 1"))
        << ReadText(run.m_sExtensionLog);
    EXPECT_TRUE(ContainsLine(ReadLines(run.m_sExtensionLog),
                             "Install 7 flags 0 version 0x000B0000 window rctrl_renwnd32 application yes"));
    SavePicture(note, "outlook2003_readnote");
    // The user clicks Close, the first button of the note's toolbar.
    HWND toolbar = FindWindowExA(note, nullptr, "ToolbarWindow32", nullptr);
    ASSERT_NE(toolbar, nullptr);
    RECT bar{};
    GetClientRect(toolbar, &bar);
    const LPARAM onClose = MAKELPARAM(15, bar.bottom / 2);
    PostMessageA(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, onClose);
    PostMessageA(toolbar, WM_LBUTTONUP, 0, onClose);
    for (int i = 0; i < 100 && IsWindow(note); ++i)
        Sleep(50);
    EXPECT_FALSE(IsWindow(note));
    EXPECT_EQ(run.Quit(), 0);
}

// Display(True) holds the caller until the window is closed; the explorer takes no input meanwhile.
TEST_F(OutlookItemTest, AModalDisplayReturnsOnlyOnceItsWindowIsClosed)
{
    COutlookRun run(OUTLOOK110_EXE);
    ASSERT_TRUE(run.Started());
    com_ptr<IDispatch> application = ConnectToApplication();
    CDispResult space = CallByName(application.get(), L"GetNamespace", {TextArg(L"MAPI")});
    CDispResult appointment = ItemFromId(space.Object(), FirstItemId(space.Object(), 9));
    ASSERT_NE(appointment.Object(), nullptr);
    EXPECT_EQ(CallByName(appointment.Object(), L"Location").Text(), "High Street");
    EXPECT_EQ(CallByName(appointment.Object(), L"Start").m_v.vt, VT_DATE);

    std::atomic<bool> closed{false};
    std::vector<std::string> shown;
    bool explorerDisabled = false;
    std::thread user([&] {
        HWND window = WaitForWindow(run, "Dentist - Appointment");
        if (window == nullptr)
            return;
        shown = EditTexts(window);
        explorerDisabled = !IsWindowEnabled(run.FindWindowOf("rctrl_renwnd32", "Inbox - Microsoft Outlook"));
        SavePicture(window, "outlook2003_appointment");
        closed = true;
        (void)run.Command("close-item");
    });
    const HRESULT hr = CallByName(appointment.Object(), L"Display", {BoolArg(true)}).m_hr;
    const bool closedFirst = closed;
    user.join();
    EXPECT_EQ(hr, S_OK);
    EXPECT_TRUE(closedFirst) << "Display(True) returned while its window was open";
    EXPECT_TRUE(explorerDisabled);
    EXPECT_TRUE(Holds(shown, "High Street"));
    EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](const std::string& p_sText) {
        return p_sText.rfind("2026-03-02 ", 0) == 0;
    })) << "the start is shown as a date";
    EXPECT_TRUE(IsWindowEnabled(run.FindWindowOf("rctrl_renwnd32", "Inbox - Microsoft Outlook")));
    EXPECT_EQ(run.Quit(), 0);
}

// Save writes what was set, for a stored item and for a new one (made in its default folder); Close
// with olSave keeps changes, olDiscard drops them.
TEST_F(OutlookItemTest, SaveAndCloseKeepWhatWasSet)
{
    COutlookRun run(OUTLOOK110_EXE);
    ASSERT_TRUE(run.Started());
    com_ptr<IDispatch> application = ConnectToApplication();
    CDispResult space = CallByName(application.get(), L"GetNamespace", {TextArg(L"MAPI")});
    const std::string taskId = FirstItemId(space.Object(), 13);
    CDispResult task = ItemFromId(space.Object(), taskId);
    ASSERT_NE(task.Object(), nullptr);
    EXPECT_EQ(CallByName(task.Object(), L"Class").Number(), 48);
    EXPECT_EQ(PutByName(task.Object(), L"Subject", TextArg(L"File expenses today")), S_OK);
    EXPECT_EQ(CallByName(task.Object(), L"Save").m_hr, S_OK);
    EXPECT_EQ(CallByName(ItemFromId(space.Object(), taskId).Object(), L"Subject").Text(), "File expenses today");
    EXPECT_EQ(PutByName(task.Object(), L"Body", TextArg(L"Receipts in the drawer")), S_OK);
    EXPECT_EQ(CallByName(task.Object(), L"Close", {LongArg(0)}).m_hr, S_OK);
    EXPECT_EQ(CallByName(ItemFromId(space.Object(), taskId).Object(), L"Body").Text(), "Receipts in the drawer");
    EXPECT_EQ(PutByName(task.Object(), L"Body", TextArg(L"Dropped")), S_OK);
    EXPECT_EQ(CallByName(task.Object(), L"Close", {LongArg(1)}).m_hr, S_OK);
    EXPECT_EQ(CallByName(ItemFromId(space.Object(), taskId).Object(), L"Body").Text(), "Receipts in the drawer");

    CDispResult created = CallByName(application.get(), L"CreateItem", {LongArg(2)});
    EXPECT_EQ(CallByName(created.Object(), L"Class").Number(), 40);
    EXPECT_EQ(CallByName(created.Object(), L"EntryID").Text(), "");
    EXPECT_EQ(PutByName(created.Object(), L"FullName", TextArg(L"Eve Green")), S_OK);
    EXPECT_EQ(PutByName(created.Object(), L"Email1Address", TextArg(L"eve@example.com")), S_OK);
    EXPECT_EQ(CallByName(created.Object(), L"Save").m_hr, S_OK);
    const std::string newId = CallByName(created.Object(), L"EntryID").Text();
    CDispResult found = ItemFromId(space.Object(), newId);
    EXPECT_EQ(CallByName(found.Object(), L"FullName").Text(), "Eve Green");
    EXPECT_EQ(CallByName(found.Object(), L"Email1Address").Text(), "eve@example.com");
    EXPECT_EQ(CallByName(found.Object(), L"MessageClass").Text(), "IPM.Contact");
    CDispResult contacts = CallByName(space.Object(), L"GetDefaultFolder", {LongArg(10)});
    EXPECT_EQ(CallByName(CallByName(contacts.Object(), L"Items").Object(), L"Count").Number(), 2);
    // A date is shown, not set.
    EXPECT_TRUE(FAILED(PutByName(task.Object(), L"DueDate", TextArg(L"2026-01-01"))));
    EXPECT_EQ(run.Quit(), 0);
}
} // namespace
