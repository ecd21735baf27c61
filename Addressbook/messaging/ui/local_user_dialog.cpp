// Addressbook/messaging/ui/local_user_dialog.cpp: CLocalUserDialog.
#include "Addressbook/messaging/ui/local_user_dialog.h"

#include "Addressbook/frame/frame_messages.h"
#include "Addressbook/frame/library.h"
#include "Addressbook/messaging/phone_rules.h"
#include "Addressbook/res/resource.h"
#include "Addressbook/ui/country_box.h"
#include "Addressbook/ui/dialog_text.h"
#include "Addressbook/ui/message_box.h"
#include "Addressbook/ui/modal_dialog.h"
#include "common/boundary.h"
#include "common/error_slot.h"
#include "common/failure_log.h"
#include "common/trace_log.h"

namespace
{
constexpr const char* kNameValue = "Name";
constexpr const char* kEmailValue = "Email";
constexpr const char* kCountryCodeValue = "CountryCode";
constexpr const char* kPhoneValue = "Phone";

// Longer texts than these are no one's name, address or number.
constexpr WPARAM kMaxNameChars = 100;
constexpr WPARAM kMaxEmailChars = 255;
constexpr WPARAM kMaxMobileChars = 30;
} // namespace

CLocalUserDetails ReadLocalUserDetails(CRegistry& p_oRegistry)
{
    CLocalUserDetails details;
    details.m_sName = p_oRegistry.ReadUserText(kNameValue);
    details.m_sEmail = p_oRegistry.ReadUserText(kEmailValue);
    details.m_sCountryCode = p_oRegistry.ReadUserText(kCountryCodeValue);
    details.m_sPhone = p_oRegistry.ReadUserText(kPhoneValue);
    return details;
}

bool CLocalUserDialog::Run(HWND p_hOwner)
{
    return CModalDialog::Run(*this, IDD_LOCAL_USER, p_hOwner, "CLocalUserDialog");
}

INT_PTR CLocalUserDialog::HandleMessage(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam)
{
    switch (p_uMessage)
    {
    case WM_INITDIALOG:
        OnInitDialog(p_hDialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(p_wParam))
        {
        case IDOK:
            OnDone(p_hDialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(p_hDialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void CLocalUserDialog::OnInitDialog(HWND p_hDialog)
{
    const unsigned titleId = m_eMode == EMode::Create ? kMsgCreateUserTitle : kMsgEditUserTitle;
    SetWindowTextA(p_hDialog, TableText(titleId, kProductTitle).c_str());
    if (const HFONT bold = Library().BoldFont(); bold != nullptr)
        SendDlgItemMessageA(p_hDialog, IDC_LOCAL_USER_HEADER, WM_SETFONT, reinterpret_cast<WPARAM>(bold), TRUE);

    SendDlgItemMessageA(p_hDialog, IDC_LOCAL_USER_NAME, EM_LIMITTEXT, kMaxNameChars, 0);
    SendDlgItemMessageA(p_hDialog, IDC_LOCAL_USER_EMAIL, EM_LIMITTEXT, kMaxEmailChars, 0);
    SendDlgItemMessageA(p_hDialog, IDC_LOCAL_USER_MOBILE, EM_LIMITTEXT, kMaxMobileChars, 0);

    const CLocalUserDetails stored = ReadLocalUserDetails(m_oRegistry);
    SetDlgItemTextA(p_hDialog, IDC_LOCAL_USER_NAME, stored.m_sName.c_str());
    SetDlgItemTextA(p_hDialog, IDC_LOCAL_USER_EMAIL, stored.m_sEmail.c_str());
    SetDlgItemTextA(p_hDialog, IDC_LOCAL_USER_MOBILE, stored.m_sPhone.c_str());

    const HWND combo = GetDlgItem(p_hDialog, IDC_LOCAL_USER_COUNTRY);
    if (!FillCountryBox(combo, true))
        LOG_FAILURE("the country box could not be filled");
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    const std::string code = stored.m_sCountryCode.empty() ? DefaultCountryCode() : stored.m_sCountryCode;
    if (!code.empty() && !SelectCountryCode(combo, code))
        Log("CLocalUserDialog::OnInitDialog: no country with the code '%s'", code.c_str());
}

bool CLocalUserDialog::Validate(HWND p_hDialog, const CLocalUserDetails& p_oDetails)
{
    const HWND combo = GetDlgItem(p_hDialog, IDC_LOCAL_USER_COUNTRY);
    const bool countryPicked = SendMessageA(combo, CB_GETCURSEL, 0, 0) != CB_ERR;
    if (p_oDetails.m_sName.empty() || p_oDetails.m_sEmail.empty() || !countryPicked || p_oDetails.m_sPhone.empty())
    {
        ShowWarning(p_hDialog, kMsgMissingDetails, kMsgMissingDetailsText);
        return false;
    }
    // Without a country the stored mobile could not be put in international form, so the
    // dialog stays open until one is chosen.
    if (!CheckCountryChosen(p_hDialog, combo))
        return false;
    if (!IsLocalFormat(p_oDetails.m_sPhone.c_str()))
    {
        ShowWarning(p_hDialog, kMsgInvalidMobile, kMsgInvalidMobileText);
        return false;
    }
    if (!CheckMobileLength(p_hDialog, p_oDetails.m_sPhone))
        return false;
    if (!IsEmailAddress(p_oDetails.m_sEmail.c_str()))
    {
        ShowWarning(p_hDialog, kMsgInvalidEmail, kMsgInvalidEmailText);
        return false;
    }
    return true;
}

bool CLocalUserDialog::Store(HWND p_hDialog, const CLocalUserDetails& p_oDetails)
{
    const std::pair<const char*, const std::string*> values[] = {
        {kNameValue, &p_oDetails.m_sName},
        {kEmailValue, &p_oDetails.m_sEmail},
        {kCountryCodeValue, &p_oDetails.m_sCountryCode},
        {kPhoneValue, &p_oDetails.m_sPhone},
    };
    bool stored = true;
    for (const auto& [name, text] : values)
    {
        if (m_oRegistry.WriteUserText(name, *text))
            continue;
        const std::string call = std::string("WriteUserText(") + name + ")";
        LogCallFailure(__PRETTY_FUNCTION__, call.c_str(), EResultKind::Win32Error, GetLastError());
        ShowWarning(p_hDialog, kMsgRegistryError, kMsgRegistryErrorText);
        stored = false;
    }
    return stored;
}

void CLocalUserDialog::OnDone(HWND p_hDialog)
{
    CLocalUserDetails details;
    details.m_sName = TrimmedControlText(p_hDialog, IDC_LOCAL_USER_NAME);
    details.m_sEmail = TrimmedControlText(p_hDialog, IDC_LOCAL_USER_EMAIL);
    details.m_sPhone = TrimmedControlText(p_hDialog, IDC_LOCAL_USER_MOBILE);
    details.m_sCountryCode = SelectedCountryCode(GetDlgItem(p_hDialog, IDC_LOCAL_USER_COUNTRY));
    if (!Validate(p_hDialog, details))
        return;
    // A write that failed leaves the dialog open: closing would tell the caller the details
    // are stored when they are not.
    if (!Store(p_hDialog, details))
        return;
    Log("CLocalUserDialog: details stored for '%s'", details.m_sName.c_str());
    EndDialog(p_hDialog, IDOK);
}
