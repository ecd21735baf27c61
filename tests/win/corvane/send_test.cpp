// tests/win/corvane/send_test.cpp: SendSMS and SendBulkSMS through Corvane.dll under wine64: the
// "Sending SMS" dialog runs while the worker talks SMTP to a scripted server on a real socket,
// Stop reaches the transport, and the result codes come back through the out-parameter.
#include "tests/win/corvane/corvane_test_support.h"

#include "Addressbook/res/resource.h"
#include "common/handle_win.h"
#include "gateway/gateway_commands.h"

#include <gtest/gtest.h>

#include <winsock2.h>

#include <atomic>
#include <string>
#include <thread>

namespace
{
// One SMTP session at a time on a loopback port. Holding back the greeting keeps the send in
// its connect step for as long as a test needs.
class CScriptedSMTPServer
{
  public:
    CScriptedSMTPServer()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        m_hListen = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_hListen, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        int length = sizeof(address);
        getsockname(m_hListen, reinterpret_cast<sockaddr*>(&address), &length);
        m_uPort = ntohs(address.sin_port);
        listen(m_hListen, 4);
        m_hRelease.reset(CreateEventA(nullptr, TRUE, TRUE, nullptr));
    }
    ~CScriptedSMTPServer()
    {
        SetEvent(m_hRelease.get());
        closesocket(m_hListen);
        if (m_oThread.joinable())
            m_oThread.join();
        m_hRelease.reset();
        WSACleanup();
    }

    unsigned short Port() const
    {
        return m_uPort;
    }
    void HoldGreeting()
    {
        ResetEvent(m_hRelease.get());
    }
    void Serve(int p_iSessions)
    {
        m_oThread = std::thread([this, p_iSessions]() {
            for (int i = 0; i < p_iSessions; ++i)
            {
                const SOCKET client = accept(m_hListen, nullptr, nullptr);
                if (client == INVALID_SOCKET)
                    return;
                Session(client);
                closesocket(client);
            }
        });
    }
    int Messages() const
    {
        return m_iMessages;
    }
    std::string Received() const
    {
        return m_sReceived;
    }

  private:
    void Session(SOCKET p_hClient)
    {
        WaitForSingleObject(m_hRelease.get(), 30000);
        Reply(p_hClient, "220 scripted ESMTP\r\n");
        std::string pending;
        bool inData = false;
        char buffer[4096];
        for (;;)
        {
            const int got = recv(p_hClient, buffer, sizeof(buffer), 0);
            if (got <= 0)
                return;
            pending.append(buffer, static_cast<size_t>(got));
            m_sReceived.append(buffer, static_cast<size_t>(got));
            for (;;)
            {
                if (inData)
                {
                    const size_t end = pending.find("\r\n.\r\n");
                    if (end == std::string::npos)
                        break;
                    pending.erase(0, end + 5);
                    inData = false;
                    ++m_iMessages;
                    Reply(p_hClient, "250 queued\r\n");
                    continue;
                }
                const size_t eol = pending.find("\r\n");
                if (eol == std::string::npos)
                    break;
                const std::string line = pending.substr(0, eol);
                pending.erase(0, eol + 2);
                if (line.rfind("DATA", 0) == 0)
                {
                    inData = true;
                    Reply(p_hClient, "354 go on\r\n");
                }
                else if (line.rfind("QUIT", 0) == 0)
                {
                    Reply(p_hClient, "221 bye\r\n");
                    return;
                }
                else
                    Reply(p_hClient, "250 ok\r\n");
            }
        }
    }
    static void Reply(SOCKET p_hClient, const char* p_szText)
    {
        send(p_hClient, p_szText, static_cast<int>(strlen(p_szText)), 0);
    }

    SOCKET m_hListen = INVALID_SOCKET;
    unsigned short m_uPort = 0;
    unique_handle m_hRelease;
    std::thread m_oThread;
    std::atomic<int> m_iMessages{0};
    std::string m_sReceived;
};

