// tests/win/mapi/mapi_search_test.cpp: search folders: the reminders folder, its criteria and
// what it finds.
#include "tests/win/mapi/mapi_test_support.h"

using namespace mapitest;

TEST_F(CMapiContract, reminders_search_folder_and_search_criteria)
{
    CRelease<IMAPIFolder> inbox;
    inbox.attach(Inbox());
    CRelease<IMAPIFolder> reminders;
    reminders.attach(OpenFolder(PR_REM_ONLINE_ENTRYID, inbox.get()));
    ASSERT_NE(reminders.get(), nullptr);
    LPSRestriction res = nullptr;
    LPENTRYLIST folders = nullptr;
    ULONG state = 0;
    ASSERT_EQ(reminders->GetSearchCriteria(0, &res, &folders, &state), S_OK);
    EXPECT_EQ(res->rt, ULONG(RES_PROPERTY));
    EXPECT_EQ(folders->cValues, 1u);
    EXPECT_TRUE(state & SEARCH_RECURSIVE);
    // An appointment with its reminder set (the named property the criteria name) shows up.
    CRelease<IMAPIFolder> calendar;
    calendar.attach(OpenFolder(PR_IPM_APPOINTMENT_ENTRYID, inbox.get()));
    CRelease<IMessage> appt;
    ASSERT_EQ(calendar->CreateMessage(nullptr, 0, &appt), S_OK);
    SetText(appt, PR_SUBJECT_A, "Dentist");
    SPropValue set{};
    set.ulPropTag = res->res.resProperty.ulPropTag;
    set.Value.b = TRUE;
    ASSERT_EQ(appt->SetProps(1, &set, nullptr), S_OK);
    ASSERT_EQ(appt->SaveChanges(0), S_OK);
    g_mapi.m_pfnFree(res);
    g_mapi.m_pfnFree(folders);
    CRelease<IMAPITable> t;
    ASSERT_EQ(reminders->GetContentsTable(0, &t), S_OK);
    LPSRowSet rows = nullptr;
    auto all = AllRows(t, {PR_SUBJECT_A}, rows);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(Text(all[0][0]), "Dentist");
    g_mapi.m_pfnFreeProws(rows);
    // An ordinary folder is no search folder.
    EXPECT_EQ(inbox->GetSearchCriteria(0, &res, nullptr, &state), MAPI_E_NO_SUPPORT);
}

TEST_F(CMapiContract, an_open_search_table_follows_new_items_and_new_criteria)
{
    CRelease<IMAPIFolder> inbox;
    inbox.attach(Inbox());
    CRelease<IMAPIFolder> reminders;
    reminders.attach(OpenFolder(PR_REM_ONLINE_ENTRYID, inbox.get()));
    ASSERT_NE(reminders.get(), nullptr);
    LPSRestriction res = nullptr;
    LPENTRYLIST folders = nullptr;
    ULONG state = 0;
    ASSERT_EQ(reminders->GetSearchCriteria(0, &res, &folders, &state), S_OK);
    CRelease<IMAPITable> t;
    ASSERT_EQ(reminders->GetContentsTable(0, &t), S_OK);
    ULONG before = 0;
    ASSERT_EQ(t->GetRowCount(0, &before), S_OK);
    // A matching item saved after the table was opened shows in it.
    CRelease<IMAPIFolder> calendar;
    calendar.attach(OpenFolder(PR_IPM_APPOINTMENT_ENTRYID, inbox.get()));
    CRelease<IMessage> appt;
    ASSERT_EQ(calendar->CreateMessage(nullptr, 0, &appt), S_OK);
    SetText(appt, PR_SUBJECT_A, "Haircut");
    SPropValue set{};
    set.ulPropTag = res->res.resProperty.ulPropTag;
    set.Value.b = TRUE;
    ASSERT_EQ(appt->SetProps(1, &set, nullptr), S_OK);
    ASSERT_EQ(appt->SaveChanges(0), S_OK);
    ULONG after = 0;
    ASSERT_EQ(t->GetRowCount(0, &after), S_OK);
    EXPECT_EQ(after, before + 1);
    // Criteria nothing matches empty the open table.
    SPropValue none{};
    none.ulPropTag = PR_SUBJECT_A;
    none.Value.lpszA = const_cast<LPSTR>("no item has this subject");
    SRestriction nothing{};
    nothing.rt = RES_PROPERTY;
    nothing.res.resProperty.relop = RELOP_EQ;
    nothing.res.resProperty.ulPropTag = PR_SUBJECT_A;
    nothing.res.resProperty.lpProp = &none;
    ASSERT_EQ(reminders->SetSearchCriteria(&nothing, folders, RECURSIVE_SEARCH), S_OK);
    ASSERT_EQ(t->GetRowCount(0, &after), S_OK);
    EXPECT_EQ(after, 0u);
    ASSERT_EQ(reminders->SetSearchCriteria(res, folders, RECURSIVE_SEARCH), S_OK);
    ASSERT_EQ(t->GetRowCount(0, &after), S_OK);
    EXPECT_EQ(after, before + 1);
    g_mapi.m_pfnFree(res);
    g_mapi.m_pfnFree(folders);
}
