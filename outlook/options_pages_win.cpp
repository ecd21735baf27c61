// outlook/options_pages_win.cpp: the Delivery and Sending pages shared by the plug-in's and Runbay's
// Options dialogs.
#include "outlook/options_pages_win.h"

#include "common/failure_log.h"
#include "common/settings.h"
#include "common/text_win.h"

#include <commctrl.h>

namespace
{
void Check(HWND p_hPage, int p_iId, bool p_bOn)
{
    CheckDlgButton(p_hPage, p_iId, p_bOn ? BST_CHECKED : BST_UNCHECKED);
}
} // namespace

bool PageChecked(HWND p_hPage, int p_iId)
{
    return IsDlgButtonChecked(p_hPage, p_iId) == BST_CHECKED;
}

void EnableDeliveryDetails(HWND p_hPage, const CDeliveryPageIds& p_oIds)
{
    const bool notify = !PageChecked(p_hPage, p_oIds.m_iNone);
    for (const int id : {p_oIds.m_iReachesPhone, p_oIds.m_iReachesNetwork, p_oIds.m_iByEmail, p_oIds.m_iBySMS})
        EnableWindow(GetDlgItem(p_hPage, id), notify);
}

void LoadDeliveryPage(HWND p_hPage, const CDeliveryPageIds& p_oIds, uint32_t p_dwNotify)
{
    const int choice = (p_dwNotify & kNotifyAll)      ? p_oIds.m_iAll
                       : (p_dwNotify & kNotifyFailed) ? p_oIds.m_iFailed
                                                      : p_oIds.m_iNone;
    CheckRadioButton(p_hPage, p_oIds.m_iNone, p_oIds.m_iFailed, choice);
    Check(p_hPage, p_oIds.m_iReachesPhone, p_dwNotify & kNotifyPhone);
    Check(p_hPage, p_oIds.m_iReachesNetwork, p_dwNotify & kNotifyNetwork);
    Check(p_hPage, p_oIds.m_iByEmail, p_dwNotify & kNotifyByEmail);
    Check(p_hPage, p_oIds.m_iBySMS, p_dwNotify & kNotifyBySMS);
    EnableDeliveryDetails(p_hPage, p_oIds);
}

bool ReadDeliveryPage(HWND p_hPage, const CDeliveryPageIds& p_oIds, uint32_t& p_dwNotify)
{
    const bool all = PageChecked(p_hPage, p_oIds.m_iAll);
    const bool phone = PageChecked(p_hPage, p_oIds.m_iReachesPhone);
    const bool network = PageChecked(p_hPage, p_oIds.m_iReachesNetwork);
    if (all && !phone && !network)
        return false;
    uint32_t notify = kNotifyAlwaysSet;
    if (!PageChecked(p_hPage, p_oIds.m_iNone))
    {
        notify |= (all ? kNotifyAll : 0) | (PageChecked(p_hPage, p_oIds.m_iFailed) ? kNotifyFailed : 0);
        notify |= (phone ? kNotifyPhone : 0) | (network ? kNotifyNetwork : 0);
        notify |= (PageChecked(p_hPage, p_oIds.m_iByEmail) ? kNotifyByEmail : 0) |
                  (PageChecked(p_hPage, p_oIds.m_iBySMS) ? kNotifyBySMS : 0);
    }
    p_dwNotify = notify;
    return true;
}

void LoadSendingPage(HWND p_hPage, const CSendingPageIds& p_oIds, uint32_t p_dwSend, const std::string& p_sSignature)
{
    Check(p_hPage, p_oIds.m_iCopyToEmail, p_dwSend & kSendCopyToEmail);
    CheckRadioButton(p_hPage, p_oIds.m_iSignature, p_oIds.m_iNoSignature,
                     (p_dwSend & kSendSignature) ? p_oIds.m_iSignature : p_oIds.m_iNoSignature);
    SetDlgItemTextA(p_hPage, p_oIds.m_iSignatureText, p_sSignature.c_str());
    Check(p_hPage, p_oIds.m_iCCNotification, p_dwSend & kSendCCMobile);
    Check(p_hPage, p_oIds.m_iRepliesToMobile, p_dwSend & kSendRepliesToMobile);
}

void ReadSendingPage(HWND p_hPage, const CSendingPageIds& p_oIds, uint32_t& p_dwSend, std::string& p_sSignature)
{
    uint32_t send = kSendRepliesToEmail;
    send |= PageChecked(p_hPage, p_oIds.m_iCopyToEmail) ? kSendCopyToEmail : 0;
    send |= PageChecked(p_hPage, p_oIds.m_iSignature) ? kSendSignature : kSendNoSignature;
    send |= PageChecked(p_hPage, p_oIds.m_iCCNotification) ? kSendCCMobile : 0;
    send |= PageChecked(p_hPage, p_oIds.m_iRepliesToMobile) ? kSendRepliesToMobile : 0;
    p_dwSend = send;
    p_sSignature = DialogItemText(p_hPage, p_oIds.m_iSignatureText);
}

void AddTabPages(HWND p_hTabs, const std::string* p_pNames, int p_iCount)
{
    for (int i = 0; i < p_iCount; ++i)
    {
        std::string name = p_pNames[i];
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = name.data();
        SendMessageA(p_hTabs, TCM_INSERTITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
}

HWND ShowTabPage(HWND p_hDlg, HWND p_hTabs, HWND p_hOldPage, HINSTANCE p_hResources, UINT p_uTemplate,
                 DLGPROC p_pPageProc)
{
    if (p_hOldPage != nullptr)
        DestroyWindow(p_hOldPage);
    HWND page = CreateDialogParamA(p_hResources, MAKEINTRESOURCEA(p_uTemplate), p_hDlg, p_pPageProc, 0);
    if (page == nullptr)
    {
        LOG_FAILURE("page %u could not be created", p_uTemplate);
        return nullptr;
    }
    RECT area{};
    GetWindowRect(p_hTabs, &area);
    MapWindowPoints(nullptr, p_hDlg, reinterpret_cast<POINT*>(&area), 2);
    TabCtrl_AdjustRect(p_hTabs, FALSE, &area);
    SetWindowPos(page, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top, SWP_SHOWWINDOW);
    return page;
}
