// tests/win/newmail/newmail_win_test.cpp: new mail in the MAPI stand-in's default store: the advise
// sink hears created and modified items on the registering thread and survives a throwing handler;
// DealWithNewMail applies a gateway notice into a real documents folder and deletes it, leaves
// altered, foreign and unknown gateway mail in the Inbox, shows 237 for a module held open, sends
// one bulk job for a mail that two rules match and finds an Exchange sender's SMTP address.
#include "tests/win/newmail/newmail_win_test_support.h"

#include "Addressbook/newmail/new_mail.h"
#include "Addressbook/newmail/new_mail_sink_win.h"
#include "Addressbook/newmail/resource_installer_win.h"
#include "Addressbook/reminders/rule_manager.h"
#include "common/handle_win.h"

#include <algorithm>

using namespace newmailtest;

namespace
{
std::vector<std::string> g_vConverted;

HRESULT RecordConvert(const CEntryBytes& p_vMessage, const CEntryBytes& p_vFolder)
{
    g_vConverted.push_back("message " + std::to_string(p_vMessage.size()) + " in " + std::to_string(p_vFolder.size()));
    return S_OK;
}

HRESULT RecordConvertFolder(const CEntryBytes&)
{
    g_vConverted.push_back("folder");
    return S_OK;
}

bool Contains(const std::vector<std::string>& p_vList, const std::string& p_sItem)
{
    return std::find(p_vList.begin(), p_vList.end(), p_sItem) != p_vList.end();
}

class NewMailDeal : public NewMailWin
{
  protected:
    void SetUp() override
    {
        NewMailWin::SetUp();
        m_sFolder = s_sTempDir + "\\docs-" + testing::UnitTest::GetInstance()->current_test_info()->name();
        CreateDirectoryA(m_sFolder.c_str(), nullptr);
        m_oInstaller.SetDocumentsFolder(m_sFolder);
        m_sOldModule = m_sFolder + "\\old-resource.dll";
        {
            const unique_file old(CreateFileA(m_sOldModule.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_READONLY, nullptr));
            ASSERT_TRUE(old);
        }
        ASSERT_TRUE(m_oRegistry.WriteUserText(kResourceValue, m_sOldModule));
        m_oServices.m_p_oRegistry = &m_oRegistry;
        m_oServices.m_p_oRules = &m_oRules;
        m_oServices.m_p_oInstaller = &m_oInstaller;
        m_oServices.m_fnSendBulk = [this](const CFinalSMSList& p_oList) {
            std::vector<std::string> job;
            for (const auto* node = p_oList.m_p_oFirst; node != nullptr; node = node->m_p_oNext)
                job.push_back(std::string(node->m_p_oItem->m_szMobile) + ": " + node->m_p_oItem->m_szText);
            m_vJobs.push_back(job);
            return true;
        };
    }
    HRESULT Deal(const CEntryBytes& p_vMessage)
    {
        return s_p_oExMapi->DealWithNewMail(p_vMessage, InboxId(), m_oServices);
    }
    CIncomingMail Notice(const std::string& p_sSubject, const std::vector<uint8_t>& p_vSigned,
                         const std::vector<uint8_t>& p_vAttached, const std::string& p_sKeyText)
    {
        CIncomingMail mail;
        mail.m_sSenderAddress = "gateway@brevolt.example";
        mail.m_sSubject = p_sSubject;
        mail.m_sBody = NoticeBody(p_sKeyText, p_vSigned);
        mail.m_vAttachment = p_vAttached;
        return mail;
    }
    void ExpectUnchanged()
    {
        EXPECT_EQ(m_oRegistry.ReadUserText(kResourceValue), m_sOldModule);
        EXPECT_NE(GetFileAttributesA(m_sOldModule.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(GetFileAttributesA((m_sFolder + "\\Brevolt SMS\\resource.dll").c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(WaitForSingleObject(m_hEvent.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    }

    CRegistry m_oRegistry;
    CRuleManager m_oRules{m_oRegistry};
    unique_handle m_hMutex{CreateMutexA(nullptr, FALSE, nullptr)};
    unique_handle m_hEvent{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    CResourceInstallerWin m_oInstaller{m_hMutex.get(), [this] { SetEvent(m_hEvent.get()); }};
    CNewMailServices m_oServices;
    std::vector<std::vector<std::string>> m_vJobs;
    std::string m_sFolder;
    std::string m_sOldModule;
    const std::vector<uint8_t> m_vModule = Bytes(std::string("MZ\x90\0 a built resource module", 29));
};
} // namespace

TEST_F(NewMailWin, SinkHearsCreatedAndModifiedItemsOnTheRegisteringThreadAndSurvivesAThrowingHandler)
{
    g_vConverted.clear();
    SetFormConversionSeam({&RecordConvert, &RecordConvertFolder});
    std::vector<std::string> dealt;
    std::vector<DWORD> threads;
    CNewMailHandlers handlers;
    handlers.m_fnDealWithNewMail = [&](const CEntryBytes& p_vMessage, const CEntryBytes& p_vFolder) -> HRESULT {
        threads.push_back(GetCurrentThreadId());
        dealt.push_back(p_vFolder == InboxId() ? "in the Inbox" : "elsewhere");
        if (dealt.size() == 1)
            throw std::runtime_error("handler fault");
        return p_vMessage.empty() ? E_FAIL : S_OK;
    };
    CNewMailAdvise advise;
    ASSERT_EQ(
        advise.Start(s_oThread.MessageStore(), s_p_oExMapi->Mapi().Functions().m_pfnHrThisThreadAdviseSink, handlers),
        S_OK);
    EXPECT_TRUE(advise.IsAdvised());
    // A second start keeps the one connection.
    EXPECT_EQ(advise.Start(s_oThread.MessageStore(), nullptr, {}), S_OK);

    CIncomingMail mail;
    mail.m_sSenderAddress = "bob@example.com";
    mail.m_sSubject = "first";
    Deliver(mail);
    mail.m_sSubject = "second";
    Deliver(mail);
    EXPECT_TRUE(PumpUntil([&] { return dealt.size() >= 2; }));
    EXPECT_EQ(dealt, (std::vector<std::string>{"in the Inbox", "in the Inbox"}));
    for (DWORD thread : threads)
        EXPECT_EQ(thread, GetCurrentThreadId());
    EXPECT_NE(NewTrace().find("Exception trapped"), std::string::npos);
    const size_t conversions = std::count_if(g_vConverted.begin(), g_vConverted.end(),
                                             [](const std::string& p_s) { return p_s.rfind("message", 0) == 0; });
    EXPECT_GE(conversions, 2u);

    advise.Stop();
    EXPECT_FALSE(advise.IsAdvised());
    mail.m_sSubject = "after stop";
    Deliver(mail);
    PumpUntil([] { return false; }, 500);
    EXPECT_EQ(dealt.size(), 2u);
    SetFormConversionSeam({});
}

TEST_F(NewMailDeal, GatewayNoticeIsAppliedAndDeletedFromTheInbox)
{
    const CEntryBytes id = Deliver(Notice("RE: Brevolt SMS upgrade", m_vModule, m_vModule, s_sKeyText));
    ASSERT_TRUE(Contains(InboxSubjects(), "RE: Brevolt SMS upgrade"));
    ASSERT_EQ(Deal(id), S_OK) << NewTrace();
    const std::string installed = m_sFolder + "\\Brevolt SMS\\resource.dll";
    EXPECT_EQ(m_oRegistry.ReadUserText(kResourceValue), installed);
    EXPECT_EQ(ReadBytes(installed), m_vModule);
    EXPECT_EQ(GetFileAttributesA(m_sOldModule.c_str()), INVALID_FILE_ATTRIBUTES) << "read-only old module deleted";
    EXPECT_EQ(WaitForSingleObject(m_hEvent.get(), 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_FALSE(Contains(InboxSubjects(), "RE: Brevolt SMS upgrade"));
    // The lock was given back.
    EXPECT_EQ(WaitForSingleObject(m_hMutex.get(), 0), static_cast<DWORD>(WAIT_OBJECT_0));
    ReleaseMutex(m_hMutex.get());
    EXPECT_TRUE(exmapitest::g_vBoxes.empty());
}

TEST_F(NewMailDeal, SenderWithADisplayPrefixIsTheGateway)
{
    CIncomingMail mail = Notice("Upgrade", m_vModule, m_vModule, s_sKeyText);
    mail.m_sSenderAddress = "Brevolt SMS Gateway <GATEWAY@brevolt.example>";
    mail.m_sSubject = "prefixed sender upgrade";
    ASSERT_EQ(Deal(Deliver(mail)), S_OK);
    EXPECT_FALSE(Contains(InboxSubjects(), "prefixed sender upgrade"));
    EXPECT_EQ(m_oRegistry.ReadUserText(kResourceValue), m_sFolder + "\\Brevolt SMS\\resource.dll");
}

TEST_F(NewMailDeal, NoticesThatFailTheirChecksStayAndChangeNothing)
{
    std::vector<uint8_t> altered = m_vModule;
    altered[3] ^= 0x20;
    const std::string late = std::string(43, '.') + "Upgrade";
    struct CCase
    {
        CIncomingMail m_oMail;
        const char* m_szSubject;
    } const cases[] = {
        {Notice("", m_vModule, altered, s_sKeyText), "altered attachment upgrade"},
        {Notice("", m_vModule, m_vModule, NewKeyText()), "another key's upgrade"},
        {Notice("", m_vModule, m_vModule, s_sKeyText), late.c_str()},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.m_szSubject);
        CIncomingMail mail = c.m_oMail;
        mail.m_sSubject = c.m_szSubject;
        EXPECT_EQ(Deal(Deliver(mail)), E_FAIL);
        EXPECT_TRUE(Contains(InboxSubjects(), c.m_szSubject));
        ExpectUnchanged();
    }
    EXPECT_NE(NewTrace().find("CommunicationType FAILED: Unknown Communication Type"), std::string::npos);
    EXPECT_TRUE(exmapitest::g_vBoxes.empty());
}

TEST_F(NewMailDeal, OldModuleHeldOpenShows237AfterFiveTriesAndLeavesEverything)
{
    SetFileAttributesA(m_sOldModule.c_str(), FILE_ATTRIBUTE_NORMAL);
    const unique_file held(CreateFileA(m_sOldModule.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    CIncomingMail mail = Notice("Upgrade held", m_vModule, m_vModule, s_sKeyText);
    EXPECT_EQ(Deal(Deliver(mail)), E_FAIL);
    ASSERT_EQ(exmapitest::g_vBoxes.size(), 1u);
    EXPECT_EQ(exmapitest::g_vBoxes[0], "Error deleting file|Error 32 when deleting file '" + m_sOldModule + "'.");
    const std::string trace = NewTrace();
    size_t tries = 0;
    for (size_t at = trace.find("DeleteFileA"); at != std::string::npos; at = trace.find("DeleteFileA", at + 1))
        ++tries;
    EXPECT_EQ(tries, 5u);
    EXPECT_TRUE(Contains(InboxSubjects(), "Upgrade held"));
    ExpectUnchanged();
}

TEST_F(NewMailDeal, MailMatchingTwoRulesLeavesAsOneBulkJob)
{
    CMessageRule mine;
    mine.m_aCriteria[kRuleFieldSubject].SetTriggerData("quarterly");
    mine.m_bContinueProcessing = true;
    mine.m_dwTriggerAction = kRuleActionSender | kRuleActionSubject;
    CMessageRule other = mine;
    other.m_aCriteria[kRuleFieldSubject].SetTriggerData("");
    other.m_aCriteria[kRuleFieldFrom].SetTriggerData("example.com");
    other.m_bSendToMe = false;
    other.m_sRecipientNumberCC = "44";
    other.m_sRecipientNumber = "07700900456";
    m_oRules.SetRules({mine, other});
    ASSERT_TRUE(m_oRegistry.WriteUserText("Name", "Jane"));

    CIncomingMail mail;
    mail.m_sSenderAddress = "bob@example.com";
    mail.m_sSubject = "Quarterly figures";
    mail.m_sBody = "Attached.";
    const CEntryBytes id = Deliver(mail);
    ASSERT_EQ(Deal(id), S_OK);
    ASSERT_EQ(m_vJobs.size(), 1u);
    ASSERT_EQ(m_vJobs[0].size(), 2u);
    EXPECT_NE(m_vJobs[0][0].find("You've received an email from 'bob@example.com', with subject 'Quarterly figures'"),
              std::string::npos)
        << m_vJobs[0][0];
    EXPECT_EQ(m_vJobs[0][1],
              "+447700900456: Jane received an email from 'bob@example.com', with subject 'Quarterly figures'");
    // Mail for the rules stays where it arrived.
    EXPECT_TRUE(Contains(InboxSubjects(), "Quarterly figures"));
}

TEST_F(NewMailDeal, ExchangeSenderIsMatchedThroughTheAddressBook)
{
    CMessageRule rule;
    rule.m_aCriteria[kRuleFieldFrom].SetTriggerData("alice@example.com");
    rule.m_dwTriggerAction = kRuleActionSender;
    m_oRules.SetRules({rule});
    const CFolderEntry& gal = exmapitest::FolderNamed(s_p_oExMapi->AddressBookFolders(), "Global Address List");
    CIncomingMail mail;
    mail.m_sSenderAddress = "/o=Brevolt/ou=First/cn=Recipients/cn=alice";
    mail.m_sSenderType = "EX";
    mail.m_vSenderEntryId = exmapitest::ABEntryNamed(s_oThread.AddressBook(), gal.m_vEntryId, "Alice Exchange");
    mail.m_sSubject = "From Exchange";
    ASSERT_FALSE(mail.m_vSenderEntryId.empty());
    ASSERT_EQ(Deal(Deliver(mail)), S_OK);
    ASSERT_EQ(m_vJobs.size(), 1u);
    ASSERT_EQ(m_vJobs[0].size(), 1u);
    EXPECT_NE(m_vJobs[0][0].find("from 'alice@example.com'"), std::string::npos) << m_vJobs[0][0];
}

TEST_F(NewMailDeal, EntryThatIsNoMessageIsRefusedAndOneThatDoesNotOpenRecords218)
{
    EXPECT_EQ(Deal(InboxId()), MAPI_E_INVALID_ENTRYID);
    EXPECT_TRUE(FAILED(Deal(CEntryBytes(24, 0xAB))));
    EXPECT_NE(s_p_oExMapi->Error().Text().find("pmsMsgStore->OpenEntry"), std::string::npos);
    EXPECT_NE(s_p_oExMapi->Error().Text().find("CExMAPI::DealWithNewMail"), std::string::npos);
    EXPECT_TRUE(exmapitest::g_vBoxes.empty());
    EXPECT_TRUE(m_vJobs.empty());
}

TEST_F(NewMailDeal, MailThatDidNotArriveIsLeftAloneEvenByARuleForEveryMail)
{
    CMessageRule always;
    always.m_bTriggerAlways = true;
    always.m_dwTriggerAction = kRuleActionSubject;
    m_oRules.SetRules({always});
    CIncomingMail draft;
    draft.m_sSenderAddress = "jane@example.com";
    draft.m_sSubject = "queued job";
    draft.m_bDelivered = false;
    EXPECT_EQ(Deal(Deliver(draft)), S_OK);
    CIncomingMail unsent = draft;
    unsent.m_bDelivered = true;
    unsent.m_ulFlags = MSGFLAG_UNSENT;
    EXPECT_EQ(Deal(Deliver(unsent)), S_OK);
    // Neither is a notice either, whatever its sender and subject.
    CIncomingMail notice = Notice("Upgrade own copy", m_vModule, m_vModule, s_sKeyText);
    notice.m_bDelivered = false;
    EXPECT_EQ(Deal(Deliver(notice)), S_OK);
    EXPECT_TRUE(Contains(InboxSubjects(), "Upgrade own copy"));
    ExpectUnchanged();
    EXPECT_TRUE(m_vJobs.empty());

    CIncomingMail arrived = draft;
    arrived.m_bDelivered = true;
    EXPECT_EQ(Deal(Deliver(arrived)), S_OK);
    EXPECT_EQ(m_vJobs.size(), 1u);
}