constexpr const char* kUserKey = "Software\\Brevolt";
constexpr const char* kOmiKey = "Software\\Microsoft\\Office\\Outlook\\OMI Account Manager";

bool WriteRegDword(HKEY p_hRoot, const char* p_szKey, const char* p_szName, DWORD p_dwValue)
{
    unique_hkey key;
    if (RegCreateKeyExA(p_hRoot, p_szKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(key.get(), p_szName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&p_dwValue),
                          sizeof(p_dwValue)) == ERROR_SUCCESS;
}

class CorvaneSend : public testing::Test
{
  protected:
    void SetUp() override
    {
        std::string keyText, error;
        ASSERT_TRUE(MakeKeyText(256, keyText, error)) << error;
        ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "AccountKey", keyText));
        ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "Name", "Ann Example"));
        ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "Email", "ann@example.org"));
        ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "Phone", "0825551234"));
        ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "CountryCode", "27"));
        ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kOmiKey, "Default Mail Account", "00000009"));
        const std::string account = std::string(kOmiKey) + "\\Accounts\\00000009";
        ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, account.c_str(), "SMTP Server", "127.0.0.1"));
        ASSERT_TRUE(WriteRegDword(HKEY_CURRENT_USER, account.c_str(), "SMTP Port", m_oServer.Port()));
        ASSERT_TRUE(m_oInit.Succeeded());
        m_pfnSendSMS = m_oCorvane.Bind<PFN_SendSMS>(szSendSMS);
        m_pfnSendBulkSMS = m_oCorvane.Bind<PFN_SendBulkSMS>(szSendBulkSMS);
        m_pfnCreateFinalSMSs = m_oCorvane.Bind<PFN_CreateFinalSMSs>(szCreateFinalSMSs);
        m_pfnDeleteSMSList = m_oCorvane.Bind<PFN_DeleteSMSList>(szDeleteSMSList);
        ASSERT_NE(m_pfnSendSMS, nullptr);
        ASSERT_NE(m_pfnSendBulkSMS, nullptr);
        m_oCorvane.CreateMessageRecipientList(&m_p_mrlTo);
        for (const char* mobile : {"082 555 0001", "+27 82 555 0002"})
        {
            CMessageRecipient* person = nullptr;
            m_oCorvane.CreateMessageRecipientFromDetails(kStateResolved, kKindIndividual, mobile, mobile, nullptr,
                                                         mobile, EID_TYPE_BULK, 0, nullptr, kDefaultRecipientOptions,
                                                         &person);
            ASSERT_NE(person, nullptr);
            m_oCorvane.AddMessageRecipient(m_p_mrlTo, person);
        }
    }
    void TearDown() override
    {
        m_oCorvane.DeleteMessageRecipientList(&m_p_mrlTo);
    }

    // SendSMS on a thread of its own, as a compose window calls it; the test thread watches.
    std::thread SendOnThread(int& p_iReturned, int& p_iResult)
    {
        return std::thread([this, &p_iReturned, &p_iResult]() {
            p_iReturned =
                m_pfnSendSMS(nullptr, m_p_mrlTo, nullptr, "See you at 8", 0, nullptr, "See you\r\nat 8", &p_iResult);
        });
    }

    CScriptedSMTPServer m_oServer;
    CCorvane& m_oCorvane = CCorvane::Get();
    // Outlook started without its MAPI object: the package's SMTP road, which these tests drive. The
    // Outbox road has its own tests over the MAPI stand-in (exmapi_send_win_test).
    CInitScope m_oInit{0, 5, kCallerNoPackage};
    PFN_SendSMS m_pfnSendSMS = nullptr;
    PFN_SendBulkSMS m_pfnSendBulkSMS = nullptr;
    PFN_CreateFinalSMSs m_pfnCreateFinalSMSs = nullptr;
    PFN_DeleteSMSList m_pfnDeleteSMSList = nullptr;
    CMessageRecipientList* m_p_mrlTo = nullptr;
};

