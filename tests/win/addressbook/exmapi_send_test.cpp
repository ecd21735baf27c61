// tests/win/addressbook/exmapi_send_test.cpp: the Outlook road against the MAPI stand-in: jobs
// leave through the Outbox in messages of at most nine recipients, the job travels as a "BS...TXT"
// attachment, a stop before the flush calls the submission back, a store whose Outbox does not open
// fails the send, and readable copies go to "Sent SMSs", which is made again after the user deleted it.
#include "tests/win/addressbook/exmapi_send_test_support.h"

#include "Addressbook/sending/email_package.h"
#include "Addressbook/sending/email_sender.h"
#include "Addressbook/sending/outlook_package_win.h"
#include "common/registry.h"
#include "common/settings.h"

#include <fstream>

using namespace exmapitest;

namespace
{
const std::string kGatewayPreambleText =
    "This is a SMS server communication mail. To see the plain text version look in your Sent SMSs folder.";

class ExMapiSend : public ExMapi
{
  protected:
    void SetUp() override
    {
        ExMapi::SetUp();
        Seed("exmapi_send_seed.json");
        m_p_oExMapi = std::make_unique<CExMAPI>(OutlookSettings(), m_oThread);
        ASSERT_TRUE(m_p_oExMapi->IsReady()) << m_p_oExMapi->Error().Text();
        ASSERT_TRUE(m_oLink.IsValid());
    }
    void TearDown() override
    {
        m_p_oExMapi.reset();
    }
    CMapiSendLinks Links()
    {
        return {&m_oLink, &m_oProgress};
    }
    CMapiMessage Job(const std::string& p_sBody = "<MAIL>job</MAIL>")
    {
        CMapiMessage oMessage;
        oMessage.m_sSenderLabel = "Ann Example [ann@example.org]";
        oMessage.m_sSubject = "Brevolt email";
        oMessage.m_sBody = p_sBody;
        oMessage.m_iMode = kMessageModeSMS;
        return oMessage;
    }

