// oelaunch/about_options_win.cpp: the About box (version line, the vendor's site as a link) and the
// Options dialog: one page at a time under the tab control, validated before it goes or OK stores.
#include "oelaunch/about_options_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/message_box_win.h"
#include "common/settings.h"
#include "common/text_win.h"
#include "oelaunch/res/runbay_resource.h"
#include "oelaunch/runbay_strings.h"
#include "outlook/plugin_rules.h"

#include <commctrl.h>
#include <shellapi.h>

namespace
{
std::string InstallValue(const char* p_szName, const char* p_szDefault)
{
    CRegistry registry;
    std::string value;
    return registry.ReadInstallText(p_szName, value) && !value.empty() ? value : std::string(p_szDefault);
}

struct CAboutState
{
    unique_hfont m_hLinkFont;
};

INT_PTR CALLBACK AboutProc(HWND p_hDlg, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("AboutProc", INT_PTR{FALSE}, [&]() -> INT_PTR {
        if (p_uMsg == WM_INITDIALOG)
        {
            auto& state = *reinterpret_cast<CAboutState*>(p_lParam);
            const std::string version = "Version " + AboutVersionLine(InstallValue("Version", "0.9"));
            SetDlgItemTextA(p_hDlg, IDC_RUNBAY_ABOUT_VERSION, version.c_str());
            SetDlgItemTextA(p_hDlg, IDC_RUNBAY_ABOUT_LINK,
                            InstallValue("WebPage", "http://www.brevolt.example/").c_str());
            LOGFONTA font{};
            GetObjectA(reinterpret_cast<HFONT>(SendMessageA(p_hDlg, WM_GETFONT, 0, 0)), sizeof font, &font);
            font.lfUnderline = TRUE;
            state.m_hLinkFont.reset(CreateFontIndirectA(&font));
            SendDlgItemMessageA(p_hDlg, IDC_RUNBAY_ABOUT_LINK, WM_SETFONT,
                                reinterpret_cast<WPARAM>(state.m_hLinkFont.get()), FALSE);
            return TRUE;
        }
        if (p_uMsg == WM_CTLCOLORSTATIC &&
            reinterpret_cast<HWND>(p_lParam) == GetDlgItem(p_hDlg, IDC_RUNBAY_ABOUT_LINK))
        {
            SetTextColor(reinterpret_cast<HDC>(p_wParam), RGB(0, 0, 255));
            SetBkMode(reinterpret_cast<HDC>(p_wParam), TRANSPARENT);
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
        }
        if (p_uMsg == WM_SETCURSOR && reinterpret_cast<HWND>(p_wParam) == GetDlgItem(p_hDlg, IDC_RUNBAY_ABOUT_LINK))
        {
            SetCursor(LoadCursor(nullptr, IDC_HAND));
            SetWindowLongPtrA(p_hDlg, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        if (p_uMsg != WM_COMMAND)
            return FALSE;
        if (LOWORD(p_wParam) == IDC_RUNBAY_ABOUT_LINK && HIWORD(p_wParam) == STN_CLICKED)
        {
            const std::string site = InstallValue("WebPage", "http://www.brevolt.example/");
            if (reinterpret_cast<INT_PTR>(
                    ShellExecuteA(p_hDlg, "open", site.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) <= 32)
                ShowMessageBox(p_hDlg, RunbayText(runbay_string::kBrowserFailedText),
                               RunbayText(runbay_string::kBrowserFailed), MB_OK | MB_ICONEXCLAMATION);
        }
        else if (LOWORD(p_wParam) == IDOK || LOWORD(p_wParam) == IDCANCEL)
            EndDialog(p_hDlg, IDOK);
        return TRUE;
    });
}

struct COptionsState
{
    HINSTANCE m_hResources = nullptr;
    uint32_t m_dwNotify = 0;
    uint32_t m_dwSend = 0;
    std::string m_sSignature;
    HWND m_hPage = nullptr;
    int m_iPage = 0;
};

constexpr int kPageTemplates[] = {IDD_RUNBAY_DELIVERY, IDD_RUNBAY_SENDING};

bool Checked(HWND p_hPage, int p_iId)
{
    return IsDlgButtonChecked(p_hPage, p_iId) == BST_CHECKED;
}

void Check(HWND p_hPage, int p_iId, bool p_bOn)
{
    CheckDlgButton(p_hPage, p_iId, p_bOn ? BST_CHECKED : BST_UNCHECKED);
}

void EnableDeliveryDetails(HWND p_hPage)
{
    const bool notify = !Checked(p_hPage, IDC_RUNBAY_NOTIFY_NONE);
    for (const int id :
         {IDC_RUNBAY_REACHES_PHONE, IDC_RUNBAY_REACHES_NETWORK, IDC_RUNBAY_NOTIFY_EMAIL, IDC_RUNBAY_NOTIFY_SMS})
        EnableWindow(GetDlgItem(p_hPage, id), notify);
}

void LoadPage(const COptionsState& p_oState, HWND p_hPage, int p_iPage)
{
    if (p_iPage == 0)
    {
        const uint32_t notify = p_oState.m_dwNotify;
        CheckRadioButton(p_hPage, IDC_RUNBAY_NOTIFY_NONE, IDC_RUNBAY_NOTIFY_FAILED,
                         (notify & kNotifyAll)      ? IDC_RUNBAY_NOTIFY_ALL
                         : (notify & kNotifyFailed) ? IDC_RUNBAY_NOTIFY_FAILED
                                                    : IDC_RUNBAY_NOTIFY_NONE);
        Check(p_hPage, IDC_RUNBAY_REACHES_PHONE, notify & kNotifyPhone);
        Check(p_hPage, IDC_RUNBAY_REACHES_NETWORK, notify & kNotifyNetwork);
        Check(p_hPage, IDC_RUNBAY_NOTIFY_EMAIL, notify & kNotifyByEmail);
        Check(p_hPage, IDC_RUNBAY_NOTIFY_SMS, notify & kNotifyBySMS);
        EnableDeliveryDetails(p_hPage);
        return;
    }
    const uint32_t send = p_oState.m_dwSend;
    Check(p_hPage, IDC_RUNBAY_COPY_TO_EMAIL, send & kSendCopyToEmail);
    CheckRadioButton(p_hPage, IDC_RUNBAY_SIGNATURE, IDC_RUNBAY_NO_SIGNATURE,
                     (send & kSendSignature) ? IDC_RUNBAY_SIGNATURE : IDC_RUNBAY_NO_SIGNATURE);
    SetDlgItemTextA(p_hPage, IDC_RUNBAY_SIGNATURE_TEXT, p_oState.m_sSignature.c_str());
    Check(p_hPage, IDC_RUNBAY_CC_NOTIFICATION, send & kSendCCMobile);
    Check(p_hPage, IDC_RUNBAY_REPLIES_TO_MOBILE, send & kSendRepliesToMobile);
}

// Copies the page into the state; false (the page stays) when it refuses.
bool SavePage(COptionsState& p_oState, HWND p_hPage, int p_iPage)
{
    if (p_iPage == 1)
    {
        uint32_t send = kSendRepliesToEmail;
        send |= Checked(p_hPage, IDC_RUNBAY_COPY_TO_EMAIL) ? kSendCopyToEmail : 0;
        send |= Checked(p_hPage, IDC_RUNBAY_SIGNATURE) ? kSendSignature : kSendNoSignature;
        send |= Checked(p_hPage, IDC_RUNBAY_CC_NOTIFICATION) ? kSendCCMobile : 0;
        send |= Checked(p_hPage, IDC_RUNBAY_REPLIES_TO_MOBILE) ? kSendRepliesToMobile : 0;
        p_oState.m_dwSend = send;
        p_oState.m_sSignature = DialogItemText(p_hPage, IDC_RUNBAY_SIGNATURE_TEXT);
        return true;
    }
    const bool all = Checked(p_hPage, IDC_RUNBAY_NOTIFY_ALL);
    const bool phone = Checked(p_hPage, IDC_RUNBAY_REACHES_PHONE);
    const bool network = Checked(p_hPage, IDC_RUNBAY_REACHES_NETWORK);
    if (all && !phone && !network)
    {
        ShowMessageBox(GetParent(p_hPage), RunbayText(runbay_string::kNotifyWhenText),
                       RunbayText(runbay_string::kNotifyWhenCaption), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    uint32_t notify = kNotifyAlwaysSet;
    if (!Checked(p_hPage, IDC_RUNBAY_NOTIFY_NONE))
    {
        notify |= (all ? kNotifyAll : 0) | (Checked(p_hPage, IDC_RUNBAY_NOTIFY_FAILED) ? kNotifyFailed : 0);
        notify |= (phone ? kNotifyPhone : 0) | (network ? kNotifyNetwork : 0);
        notify |= (Checked(p_hPage, IDC_RUNBAY_NOTIFY_EMAIL) ? kNotifyByEmail : 0) |
                  (Checked(p_hPage, IDC_RUNBAY_NOTIFY_SMS) ? kNotifyBySMS : 0);
    }
    p_oState.m_dwNotify = notify;
    return true;
}

INT_PTR CALLBACK PageProc(HWND p_hPage, UINT p_uMsg, WPARAM p_wParam, LPARAM)
{
    return TrapExceptions("PageProc", INT_PTR{FALSE}, [&]() -> INT_PTR {
        if (p_uMsg == WM_INITDIALOG)
            return TRUE;
        if (p_uMsg == WM_COMMAND && HIWORD(p_wParam) == BN_CLICKED && LOWORD(p_wParam) >= IDC_RUNBAY_NOTIFY_NONE &&
            LOWORD(p_wParam) <= IDC_RUNBAY_NOTIFY_FAILED)
            EnableDeliveryDetails(p_hPage);
        return FALSE;
    });
}

void ShowPage(HWND p_hDlg, COptionsState& p_oState, int p_iPage)
{
    if (p_oState.m_hPage != nullptr)
        DestroyWindow(p_oState.m_hPage);
    const HWND tabs = GetDlgItem(p_hDlg, IDC_RUNBAY_TABS);
    p_oState.m_iPage = p_iPage;
    p_oState.m_hPage =
        CreateDialogParamA(p_oState.m_hResources, MAKEINTRESOURCEA(kPageTemplates[p_iPage]), p_hDlg, PageProc, 0);
    if (p_oState.m_hPage == nullptr)
    {
        LOG_FAILURE("page %d could not be created", p_iPage);
        return;
    }
    RECT area{};
    GetWindowRect(tabs, &area);
    MapWindowPoints(nullptr, p_hDlg, reinterpret_cast<POINT*>(&area), 2);
    TabCtrl_AdjustRect(tabs, FALSE, &area);
    SetWindowPos(p_oState.m_hPage, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_SHOWWINDOW);
    LoadPage(p_oState, p_oState.m_hPage, p_iPage);
}

void InitOptions(HWND p_hDlg, COptionsState& p_oState)
{
    const HWND tabs = GetDlgItem(p_hDlg, IDC_RUNBAY_TABS);
    const unsigned names[] = {runbay_string::kTabDelivery, runbay_string::kTabSending};
    for (int i = 0; i < 2; ++i)
    {
        std::string name = RunbayText(names[i]);
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = name.data();
        SendMessageA(tabs, TCM_INSERTITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    ShowPage(p_hDlg, p_oState, 0);
}

INT_PTR OptionsMessage(HWND p_hDlg, COptionsState* p_pState, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_uMsg == WM_NOTIFY && p_pState != nullptr)
    {
        const auto* header = reinterpret_cast<const NMHDR*>(p_lParam);
        if (header->idFrom != IDC_RUNBAY_TABS)
            return FALSE;
        if (header->code == TCN_SELCHANGING)
            SetWindowLongPtrA(p_hDlg, DWLP_MSGRESULT,
                              SavePage(*p_pState, p_pState->m_hPage, p_pState->m_iPage) ? FALSE : TRUE);
        else if (header->code == TCN_SELCHANGE)
            ShowPage(p_hDlg, *p_pState, TabCtrl_GetCurSel(header->hwndFrom));
        return TRUE;
    }
    if (p_uMsg != WM_COMMAND)
        return FALSE;
    if (LOWORD(p_wParam) == IDOK && p_pState != nullptr)
    {
        if (!SavePage(*p_pState, p_pState->m_hPage, p_pState->m_iPage))
            return TRUE;
        CRegistry registry;
        (void)LOG_IF_WIN32_BOOL_FALSE(registry.SetNotifyDefaults(p_pState->m_dwNotify));
        (void)LOG_IF_WIN32_BOOL_FALSE(registry.SetSendDefaults(p_pState->m_dwSend, p_pState->m_sSignature));
        EndDialog(p_hDlg, IDOK);
        return TRUE;
    }
    if (LOWORD(p_wParam) == IDCANCEL)
        EndDialog(p_hDlg, IDCANCEL);
    return TRUE;
}

INT_PTR CALLBACK OptionsProc(HWND p_hDlg, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("OptionsProc", INT_PTR{FALSE}, [&]() -> INT_PTR {
        if (p_uMsg == WM_INITDIALOG)
        {
            SetWindowLongPtrA(p_hDlg, DWLP_USER, p_lParam);
            InitOptions(p_hDlg, *reinterpret_cast<COptionsState*>(p_lParam));
            return TRUE;
        }
        auto* state = reinterpret_cast<COptionsState*>(GetWindowLongPtrA(p_hDlg, DWLP_USER));
        return OptionsMessage(p_hDlg, state, p_uMsg, p_wParam, p_lParam);
    });
}
} // namespace

void ShowRunbayAbout(HINSTANCE p_hResources, HWND p_hOwner)
{
    CAboutState state;
    if (DialogBoxParamA(p_hResources, MAKEINTRESOURCEA(IDD_RUNBAY_ABOUT), p_hOwner, AboutProc,
                        reinterpret_cast<LPARAM>(&state)) == -1)
        LOG_FAILURE("the About box could not be shown: error %lu", GetLastError());
}

bool ShowRunbayOptions(HINSTANCE p_hResources, HWND p_hOwner)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    COptionsState state;
    state.m_hResources = p_hResources;
    CRegistry registry;
    registry.GetNotifyDefaults(state.m_dwNotify);
    registry.GetSendDefaults(state.m_dwSend, state.m_sSignature);
    const INT_PTR result = DialogBoxParamA(p_hResources, MAKEINTRESOURCEA(IDD_RUNBAY_OPTIONS), p_hOwner, OptionsProc,
                                           reinterpret_cast<LPARAM>(&state));
    if (result == -1)
        LOG_FAILURE("the Options dialog could not be shown: error %lu", GetLastError());
    return result == IDOK;
}
