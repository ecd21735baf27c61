// standins/oe/msimn_win.cpp: msimn.exe, the mail client's windows in the order and with the classes
// of the version its version resource names (4, 5 or 6), over the store of the current identity.
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/trace_log.h"
#include "common/version_info_win.h"
#include "standins/oe/oe_browser_win.h"
#include "standins/oe/oe_columns_win.h"
#include "standins/oe/oe_control_win.h"
#include "standins/oe/oe_note_win.h"
#include "standins/oe/oe_profile.h"
#include "standins/oe/oe_registry_win.h"
#include "standins/oe/oe_store_win.h"

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

namespace
{
using oestandin::COeProfile;

constexpr const char* kIdentityNotifyClass = "Identity Mgr Notify";
constexpr const char* kStoreNotifyClass = "DirectDBNotifyWndProc";
constexpr int kFolderPaneWidth = 200;
// The menu bar's buttons (5 and later) have the ids 1 to 6, in the order of the menu's drop-downs.
constexpr UINT kMenuBarFirstId = 1;
constexpr UINT kMenuBarLastId = 6;

HINSTANCE g_hInstance = nullptr;
const COeProfile* g_p_oProfile = nullptr;
WNDPROC g_pfnListProc = nullptr;
WNDPROC g_pfnRebarProc = nullptr;

LRESULT CALLBACK ListForwardProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("ListForwardProc", LRESULT(0),
                          [&] { return CallWindowProcA(g_pfnListProc, p_hWnd, p_nMsg, p_wParam, p_lParam); });
}

LRESULT CALLBACK RebarForwardProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("RebarForwardProc", LRESULT(0),
                          [&] { return CallWindowProcA(g_pfnRebarProc, p_hWnd, p_nMsg, p_wParam, p_lParam); });
}

// Registers p_szName as a copy of a common control's class, as the client's own frameworks do.
[[nodiscard]] bool RegisterSuperclass(const char* p_szBase, const char* p_szName, WNDPROC& p_pfnBase,
                                      WNDPROC p_pfnForward)
{
    if (lstrcmpA(p_szBase, p_szName) == 0)
        return true;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (!LOG_IF_WIN32_BOOL_FALSE(GetClassInfoExA(nullptr, p_szBase, &wc)))
        return false;
    p_pfnBase = wc.lpfnWndProc;
    wc.lpfnWndProc = p_pfnForward;
    wc.hInstance = g_hInstance;
    wc.lpszClassName = p_szName;
    return LOG_IF_WIN32_BOOL_FALSE(RegisterClassExA(&wc)) != 0;
}

