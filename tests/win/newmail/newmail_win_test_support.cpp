// tests/win/newmail/newmail_win_test_support.cpp: the CExMAPI suite's store and the settings it puts
// back.
#include "tests/win/newmail/newmail_win_test_support.h"

#include "Addressbook/addressbook/mapi_location.h"
#include "Addressbook/protocol/client_security_protocol.h"
#include "common/handle_win.h"

namespace newmailtest
{
exmapitest::CThreadValues NewMailWin::s_oThread;
std::unique_ptr<CExMAPI> NewMailWin::s_p_oExMapi;
std::string NewMailWin::s_sKeyText;
std::string NewMailWin::s_sTempDir;

namespace
{
CEntryBytes g_vInbox;
std::string g_sSavedKey;
std::string g_sSavedResource;

void SetDllPathEx()
{
    HKEY hKey = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kOutlookClientKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey, nullptr),
        ERROR_SUCCESS);
    const unique_hkey key(hKey);
    const std::string path = MAPI_DLL_PATH;
    ASSERT_EQ(RegSetValueExA(hKey, kDllPathExValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                             static_cast<DWORD>(path.size() + 1)),
              ERROR_SUCCESS);
}
} // namespace

void NewMailWin::SetUpTestSuite()
{
    ExMapi::SetUpTestSuite();
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    s_sTempDir = std::string(temp) + "brevolt-newmail-test";
    CreateDirectoryA(s_sTempDir.c_str(), nullptr);
    SetDllPathEx();
    Seed("..\\newmail\\newmail_seed.json");
    CRegistry registry;
    g_sSavedKey = registry.ReadUserText(kAccountKeyValue);
    g_sSavedResource = registry.ReadUserText(kResourceValue);
    s_sKeyText = NewKeyText();
    ASSERT_TRUE(registry.WriteUserText(kAccountKeyValue, s_sKeyText));
    s_p_oExMapi = std::make_unique<CExMAPI>(exmapitest::OutlookSettings(), s_oThread);
    ASSERT_TRUE(s_p_oExMapi->IsReady()) << s_p_oExMapi->Error().Text();
    g_vInbox = InboxIdOf(s_oThread.MessageStore());
}

void NewMailWin::TearDownTestSuite()
{
    s_p_oExMapi.reset();
    CRegistry registry;
    EXPECT_TRUE(registry.WriteUserText(kAccountKeyValue, g_sSavedKey));
    EXPECT_TRUE(registry.WriteUserText(kResourceValue, g_sSavedResource));
    ExMapi::TearDownTestSuite();
}

void NewMailWin::SetUp()
{
    // The store stays as the earlier tests left it; each test makes its own mail.
    m_nTraceStart = NewTrace().size();
    exmapitest::g_vBoxes.clear();
    exmapitest::g_vReports.clear();
}

CEntryBytes NewMailWin::Deliver(const CIncomingMail& p_oMail)
{
    return DeliverTo(s_oThread.MessageStore(), g_vInbox, p_oMail);
}

std::vector<std::string> NewMailWin::InboxSubjects()
{
    return SubjectsIn(s_oThread.MessageStore(), g_vInbox);
}

const CEntryBytes& NewMailWin::InboxId()
{
    return g_vInbox;
}
} // namespace newmailtest
