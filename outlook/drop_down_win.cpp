// outlook/drop_down_win.cpp: the "SMSChevronPopup" window: a toolbar of a drop-down entry's children,
// sized to its buttons, holding the mouse while open.
#include "outlook/drop_down_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/message_box_win.h"
#include "common/trace_log.h"
#include "common/unique_any.h"
#include "outlook/plugin_strings.h"

#include <commctrl.h>

#include <algorithm>

namespace
{
constexpr UINT kToolbarId = 1;
constexpr COLORREF kMaskColour = RGB(0, 255, 0);
constexpr int kFaceSize = 16;
constexpr UINT_PTR kActivationCheckTimer = 1;
constexpr UINT kActivationCheckMs = 100;

struct image_list_traits
{
    using pointer = HIMAGELIST;
    static pointer invalid() noexcept
    {
        return nullptr;
    }
    static void close(pointer p_h) noexcept
    {
        ImageList_Destroy(p_h);
    }
};
using unique_himagelist = unique_any<image_list_traits>;

struct CDropDownState
{
    HWND m_hWnd = nullptr;
    HWND m_hOwner = nullptr;
    HWND m_hToolbar = nullptr;
    unique_himagelist m_hImages;
    std::vector<CToolbarEntry> m_vChildren;
    CDropDown::FnRun m_fnRun;
    int m_iPressed = -1;
    bool m_bClosing = false;
};
// The one open list (the client's UI thread's only).
CDropDownState g_oOpen;

HINSTANCE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

// The child button under a point of the popup's client area, or -1.
int ButtonAt(POINT p_ptClient)
{
    MapWindowPoints(g_oOpen.m_hWnd, g_oOpen.m_hToolbar, &p_ptClient, 1);
    const auto index =
        static_cast<int>(SendMessageA(g_oOpen.m_hToolbar, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&p_ptClient)));
    return index >= 0 && index < static_cast<int>(g_oOpen.m_vChildren.size()) ? index : -1;
}

void RunChild(int p_iIndex)
{
    const CToolbarEntry child = g_oOpen.m_vChildren[static_cast<size_t>(p_iIndex)];
    const CDropDown::FnRun run = g_oOpen.m_fnRun;
    CDropDown::Close();
    if (run)
        run(child);
}

LRESULT MouseMessage(HWND p_hWnd, UINT p_uMsg, LPARAM p_lParam)
{
    const POINT point{static_cast<short>(LOWORD(p_lParam)), static_cast<short>(HIWORD(p_lParam))};
    RECT client{};
    GetClientRect(p_hWnd, &client);
    if (!PtInRect(&client, point))
    {
        if (p_uMsg == WM_LBUTTONDOWN)
            CDropDown::Close();
        return 0;
    }
    const int index = ButtonAt(point);
    if (p_uMsg == WM_MOUSEMOVE)
        SendMessageA(g_oOpen.m_hToolbar, TB_SETHOTITEM, static_cast<WPARAM>(index), 0);
    else if (p_uMsg == WM_LBUTTONDOWN)
        g_oOpen.m_iPressed = index;
    else if (index >= 0 && index == g_oOpen.m_iPressed)
        RunChild(index);
    return 0;
}

