// tests/win/mapi/mapi_submit_test.cpp: submission: AbortSubmit before the message left, real
// mail over SMTP (mapi_win_send) and the seeded-store scenario (mapi_scenario).
#include "tests/win/mapi/mapi_test_support.h"

#include <cstdlib>

using namespace mapitest;

namespace
{
// Builds and submits a message from the Outbox; returns its entry id.
std::vector<BYTE> SubmitWithAttachment(const char* p_szSubject, const char* p_szTo)
{
    CRelease<IMessage> msg;
    NewOutboxMessage(p_szSubject, msg);
    if (!msg)
        return {};
    SetText(msg, PR_BODY_A, "Body of the mail\r\n.with a leading dot line");
    LPADRLIST list = nullptr;
    g_mapi.m_pfnAlloc(CbNewADRLIST(1), reinterpret_cast<void**>(&list));
    list->cEntries = 1;
    LPSPropValue props = nullptr;
    g_mapi.m_pfnAlloc(4 * sizeof(SPropValue), reinterpret_cast<void**>(&props));
    props[0].ulPropTag = PR_DISPLAY_NAME_A;
    props[0].Value.lpszA = const_cast<char*>("SMS Gateway");
    props[1].ulPropTag = PR_ADDRTYPE_A;
    props[1].Value.lpszA = const_cast<char*>("SMTP");
    props[2].ulPropTag = PR_EMAIL_ADDRESS_A;
    props[2].Value.lpszA = const_cast<char*>(p_szTo);
    props[3].ulPropTag = PR_RECIPIENT_TYPE;
    props[3].Value.l = MAPI_TO;
    list->aEntries[0] = {0, 4, props};
    EXPECT_EQ(msg->ModifyRecipients(MODRECIP_ADD, list), S_OK);
    g_mapi.m_pfnFree(props);
    g_mapi.m_pfnFree(list);
    ULONG num = 0;
    CRelease<IAttach> att;
    EXPECT_EQ(msg->CreateAttach(nullptr, 0, &num, &att), S_OK);
    SetText(att, PR_ATTACH_LONG_FILENAME_A, "job.xml");
    CRelease<IStream> data;
    EXPECT_EQ(att->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY,
                                reinterpret_cast<LPUNKNOWN*>(&data)),
              S_OK);
    const char payload[] = "<MAIL>payload</MAIL>";
    EXPECT_EQ(data->Write(payload, sizeof payload - 1, nullptr), S_OK);
    EXPECT_EQ(data->Commit(0), S_OK);
    EXPECT_EQ(att->SaveChanges(0), S_OK);
    EXPECT_EQ(msg->SubmitMessage(0), S_OK);
    LPSPropValue eid = nullptr;
    EXPECT_EQ(g_mapi.m_pfnGetOneProp(msg, PR_ENTRYID, &eid), S_OK);
    std::vector<BYTE> out(eid->Value.bin.lpb, eid->Value.bin.lpb + eid->Value.bin.cb);
    g_mapi.m_pfnFree(eid);
    return out;
}

void FlushQueues()
{
    CRelease<IMAPITable> status;
    ASSERT_EQ(g_pSession->GetStatusTable(0, &status), S_OK);
    SizedSPropTagArray(2, cols) = {2, {PR_RESOURCE_TYPE, PR_ENTRYID}};
    ASSERT_EQ(status->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0), S_OK);
    SPropValue spooler{};
    spooler.ulPropTag = PR_RESOURCE_TYPE;
    spooler.Value.l = MAPI_SPOOLER;
    SRestriction res{};
    res.rt = RES_PROPERTY;
    res.res.resProperty = {RELOP_EQ, PR_RESOURCE_TYPE, &spooler};
    ASSERT_EQ(status->FindRow(&res, BOOKMARK_BEGINNING, 0), S_OK);
    LPSRowSet rows = nullptr;
    ASSERT_EQ(status->QueryRows(1, 0, &rows), S_OK);
    ASSERT_EQ(rows->cRows, 1u);
    ULONG type = 0;
    CRelease<IMAPIStatus> st;
    ASSERT_EQ(g_pSession->OpenEntry(rows->aRow[0].lpProps[1].Value.bin.cb,
                                    reinterpret_cast<LPENTRYID>(rows->aRow[0].lpProps[1].Value.bin.lpb), nullptr,
                                    MAPI_BEST_ACCESS, &type, reinterpret_cast<LPUNKNOWN*>(&st)),
              S_OK);
    g_mapi.m_pfnFreeProws(rows);
    EXPECT_EQ(type, ULONG(MAPI_STATUS));
    ASSERT_EQ(st->FlushQueues(0, 0, nullptr, FLUSH_UPLOAD), S_OK);
}
} // namespace

