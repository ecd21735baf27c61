// tests/win/mapi/mapi_ab_contacts_test.cpp: the default contacts folder through the address book
// ("Outlook Address Book" -> "Contacts"), contact-folder distribution lists in the published member
// layout (wrapped and one-off entry ids, nested lists), and a contact whose Email1 is a GAL entry.
#include "tests/win/mapi/mapi_test_support.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

using namespace mapitest;

namespace
{
using CBytesV = std::vector<BYTE>;
const BYTE kWrappedUid[16] = {0xC0, 0x91, 0xAD, 0xD3, 0x51, 0x9D, 0xCF, 0x11,
                              0xA4, 0xA9, 0x00, 0xAA, 0x00, 0x47, 0xFA, 0xA4};
const BYTE kOneOffUid[16] = MAPI_ONE_OFF_UID;

CBytesV Bytes(const SBinary& p_b)
{
    return CBytesV(p_b.lpb, p_b.lpb + p_b.cb);
}

IABContainer* OpenChild(IABContainer* p_pParent, const char* p_szName)
{
    CRelease<IMAPITable> h;
    EXPECT_EQ(p_pParent->GetHierarchyTable(0, &h), S_OK);
    LPSRowSet rows = nullptr;
    IABContainer* c = nullptr;
    for (auto& r : AllRows(h, {PR_ENTRYID, PR_DISPLAY_NAME_A}, rows))
        if (Text(r[1]) == p_szName)
        {
            ULONG t = 0;
            EXPECT_EQ(g_pAddrBook->OpenEntry(r[0].Value.bin.cb, reinterpret_cast<LPENTRYID>(r[0].Value.bin.lpb),
                                             nullptr, 0, &t, reinterpret_cast<LPUNKNOWN*>(&c)),
                      S_OK);
        }
    g_mapi.m_pfnFreeProws(rows);
    EXPECT_NE(c, nullptr) << p_szName;
    return c;
}

IABContainer* OutlookContacts()
{
    CRelease<IABContainer> root, oab;
    ULONG type = 0;
    EXPECT_EQ(g_pAddrBook->OpenEntry(0, nullptr, nullptr, 0, &type, reinterpret_cast<LPUNKNOWN*>(&root)), S_OK);
    oab.attach(OpenChild(root, "Outlook Address Book"));
    return oab ? OpenChild(oab, "Contacts") : nullptr;
}

template <typename T> T* OpenAb(const CBytesV& p_eid, ULONG p_ulFlags, ULONG& p_ulType)
{
    T* p = nullptr;
    EXPECT_EQ(g_pAddrBook->OpenEntry(static_cast<ULONG>(p_eid.size()),
                                     reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(p_eid.data())), nullptr, p_ulFlags,
                                     &p_ulType, reinterpret_cast<LPUNKNOWN*>(&p)),
              S_OK);
    return p;
}

IMessage* OpenMessage(const CBytesV& p_eid)
{
    IMessage* m = nullptr;
    ULONG type = 0;
    EXPECT_EQ(g_pSession->OpenEntry(static_cast<ULONG>(p_eid.size()),
                                    reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(p_eid.data())), nullptr,
                                    MAPI_BEST_ACCESS, &type, reinterpret_cast<LPUNKNOWN*>(&m)),
              S_OK);
    EXPECT_EQ(type, ULONG(MAPI_MESSAGE));
    return m;
}

std::string OneString(IMAPIProp* p_p, ULONG p_ulTag)
{
    LPSPropValue v = nullptr;
    std::string s;
    if (g_mapi.m_pfnGetOneProp(p_p, p_ulTag, &v) == S_OK)
        s = v->Value.lpszA;
    g_mapi.m_pfnFree(v);
    return s;
}

