// tests/win/oehook/send_mail_test.cpp: send-mail mode inside the mail client stand-in: the core
// library's transfer file, opened through the shell's ".eml" association, is sent by a note kept
// off-screen; the outcome reaches the named events, the file goes, the client's "Send Mail Warning"
// and its check for mail at start are as they should be afterwards. A note that stays not ready is
// given up after 25 reports. An archive request that cannot be filed still reports its end.
// Winsock 2 before anything that brings in <windows.h>.
#include <winsock2.h>

#include "oehook/latchkit.h"
#include "tests/win/oe/oe_test_support.h"
#include "tests/win/oehook/latchkit_test_support.h"
#include "tests/win/oehook/mail_mode_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace
{
constexpr UINT kSendMail = WM_USER + 24;
const char* kSettingsKey =
    "Identities\\{7B0C2A51-3E64-4D8F-9A17-52C3E8B6D402}\\Software\\Microsoft\\Outlook Express\\5.0";

// A one-connection SMTP server on 127.0.0.1 that accepts whatever it is given.
class CAcceptingSmtp
{
  public:
    CAcceptingSmtp()
    {
        WSADATA data{};
        WSAStartup(MAKEWORD(2, 2), &data);
        m_hListen = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof address;
        if (bind(m_hListen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(m_hListen, 1) != 0 ||
            getsockname(m_hListen, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        m_nPort = ntohs(address.sin_port);
        m_oThread = std::thread([this] { Serve(); });
    }
    ~CAcceptingSmtp()
    {
        closesocket(m_hListen);
        if (m_oThread.joinable())
            m_oThread.join();
        WSACleanup();
    }
    unsigned Port() const
    {
        return m_nPort;
    }
    // What came after DATA, once the connection has ended.
    const std::string& Message() const
    {
        return m_sMessage;
    }

  private:
    void Serve()
    {
        const SOCKET client = accept(m_hListen, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            return;
        const auto reply = [&](const char* p_szLine) { send(client, p_szLine, static_cast<int>(strlen(p_szLine)), 0); };
        reply("220 test\r\n");
        std::string pending;
        bool data = false;
        char buffer[4096];
        for (int got; (got = recv(client, buffer, sizeof buffer, 0)) > 0;)
        {
            pending.append(buffer, static_cast<size_t>(got));
            for (size_t end; data ? (end = pending.find("\r\n.\r\n")) != std::string::npos
                                  : (end = pending.find("\r\n")) != std::string::npos;)
            {
                if (data)
                {
                    m_sMessage = pending.substr(0, end);
                    pending.erase(0, end + 5);
                    data = false;
                    reply("250 kept\r\n");
                    continue;
                }
                const std::string line = pending.substr(0, end);
                pending.erase(0, end + 2);
                if (_strnicmp(line.c_str(), "DATA", 4) == 0)
                {
                    data = true;
                    reply("354 go on\r\n");
                }
                else if (_strnicmp(line.c_str(), "QUIT", 4) == 0)
                    reply("221 bye\r\n");
                else
                    reply("250 ok\r\n");
            }
        }
        closesocket(client);
    }

    SOCKET m_hListen = INVALID_SOCKET;
    unsigned m_nPort = 0;
    std::thread m_oThread;
    std::string m_sMessage;
};

TEST(LatchkitSendMail, TheTransferFileIsSentOffScreenAndSuccessSignalled)
{
    CAcceptingSmtp server;
    ASSERT_NE(server.Port(), 0u);
    SeedLatchkitSettings(6, "", server.Port());
    RegDeleteKeyValueA(HKEY_CURRENT_USER, (std::string(kSettingsKey) + "\\Dont Show Dialogs").c_str(),
                       "Send Mail Warning");
    const CEmlAssociation association;
    const CSendEvents events;
    CHookedClient client;
    ASSERT_TRUE(client.Start(6));
    const HWND browser = client.WaitForBrowser(15000);
    ASSERT_NE(browser, nullptr);
    // The launcher switched the check for mail at start off for this run.
    ASSERT_TRUE(ResetInitialSendReceive());

    const DWORD stamp = 0x5EED0042;
    const std::string path = WriteTransferFile(stamp);
    PostMessageA(browser, kSendMail, stamp, 0);
    HWND note = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (note = FindSendingNote(client)) != nullptr; }, 15000));
    RECT where{};
    GetWindowRect(note, &where);
    EXPECT_GE(where.left, 2048);
    ASSERT_EQ(WaitForSingleObject(events.m_hSuccess.get(), 20000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(events.m_hFailed.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(note); }, 5000));
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(server.Message().find("The gateway job."), std::string::npos) << server.Message();
    DWORD value = 0;
    EXPECT_TRUE(ReadRegDword(HKEY_CURRENT_USER, (std::string(kSettingsKey) + "\\Mail").c_str(), "Check Mail on Startup",
                             value));
    EXPECT_EQ(value, 1u);
    EXPECT_FALSE(ReadRegDword(HKEY_CURRENT_USER, (std::string(kSettingsKey) + "\\Dont Show Dialogs").c_str(),
                              "Send Mail Warning", value));
}

TEST(LatchkitSendMail, ANoteNotReady25TimesIsClosedAndFailureSignalled)
{
    SeedLatchkitSettings(6, "");
    const std::string dialogs = std::string(kSettingsKey) + "\\Dont Show Dialogs";
    const DWORD shown = 0;
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, dialogs.c_str(), "Send Mail Warning", REG_DWORD, &shown, sizeof shown),
              ERROR_SUCCESS);
    const CEmlAssociation association;
    const CSendEvents events;
    CHookedClient client;
    ASSERT_TRUE(client.Start(6));
    const HWND browser = client.WaitForBrowser(15000);
    ASSERT_NE(browser, nullptr);
    ASSERT_EQ(client.SendControl("not-ready 25"), 1);

    const DWORD stamp = 0x5EED0043;
    const std::string path = WriteTransferFile(stamp);
    PostMessageA(browser, kSendMail, stamp, 0);
    HWND note = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (note = FindSendingNote(client)) != nullptr; }, 15000));
    // While it sends the client's own question before sending is off.
    DWORD value = 0;
    EXPECT_TRUE(WaitUntil(
        [&] { return ReadRegDword(HKEY_CURRENT_USER, dialogs.c_str(), "Send Mail Warning", value) && value == 1; },
        5000));
    ASSERT_EQ(WaitForSingleObject(events.m_hFailed.get(), 20000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(events.m_hSuccess.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(note); }, 5000));
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(ReadRegDword(HKEY_CURRENT_USER, dialogs.c_str(), "Send Mail Warning", value));
    EXPECT_EQ(value, 0u);
    // Without the launcher's reset the client's check for mail at start stays as it was.
    EXPECT_TRUE(ReadRegDword(HKEY_CURRENT_USER, (std::string(kSettingsKey) + "\\Mail").c_str(), "Check Mail on Startup",
                             value));
    EXPECT_EQ(value, 0u);

    // A transfer file the shell cannot open fails at once.
    PostMessageA(browser, kSendMail, 0x5EED0044, 0);
    EXPECT_EQ(WaitForSingleObject(events.m_hFailed.get(), 10000), WAIT_OBJECT_0);
}

TEST(LatchkitSendMail, AnArchiveRequestThatCannotBeFiledStillReportsItsEnd)
{
    SeedLatchkitSettings(6, "");
    CHookedClient client;
    ASSERT_TRUE(client.Start(6));
    const HWND browser = client.WaitForBrowser(15000);
    ASSERT_NE(browser, nullptr);
    const size_t from = client.MessageCount();
    PostMessageA(browser, WM_USER + 8, 0, 0x5EED0045);
    CMonitorMessage message{};
    EXPECT_TRUE(client.WaitForMessage(WM_USER + 501, message, 5000, from));
}

} // namespace
