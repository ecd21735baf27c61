// tests/unit/smtp/smtp_logic_test.cpp: the parts of the mailer that need no server: the header's
// To line, the data encoding, server names, address handling, the cancel link and the packages'
// server settings. Built natively and for Windows.
#include "Addressbook/res/corvane_strings.h"
#include "Addressbook/smtp/smtp_server_lookup.h"
#include "common/platform.h"
#include "tests/unit/messaging/messaging_test_support.h"
#include "tests/unit/smtp/smtp_test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

namespace
{
using ::testing::HasSubstr;

// A mailer whose header can be read without sending.
class CHeaderMailer : public CTestMailer
{
  public:
    CHeaderMailer() : CTestMailer("unused")
    {
    }
    std::string HeaderFor(const std::vector<CMailAddress>& p_vTo)
    {
        // Sending to an unreachable server fills the fields; the header is then built from them.
        Link().RequestStop();
        EXPECT_EQ(0, Send("Ann Sender", "ann@brevolt.example", "Brevolt email", nullptr, "text", nullptr, p_vTo, {},
                          nullptr));
        Link().Reset();
        return BuildHeader();
    }
};

std::string ToLine(const std::string& p_sHeader)
{
    const size_t start = p_sHeader.find("To: ");
    const size_t end = p_sHeader.find("\r\nDate: ");
    return p_sHeader.substr(start, end + 2 - start);
}

TEST(smtp_header, ToLineForEachKindOfRecipientList)
{
    struct CCase
    {
        std::vector<CMailAddress> m_vTo;
        const char* m_szExpected;
    } cases[] = {
        {{}, "To: Friends\r\n"},
        {{{"", "bob@brevolt.example"}}, "To: bob@brevolt.example\r\n"},
        {{{"Bob", "bob@brevolt.example"}, {"", "cy@brevolt.example"}},
         "To: Bob <bob@brevolt.example>,\r\n\tcy@brevolt.example\r\n"},
        // Without an e-mail address a recipient cannot be named; with only such, the mail is to Friends.
        {{{"No Mail", ""}, {"Dee", "dee@brevolt.example"}}, "To: Dee <dee@brevolt.example>\r\n"},
        {{{"No Mail", ""}}, "To: Friends\r\n"},
        // A line break in a name must not start a header of its own.
        {{{"Eve\r\nBcc: x@evil.example", "eve@brevolt.example"}},
         "To: Eve  Bcc: x@evil.example <eve@brevolt.example>\r\n"},
    };
    for (const CCase& c : cases)
    {
        CHeaderMailer mailer;
        EXPECT_EQ(c.m_szExpected, ToLine(mailer.HeaderFor(c.m_vTo)));
    }
}

TEST(smtp_header, FixedLinesInOrder)
{
    CHeaderMailer mailer;
    const std::string header = mailer.HeaderFor({{"Gateway", "gw@brevolt.example"}});
    EXPECT_EQ(0u, header.find("From: Ann Sender <ann@brevolt.example>\r\nTo: Gateway <gw@brevolt.example>\r\nDate: "));
    EXPECT_THAT(header, HasSubstr("\r\nSubject: Brevolt email\r\nX-Mailer: VI Reve\r\nMIME-Version: 1.0\r\n"
                                  "Content-Type: multipart/mixed;\r\n\tboundary=" +
                                  std::string(kMixedBoundary) + "\r\n"));
    EXPECT_EQ(header.size() - 2, header.rfind("\r\n")) << "the header ends with its last line";
}

TEST(smtp_data, LineEndsAndLeadingDots)
{
    EXPECT_EQ("a\r\n..b\r\n..\r\nc", EncodeForData("a\n.b\r\n.\nc"));
    EXPECT_EQ("..start\r\nmid.dle\r\n", EncodeForData(".start\r\nmid.dle\r\n"));
    EXPECT_EQ("", EncodeForData(""));
}

TEST(smtp_server, NameAndPort)
{
    struct CCase
    {
        const char* m_szServer;
        const char* m_szHost;
        uint16_t m_wPort;
    } cases[] = {
        {"mail.brevolt.example", "mail.brevolt.example", 25},
        {"127.0.0.1:2525", "127.0.0.1", 2525},
        {"host:", "host:", 25},
        {"host:99999", "host:99999", 25},
        {"host:25x", "host:25x", 25},
        {"fe80::1", "fe80::1", 25},
    };
    for (const CCase& c : cases)
    {
        std::string host;
        uint16_t port = 0;
        SplitServerAndPort(c.m_szServer, host, port);
        EXPECT_EQ(c.m_szHost, host) << c.m_szServer;
        EXPECT_EQ(c.m_wPort, port) << c.m_szServer;
    }
}

TEST(smtp_socket, DottedAddressesAreUsedWithoutLookup)
{
    // With the stop already requested, a lookup would end cancelled; a dotted address never waits.
    struct CCase
    {
        const char* m_szServer;
        bool m_bLookedUp;
        net::IPv4 m_dwAddress;
    } cases[] = {
        {"192.168.1.5", false, 0xC0A80105},
        {"10.0.0.255", false, 0x0A0000FF},
        {"0.0.0.0", true, 0},
        {"255.255.255.255", true, 0},
        {"192.168.1", true, 0},
        {"192.168.1.256", true, 0},
    };
    uint32_t error = 0;
    ASSERT_TRUE(net::Startup(error));
    for (const CCase& c : cases)
    {
        CCancelLink link;
        CSocket socket(link);
        link.RequestStop();
        net::IPv4 address = 0;
        const bool resolved = socket.GetHostEntry(c.m_szServer, address);
        EXPECT_EQ(!c.m_bLookedUp, resolved) << c.m_szServer;
        EXPECT_EQ(c.m_bLookedUp ? kLinkCancelled : kLinkRunning, link.State()) << c.m_szServer;
        if (!c.m_bLookedUp)
        {
            EXPECT_EQ(c.m_dwAddress, address) << c.m_szServer;
        }
    }
    net::Cleanup();
}

TEST(smtp_socket, LocalhostIsLookedUp)
{
    uint32_t error = 0;
    ASSERT_TRUE(net::Startup(error));
    CCancelLink link;
    CSocket socket(link);
    net::IPv4 address = 0;
    EXPECT_TRUE(socket.GetHostEntry("localhost", address));
    EXPECT_EQ(0x7F000001u, address);
    net::Cleanup();
}

TEST(smtp_socket, UnknownHostNamesItsNetworkError)
{
    uint32_t error = 0;
    ASSERT_TRUE(net::Startup(error));
    CCancelLink link;
    CSocket socket(link);
    net::IPv4 address = 0;
    EXPECT_FALSE(socket.GetHostEntry("no-such-host.invalid", address));
    EXPECT_EQ(kMsgNetworkError, socket.Error().Id());
    EXPECT_THAT(socket.Error().Text(), testing::StartsWith("A 'WSA"));
    EXPECT_THAT(socket.Error().Text(), HasSubstr("' network error occured in 'CSocket::GetHostEntry'"));
    net::Cleanup();
}

TEST(smtp_cancel_link, StopRulesAroundThePointOfNoReturn)
{
    CCancelLink link;
    EXPECT_FALSE(link.PollStop());
    link.RequestStop();
    EXPECT_TRUE(link.PollStop());
    EXPECT_EQ(kLinkCancelled, link.State());

    link.Reset();
    link.ForbidCancel();
    link.RequestStop();
    EXPECT_FALSE(link.PollStop());
    EXPECT_EQ(kLinkCantCancel, link.State());
    link.MarkTimedOut();
    EXPECT_EQ(kLinkCantCancel, link.State()) << "a refused stop is not turned into an abort";

    link.Reset();
    link.MarkTimedOut();
    EXPECT_EQ(kLinkAborted, link.State());
    EXPECT_TRUE(link.PollStop());
}

TEST(smtp_mailer, ArgumentAndAttachmentFailures)
{
    CTestMailer mailer("127.0.0.1:1");
    EXPECT_EQ(-1, mailer.Send("A", "a@brevolt.example", "s", nullptr, nullptr, nullptr, {{"", "b@brevolt.example"}}, {},
                              nullptr));
    EXPECT_EQ("Incorrect arguments passed to procedure 'CSMTPMailer::Send'.", mailer.Error().Text());

    EXPECT_EQ(-1, mailer.Send("A", "a@brevolt.example", "s", nullptr, "body", "/no/such/dir/file.txt",
                              {{"", "b@brevolt.example"}}, {}, nullptr));
    EXPECT_EQ(kMsgOpenFile, mailer.Error().Id());
    EXPECT_THAT(mailer.Error().Text(), HasSubstr("Failed to open file '/no/such/dir/file.txt' (error "));
}

TEST(smtp_mailer, RecipientListsGiveNamesAndAddresses)
{
    CTestList list;
    list.AddPerson("Ann", "+447700900001", "ann@brevolt.example");
    list.AddPerson("Bob", "+447700900002");
    const std::vector<CMailAddress> addresses = MailAddressesOf(list.Get());
    ASSERT_EQ(2u, addresses.size());
    EXPECT_EQ("Ann", addresses[0].m_sName);
    EXPECT_EQ("ann@brevolt.example", addresses[0].m_sEmail);
    EXPECT_EQ("", addresses[1].m_sEmail);
    EXPECT_TRUE(MailAddressesOf(nullptr).empty());
}

class CLookupTest : public ::testing::Test
{
  protected:
    void Put(const std::string& p_sKey, const std::string& p_sName, const std::string& p_sValue)
    {
        ASSERT_TRUE(m_oRegistry.WriteRegistry(ERegRoot::CurrentUser, p_sKey, p_sName, p_sValue.c_str(),
                                              p_sValue.size() + 1, kRegSz));
    }

