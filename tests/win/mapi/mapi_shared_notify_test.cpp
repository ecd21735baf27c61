// tests/win/mapi/mapi_shared_notify_test.cpp: notifications across processes sharing the store file:
// what another process (this test's own executable, run for one case) creates, changes, delivers and
// deletes reaches this process's sinks once each, on the thread that registered, naming objects this
// process can open (a delivered multipart mail with its text as the body and its file attached); and
// this process's own events are not heard twice.
#include "tests/win/mapi/mapi_test_support.h"

#include <cstdlib>
#include <fstream>

using namespace mapitest;

namespace
{
constexpr char kOtherVariable[] = "BREVOLT_SHARED_NOTIFY_SUBJECT";

struct CHeard
{
    ULONG m_ulEvent;
    std::string m_sEntry, m_sParent, m_sClass;
    DWORD m_dwThread;
};

std::string Bytes(ULONG p_cb, const void* p_p)
{
    return p_p ? std::string(static_cast<const char*>(p_p), p_cb) : std::string();
}

class CRecordingSink : public CTestSink
{
  public:
    STDMETHODIMP_(ULONG) OnNotify(ULONG p_c, LPNOTIFICATION p_pn) override
    {
        for (ULONG i = 0; i < p_c; ++i)
        {
            const NOTIFICATION& n = p_pn[i];
            if (n.ulEventType == fnevNewMail)
                m_vHeard.push_back({n.ulEventType, Bytes(n.info.newmail.cbEntryID, n.info.newmail.lpEntryID),
                                    Bytes(n.info.newmail.cbParentID, n.info.newmail.lpParentID),
                                    reinterpret_cast<const char*>(n.info.newmail.lpszMessageClass),
                                    GetCurrentThreadId()});
            else
                m_vHeard.push_back({n.ulEventType,
                                    Bytes(n.info.obj.cbEntryID, n.info.obj.lpEntryID),
                                    Bytes(n.info.obj.cbParentID, n.info.obj.lpParentID),
                                    {},
                                    GetCurrentThreadId()});
        }
        return 0;
    }
    // The events heard about p_sEntry, in order.
    std::vector<ULONG> About(const std::string& p_sEntry) const
    {
        std::vector<ULONG> events;
        for (const CHeard& h : m_vHeard)
            if (h.m_sEntry == p_sEntry)
                events.push_back(h.m_ulEvent);
        return events;
    }
    const CHeard* First(ULONG p_ulEvent) const
    {
        for (const CHeard& h : m_vHeard)
            if (h.m_ulEvent == p_ulEvent)
                return &h;
        return nullptr;
    }
    std::vector<CHeard> m_vHeard;
};

std::string EntryIdOf(IMAPIProp* p_pProp)
{
    LPSPropValue value = nullptr;
    if (g_mapi.m_pfnGetOneProp(p_pProp, PR_ENTRYID, &value) != S_OK)
        return {};
    std::string id = Bytes(value->Value.bin.cb, value->Value.bin.lpb);
    g_mapi.m_pfnFree(value);
    return id;
}

bool OpenMessage(const std::string& p_sEntry, CRelease<IMessage>& p_message)
{
    ULONG type = 0;
    return g_pStore->OpenEntry(static_cast<ULONG>(p_sEntry.size()),
                               reinterpret_cast<LPENTRYID>(const_cast<char*>(p_sEntry.data())), nullptr, 0, &type,
                               reinterpret_cast<IUnknown**>(&p_message)) == S_OK;
}

// "subject|body|first attachment's name=its bytes" of a message, or why it could not be read.
std::string ContentsOf(const std::string& p_sEntry)
{
    CRelease<IMessage> message;
    if (!OpenMessage(p_sEntry, message))
        return "(does not open)";
    std::string text;
    for (ULONG tag : {PR_SUBJECT_A, PR_BODY_A})
    {
        LPSPropValue value = nullptr;
        text += g_mapi.m_pfnGetOneProp(message, tag, &value) == S_OK ? Text(*value) + "|" : "(none)|";
        g_mapi.m_pfnFree(value);
    }
    CRelease<IAttach> attach;
    if (message->OpenAttach(0, nullptr, 0, &attach) != S_OK)
        return text + "(no attachment)";
    LPSPropValue name = nullptr, data = nullptr;
    if (g_mapi.m_pfnGetOneProp(attach, PR_ATTACH_LONG_FILENAME_A, &name) == S_OK &&
        g_mapi.m_pfnGetOneProp(attach, PR_ATTACH_DATA_BIN, &data) == S_OK)
        text += Text(*name) + "=" + Bytes(data->Value.bin.cb, data->Value.bin.lpb);
    g_mapi.m_pfnFree(name);
    g_mapi.m_pfnFree(data);
    return text;
}

std::string SubjectOf(const std::string& p_sEntry)
{
    CRelease<IMessage> message;
    if (!OpenMessage(p_sEntry, message))
        return "(does not open)";
    LPSPropValue value = nullptr;
    if (g_mapi.m_pfnGetOneProp(message, PR_SUBJECT_A, &value) != S_OK)
        return "(no subject)";
    std::string subject = Text(*value);
    g_mapi.m_pfnFree(value);
    return subject;
}

// Runs this executable's SharedNotifyOtherProcess case; its exit code (0: it did all it was to do).
int RunOtherProcess(const std::string& p_sSubject)
{
    SetEnvironmentVariableA(kOtherVariable, p_sSubject.c_str());
    unique_handle process = StartThisExecutable("SharedNotifyOtherProcess.*");
    SetEnvironmentVariableA(kOtherVariable, nullptr);
    return process ? ExitCodeOf(process.get()) : -1;
}
class SharedNotifyTest : public CMapiContract
{
};
} // namespace

