// tests/win/mapi/mapi_spool_list_test.cpp: a mail to a personal distribution list leaves with one
// recipient per member (mapi_win_spool_list runs it with the SMTP server around it and checks the
// envelope the server was given).
#include "tests/win/mapi/mapi_test_support.h"

using namespace mapitest;

namespace
{
// Resolves the names as a client does and adds them to the message with their recipient types.
void AddResolved(IMessage* p_pMessage, const std::vector<std::pair<const char*, LONG>>& p_names)
{
    LPADRLIST list = nullptr;
    ASSERT_EQ(g_mapi.m_pfnAlloc(CbNewADRLIST(p_names.size()), reinterpret_cast<void**>(&list)), S_OK);
    list->cEntries = static_cast<ULONG>(p_names.size());
    for (size_t i = 0; i < p_names.size(); ++i)
    {
        LPSPropValue props = nullptr;
        ASSERT_EQ(g_mapi.m_pfnAlloc(2 * sizeof(SPropValue), reinterpret_cast<void**>(&props)), S_OK);
        props[0].ulPropTag = PR_DISPLAY_NAME_A;
        props[0].Value.lpszA = const_cast<char*>(p_names[i].first);
        props[1].ulPropTag = PR_RECIPIENT_TYPE;
        props[1].Value.l = p_names[i].second;
        list->aEntries[i] = {0, 2, props};
    }
    EXPECT_EQ(g_pAddrBook->ResolveName(0, 0, nullptr, list), S_OK);
    EXPECT_EQ(p_pMessage->ModifyRecipients(MODRECIP_ADD, list), S_OK);
    for (ULONG i = 0; i < list->cEntries; ++i)
        g_mapi.m_pfnFree(list->aEntries[i].rgPropVals);
    g_mapi.m_pfnFree(list);
}

// "name (type)" of each recipient of the Sent Items message with that subject; empty until it is there.
std::vector<std::string> SentRecipients(const char* p_szSubject)
{
    CRelease<IMAPIFolder> sent;
    sent.attach(OpenFolder(PR_IPM_SENTMAIL_ENTRYID));
    CRelease<IMAPITable> contents;
    if (!sent || sent->GetContentsTable(0, &contents) != S_OK)
        return {};
    LPSRowSet rows = nullptr;
    std::vector<std::string> names;
    for (const auto& row : AllRows(contents, {PR_SUBJECT_A, PR_ENTRYID}, rows))
    {
        CRelease<IMessage> message;
        CRelease<IMAPITable> recipients;
        ULONG type = 0;
        if (Text(row[0]) != p_szSubject ||
            sent->OpenEntry(row[1].Value.bin.cb, reinterpret_cast<LPENTRYID>(row[1].Value.bin.lpb), nullptr, 0, &type,
                            reinterpret_cast<LPUNKNOWN*>(&message)) != S_OK ||
            message->GetRecipientTable(0, &recipients) != S_OK)
            continue;
        LPSRowSet keep = nullptr;
        for (const auto& r : AllRows(recipients, {PR_DISPLAY_NAME_A, PR_RECIPIENT_TYPE}, keep))
            names.push_back(Text(r[0]) + (r[1].Value.l == MAPI_CC    ? " (cc)"
                                          : r[1].Value.l == MAPI_BCC ? " (bcc)"
                                                                     : " (to)"));
        g_mapi.m_pfnFreeProws(keep);
    }
    g_mapi.m_pfnFreeProws(rows);
    return names;
}
} // namespace

// "Friends" holds Ann Smith, Bob Contact's second address, the list "Family" (Dora Two and the
// directory list "Sales Team"), the directory user Carol Jones and a one-off; Ann is also on Cc
// herself and on Bcc again. The list gives way to its members, lists within it too; Ann stays
// once among the members and is one envelope recipient; the directory list is the server's to
// expand and stays.
TEST(mapi_win_spool_list, personal_list_leaves_as_one_recipient_per_member)
{
    if (!getenv("BREVOLT_SMTP_SERVER"))
        GTEST_SKIP() << "needs the SMTP server of mapi_win_spool_list";
    CMapiContract::SetUp(true);
    CRelease<IMessage> msg;
    NewOutboxMessage("Brevolt list job", msg);
    ASSERT_TRUE(msg);
    SetText(msg, PR_BODY_A, "To the list.");
    AddResolved(msg, {{"Friends", MAPI_TO}, {"Ann Smith", MAPI_CC}, {"Ann Smith", MAPI_BCC}});
    ASSERT_EQ(msg->SubmitMessage(0), S_OK);
    FlushOutboundAsync();
    std::vector<std::string> names;
    PumpUntil([&] { return !(names = SentRecipients("Brevolt list job")).empty(); }, 20000);
    EXPECT_EQ(names,
              (std::vector<std::string>{"Bob Contact (to)", "Dora Two (to)", "Sales Team (to)", "Carol Jones (to)",
                                        "Zed Zero (to)", "Ann Smith (cc)", "Ann Smith (bcc)"}));
    CMapiContract::TearDownTestSuite();
}
