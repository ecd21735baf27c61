// Addressbook/messaging/ui/local_user_dialog.h: the "Your Details" dialog in which the user enters the
// name, e-mail address, country and mobile number they send SMS as.
#pragma once

#include "common/settings.h"

#include <windows.h>

#include <string>

// What the dialog holds; also what it reads from and writes to the settings.
struct CLocalUserDetails
{
    std::string m_sName;
    std::string m_sEmail;
    std::string m_sCountryCode;
    std::string m_sPhone;
};

class CLocalUserDialog
{
  public:
    enum class EMode
    {
        Create,
        Edit
    };

    CLocalUserDialog(CRegistry& p_oRegistry, EMode p_eMode) : m_oRegistry(p_oRegistry), m_eMode(p_eMode)
    {
    }

    // Shows the dialog modally; true when the details were stored.
    [[nodiscard]] bool Run(HWND p_hOwner);

  private:
    friend struct CModalDialog;
    INT_PTR HandleMessage(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam);
    void OnInitDialog(HWND p_hDialog);
    void OnDone(HWND p_hDialog);
    // The checks in the order the user meets them; false (with the reason shown) stops at the first.
    [[nodiscard]] bool Validate(HWND p_hDialog, const CLocalUserDetails& p_oDetails);
    [[nodiscard]] bool Store(HWND p_hDialog, const CLocalUserDetails& p_oDetails);

    CRegistry& m_oRegistry;
    EMode m_eMode;
};

// The user's details as stored; absent values read as empty.
CLocalUserDetails ReadLocalUserDetails(CRegistry& p_oRegistry);
