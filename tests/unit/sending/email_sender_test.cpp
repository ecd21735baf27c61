// tests/unit/sending/email_sender_test.cpp: jobs leave the e-mail sender over real SMTP and the
// reference gateway decodes what arrived; set-up failures send nothing.
#include "Addressbook/messaging/phone_rules.h"
#include "Addressbook/sending/email_package.h"
#include "Addressbook/sending/email_sender.h"
#include "gateway/gateway_commands.h"
#include "tests/unit/smtp/smtp_peers_posix.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace
{
class EmailSenderTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_sMaildir =
            (std::filesystem::temp_directory_path() / ("brevolt-sending-" + std::to_string(getpid()))).string();
        std::filesystem::remove_all(m_sMaildir);
        ASSERT_TRUE(m_oServer.StartAiosmtpd(m_sMaildir));

        std::string keyText;
        std::string error;
        ASSERT_TRUE(MakeKeyText(256, keyText, error)) << error;
        ASSERT_TRUE(m_oGatewayKey.ReadKeyXML(keyText));
        ASSERT_TRUE(m_oRegistry.WriteUserText("AccountKey", keyText));
        ASSERT_TRUE(m_oRegistry.WriteUserText("Name", "Ann Example"));
        ASSERT_TRUE(m_oRegistry.WriteUserText("Email", "ann@example.org"));
        ASSERT_TRUE(m_oRegistry.WriteUserText("Phone", "0825551234"));
        ASSERT_TRUE(m_oRegistry.WriteUserText("CountryCode", "27"));
        // Outlook's own account settings name the SMTP server the job leaves through.
        const std::string accounts = "Software\\Microsoft\\Office\\Outlook\\OMI Account Manager";
        ASSERT_TRUE(
            m_oRegistry.WriteRegistry(ERegRoot::CurrentUser, accounts, "Default Mail Account", "00000001", 9, kRegSz));
        // The server's port is the account's DWORD "SMTP Port", as mail accounts keep it.
        const std::string account = accounts + "\\Accounts\\00000001";
        const uint32_t port = m_oServer.Port();
        ASSERT_TRUE(m_oRegistry.WriteRegistry(ERegRoot::CurrentUser, account, "SMTP Server", "127.0.0.1", 10, kRegSz));
        ASSERT_TRUE(m_oRegistry.WriteRegistry(ERegRoot::CurrentUser, account, "SMTP Port", &port, 4, kRegDword));
        ASSERT_TRUE(CreateMessageRecipientList(&m_p_mrlTo));
    }

    void TearDown() override
    {
        DeleteMessageRecipientList(&m_p_mrlTo);
        m_oServer.Stop();
        std::filesystem::remove_all(m_sMaildir);
    }

    std::unique_ptr<CEmailSender> MakeSender()
    {
        auto sender = std::make_unique<CEmailSender>(m_oRegistry, nullptr, [this](int p_iPackage, int p_iVersion) {
            return CreateSMTPPackageFor(p_iPackage, p_iVersion, m_oRegistry);
        });
        sender->SetPackage(kPackageOutlook, 5);
        sender->SetOptions(0x0A00);
        return sender;
    }

    void AddPerson(const char* p_szName, const char* p_szMobile)
    {
        CMessageRecipient* recipient = nullptr;
        ASSERT_TRUE(CreateMessageRecipientFromDetails(kStateResolved, kKindIndividual, p_szName, p_szMobile, "",
                                                      p_szName, EID_TYPE_BULK, 0, nullptr, kDefaultRecipientOptions,
                                                      &recipient));
        ASSERT_TRUE(AddMessageRecipient(m_p_mrlTo, recipient));
    }

    std::vector<nlohmann::json> Decoded()
    {
        std::vector<CGatewayInput> inputs;
        std::string error;
        EXPECT_TRUE(ReadMaildir(m_sMaildir, inputs, error)) << error;
        std::vector<nlohmann::json> sms;
        for (const auto& input : inputs)
        {
            std::vector<std::string> lines;
            EXPECT_TRUE(DecodeGatewayMail(input, m_oGatewayKey, lines)) << (lines.empty() ? "" : lines[0]);
            for (const auto& line : lines)
                sms.push_back(nlohmann::json::parse(line));
        }
        return sms;
    }

    std::unique_ptr<Registry> m_p_oStore = CreateMemoryRegistry();
    CRegistry m_oRegistry{*m_p_oStore};
    CAES m_oGatewayKey;
    CPeerProcess m_oServer;
    std::string m_sMaildir;
    CMessageRecipientList* m_p_mrlTo = nullptr;
};

