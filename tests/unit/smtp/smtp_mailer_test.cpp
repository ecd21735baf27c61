// tests/unit/smtp/smtp_mailer_test.cpp: whole sends against real SMTP peers on real sockets:
// aiosmtpd storing the mail, and the scripted peer for the replies a stock server does not give.
#include "Addressbook/res/corvane_strings.h"
#include "tests/unit/smtp/smtp_peers_posix.h"
#include "tests/unit/smtp/smtp_test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace
{
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

std::vector<CMailAddress> Numbered(const char* p_szPrefix, int p_iCount)
{
    std::vector<CMailAddress> list;
    for (int i = 1; i <= p_iCount; ++i)
        list.push_back({"", std::string(p_szPrefix) + std::to_string(i) + "@brevolt.example"});
    return list;
}

double SecondsSince(std::chrono::steady_clock::time_point p_tStart)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - p_tStart).count();
}

TEST(smtp_send, RealServerStoresTheMailWithItsAttachment)
{
    const std::string dir = TestDirectory("real");
    const std::string maildir = dir + "/Maildir";
    CPeerProcess server;
    ASSERT_TRUE(server.StartAiosmtpd(maildir));

    std::string attachment;
    for (int i = 0; i < 20000; ++i)
        attachment += static_cast<char>((i * 131 + i / 7) & 0xFF);
    WriteFileBytes(dir + "/job.TXT", attachment);
    // Lines that SMTP would otherwise take for the end of the data or swallow a dot of.
    const std::string plain = "<SMS>\r\n.\r\n..two\r\n.one\nbare line\r\n</SMS>";

    CRecordingProgress progress;
    CTestMailer mailer(server.Server());
    ASSERT_TRUE(mailer.IsValid());
    ASSERT_EQ(0, mailer.Send("Ann Sender", "ann@brevolt.example", "Brevolt email", nullptr, plain.c_str(),
                             (dir + "/job.TXT").c_str(), {{"Brevolt SMS Server", "gateway@brevolt.example"}}, {},
                             &progress))
        << mailer.Error().Text();
    EXPECT_EQ(kLinkRunning, mailer.Link().State());
    EXPECT_THAT(progress.m_vTexts, ElementsAre("Encoding attachment for sending...", "Connecting to the mail server...",
                                               "Sending the message..."));
    EXPECT_EQ(100, progress.m_iPosition);
    EXPECT_EQ(1, progress.m_iSteps) << "one step per 10800 bytes encoded";
    EXPECT_GT(progress.m_vPositions.size(), 10u) << "the body goes in 1024-byte chunks";

    server.Stop();
    const std::vector<std::string> mails = StoredMails(maildir);
    ASSERT_EQ(1u, mails.size());
    const std::string stored = ReadFileText(mails[0]);
    EXPECT_THAT(stored, HasSubstr("From: Ann Sender <ann@brevolt.example>\n"));
    EXPECT_THAT(stored, HasSubstr("To: Brevolt SMS Server <gateway@brevolt.example>\n"));
    EXPECT_THAT(stored, HasSubstr("Subject: Brevolt email\nX-Mailer: VI Reve\nMIME-Version: 1.0\n"));

    const std::vector<std::string> summary = CheckMail(mails[0], dir);
    EXPECT_THAT(summary, Contains("content-type=multipart/mixed"));
    EXPECT_THAT(summary, Not(Contains(StartsWith("defects=1"))));
    EXPECT_THAT(summary, Contains("part0=text/plain"));
    EXPECT_THAT(summary, Contains("part1=application/octet-stream"));
    EXPECT_THAT(summary, Contains("part1-filename=job.TXT"));
    EXPECT_EQ(attachment, ReadFileText(dir + "/part1.bin"));
    EXPECT_THAT(ReadFileText(dir + "/part0.bin"), StartsWith("<SMS>\n.\n..two\n.one\nbare line\n</SMS>\n"));
}

