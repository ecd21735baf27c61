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
#include "outlook/options_pages_win.h"
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

constexpr CDeliveryPageIds kDeliveryIds = {
    IDC_RUNBAY_NOTIFY_NONE,     IDC_RUNBAY_NOTIFY_ALL,   IDC_RUNBAY_NOTIFY_FAILED, IDC_RUNBAY_REACHES_PHONE,
    IDC_RUNBAY_REACHES_NETWORK, IDC_RUNBAY_NOTIFY_EMAIL, IDC_RUNBAY_NOTIFY_SMS};
constexpr CSendingPageIds kSendingIds = {IDC_RUNBAY_COPY_TO_EMAIL,   IDC_RUNBAY_SIGNATURE,
                                         IDC_RUNBAY_NO_SIGNATURE,    IDC_RUNBAY_SIGNATURE_TEXT,
                                         IDC_RUNBAY_CC_NOTIFICATION, IDC_RUNBAY_REPLIES_TO_MOBILE};

// Copies the page into the state; false (the page stays) when it refuses.
bool SavePage(COptionsState& p_oState, HWND p_hPage, int p_iPage)
{
    if (p_iPage == 1)
    {
        ReadSendingPage(p_hPage, kSendingIds, p_oState.m_dwSend, p_oState.m_sSignature);
        return true;
    }
    if (ReadDeliveryPage(p_hPage, kDeliveryIds, p_oState.m_dwNotify))
        return true;
    ShowMessageBox(GetParent(p_hPage), RunbayText(runbay_string::kNotifyWhenText),
                   RunbayText(runbay_string::kNotifyWhenCaption), MB_OK | MB_ICONEXCLAMATION);
    return false;
}

INT_PTR CALLBACK PageProc(HWND p_hPage, UINT p_uMsg, WPARAM p_wParam, LPARAM)
{
    return TrapExceptions("PageProc", INT_PTR{FALSE}, [&]() -> INT_PTR {
        if (p_uMsg == WM_INITDIALOG)
            return TRUE;
        if (p_uMsg == WM_COMMAND && HIWORD(p_wParam) == BN_CLICKED && LOWORD(p_wParam) >= IDC_RUNBAY_NOTIFY_NONE &&
            LOWORD(p_wParam) <= IDC_RUNBAY_NOTIFY_FAILED)
            EnableDeliveryDetails(p_hPage, kDeliveryIds);
        return FALSE;
    });
}

void ShowPage(HWND p_hDlg, COptionsState& p_oState, int p_iPage)
{
    p_oState.m_iPage = p_iPage;
    p_oState.m_hPage = ShowTabPage(p_hDlg, GetDlgItem(p_hDlg, IDC_RUNBAY_TABS), p_oState.m_hPage, p_oState.m_hResources,
                                   kPageTemplates[p_iPage], PageProc);
    if (p_oState.m_hPage == nullptr)
        return;
    if (p_iPage == 0)
        LoadDeliveryPage(p_oState.m_hPage, kDeliveryIds, p_oState.m_dwNotify);
    else
        LoadSendingPage(p_oState.m_hPage, kSendingIds, p_oState.m_dwSend, p_oState.m_sSignature);
}

void InitOptions(HWND p_hDlg, COptionsState& p_oState)
{
    const std::string names[] = {RunbayText(runbay_string::kTabDelivery), RunbayText(runbay_string::kTabSending)};
    AddTabPages(GetDlgItem(p_hDlg, IDC_RUNBAY_TABS), names, 2);
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