TEST_F(EmailSenderTest, SingleJobReachesTheGatewayOverSMTP)
{
    AddPerson("Bob", "0825550001");
    AddPerson("Bob again", "+27 82 555 0001"); // the same mobile: sent once
    AddPerson("Cy", "0825550003");
    auto sender = MakeSender();
    ASSERT_EQ(sender->SendSMS(m_p_mrlTo, nullptr, "Lunch at 1?", nullptr), 0) << sender->Error().Text();
    EXPECT_EQ(sender->Result(), kSendSuccess);

    const auto sms = Decoded();
    ASSERT_EQ(sms.size(), 2u);
    EXPECT_EQ(sms[0]["mailbox"], "sms@brevolt.example");
    EXPECT_EQ(sms[0]["name"], "Bob");
    EXPECT_EQ(sms[1]["mobile"], "0825550003");
    EXPECT_EQ(sms[1]["text"], "Lunch at 1?");
    EXPECT_EQ(sms[1]["options"], 0x0A00);
    EXPECT_EQ(sms[1]["sender"]["email"], "ann@example.org");
    EXPECT_EQ(sms[1]["sender"]["phone"], InternationalForm("27", "0825551234"));
}

TEST_F(EmailSenderTest, BulkJobGoesToTheBulkMailboxWithItsEndTime)
{
    ASSERT_TRUE(m_oRegistry.WriteRegistry(ERegRoot::LocalMachine, kInstallKey, "BulkSendMailbox",
                                          "bulk@gateway.example", 21, kRegSz));
    AddPerson("Bob", "0825550001");
    AddPerson("Cy", "0825550003");
    CFinalSMSList* final = nullptr;
    ASSERT_EQ(CreateFinalSMSs("Sale ends today", nullptr, m_p_mrlTo, nullptr, 3, 0, 1, 0, &final), 1);
    auto sender = MakeSender();
    const CSystemTime end{2026, 12, 2, 8, 20, 0, 0, 0};
    const int rc = sender->SendBulkSMS("Shop", final, "Sale ends today", &end, nullptr);
    DeleteSMSList(&final);
    ASSERT_EQ(rc, 0) << sender->Error().Text();
    EXPECT_EQ(sender->Result(), kSendSuccess);
    EXPECT_EQ(sender->Options(), 0x0A00 | kOptionHasEndTime | kOptionSyncEnd);

    const auto sms = Decoded();
    ASSERT_EQ(sms.size(), 2u);
    EXPECT_EQ(sms[0]["mailbox"], "bulk@gateway.example");
    EXPECT_EQ(sms[0]["bulk"], true);
    EXPECT_EQ(sms[0]["sender_id"], "Shop");
    EXPECT_EQ(sms[1]["text"], "Sale ends today");
}

TEST_F(EmailSenderTest, SenderWithoutEmailOrMobileSendsNothing)
{
    AddPerson("Bob", "0825550001");
    for (const char* missing : {"Email", "Phone"})
    {
        ASSERT_TRUE(m_oRegistry.Store().DeleteValue(ERegRoot::CurrentUser, kUserKey, missing) == kErrorSuccess);
        auto sender = MakeSender();
        EXPECT_EQ(sender->SendSMS(m_p_mrlTo, nullptr, "hi", nullptr), -1) << missing;
        EXPECT_EQ(sender->Result(), kSendNothingSent);
        ASSERT_TRUE(m_oRegistry.WriteUserText("Email", "ann@example.org"));
        ASSERT_TRUE(m_oRegistry.WriteUserText("Phone", "0825551234"));
    }
    EXPECT_TRUE(StoredMails(m_sMaildir).empty());
}

TEST_F(EmailSenderTest, StopBeforeTheConnectIsACancel)
{
    AddPerson("Bob", "0825550001");
    auto sender = MakeSender();
    sender->Link().RequestStop();
    ASSERT_EQ(sender->SendSMS(m_p_mrlTo, nullptr, "hi", nullptr), 0) << sender->Error().Text();
    EXPECT_EQ(sender->Result(), kSendCancelled);
    EXPECT_TRUE(StoredMails(m_sMaildir).empty());
}

TEST_F(EmailSenderTest, MissingKeyOrServerFailsWithTheirErrors)
{
    AddPerson("Bob", "0825550001");
    ASSERT_TRUE(m_oRegistry.Store().DeleteTree(ERegRoot::CurrentUser, "Software\\Microsoft") == kErrorSuccess);
    auto noServer = MakeSender();
    EXPECT_EQ(noServer->SendSMS(m_p_mrlTo, nullptr, "hi", nullptr), -1);
    EXPECT_EQ(noServer->Result(), kSendFailed);
    EXPECT_TRUE(noServer->Error().IsSet());

    ASSERT_TRUE(m_oRegistry.WriteUserText("AccountKey", "not a key"));
    auto noKey = MakeSender();
    EXPECT_EQ(noKey->SendSMS(m_p_mrlTo, nullptr, "hi", nullptr), -1);
    EXPECT_EQ(noKey->Result(), kSendNothingSent) << "nothing is sent without the account key";
    EXPECT_TRUE(StoredMails(m_sMaildir).empty());
}
} // namespace

