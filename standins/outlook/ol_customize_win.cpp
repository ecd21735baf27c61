// standins/outlook/ol_customize_win.cpp: the Customize dialog of the command bars, an Office dialog
// window of class "bosa_sdm_Mso96": a list of the bars ("[x] name" when shown; a double click shows or
// hides one) and a Close button. Once shown it is sent the registered "WM_OBJECTSEL" message with
// lParam 0x16, which is how a watching extension learns that customising has begun.
#include "standins/outlook/ol_customize_win.h"
#include "common/boundary.h"
#include "common/failure_log.h"

namespace olstandin
{
namespace
{
constexpr UINT kListId = 0x4001;
constexpr UINT kCloseId = IDCANCEL;
constexpr LPARAM kCustomizeSelection = 0x16;

struct CCustomizeState
{
    com_ptr<CCommandBars> m_p_oBars;
    HWND m_hList = nullptr;
};

void FillList(const CCustomizeState& p_oState)
{
    (void)SendMessageA(p_oState.m_hList, LB_RESETCONTENT, 0, 0);
    for (const com_ptr<CCommandBar>& bar : p_oState.m_p_oBars->m_vBars)
    {
        const std::string row = std::string(bar->m_bVisible ? "[x] " : "[ ] ") + bar->m_sName;
        (void)SendMessageA(p_oState.m_hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
    }
}

void ToggleSelected(CCustomizeState& p_oState)
{
    const auto row = static_cast<size_t>(SendMessageA(p_oState.m_hList, LB_GETCURSEL, 0, 0));
    auto& bars = p_oState.m_p_oBars->m_vBars;
    // The menu bar stays: the client does not let it be hidden.
    if (row >= bars.size() || bars[row]->m_lPosition == kBarMenuBar)
        return;
    bars[row]->m_bVisible = !bars[row]->m_bVisible;
    bars[row]->Changed();
    FillList(p_oState);
    (void)SendMessageA(p_oState.m_hList, LB_SETCURSEL, row, 0);
}

LRESULT CALLBACK CustomizeProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("CustomizeProc", LRESULT(0), [&]() -> LRESULT {
        auto* state = reinterpret_cast<CCustomizeState*>(GetWindowLongPtrA(p_hWnd, GWLP_USERDATA));
        switch (p_nMsg)
        {
        case WM_NCCREATE:
            SetWindowLongPtrA(p_hWnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(p_lParam)->lpCreateParams));
            break;
        case WM_NCDESTROY:
            SetWindowLongPtrA(p_hWnd, GWLP_USERDATA, 0);
            delete state;
            break;
        case WM_COMMAND:
            if (state != nullptr && LOWORD(p_wParam) == kListId && HIWORD(p_wParam) == LBN_DBLCLK)
                ToggleSelected(*state);
            else if (LOWORD(p_wParam) == kCloseId)
                (void)DestroyWindow(p_hWnd);
            return 0;
        case WM_CLOSE:
            (void)DestroyWindow(p_hWnd);
            return 0;
        default:
            break;
        }
        return DefWindowProcA(p_hWnd, p_nMsg, p_wParam, p_lParam);
    });
}
} // namespace

bool RegisterCustomizeClass(HINSTANCE p_hInstance)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &CustomizeProc;
    wc.hInstance = p_hInstance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kCustomizeWindowClass;
    return LOG_IF_WIN32_BOOL_FALSE(RegisterClassExA(&wc)) != 0;
}

HWND OpenCustomize(HWND p_hOwner, CCommandBars& p_oBars)
{
    auto* state = new CCustomizeState{com_ptr<CCommandBars>::copy_from(&p_oBars), nullptr};
    RECT owner{};
    GetWindowRect(p_hOwner, &owner);
    HWND window = CreateWindowExA(WS_EX_DLGMODALFRAME, kCustomizeWindowClass, "Customize",
                                  WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, owner.left + 60, owner.top + 60,
                                  320, 300, p_hOwner, nullptr, GetModuleHandleA(nullptr), state);
    if (!LOG_IF_WIN32_BOOL_FALSE(window))
    {
        delete state;
        return nullptr;
    }
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    HWND label = CreateWindowExA(0, "Static", "Toolb&ars:", WS_CHILD | WS_VISIBLE, 10, 8, 200, 16, window, nullptr,
                                 instance, nullptr);
    state->m_hList = CreateWindowExA(
        WS_EX_CLIENTEDGE, "ListBox", nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | WS_TABSTOP, 10, 26, 290,
        190, window, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kListId)), instance, nullptr);
    HWND close =
        CreateWindowExA(0, "Button", "Close", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 220, 228, 80, 24,
                        window, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kCloseId)), instance, nullptr);
    for (HWND child : {label, state->m_hList, close})
        SendMessageA(child, WM_SETFONT, font, 0);
    FillList(*state);
    ShowWindow(window, SW_SHOWNORMAL);
    const UINT selection = RegisterWindowMessageA("WM_OBJECTSEL");
    if (selection != 0)
        (void)SendMessageA(window, selection, 0, kCustomizeSelection);
    return window;
}
} // namespace olstandin