LRESULT CALLBACK DropDownProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("CDropDown::WindowProc", LRESULT(0), [&]() -> LRESULT {
        if (p_hWnd != g_oOpen.m_hWnd)
            return DefWindowProcA(p_hWnd, p_uMsg, p_wParam, p_lParam);
        switch (p_uMsg)
        {
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            return MouseMessage(p_hWnd, p_uMsg, p_lParam);
        case WM_ACTIVATE: {
            // Another window of the client taking activation closes it; the explorer taking it back
            // does not: while the list holds the mouse a click there comes here and closes it. A
            // window of another program is left to WM_ACTIVATEAPP.
            const auto other = reinterpret_cast<HWND>(p_lParam);
            if (LOWORD(p_wParam) == WA_INACTIVE && other != nullptr && other != g_oOpen.m_hOwner)
            {
                Log("CDropDown: closed, another window was activated\n");
                CDropDown::Close();
            }
            return 0;
        }
        case WM_ACTIVATEAPP:
            // Looked at once the activation has settled: a program that really took the foreground
            // still has it then.
            if (!p_wParam)
                SetTimer(p_hWnd, kActivationCheckTimer, kActivationCheckMs, nullptr);
            return 0;
        case WM_TIMER:
            if (p_wParam == kActivationCheckTimer)
            {
                KillTimer(p_hWnd, kActivationCheckTimer);
                DWORD process = 0;
                GetWindowThreadProcessId(GetForegroundWindow(), &process);
                if (process != GetCurrentProcessId())
                {
                    Log("CDropDown: closed, another program was activated\n");
                    CDropDown::Close();
                }
            }
            return 0;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(p_lParam) != p_hWnd && !g_oOpen.m_bClosing)
            {
                Log("CDropDown: closed, the mouse went to another window\n");
                CDropDown::Close();
            }
            return 0;
        case WM_KEYDOWN:
            if (p_wParam == VK_ESCAPE)
                CDropDown::Close();
            return 0;
        case WM_NCDESTROY:
            if (GetCapture() == p_hWnd)
                ReleaseCapture();
            g_oOpen = CDropDownState{};
            return DefWindowProcA(p_hWnd, p_uMsg, p_wParam, p_lParam);
        default:
            return DefWindowProcA(p_hWnd, p_uMsg, p_wParam, p_lParam);
        }
    });
}

bool RegisterContainerClass()
{
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(ThisModule(), kDropDownClass, &existing))
        return true;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DROPSHADOW;
    wc.lpfnWndProc = &DropDownProc;
    wc.hInstance = ThisModule();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kDropDownClass;
    if (RegisterClassExA(&wc) != 0)
        return true;
    const DWORD error = GetLastError();
    ShowMessageBox(GetDesktopWindow(),
                   PluginText(plugin_string::kApiFailed, "RegisterClassEx", static_cast<long>(error),
                              "CDropDown::RegisterContainerClass"),
                   PluginText(plugin_string::kErrorOccurred), MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
    return false;
}

// The children's faces, green masked, in child order; a child without a face gets a blank image.
unique_himagelist ChildImages(const std::vector<CToolbarEntry>& p_vChildren, const CFaceBitmaps& p_oFaces)
{
    unique_himagelist images(
        ImageList_Create(kFaceSize, kFaceSize, ILC_COLOR24 | ILC_MASK, static_cast<int>(p_vChildren.size()), 0));
    if (!images)
        return images;
    for (const CToolbarEntry& child : p_vChildren)
    {
        const auto face = p_oFaces.find(child.m_uFaceBitmap);
        // ImageList_AddMasked blackens the mask colour of the bitmap it is given: it gets a copy.
        unique_hbitmap copy(face != p_oFaces.end() && face->second
                                ? static_cast<HBITMAP>(CopyImage(face->second.get(), IMAGE_BITMAP, kFaceSize, kFaceSize,
                                                                 LR_COPYRETURNORG))
                                : nullptr);
        if (!copy)
        {
            unique_window_dc screen(nullptr);
            copy.reset(CreateCompatibleBitmap(screen.get(), kFaceSize, kFaceSize));
            unique_hdc memory(CreateCompatibleDC(screen.get()));
            const HGDIOBJ old = SelectObject(memory.get(), copy.get());
            const RECT all{0, 0, kFaceSize, kFaceSize};
            unique_hbrush green(CreateSolidBrush(kMaskColour));
            FillRect(memory.get(), &all, green.get());
            SelectObject(memory.get(), old);
        }
        ImageList_AddMasked(images.get(), copy.get(), kMaskColour);
    }
    return images;
}