TEST(smtp_send, RealServerAlternativeBodiesAndBccOnly)
{
    const std::string dir = TestDirectory("alternative");
    const std::string maildir = dir + "/Maildir";
    CPeerProcess server;
    ASSERT_TRUE(server.StartAiosmtpd(maildir));
    CTestMailer mailer(server.Server());
    ASSERT_EQ(0, mailer.Send("Ann", "ann@brevolt.example", "Hello", "<p>html</p>", "plain", nullptr, {},
                             Numbered("bcc", 2), nullptr))
        << mailer.Error().Text();
    server.Stop();
    const std::vector<std::string> mails = StoredMails(maildir);
    ASSERT_EQ(1u, mails.size()) << "one transaction for both Bcc recipients";
    // The server adds its own envelope lines (X-Peer, X-RcptTo) after what was sent.
    const std::string stored = ReadFileText(mails[0]);
    const std::string sent = stored.substr(0, stored.find("X-Peer:"));
    EXPECT_THAT(sent, HasSubstr("\nTo: Friends\n"));
    EXPECT_THAT(sent, Not(HasSubstr("bcc1@")));
    const std::vector<std::string> summary = CheckMail(mails[0], dir);
    EXPECT_THAT(summary, Contains("multipart=multipart/alternative"));
    EXPECT_THAT(summary, Contains("part0=text/plain"));
    EXPECT_THAT(summary, Contains("part1=text/html"));
    EXPECT_THAT(summary, Not(Contains(StartsWith("defects=1"))));
}

TEST(smtp_send, TwentyBccRecipientsGoInRoundsOfNine)
{
    const std::string record = TestDirectory("rounds") + "/record.jsonl";
    CPeerProcess peer;
    ASSERT_TRUE(peer.StartScripted("normal", record));
    CTestMailer mailer(peer.Server());
    ASSERT_EQ(0,
              mailer.Send("Ann", "ann@brevolt.example", "s", nullptr, "body", nullptr, {}, Numbered("b", 20), nullptr))
        << mailer.Error().Text();
    peer.Stop();

    const CPeerRecord seen = ReadPeerRecord(record);
    ASSERT_FALSE(seen.m_vCommands.empty());
    EXPECT_THAT(seen.m_vCommands.front(), StartsWith("HELO "));
    EXPECT_EQ("QUIT", seen.m_vCommands.back());
    std::vector<int> perTransaction;
    int next = 1;
    for (const std::string& command : seen.m_vCommands)
    {
        if (command == "MAIL From: <ann@brevolt.example>")
            perTransaction.push_back(0);
        else if (command.rfind("RCPT TO: <", 0) == 0)
        {
            ASSERT_FALSE(perTransaction.empty());
            EXPECT_EQ("RCPT TO: <b" + std::to_string(next++) + "@brevolt.example>", command);
            ++perTransaction.back();
        }
    }
    EXPECT_THAT(perTransaction, ElementsAre(9, 9, 2));
    ASSERT_EQ(3u, seen.m_vMessages.size());
    for (const std::string& message : seen.m_vMessages)
        EXPECT_THAT(message, HasSubstr("\r\nTo: Friends\r\n"));
}

TEST(smtp_send, AuthenticationRequiredShowsTheWarningAndFails)
{
    const std::string record = TestDirectory("auth") + "/record.jsonl";
    CPeerProcess peer;
    ASSERT_TRUE(peer.StartScripted("auth530", record));
    CPresentedErrors shown;
    CTestMailer mailer(peer.Server());
    EXPECT_EQ(-1, mailer.Send("Ann", "ann@brevolt.example", "s", nullptr, "body", nullptr, {{"", "gw@brevolt.example"}},
                              {}, nullptr));
    EXPECT_EQ("530:SMTP server requires authentication", mailer.Error().Text());
    ASSERT_EQ(1u, CPresentedErrors::s_vShown.size());
    EXPECT_EQ("Could not use mail server", CPresentedErrors::s_vShown[0].first);
    EXPECT_EQ("Your SMS could not be sent through your mail server.\r\nThe problem was : Your mail server requires "
              "secure SMTP authentication which is not supported in this version of our SMS software.",
              CPresentedErrors::s_vShown[0].second);
    peer.Stop();
    EXPECT_THAT(ReadPeerRecord(record).m_vCommands, Not(Contains("QUIT")));
}

TEST(smtp_send, UnexpectedRepliesEndTheDialogueWithTheirText)
{
    struct CCase
    {
        const char* m_szMode;
        int m_iResult;
        const char* m_szError;
    } cases[] = {
        {"nocode", -1, "Invalid Response from Server."},
        {"greet554", -1, "554:SMTP server not available"},
        {"data451", -1, "451:SMTP server not ready for data"},
        {"quit500", -1, "500:SMTP server didn't terminate session"},
        {"split", 0, ""},
    };
    for (const CCase& c : cases)
    {
        const std::string record = TestDirectory(std::string("reply-") + c.m_szMode) + "/record.jsonl";
        CPeerProcess peer;
        ASSERT_TRUE(peer.StartScripted(c.m_szMode, record));
        CTestMailer mailer(peer.Server());
        mailer.SetWaitLimit(5000);
        EXPECT_EQ(c.m_iResult, mailer.Send("Ann", "ann@brevolt.example", "s", nullptr, "body", nullptr,
                                           {{"", "gw@brevolt.example"}}, {}, nullptr))
            << c.m_szMode;
        EXPECT_EQ(c.m_szError, mailer.Error().Text()) << c.m_szMode;
    }
}

