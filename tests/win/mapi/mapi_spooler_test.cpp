// tests/win/mapi/mapi_spooler_test.cpp: the spooler as a client drives it: its row in the status
// table, its status object's FlushQueues flags, AbortSubmit before and after a message is taken,
// and a job with an RTF-only body and a text attachment delivered over SMTP (mapi_win_spool).
#include "tests/win/mapi/mapi_test_support.h"

#include <algorithm>
#include <cstdlib>

using namespace mapitest;

namespace
{
// Creates, in the Outbox, a job mail whose body is compressed RTF only and whose job is a text
// attachment, and submits it; returns its entry id.
std::vector<BYTE> SubmitJob(const char* p_szSubject, const char* p_szJob)
{
    CRelease<IMessage> msg;
    NewOutboxMessage(p_szSubject, msg);
    if (!msg)
        return {};
    {
        CRelease<IStream> compressed, raw;
        EXPECT_EQ(msg->OpenProperty(PR_RTF_COMPRESSED, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY,
                                    reinterpret_cast<LPUNKNOWN*>(&compressed)),
                  S_OK);
        EXPECT_EQ(g_mapi.m_pfnWrapRtf(compressed, MAPI_MODIFY, &raw), S_OK);
        const char rtf[] = "{\\rtf1\\ansi Job body from RTF\\par second line}";
        EXPECT_EQ(raw->Write(rtf, sizeof rtf - 1, nullptr), S_OK);
        EXPECT_EQ(raw->Commit(0), S_OK);
    }
    SPropValue props[4] = {};
    props[0].ulPropTag = PR_DISPLAY_NAME_A;
    props[0].Value.lpszA = const_cast<char*>("SMS Gateway");
    props[1].ulPropTag = PR_ADDRTYPE_A;
    props[1].Value.lpszA = const_cast<char*>("SMTP");
    props[2].ulPropTag = PR_EMAIL_ADDRESS_A;
    props[2].Value.lpszA = const_cast<char*>("gateway@brevolt.example");
    props[3].ulPropTag = PR_RECIPIENT_TYPE;
    props[3].Value.l = MAPI_TO;
    SizedADRLIST(1, list) = {1, {{0, 4, props}}};
    EXPECT_EQ(msg->ModifyRecipients(MODRECIP_ADD, reinterpret_cast<LPADRLIST>(&list)), S_OK);
    ULONG num = 0;
    CRelease<IAttach> att;
    EXPECT_EQ(msg->CreateAttach(nullptr, 0, &num, &att), S_OK);
    SPropValue a[3] = {};
    a[0].ulPropTag = PR_ATTACH_METHOD;
    a[0].Value.l = ATTACH_BY_VALUE;
    a[1].ulPropTag = PR_ATTACH_LONG_FILENAME_A;
    a[1].Value.lpszA = const_cast<char*>("BS0001.TXT");
    a[2].ulPropTag = PR_ATTACH_DATA_BIN;
    a[2].Value.bin.cb = static_cast<ULONG>(strlen(p_szJob));
    a[2].Value.bin.lpb = reinterpret_cast<BYTE*>(const_cast<char*>(p_szJob));
    EXPECT_EQ(att->SetProps(3, a, nullptr), S_OK);
    EXPECT_EQ(att->SaveChanges(0), S_OK);
    EXPECT_EQ(msg->SubmitMessage(0), S_OK);
    LPSPropValue eid = nullptr;
    EXPECT_EQ(g_mapi.m_pfnGetOneProp(msg, PR_ENTRYID, &eid), S_OK);
    std::vector<BYTE> out(eid->Value.bin.lpb, eid->Value.bin.lpb + eid->Value.bin.cb);
    g_mapi.m_pfnFree(eid);
    return out;
}

HRESULT Abort(std::vector<BYTE>& p_eid)
{
    return g_pStore->AbortSubmit(static_cast<ULONG>(p_eid.size()), reinterpret_cast<LPENTRYID>(p_eid.data()), 0);
}

// Waits until AbortSubmit says the message has left (or p_iMs pass); the last answer.
HRESULT WaitUntilLeft(std::vector<BYTE>& p_eid, int p_iMs)
{
    HRESULT hr = E_FAIL;
    PumpUntil(
        [&] {
            hr = Abort(p_eid);
            return hr == MAPI_E_NOT_IN_QUEUE;
        },
        p_iMs);
    return hr;
}
} // namespace