// The entry id of the default contacts folder's item named p_szName.
CBytesV ContactItem(const char* p_szName)
{
    CRelease<IMAPIFolder> inbox, cf;
    inbox.attach(Inbox());
    cf.attach(OpenFolder(PR_IPM_CONTACT_ENTRYID, inbox));
    CRelease<IMAPITable> t;
    EXPECT_EQ(cf->GetContentsTable(0, &t), S_OK);
    LPSRowSet rows = nullptr;
    CBytesV eid;
    for (auto& r : AllRows(t, {PR_ENTRYID, PR_DISPLAY_NAME_A}, rows))
        if (Text(r[1]) == p_szName)
            eid = Bytes(r[0].Value.bin);
    g_mapi.m_pfnFreeProws(rows);
    EXPECT_FALSE(eid.empty()) << p_szName;
    return eid;
}

// The PSETID_Address property p_lLid of a message as p_ulType.
ULONG AddressTag(IMAPIProp* p_p, LONG p_lLid, ULONG p_ulType)
{
    MAPINAMEID name{const_cast<LPGUID>(&PSETID_Address_Test), MNID_ID, {}};
    name.Kind.lID = p_lLid;
    LPMAPINAMEID pname = &name;
    LPSPropTagArray tags = nullptr;
    EXPECT_EQ(p_p->GetIDsFromNames(1, &pname, 0, &tags), S_OK);
    const ULONG tag = tags ? PROP_TAG(p_ulType, PROP_ID(tags->aulPropTag[0])) : 0;
    g_mapi.m_pfnFree(tags);
    return tag;
}

std::vector<CBytesV> MultiBinary(IMAPIProp* p_p, ULONG p_ulTag)
{
    LPSPropValue v = nullptr;
    std::vector<CBytesV> out;
    EXPECT_EQ(g_mapi.m_pfnGetOneProp(p_p, p_ulTag, &v), S_OK);
    for (ULONG i = 0; v && i < v->Value.MVbin.cValues; ++i)
        out.push_back(Bytes(v->Value.MVbin.lpbin[i]));
    g_mapi.m_pfnFree(v);
    return out;
}

std::string WideAt(const CBytesV& p_b, size_t& p_at)
{
    std::string s;
    for (; p_at + 1 < p_b.size(); p_at += 2)
    {
        const wchar_t c = static_cast<wchar_t>(p_b[p_at] | p_b[p_at + 1] << 8);
        if (!c)
        {
            p_at += 2;
            return s;
        }
        s.push_back(static_cast<char>(c));
    }
    ADD_FAILURE() << "unterminated one-off string";
    return s;
}

// "name|type|address" of a Unicode one-off entry id.
std::string OneOffText(const CBytesV& p_b)
{
    if (p_b.size() < 24 || memcmp(p_b.data() + 4, kOneOffUid, 16) != 0)
        return "not a one-off";
    EXPECT_NE(p_b[23] & 0x80, 0) << "Unicode strings";
    size_t at = 24;
    std::string name = WideAt(p_b, at), type = WideAt(p_b, at);
    return name + "|" + type + "|" + WideAt(p_b, at);
}

// The wrapped entry id's type byte, checking its header; the embedded id in p_embedded.
int WrappedType(const CBytesV& p_b, CBytesV& p_embedded)
{
    if (p_b.size() < 22 || p_b[0] || p_b[1] || p_b[2] || p_b[3] || memcmp(p_b.data() + 4, kWrappedUid, 16) != 0)
        return -1;
    p_embedded.assign(p_b.begin() + 21, p_b.end());
    return p_b[20];
}

// The address-book entry id of a contact-folder list: its message entry id wrapped.
CBytesV WrapOf(const CBytesV& p_messageEid)
{
    CBytesV b(4, 0);
    b.insert(b.end(), kWrappedUid, kWrappedUid + 16);
    b.push_back(0xB4);
    b.insert(b.end(), p_messageEid.begin(), p_messageEid.end());
    return b;
}

std::vector<std::string> MemberNames(IDistList* p_pList)
{
    CRelease<IMAPITable> t;
    EXPECT_EQ(p_pList->GetContentsTable(0, &t), S_OK);
    LPSRowSet rows = nullptr;
    std::vector<std::string> names;
    for (auto& r : AllRows(t, {PR_DISPLAY_NAME_A, PR_EMAIL_ADDRESS_A}, rows))
        names.push_back(Text(r[0]) + (Text(r[1]).empty() ? "" : " <" + Text(r[1]) + ">"));
    g_mapi.m_pfnFreeProws(rows);
    return names;
}
} // namespace

