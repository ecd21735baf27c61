// standins/outlook/ol_window_win.cpp: the window class the explorer and the notes share, and the
// message routing every host window does: commands and menus through the extensions first.
#include "standins/outlook/ol_window_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"

#include <commctrl.h>

namespace olstandin
{
namespace
{
constexpr UINT kToolbarId = 0xE800;
constexpr UINT kStatusId = 0xE801;
} // namespace

HMENU BuildPopup(const std::vector<std::pair<UINT, const char*>>& p_vItems)
{
    HMENU popup = CreatePopupMenu();
    for (const auto& [id, text] : p_vItems)
        (void)AppendMenuA(popup, text != nullptr ? MF_STRING : MF_SEPARATOR, id, text);
    return popup;
}

void AppendPopup(HMENU p_hBar, HMENU p_hPopup, UINT p_nId, const char* p_szText)
{
    // A popup carries the Exchange command id of its menu, so GetMenuPos finds it.
    MENUITEMINFOA item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STRING | MIIM_SUBMENU | MIIM_ID;
    item.wID = p_nId;
    item.hSubMenu = p_hPopup;
    item.dwTypeData = const_cast<char*>(p_szText);
    (void)InsertMenuItemA(p_hBar, static_cast<UINT>(GetMenuItemCount(p_hBar)), TRUE, &item);
}

bool CHostWindow::RegisterWindowClass(HINSTANCE p_hInstance)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &CHostWindow::WindowProc;
    wc.hInstance = p_hInstance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.lpszClassName = kHostWindowClass;
    return LOG_IF_WIN32_BOOL_FALSE(RegisterClassExA(&wc)) != 0;
}

CHostWindow::~CHostWindow()
{
    m_p_oExtensions.reset();
    if (m_hWnd != nullptr)
    {
        SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
        (void)DestroyWindow(m_hWnd);
    }
}

bool CHostWindow::CreateFrame(const char* p_szTitle, HMENU p_hMenu, int p_iWidth, int p_iHeight,
                              const std::vector<std::pair<UINT, const char*>>& p_vButtons)
{
    m_hWnd = CreateWindowExA(0, kHostWindowClass, p_szTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                             CW_USEDEFAULT, p_iWidth, p_iHeight, nullptr, p_hMenu, GetModuleHandleA(nullptr), this);
    if (!LOG_IF_WIN32_BOOL_FALSE(m_hWnd))
        return false;
    m_hStatus =
        CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, m_hWnd,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kStatusId)), GetModuleHandleA(nullptr), nullptr);
    return CreateToolbar(p_vButtons) != nullptr;
}

void CHostWindow::ShowFrame(ULONG p_ulContext)
{
    if (p_ulContext != 0)
    {
        m_p_oExtensions = std::make_unique<CExtensionSet>(m_oOwner.Registry(), m_oOwner.Services(), *this, p_ulContext);
        m_p_oExtensions->Install();
        m_p_oExtensions->InstallCommands(m_oOwner.NextCommand());
    }
    RECT client{};
    GetClientRect(m_hWnd, &client);
    Layout(client.right, client.bottom);
    ShowWindow(m_hWnd, SW_SHOWNORMAL);
    UpdateWindow(m_hWnd);
}