    std::unique_ptr<Registry> m_pStore = CreateMemoryRegistry();
    CRegistry m_oRegistry{*m_pStore};
};
using smtp_lookup = CLookupTest;

TEST_F(smtp_lookup, OutlookAccountManagerKeys)
{
    std::string server;
    CErrorSlot error;
    EXPECT_FALSE(GetOutlookSMTPServer(m_oRegistry, server, error));
    EXPECT_EQ("Function 'RegOpenKeyEx' failed in 'COutlook::GetSMTPServer'.", error.Text());

    const std::string later = "Software\\Microsoft\\Office\\Outlook\\OMI Account Manager";
    Put(later, "Other", "x");
    EXPECT_FALSE(GetOutlookSMTPServer(m_oRegistry, server, error));
    EXPECT_EQ("Function 'RegQueryValueEx' failed in 'COutlook::GetSMTPServer'.", error.Text());
    Put(later, "Default Mail Account", "00000001");
    EXPECT_FALSE(GetOutlookSMTPServer(m_oRegistry, server, error));
    EXPECT_EQ("Function 'RegOpenKeyEx(2)' failed in 'COutlook::GetSMTPServer'.", error.Text());
    Put(later + "\\Accounts\\00000001", "POP3 Server", "pop");
    EXPECT_FALSE(GetOutlookSMTPServer(m_oRegistry, server, error));
    EXPECT_EQ("Function 'RegQueryValueEx(2)' failed in 'COutlook::GetSMTPServer'.", error.Text());
    Put(later + "\\Accounts\\00000001", "SMTP Server", "smtp.later.example");
    ASSERT_TRUE(GetOutlookSMTPServer(m_oRegistry, server, error));
    EXPECT_EQ("smtp.later.example", server);

    // Outlook 97's own key wins when it is there.
    const std::string first = "Software\\Microsoft\\Office\\8.0\\Outlook\\OMI Account Manager";
    Put(first, "Default Mail Account", "Main");
    Put(first + "\\Accounts\\Main", "SMTP Server", "smtp.97.example");
    ASSERT_TRUE(GetOutlookSMTPServer(m_oRegistry, server, error));
    EXPECT_EQ("smtp.97.example", server);
}

TEST_F(smtp_lookup, OutlookExpressFollowsTheIdentity)
{
    const std::string common = "Software\\Microsoft\\Internet Account Manager";
    Put(common, "Default Mail Account", "1");
    Put(common + "\\Accounts\\1", "SMTP Server", "smtp.common.example");
    Put("Identities", "Last User ID", "{ID-1}");
    std::string server;
    CErrorSlot error;
    ASSERT_TRUE(GetOutlookExpressSMTPServer(m_oRegistry, false, server, error));
    EXPECT_EQ("smtp.common.example", server) << "an identity without its own key uses the common one";

    const std::string own = "Identities\\{ID-1}\\" + common;
    Put(own, "Default Mail Account", "2");
    Put(own + "\\Accounts\\2", "SMTP Server", "smtp.identity.example");
    ASSERT_TRUE(GetOutlookExpressSMTPServer(m_oRegistry, false, server, error));
    EXPECT_EQ("smtp.identity.example", server);
    ASSERT_TRUE(GetOutlookExpressSMTPServer(m_oRegistry, true, server, error));
    EXPECT_EQ("smtp.common.example", server) << "version 4 has no identities";
}

TEST_F(smtp_lookup, EudoraIniFile)
{
    std::string server;
    CErrorSlot error;
    EXPECT_FALSE(GetEudoraSMTPServer(m_oRegistry, server, error));
    EXPECT_EQ("Function 'RegOpenKeyEx' failed in 'CEudora::GetSMTPServer'.", error.Text());

    const std::string dir = platform::TempDirectory();
    const std::string ini = dir + platform::PathSeparator() + "eudora.ini";
    Put("Software\\Qualcomm\\Eudora\\CommandLine", "Current", dir);
    {
        std::ofstream out(ini, std::ios::binary | std::ios::trunc);
        out << "[Other]\r\nSMTPServer=wrong\r\n[settings]\r\n; comment\r\n  smtpserver = \"smtp.eudora.example\" \r\n";
    }
    ASSERT_TRUE(GetEudoraSMTPServer(m_oRegistry, server, error));
    EXPECT_EQ("smtp.eudora.example", server);
    {
        std::ofstream out(ini, std::ios::binary | std::ios::trunc);
        out << "[Settings]\r\nPOPServer=pop\r\n";
    }
    EXPECT_FALSE(GetEudoraSMTPServer(m_oRegistry, server, error));
    EXPECT_EQ("Function 'GetPrivateProfileString' failed in 'CEudora::GetSMTPServer'.", error.Text());
    std::remove(ini.c_str());
}
} // namespace
