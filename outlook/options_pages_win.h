// outlook/options_pages_win.h: the Delivery and Sending pages that the plug-in's Options dialog and
// Runbay's share: loading the defaults into the controls, reading them back with the delivery rule,
// and swapping one page at a time under a tab control. Each dialog numbers its controls itself.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

struct CDeliveryPageIds
{
    int m_iNone;
    int m_iAll;
    int m_iFailed;
    int m_iReachesPhone;
    int m_iReachesNetwork;
    int m_iByEmail;
    int m_iBySMS;
};

struct CSendingPageIds
{
    int m_iCopyToEmail;
    int m_iSignature;
    int m_iNoSignature;
    int m_iSignatureText;
    int m_iCCNotification;
    int m_iRepliesToMobile;
};

bool PageChecked(HWND p_hPage, int p_iId);
// The receipt details are only open while some notification is chosen.
void EnableDeliveryDetails(HWND p_hPage, const CDeliveryPageIds& p_oIds);
void LoadDeliveryPage(HWND p_hPage, const CDeliveryPageIds& p_oIds, uint32_t p_dwNotify);
// The "NotifyDefaults" bits the page shows; false (nothing read) when every notice is asked for but
// neither the network nor the phone is chosen, which the caller tells the user.
[[nodiscard]] bool ReadDeliveryPage(HWND p_hPage, const CDeliveryPageIds& p_oIds, uint32_t& p_dwNotify);
void LoadSendingPage(HWND p_hPage, const CSendingPageIds& p_oIds, uint32_t p_dwSend, const std::string& p_sSignature);
void ReadSendingPage(HWND p_hPage, const CSendingPageIds& p_oIds, uint32_t& p_dwSend, std::string& p_sSignature);

// Puts the page names on the tab control.
void AddTabPages(HWND p_hTabs, const std::string* p_pNames, int p_iCount);
// Destroys p_hOldPage and makes page p_uTemplate (from p_hResources, with p_pPageProc) in the tab
// control's display area; null when it cannot be made.
HWND ShowTabPage(HWND p_hDlg, HWND p_hTabs, HWND p_hOldPage, HINSTANCE p_hResources, UINT p_uTemplate,
                 DLGPROC p_pPageProc);
