// tests/win/mapi/mapi_resolve_test.cpp: the address book's name resolution as a client sees it
// (exact, ambiguous, unknown, internet addresses as one-offs, names added after the first look-up),
// CreateOneOff, and the details and "Check Names" windows driven by a user on another thread.
#include "tests/win/mapi/mapi_test_support.h"
#include "tools/window_picture/window_picture_win.h"

#include <chrono>
#include <cstring>
#include <map>
#include <thread>

using namespace mapitest;

namespace
{
const BYTE kOneOffUid[16] = MAPI_ONE_OFF_UID;

// One resolved entry: its string values by tag (ANSI) and its entry id.
struct CResolved
{
    HRESULT m_hr = E_FAIL;
    std::map<ULONG, std::string> m_text;
    std::vector<BYTE> m_eid;
};

// Resolves the names in one ADRLIST (each with a recipient type), as a client does.
std::vector<CResolved> Resolve(const std::vector<const char*>& p_names, ULONG p_ulFlags = 0)
{
    LPADRLIST list = nullptr;
    EXPECT_EQ(g_mapi.m_pfnAlloc(CbNewADRLIST(p_names.size()), reinterpret_cast<void**>(&list)), S_OK);
    list->cEntries = static_cast<ULONG>(p_names.size());
    for (size_t i = 0; i < p_names.size(); ++i)
    {
        LPSPropValue props = nullptr;
        g_mapi.m_pfnAlloc(2 * sizeof(SPropValue), reinterpret_cast<void**>(&props));
        props[0].ulPropTag = PR_DISPLAY_NAME_A;
        props[0].Value.lpszA = const_cast<char*>(p_names[i]);
        props[1].ulPropTag = PR_RECIPIENT_TYPE;
        props[1].Value.l = MAPI_CC;
        list->aEntries[i].cValues = 2;
        list->aEntries[i].rgPropVals = props;
    }
    const HRESULT hr = g_pAddrBook->ResolveName(0, p_ulFlags, nullptr, list);
    std::vector<CResolved> out(p_names.size());
    for (size_t i = 0; i < p_names.size(); ++i)
    {
        out[i].m_hr = hr;
        const ADRENTRY& e = list->aEntries[i];
        for (ULONG j = 0; j < e.cValues; ++j)
        {
            const SPropValue& v = e.rgPropVals[j];
            if (PROP_TYPE(v.ulPropTag) == PT_STRING8)
                out[i].m_text[v.ulPropTag] = v.Value.lpszA;
            else if (v.ulPropTag == PR_RECIPIENT_TYPE)
                out[i].m_text[v.ulPropTag] = std::to_string(v.Value.l);
            else if (v.ulPropTag == PR_ENTRYID)
                out[i].m_eid.assign(v.Value.bin.lpb, v.Value.bin.lpb + v.Value.bin.cb);
        }
        g_mapi.m_pfnFree(e.rgPropVals);
    }
    g_mapi.m_pfnFree(list);
    return out;
}

bool IsOneOff(const std::vector<BYTE>& p_eid)
{
    return p_eid.size() > 24 && memcmp(p_eid.data() + 4, kOneOffUid, 16) == 0;
}

// The entry's mobile number, read through the address book.
std::string MobileOf(const std::vector<BYTE>& p_eid)
{
    CRelease<IMailUser> user;
    ULONG type = 0;
    EXPECT_EQ(g_pAddrBook->OpenEntry(static_cast<ULONG>(p_eid.size()),
                                     reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(p_eid.data())), nullptr, 0, &type,
                                     reinterpret_cast<LPUNKNOWN*>(&user)),
              S_OK);
    LPSPropValue v = nullptr;
    if (!user || FAILED(g_mapi.m_pfnGetOneProp(user, PR_MOBILE_TELEPHONE_NUMBER_A, &v)))
        return "<none>";
    const std::string mobile = v->Value.lpszA;
    g_mapi.m_pfnFree(v);
    return mobile;
}

