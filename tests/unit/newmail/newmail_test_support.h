// tests/unit/newmail/newmail_test_support.h: what the new-mail tests share: settings in memory with
// an account key, upgrade notices made by the reference gateway, and an installer that records
// what it was asked to do.
#pragma once

#include "Addressbook/newmail/upgrade_notice.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace newmailtest
{
// A fresh account key in key-text form.
std::string MakeKeyText();
// The body of an upgrade notice for p_vAttachment, signed with the key text.
std::string NoticeBody(const std::string& p_sKeyText, const std::vector<uint8_t>& p_vAttachment);
std::vector<uint8_t> Bytes(const std::string& p_sText);

// Every step as one line: "folder", "delete PATH", "box CAPTION|TEXT", "lock", "write PATH n",
// "announce", "unlock".
class CRecordingInstaller : public IResourceInstaller
{
  public:
    bool ProductFolder(std::string& p_sFolder) override;
    bool DeleteOnce(const std::string& p_sPath, uint32_t& p_dwError) override;
    void ShowDeleteFailure(const std::string& p_sText, const std::string& p_sCaption) override;
    bool Lock() override;
    void Unlock() override;
    bool WriteModule(const std::string& p_sPath, const std::vector<uint8_t>& p_vBytes) override;
    void Announce() override;

    std::vector<std::string> m_vSteps;
    std::vector<uint8_t> m_vWritten;
    bool m_bHasFolder = true;
    int m_iDeleteFailures = 0; // attempts that fail before one succeeds
    bool m_bWriteFails = false;
};

struct CSettings
{
    CSettings();
    std::unique_ptr<Registry> m_p_oStore;
    CRegistry m_oRegistry;
    std::string m_sKeyText;
};
} // namespace newmailtest