bool FillToolbar(CDropDownState& p_oState, const CFaceBitmaps& p_oFaces)
{
    p_oState.m_hToolbar =
        CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr,
                        WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_WRAPABLE | CCS_NODIVIDER |
                            CCS_NORESIZE | CCS_NOPARENTALIGN,
                        0, 0, 1, 400, p_oState.m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kToolbarId)),
                        ThisModule(), nullptr);
    if (!LOG_IF_WIN32_BOOL_FALSE(p_oState.m_hToolbar))
        return false;
    // One button wide: each child wraps to a row of its own.
    SendMessageA(p_oState.m_hToolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    p_oState.m_hImages = ChildImages(p_oState.m_vChildren, p_oFaces);
    SendMessageA(p_oState.m_hToolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(p_oState.m_hImages.get()));
    std::vector<TBBUTTON> buttons;
    for (size_t i = 0; i < p_oState.m_vChildren.size(); ++i)
    {
        TBBUTTON button{};
        button.iBitmap = static_cast<int>(i);
        button.idCommand = static_cast<int>(i + 1);
        button.fsState = TBSTATE_ENABLED | TBSTATE_WRAP;
        button.fsStyle = BTNS_BUTTON | BTNS_SHOWTEXT;
        button.iString = reinterpret_cast<INT_PTR>(p_oState.m_vChildren[i].m_sCaption.c_str());
        buttons.push_back(button);
    }
    if (!SendMessageA(p_oState.m_hToolbar, TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data())))
    {
        Log("Could not TB_ADDBUTTONS\n");
        return false;
    }
    SendMessageA(p_oState.m_hToolbar, TB_AUTOSIZE, 0, 0);
    return true;
}

// The popup's size: its toolbar's buttons, one under another, as wide as the widest.
SIZE ButtonsExtent(HWND p_hToolbar, size_t p_nButtons)
{
    SIZE extent{0, 0};
    for (size_t i = 0; i < p_nButtons; ++i)
    {
        RECT item{};
        if (SendMessageA(p_hToolbar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item)))
        {
            extent.cx = std::max(extent.cx, item.right);
            extent.cy = std::max(extent.cy, item.bottom);
        }
    }
    return extent;
}
} // namespace

bool CDropDown::Open(HWND p_hOwner, POINT p_ptAnchor, const std::vector<CToolbarEntry>& p_vChildren,
                     const CFaceBitmaps& p_oFaces, FnRun p_fnRun)
{
    if (g_oOpen.m_hWnd != nullptr && IsWindow(g_oOpen.m_hWnd))
    {
        Log("p_cbChevron exists break\n");
        SetCapture(g_oOpen.m_hWnd);
        return true;
    }
    if (p_vChildren.empty() || !RegisterContainerClass())
        return false;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kDropDownClass, nullptr, WS_POPUP | WS_BORDER,
                                  p_ptAnchor.x, p_ptAnchor.y, 10, 10, p_hOwner, nullptr, ThisModule(), nullptr);
    if (window == nullptr)
    {
        Log("CreateWindowEx failed - error #%ld\n", static_cast<long>(GetLastError()));
        return false;
    }
    g_oOpen.m_hWnd = window;
    g_oOpen.m_hOwner = p_hOwner;
    g_oOpen.m_vChildren = p_vChildren;
    g_oOpen.m_fnRun = std::move(p_fnRun);
    if (!FillToolbar(g_oOpen, p_oFaces))
    {
        DestroyWindow(window);
        return false;
    }
    const SIZE buttons = ButtonsExtent(g_oOpen.m_hToolbar, p_vChildren.size());
    MoveWindow(g_oOpen.m_hToolbar, 0, 0, buttons.cx, buttons.cy, FALSE);
    RECT frame{0, 0, buttons.cx, buttons.cy};
    AdjustWindowRectEx(&frame, WS_POPUP | WS_BORDER, FALSE, WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    Log("Width and height %d %d\n", width, height);
    // Right-aligned under the button, and whole on the screen it is on.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromPoint(p_ptAnchor, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const int x = std::max<int>(work.left, std::min<int>(p_ptAnchor.x - width, work.right - width));
    const int y = p_ptAnchor.y + height <= work.bottom ? p_ptAnchor.y : std::max<int>(work.top, work.bottom - height);
    SetWindowPos(window, HWND_TOPMOST, x, y, width, height, SWP_SHOWWINDOW);
    SetForegroundWindow(window);
    SetCapture(window);
    return true;
}

void CDropDown::Close(HWND p_hOwner)
{
    if (g_oOpen.m_hWnd == nullptr || g_oOpen.m_bClosing || (p_hOwner != nullptr && p_hOwner != g_oOpen.m_hOwner))
        return;
    // Destroying it deactivates it, which asks to close it again.
    g_oOpen.m_bClosing = true;
    DestroyWindow(g_oOpen.m_hWnd);
}

HWND CDropDown::Window()
{
    return g_oOpen.m_hWnd;
}
