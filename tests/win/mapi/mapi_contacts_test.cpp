// tests/win/mapi/mapi_contacts_test.cpp: Outlook contacts in the default contacts folder: their
// e-mail named properties resolved on the folder and on a message, read as table columns and with
// GetProps, written with SetProps; new contacts created in the folder.
#include "tests/win/mapi/mapi_test_support.h"

using namespace mapitest;

namespace
{
// Email1..3: address type, address, original entry id.
const LONG kEmailLids[9] = {0x8082, 0x8083, 0x8085, 0x8092, 0x8093, 0x8095, 0x80A2, 0x80A3, 0x80A5};

LPSPropTagArray EmailIds(IMAPIProp* p_p, ULONG p_ulFlags, HRESULT& p_hr)
{
    MAPINAMEID names[9];
    LPMAPINAMEID pnames[9];
    for (int i = 0; i < 9; ++i)
    {
        names[i] = {const_cast<LPGUID>(&PSETID_Address_Test), MNID_ID, {}};
        names[i].Kind.lID = kEmailLids[i];
        pnames[i] = &names[i];
    }
    LPSPropTagArray tags = nullptr;
    p_hr = p_p->GetIDsFromNames(9, pnames, p_ulFlags, &tags);
    return tags;
}

IMAPIFolder* ContactsFolder()
{
    CRelease<IMAPIFolder> inbox;
    inbox.attach(Inbox());
    return OpenFolder(PR_IPM_CONTACT_ENTRYID, inbox);
}

// The contacts folder's rows with the given columns.
std::vector<std::vector<SPropValue>> ContactRows(IMAPIFolder* p_pFolder, std::vector<ULONG> p_cols, LPSRowSet& p_keep)
{
    CRelease<IMAPITable> t;
    EXPECT_EQ(p_pFolder->GetContentsTable(0, &t), S_OK);
    return AllRows(t, std::move(p_cols), p_keep);
}
} // namespace

TEST_F(CMapiContract, contact_email_named_properties_through_folder_message_table_and_props)
{
    CRelease<IMAPIFolder> cf;
    cf.attach(ContactsFolder());
    ASSERT_TRUE(cf);
    HRESULT hr = S_OK;
    LPSPropTagArray ids = EmailIds(cf, MAPI_CREATE, hr);
    ASSERT_EQ(hr, S_OK);
    ASSERT_EQ(ids->cValues, 9u);
    for (ULONG i = 0; i < 9; ++i)
    {
        EXPECT_GE(PROP_ID(ids->aulPropTag[i]), 0x8000u) << i;
        for (ULONG j = 0; j < i; ++j)
            EXPECT_NE(PROP_ID(ids->aulPropTag[i]), PROP_ID(ids->aulPropTag[j]));
    }
    auto typed = [&](int p_i, ULONG p_ulType) { return PROP_TAG(p_ulType, PROP_ID(ids->aulPropTag[p_i])); };

    // Columns of the contents table; Dora has only Email2, Carl no e-mail.
    LPSRowSet rows = nullptr;
    auto all = ContactRows(cf,
                           {PR_ENTRYID, PR_DISPLAY_NAME_A, typed(0, PT_STRING8), typed(1, PT_STRING8),
                            typed(2, PT_BINARY), typed(4, PT_STRING8)},
                           rows);
    std::vector<BYTE> annEid;
    int seen = 0;
    for (auto& r : all)
    {
        const std::string name = Text(r[1]);
        if (name == "Ann Smith")
        {
            ++seen;
            EXPECT_EQ(Text(r[2]), "SMTP");
            EXPECT_EQ(Text(r[3]), "ann@example.com");
            EXPECT_EQ(PROP_TYPE(r[4].ulPropTag), ULONG(PT_ERROR)) << "no Email1 original entry id";
            EXPECT_EQ(PROP_TYPE(r[5].ulPropTag), ULONG(PT_ERROR));
            annEid.assign(r[0].Value.bin.lpb, r[0].Value.bin.lpb + r[0].Value.bin.cb);
        }
        else if (name == "Dora Two")
        {
            ++seen;
            EXPECT_EQ(PROP_TYPE(r[3].ulPropTag), ULONG(PT_ERROR));
            EXPECT_EQ(Text(r[5]), "dora@example.com");
        }
    }
    EXPECT_EQ(seen, 2);
    g_mapi.m_pfnFreeProws(rows);
    ASSERT_FALSE(annEid.empty());

    // The message resolves the same names to the same ids (they are the store's), and reads and
    // writes the values through them.
    CRelease<IMessage> ann;
    ULONG type = 0;
    ASSERT_EQ(cf->OpenEntry(static_cast<ULONG>(annEid.size()), reinterpret_cast<LPENTRYID>(annEid.data()), nullptr,
                            MAPI_MODIFY, &type, reinterpret_cast<LPUNKNOWN*>(&ann)),
              S_OK);
    LPSPropTagArray again = EmailIds(ann, 0, hr);
    ASSERT_EQ(hr, S_OK);
    for (ULONG i = 0; i < 9; ++i)
        EXPECT_EQ(again->aulPropTag[i], ids->aulPropTag[i]);
    g_mapi.m_pfnFree(again);
    SPropValue p[2]{};
    p[0].ulPropTag = typed(3, PT_STRING8);
    p[0].Value.lpszA = const_cast<char*>("SMTP");
    p[1].ulPropTag = typed(4, PT_STRING8);
    p[1].Value.lpszA = const_cast<char*>("ann.home@example.com");
    ASSERT_EQ(ann->SetProps(2, p, nullptr), S_OK);
    ASSERT_EQ(ann->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    SizedSPropTagArray(3, want) = {3, {typed(0, PT_UNICODE), typed(1, PT_STRING8), typed(4, PT_STRING8)}};
    ULONG c = 0;
    LPSPropValue v = nullptr;
    ASSERT_EQ(ann->GetProps(reinterpret_cast<LPSPropTagArray>(&want), 0, &c, &v), S_OK);
    EXPECT_STREQ(v[0].Value.lpszW, L"SMTP");
    EXPECT_STREQ(v[1].Value.lpszA, "ann@example.com");
    EXPECT_STREQ(v[2].Value.lpszA, "ann.home@example.com");
    g_mapi.m_pfnFree(v);

    // GetNamesFromIDs names them back.
    LPSPropTagArray one = nullptr;
    ASSERT_EQ(g_mapi.m_pfnAlloc(CbNewSPropTagArray(1), reinterpret_cast<void**>(&one)), S_OK);
    one->cValues = 1;
    one->aulPropTag[0] = typed(1, PT_STRING8);
    LPMAPINAMEID* back = nullptr;
    ASSERT_EQ(cf->GetNamesFromIDs(&one, nullptr, 0, &c, &back), S_OK);
    ASSERT_EQ(c, 1u);
    EXPECT_TRUE(IsEqualGUID(*back[0]->lpguid, PSETID_Address_Test));
    EXPECT_EQ(back[0]->Kind.lID, 0x8083);
    g_mapi.m_pfnFree(back);
    g_mapi.m_pfnFree(one);
    g_mapi.m_pfnFree(ids);
}
