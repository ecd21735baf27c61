// tests/win/mapi/mapi_ab_test.cpp: the address book: ResolveName (ambiguous, unknown, exact),
// containers, distribution lists and new contacts.
#include "tests/win/mapi/mapi_test_support.h"

using namespace mapitest;

TEST_F(CMapiContract, resolve_names_ambiguous_unknown_and_exact)
{
    auto resolve = [](const char* p_szName, std::string& p_sType, std::string& p_sAddress) {
        LPADRLIST list = nullptr;
        EXPECT_EQ(g_mapi.m_pfnAlloc(CbNewADRLIST(1), reinterpret_cast<void**>(&list)), S_OK);
        list->cEntries = 1;
        LPSPropValue props = nullptr;
        g_mapi.m_pfnAlloc(2 * sizeof(SPropValue), reinterpret_cast<void**>(&props));
        props[0].ulPropTag = PR_DISPLAY_NAME_A;
        props[0].Value.lpszA = const_cast<char*>(p_szName);
        props[1].ulPropTag = PR_RECIPIENT_TYPE;
        props[1].Value.l = MAPI_TO;
        list->aEntries[0].cValues = 2;
        list->aEntries[0].rgPropVals = props;
        const HRESULT hr = g_pAddrBook->ResolveName(0, 0, nullptr, list);
        for (ULONG i = 0; i < list->aEntries[0].cValues; ++i)
        {
            const SPropValue& v = list->aEntries[0].rgPropVals[i];
            if (v.ulPropTag == PR_ADDRTYPE_A)
                p_sType = v.Value.lpszA;
            if (v.ulPropTag == PR_EMAIL_ADDRESS_A)
                p_sAddress = v.Value.lpszA;
        }
        g_mapi.m_pfnFree(list->aEntries[0].rgPropVals);
        g_mapi.m_pfnFree(list);
        return hr;
    };
    std::string type, address;
    EXPECT_EQ(resolve("Smith", type, address), MAPI_E_AMBIGUOUS_RECIP) << "Ann, Bob and Dave Smith";
    EXPECT_EQ(resolve("Nobody Here", type, address), MAPI_E_NOT_FOUND);
    ASSERT_EQ(resolve("Bob", type, address), S_OK);
    EXPECT_EQ(type, "EX");
    EXPECT_EQ(address, "/o=Brevolt/ou=First/cn=Recipients/cn=bsmith");
    ASSERT_EQ(resolve("ann@example.com", type, address), S_OK);
    EXPECT_EQ(type, "SMTP");
    EXPECT_EQ(address, "ann@example.com");
}