TEST_F(CMapiContract, outlook_address_book_contacts_show_each_contact_by_its_first_email)
{
    CRelease<IABContainer> contacts;
    contacts.attach(OutlookContacts());
    ASSERT_TRUE(contacts);
    CRelease<IMAPITable> t;
    ASSERT_EQ(contacts->GetContentsTable(0, &t), S_OK);
    LPSRowSet rows = nullptr;
    auto all = AllRows(t,
                       {PR_ENTRYID, PR_OBJECT_TYPE, PR_DISPLAY_NAME_A, PR_MOBILE_TELEPHONE_NUMBER_A, PR_EMAIL_ADDRESS_A,
                        PR_ADDRTYPE_A, PR_DISPLAY_TYPE},
                       rows);
    struct
    {
        const char* m_szName;
        ULONG m_ulObject, m_ulDisplay;
        const char* m_szType;
        const char* m_szAddress;
        int m_iWrapType;
    } const want[] = {
        {"Ann Smith", MAPI_MAILUSER, DT_MAILUSER, "SMTP", "ann@example.com", 0xC3},
        {"Bob Contact", MAPI_MAILUSER, DT_MAILUSER, "EX", "/o=Brevolt/ou=First/cn=Recipients/cn=bsmith", 0xC3},
        {"Friends", MAPI_DISTLIST, DT_PRIVATE_DISTLIST, "MAPIPDL", "", 0xB4},
        {"Family", MAPI_DISTLIST, DT_PRIVATE_DISTLIST, "MAPIPDL", "", 0xB4},
        {"Dora Two", MAPI_MAILUSER, DT_MAILUSER, "SMTP", "dora@example.com", 0xD3},
    };
    ASSERT_EQ(all.size(), std::size(want)) << "Carl Nomail has no e-mail address";
    CBytesV annRow;
    for (size_t i = 0; i < all.size(); ++i)
    {
        SCOPED_TRACE(want[i].m_szName);
        EXPECT_EQ(Text(all[i][2]), want[i].m_szName);
        EXPECT_EQ(ULONG(all[i][1].Value.l), want[i].m_ulObject);
        EXPECT_EQ(ULONG(all[i][6].Value.l), want[i].m_ulDisplay);
        EXPECT_EQ(Text(all[i][5]), want[i].m_szType);
        EXPECT_EQ(Text(all[i][4]), want[i].m_szAddress);
        CBytesV embedded;
        EXPECT_EQ(WrappedType(Bytes(all[i][0].Value.bin), embedded), want[i].m_iWrapType);
        // The wrapped id holds the contact's own entry id.
        CRelease<IMessage> m;
        m.attach(OpenMessage(embedded));
        EXPECT_EQ(OneString(m, PR_DISPLAY_NAME_A), want[i].m_szName);
    }
    EXPECT_EQ(Text(all[0][3]), "+447700900001");
    annRow = Bytes(all[0][0].Value.bin);
    const CBytesV doraRow = Bytes(all[4][0].Value.bin);
    g_mapi.m_pfnFreeProws(rows);

    // The entry opens as a mail user reading the contact; a change reaches the contact.
    ULONG type = 0;
    CRelease<IMailUser> ann;
    ann.attach(OpenAb<IMailUser>(annRow, MAPI_MODIFY, type));
    ASSERT_TRUE(ann);
    EXPECT_EQ(type, ULONG(MAPI_MAILUSER));
    EXPECT_EQ(OneString(ann, PR_EMAIL_ADDRESS_A), "ann@example.com");
    EXPECT_EQ(OneString(ann, PR_GIVEN_NAME_A), "Ann");
    SetText(ann, PR_MOBILE_TELEPHONE_NUMBER_A, "+447700900111");
    ASSERT_EQ(ann->SaveChanges(0), S_OK);
    CRelease<IMessage> msg;
    msg.attach(OpenMessage(ContactItem("Ann Smith")));
    EXPECT_EQ(OneString(msg, PR_MOBILE_TELEPHONE_NUMBER_A), "+447700900111");

    // Wrapped ids compare by their bytes after the flags, through the address book and the session.
    CBytesV shortTerm = annRow;
    shortTerm[0] = 0xFF;
    auto compare = [](auto* p_pWith, CBytesV p_a, CBytesV p_b, ULONG& p_ulSame) {
        return p_pWith->CompareEntryIDs(static_cast<ULONG>(p_a.size()), reinterpret_cast<LPENTRYID>(p_a.data()),
                                        static_cast<ULONG>(p_b.size()), reinterpret_cast<LPENTRYID>(p_b.data()), 0,
                                        &p_ulSame);
    };
    ULONG same = 0;
    ASSERT_EQ(compare(g_pAddrBook.get(), annRow, shortTerm, same), S_OK);
    EXPECT_TRUE(same);
    ASSERT_EQ(compare(g_pSession.get(), annRow, shortTerm, same), S_OK);
    EXPECT_TRUE(same);
    ASSERT_EQ(compare(g_pSession.get(), annRow, doraRow, same), S_OK);
    EXPECT_FALSE(same);
    EXPECT_EQ(compare(g_pAddrBook.get(), annRow, CBytesV(40, 0x5A), same), MAPI_E_UNKNOWN_ENTRYID);
}