TEST_F(CMapiContract, abort_submit_only_before_it_left)
{
    std::vector<BYTE> eid = SubmitWithAttachment("Aborted mail", "nobody@example.com");
    ASSERT_EQ(g_pStore->AbortSubmit(static_cast<ULONG>(eid.size()), reinterpret_cast<LPENTRYID>(eid.data()), 0), S_OK);
    EXPECT_EQ(g_pStore->AbortSubmit(static_cast<ULONG>(eid.size()), reinterpret_cast<LPENTRYID>(eid.data()), 0),
              MAPI_E_NOT_IN_QUEUE);
    // The aborted message is the client's again: it can be opened for writing.
    ULONG type = 0;
    CRelease<IMessage> msg;
    ASSERT_EQ(g_pStore->OpenEntry(static_cast<ULONG>(eid.size()), reinterpret_cast<LPENTRYID>(eid.data()), nullptr,
                                  MAPI_MODIFY, &type, reinterpret_cast<LPUNKNOWN*>(&msg)),
              S_OK);
    LPSPropValue flags = nullptr;
    ASSERT_EQ(g_mapi.m_pfnGetOneProp(msg, PR_MESSAGE_FLAGS, &flags), S_OK);
    EXPECT_FALSE(flags->Value.l & MSGFLAG_SUBMIT);
    g_mapi.m_pfnFree(flags);
}

// Run by mapi_win_send with an SMTP server around it (BREVOLT_SMTP_SERVER).
TEST(mapi_win_send, submitted_mail_with_attachment_reaches_smtp_and_moves_to_sent_items)
{
    if (!getenv("BREVOLT_SMTP_SERVER"))
        GTEST_SKIP() << "needs the SMTP server of mapi_win_send";
    CMapiContract::SetUp(true);
    std::vector<BYTE> eid = SubmitWithAttachment("Brevolt MAPI stand-in mail", "gateway@brevolt.example");
    FlushQueues();
    EXPECT_EQ(g_pStore->AbortSubmit(static_cast<ULONG>(eid.size()), reinterpret_cast<LPENTRYID>(eid.data()), 0),
              MAPI_E_NOT_IN_QUEUE)
        << "it has left";
    CRelease<IMAPIFolder> sent;
    sent.attach(OpenFolder(PR_IPM_SENTMAIL_ENTRYID));
    CRelease<IMAPITable> t;
    ASSERT_EQ(sent->GetContentsTable(0, &t), S_OK);
    LPSRowSet rows = nullptr;
    auto all = AllRows(t, {PR_SUBJECT_A}, rows);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(Text(all[0][0]), "Brevolt MAPI stand-in mail");
    g_mapi.m_pfnFreeProws(rows);
    CMapiContract::TearDownTestSuite();
}

// Run by mapi_scenario after "mapistore seed": log on to what the tool seeded, list the contacts,
// and send a mail to the first contact's address.
TEST(mapi_scenario, seeded_store_logs_on_lists_contacts_and_sends)
{
    if (!getenv("BREVOLT_SMTP_SERVER") || !getenv("BREVOLT_MAPI_SCENARIO"))
        GTEST_SKIP() << "needs mapi_scenario's seeded store and SMTP server";
    CMapiContract::SetUp(false);
    CRelease<IMAPIFolder> inbox;
    inbox.attach(Inbox());
    CRelease<IMAPIFolder> contacts;
    contacts.attach(OpenFolder(PR_IPM_CONTACT_ENTRYID, inbox.get()));
    ASSERT_NE(contacts.get(), nullptr);
    CRelease<IMAPITable> t;
    ASSERT_EQ(contacts->GetContentsTable(0, &t), S_OK);
    LPSRowSet rows = nullptr;
    auto all = AllRows(t, {PR_DISPLAY_NAME_A, PR_MOBILE_TELEPHONE_NUMBER_A}, rows);
    std::vector<std::string> names;
    for (auto& r : all)
        names.push_back(Text(r[0]) + " " + Text(r[1]));
    g_mapi.m_pfnFreeProws(rows);
    EXPECT_EQ(names, (std::vector<std::string>{"Frank Miller +447700900555", "Grace Hall +447700900556"}));
    SubmitWithAttachment("Brevolt MAPI scenario mail", "frank@example.com");
    FlushQueues();
    CMapiContract::TearDownTestSuite();
}
