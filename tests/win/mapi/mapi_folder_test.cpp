// tests/win/mapi/mapi_folder_test.cpp: stores, folder hierarchies and contents tables: special
// folders, the second store, depth-first walks, paging, Restrict and FindRow.
#include "tests/win/mapi/mapi_test_support.h"

using namespace mapitest;

TEST_F(CMapiContract, store_special_folders_and_second_store)
{
    ULONG c = 0;
    LPSPropValue v = nullptr;
    SizedSPropTagArray(6, tags) = {6,
                                   {PR_IPM_SUBTREE_ENTRYID, PR_IPM_OUTBOX_ENTRYID, PR_IPM_SENTMAIL_ENTRYID,
                                    PR_FINDER_ENTRYID, PR_DEFAULT_STORE, PR_IPM_WASTEBASKET_ENTRYID}};
    ASSERT_EQ(g_pStore->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &c, &v), S_OK);
    for (ULONG i = 0; i < c; ++i)
        EXPECT_NE(PROP_TYPE(v[i].ulPropTag), ULONG(PT_ERROR)) << std::hex << tags.aulPropTag[i];
    // An entry id from the store's properties compares equal to the folder's own PR_ENTRYID.
    CRelease<IMAPIFolder> outbox;
    outbox.attach(OpenFolder(PR_IPM_OUTBOX_ENTRYID));
    LPSPropValue own = nullptr;
    ASSERT_EQ(g_mapi.m_pfnGetOneProp(outbox, PR_ENTRYID, &own), S_OK);
    ULONG equal = 0;
    ASSERT_EQ(g_pStore->CompareEntryIDs(v[1].Value.bin.cb, reinterpret_cast<LPENTRYID>(v[1].Value.bin.lpb),
                                        own->Value.bin.cb, reinterpret_cast<LPENTRYID>(own->Value.bin.lpb), 0, &equal),
              S_OK);
    EXPECT_TRUE(equal);
    g_mapi.m_pfnFree(own);
    g_mapi.m_pfnFree(v);
    // A missing property comes back as PT_ERROR with MAPI_W_ERRORS_RETURNED.
    SizedSPropTagArray(1, missing) = {1, {PROP_TAG(PT_LONG, 0x6799)}};
    ASSERT_EQ(g_pStore->GetProps(reinterpret_cast<LPSPropTagArray>(&missing), 0, &c, &v), MAPI_W_ERRORS_RETURNED);
    EXPECT_EQ(PROP_TYPE(v[0].ulPropTag), ULONG(PT_ERROR));
    EXPECT_EQ(v[0].Value.err, MAPI_E_NOT_FOUND);
    g_mapi.m_pfnFree(v);
    CRelease<IMAPITable> stores;
    ASSERT_EQ(g_pSession->GetMsgStoresTable(0, &stores), S_OK);
    LPSRowSet rows = nullptr;
    auto all = AllRows(stores, {PR_DISPLAY_NAME_A, PR_DEFAULT_STORE}, rows);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(Text(all[1][0]), "Archive Folders");
    EXPECT_FALSE(all[1][1].Value.b);
    g_mapi.m_pfnFreeProws(rows);
}

TEST_F(CMapiContract, ipm_subtree_depth_first_finds_nested_contact_folders)
{
    CRelease<IMAPIFolder> ipm;
    ipm.attach(OpenFolder(PR_IPM_SUBTREE_ENTRYID));
    std::vector<std::string> contactFolders;
    std::function<void(IMAPIFolder*, int)> walk = [&](IMAPIFolder* p_f, int p_iDepth) {
        CRelease<IMAPITable> h;
        ASSERT_EQ(p_f->GetHierarchyTable(0, &h), S_OK);
        LPSRowSet rows = nullptr;
        auto all = AllRows(h, {PR_ENTRYID, PR_DISPLAY_NAME_A, PR_CONTAINER_CLASS_A, PR_FOLDER_CHILD_COUNT}, rows);
        for (auto& r : all)
        {
            if (Text(r[2]) == "IPF.Contact")
                contactFolders.push_back(Text(r[1]) + "@" + std::to_string(p_iDepth));
            if (PROP_TYPE(r[3].ulPropTag) == PT_LONG && r[3].Value.l > 0)
            {
                ULONG type = 0;
                CRelease<IMAPIFolder> child;
                ASSERT_EQ(p_f->OpenEntry(r[0].Value.bin.cb, reinterpret_cast<LPENTRYID>(r[0].Value.bin.lpb), nullptr, 0,
                                         &type, reinterpret_cast<LPUNKNOWN*>(&child)),
                          S_OK);
                walk(child, p_iDepth + 1);
            }
        }
        g_mapi.m_pfnFreeProws(rows);
    };
    walk(ipm, 1);
    EXPECT_EQ(contactFolders, (std::vector<std::string>{"Contacts@1", "Suppliers@3"}));
}