HWND FindSendDialog()
{
    return WaitForWindow([]() { return FindDialogByCaption("Sending SMS"); }, std::chrono::seconds(20));
}
} // namespace

TEST_F(CorvaneSend, StopDuringTheConnectCancelsTheJob)
{
    m_oServer.HoldGreeting();
    m_oServer.Serve(1);
    int returned = -1;
    int result = -1;
    std::thread sending = SendOnThread(returned, result);
    const HWND dialog = FindSendDialog();
    ASSERT_NE(dialog, nullptr) << "the send dialog did not appear";
    const HWND stop = GetDlgItem(dialog, IDC_SEND_STOP);
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(WindowText(stop), "Stop");
    EXPECT_NE(GetDlgItem(dialog, IDC_SEND_BAR), nullptr);
    EXPECT_NE(GetDlgItem(dialog, IDC_SEND_ANIMATE), nullptr);
    // The status line reaches the connect step, then the picture is kept for the record.
    WaitForWindow(
        [&]() {
            return WindowText(GetDlgItem(dialog, IDC_SEND_TEXT)) == "Connecting to the mail server..." ? dialog
                                                                                                       : nullptr;
        },
        std::chrono::seconds(10));
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_SEND_TEXT)), "Connecting to the mail server...");
    Sleep(300);
    EXPECT_TRUE(SaveWindowShot(dialog, "corvane_sending_sms.bmp"));
    EXPECT_NE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST, 0) << "the timer keeps the dialog on top";

    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SEND_STOP, BN_CLICKED), reinterpret_cast<LPARAM>(stop));
    sending.join();
    EXPECT_EQ(returned, 1);
    EXPECT_EQ(result, 6) << "Send Cancel";
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(m_oServer.Messages(), 0);
}

TEST_F(CorvaneSend, SingleAndBulkJobsGoOutThroughTheDialog)
{
    m_oServer.Serve(2);
    int returned = -1;
    int result = -1;
    std::thread sending = SendOnThread(returned, result);
    sending.join();
    EXPECT_EQ(returned, 1);
    EXPECT_EQ(result, 2) << "Send Success";
    EXPECT_EQ(m_oServer.Messages(), 1);
    EXPECT_NE(m_oServer.Received().find("RCPT TO: <sms@brevolt.example>"), std::string::npos);
    EXPECT_NE(m_oServer.Received().find("Subject: Brevolt email"), std::string::npos);

    CFinalSMSList* final = nullptr;
    ASSERT_EQ(m_pfnCreateFinalSMSs("Sale ends today", nullptr, m_p_mrlTo, nullptr, 3, 0, 1, 0, &final), 1);
    HWND progress = nullptr;
    int bulkResult = -1;
    std::thread bulk([&]() {
        returned = m_pfnSendBulkSMS(nullptr, "Brevolt", final, "Sale ends today", 0, nullptr, nullptr, progress, "Sale",
                                    m_p_mrlTo, nullptr, &bulkResult);
    });
    bulk.join();
    m_pfnDeleteSMSList(&final);
    EXPECT_EQ(returned, 1);
    EXPECT_EQ(bulkResult, 2);
    EXPECT_EQ(m_oServer.Messages(), 2);
    EXPECT_NE(m_oServer.Received().find("RCPT TO: <bulksms@brevolt.example>"), std::string::npos);
}

TEST_F(CorvaneSend, SenderWithoutMobileSendsNothing)
{
    DeleteRegValue(HKEY_CURRENT_USER, kUserKey, "Phone");
    int result = -1;
    EXPECT_EQ(m_pfnSendSMS(nullptr, m_p_mrlTo, nullptr, "Hello", 0, nullptr, "Hello", &result), 1);
    EXPECT_EQ(result, 3) << "nothing was sent";
    EXPECT_EQ(m_oServer.Messages(), 0);
}