TEST_F(CMapiContract, spooler_status_object_honours_flush_flags_and_abort)
{
    CRelease<IMAPIStatus> spooler;
    OpenSpooler(spooler);
    ASSERT_NE(spooler.get(), nullptr);
    LPSPropValue methods = nullptr;
    ASSERT_EQ(g_mapi.m_pfnGetOneProp(spooler, PR_RESOURCE_METHODS, &methods), S_OK);
    EXPECT_TRUE(methods->Value.l & STATUS_FLUSH_QUEUES);
    g_mapi.m_pfnFree(methods);
    EXPECT_EQ(spooler->FlushQueues(0, 0, nullptr, 0x1000), MAPI_E_UNKNOWN_FLAGS);

    std::vector<BYTE> eid = SubmitJob("Spooler flags", "job");
    // Flushing the inbound queue leaves the outbound one alone: the message can still be taken back.
    ASSERT_EQ(spooler->FlushQueues(0, 0, nullptr, FLUSH_DOWNLOAD | FLUSH_NO_UI), S_OK);
    ASSERT_EQ(Abort(eid), S_OK);
    EXPECT_EQ(Abort(eid), MAPI_E_NOT_IN_QUEUE);

    // Once an asynchronous upload flush has returned, the message is the spooler's: refused.
    eid = SubmitJob("Spooler flags", "job");
    ASSERT_EQ(spooler->FlushQueues(0, 0, nullptr, kFlushAsync), S_OK);
    const HRESULT hr = Abort(eid);
    EXPECT_TRUE(hr == MAPI_E_UNABLE_TO_ABORT || hr == MAPI_E_NOT_IN_QUEUE) << std::hex << hr;
    // This suite's SMTP server does not answer: the message stays, unsent and no longer queued.
    ULONG type = 0;
    CRelease<IMessage> msg;
    PumpUntil(
        [&] {
            LPSPropValue flags = nullptr;
            msg.reset();
            if (g_pStore->OpenEntry(static_cast<ULONG>(eid.size()), reinterpret_cast<LPENTRYID>(eid.data()), nullptr, 0,
                                    &type, reinterpret_cast<LPUNKNOWN*>(&msg)) != S_OK ||
                g_mapi.m_pfnGetOneProp(msg, PR_MESSAGE_FLAGS, &flags) != S_OK)
                return false;
            const bool bDone = (flags->Value.l & MSGFLAG_UNSENT) && !(flags->Value.l & MSGFLAG_SUBMIT);
            g_mapi.m_pfnFree(flags);
            return bDone;
        },
        20000);
    EXPECT_EQ(Abort(eid), MAPI_E_NOT_IN_QUEUE);
}