void AddToolbarButtons(HWND p_hToolbar, const std::vector<std::pair<UINT, const char*>>& p_vButtons)
{
    SendMessageA(p_hToolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(p_hToolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    for (const auto& [command, text] : p_vButtons)
    {
        TBBUTTON button{};
        button.iBitmap = I_IMAGENONE;
        button.idCommand = static_cast<int>(command);
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
        // New mail has the New menu behind its arrow.
        if (command == g_p_oProfile->m_nNewMailCommand)
            button.fsStyle |= BTNS_DROPDOWN;
        button.iString = reinterpret_cast<INT_PTR>(text);
        SendMessageA(p_hToolbar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
    }
    SendMessageA(p_hToolbar, TB_AUTOSIZE, 0, 0);
}

HWND CreateBandToolbar(HWND p_hRebar, UINT p_nId, const std::vector<std::pair<UINT, const char*>>& p_vButtons)
{
    HWND toolbar = CreateWindowExA(
        0, TOOLBARCLASSNAMEA, nullptr,
        WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN, 0, 0, 0,
        0, p_hRebar, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(p_nId)), g_hInstance, nullptr);
    if (toolbar == nullptr)
        return nullptr;
    SendMessageA(toolbar, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    AddToolbarButtons(toolbar, p_vButtons);
    SIZE size{};
    SendMessageA(toolbar, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
    REBARBANDINFOA band{};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_ID | RBBIM_SIZE;
    band.fStyle = RBBS_BREAK | RBBS_GRIPPERALWAYS;
    band.hwndChild = toolbar;
    band.wID = p_nId;
    band.cxMinChild = 0;
    band.cyMinChild = size.cy > 0 ? size.cy : 24;
    band.cx = 600;
    SendMessageA(p_hRebar, RB_INSERTBANDA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
    return toolbar;
}

// The browser's children in the client's order: rebar with menu bar (5 and later) and toolbar,
// folder tree, message list (which makes its header).
[[nodiscard]] bool CreateBrowserChildren(HWND p_hBrowser)
{
    const COeProfile& profile = *g_p_oProfile;
    oestandin::CBrowserState& w = oestandin::Browser();
    w.m_hBrowser = p_hBrowser;
    w.m_hRebar = CreateWindowExA(WS_EX_TOOLWINDOW, profile.m_szRebarClass, nullptr,
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
                                     RBS_BANDBORDERS | CCS_NODIVIDER,
                                 0, 0, 0, 0, p_hBrowser, reinterpret_cast<HMENU>(1001), g_hInstance, nullptr);
    if (w.m_hRebar == nullptr)
        return false;
    if (profile.m_bMenuBand)
        w.m_hMenuBar = CreateBandToolbar(
            w.m_hRebar, 1002, {{1, "File"}, {2, "Edit"}, {3, "View"}, {4, "Tools"}, {5, "Message"}, {6, "Help"}});
    w.m_hToolbar = CreateBandToolbar(
        w.m_hRebar, 1003, {{profile.m_nNewMailCommand, "Create Mail"}, {profile.m_nSendReceiveCommand, "Send/Recv"}});
    w.m_hTree =
        CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, nullptr,
                        WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS, 0,
                        0, 0, 0, p_hBrowser, reinterpret_cast<HMENU>(1004), g_hInstance, nullptr);
    w.m_hList = CreateWindowExA(WS_EX_CLIENTEDGE, profile.m_szListClass, nullptr,
                                WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0, 0, 0, p_hBrowser,
                                reinterpret_cast<HMENU>(1005), g_hInstance, nullptr);
    if (w.m_hToolbar == nullptr || w.m_hTree == nullptr || w.m_hList == nullptr)
        return false;
    SendMessageA(w.m_hTree, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    SendMessageA(w.m_hList, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    w.m_vColumns = oestandin::ReadListColumns(profile.m_iMajor, false);
    oestandin::ApplyListColumns(w.m_hList, w.m_vColumns);
    oestandin::FillFolderTree(w.m_hTree);
    size_t folder = 0;
    if (oestandin::SelectedFolder(folder))
        oestandin::ShowFolderMessages(folder);
    return true;
}

void LayOutBrowser(HWND p_hBrowser)
{
    const oestandin::CBrowserState& w = oestandin::Browser();
    RECT client{};
    GetClientRect(p_hBrowser, &client);
    int top = 0;
    if (w.m_hRebar != nullptr)
    {
        MoveWindow(w.m_hRebar, 0, 0, client.right, 0, TRUE);
        RECT rebar{};
        GetWindowRect(w.m_hRebar, &rebar);
        top = rebar.bottom - rebar.top;
    }
    const int height = client.bottom - top > 0 ? client.bottom - top : 0;
    // Without the folder list the message list takes the whole width.
    const int treeWidth = w.m_hTree != nullptr && IsWindowVisible(w.m_hTree) ? kFolderPaneWidth : 0;
    if (treeWidth > 0)
        MoveWindow(w.m_hTree, 0, top, treeWidth, height, TRUE);
    if (w.m_hList != nullptr)
        MoveWindow(w.m_hList, treeWidth, top, client.right - treeWidth, height, TRUE);
}

LRESULT BrowserNotify(HWND p_hBrowser, const NMHDR* p_pHeader)
{
    const oestandin::CBrowserState& w = oestandin::Browser();
    size_t folder = 0;
    if (p_pHeader->hwndFrom == w.m_hRebar && p_pHeader->code == RBN_HEIGHTCHANGE)
        LayOutBrowser(p_hBrowser);
    else if (p_pHeader->hwndFrom == w.m_hToolbar && p_pHeader->code == TBN_DROPDOWN)
    {
        const auto* drop = reinterpret_cast<const NMTOOLBARA*>(p_pHeader);
        RECT button = drop->rcButton;
        MapWindowPoints(w.m_hToolbar, nullptr, reinterpret_cast<POINT*>(&button), 2);
        oestandin::DropNewMenu(button);
        return TBDDRET_DEFAULT;
    }
    if (p_pHeader->hwndFrom == w.m_hTree && p_pHeader->code == TVN_SELCHANGEDA)
    {
        if (oestandin::SelectedFolder(folder))
            oestandin::ShowFolderMessages(folder);
        else
            SendMessageA(w.m_hList, LVM_DELETEALLITEMS, 0, 0);
    }
    else if (p_pHeader->hwndFrom == w.m_hList && p_pHeader->code == NM_DBLCLK)
        oestandin::OpenSelectedMessage();
    return 0;
}

LRESULT BrowserMessage(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    switch (p_nMsg)
    {
    case WM_CREATE:
        return CreateBrowserChildren(p_hWnd) ? 0 : -1;
    case WM_SIZE:
        LayOutBrowser(p_hWnd);
        return 0;
    case WM_NOTIFY:
        return BrowserNotify(p_hWnd, reinterpret_cast<const NMHDR*>(p_lParam));
    case WM_CONTEXTMENU: {
        // A right click on the rebar or one of its bars: the list of bars.
        const HWND clicked = reinterpret_cast<HWND>(p_wParam);
        const HWND rebar = oestandin::Browser().m_hRebar;
        if (clicked != rebar && GetParent(clicked) != rebar)
            break;
        oestandin::ShowRebarContextMenu({static_cast<short>(LOWORD(p_lParam)), static_cast<short>(HIWORD(p_lParam))});
        return 0;
    }
    case WM_COMMAND: {
        const UINT command = LOWORD(p_wParam);
        if (command >= kMenuBarFirstId && command <= kMenuBarLastId && g_p_oProfile->m_bMenuBand)
            oestandin::DropMenuBarMenu(static_cast<int>(command - kMenuBarFirstId));
        else if (!oestandin::RunBrowserCommand(command))
            break;
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(p_hWnd, p_nMsg, p_wParam, p_lParam);
}

LRESULT CALLBACK BrowserProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("BrowserProc", LRESULT(0),
                          [&] { return BrowserMessage(p_hWnd, p_nMsg, p_wParam, p_lParam); });
}

// The hidden main window carries the tests' control channel.
LRESULT CALLBACK HiddenProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("HiddenProc", LRESULT(0), [&]() -> LRESULT {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(p_lParam);
        if (p_nMsg != WM_COPYDATA || data == nullptr || data->dwData != oestandin::kControlCopyData)
            return DefWindowProcA(p_hWnd, p_nMsg, p_wParam, p_lParam);
        const std::string command(static_cast<const char*>(data->lpData), data->cbData);
        const oestandin::CControlContext context{g_hInstance, g_p_oProfile->m_iMajor};
        return oestandin::RunControlCommand(context, command.substr(0, command.find('\0'))) ? 1 : 0;
    });
}

// The identity manager's broadcast after a switch: the windows follow the new identity's store.
LRESULT CALLBACK IdentityNotifyProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("IdentityNotifyProc", LRESULT(0), [&]() -> LRESULT {
        static const UINT s_nChanged = RegisterWindowMessageA("WM_IDENTITY_CHANGED");
        if (p_nMsg != s_nChanged || s_nChanged == 0)
            return DefWindowProcA(p_hWnd, p_nMsg, p_wParam, p_lParam);
        oestandin::CBrowserState& state = oestandin::Browser();
        std::string folder;
        if (g_p_oProfile->m_iMajor <= 4 || !oestandin::CurrentStoreFolder(g_p_oProfile->m_iMajor, folder))
            return 0;
        Log("The identity changed: the store is now '%s'", folder.c_str());
        state.m_sStoreFolder = folder;
        oestandin::ReloadFolders();
        return 0;
    });
}

[[nodiscard]] bool RegisterWindowClasses()
{
    const COeProfile& profile = *g_p_oProfile;
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof icc;
    icc.dwICC = ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES;
    if (!LOG_IF_WIN32_BOOL_FALSE(InitCommonControlsEx(&icc)))
        return false;
    const std::pair<const char*, WNDPROC> plain[] = {{profile.m_szHiddenClass, HiddenProc},
                                                     {kIdentityNotifyClass, IdentityNotifyProc},
                                                     {kStoreNotifyClass, DefWindowProcA}};
    for (const auto& [name, proc] : plain)
    {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = proc;
        wc.hInstance = g_hInstance;
        wc.lpszClassName = name;
        if (!LOG_IF_WIN32_BOOL_FALSE(RegisterClassExA(&wc)))
            return false;
    }
    WNDCLASSEXA browser{};
    browser.cbSize = sizeof browser;
    browser.lpfnWndProc = BrowserProc;
    browser.hInstance = g_hInstance;
    browser.hCursor = LoadCursor(nullptr, IDC_ARROW);
    browser.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    browser.lpszClassName = profile.m_szBrowserClass;
    return LOG_IF_WIN32_BOOL_FALSE(RegisterClassExA(&browser)) != 0 &&
           RegisterSuperclass(WC_LISTVIEWA, profile.m_szListClass, g_pfnListProc, ListForwardProc) &&
           RegisterSuperclass(REBARCLASSNAMEA, profile.m_szRebarClass, g_pfnRebarProc, RebarForwardProc);
}

// The command line names at most one message file, quoted or not.
std::string MessagePathOf(std::string p_sCommandLine)
{
    while (!p_sCommandLine.empty() && (p_sCommandLine.back() == ' ' || p_sCommandLine.back() == '\t'))
        p_sCommandLine.pop_back();
    while (!p_sCommandLine.empty() && p_sCommandLine.front() == ' ')
        p_sCommandLine.erase(0, 1);
    if (p_sCommandLine.size() >= 2 && p_sCommandLine.front() == '"' && p_sCommandLine.back() == '"')
        p_sCommandLine = p_sCommandLine.substr(1, p_sCommandLine.size() - 2);
    return p_sCommandLine;
}

// A message opened while the client runs opens in the running client, as the shell's second start
// of the real one hands it over; true when a running client took it.
bool HandOverToRunningClient(const std::string& p_sPath)
{
    const HWND running = FindWindowA(g_p_oProfile->m_szHiddenClass, nullptr);
    if (running == nullptr || p_sPath.empty())
        return false;
    const std::string command = "open " + p_sPath;
    COPYDATASTRUCT data{};
    data.dwData = oestandin::kControlCopyData;
    data.cbData = static_cast<DWORD>(command.size());
    data.lpData = const_cast<char*>(command.data());
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 10000, &result) !=
               0 &&
           result == 1;
}

int OwnMajorVersion()
{
    char path[MAX_PATH] = {};
    WORD version[4] = {};
    if (GetModuleFileNameA(nullptr, path, MAX_PATH) == 0 || !platform::FileVersion(path, version))
    {
        LOG_FAILURE("no version resource in '%s'; running as version 6", path);
        return 6;
    }
    return version[0];
}

// The windows every start makes, each top-level one hidden but the browser: they must exist
// before any message is pumped, so that a hook installed on the suspended start sees them all.
int RunClient(int p_iShow, const std::string& p_sCommandLine)
{
    g_p_oProfile = &oestandin::ProfileFor(OwnMajorVersion());
    oestandin::CBrowserState& state = oestandin::Browser();
    state.m_hInstance = g_hInstance;
    state.m_p_oProfile = g_p_oProfile;
    if (HandOverToRunningClient(p_sCommandLine))
        return 0;
    std::string& storeFolder = state.m_sStoreFolder;
    if (!oestandin::CurrentStoreFolder(g_p_oProfile->m_iMajor, storeFolder) ||
        !oestandin::OpenStore(g_p_oProfile->m_iMajor, storeFolder, state.m_vFolders))
        LOG_FAILURE("the store in '%s' could not be opened", storeFolder.c_str());
    if (state.m_vFolders.empty())
        state.m_vFolders = oestore::DefaultFolders();
    if (!RegisterWindowClasses() || !oestandin::RegisterNoteClasses(g_hInstance, *g_p_oProfile))
        return 1;
    unique_hwnd hidden(CreateWindowExA(0, g_p_oProfile->m_szHiddenClass, nullptr, WS_POPUP, 0, 0, 0, 0, nullptr,
                                       nullptr, g_hInstance, nullptr));
    unique_hwnd identity(CreateWindowExA(0, kIdentityNotifyClass, nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                         g_hInstance, nullptr));
    state.m_hMenu = oestandin::BuildBrowserMenu(*g_p_oProfile);
    const HMENU menu = g_p_oProfile->m_bMenuBand ? nullptr : state.m_hMenu;
    HWND browser = CreateWindowExA(WS_EX_WINDOWEDGE, g_p_oProfile->m_szBrowserClass, "Inbox - Outlook Express",
                                   WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT, 800, 560,
                                   nullptr, menu, g_hInstance, nullptr);
    unique_hwnd storeNotify(
        CreateWindowExA(0, kStoreNotifyClass, nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, g_hInstance, nullptr));
    if (!hidden || !identity || browser == nullptr || !storeNotify)
    {
        LOG_FAILURE("the client's windows could not be created");
        return 1;
    }
    ShowWindow(browser, p_iShow);
    UpdateWindow(browser);
    if (!p_sCommandLine.empty() && !oestandin::OpenMessageFile(p_sCommandLine))
        LOG_FAILURE("the command line '%s' names no message", p_sCommandLine.c_str());
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
    {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
} // namespace

int WINAPI WinMain(HINSTANCE p_hInstance, HINSTANCE, LPSTR p_szCommandLine, int p_iShow)
{
    g_hInstance = p_hInstance;
    return TrapExceptions("WinMain", 1,
                          [&] { return RunClient(p_iShow, MessagePathOf(p_szCommandLine ? p_szCommandLine : "")); });
}