TEST_F(CMapiContract, contact_lists_keep_members_as_wrapped_and_one_off_entry_ids)
{
    CRelease<IMessage> friends;
    friends.attach(OpenMessage(ContactItem("Friends")));
    ASSERT_TRUE(friends);
    EXPECT_EQ(OneString(friends, PR_MESSAGE_CLASS_A), "IPM.DistList");
    const auto members = MultiBinary(friends, AddressTag(friends, 0x8055, PT_MV_BINARY));
    const auto oneOffs = MultiBinary(friends, AddressTag(friends, 0x8054, PT_MV_BINARY));
    ASSERT_EQ(members.size(), 5u);
    ASSERT_EQ(oneOffs.size(), 5u) << "one one-off beside every member";

    // Contacts by e-mail slot, the nested list, a GAL user and a one-off.
    CBytesV embedded;
    const int types[4] = {0xC3, 0xD3, 0xB4, 0xB5};
    const char* names[3] = {"Ann Smith", "Bob Contact", "Family"};
    for (int i = 0; i < 3; ++i)
    {
        ASSERT_EQ(WrappedType(members[i], embedded), types[i]) << i;
        CRelease<IMessage> m;
        m.attach(OpenMessage(embedded));
        EXPECT_EQ(OneString(m, PR_DISPLAY_NAME_A), names[i]);
    }
    ASSERT_EQ(WrappedType(members[3], embedded), types[3]);
    ULONG type = 0;
    CRelease<IMailUser> carol;
    carol.attach(OpenAb<IMailUser>(embedded, 0, type));
    EXPECT_EQ(OneString(carol, PR_DISPLAY_NAME_A), "Carol Jones");
    EXPECT_EQ(OneOffText(members[4]), "Zed Zero|SMTP|zed@example.com");
    EXPECT_EQ(OneOffText(oneOffs[0]), "Ann Smith|SMTP|ann@example.com");
    EXPECT_EQ(OneOffText(oneOffs[1]), "Bob Contact|SMTP|bob.home@example.com");
    EXPECT_EQ(OneOffText(oneOffs[3]), "Carol Jones|EX|/o=Brevolt/ou=First/cn=Recipients/cn=cjones");
    EXPECT_EQ(oneOffs[4], members[4]);

    // Through the address book the list is a container of its members, and so is the list in it.
    CRelease<IDistList> list;
    list.attach(OpenAb<IDistList>(WrapOf(ContactItem("Friends")), 0, type));
    ASSERT_TRUE(list);
    EXPECT_EQ(type, ULONG(MAPI_DISTLIST));
    EXPECT_EQ(MemberNames(list),
              (std::vector<std::string>{"Ann Smith <ann@example.com>", "Bob Contact <bob.home@example.com>", "Family",
                                        "Carol Jones </o=Brevolt/ou=First/cn=Recipients/cn=cjones>",
                                        "Zed Zero <zed@example.com>"}));
    CRelease<IDistList> family;
    family.attach(OpenAb<IDistList>(members[2], 0, type));
    ASSERT_TRUE(family);
    EXPECT_EQ(MemberNames(family), (std::vector<std::string>{"Dora Two <dora@example.com>", "Sales Team"}));
    CRelease<IMailUser> zed;
    zed.attach(OpenAb<IMailUser>(members[4], 0, type));
    ASSERT_TRUE(zed);
    EXPECT_EQ(OneString(zed, PR_EMAIL_ADDRESS_A), "zed@example.com");
    EXPECT_EQ(zed->SaveChanges(0), MAPI_E_NO_ACCESS) << "a one-off has nothing behind it to change";
}

