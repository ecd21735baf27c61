// tests/win/mapi/mapi_gal_test.cpp: the global address list as an Exchange directory shows it (EX
// entries with an X.500 address, SMTP address and proxy addresses) and read-only to clients; the
// personal address book, whose entries accept changes and keep them.
#include "tests/win/mapi/mapi_test_support.h"

#include <fstream>
#include <sstream>

using namespace mapitest;

namespace
{
// The published tag of the proxy addresses, PT_MV_STRING8.
constexpr ULONG kProxyAddressesA = PROP_TAG(PT_MV_STRING8, 0x800F);
constexpr ULONG kSmtpAddressA = PROP_TAG(PT_STRING8, 0x39FE);

IABContainer* OpenDirectory(bool p_bPab)
{
    ULONG cb = 0, type = 0;
    LPENTRYID eid = nullptr;
    EXPECT_EQ(p_bPab ? g_pAddrBook->GetPAB(&cb, &eid) : g_pAddrBook->GetDefaultDir(&cb, &eid), S_OK);
    IABContainer* c = nullptr;
    EXPECT_EQ(g_pAddrBook->OpenEntry(cb, eid, nullptr, 0, &type, reinterpret_cast<LPUNKNOWN*>(&c)), S_OK);
    EXPECT_EQ(type, ULONG(MAPI_ABCONT));
    g_mapi.m_pfnFree(eid);
    return c;
}

// Opens the entry of p_pContainer named p_szName (MAPI_MODIFY when asked).
IMailUser* OpenEntryNamed(IABContainer* p_pContainer, const char* p_szName, ULONG p_ulFlags = 0)
{
    CRelease<IMAPITable> t;
    EXPECT_EQ(p_pContainer->GetContentsTable(0, &t), S_OK);
    LPSRowSet rows = nullptr;
    IMailUser* user = nullptr;
    for (auto& r : AllRows(t, {PR_ENTRYID, PR_DISPLAY_NAME_A}, rows))
        if (Text(r[1]) == p_szName)
        {
            ULONG type = 0;
            EXPECT_EQ(g_pAddrBook->OpenEntry(r[0].Value.bin.cb, reinterpret_cast<LPENTRYID>(r[0].Value.bin.lpb),
                                             nullptr, p_ulFlags, &type, reinterpret_cast<LPUNKNOWN*>(&user)),
                      S_OK);
            EXPECT_EQ(type, ULONG(MAPI_MAILUSER));
        }
    g_mapi.m_pfnFreeProws(rows);
    EXPECT_NE(user, nullptr) << p_szName;
    return user;
}

std::string StoreFileText()
{
    std::ifstream in(g_sTemp + "\\store.json", std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
} // namespace

TEST_F(CMapiContract, gal_rows_are_exchange_entries_with_smtp_and_proxy_addresses)
{
    CRelease<IABContainer> gal;
    gal.attach(OpenDirectory(false));
    ASSERT_TRUE(gal);
    CRelease<IMAPITable> t;
    ASSERT_EQ(gal->GetContentsTable(0, &t), S_OK);
    LPSRowSet rows = nullptr;
    auto all = AllRows(t,
                       {PR_DISPLAY_NAME_A, PR_ADDRTYPE_A, PR_EMAIL_ADDRESS_A, kSmtpAddressA, PR_OBJECT_TYPE,
                        PR_DISPLAY_TYPE, kProxyAddressesA},
                       rows);
    ASSERT_EQ(all.size(), 3u);
    struct
    {
        const char* m_szName;
        const char* m_szDn;
        const char* m_szSmtp;
    } const users[] = {{"Bob Smith", "/o=Brevolt/ou=First/cn=Recipients/cn=bsmith", "bob@example.com"},
                       {"Carol Jones", "/o=Brevolt/ou=First/cn=Recipients/cn=cjones", "carol@example.com"}};
    for (size_t i = 0; i < 2; ++i)
    {
        SCOPED_TRACE(users[i].m_szName);
        EXPECT_EQ(Text(all[i][0]), users[i].m_szName);
        EXPECT_EQ(Text(all[i][1]), "EX");
        EXPECT_EQ(Text(all[i][2]), users[i].m_szDn);
        EXPECT_EQ(Text(all[i][3]), users[i].m_szSmtp);
        EXPECT_EQ(all[i][4].Value.l, MAPI_MAILUSER);
        EXPECT_EQ(all[i][5].Value.l, DT_MAILUSER);
        ASSERT_EQ(all[i][6].ulPropTag, kProxyAddressesA);
        bool bPrimary = false;
        for (ULONG j = 0; j < all[i][6].Value.MVszA.cValues; ++j)
            bPrimary =
                bPrimary || std::string(all[i][6].Value.MVszA.lppszA[j]) == std::string("SMTP:") + users[i].m_szSmtp;
        EXPECT_TRUE(bPrimary) << "the primary SMTP proxy carries the SMTP address";
    }
    EXPECT_EQ(Text(all[2][0]), "Sales Team");
    EXPECT_EQ(Text(all[2][1]), "EX") << "a directory list is an Exchange recipient, not a personal list";
    EXPECT_EQ(all[2][4].Value.l, MAPI_DISTLIST);
    EXPECT_EQ(all[2][5].Value.l, DT_DISTLIST);
    g_mapi.m_pfnFreeProws(rows);
}

TEST_F(CMapiContract, gal_user_details_in_one_call_and_refuses_changes)
{
    CRelease<IABContainer> gal;
    gal.attach(OpenDirectory(false));
    CRelease<IMailUser> bob;
    bob.attach(OpenEntryNamed(gal, "Bob Smith", MAPI_BEST_ACCESS));
    ASSERT_TRUE(bob);
    SizedSPropTagArray(8, tags) = {8,
                                   {PR_MOBILE_TELEPHONE_NUMBER_A, PR_EMAIL_ADDRESS_A, PR_DISPLAY_NAME_A,
                                    PR_GIVEN_NAME_A, PR_SURNAME_A, PR_OBJECT_TYPE, PR_ADDRTYPE_A, kSmtpAddressA}};
    ULONG c = 0;
    LPSPropValue v = nullptr;
    ASSERT_EQ(bob->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &c, &v), S_OK);
    ASSERT_EQ(c, 8u);
    EXPECT_STREQ(v[0].Value.lpszA, "+447700900901");
    EXPECT_STREQ(v[1].Value.lpszA, "/o=Brevolt/ou=First/cn=Recipients/cn=bsmith");
    EXPECT_STREQ(v[2].Value.lpszA, "Bob Smith");
    EXPECT_STREQ(v[3].Value.lpszA, "Bob");
    EXPECT_STREQ(v[4].Value.lpszA, "Smith");
    EXPECT_EQ(v[5].Value.l, MAPI_MAILUSER);
    EXPECT_STREQ(v[6].Value.lpszA, "EX");
    EXPECT_STREQ(v[7].Value.lpszA, "bob@example.com");
    g_mapi.m_pfnFree(v);

    // The directory is the administrator's: a client cannot change it.
    SPropValue mobile{};
    mobile.ulPropTag = PR_MOBILE_TELEPHONE_NUMBER_A;
    mobile.Value.lpszA = const_cast<char*>("+447700900999");
    EXPECT_EQ(bob->SetProps(1, &mobile, nullptr), MAPI_E_NO_ACCESS);
    LPSPropValue after = nullptr;
    ASSERT_EQ(g_mapi.m_pfnGetOneProp(bob, PR_MOBILE_TELEPHONE_NUMBER_A, &after), S_OK);
    EXPECT_STREQ(after->Value.lpszA, "+447700900901");
    g_mapi.m_pfnFree(after);
}

TEST_F(CMapiContract, pab_entry_accepts_changes_and_keeps_them_in_the_store_file)
{
    CRelease<IABContainer> pab;
    pab.attach(OpenDirectory(true));
    ASSERT_TRUE(pab);
    {
        CRelease<IMailUser> dave;
        dave.attach(OpenEntryNamed(pab, "Dave Smith", MAPI_MODIFY));
        ASSERT_TRUE(dave);
        SetText(dave, PR_MOBILE_TELEPHONE_NUMBER_A, "+447700900444");
        ASSERT_EQ(dave->SaveChanges(0), S_OK);
    }
    CRelease<IMailUser> again;
    again.attach(OpenEntryNamed(pab, "Dave Smith"));
    ASSERT_TRUE(again);
    LPSPropValue v = nullptr;
    ASSERT_EQ(g_mapi.m_pfnGetOneProp(again, PR_MOBILE_TELEPHONE_NUMBER_A, &v), S_OK);
    EXPECT_STREQ(v->Value.lpszA, "+447700900444");
    g_mapi.m_pfnFree(v);
    EXPECT_NE(StoreFileText().find("+447700900444"), std::string::npos) << "saved to the store file";
}
