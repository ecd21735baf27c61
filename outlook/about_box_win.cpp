// outlook/about_box_win.cpp: the About box: the version line from the Install value "Version" and
// a link to the vendor's site drawn as a hyperlink (underlined, red while hovered, hand cursor).
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/message_box_win.h"
#include "common/settings.h"
#include "outlook/gui_changer_win.h"
#include "outlook/options_dialog_win.h"
#include "outlook/plugin_rules.h"
#include "outlook/plugin_strings.h"
#include "outlook/res/plugin_resource.h"

#include <shellapi.h>

namespace
{
struct CAboutState
{
    unique_hfont m_hLinkFont;
    bool m_bHover = false;
};

std::string InstallValue(const char* p_szName, const char* p_szDefault)
{
    CRegistry registry;
    std::string value;
    return registry.ReadInstallText(p_szName, value) && !value.empty() ? value : std::string(p_szDefault);
}

void OpenVendorSite(HWND p_hDlg)
{
    const std::string site = InstallValue("WebPage", "http://www.brevolt.example/");
    if (reinterpret_cast<INT_PTR>(ShellExecuteA(p_hDlg, "open", site.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32)
        return;
    LOG_FAILURE("the browser did not open %s", site.c_str());
    ShowMessageBox(p_hDlg, PluginText(plugin_string::kBrowserFailedText), PluginText(plugin_string::kBrowserFailed),
                   MB_OK | MB_ICONEXCLAMATION);
}

bool OverLink(HWND p_hDlg)
{
    POINT cursor{};
    GetCursorPos(&cursor);
    RECT link{};
    GetWindowRect(GetDlgItem(p_hDlg, IDC_ABOUT_LINK), &link);
    return PtInRect(&link, cursor) != FALSE;
}

void InitAbout(HWND p_hDlg, CAboutState& p_oState)
{
    const std::string version = "Version " + AboutVersionLine(InstallValue("Version", "0.9"));
    SetDlgItemTextA(p_hDlg, IDC_ABOUT_VERSION, version.c_str());
    SetDlgItemTextA(p_hDlg, IDC_ABOUT_LINK, InstallValue("WebPage", "http://www.brevolt.example/").c_str());
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(p_hDlg, WM_GETFONT, 0, 0)), sizeof font, &font);
    font.lfUnderline = TRUE;
    p_oState.m_hLinkFont.reset(CreateFontIndirectA(&font));
    SendDlgItemMessageA(p_hDlg, IDC_ABOUT_LINK, WM_SETFONT, reinterpret_cast<WPARAM>(p_oState.m_hLinkFont.get()),
                        FALSE);
}

INT_PTR CALLBACK AboutProc(HWND p_hDlg, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("AboutProc", INT_PTR{FALSE}, [&]() -> INT_PTR {
        auto* state = reinterpret_cast<CAboutState*>(GetWindowLongPtrA(p_hDlg, DWLP_USER));
        switch (p_uMsg)
        {
        case WM_INITDIALOG:
            SetWindowLongPtrA(p_hDlg, DWLP_USER, p_lParam);
            InitAbout(p_hDlg, *reinterpret_cast<CAboutState*>(p_lParam));
            return TRUE;
        case WM_CTLCOLORSTATIC:
            if (state == nullptr || reinterpret_cast<HWND>(p_lParam) != GetDlgItem(p_hDlg, IDC_ABOUT_LINK))
                return FALSE;
            SetTextColor(reinterpret_cast<HDC>(p_wParam), state->m_bHover ? RGB(255, 0, 0) : RGB(0, 0, 255));
            SetBkMode(reinterpret_cast<HDC>(p_wParam), TRANSPARENT);
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
        case WM_SETCURSOR:
        case WM_MOUSEMOVE: {
            if (state == nullptr)
                return FALSE;
            const bool hover = OverLink(p_hDlg);
            if (hover != state->m_bHover)
            {
                state->m_bHover = hover;
                InvalidateRect(GetDlgItem(p_hDlg, IDC_ABOUT_LINK), nullptr, TRUE);
            }
            if (p_uMsg == WM_SETCURSOR && hover)
            {
                SetCursor(LoadCursor(nullptr, IDC_HAND));
                SetWindowLongPtrA(p_hDlg, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
            return FALSE;
        }
        case WM_COMMAND:
            if (LOWORD(p_wParam) == IDC_ABOUT_LINK && HIWORD(p_wParam) == STN_CLICKED)
                OpenVendorSite(p_hDlg);
            else if (LOWORD(p_wParam) == IDOK || LOWORD(p_wParam) == IDCANCEL)
                EndDialog(p_hDlg, IDOK);
            return TRUE;
        default:
            return FALSE;
        }
    });
}
} // namespace

bool ShowAboutBox(HWND p_hParent)
{
    CAboutState state;
    return DialogBoxParamA(g_hPluginInstance, MAKEINTRESOURCEA(IDD_ABOUT), p_hParent, AboutProc,
                           reinterpret_cast<LPARAM>(&state)) == IDOK;
}