TEST_F(CMapiContract, folder_keeps_binary_view_settings)
{
    CRelease<IMAPIFolder> inbox;
    inbox.attach(Inbox());
    CRelease<IMAPIFolder> folder;
    ASSERT_EQ(inbox->CreateFolder(FOLDER_GENERIC, const_cast<LPTSTR>("View settings"), nullptr, nullptr, OPEN_IF_EXISTS,
                                  &folder),
              S_OK);
    // The 24-byte view information a client files on its own folders, and another binary of its own.
    BYTE view[24] = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
    for (int i = 6; i < 24; ++i)
        view[i] = static_cast<BYTE>(i * 11);
    const ULONG kXViewInfo = PROP_TAG(PT_BINARY, 0x36E0), kOwn = PROP_TAG(PT_BINARY, 0x6A01);
    SPropValue v[2] = {};
    v[0].ulPropTag = kXViewInfo;
    v[0].Value.bin = {sizeof view, view};
    v[1].ulPropTag = kOwn;
    v[1].Value.bin = {3, view + 3};
    ASSERT_EQ(folder->SetProps(2, v, nullptr), S_OK);
    ASSERT_EQ(folder->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    LPSPropValue eid = nullptr;
    ASSERT_EQ(g_mapi.m_pfnGetOneProp(folder, PR_ENTRYID, &eid), S_OK);
    ULONG type = 0;
    CRelease<IMAPIFolder> again;
    ASSERT_EQ(g_pStore->OpenEntry(eid->Value.bin.cb, reinterpret_cast<LPENTRYID>(eid->Value.bin.lpb), nullptr, 0, &type,
                                  reinterpret_cast<LPUNKNOWN*>(&again)),
              S_OK);
    g_mapi.m_pfnFree(eid);
    for (const auto& want : v)
    {
        LPSPropValue got = nullptr;
        ASSERT_EQ(g_mapi.m_pfnGetOneProp(again, want.ulPropTag, &got), S_OK);
        EXPECT_EQ(std::vector<BYTE>(got->Value.bin.lpb, got->Value.bin.lpb + got->Value.bin.cb),
                  std::vector<BYTE>(want.Value.bin.lpb, want.Value.bin.lpb + want.Value.bin.cb));
        g_mapi.m_pfnFree(got);
    }
}

// Run by mapi_win_spool with an SMTP server around it: a job flushed as a client flushes it arrives
// with its attachment as a MIME part and its RTF body as text; a second one with the same subject,
// aborted before the flush, never arrives (the script counts one mail of that subject).
TEST(mapi_win_spool, flushed_job_arrives_and_aborted_one_does_not)
{
    if (!getenv("BREVOLT_SMTP_SERVER"))
        GTEST_SKIP() << "needs the SMTP server of mapi_win_spool";
    CMapiContract::SetUp(true);
    std::vector<BYTE> sent = SubmitJob("Brevolt spooled job", "<JOB>send me</JOB>");
    std::vector<BYTE> aborted = SubmitJob("Brevolt spooled job", "<JOB>abort me</JOB>");
    EXPECT_EQ(Abort(aborted), S_OK);
    CRelease<IMAPIStatus> spooler;
    OpenSpooler(spooler);
    ASSERT_EQ(spooler->FlushQueues(0, 0, nullptr, kFlushAsync), S_OK);
    const HRESULT hr = Abort(sent);
    EXPECT_TRUE(hr == MAPI_E_UNABLE_TO_ABORT || hr == MAPI_E_NOT_IN_QUEUE) << std::hex << hr;
    EXPECT_EQ(WaitUntilLeft(sent, 20000), MAPI_E_NOT_IN_QUEUE) << "it has left";
    // Sent, it went where PR_SENTMAIL_ENTRYID said.
    CRelease<IMAPIFolder> sentItems;
    sentItems.attach(OpenFolder(PR_IPM_SENTMAIL_ENTRYID));
    CRelease<IMAPITable> t;
    ASSERT_EQ(sentItems->GetContentsTable(0, &t), S_OK);
    LPSRowSet rows = nullptr;
    auto all = AllRows(t, {PR_SUBJECT_A}, rows);
    EXPECT_EQ(std::count_if(all.begin(), all.end(),
                            [](const std::vector<SPropValue>& r) { return Text(r[0]) == "Brevolt spooled job"; }),
              1);
    g_mapi.m_pfnFreeProws(rows);
    CMapiContract::TearDownTestSuite();
}

// Run by mapi_win_spool: a job handed to the spooler by an asynchronous flush just before the
// client logs off and uninitialises still leaves (the script looks for its subject).
TEST(mapi_win_spool, job_flushed_just_before_uninitialize_still_leaves)
{
    if (!getenv("BREVOLT_SMTP_SERVER"))
        GTEST_SKIP() << "needs the SMTP server of mapi_win_spool";
    CMapiContract::SetUp(true);
    SubmitJob("Brevolt spooled at logoff", "<JOB>late</JOB>");
    {
        CRelease<IMAPIStatus> spooler;
        OpenSpooler(spooler);
        ASSERT_EQ(spooler->FlushQueues(0, 0, nullptr, kFlushAsync), S_OK);
    }
    CMapiContract::TearDownTestSuite();
}

// Two processes that log on to one store, as Outlook and the compose server it hands its session
// to: each runs the stand-in's spooler, and what either flushes must leave exactly once, by
// whichever of them sends, and never be lost when a process ends before it is sent. The second
// process is this executable running SpoolOtherProcess with BREVOLT_SPOOL_ACTION set.
namespace
{
constexpr char kSpoolAction[] = "BREVOLT_SPOOL_ACTION";
constexpr char kReadyEvent[] = "BrevoltSpoolTestReady"; // the other process has flushed
constexpr char kGoEvent[] = "BrevoltSpoolTestGo";       // this one has flushed as well

// Starts this executable's SpoolOtherProcess case doing p_szAction.
unique_handle StartOtherProcess(const char* p_szAction)
{
    SetEnvironmentVariableA(kSpoolAction, p_szAction);
    unique_handle process = StartThisExecutable("SpoolOtherProcess.*");
    SetEnvironmentVariableA(kSpoolAction, nullptr);
    return process;
}

// How many messages with that subject the folder holds.
long CountSubject(ULONG p_ulFolderTag, const std::string& p_sSubject)
{
    CRelease<IMAPIFolder> folder;
    folder.attach(OpenFolder(p_ulFolderTag));
    CRelease<IMAPITable> t;
    if (!folder || folder->GetContentsTable(0, &t) != S_OK)
        return -1;
    LPSRowSet rows = nullptr;
    auto all = AllRows(t, {PR_SUBJECT_A}, rows);
    const long n = std::count_if(all.begin(), all.end(),
                                 [&](const std::vector<SPropValue>& r) { return Text(r[0]) == p_sSubject; });
    g_mapi.m_pfnFreeProws(rows);
    return n;
}

// Waits until the job of that subject is in Sent Items and gone from the Outbox: sent, and once.
void ExpectSentOnce(const std::string& p_sSubject)
{
    PumpUntil([&] { return CountSubject(PR_IPM_SENTMAIL_ENTRYID, p_sSubject) >= 1; }, 20000);
    EXPECT_EQ(CountSubject(PR_IPM_SENTMAIL_ENTRYID, p_sSubject), 1);
    EXPECT_EQ(CountSubject(PR_IPM_OUTBOX_ENTRYID, p_sSubject), 0);
}
} // namespace

// Run by mapi_win_spool_processes: the other process submits a job and flushes it, and this one
// flushes at the same time (as the compose server flushes and then presses Outlook's Send); the
// script counts one mail of that subject.
TEST(mapi_win_spool_processes, job_flushed_in_two_processes_leaves_once)
{
    if (!getenv("BREVOLT_SMTP_SERVER"))
        GTEST_SKIP() << "needs the SMTP server of mapi_win_spool_processes";
    CMapiContract::SetUp(true);
    unique_handle ready(CreateEventA(nullptr, TRUE, FALSE, kReadyEvent));
    unique_handle go(CreateEventA(nullptr, TRUE, FALSE, kGoEvent));
    unique_handle other = StartOtherProcess("flush-with-the-first");
    ASSERT_TRUE(other);
    ASSERT_EQ(WaitForSingleObject(ready.get(), 60000), WAIT_OBJECT_0);
    FlushOutboundAsync();
    SetEvent(go.get());
    EXPECT_EQ(ExitCodeOf(other.get()), 0);
    ExpectSentOnce("Brevolt two-process job");
    CMapiContract::TearDownTestSuite();
}

// Run by mapi_win_spool_takeover: the only process logged on flushes a job and ends at once, without
// logging off; the next process to log on sends it (the script counts one mail of that subject).
TEST(mapi_win_spool_takeover, job_of_a_process_that_ended_after_its_flush_leaves_with_the_next)
{
    if (!getenv("BREVOLT_SMTP_SERVER"))
        GTEST_SKIP() << "needs the SMTP server of mapi_win_spool_takeover";
    CMapiContract::SetUp(true); // a fresh store from the seed; this process then leaves it alone
    CMapiContract::TearDownTestSuite();
    unique_handle other = StartOtherProcess("flush-and-end");
    ASSERT_TRUE(other);
    EXPECT_EQ(ExitCodeOf(other.get()), 0);
    CMapiContract::SetUp(false);
    ExpectSentOnce("Brevolt handed-over job");
    CMapiContract::TearDownTestSuite();
}

// The other process of the two cases above.
TEST(SpoolOtherProcess, act)
{
    const char* action = getenv(kSpoolAction);
    if (action == nullptr)
        GTEST_SKIP() << "run by the two-process spooler cases";
    CMapiContract::SetUp(false);
    if (std::string(action) == "flush-and-end")
    {
        SubmitJob("Brevolt handed-over job", "<JOB>handed over</JOB>");
        FlushOutboundAsync();
        // Ends as a process that is killed does: no logoff, no MAPIUninitialize.
        TerminateProcess(GetCurrentProcess(), testing::Test::HasFailure() ? 1 : 0);
    }
    std::vector<BYTE> eid = SubmitJob("Brevolt two-process job", "<JOB>two processes</JOB>");
    FlushOutboundAsync();
    unique_handle ready(OpenEventA(EVENT_MODIFY_STATE, FALSE, kReadyEvent));
    unique_handle go(OpenEventA(SYNCHRONIZE, FALSE, kGoEvent));
    ASSERT_TRUE(ready && go);
    SetEvent(ready.get());
    EXPECT_EQ(WaitForSingleObject(go.get(), 60000), WAIT_OBJECT_0);
    // Handed to the spooler by the flush, in whichever process it runs: no longer abortable.
    const HRESULT hr = Abort(eid);
    EXPECT_TRUE(hr == MAPI_E_UNABLE_TO_ABORT || hr == MAPI_E_NOT_IN_QUEUE) << std::hex << hr;
    CMapiContract::TearDownTestSuite();
}
