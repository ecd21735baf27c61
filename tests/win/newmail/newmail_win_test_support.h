// tests/win/newmail/newmail_win_test_support.h: the new-mail suite's one store and CExMAPI, mail put
// into its Inbox as a mail client delivers it (sender, subject, body, one attachment), upgrade
// notices from the reference gateway, and the settings values the suite changes and puts back.
#pragma once

#include "tests/win/addressbook/exmapi_test_support.h"

#include "Addressbook/newmail/upgrade_notice.h"
#include "common/settings.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace newmailtest
{
struct CIncomingMail
{
    std::string m_sSenderAddress;
    std::string m_sSenderType = "SMTP";
    CEntryBytes m_vSenderEntryId;
    std::string m_sSubject;
    std::string m_sBody;
    std::optional<std::vector<uint8_t>> m_vAttachment;
};

class NewMailWin : public exmapitest::ExMapi
{
  protected:
    // Seeds the store once and opens it through one CExMAPI for every test.
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    // A message saved in the Inbox; its entry id.
    static CEntryBytes Deliver(const CIncomingMail& p_oMail);
    // The subjects of the Inbox's messages.
    static std::vector<std::string> InboxSubjects();
    static const CEntryBytes& InboxId();
    // Runs the thread's messages until p_fnDone or the deadline.
    static bool PumpUntil(const std::function<bool()>& p_fnDone, DWORD p_dwMilliseconds = 10000);

    static exmapitest::CThreadValues s_oThread;
    static std::unique_ptr<CExMAPI> s_p_oExMapi;
    static std::string s_sKeyText;
    static std::string s_sTempDir;
};

// The body of an upgrade notice for p_vAttachment signed with the key text.
std::string NoticeBody(const std::string& p_sKeyText, const std::vector<uint8_t>& p_vAttachment);
std::string NewKeyText();
std::vector<uint8_t> Bytes(const std::string& p_sText);
std::vector<uint8_t> ReadBytes(const std::string& p_sPath);
} // namespace newmailtest