namespace
{
TEST(EmailPackage, DefaultMailClientAndVersions)
{
    auto store = CreateMemoryRegistry();
    CRegistry registry(*store);
    const auto setDefault = [&](const std::string& p_sKey, const std::string& p_sText) {
        ASSERT_TRUE(
            registry.WriteRegistry(ERegRoot::LocalMachine, p_sKey, "", p_sText.c_str(), p_sText.size() + 1, kRegSz));
    };
    EXPECT_EQ(DetectDefaultMailPackage(registry), kPackageNotRecognised);
    setDefault("SOFTWARE\\Classes\\mailto\\shell\\open\\command", "\"C:\\Eudora\\eudora.exe\" /m %1");
    EXPECT_EQ(DetectDefaultMailPackage(registry), 3) << "mailto when no client is named";
    setDefault("SOFTWARE\\Clients\\Mail", "Outlook Express");
    setDefault("SOFTWARE\\Clients\\Mail\\Outlook Express\\shell\\open\\command",
               "\"C:\\Program Files\\Outlook Express\\msimn.exe\" /mailurl:%1");
    EXPECT_EQ(DetectDefaultMailPackage(registry), 1);
    setDefault("SOFTWARE\\Clients\\Mail\\Outlook Express\\shell\\open\\command", "C:\\mutt.exe");
    EXPECT_EQ(DetectDefaultMailPackage(registry), kPackageNotRecognised);

    const std::string key = "Software\\Microsoft\\Outlook Express\\Version Info";
    EXPECT_EQ(OutlookExpressVersionCode(registry), -1);
    const std::pair<const char*, int> versions[] = {
        {"4,72,3110,0", 0}, {"5,50,4133,2400", 1}, {"6,0,2900,5512", 2}, {"7,0", 3}, {"junk", -1}};
    for (const auto& v : versions)
    {
        ASSERT_TRUE(
            registry.WriteRegistry(ERegRoot::LocalMachine, key, "Current", v.first, std::strlen(v.first) + 1, kRegSz));
        EXPECT_EQ(OutlookExpressVersionCode(registry), v.second) << v.first;
    }
}

TEST(EmailPackage, GatewayBodiesByRoad)
{
    const std::string document = "<SMS SEND>\r\n...\r\n</SMS SEND>\r\n";
    EXPECT_EQ(GatewayMailBody(EGatewayRoad::SMTP, document), document);
    const std::string huge(600000, 'x');
    // The transfer file's mail carries the same body as Outlook's.
    for (EGatewayRoad eRoad : {EGatewayRoad::MAPI, EGatewayRoad::TransferFile})
    {
        EXPECT_EQ(GatewayMailBody(eRoad, document), kGatewayPreamble + std::string(50, '\n') + document);
        EXPECT_EQ(GatewayMailBody(eRoad, huge), kGatewayPreamble) << "over 512000 characters: preamble only";
    }
    EXPECT_EQ(GatewayMailBody(EGatewayRoad::MAPI, std::string(512000, 'x')).size(),
              std::string(kGatewayPreamble).size() + 50 + 512000);
}

TEST(EmailSenderText, LabelsAndFolderSubjects)
{
    EXPECT_EQ(SenderLabel("Ann", "ann@example.org"), "Ann [ann@example.org]");
    EXPECT_EQ(SenderLabel("", "ann@example.org"), "ann@example.org");
    std::string subject;
    for (int i = 0; i < 15; ++i)
        subject += "line " + std::to_string(i) + "\r\n\t";
    const std::string cleaned = CleanFolderSubject(subject);
    EXPECT_EQ(cleaned.size(), 100u);
    EXPECT_EQ(cleaned.find_first_of("\r\n\t"), std::string::npos);
    const std::pair<uint32_t, int> states[] = {{kLinkRunning, kSendSuccess},
                                               {kLinkCancelled, kSendCancelled},
                                               {kLinkCantCancel, kSendCantCancel},
                                               {kLinkAborted, kSendAborted}};
    for (const auto& s : states)
        EXPECT_EQ(ResultFromLinkState(s.first), s.second);
}
} // namespace
