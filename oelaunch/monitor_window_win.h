// oelaunch/monitor_window_win.h: CMonitorWindow, Runbay's hidden "OEMonitor" window "Hoot": it starts
// the mail client with Latchkit's hooks, holds the compose server, and carries out what Latchkit asks
// for from inside the client through the private messages below.
#pragma once

#include "common/handle_win.h"
#include "compose/quillet_h.h"
#include "oelaunch/oe_hooks_win.h"
#include "oelaunch/oe_profile.h"

#include <windows.h>

#include <string>

class CAddressBookControlObject;

namespace runbay
{
// The monitor window's private messages (values as Latchkit and the core library send them).
constexpr UINT WM_STOP_GLOBAL_CBT_HOOK = WM_USER + 1;
constexpr UINT WM_SPAWN_NEW_SMS_WINDOW = WM_USER + 2;
constexpr UINT WM_OE_PROCESS_DIED = WM_USER + 3;
constexpr UINT WM_EDIT_LOCAL_USER = WM_USER + 4;
constexpr UINT WM_RECOMMEND_FRIENDS = WM_USER + 5;
constexpr UINT WM_SHOW_ABOUT = WM_USER + 6;
constexpr UINT WM_RELOADBAR = WM_USER + 16;
constexpr UINT WM_INIT_MONITOR = WM_USER + 17;
constexpr UINT WM_SHOW_OPTIONS = WM_USER + 18;
constexpr UINT WM_REFER_FRIENDS_IF_NECESSARY = WM_USER + 19;
constexpr UINT WM_CC_PHONE = WM_USER + 20;
constexpr UINT WM_NEW_REMINDER = WM_USER + 21;
constexpr UINT WM_SET_PARENT_WINDOW = WM_USER + 23;
constexpr UINT WM_SHOW_RULES = WM_USER + 27;
constexpr UINT WM_SHOW_TEMPLATES = WM_USER + 28;
constexpr UINT WM_POST_ARCHIVE = WM_USER + 500;
constexpr UINT WM_FINISHED_ARCHIVE = WM_USER + 501;
constexpr UINT WM_TOOLBAR_ACTION = WM_USER + 2004;
// What the browser window accepts from Runbay.
constexpr UINT WM_BROWSER_ARCHIVE = WM_USER + 8;
constexpr UINT_PTR kGlobalHookTimer = 0;
constexpr UINT kGlobalHookTimeoutMs = 30000;
constexpr DWORD kMortalityStartMs = 10000;

constexpr const char* kMonitorClass = "OEMonitor";
constexpr const char* kMonitorTitle = "Hoot";

// Where the monitor gets the core library and what it shows for the about box and options; the
// defaults are Runbay's own.
struct CMonitorSetup
{
    const COEProfile* m_p_oProfile = nullptr;
    std::string m_sOEPath;
    COEHooks* m_p_oHooks = nullptr;
    // May be null or not ready: the calls that need the library then do nothing.
    CAddressBookControlObject* m_p_oCore = nullptr;
    // "OE Monitor Startup Event": closed once the client's browser has appeared.
    unique_handle* m_p_hStartupEvent = nullptr;
    void (*m_pfnShowAbout)(HWND p_hOwner) = nullptr;
    void (*m_pfnShowOptions)(HWND p_hOwner) = nullptr;
};

class CMonitorWindow
{
  public:
    explicit CMonitorWindow(CMonitorSetup p_oSetup);
    ~CMonitorWindow();
    CMonitorWindow(const CMonitorWindow&) = delete;
    CMonitorWindow& operator=(const CMonitorWindow&) = delete;

    // Registers the class and creates the window, which posts itself WM_INIT_MONITOR.
    [[nodiscard]] bool Create(HINSTANCE p_hInstance);
    HWND Window() const
    {
        return m_hWnd;
    }
    bool Initialised() const
    {
        return m_bInitialised;
    }
    DWORD OEProcessId() const
    {
        return m_stProcess.dwProcessId;
    }
    HANDLE OEProcess() const
    {
        return m_hProcess.get();
    }
    const std::string& CopiedText() const
    {
        return m_sCopiedText;
    }

  private:
    static LRESULT CALLBACK WindowProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam);
    LRESULT Handle(UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam);
    // The messages of Latchkit's menu and toolbar, answered through the compose server or the core.
    bool HandleCommandMessage(UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam);

    void InitWindow();
    [[nodiscard]] bool LoadSMSSpawner();
    [[nodiscard]] bool LoadOEProcessAndHook();
    [[nodiscard]] bool SpawnMortalityWatchThread();
    void StopGlobalHook(DWORD p_dwOE4ThreadId);
    void OnProcessDied();
    void OnGlobalHookTimeout();
    void SpawnSMSWindowOE(HWND p_hBrowser, uint32_t p_dwKind, uint32_t p_dwStamp);
    void CCPhone(HWND p_hOwner);
    void ToolbarAction(WPARAM p_nAction, HWND p_hOwner);
    void RecommendFriends();
    bool CoreReady() const;
    // The client's browser window by its class, cached while it remains a window; null when there is none.
    HWND BrowserWindow();

    CMonitorSetup m_oSetup;
    HWND m_hWnd = nullptr;
    bool m_bInitialised = false;
    bool m_bComInitialised = false;
    // Set while the owner destroys the window: the loop it ran has ended already.
    bool m_bClosing = false;
    com_ptr<IQuillet> m_p_oSMS;
    PROCESS_INFORMATION m_stProcess{};
    unique_handle m_hProcess;
    unique_handle m_hThread;
    unique_handle m_hWatchStop;
    unique_handle m_hWatcher;
    HWND m_hBrowser = nullptr;
    HWND m_hArchiveRequester = nullptr;
    std::string m_sCopiedText;
};
} // namespace runbay
