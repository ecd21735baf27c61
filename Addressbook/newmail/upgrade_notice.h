// Addressbook/newmail/upgrade_notice.h: applying a gateway's upgrade notice, which replaces the
// resource module (toolbar texts, bitmaps and strings of the mail-client integrations). The notice
// is authenticated by its signed UPGRADE document and the SHA-1 of its attachment; the platform's
// part (folders, files, the lock and the announcement) comes through IResourceInstaller.
#pragma once

#include "common/error_slot.h"
#include "common/settings.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The settings value naming the resource module in use (HKCU Software\Brevolt).
extern const char* const kResourceValue; // "Resource"
// The module's file name inside the product folder.
extern const char* const kResourceFileName; // "resource.dll"
// Deleting the old module is tried this many times in all.
constexpr int kResourceDeleteTries = 5;

class IResourceInstaller
{
  public:
    virtual ~IResourceInstaller() = default;

    // The product folder in the user's documents folder, created when missing; false when it
    // cannot be found or made.
    [[nodiscard]] virtual bool ProductFolder(std::string& p_sFolder) = 0;
    // One attempt at deleting a file, its attributes set to normal first. A missing file counts as
    // deleted. On failure p_dwError is the system's error code.
    [[nodiscard]] virtual bool DeleteOnce(const std::string& p_sPath, uint32_t& p_dwError) = 0;
    // Tells the user the old module could not be deleted (the one message of the whole road).
    virtual void ShowDeleteFailure(const std::string& p_sText, const std::string& p_sCaption) = 0;
    // Waits, without a time limit, for the lock other processes take to read the module.
    [[nodiscard]] virtual bool Lock() = 0;
    virtual void Unlock() = 0;
    [[nodiscard]] virtual bool WriteModule(const std::string& p_sPath, const std::vector<uint8_t>& p_vBytes) = 0;
    // Tells the integrations to reload the module.
    virtual void Announce() = 0;
};

class CServerCommunication
{
  public:
    explicit CServerCommunication(CRegistry& p_oRegistry);

    // Verifies the notice's UPGRADE document with the account key; its attachment digest when the
    // notice is valid.
    [[nodiscard]] bool ProcessProtocolUpgrade(std::string_view p_sBody, std::vector<uint8_t>& p_vDigest);
    // The SHA-1 of the attachment equals the 20-byte digest.
    [[nodiscard]] bool CheckAttachmentDigest(const std::vector<uint8_t>& p_vAttachment,
                                             const std::vector<uint8_t>& p_vDigest);

    // The whole notice: verified, its first attachment (read through p_fnFirstAttachment, false when
    // there is none) checked, the old module deleted, the new one written under the lock, the
    // setting changed and the change announced. False when the notice was dropped: nothing then
    // changed but, at worst, the old module's file being gone.
    [[nodiscard]] bool ApplyUpgradeNotice(std::string_view p_sBody,
                                          const std::function<bool(std::vector<uint8_t>&)>& p_fnFirstAttachment,
                                          IResourceInstaller& p_oInstaller);

    // Why the last call failed; for the trace.
    const CErrorSlot& Error() const
    {
        return m_oError;
    }

  private:
    [[nodiscard]] bool DeleteOldModule(IResourceInstaller& p_oInstaller);
    [[nodiscard]] bool Drop(const char* p_szWhy);

    CRegistry& m_oRegistry;
    CErrorSlot m_oError;
};