TEST(smtp_send, RefusedConnectionFails)
{
    CPeerProcess peer;
    const std::string record = TestDirectory("refused") + "/record.jsonl";
    ASSERT_TRUE(peer.StartScripted("normal", record));
    const std::string server = peer.Server();
    peer.Stop();
    CTestMailer mailer(server);
    EXPECT_EQ(-1, mailer.Send("Ann", "ann@brevolt.example", "s", nullptr, "body", nullptr, {{"", "gw@brevolt.example"}},
                              {}, nullptr));
    EXPECT_EQ("Function 'm_pwsSMTPServer->Connect' failed in 'CSMTPMailer::SendConnect'.", mailer.Error().Text());
    EXPECT_EQ(kLinkRunning, mailer.Link().State());
}

TEST(smtp_send, NoRecipientWithAnAddress)
{
    CPeerProcess peer;
    ASSERT_TRUE(peer.StartScripted("normal", TestDirectory("none") + "/record.jsonl"));
    CTestMailer mailer(peer.Server());
    EXPECT_EQ(
        -1, mailer.Send("Ann", "ann@brevolt.example", "s", nullptr, "body", nullptr, {{"Name only", ""}}, {}, nullptr));
    EXPECT_EQ("No valid recipients", mailer.Error().Text());
}

TEST(smtp_send, StopDuringAWaitEndsCancelled)
{
    CPeerProcess peer;
    ASSERT_TRUE(peer.StartScripted("silent", TestDirectory("stop") + "/record.jsonl"));
    CCancelLink link;
    CTestMailer mailer(peer.Server(), &link);
    mailer.SetWaitLimit(20000);
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        link.RequestStop();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(0, mailer.Send("Ann", "ann@brevolt.example", "s", nullptr, "body", nullptr, {{"", "gw@brevolt.example"}},
                             {}, nullptr));
    stopper.join();
    EXPECT_EQ(kLinkCancelled, link.State());
    EXPECT_FALSE(mailer.Error().IsSet());
    EXPECT_LT(SecondsSince(start), 5.0);
}

TEST(smtp_send, SilentServerTimesOut)
{
    CPeerProcess peer;
    ASSERT_TRUE(peer.StartScripted("silent", TestDirectory("silent") + "/record.jsonl"));
    CTestMailer mailer(peer.Server());
    mailer.SetWaitLimit(1000);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(0, mailer.Send("Ann", "ann@brevolt.example", "s", nullptr, "body", nullptr, {{"", "gw@brevolt.example"}},
                             {}, nullptr));
    EXPECT_EQ(kLinkAborted, mailer.Link().State());
    EXPECT_GE(SecondsSince(start), 0.9);
    EXPECT_LT(SecondsSince(start), 5.0);
}

TEST(smtp_send, StopAfterTheEndOfDataIsRefused)
{
    const std::string record = TestDirectory("late") + "/record.jsonl";
    CPeerProcess peer;
    ASSERT_TRUE(peer.StartScripted("slowend", record));
    CCancelLink link;
    CTestMailer mailer(peer.Server(), &link);
    std::thread stopper([&] {
        // The peer holds its reply to the end of data for a second; the stop comes inside that.
        while (!link.IsCancelForbidden())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        link.RequestStop();
    });
    EXPECT_EQ(0, mailer.Send("Ann", "ann@brevolt.example", "s", nullptr, "body", nullptr, {{"", "gw@brevolt.example"}},
                             {}, nullptr))
        << mailer.Error().Text();
    stopper.join();
    EXPECT_EQ(kLinkCantCancel, link.State());
    peer.Stop();
    const CPeerRecord seen = ReadPeerRecord(record);
    EXPECT_EQ(1u, seen.m_vMessages.size());
    EXPECT_EQ("QUIT", seen.m_vCommands.back()) << "the mail was accepted, so the dialogue ends properly";
}
} // namespace
