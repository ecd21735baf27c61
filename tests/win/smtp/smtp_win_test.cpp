// tests/win/smtp/smtp_win_test.cpp: the mailer on Winsock under Wine: a real mail through the
// hidden-window lookup of "localhost" to the aiosmtpd that run_with_smtp.sh starts, and the wait
// rules against a listener in this process that accepts and never answers.
#include "Addressbook/res/corvane_strings.h"
#include "common/platform.h"
#include "tests/unit/smtp/smtp_test_support.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace
{
// Accepts one connection on a free loopback port and says nothing until it is destroyed.
class CSilentListener
{
  public:
    CSilentListener()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        m_hListen = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_hListen, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        int size = sizeof(address);
        getsockname(m_hListen, reinterpret_cast<sockaddr*>(&address), &size);
        m_wPort = ntohs(address.sin_port);
        listen(m_hListen, 1);
        m_oThread = std::thread([this] { m_hPeer = accept(m_hListen, nullptr, nullptr); });
    }
    ~CSilentListener()
    {
        closesocket(m_hListen);
        m_oThread.join();
        if (m_hPeer != INVALID_SOCKET)
            closesocket(m_hPeer);
        WSACleanup();
    }
    std::string Server() const
    {
        return "127.0.0.1:" + std::to_string(m_wPort);
    }

  private:
    SOCKET m_hListen = INVALID_SOCKET;
    SOCKET m_hPeer = INVALID_SOCKET;
    uint16_t m_wPort = 0;
    std::thread m_oThread;
};

double SecondsSince(std::chrono::steady_clock::time_point p_tStart)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - p_tStart).count();
}

TEST(smtp_win_send, RealMailThroughLocalhost)
{
    const char* server = std::getenv("BREVOLT_SMTP_SERVER");
    if (server == nullptr || *server == '\0')
        GTEST_SKIP() << "run through run_with_smtp.sh, which starts the SMTP server";
    const std::string attachment = platform::TempDirectory() + "\\brevolt-smtp-win.TXT";
    {
        std::ofstream out(attachment, std::ios::binary | std::ios::trunc);
        for (int i = 0; i < 3000; ++i)
            out.put(static_cast<char>(i & 0xFF));
    }
    CRecordingProgress progress;
    CTestMailer mailer(server);
    ASSERT_TRUE(mailer.IsValid()) << mailer.Error().Text();
    EXPECT_EQ(0, mailer.Send("Wine Sender", "wine@brevolt.example", "Brevolt email via Wine", nullptr, "<SMS>job</SMS>",
                             attachment.c_str(), {{"Brevolt SMS Server", "gateway@brevolt.example"}},
                             {{"", "copy@brevolt.example"}}, &progress))
        << mailer.Error().Text();
    EXPECT_EQ(kLinkRunning, mailer.Link().State());
    EXPECT_EQ(100, progress.m_iPosition);
    DeleteFileA(attachment.c_str());
}

TEST(smtp_win_socket, SilentServerTimesOut)
{
    CSilentListener listener;
    CTestMailer mailer(listener.Server());
    mailer.SetWaitLimit(1000);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(0, mailer.Send("A", "a@brevolt.example", "s", nullptr, "body", nullptr, {{"", "b@brevolt.example"}}, {},
                             nullptr));
    EXPECT_EQ(kLinkAborted, mailer.Link().State());
    EXPECT_GE(SecondsSince(start), 0.9);
    EXPECT_LT(SecondsSince(start), 10.0);
}

TEST(smtp_win_socket, StopDuringAWaitEndsCancelled)
{
    CSilentListener listener;
    CCancelLink link;
    CTestMailer mailer(listener.Server(), &link);
    mailer.SetWaitLimit(20000);
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        link.RequestStop();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(0, mailer.Send("A", "a@brevolt.example", "s", nullptr, "body", nullptr, {{"", "b@brevolt.example"}}, {},
                             nullptr));
    stopper.join();
    EXPECT_EQ(kLinkCancelled, link.State());
    EXPECT_LT(SecondsSince(start), 10.0);
}

TEST(smtp_win_socket, RefusedPortFails)
{
    std::string server;
    {
        CSilentListener listener;
        server = listener.Server();
    }
    CTestMailer mailer(server);
    EXPECT_EQ(-1, mailer.Send("A", "a@brevolt.example", "s", nullptr, "body", nullptr, {{"", "b@brevolt.example"}}, {},
                              nullptr));
    EXPECT_EQ("Function 'm_pwsSMTPServer->Connect' failed in 'CSMTPMailer::SendConnect'.", mailer.Error().Text());
}
} // namespace