HWND WaitForTopWindow(const char* p_szCaption)
{
    for (int i = 0; i < 250; ++i)
    {
        if (const HWND h = FindWindowA(nullptr, p_szCaption); h && IsWindowVisible(h))
            return h;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return nullptr;
}

// What the user saw of the details window and did there.
struct CDetailsSeen
{
    std::string m_sName, m_sMobile, m_sEmail;
    bool m_bMobileReadOnly = false;
};

// Shows the details of p_eid while a user on another thread reads the window, types p_szMobile
// (unless null) and presses p_iButton.
HRESULT Details(const std::vector<BYTE>& p_eid, const char* p_szCaption, const char* p_szMobile, int p_iButton,
                CDetailsSeen& p_seen, const char* p_szShot = nullptr)
{
    std::thread user([&] {
        const HWND dlg = WaitForTopWindow(p_szCaption);
        if (!dlg)
            return;
        char text[256];
        GetDlgItemTextA(dlg, 101, text, sizeof(text));
        p_seen.m_sName = text;
        GetDlgItemTextA(dlg, 102, text, sizeof(text));
        p_seen.m_sMobile = text;
        GetDlgItemTextA(dlg, 103, text, sizeof(text));
        p_seen.m_sEmail = text;
        p_seen.m_bMobileReadOnly = (GetWindowLongA(GetDlgItem(dlg, 102), GWL_STYLE) & ES_READONLY) != 0;
        if (p_szMobile)
            SetDlgItemTextA(dlg, 102, p_szMobile);
        if (p_szShot)
        {
            RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            CreateDirectoryA(ARTIFACTS_DIR, nullptr);
            EXPECT_TRUE(SaveWindowBitmap(dlg, (std::string(ARTIFACTS_DIR) + "/" + p_szShot).c_str()));
        }
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(p_iButton, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dlg, p_iButton)));
    });
    ULONG ui = 0;
    const HRESULT hr = g_pAddrBook->Details(&ui, nullptr, nullptr, static_cast<ULONG>(p_eid.size()),
                                            reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(p_eid.data())), nullptr,
                                            nullptr, nullptr, DIALOG_MODAL);
    user.join();
    return hr;
}

// What the user saw of the "Check Names" window.
struct CChoiceSeen
{
    std::string m_sPrompt;
    std::vector<std::string> m_vLines;
    bool m_bOpenAfterEmptyOk = false;
};

// Resolves p_szName allowing a dialog while a user on another thread reads the window, presses OK
// with nothing chosen, then picks the line beginning with p_szPick (Cancel when null).
HRESULT ResolveChoosing(const char* p_szName, const char* p_szPick, CChoiceSeen& p_seen, std::string& p_sResolved,
                        const char* p_szShot = nullptr)
{
    constexpr int kPrompt = 201, kList = 202;
    std::thread user([&] {
        const HWND dlg = WaitForTopWindow("Check Names");
        if (!dlg)
            return;
        char text[256];
        GetDlgItemTextA(dlg, kPrompt, text, sizeof(text));
        p_seen.m_sPrompt = text;
        const HWND list = GetDlgItem(dlg, kList);
        int pick = -1;
        for (LRESULT i = 0; i < SendMessageA(list, LB_GETCOUNT, 0, 0); ++i)
        {
            SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            p_seen.m_vLines.push_back(text);
            if (p_szPick && pick < 0 && std::strncmp(text, p_szPick, std::strlen(p_szPick)) == 0)
                pick = static_cast<int>(i);
        }
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
        p_seen.m_bOpenAfterEmptyOk = IsWindow(dlg) && IsWindowVisible(dlg);
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(pick), 0);
        if (p_szShot)
        {
            RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            CreateDirectoryA(ARTIFACTS_DIR, nullptr);
            EXPECT_TRUE(SaveWindowBitmap(dlg, (std::string(ARTIFACTS_DIR) + "/" + p_szShot).c_str()));
        }
        const int button = p_szPick ? IDOK : IDCANCEL;
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dlg, button)));
    });
    const auto r = Resolve({p_szName}, MAPI_DIALOG);
    user.join();
    const auto name = r[0].m_text.find(PR_DISPLAY_NAME_A);
    p_sResolved = name != r[0].m_text.end() && !r[0].m_eid.empty() ? name->second : "";
    return r[0].m_hr;
}
} // namespace

