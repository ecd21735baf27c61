// standins/outlook/ol_commandbar_window_win.cpp: the windows that draw command bars: a docked bar
// ("MsoCommandBar", its text the bar's name) and the open list of a popup ("MsoCommandBarPopup").
// Controls are not windows: the bar window lays them out, draws them and hit-tests mouse messages.
#include "common/boundary.h"
#include "common/failure_log.h"
#include "standins/outlook/ol_commandbars_win.h"

#include <algorithm>

namespace olstandin
{
namespace
{
constexpr int kFaceSize = 16;
constexpr int kArrowWidth = 12;
constexpr int kItemHeight = 22;
constexpr int kGroupGap = 6;

// The open lists, outermost first (the UI thread's only).
std::vector<HWND> g_vOpenPopups;

struct CBarWindowState
{
    CCommandBar* m_pBar = nullptr;
    com_ptr<CBarControl> m_p_oPressed;
    bool m_bPressedArrow = false;
};

CBarWindowState* State(HWND p_hWnd)
{
    return reinterpret_cast<CBarWindowState*>(GetWindowLongPtrA(p_hWnd, GWLP_USERDATA));
}

bool IsListBar(const CCommandBar& p_oBar)
{
    return p_oBar.m_lPosition == kBarPopup;
}

// What a control shows: its face, its caption, and a drop arrow.
struct CLook
{
    bool m_bFace;
    bool m_bCaption;
    bool m_bArrow;
};

CLook LookOf(const CCommandBar& p_oBar, const CBarControl& p_oControl)
{
    const bool face = p_oControl.m_oFace.get() != nullptr;
    if (IsListBar(p_oBar) || p_oBar.m_lPosition == kBarMenuBar)
        return {face && IsListBar(p_oBar), true, IsListBar(p_oBar) && p_oControl.IsPopup()};
    const LONG style = p_oControl.m_lStyle;
    const bool showFace = face && style != kStyleCaption;
    const bool caption = style == kStyleCaption || style == kStyleIconAndCaption || !showFace;
    return {showFace, caption, p_oControl.IsPopup()};
}

SIZE TextSize(HDC p_hDC, const std::string& p_sText)
{
    SIZE size{};
    (void)GetTextExtentPoint32A(p_hDC, p_sText.c_str(), static_cast<int>(p_sText.size()), &size);
    return size;
}

// Places the visible controls: in a row for a docked bar, one under another for a list.
void LayoutControls(CCommandBar& p_oBar, HDC p_hDC)
{
    const bool list = IsListBar(p_oBar);
    int width = 0;
    if (list)
        for (const com_ptr<CBarControl>& control : p_oBar.m_vControls)
            width = std::max(width, static_cast<int>(TextSize(p_hDC, control->PlainCaption()).cx));
    int x = 2;
    int y = 2;
    bool first = true;
    for (const com_ptr<CBarControl>& control : p_oBar.m_vControls)
    {
        if (!control->m_bVisible)
        {
            control->m_rcPlace = RECT{};
            continue;
        }
        if (control->m_bBeginGroup && !first)
            (list ? y : x) += kGroupGap;
        first = false;
        if (list)
        {
            control->m_rcPlace = RECT{2, y, 2 + kFaceSize + 12 + width + 12 + kArrowWidth, y + kItemHeight};
            y += kItemHeight;
            continue;
        }
        const CLook look = LookOf(p_oBar, *control.get());
        int cx = 8;
        if (look.m_bFace)
            cx += kFaceSize + (look.m_bCaption ? 4 : 0);
        if (look.m_bCaption)
            cx += TextSize(p_hDC, control->PlainCaption()).cx;
        if (look.m_bArrow)
            cx += kArrowWidth;
        control->m_rcPlace = RECT{x, 2, x + cx, kBarHeight - 2};
        x += cx + 1;
    }
}

void DrawControl(HDC p_hDC, const CCommandBar& p_oBar, const CBarControl& p_oControl, bool p_bPressed)
{
    const RECT& place = p_oControl.m_rcPlace;
    if (p_bPressed)
    {
        RECT edge = place;
        (void)DrawEdge(p_hDC, &edge, BDR_SUNKENOUTER, BF_RECT);
    }
    const CLook look = LookOf(p_oBar, p_oControl);
    int x = place.left + 4;
    const int middle = (place.top + place.bottom) / 2;
    if (look.m_bFace)
    {
        unique_hdc memory(CreateCompatibleDC(p_hDC));
        const HGDIOBJ old = SelectObject(memory.get(), p_oControl.m_oFace.get());
        (void)BitBlt(p_hDC, x, middle - kFaceSize / 2, kFaceSize, kFaceSize, memory.get(), 0, 0, SRCCOPY);
        SelectObject(memory.get(), old);
        x += kFaceSize + 4;
    }
    else if (IsListBar(p_oBar))
        x += kFaceSize + 4;
    if (look.m_bCaption)
    {
        RECT text{x, place.top, place.right - (look.m_bArrow ? kArrowWidth : 0), place.bottom};
        SetTextColor(p_hDC, GetSysColor(p_oControl.m_bEnabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        (void)DrawTextA(p_hDC, p_oControl.m_sCaption.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    }
    if (look.m_bArrow)
    {
        // A small triangle pointing down (right in a list).
        const int ax = place.right - kArrowWidth + 2;
        for (int i = 0; i < 4; ++i)
            if (IsListBar(p_oBar))
                (void)PatBlt(p_hDC, ax + i, middle - 3 + i, 1, 7 - 2 * i, BLACKNESS);
            else
                (void)PatBlt(p_hDC, ax + i, middle - 1 + i, 7 - 2 * i, 1, BLACKNESS);
    }
}

void Paint(HWND p_hWnd, CBarWindowState& p_oState)
{
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(p_hWnd, &paint);
    dc_state_guard saved(dc);
    RECT client{};
    GetClientRect(p_hWnd, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    (void)DrawEdge(dc, &client, BDR_RAISEDINNER, BF_RECT);
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    if (p_oState.m_pBar != nullptr)
    {
        LayoutControls(*p_oState.m_pBar, dc);
        for (const com_ptr<CBarControl>& control : p_oState.m_pBar->m_vControls)
            if (control->m_bVisible)
                DrawControl(dc, *p_oState.m_pBar, *control.get(), control.get() == p_oState.m_p_oPressed.get());
    }
    EndPaint(p_hWnd, &paint);
}

CBarControl* HitTest(const CCommandBar& p_oBar, POINT p_ptClient)
{
    for (const com_ptr<CBarControl>& control : p_oBar.m_vControls)
        if (control->m_bVisible && PtInRect(&control->m_rcPlace, p_ptClient))
            return control.get();
    return nullptr;
}

void ClosePopupsAfter(HWND p_hKeep)
{
    while (!g_vOpenPopups.empty() && g_vOpenPopups.back() != p_hKeep)
    {
        const HWND popup = g_vOpenPopups.back();
        g_vOpenPopups.pop_back();
        (void)DestroyWindow(popup);
    }
}

// Press and release over the same control is a click: the list of a popup opens (for a split button
// only from its arrow), anything else runs.
LRESULT MouseMessage(HWND p_hWnd, CBarWindowState& p_oState, UINT p_nMsg, LPARAM p_lParam)
{
    const POINT point{static_cast<short>(LOWORD(p_lParam)), static_cast<short>(HIWORD(p_lParam))};
    CBarControl* hit = p_oState.m_pBar != nullptr ? HitTest(*p_oState.m_pBar, point) : nullptr;
    const bool arrow = hit != nullptr && point.x >= hit->m_rcPlace.right - kArrowWidth;
    if (p_nMsg == WM_LBUTTONDOWN)
    {
        p_oState.m_p_oPressed = com_ptr<CBarControl>::copy_from(hit);
        p_oState.m_bPressedArrow = arrow;
        (void)InvalidateRect(p_hWnd, nullptr, TRUE);
        return 0;
    }
    com_ptr<CBarControl> pressed = std::move(p_oState.m_p_oPressed);
    (void)InvalidateRect(p_hWnd, nullptr, TRUE);
    if (!pressed || pressed.get() != hit || !hit->m_bEnabled)
        return 0;
    if (hit->m_lType == kControlSplitButtonPopup && p_oState.m_bPressedArrow && arrow)
        OpenPopupWindow(*hit);
    else
        // The window may be gone when this returns (a command closes the open lists).
        hit->Execute();
    return 0;
}

LRESULT CALLBACK BarWindowProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("BarWindowProc", LRESULT(0), [&]() -> LRESULT {
        if (p_nMsg == WM_NCCREATE)
        {
            auto* state = new CBarWindowState{};
            state->m_pBar = static_cast<CCommandBar*>(reinterpret_cast<CREATESTRUCTA*>(p_lParam)->lpCreateParams);
            SetWindowLongPtrA(p_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
        }
        CBarWindowState* state = State(p_hWnd);
        if (state == nullptr)
            return DefWindowProcA(p_hWnd, p_nMsg, p_wParam, p_lParam);
        switch (p_nMsg)
        {
        case WM_NCDESTROY: {
            if (state->m_pBar != nullptr && state->m_pBar->m_hWnd == p_hWnd)
                state->m_pBar->m_hWnd = nullptr;
            g_vOpenPopups.erase(std::remove(g_vOpenPopups.begin(), g_vOpenPopups.end(), p_hWnd), g_vOpenPopups.end());
            SetWindowLongPtrA(p_hWnd, GWLP_USERDATA, 0);
            delete state;
            return DefWindowProcA(p_hWnd, p_nMsg, p_wParam, p_lParam);
        }
        case WM_PAINT:
            Paint(p_hWnd, *state);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            return MouseMessage(p_hWnd, *state, p_nMsg, p_lParam);
        case WM_CLOSE:
            // A floating bar's close box hides the bar, as Visible = False does.
            if (state->m_pBar == nullptr || state->m_pBar->m_lPosition != kBarFloating)
                return DefWindowProcA(p_hWnd, p_nMsg, p_wParam, p_lParam);
            state->m_pBar->m_bVisible = false;
            state->m_pBar->Changed();
            return 0;
        case WM_EXITSIZEMOVE:
            // Where the user left a floating bar is where it stays.
            if (state->m_pBar != nullptr && state->m_pBar->m_lPosition == kBarFloating)
            {
                RECT place{};
                GetWindowRect(p_hWnd, &place);
                state->m_pBar->m_ptAsked = POINT{place.left, place.top};
            }
            return DefWindowProcA(p_hWnd, p_nMsg, p_wParam, p_lParam);
        case WM_GETOBJECT:
            if (static_cast<LONG>(p_lParam) == static_cast<LONG>(OBJID_CLIENT) && state->m_pBar != nullptr)
            {
                com_ptr<IAccessible> accessible = CreateBarAccessible(state->m_pBar, p_hWnd);
                return accessible ? LresultFromObject(kIidAccessible, p_wParam, accessible.get()) : 0;
            }
            return DefWindowProcA(p_hWnd, p_nMsg, p_wParam, p_lParam);
        default:
            return DefWindowProcA(p_hWnd, p_nMsg, p_wParam, p_lParam);
        }
    });
}

void LayoutNow(CCommandBar& p_oBar)
{
    unique_window_dc dc(p_oBar.m_hWnd);
    dc_state_guard saved(dc.get());
    SelectObject(dc.get(), GetStockObject(DEFAULT_GUI_FONT));
    LayoutControls(p_oBar, dc.get());
}
} // namespace

bool RegisterBarWindowClasses(HINSTANCE p_hInstance)
{
    for (const char* name : {kBarWindowClass, kPopupWindowClass})
    {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &BarWindowProc;
        wc.hInstance = p_hInstance;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = name;
        wc.style = name == kPopupWindowClass ? CS_DROPSHADOW : 0;
        if (!LOG_IF_WIN32_BOOL_FALSE(RegisterClassExA(&wc)))
            return false;
    }
    return true;
}

// A bar that changed between docked and floating gets a window of the other kind.
void DropWindowOfOtherKind(CCommandBar& p_oBar, bool p_bFloating)
{
    if (p_oBar.m_hWnd == nullptr)
        return;
    const bool child = (GetWindowLongPtrA(p_oBar.m_hWnd, GWL_STYLE) & WS_CHILD) != 0;
    if (child == p_bFloating)
        DestroyBarWindow(p_oBar);
}

void ShowBarWindow(CCommandBar& p_oBar, const RECT& p_rcPlace)
{
    DropWindowOfOtherKind(p_oBar, false);
    CCommandBars* owner = p_oBar.Owner();
    const bool shown = p_rcPlace.bottom > p_rcPlace.top;
    if (p_oBar.m_hWnd == nullptr && shown && owner != nullptr && owner->Frame() != nullptr)
        p_oBar.m_hWnd = CreateWindowExA(0, kBarWindowClass, p_oBar.m_sName.c_str(), WS_CHILD | WS_CLIPSIBLINGS,
                                        p_rcPlace.left, p_rcPlace.top, p_rcPlace.right - p_rcPlace.left, kBarHeight,
                                        owner->Frame(), nullptr, GetModuleHandleA(nullptr), &p_oBar);
    if (p_oBar.m_hWnd == nullptr)
        return;
    (void)SetWindowTextA(p_oBar.m_hWnd, p_oBar.m_sName.c_str());
    (void)MoveWindow(p_oBar.m_hWnd, p_rcPlace.left, p_rcPlace.top, p_rcPlace.right - p_rcPlace.left, kBarHeight, FALSE);
    ShowWindow(p_oBar.m_hWnd, shown ? SW_SHOWNA : SW_HIDE);
    LayoutNow(p_oBar);
    (void)InvalidateRect(p_oBar.m_hWnd, nullptr, TRUE);
}

void ShowFloatingBarWindow(CCommandBar& p_oBar, bool p_bShown)
{
    DropWindowOfOtherKind(p_oBar, true);
    CCommandBars* owner = p_oBar.Owner();
    if (!p_bShown || owner == nullptr || owner->Frame() == nullptr)
    {
        if (p_oBar.m_hWnd != nullptr)
            ShowWindow(p_oBar.m_hWnd, SW_HIDE);
        return;
    }
    constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;
    constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
    RECT outer{0, 0, BarContentWidth(p_oBar), kBarHeight};
    (void)AdjustWindowRectEx(&outer, kStyle, FALSE, kExStyle);
    POINT corner = p_oBar.m_ptAsked;
    if (corner.x == 0 && corner.y == 0)
    {
        RECT frame{};
        GetWindowRect(owner->Frame(), &frame);
        corner = POINT{frame.left + 60, frame.top + 160};
    }
    if (p_oBar.m_hWnd == nullptr)
        p_oBar.m_hWnd = CreateWindowExA(kExStyle, kBarWindowClass, p_oBar.m_sName.c_str(), kStyle, corner.x, corner.y,
                                        outer.right - outer.left, outer.bottom - outer.top, owner->Frame(), nullptr,
                                        GetModuleHandleA(nullptr), &p_oBar);
    if (!LOG_IF_WIN32_BOOL_FALSE(p_oBar.m_hWnd))
        return;
    (void)SetWindowTextA(p_oBar.m_hWnd, p_oBar.m_sName.c_str());
    (void)SetWindowPos(p_oBar.m_hWnd, nullptr, corner.x, corner.y, outer.right - outer.left, outer.bottom - outer.top,
                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    LayoutNow(p_oBar);
    (void)InvalidateRect(p_oBar.m_hWnd, nullptr, TRUE);
}

int BarContentWidth(CCommandBar& p_oBar)
{
    unique_window_dc dc(nullptr);
    dc_state_guard saved(dc.get());
    SelectObject(dc.get(), GetStockObject(DEFAULT_GUI_FONT));
    LayoutControls(p_oBar, dc.get());
    int width = 8;
    for (const com_ptr<CBarControl>& control : p_oBar.m_vControls)
        width = std::max(width, static_cast<int>(control->m_rcPlace.right + 6));
    return width;
}

void DestroyBarWindow(CCommandBar& p_oBar)
{
    const HWND window = p_oBar.m_hWnd;
    p_oBar.m_hWnd = nullptr;
    if (CBarWindowState* state = State(window))
        state->m_pBar = nullptr;
    (void)DestroyWindow(window);
}

void CloseAllPopupWindows()
{
    ClosePopupsAfter(nullptr);
}

void OpenPopupWindow(CBarControl& p_oPopup)
{
    CCommandBar* parent = p_oPopup.Parent();
    CCommandBar* list = p_oPopup.m_p_oPopupBar.get();
    if (parent == nullptr || parent->m_hWnd == nullptr || list == nullptr)
        return;
    // A list opened from an open list stays beside it; any other open list closes first.
    const bool nested = std::find(g_vOpenPopups.begin(), g_vOpenPopups.end(), parent->m_hWnd) != g_vOpenPopups.end();
    const bool wasOpen = list->m_hWnd != nullptr;
    ClosePopupsAfter(nested ? parent->m_hWnd : nullptr);
    if (wasOpen)
        return;
    POINT corner = IsListBar(*parent) ? POINT{p_oPopup.m_rcPlace.right, p_oPopup.m_rcPlace.top}
                                      : POINT{p_oPopup.m_rcPlace.left, p_oPopup.m_rcPlace.bottom};
    ClientToScreen(parent->m_hWnd, &corner);
    HWND frame = GetAncestor(parent->m_hWnd, GA_ROOT);
    list->m_hWnd = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kPopupWindowClass, p_oPopup.PlainCaption().c_str(),
                                   WS_POPUP | WS_BORDER, corner.x, corner.y, 10, 10, frame, nullptr,
                                   GetModuleHandleA(nullptr), list);
    if (!LOG_IF_WIN32_BOOL_FALSE(list->m_hWnd))
        return;
    g_vOpenPopups.push_back(list->m_hWnd);
    LayoutNow(*list);
    int width = 120;
    int height = 4;
    for (const com_ptr<CBarControl>& control : list->m_vControls)
        if (control->m_bVisible)
        {
            width = std::max(width, static_cast<int>(control->m_rcPlace.right + 4));
            height = std::max(height, static_cast<int>(control->m_rcPlace.bottom + 4));
        }
    (void)SetWindowPos(list->m_hWnd, HWND_TOPMOST, corner.x, corner.y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

bool ClickControlWindow(const CBarControl& p_oControl, bool p_bArrow)
{
    const CCommandBar* bar = p_oControl.Parent();
    if (bar == nullptr || bar->m_hWnd == nullptr || IsRectEmpty(&p_oControl.m_rcPlace))
        return false;
    const RECT& place = p_oControl.m_rcPlace;
    const int x = p_bArrow && p_oControl.m_lType == kControlSplitButtonPopup ? place.right - kArrowWidth / 2
                                                                             : (place.left + place.right) / 2;
    const LPARAM at = MAKELPARAM(x, (place.top + place.bottom) / 2);
    const HWND window = bar->m_hWnd;
    (void)SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    (void)SendMessageA(window, WM_LBUTTONUP, 0, at);
    return true;
}
} // namespace olstandin