HWND CHostWindow::CreateToolbar(const std::vector<std::pair<UINT, const char*>>& p_vButtons)
{
    m_hToolbar = CreateWindowExA(
        0, TOOLBARCLASSNAMEA, nullptr, WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS, 0, 0, 0,
        0, m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kToolbarId)), GetModuleHandleA(nullptr), nullptr);
    if (!LOG_IF_WIN32_BOOL_FALSE(m_hToolbar))
        return nullptr;
    SendMessageA(m_hToolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(m_hToolbar, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    TBADDBITMAP standard{HINST_COMMCTRL, IDB_STD_SMALL_COLOR};
    (void)SendMessageA(m_hToolbar, TB_ADDBITMAP, 0, reinterpret_cast<LPARAM>(&standard));
    static const int kFaces[] = {STD_FILENEW, STD_PRINT, STD_DELETE, STD_UNDO, STD_REDOW, STD_FIND, STD_PROPERTIES};
    int face = 0;
    for (const auto& [command, text] : p_vButtons)
    {
        TBBUTTON button{};
        button.iBitmap = kFaces[face++ % std::size(kFaces)];
        button.idCommand = static_cast<int>(command);
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
        button.iString = reinterpret_cast<INT_PTR>(text);
        (void)SendMessageA(m_hToolbar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
    }
    (void)SendMessageA(m_hToolbar, TB_AUTOSIZE, 0, 0);
    return m_hToolbar;
}

LRESULT CALLBACK CHostWindow::WindowProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("CHostWindow::WindowProc", LRESULT(0), [&]() -> LRESULT {
        if (p_nMsg == WM_NCCREATE)
        {
            auto* window = static_cast<CHostWindow*>(reinterpret_cast<CREATESTRUCTA*>(p_lParam)->lpCreateParams);
            window->m_hWnd = p_hWnd;
            SetWindowLongPtrA(p_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
        }
        auto* window = reinterpret_cast<CHostWindow*>(GetWindowLongPtrA(p_hWnd, GWLP_USERDATA));
        if (window == nullptr)
            return DefWindowProcA(p_hWnd, p_nMsg, p_wParam, p_lParam);
        if (p_nMsg == WM_NCDESTROY)
        {
            SetWindowLongPtrA(p_hWnd, GWLP_USERDATA, 0);
            window->m_hWnd = nullptr;
            window->m_oOwner.WindowDestroyed(window);
            return DefWindowProcA(p_hWnd, p_nMsg, p_wParam, p_lParam);
        }
        return window->HandleMessage(p_nMsg, p_wParam, p_lParam);
    });
}

LRESULT CHostWindow::HandleMessage(UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    CExtensionSet* extensions = Extensions();
    switch (p_nMsg)
    {
    case WM_SIZE:
        if (m_hToolbar != nullptr)
            SendMessageA(m_hToolbar, TB_AUTOSIZE, 0, 0);
        if (m_hStatus != nullptr)
            SendMessageA(m_hStatus, WM_SIZE, 0, 0);
        Layout(LOWORD(p_lParam), HIWORD(p_lParam));
        return 0;
    case WM_INITMENU:
        if (extensions != nullptr)
            extensions->InitMenu();
        return 0;
    case WM_MENUSELECT:
        if (extensions != nullptr && m_hStatus != nullptr && !(HIWORD(p_wParam) & MF_POPUP))
            SendMessageA(
                m_hStatus, SB_SETTEXTA, 0,
                reinterpret_cast<LPARAM>(extensions->HelpText(LOWORD(p_wParam), exchext::kHelpStatusText).c_str()));
        return 0;
    case WM_COMMAND:
        // Notifications of child controls are not commands.
        if (p_lParam != 0 && reinterpret_cast<HWND>(p_lParam) != m_hToolbar)
            return DefWindowProcA(m_hWnd, p_nMsg, p_wParam, p_lParam);
        // Every command goes to the extensions first, as the client does; the host acts on the rest.
        if (extensions == nullptr || !extensions->DoCommand(LOWORD(p_wParam)))
            OwnCommand(LOWORD(p_wParam));
        return 0;
    case WM_NOTIFY:
        return HandleNotify(reinterpret_cast<NMHDR*>(p_lParam));
    case kMsgSelectionSettled:
        if (extensions != nullptr)
            extensions->SelectionChanged();
        return 0;
    default:
        return DefWindowProcA(m_hWnd, p_nMsg, p_wParam, p_lParam);
    }
}

LRESULT CHostWindow::HandleNotify(NMHDR* p_pHeader)
{
    CExtensionSet* extensions = Extensions();
    if (p_pHeader != nullptr && p_pHeader->code == TTN_GETDISPINFOA && extensions != nullptr)
    {
        static std::string s_sTip;
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(p_pHeader);
        s_sTip = extensions->HelpText(static_cast<UINT>(p_pHeader->idFrom), exchext::kHelpTooltipText);
        if (!s_sTip.empty())
            info->lpszText = s_sTip.data();
    }
    return 0;
}
} // namespace olstandin
