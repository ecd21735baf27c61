// tests/win/newmail/newmail_win_test_support.h: the CExMAPI new-mail suite's one store and CExMAPI,
// seeded once for the whole suite, and the settings values the suite changes and puts back.
#pragma once

#include "tests/win/addressbook/exmapi_test_support.h"
#include "tests/win/newmail/mail_delivery.h"

#include "Addressbook/newmail/upgrade_notice.h"
#include "common/settings.h"

#include <memory>
#include <string>
#include <vector>

namespace newmailtest
{
class NewMailWin : public exmapitest::ExMapi
{
  protected:
    // Seeds the store once and opens it through one CExMAPI for every test.
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    static CEntryBytes Deliver(const CIncomingMail& p_oMail);
    static std::vector<std::string> InboxSubjects();
    static const CEntryBytes& InboxId();

    static exmapitest::CThreadValues s_oThread;
    static std::unique_ptr<CExMAPI> s_p_oExMapi;
    static std::string s_sKeyText;
    static std::string s_sTempDir;
};
} // namespace newmailtest