    CRegistry m_oRegistry;
    std::unique_ptr<CExMAPI> m_p_oExMapi;
    CCancelLink m_oLink;
    CRecordedProgress m_oProgress;
};

TEST_F(ExMapiSend, TwentyRecipientsLeaveAsThreeMessagesToFirstThenBcc)
{
    const RecipientListPtr pTo = Addresses(1, 15);
    const RecipientListPtr pBcc = Addresses(16, 20);
    ASSERT_EQ(m_p_oExMapi->SendMail(Job(), pTo.get(), pBcc.get(), Links()), S_OK);
    EXPECT_EQ(m_oLink.State(), kLinkRunning);

    // The stand-in's spooler could not reach its SMTP server, so the messages stay in the Outbox.
    const std::vector<CStoredMessage> vSent = OutboxMessages(m_oThread.MessageStore());
    ASSERT_EQ(vSent.size(), 3u);
    EXPECT_EQ(vSent[0].Recipients(), "To:user01@example.com To:user02@example.com To:user03@example.com "
                                     "To:user04@example.com To:user05@example.com To:user06@example.com "
                                     "To:user07@example.com To:user08@example.com To:user09@example.com");
    EXPECT_EQ(vSent[1].Recipients(), "To:user10@example.com To:user11@example.com To:user12@example.com "
                                     "To:user13@example.com To:user14@example.com To:user15@example.com "
                                     "Bcc:user16@example.com Bcc:user17@example.com Bcc:user18@example.com");
    EXPECT_EQ(vSent[2].Recipients(), "Bcc:user19@example.com Bcc:user20@example.com");
    for (const CStoredMessage& oSent : vSent)
    {
        EXPECT_EQ(oSent.m_sSubject, "Brevolt email");
        EXPECT_EQ(oSent.m_sConversationTopic, "Brevolt email");
        EXPECT_EQ(oSent.m_sSenderName, "Ann Example [ann@example.org]");
        EXPECT_EQ(oSent.m_sClass, "IPM.Note");
        EXPECT_EQ(oSent.m_sBody, "<MAIL>job</MAIL>");
        EXPECT_TRUE(oSent.m_bDeleteAfterSubmit);
        EXPECT_TRUE(oSent.m_bHasSubmitTime);
        // Submitted: still queued for the spooler's thread (the flush is asynchronous), or tried
        // and left unsent for want of a server.
        EXPECT_NE(oSent.m_lFlags & (MSGFLAG_SUBMIT | MSGFLAG_UNSENT), 0);
        EXPECT_TRUE(oSent.m_vAttachments.empty());
    }
    // Each message walks the steps in order; the Outbox is opened once.
    const std::vector<std::string> vOneMessage = {"Creating outgoing message...", "Assigning message properties...",
                                                  "Resolving recipients...", "Sending message to Outbox..."};
    std::vector<std::string> vExpected = {"Retrieving mail information..."};
    for (int i = 0; i < 3; ++i)
        vExpected.insert(vExpected.end(), vOneMessage.begin(), vOneMessage.end());
    EXPECT_EQ(m_oProgress.m_vTexts, vExpected);
}

TEST_F(ExMapiSend, AnUnresolvableRecipientFailsTheSendWithMessage218)
{
    const RecipientListPtr pTo = Addresses(1, 1);
    // Not an internet address, and in no address book: nothing can resolve it.
    AppendItem(*pTo, NewPersonRecipient(nullptr, "+447700900099", "nobody known", "Nobody"));
    EXPECT_TRUE(FAILED(m_p_oExMapi->SendMail(Job(), pTo.get(), nullptr, Links())));
    ASSERT_EQ(g_vReports.size(), 1u);
    EXPECT_EQ(g_vReports[0].find("Calling function 'pabAdrBook->ResolveName' resulted in error 0x8004010f in "
                                 "function 'CExMAPI::CreateMessageInFolder'."),
              0u)
        << g_vReports[0];
    EXPECT_TRUE(OutboxMessages(m_oThread.MessageStore()).empty()) << "an unsaved message is dropped";
    EXPECT_NE(NewTrace().find("CExMAPI::CreateMessageInFolder( outbox )"), std::string::npos);
}

TEST_F(ExMapiSend, AMailWithoutRecipientsIsAFailureNotASend)
{
    const RecipientListPtr pNone = NewList<CMessageRecipientList>();
    EXPECT_EQ(m_p_oExMapi->SendMail(Job(), pNone.get(), nullptr, Links()), MAPI_E_NO_RECIPIENTS);
    EXPECT_TRUE(OutboxMessages(m_oThread.MessageStore()).empty());
}

TEST_F(ExMapiSend, StopBeforeTheFlushCallsTheSubmissionBack)
{
    // The user presses Stop while the message is being handed to the Outbox.
    m_oProgress.m_fnOnText = [this](const std::string& p_sText) {
        if (p_sText == "Sending message to Outbox...")
            m_oLink.RequestStop();
    };
    const RecipientListPtr pTo = Addresses(1, 2);
    ASSERT_EQ(m_p_oExMapi->SendMail(Job(), pTo.get(), nullptr, Links()), S_OK);
    EXPECT_EQ(m_oLink.State(), kLinkCancelled);
    EXPECT_EQ(ResultFromLinkState(m_oLink.State()), kSendCancelled);
    const std::vector<CStoredMessage> vLeft = OutboxMessages(m_oThread.MessageStore());
    ASSERT_EQ(vLeft.size(), 1u);
    EXPECT_EQ(vLeft[0].m_lFlags & MSGFLAG_SUBMIT, 0) << "no longer queued for the spooler";
}

TEST_F(ExMapiSend, StopBeforeAnyStepSendsNothingAndStopAfterAFlushIsRefused)
{
    const RecipientListPtr pTo = Addresses(1, 12);
    m_oLink.RequestStop();
    ASSERT_EQ(m_p_oExMapi->SendMail(Job(), pTo.get(), nullptr, Links()), S_OK);
    EXPECT_EQ(m_oLink.State(), kLinkCancelled);
    EXPECT_TRUE(OutboxMessages(m_oThread.MessageStore()).empty());

    // Stop while the second message is made: the first one has been flushed already.
    m_oLink.Reset();
    m_oProgress.m_vTexts.clear();
    int iCreated = 0;
    m_oProgress.m_fnOnText = [&](const std::string& p_sText) {
        if (p_sText == "Creating outgoing message..." && ++iCreated == 2)
            m_oLink.RequestStop();
    };
    ASSERT_EQ(m_p_oExMapi->SendMail(Job(), pTo.get(), nullptr, Links()), S_OK);
    EXPECT_EQ(m_oLink.State(), kLinkCantCancel);
    EXPECT_EQ(ResultFromLinkState(m_oLink.State()), kSendCantCancel);
    EXPECT_EQ(OutboxMessages(m_oThread.MessageStore()).size(), 2u) << "the whole job still goes out";
}

TEST_F(ExMapiSend, AStoreWhoseOutboxDoesNotOpenTracesShowsAndDoesNotSend)
{
    const com_ptr<IMsgStore> pReal = com_ptr<IMsgStore>::copy_from(m_oThread.MessageStore());
    m_oThread.SetMessageStore(LockedOutboxStore(pReal.get()).get());
    const RecipientListPtr pTo = Addresses(1, 1);
    EXPECT_EQ(m_p_oExMapi->SendMail(Job(), pTo.get(), nullptr, Links()), MAPI_E_NO_ACCESS);
    ASSERT_EQ(g_vReports.size(), 1u);
    EXPECT_EQ(g_vReports[0].find("Calling function 'CExMAPI::GetOutboxFolder' resulted in error 0x80070005 in "
                                 "function 'CExMAPI::SendMail'."),
              0u)
        << g_vReports[0];
    EXPECT_NE(NewTrace().find("GetOutboxFolder failed"), std::string::npos);

    // The package turns it into a failed transport: the sender reports result 0, never "sent".
    COutlook oOutlook(
        m_oRegistry, [this]() { return m_p_oExMapi.get(); }, 2, nullptr);
    CGatewayMail oMail;
    oMail.m_sSenderName = "Ann Example";
    oMail.m_sSenderEmail = "ann@example.org";
    oMail.m_sSubject = kGatewaySubject;
    oMail.m_sPlainBody = "<MAIL>job</MAIL>";
    oMail.m_p_mrlTo = pTo.get();
    EXPECT_EQ(oOutlook.Send(oMail, m_oLink, &m_oProgress), 0);
    EXPECT_TRUE(oOutlook.Error().IsSet());
    m_oThread.SetMessageStore(pReal.get());
    EXPECT_TRUE(OutboxMessages(pReal.get()).empty());
}

// The document rides along as a "BS...TXT" file; above 512000 characters the body is the preamble
// alone. The file is gone once the send is over.
TEST_F(ExMapiSend, TheJobTravelsAsATextAttachmentAndLongJobsLeaveTheBodyShort)
{
    COutlook oOutlook(
        m_oRegistry, [this]() { return m_p_oExMapi.get(); }, 2, nullptr);
    const RecipientListPtr pGateway = Addresses(3, 3);
    const std::string sShort = "<MAIL>short job</MAIL>";
    const std::string sLong = "<MAIL>" + std::string(600000 - 13, 'x') + "</MAIL>";
    ASSERT_EQ(sLong.size(), 600000u);
    for (const std::string* pDocument : {&sShort, &sLong})
    {
        CGatewayMail oMail;
        oMail.m_sSenderName = "Ann Example";
        oMail.m_sSenderEmail = "ann@example.org";
        oMail.m_sSubject = kGatewaySubject;
        oMail.m_sPlainBody = *pDocument;
        oMail.m_p_mrlTo = pGateway.get();
        ASSERT_EQ(oOutlook.Send(oMail, m_oLink, &m_oProgress), 1) << oOutlook.Error().Text();
    }
    const std::vector<CStoredMessage> vSent = OutboxMessages(m_oThread.MessageStore());
    ASSERT_EQ(vSent.size(), 2u);
    EXPECT_EQ(vSent[0].m_sBody, kGatewayPreambleText + std::string(50, '\n') + sShort);
    EXPECT_EQ(vSent[1].m_sBody, kGatewayPreambleText);
    const std::string* apDocuments[] = {&sShort, &sLong};
    for (size_t i = 0; i < vSent.size(); ++i)
    {
        EXPECT_EQ(vSent[i].m_sSenderName, "Ann Example [ann@example.org]");
        ASSERT_EQ(vSent[i].m_vAttachments.size(), 1u);
        const CStoredAttachment& oFile = vSent[i].m_vAttachments[0];
        EXPECT_EQ(oFile.m_sLongName.rfind("BS", 0), 0u) << oFile.m_sLongName;
        EXPECT_EQ(oFile.m_sLongName.substr(oFile.m_sLongName.size() - 4), ".TXT") << oFile.m_sLongName;
        EXPECT_EQ(oFile.m_sDisplayName, oFile.m_sLongName);
        EXPECT_EQ(oFile.m_lMethod, ATTACH_BY_VALUE);
        EXPECT_EQ(oFile.m_lRenderingPosition, -1);
        EXPECT_TRUE(oFile.m_sData == *apDocuments[i]) << "the document, without a terminator";
        EXPECT_EQ(GetFileAttributesA((TempDirectory() + oFile.m_sLongName).c_str()), INVALID_FILE_ATTRIBUTES)
            << "the temporary file is deleted after the send";
    }
}

TEST_F(ExMapiSend, WriteTempFileNamesTheFileByPrefixAndExtensionAndDeletesItWithItsOwner)
{
    std::string sPath;
    {
        CTempFile oFile;
        CErrorSlot oError;
        ASSERT_TRUE(WriteTempFile("abc\r\ndef", "TXT", "BS", oFile, oError)) << oError.Text();
        sPath = oFile.m_sPath;
        EXPECT_EQ(sPath.substr(0, TempDirectory().size() + 2), TempDirectory() + "BS");
        EXPECT_EQ(sPath.substr(sPath.size() - 4), ".TXT");
        EXPECT_EQ(ReadFileText(sPath), "abc\r\ndef");
        EXPECT_NE(GetFileAttributesA(oFile.m_sPlaceholder.c_str()), INVALID_FILE_ATTRIBUTES)
            << "the unique name stays reserved while the file is in use";
    }
    EXPECT_EQ(GetFileAttributesA(sPath.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(g_vReports.empty());
}

// A readable copy per sent job in "Sent SMSs", below the root of the message tree; its entry id is
// kept in "SMSFolder", and a folder the user deleted is made again.
TEST_F(ExMapiSend, SentSMSsIsCreatedKeptAndMadeAgainAfterTheUserDeletedIt)
{
    ASSERT_TRUE(DeleteUserValue(kSentSMSFolderValue));
    const RecipientListPtr pTo = NewList<CMessageRecipientList>();
    AppendItem(*pTo, NewPersonRecipient(nullptr, "+447700900001", "ann@example.com", "Ann Smith"));
    AppendItem(*pTo, NewPersonRecipient(nullptr, "+447700900002", nullptr, nullptr));
    const RecipientListPtr pBcc = Addresses(5, 5);
    ASSERT_EQ(m_p_oExMapi->WriteToSMSFolder(m_oRegistry, pTo.get(), pBcc.get(), "Ann Example [ann@example.org]",
                                            "See you at 8", "See you at 8, bring the map"),
              S_OK);

    const CEntryBytes vFirst = SentSMSFolderId(m_oThread.MessageStore());
    ASSERT_FALSE(vFirst.empty()) << "the folder is a child of the IPM subtree";
    EXPECT_EQ(UserBinary(kSentSMSFolderValue), vFirst);
    EXPECT_EQ(FolderViewInfo(m_oThread.MessageStore(), vFirst),
              CEntryBytes({0x00, 0x00, 0x00, 0x00, 0x05, 0x00, 0xE9, 0x00, 'S', 0, 'e', 0,
                           'n',  0,    't',  0,    ' ',  0,    'T',  0,    'o', 0, 0,   0}));
    std::vector<CStoredMessage> vCopies = FolderMessages(m_oThread.MessageStore(), vFirst);
    ASSERT_EQ(vCopies.size(), 1u);
    EXPECT_EQ(vCopies[0].m_sSubject, "See you at 8");
    EXPECT_EQ(vCopies[0].m_sSenderName, "Ann Example [ann@example.org]");
    EXPECT_EQ(vCopies[0].m_sBody, "See you at 8, bring the map");
    EXPECT_NE(vCopies[0].m_lFlags & MSGFLAG_READ, 0) << "filed as read";
    EXPECT_EQ(vCopies[0].m_lFlags & MSGFLAG_SUBMIT, 0) << "a copy is never submitted";
    // Names, else the mobile, every one a To entry; nothing is resolved.
    EXPECT_EQ(vCopies[0].Recipients(), "To:Ann Smith To:+447700900002 To:User 05");

    // The kept id finds the folder again.
    ASSERT_EQ(m_p_oExMapi->WriteToSMSFolder(m_oRegistry, pTo.get(), nullptr, "Ann", "Second", "Second text"), S_OK);
    EXPECT_EQ(FolderMessages(m_oThread.MessageStore(), vFirst).size(), 2u);

    DeleteSentSMSFolder(m_oThread.MessageStore(), vFirst);
    ASSERT_EQ(m_p_oExMapi->WriteToSMSFolder(m_oRegistry, pTo.get(), nullptr, "Ann", "Third", "Third text"), S_OK);
    const CEntryBytes vSecond = SentSMSFolderId(m_oThread.MessageStore());
    ASSERT_FALSE(vSecond.empty());
    EXPECT_NE(vSecond, vFirst);
    EXPECT_EQ(UserBinary(kSentSMSFolderValue), vSecond) << "\"SMSFolder\" holds the new folder's id";
    vCopies = FolderMessages(m_oThread.MessageStore(), vSecond);
    ASSERT_EQ(vCopies.size(), 1u);
    EXPECT_EQ(vCopies[0].m_sSubject, "Third");
    EXPECT_NE(NewTrace().find("VerifyFoldersExistance"), std::string::npos);
}

TEST_F(ExMapiSend, AFolderFoundByNameIsAdoptedWhenNoIdIsKept)
{
    ASSERT_TRUE(DeleteUserValue(kSentSMSFolderValue));
    const CEntryBytes vMade = MakeSubtreeFolder(m_oThread.MessageStore(), "Sent SMSs");
    ASSERT_FALSE(vMade.empty());
    ASSERT_EQ(m_p_oExMapi->WriteToSMSFolder(m_oRegistry, nullptr, nullptr, "Ann", "Found", "Text"), S_OK);
    EXPECT_EQ(SentSMSFolderId(m_oThread.MessageStore()), vMade) << "no second folder of the name";
    EXPECT_EQ(UserBinary(kSentSMSFolderValue), vMade);
    EXPECT_EQ(FolderMessages(m_oThread.MessageStore(), vMade).size(), 1u);
}
} // namespace

namespace
{
// The gateway's mailbox is in nobody's address book: MAPI resolves it as a one-off address.
TEST_F(ExMapiSend, TheGatewayMailboxNoAddressBookHoldsIsResolvedAsAOneOff)
{
    {
        const RecipientListPtr pProbe = NewList<CMessageRecipientList>();
        AppendItem(*pProbe, NewPersonRecipient(nullptr, nullptr, "probe@brevolt.example", "Probe"));
        CMapiSendLinks oNoLinks;
        const HRESULT hr = m_p_oExMapi->SendMail(Job(), pProbe.get(), nullptr, oNoLinks);
        g_vReports.clear();
        ASSERT_EQ(hr, S_OK) << "an internet address no address book holds resolves as a one-off";
    }
    COutlook oOutlook(
        m_oRegistry, [this]() { return m_p_oExMapi.get(); }, 2, nullptr);
    const RecipientListPtr pGateway = NewList<CMessageRecipientList>();
    AppendItem(*pGateway, NewPersonRecipient(nullptr, nullptr, "sms@brevolt.example", "Brevolt SMS Server"));
    CGatewayMail oMail;
    oMail.m_sSenderName = "Ann Example";
    oMail.m_sSenderEmail = "ann@example.org";
    oMail.m_sSubject = kGatewaySubject;
    oMail.m_sPlainBody = "<MAIL>job</MAIL>";
    oMail.m_p_mrlTo = pGateway.get();
    ASSERT_EQ(oOutlook.Send(oMail, m_oLink, &m_oProgress), 1) << oOutlook.Error().Text();
    const std::vector<CStoredMessage> vSent = OutboxMessages(m_oThread.MessageStore());
    ASSERT_EQ(vSent.size(), 2u);
    EXPECT_EQ(vSent[1].Recipients(), "To:sms@brevolt.example");
    ASSERT_EQ(vSent[1].m_vAttachments.size(), 1u);
    EXPECT_EQ(vSent[1].m_vAttachments[0].m_sData, "<MAIL>job</MAIL>");
    EXPECT_TRUE(g_vReports.empty());
}
} // namespace

namespace
{
// An e-mail (mail kind 1) carries the sender's rich text as compressed RTF and its own attachment.
TEST_F(ExMapiSend, AnEmailGoesOutWithCompressedRichTextAndItsAttachment)
{
    const std::string sAttachment = TempDirectory() + "brevolt-outroad-notes.txt";
    {
        std::ofstream oFile(sAttachment, std::ios::binary);
        oFile << "notes for the meeting";
    }
    COutlook oOutlook(
        m_oRegistry, [this]() { return m_p_oExMapi.get(); }, 2, nullptr);
    const RecipientListPtr pTo = Addresses(4, 4);
    CGatewayMail oMail;
    oMail.m_sSenderName = "Ann Example";
    oMail.m_sSenderEmail = "ann@example.org";
    oMail.m_sSubject = "Minutes";
    oMail.m_iMailKind = kMailKindEmail;
    oMail.m_sRichTextBody = "{\\rtf1\\ansi\\deff0 Hello {\\b world}\\par}";
    oMail.m_sAttachmentPath = sAttachment;
    oMail.m_p_mrlTo = pTo.get();
    ASSERT_EQ(oOutlook.Send(oMail, m_oLink, &m_oProgress), 1) << oOutlook.Error().Text();
    EXPECT_NE(GetFileAttributesA(sAttachment.c_str()), INVALID_FILE_ATTRIBUTES) << "the sender's own file stays";
    DeleteFileA(sAttachment.c_str());

    const std::vector<CStoredMessage> vSent = OutboxMessages(m_oThread.MessageStore());
    ASSERT_EQ(vSent.size(), 1u);
    EXPECT_EQ(vSent[0].m_sSubject, "Minutes");
    ASSERT_EQ(vSent[0].m_vAttachments.size(), 1u);
    EXPECT_EQ(vSent[0].m_vAttachments[0].m_sLongName, "brevolt-outroad-notes.txt");
    EXPECT_EQ(vSent[0].m_vAttachments[0].m_sData, "notes for the meeting");
    EXPECT_EQ(OutboxRichText(m_oThread.MessageStore()), oMail.m_sRichTextBody);
}
} // namespace
