// tests/win/compose/check_test.cpp: the core's Check as the compose window calls it: typed numbers
// become typed-number recipients, other text stays unresolved, and lists without anyone to send to
// are refused with the "No valid recipients" box.
#include "compose/quillet_object_win.h"
#include "tests/win/compose/compose_test_support.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;

namespace
{
CMessageRecipientList* MakeList(CAddressBookControlObject& p_oCore, std::initializer_list<const char*> p_texts)
{
    CMessageRecipientList* list = nullptr;
    p_oCore.m_pfnCreateMessageRecipientList(&list);
    for (const char* text : p_texts)
    {
        CMessageRecipient* recipient = nullptr;
        p_oCore.m_pfnCreateMessageRecipient(text, &recipient);
        p_oCore.m_pfnAddMessageRecipient(list, recipient);
    }
    return list;
}

} // namespace

TEST(Check, TypedNumbersResolveAndTheRestStaysUnresolved)
{
    com_ptr<CQuillet> quillet;
    quillet.attach(new CQuillet());
    ASSERT_EQ(quillet->Init(1, 0, nullptr, nullptr, 0, 0, 0), S_OK);
    CAddressBookControlObject& core = *quillet->Binding();
    CMessageRecipientList* to = MakeList(core, {"0821234567", "Bob Smith"});
    CMessageRecipientList* cc = MakeList(core, {"+27 83 765 4321"});
    int exited = 1;
    EXPECT_EQ(core.m_pfnCheck(nullptr, &to, &cc, 0, nullptr, &exited), 1);
    EXPECT_EQ(exited, 0);
    ASSERT_EQ(to->m_dwCount, 2u);
    EXPECT_EQ(to->m_p_oFirst->m_p_oItem->m_dwState, kStateTypedNumber);
    EXPECT_EQ(to->m_p_oFirst->m_p_oNext->m_p_oItem->m_dwState, kStateUnresolved);
    EXPECT_EQ(cc->m_p_oFirst->m_p_oItem->m_dwState, kStateTypedNumber);
    // A second check leaves what is resolved as it is.
    EXPECT_EQ(core.m_pfnCheck(nullptr, &to, &cc, 0, nullptr, &exited), 1);
    EXPECT_EQ(to->m_p_oFirst->m_p_oItem->m_dwState, kStateTypedNumber);

    // Nobody usable: the box is shown and the check fails, unless sending anyway.
    CMessageRecipientList* names = MakeList(core, {"Bob Smith"});
    CMessageRecipientList* none = MakeList(core, {});
    EXPECT_EQ(core.m_pfnCheck(nullptr, &names, &none, 1, nullptr, &exited), 1);
    int result = -1;
    std::thread checker([&] { result = core.m_pfnCheck(nullptr, &names, &none, 0, nullptr, &exited); });
    HWND box = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return (box = FindOwnWindow("No valid recipients")) != nullptr; }, 10s));
    if (box != nullptr)
    {
        HWND text = FindWindowExA(box, nullptr, "Static", nullptr);
        std::string shown;
        for (; text != nullptr; text = FindWindowExA(box, text, "Static", nullptr))
            shown += TextOf(text);
        EXPECT_NE(shown.find("This SMS message cannot be sent now as there are no"), std::string::npos) << shown;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    checker.join();
    EXPECT_EQ(result, 0);
    for (CMessageRecipientList* list : {to, cc, names, none})
        core.m_pfnDeleteMessageRecipientList(&list);
    quillet.reset();
}

// A recipient an address book already judged (here: no match) brings the fix wizard even when the
// library has no address book; a contact cannot be made then, the user is told so, and E&xit ends
// the check without sending.
TEST(Check, WithoutAnAddressBookTheWizardStillRunsAndExits)
{
    com_ptr<CQuillet> quillet;
    quillet.attach(new CQuillet());
    ASSERT_EQ(quillet->Init(1, 0, nullptr, nullptr, 0, 0, 0), S_OK);
    CAddressBookControlObject& core = *quillet->Binding();
    CMessageRecipientList* to = MakeList(core, {"0821234567"});
    CMessageRecipient* unknown = nullptr;
    core.m_pfnCreateMessageRecipientFromDetails(kStateNoMatch, kKindUnidentified, "Zed Unknown", nullptr, nullptr,
                                                nullptr, EID_TYPE_BULK, 0, nullptr, 3, &unknown);
    core.m_pfnAddMessageRecipient(to, unknown);
    CMessageRecipientList* cc = MakeList(core, {});
    int result = -1;
    int exited = -1;
    std::thread checker([&] { result = core.m_pfnCheck(nullptr, &to, &cc, 0, nullptr, &exited); });
    HWND page = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return (page = FindOwnWindow("Address Problem Summary")) != nullptr; }, 10s));
    if (page != nullptr)
        PostMessageA(page, WM_COMMAND, IDOK, 0);
    page = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return (page = FindOwnWindow("No matches")) != nullptr; }, 10s));
    if (page != nullptr)
    {
        const HWND combo = GetDlgItem(page, 2423);
        SendMessageA(combo, CB_SETCURSEL, 5, 0);
        SendDlgItemMessageA(page, 2424, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("0821112222"));
        PostMessageA(page, WM_COMMAND, IDOK, 0);
        HWND box = nullptr;
        EXPECT_TRUE(PumpUntil([&] { return (box = FindOwnWindow("Failed to create Contact")) != nullptr; }, 10s));
        if (box != nullptr)
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(PumpUntil([&] { return IsWindowEnabled(page) != FALSE; }, 10s));
        PostMessageA(page, WM_COMMAND, IDCANCEL, 0);
    }
    checker.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(exited, 1);
    EXPECT_EQ(to->m_dwCount, 2u) << "exiting changes nothing";
    for (CMessageRecipientList* list : {to, cc})
        core.m_pfnDeleteMessageRecipientList(&list);
    quillet.reset();
}