TEST_F(CMapiContract, resolve_name_with_a_dialog_asks_which_entry_an_ambiguous_name_meant)
{
    CChoiceSeen seen;
    std::string resolved;
    EXPECT_EQ(ResolveChoosing("Smith", "Bob Smith", seen, resolved, "mapi_resolve_dialog.bmp"), S_OK);
    EXPECT_EQ(resolved, "Bob Smith");
    EXPECT_NE(seen.m_sPrompt.find("\"Smith\""), std::string::npos) << seen.m_sPrompt;
    ASSERT_EQ(seen.m_vLines.size(), 3u) << "Ann, Bob and Dave Smith";
    EXPECT_EQ(seen.m_vLines[1].rfind("Bob Smith", 0), 0u) << seen.m_vLines[1];
    EXPECT_TRUE(seen.m_bOpenAfterEmptyOk) << "OK without a choice keeps the window";

    // Cancel gives up the whole resolution; a name that is not ambiguous asks nothing.
    EXPECT_EQ(ResolveChoosing("Smith", nullptr, seen, resolved), MAPI_E_USER_CANCEL);
    EXPECT_EQ(resolved, "");
    const auto exact = Resolve({"Ann Smith"}, MAPI_DIALOG);
    EXPECT_EQ(exact[0].m_hr, S_OK);
    EXPECT_EQ(Resolve({"Nobody Here"}, MAPI_DIALOG)[0].m_hr, MAPI_E_NOT_FOUND);
}

TEST_F(CMapiContract, resolve_name_exact_ambiguous_unknown_and_one_off)
{
    // One call, five names: the answer is the worst of them, and every name that resolved is filled in.
    const auto r = Resolve({"Carol Jones", "Smith", "nobody@example.org", "[FAX:+27 11 555 0100]", "Nobody Here"});
    EXPECT_EQ(r[0].m_hr, MAPI_E_AMBIGUOUS_RECIP);
    EXPECT_EQ(r[0].m_text.at(PR_SMTP_ADDRESS_A), "carol@example.com");
    EXPECT_EQ(r[0].m_text.at(PR_RECIPIENT_TYPE), std::to_string(MAPI_CC)) << "the caller's recipient type stays";
    EXPECT_TRUE(r[1].m_eid.empty()) << "Ann, Bob and Dave Smith";

    // An internet address no container holds is an SMTP one-off, as the one-off provider makes it.
    ASSERT_TRUE(IsOneOff(r[2].m_eid));
    EXPECT_EQ(r[2].m_text.at(PR_ADDRTYPE_A), "SMTP");
    EXPECT_EQ(r[2].m_text.at(PR_EMAIL_ADDRESS_A), "nobody@example.org");
    EXPECT_EQ(r[2].m_text.at(PR_DISPLAY_NAME_A), "nobody@example.org");
    ASSERT_TRUE(IsOneOff(r[3].m_eid));
    EXPECT_EQ(r[3].m_text.at(PR_ADDRTYPE_A), "FAX");
    EXPECT_EQ(r[3].m_text.at(PR_EMAIL_ADDRESS_A), "+27 11 555 0100");
    EXPECT_TRUE(r[4].m_eid.empty());

    EXPECT_EQ(Resolve({"Nobody Here"})[0].m_hr, MAPI_E_NOT_FOUND);
    for (const char* notAnAddress : {"not an@address.com", "@example.com", "a@b@example.com", "ann@localhost"})
        EXPECT_EQ(Resolve({notAnAddress})[0].m_hr, MAPI_E_NOT_FOUND) << notAnAddress;
    // An address a container holds is that entry, never a one-off.
    const auto known = Resolve({"BOB@example.com"});
    ASSERT_EQ(known[0].m_hr, S_OK);
    EXPECT_FALSE(IsOneOff(known[0].m_eid));
    EXPECT_EQ(known[0].m_text.at(PR_DISPLAY_NAME_A), "Bob Smith");
}