TEST_F(CMapiContract, address_book_containers_dist_list_and_new_contact)
{
    CRelease<IABContainer> root;
    ULONG type = 0;
    ASSERT_EQ(g_pAddrBook->OpenEntry(0, nullptr, nullptr, 0, &type, reinterpret_cast<LPUNKNOWN*>(&root)), S_OK);
    EXPECT_EQ(type, ULONG(MAPI_ABCONT));
    auto openChild = [&](IABContainer* p_parent, const char* p_szName, IABContainer** p_pp) {
        CRelease<IMAPITable> h;
        ASSERT_EQ(p_parent->GetHierarchyTable(0, &h), S_OK);
        LPSRowSet rows = nullptr;
        auto all = AllRows(h, {PR_ENTRYID, PR_DISPLAY_NAME_A}, rows);
        for (auto& r : all)
            if (Text(r[1]) == p_szName)
            {
                ULONG t = 0;
                ASSERT_EQ(g_pAddrBook->OpenEntry(r[0].Value.bin.cb, reinterpret_cast<LPENTRYID>(r[0].Value.bin.lpb),
                                                 nullptr, 0, &t, reinterpret_cast<LPUNKNOWN*>(p_pp)),
                          S_OK);
            }
        g_mapi.m_pfnFreeProws(rows);
        ASSERT_NE(*p_pp, nullptr) << p_szName;
    };
    CRelease<IABContainer> oab, contacts, gal;
    openChild(root, "Outlook Address Book", &oab);
    openChild(oab, "Contacts", &contacts);
    openChild(root, "Global Address List", &gal);

    // The distribution list in the GAL expands into its members.
    CRelease<IMAPITable> galRows;
    ASSERT_EQ(gal->GetContentsTable(0, &galRows), S_OK);
    LPSRowSet rows = nullptr;
    auto entries = AllRows(galRows, {PR_ENTRYID, PR_DISPLAY_NAME_A, PR_OBJECT_TYPE, PR_SMTP_ADDRESS_A}, rows);
    bool bExpanded = false;
    for (auto& e : entries)
        if (e[2].Value.l == MAPI_DISTLIST)
        {
            CRelease<IDistList> dl;
            ASSERT_EQ(g_pAddrBook->OpenEntry(e[0].Value.bin.cb, reinterpret_cast<LPENTRYID>(e[0].Value.bin.lpb),
                                             nullptr, 0, &type, reinterpret_cast<LPUNKNOWN*>(&dl)),
                      S_OK);
            EXPECT_EQ(type, ULONG(MAPI_DISTLIST));
            CRelease<IMAPITable> members;
            ASSERT_EQ(dl->GetContentsTable(0, &members), S_OK);
            LPSRowSet mrows = nullptr;
            auto m = AllRows(members, {PR_DISPLAY_NAME_A, PR_ADDRTYPE_A}, mrows);
            ASSERT_EQ(m.size(), 2u);
            EXPECT_EQ(Text(m[0][0]), "Bob Smith");
            EXPECT_EQ(Text(m[1][0]), "Carol Jones");
            g_mapi.m_pfnFreeProws(mrows);
            bExpanded = true;
        }
        else
            EXPECT_FALSE(Text(e[3]).empty()) << "GAL users carry their SMTP address";
    EXPECT_TRUE(bExpanded);
    g_mapi.m_pfnFreeProws(rows);

    // A contact created in the default contacts folder appears under Outlook Address Book -> Contacts.
    CRelease<IMAPIFolder> cf;
    LPSPropValue eid = nullptr;
    CRelease<IMAPIFolder> inbox;
    inbox.attach(Inbox());
    ASSERT_EQ(g_mapi.m_pfnGetOneProp(inbox, PR_IPM_CONTACT_ENTRYID, &eid), S_OK);
    ASSERT_EQ(g_pStore->OpenEntry(eid->Value.bin.cb, reinterpret_cast<LPENTRYID>(eid->Value.bin.lpb), nullptr,
                                  MAPI_MODIFY, &type, reinterpret_cast<LPUNKNOWN*>(&cf)),
              S_OK);
    g_mapi.m_pfnFree(eid);
    MAPINAMEID names[2] = {{const_cast<LPGUID>(&PSETID_Address_Test), MNID_ID, {0x8082}},
                           {const_cast<LPGUID>(&PSETID_Address_Test), MNID_ID, {0x8083}}};
    LPMAPINAMEID pnames[2] = {&names[0], &names[1]};
    LPSPropTagArray ids = nullptr;
    ASSERT_EQ(cf->GetIDsFromNames(2, pnames, MAPI_CREATE, &ids), S_OK);
    CRelease<IMessage> contact;
    ASSERT_EQ(cf->CreateMessage(nullptr, 0, &contact), S_OK);
    SPropValue p[5]{};
    p[0].ulPropTag = PR_MESSAGE_CLASS_A;
    p[0].Value.lpszA = const_cast<char*>("IPM.Contact");
    p[1].ulPropTag = PR_DISPLAY_NAME_A;
    p[1].Value.lpszA = const_cast<char*>("Erin Walker");
    p[2].ulPropTag = PR_MOBILE_TELEPHONE_NUMBER_A;
    p[2].Value.lpszA = const_cast<char*>("+447700900123");
    p[3].ulPropTag = PROP_TAG(PT_STRING8, PROP_ID(ids->aulPropTag[0]));
    p[3].Value.lpszA = const_cast<char*>("SMTP");
    p[4].ulPropTag = PROP_TAG(PT_STRING8, PROP_ID(ids->aulPropTag[1]));
    p[4].Value.lpszA = const_cast<char*>("erin@example.com");
    ASSERT_EQ(contact->SetProps(5, p, nullptr), S_OK);
    ASSERT_EQ(contact->SaveChanges(0), S_OK);
    g_mapi.m_pfnFree(ids);
    CRelease<IMAPITable> ct;
    ASSERT_EQ(contacts->GetContentsTable(0, &ct), S_OK);
    auto crow = AllRows(ct, {PR_DISPLAY_NAME_A, PR_EMAIL_ADDRESS_A, PR_MOBILE_TELEPHONE_NUMBER_A}, rows);
    bool bFound = false;
    for (auto& r : crow)
        bFound = bFound ||
                 (Text(r[0]) == "Erin Walker" && Text(r[1]) == "erin@example.com" && Text(r[2]) == "+447700900123");
    EXPECT_TRUE(bFound);
    g_mapi.m_pfnFreeProws(rows);
}