TEST_F(CMapiContract, contents_table_paging_restrict_and_findrow)
{
    // The Drafts folder is named on the Inbox (and the root folder), not on the store.
    CRelease<IMAPIFolder> inbox;
    inbox.attach(Inbox());
    CRelease<IMAPIFolder> drafts;
    drafts.attach(OpenFolder(PR_IPM_DRAFTS_ENTRYID, inbox.get()));
    ASSERT_NE(drafts.get(), nullptr);
    for (int i = 0; i < 25; ++i)
    {
        CRelease<IMessage> msg;
        ASSERT_EQ(drafts->CreateMessage(nullptr, 0, &msg), S_OK);
        char subject[32];
        snprintf(subject, sizeof subject, "Message %02d", i);
        SetText(msg, PR_SUBJECT_A, subject);
        SetText(msg, PR_MESSAGE_CLASS_A, i % 5 == 0 ? "IPM.Note.SMS" : "IPM.Note");
        ASSERT_EQ(msg->SaveChanges(0), S_OK);
    }
    CRelease<IMAPITable> t;
    ASSERT_EQ(drafts->GetContentsTable(0, &t), S_OK);
    SizedSPropTagArray(2, cols) = {2, {PR_SUBJECT_A, PR_MESSAGE_CLASS_A}};
    ASSERT_EQ(t->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0), S_OK);
    SizedSSortOrderSet(1, sort) = {1, 0, 0, {{PR_SUBJECT_A, TABLE_SORT_ASCEND}}};
    ASSERT_EQ(t->SortTable(reinterpret_cast<LPSSortOrderSet>(&sort), 0), S_OK);
    ULONG count = 0, row = 0, num = 0, den = 0;
    ASSERT_EQ(t->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, 25u);
    ASSERT_EQ(t->SeekRowApprox(1, 2), S_OK);
    ASSERT_EQ(t->QueryPosition(&row, &num, &den), S_OK);
    EXPECT_EQ(row, 12u);
    EXPECT_EQ(den, 25u);
    LPSRowSet rows = nullptr;
    ASSERT_EQ(t->QueryRows(10, 0, &rows), S_OK);
    ASSERT_EQ(rows->cRows, 10u);
    EXPECT_STREQ(rows->aRow[0].lpProps[0].Value.lpszA, "Message 12");
    g_mapi.m_pfnFreeProws(rows);
    LONG sought = 0;
    ASSERT_EQ(t->SeekRow(BOOKMARK_CURRENT, -30, &sought), S_OK);
    EXPECT_EQ(sought, -22);
    ASSERT_EQ(t->SeekRow(BOOKMARK_END, -2, &sought), S_OK);
    ASSERT_EQ(t->QueryRows(10, 0, &rows), S_OK);
    EXPECT_EQ(rows->cRows, 2u);
    g_mapi.m_pfnFreeProws(rows);
    ASSERT_EQ(t->QueryRows(10, 0, &rows), S_OK);
    EXPECT_EQ(rows->cRows, 0u) << "past the end a read returns no rows and S_OK";
    g_mapi.m_pfnFreeProws(rows);

    SPropValue cls{};
    cls.ulPropTag = PR_MESSAGE_CLASS_A;
    cls.Value.lpszA = const_cast<char*>("IPM.Note.SMS");
    SRestriction byClass{};
    byClass.rt = RES_PROPERTY;
    byClass.res.resProperty = {RELOP_EQ, PR_MESSAGE_CLASS_A, &cls};
    ASSERT_EQ(t->Restrict(&byClass, 0), S_OK);
    ASSERT_EQ(t->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, 5u);
    SPropValue sub{};
    sub.ulPropTag = PR_SUBJECT_A;
    sub.Value.lpszA = const_cast<char*>("15");
    SRestriction find{};
    find.rt = RES_CONTENT;
    find.res.resContent = {FL_SUBSTRING, PR_SUBJECT_A, &sub};
    ASSERT_EQ(t->FindRow(&find, BOOKMARK_BEGINNING, 0), S_OK);
    ASSERT_EQ(t->QueryPosition(&row, &num, &den), S_OK);
    EXPECT_EQ(row, 3u); // 00 05 10 [15] 20
    ASSERT_EQ(t->FindRow(&find, BOOKMARK_CURRENT, DIR_BACKWARD), MAPI_E_NOT_FOUND);
    ASSERT_EQ(t->Restrict(nullptr, 0), S_OK);
    ASSERT_EQ(t->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, 25u);
}

TEST_F(CMapiContract, save_changes_reports_a_store_file_it_cannot_write)
{
    // The store file is replaced through "<file>.tmp": a folder of that name stops the write. A
    // message's save may instead append to the file itself: holding it unshared stops that too.
    const std::string blocker = g_sTemp + "\\store.json.tmp";
    ASSERT_TRUE(CreateDirectoryA(blocker.c_str(), nullptr));
    unique_file held(CreateFileA((g_sTemp + "\\store.json").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    CRelease<IMAPIFolder> inbox;
    inbox.attach(Inbox());
    CRelease<IMessage> msg;
    ASSERT_EQ(inbox->CreateMessage(nullptr, 0, &msg), S_OK);
    SetText(msg, PR_SUBJECT_A, "Kept on the second try");
    EXPECT_EQ(msg->SaveChanges(KEEP_OPEN_READWRITE), MAPI_E_DISK_ERROR);
    held.reset();
    ASSERT_TRUE(RemoveDirectoryA(blocker.c_str()));
    EXPECT_EQ(msg->SaveChanges(0), S_OK);
}