TEST_F(SharedNotifyTest, AnotherProcesssChangesReachThisProcesssSinksOnceEachAndOwnEventsAreNotHeardTwice)
{
    CRecordingSink sink;
    CRelease<IMAPIAdviseSink> wrapped;
    ASSERT_EQ(g_mapi.m_pfnThreadSink(&sink, &wrapped), S_OK);
    ULONG connection = 0;
    ASSERT_EQ(g_pStore->Advise(0, nullptr, fnevNewMail | fnevObjectCreated | fnevObjectModified | fnevObjectDeleted,
                               wrapped, &connection),
              S_OK);
    CRelease<IMAPIFolder> inbox;
    inbox.attach(Inbox());
    ASSERT_NE(inbox.get(), nullptr);
    const std::string inboxId = EntryIdOf(inbox);

    // This process's own message: heard once, from its own queue, never again from the journal.
    CRelease<IMessage> own;
    ASSERT_EQ(inbox->CreateMessage(nullptr, 0, &own), S_OK);
    SetText(own, PR_SUBJECT_A, "Written in this process");
    ASSERT_EQ(own->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    const std::string ownId = EntryIdOf(own);

    ASSERT_EQ(RunOtherProcess("Shared notify"), 0);
    // Created, modified, deleted; and the delivered mail's new mail and created.
    PumpUntil([&] { return sink.m_vHeard.size() >= 6; }, 10000);

    EXPECT_EQ(sink.About(ownId), std::vector<ULONG>{fnevObjectCreated});
    const CHeard* mail = sink.First(fnevNewMail);
    ASSERT_NE(mail, nullptr) << "the mail the other process delivered";
    EXPECT_EQ(mail->m_sClass, "IPM.Note");
    EXPECT_EQ(mail->m_sParent, inboxId);
    EXPECT_EQ(ContentsOf(mail->m_sEntry), "Shared notify delivered|The text.|module.dll=MZ module")
        << "the file is read before the sink hears";
    EXPECT_EQ(sink.About(mail->m_sEntry), (std::vector<ULONG>{fnevObjectCreated, fnevNewMail}));

    // The other process's own message: the first created event that is neither of the above.
    std::string otherId;
    for (const CHeard& h : sink.m_vHeard)
        if (h.m_ulEvent == fnevObjectCreated && h.m_sEntry != ownId && h.m_sEntry != mail->m_sEntry)
            otherId = h.m_sEntry;
    ASSERT_FALSE(otherId.empty());
    EXPECT_EQ(sink.About(otherId), (std::vector<ULONG>{fnevObjectCreated, fnevObjectModified, fnevObjectDeleted}));
    EXPECT_EQ(SubjectOf(otherId), "(does not open)") << "deleted there, so gone here";
    for (const CHeard& h : sink.m_vHeard)
        EXPECT_EQ(h.m_dwThread, GetCurrentThreadId()) << "a wrapped sink hears on the thread that wrapped it";
    EXPECT_EQ(sink.m_vHeard.size(), 6u);

    ASSERT_EQ(g_pStore->Unadvise(connection), S_OK);
    wrapped.reset();
}

// The other process's side, run by the case above in a process of its own (skipped otherwise): a
// message created in the Inbox, changed and deleted, and a mail delivered through the drop folder;
// its own sink hears of these and of nothing that happened before it came.
TEST(SharedNotifyOtherProcess, ChangesTheSharedStore)
{
    const char* subject = std::getenv(kOtherVariable);
    if (subject == nullptr || *subject == 0)
        GTEST_SKIP() << "run by the case above in a process of its own";
    CMapiContract::SetUp(false);
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    // This process came after the other one's message: it hears only of what happens from now on.
    CRecordingSink sink;
    CRelease<IMAPIAdviseSink> wrapped;
    ASSERT_EQ(g_mapi.m_pfnThreadSink(&sink, &wrapped), S_OK);
    ULONG connection = 0;
    ASSERT_EQ(g_pStore->Advise(0, nullptr, fnevNewMail | fnevObjectCreated | fnevObjectModified | fnevObjectDeleted,
                               wrapped, &connection),
              S_OK);
    {
        CRelease<IMAPIFolder> inbox;
        inbox.attach(Inbox());
        ASSERT_NE(inbox.get(), nullptr);
        CRelease<IMessage> message;
        ASSERT_EQ(inbox->CreateMessage(nullptr, 0, &message), S_OK);
        SetText(message, PR_SUBJECT_A, subject);
        ASSERT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
        SetText(message, PR_SUBJECT_A, (std::string(subject) + " changed").c_str());
        ASSERT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
        const std::string id = EntryIdOf(message);
        message.reset();

        {
            std::ofstream eml(g_sTemp + "\\drop\\shared.eml.part", std::ios::binary);
            // Multipart, as a gateway's notice is: the text part is the body, the file an attachment.
            eml << "From: sender@example.com\r\nSubject: " << subject
                << " delivered\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n"
                   "--b1\r\nContent-Type: text/plain\r\n\r\nThe text.\r\n"
                   "--b1\r\nContent-Type: application/octet-stream; name=\"module.dll\"\r\n"
                   "Content-Transfer-Encoding: base64\r\n\r\nTVogbW9kdWxl\r\n--b1--\r\n";
        }
        ASSERT_TRUE(MoveFileExA((g_sTemp + "\\drop\\shared.eml.part").c_str(), (g_sTemp + "\\drop\\shared.eml").c_str(),
                                MOVEFILE_REPLACE_EXISTING));
        CRelease<IMAPIStatus> spooler;
        ULONG type = 0;
        CRelease<IMAPITable> status;
        ASSERT_EQ(g_pSession->GetStatusTable(0, &status), S_OK);
        LPSRowSet keep = nullptr;
        for (const auto& row : AllRows(status, {PR_RESOURCE_TYPE, PR_ENTRYID}, keep))
            if (row[0].Value.l == MAPI_SPOOLER)
            {
                EXPECT_EQ(g_pSession->OpenEntry(row[1].Value.bin.cb, reinterpret_cast<LPENTRYID>(row[1].Value.bin.lpb),
                                                nullptr, 0, &type, reinterpret_cast<IUnknown**>(&spooler)),
                          S_OK);
            }
        g_mapi.m_pfnFreeProws(keep);
        ASSERT_NE(spooler.get(), nullptr);
        ASSERT_EQ(spooler->FlushQueues(0, 0, nullptr, FLUSH_DOWNLOAD), S_OK);

        SBinary bin{static_cast<ULONG>(id.size()), reinterpret_cast<LPBYTE>(const_cast<char*>(id.data()))};
        ENTRYLIST list{1, &bin};
        ASSERT_EQ(inbox->DeleteMessages(&list, 0, nullptr, 0), S_OK);
    }
    PumpUntil([&] { return sink.m_vHeard.size() >= 5; }, 10000);
    EXPECT_EQ(sink.m_vHeard.size(), 5u) << "its own five events, and nothing from before it came";
    EXPECT_EQ(g_pStore->Unadvise(connection), S_OK);
    wrapped.reset();
    CMapiContract::TearDownTestSuite();
}