TEST_F(CMapiContract, resolve_name_sees_contacts_added_after_the_first_look_up)
{
    ASSERT_EQ(Resolve({"Frank Ocean"})[0].m_hr, MAPI_E_NOT_FOUND);
    CRelease<IMAPIFolder> inbox, contacts;
    inbox.attach(Inbox());
    contacts.attach(OpenFolder(PR_IPM_CONTACT_ENTRYID, inbox));
    ASSERT_NE(contacts.get(), nullptr);
    MAPINAMEID names[2] = {{const_cast<LPGUID>(&PSETID_Address_Test), MNID_ID, {0x8082}},
                           {const_cast<LPGUID>(&PSETID_Address_Test), MNID_ID, {0x8083}}};
    LPMAPINAMEID pnames[2] = {&names[0], &names[1]};
    LPSPropTagArray ids = nullptr;
    ASSERT_EQ(contacts->GetIDsFromNames(2, pnames, MAPI_CREATE, &ids), S_OK);
    CRelease<IMessage> contact;
    ASSERT_EQ(contacts->CreateMessage(nullptr, 0, &contact), S_OK);
    SPropValue p[4]{};
    p[0].ulPropTag = PR_MESSAGE_CLASS_A;
    p[0].Value.lpszA = const_cast<char*>("IPM.Contact");
    p[1].ulPropTag = PR_DISPLAY_NAME_A;
    p[1].Value.lpszA = const_cast<char*>("Frank Ocean");
    p[2].ulPropTag = PROP_TAG(PT_STRING8, PROP_ID(ids->aulPropTag[0]));
    p[2].Value.lpszA = const_cast<char*>("SMTP");
    p[3].ulPropTag = PROP_TAG(PT_STRING8, PROP_ID(ids->aulPropTag[1]));
    p[3].Value.lpszA = const_cast<char*>("frank@example.com");
    g_mapi.m_pfnFree(ids);
    ASSERT_EQ(contact->SetProps(4, p, nullptr), S_OK);
    ASSERT_EQ(contact->SaveChanges(0), S_OK);
    for (const char* name : {"Frank Ocean", "ocean", "frank@example.com"})
    {
        const auto r = Resolve({name});
        EXPECT_EQ(r[0].m_hr, S_OK) << name;
        EXPECT_FALSE(IsOneOff(r[0].m_eid)) << name;
    }
}

