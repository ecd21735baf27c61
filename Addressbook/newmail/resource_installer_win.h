// Addressbook/newmail/resource_installer_win.h: the Windows side of installing a resource module:
// the product folder in the documents folder, the old module's deletion, the write under
// "ResourceChangingMutex%d" and the announcement the mail-client integrations wait for.
#pragma once

#include "Addressbook/newmail/upgrade_notice.h"

#include <windows.h>

#include <functional>
#include <string>

// The product folder's name inside the user's documents folder.
extern const char* const kProductFolderName; // "Brevolt SMS"

class CResourceInstallerWin : public IResourceInstaller
{
  public:
    // p_hMutex is the process's "ResourceChangingMutex%d"; p_fnAnnounce tells the integrations
    // (pulses "ResourceChangeEvent%d" in Outlook, posts WM_RELOADBAR in Outlook Express). The
    // message box about a module that will not go is owned by p_hOwner.
    CResourceInstallerWin(HANDLE p_hMutex, std::function<void()> p_fnAnnounce, HWND p_hOwner = nullptr);

    // For tests: a documents folder other than the shell's.
    void SetDocumentsFolder(std::string p_sFolder)
    {
        m_sDocumentsFolder = std::move(p_sFolder);
    }

    bool ProductFolder(std::string& p_sFolder) override;
    bool DeleteOnce(const std::string& p_sPath, uint32_t& p_dwError) override;
    void ShowDeleteFailure(const std::string& p_sText, const std::string& p_sCaption) override;
    bool Lock() override;
    void Unlock() override;
    bool WriteModule(const std::string& p_sPath, const std::vector<uint8_t>& p_vBytes) override;
    void Announce() override;

  private:
    HANDLE m_hMutex;
    std::function<void()> m_fnAnnounce;
    HWND m_hOwner;
    std::string m_sDocumentsFolder;
    bool m_bLocked = false;
};