TEST_F(CMapiContract, contact_email1_can_be_a_gal_entry_for_the_exchange_path)
{
    CRelease<IMessage> bob;
    bob.attach(OpenMessage(ContactItem("Bob Contact")));
    ASSERT_TRUE(bob);
    EXPECT_EQ(OneString(bob, AddressTag(bob, 0x8082, PT_STRING8)), "EX");
    EXPECT_EQ(OneString(bob, AddressTag(bob, 0x8083, PT_STRING8)), "/o=Brevolt/ou=First/cn=Recipients/cn=bsmith");
    EXPECT_EQ(OneString(bob, AddressTag(bob, 0x8092, PT_STRING8)), "SMTP");
    LPSPropValue original = nullptr;
    ASSERT_EQ(g_mapi.m_pfnGetOneProp(bob, AddressTag(bob, 0x8085, PT_BINARY), &original), S_OK);
    const CBytesV eid = Bytes(original->Value.bin);
    g_mapi.m_pfnFree(original);

    // The original entry id opens the GAL entry, whose SMTP address the client is after.
    ULONG type = 0;
    CRelease<IMailUser> gal;
    gal.attach(OpenAb<IMailUser>(eid, 0, type));
    ASSERT_TRUE(gal);
    EXPECT_EQ(OneString(gal, PR_DISPLAY_NAME_A), "Bob Smith");
    EXPECT_EQ(OneString(gal, PROP_TAG(PT_STRING8, 0x39FE)), "bob@example.com");
    CRelease<IABContainer> galc;
    CRelease<IMAPITable> t;
    ULONG cb = 0;
    LPENTRYID dir = nullptr;
    ASSERT_EQ(g_pAddrBook->GetDefaultDir(&cb, &dir), S_OK);
    ASSERT_EQ(g_pAddrBook->OpenEntry(cb, dir, nullptr, 0, &type, reinterpret_cast<LPUNKNOWN*>(&galc)), S_OK);
    g_mapi.m_pfnFree(dir);
    ASSERT_EQ(galc->GetContentsTable(0, &t), S_OK);
    LPSRowSet rows = nullptr;
    auto all = AllRows(t, {PR_ENTRYID, PR_DISPLAY_NAME_A}, rows);
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(Text(all[0][1]), "Bob Smith");
    EXPECT_EQ(Bytes(all[0][0].Value.bin), eid) << "the GAL row's own entry id";
    g_mapi.m_pfnFreeProws(rows);
}

// Run by its own test: a seed whose list names a contact that does not exist.
TEST(mapi_seed_links, unknown_member_refuses_the_store_file_and_leaves_it_as_it_is)
{
    const char* seed = getenv("BREVOLT_MAPI_BAD_LINK_SEED");
    if (!seed)
        GTEST_SKIP() << "needs its own process and seed";
    LoadStandIn(true, seed);
    ASSERT_FALSE(HasFatalFailure());
    auto text = [](const std::string& p_sPath) {
        std::ifstream in(p_sPath, std::ios::binary);
        std::ostringstream ss;
        ss << in.rdbuf();
        return ss.str();
    };
    const std::string before = text(g_sTemp + "\\store.json");
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(g_mapi.m_pfnInit(nullptr), MAPI_E_CORRUPT_DATA);
    EXPECT_EQ(text(g_sTemp + "\\store.json"), before);
    CoUninitialize();
}