TEST_F(CMapiContract, create_one_off_makes_the_entry_resolution_makes)
{
    ULONG cb = 0;
    LPENTRYID eid = nullptr;
    ASSERT_EQ(g_pAddrBook->CreateOneOff(reinterpret_cast<LPTSTR>(const_cast<wchar_t*>(L"Zo\u00eb Bell")),
                                        reinterpret_cast<LPTSTR>(const_cast<wchar_t*>(L"SMTP")),
                                        reinterpret_cast<LPTSTR>(const_cast<wchar_t*>(L"zoe@example.net")),
                                        MAPI_UNICODE | MAPI_SEND_NO_RICH_INFO, &cb, &eid),
              S_OK);
    const std::vector<BYTE> made(reinterpret_cast<BYTE*>(eid), reinterpret_cast<BYTE*>(eid) + cb);
    g_mapi.m_pfnFree(eid);
    ASSERT_TRUE(IsOneOff(made));
    EXPECT_EQ(made[23] & 0x80, 0x80) << "the strings are Unicode";
    EXPECT_EQ(made[22] & 0x01, 0x01) << "no rich information, as asked";

    CRelease<IMailUser> user;
    ULONG type = 0;
    ASSERT_EQ(g_pAddrBook->OpenEntry(cb, reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(made.data())), nullptr, 0, &type,
                                     reinterpret_cast<LPUNKNOWN*>(&user)),
              S_OK);
    EXPECT_EQ(type, ULONG(MAPI_MAILUSER));
    LPSPropValue v = nullptr;
    ASSERT_EQ(g_mapi.m_pfnGetOneProp(user, PR_EMAIL_ADDRESS_A, &v), S_OK);
    EXPECT_STREQ(v->Value.lpszA, "zoe@example.net");
    g_mapi.m_pfnFree(v);

    // The address resolved by name is the one-off made with the address as its name.
    ASSERT_EQ(g_pAddrBook->CreateOneOff(reinterpret_cast<LPTSTR>(const_cast<char*>("zoe@example.net")),
                                        reinterpret_cast<LPTSTR>(const_cast<char*>("SMTP")),
                                        reinterpret_cast<LPTSTR>(const_cast<char*>("zoe@example.net")),
                                        MAPI_SEND_NO_RICH_INFO, &cb, &eid),
              S_OK);
    const auto r = Resolve({"zoe@example.net"});
    ULONG same = 0;
    ASSERT_EQ(g_pAddrBook->CompareEntryIDs(cb, eid, static_cast<ULONG>(r[0].m_eid.size()),
                                           reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(r[0].m_eid.data())), 0, &same),
              S_OK);
    EXPECT_EQ(same, 1u);
    g_mapi.m_pfnFree(eid);

    // ANSI arguments, and what is required.
    ASSERT_EQ(g_pAddrBook->CreateOneOff(nullptr, reinterpret_cast<LPTSTR>(const_cast<char*>("SMTP")),
                                        reinterpret_cast<LPTSTR>(const_cast<char*>("x@example.net")), 0, &cb, &eid),
              S_OK);
    g_mapi.m_pfnFree(eid);
    EXPECT_EQ(g_pAddrBook->CreateOneOff(nullptr, reinterpret_cast<LPTSTR>(const_cast<char*>("SMTP")),
                                        reinterpret_cast<LPTSTR>(const_cast<char*>("")), 0, &cb, &eid),
              MAPI_E_INVALID_PARAMETER);
    EXPECT_EQ(
        g_pAddrBook->CreateOneOff(nullptr, nullptr, reinterpret_cast<LPTSTR>(const_cast<char*>("x@y.z")), 0, &cb, &eid),
        MAPI_E_INVALID_PARAMETER);
}

TEST_F(CMapiContract, details_window_shows_the_entry_and_saves_an_edited_mobile)
{
    const std::vector<BYTE> ann = Resolve({"Ann Smith"})[0].m_eid;
    ASSERT_FALSE(ann.empty());
    ASSERT_EQ(MobileOf(ann), "+447700900001");

    CDetailsSeen seen;
    EXPECT_EQ(Details(ann, "Ann Smith", "+447700900999", IDCANCEL, seen), MAPI_E_USER_CANCEL);
    EXPECT_EQ(seen.m_sName, "Ann Smith");
    EXPECT_EQ(seen.m_sMobile, "+447700900001");
    EXPECT_EQ(seen.m_sEmail, "ann@example.com");
    EXPECT_FALSE(seen.m_bMobileReadOnly);
    EXPECT_EQ(MobileOf(ann), "+447700900001") << "Cancel keeps the entry as it was";

    EXPECT_EQ(Details(ann, "Ann Smith", "+447700900999", IDOK, seen, "mapi_details.bmp"), S_OK);
    EXPECT_EQ(MobileOf(ann), "+447700900999");

    // A directory user cannot be changed by a client: the field is read-only and nothing is written.
    const std::vector<BYTE> carol = Resolve({"Carol Jones"})[0].m_eid;
    EXPECT_EQ(Details(carol, "Carol Jones", nullptr, IDOK, seen), S_OK);
    EXPECT_TRUE(seen.m_bMobileReadOnly);
    EXPECT_EQ(seen.m_sEmail, "carol@example.com") << "the SMTP address, not the directory address";

    std::vector<BYTE> junk(24, 0x5A);
    ULONG ui = 0;
    EXPECT_EQ(g_pAddrBook->Details(&ui, nullptr, nullptr, static_cast<ULONG>(junk.size()),
                                   reinterpret_cast<LPENTRYID>(junk.data()), nullptr, nullptr, nullptr, DIALOG_MODAL),
              MAPI_E_UNKNOWN_ENTRYID);
}
