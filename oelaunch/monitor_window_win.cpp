// oelaunch/monitor_window_win.cpp: the monitor window's start-up (InitWindow) and its message table.
#include "oelaunch/monitor_window_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/message_box_win.h"
#include "common/settings.h"
#include "common/trace_log.h"
#include "compose/address_book_binding_win.h"
#include "oelaunch/runbay_strings.h"

#include <shellapi.h>

namespace runbay
{
namespace
{
// The compose server takes windows as 32-bit numbers; window handles fit in them on every Windows.
long WindowArgument(HWND p_hWnd)
{
    return static_cast<long>(reinterpret_cast<intptr_t>(p_hWnd));
}

struct CWatchStart
{
    HANDLE m_hProcess;
    HANDLE m_hStop;
    HANDLE m_hRunning;
    HWND m_hMonitor;
};

// Waits for the client to end and tells the monitor; a stop (the monitor going first) ends it quietly.
DWORD WINAPI WatchMortality(LPVOID p_pStart)
{
    return TrapExceptions("WatchMortality", static_cast<DWORD>(1), [&]() -> DWORD {
        const CWatchStart start = *static_cast<const CWatchStart*>(p_pStart);
        // The start record lives on the starter's stack only until it has been told the thread runs.
        (void)LOG_IF_WIN32_BOOL_FALSE(SetEvent(start.m_hRunning));
        const HANDLE handles[] = {start.m_hStop, start.m_hProcess};
        const DWORD result = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
        if (result == WAIT_OBJECT_0)
            return 0;
        if (result != WAIT_OBJECT_0 + 1)
            LogCallFailure(__PRETTY_FUNCTION__, "WaitForMultipleObjects", EResultKind::Win32Error,
                           failure_log::LastError());
        // Not a blocking send: the monitor may be waiting for this thread when it ends.
        (void)LOG_IF_WIN32_BOOL_FALSE(SendNotifyMessageA(start.m_hMonitor, WM_OE_PROCESS_DIED, 0, 0));
        return 0;
    });
}
} // namespace

CMonitorWindow::CMonitorWindow(CMonitorSetup p_oSetup) : m_oSetup(std::move(p_oSetup))
{
}

CMonitorWindow::~CMonitorWindow()
{
    if (m_hWatcher)
    {
        (void)LOG_IF_WIN32_BOOL_FALSE(SetEvent(m_hWatchStop.get()));
        WaitForSingleObject(m_hWatcher.get(), kMortalityStartMs);
    }
    m_bClosing = true;
    if (m_hWnd != nullptr)
        DestroyWindow(m_hWnd);
    m_p_oSMS.reset();
    if (m_bComInitialised)
        CoUninitialize();
}

bool CMonitorWindow::Create(HINSTANCE p_hInstance)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = &CMonitorWindow::WindowProc;
    wc.hInstance = p_hInstance;
    wc.lpszClassName = kMonitorClass;
    if (RegisterClassA(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    {
        LOG_FAILURE("Can't register the class: error %d", static_cast<int>(GetLastError()));
        return false;
    }
    if (CreateWindowExA(0, kMonitorClass, kMonitorTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, p_hInstance, this) == nullptr)
    {
        LOG_FAILURE("Can't create the window: %d", static_cast<int>(GetLastError()));
        return false;
    }
    return true;
}

LRESULT CALLBACK CMonitorWindow::WindowProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("CMonitorWindow::WindowProc", static_cast<LRESULT>(0), [&]() -> LRESULT {
        if (p_uMsg == WM_NCCREATE)
        {
            auto* self = static_cast<CMonitorWindow*>(reinterpret_cast<CREATESTRUCTA*>(p_lParam)->lpCreateParams);
            self->m_hWnd = p_hWnd;
            SetWindowLongPtrA(p_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto* self = reinterpret_cast<CMonitorWindow*>(GetWindowLongPtrA(p_hWnd, GWLP_USERDATA));
        if (self == nullptr)
            return DefWindowProcA(p_hWnd, p_uMsg, p_wParam, p_lParam);
        const LRESULT result = self->Handle(p_uMsg, p_wParam, p_lParam);
        if (p_uMsg == WM_NCDESTROY)
        {
            SetWindowLongPtrA(p_hWnd, GWLP_USERDATA, 0);
            self->m_hWnd = nullptr;
        }
        return result;
    });
}

LRESULT CMonitorWindow::Handle(UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    switch (p_uMsg)
    {
    case WM_CREATE:
        (void)LOG_IF_WIN32_BOOL_FALSE(PostMessageA(m_hWnd, WM_INIT_MONITOR, 0, 0));
        return 0;
    case WM_INIT_MONITOR:
        InitWindow();
        return 0;
    case WM_DESTROY:
        // However the window goes (the client ended, or a close from outside), the loop ends with it;
        // without its window Runbay could serve nothing more.
        if (!m_bClosing)
            PostQuitMessage(0);
        return 0;
    case WM_STOP_GLOBAL_CBT_HOOK:
        StopGlobalHook(static_cast<DWORD>(p_wParam));
        return 0;
    case WM_OE_PROCESS_DIED:
        OnProcessDied();
        return 0;
    case WM_TIMER:
        if (p_wParam == kGlobalHookTimer)
            OnGlobalHookTimeout();
        return 0;
    case WM_COPYDATA: {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(p_lParam);
        if (data == nullptr || data->lpData == nullptr)
            m_sCopiedText.clear();
        else
            m_sCopiedText.assign(static_cast<const char*>(data->lpData), data->cbData);
        return 1;
    }
    case WM_REFER_FRIENDS_IF_NECESSARY:
        // The client's browser is up: start-up is over and a second Runbay may start a monitor again.
        if (m_oSetup.m_p_hStartupEvent != nullptr)
            m_oSetup.m_p_hStartupEvent->reset();
        if (HWND browser = BrowserWindow(); browser != nullptr && CoreReady())
            (void)m_oSetup.m_p_oCore->m_pfnStartVMIfNecessary(browser);
        return 0;
    case WM_SET_PARENT_WINDOW:
        m_hBrowser = reinterpret_cast<HWND>(p_wParam);
        if (CoreReady())
            (void)m_oSetup.m_p_oCore->m_pfnSetParentWindow(m_hBrowser);
        return 0;
    case WM_RELOADBAR:
        if (HWND browser = BrowserWindow(); browser != nullptr)
            (void)LOG_IF_WIN32_BOOL_FALSE(PostMessageA(browser, WM_RELOADBAR, 0, 0));
        return 0;
    case WM_POST_ARCHIVE:
        m_hArchiveRequester = reinterpret_cast<HWND>(p_wParam);
        if (HWND browser = BrowserWindow(); browser != nullptr)
            (void)LOG_IF_WIN32_BOOL_FALSE(PostMessageA(browser, WM_BROWSER_ARCHIVE, 0, p_lParam));
        else
            LOG_FAILURE("Failed to get the browser window");
        return 0;
    case WM_FINISHED_ARCHIVE:
        if (m_hArchiveRequester != nullptr && IsWindow(m_hArchiveRequester))
            (void)LOG_IF_WIN32_BOOL_FALSE(PostMessageA(m_hArchiveRequester, WM_FINISHED_ARCHIVE, 0, 0));
        return 0;
    default:
        if (HandleCommandMessage(p_uMsg, p_wParam, p_lParam))
            return 0;
        return DefWindowProcA(m_hWnd, p_uMsg, p_wParam, p_lParam);
    }
}

bool CMonitorWindow::HandleCommandMessage(UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    const HWND owner = reinterpret_cast<HWND>(p_lParam);
    switch (p_uMsg)
    {
    case WM_SPAWN_NEW_SMS_WINDOW:
        if (HWND browser = BrowserWindow(); browser != nullptr)
            SpawnSMSWindowOE(browser, static_cast<uint32_t>(p_wParam), static_cast<uint32_t>(p_lParam));
        return true;
    case WM_EDIT_LOCAL_USER:
        if (HWND browser = BrowserWindow(); browser != nullptr && CoreReady())
            (void)m_oSetup.m_p_oCore->m_pfnEditLocalUser(browser, 0, 0);
        return true;
    case WM_RECOMMEND_FRIENDS:
        RecommendFriends();
        return true;
    case WM_SHOW_ABOUT:
        if (m_oSetup.m_pfnShowAbout != nullptr)
            m_oSetup.m_pfnShowAbout(owner);
        return true;
    case WM_SHOW_OPTIONS:
        if (m_oSetup.m_pfnShowOptions != nullptr)
            m_oSetup.m_pfnShowOptions(owner);
        return true;
    case WM_CC_PHONE:
        CCPhone(reinterpret_cast<HWND>(p_wParam));
        return true;
    case WM_NEW_REMINDER:
        if (HWND browser = BrowserWindow(); browser != nullptr && m_p_oSMS)
            (void)LOG_IF_FAILED(m_p_oSMS->CreateReminder(WindowArgument(browser)));
        return true;
    case WM_SHOW_RULES:
        if (m_p_oSMS)
            (void)LOG_IF_FAILED(m_p_oSMS->ShowRuleManager(WindowArgument(owner)));
        return true;
    case WM_SHOW_TEMPLATES:
        if (m_p_oSMS)
            (void)LOG_IF_FAILED(m_p_oSMS->ShowTemplateEditor(WindowArgument(owner)));
        return true;
    case WM_TOOLBAR_ACTION:
        ToolbarAction(p_wParam, owner);
        return true;
    default:
        return false;
    }
}

bool CMonitorWindow::CoreReady() const
{
    return m_oSetup.m_p_oCore != nullptr && m_oSetup.m_p_oCore->Ready();
}

HWND CMonitorWindow::BrowserWindow()
{
    if (m_hBrowser != nullptr && IsWindow(m_hBrowser))
        return m_hBrowser;
    m_hBrowser = FindWindowA(m_oSetup.m_p_oProfile->m_szBrowserClass, nullptr);
    return m_hBrowser;
}

void CMonitorWindow::InitWindow()
{
    CLogScope scope("::InitWindow()");
    const HRESULT hr = CoInitialize(nullptr);
    if (FAILED(hr))
    {
        LogCallFailure(__PRETTY_FUNCTION__, "CoInitialize (InitSMSDll() failed)", EResultKind::HResult,
                       static_cast<uint32_t>(hr));
    }
    else
    {
        m_bComInitialised = true;
        Log("InitSMSDll() passed");
    }
    if (!m_bComInitialised || !LoadSMSSpawner() || !LoadOEProcessAndHook() || !SpawnMortalityWatchThread())
    {
        LOG_FAILURE("InitWindow() failed");
        PostQuitMessage(0);
        return;
    }
    m_bInitialised = true;
    Log("InitWindow() passed");
}

bool CMonitorWindow::LoadSMSSpawner()
{
    CLogScope scope("::LoadSMSSpawner");
    HRESULT hr = CoCreateInstance(CLSID_Quillet, nullptr, CLSCTX_LOCAL_SERVER, IID_IQuillet, m_p_oSMS.put_void());
    if (FAILED(hr))
    {
        LOG_FAILURE("CoCreateInstance() failed, %x", static_cast<unsigned>(hr));
        return false;
    }
    hr = m_p_oSMS->Init(1, m_oSetup.m_p_oProfile->m_iMajor, nullptr, nullptr, WindowArgument(m_hWnd),
                        WindowArgument(m_hWnd), 1);
    if (FAILED(hr))
    {
        LOG_FAILURE("g_pSMS->Init() failed, %x", static_cast<unsigned>(hr));
        m_p_oSMS.reset();
        return false;
    }
    Log("Starting OEMonitor");
    (void)LOG_IF_FAILED(m_p_oSMS->StartOEMonitor());
    return true;
}

bool CMonitorWindow::LoadOEProcessAndHook()
{
    CLogScope scope("::LoadOEProcessAndHook");
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    std::string commandLine = "\"" + m_oSetup.m_sOEPath + "\"";
    if (!CreateProcessA(m_oSetup.m_sOEPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &m_stProcess))
    {
        LOG_FAILURE("CreateProcess('%s') failed, error %d", m_oSetup.m_sOEPath.c_str(),
                    static_cast<int>(GetLastError()));
        return false;
    }
    m_hProcess.reset(m_stProcess.hProcess);
    m_hThread.reset(m_stProcess.hThread);
    if (!m_oSetup.m_p_oHooks->SetGlobal(m_hWnd, m_stProcess.dwProcessId))
    {
        // Without its hooks the client still runs as the user expects; Runbay only has nothing to add.
        LOG_FAILURE("the global hook could not be set");
        (void)ResumeThread(m_hThread.get());
        return false;
    }
    // Version 4 reports once its notes need a local hook; later versions as soon as the hook runs,
    // which they must do within the timeout.
    if (m_oSetup.m_p_oProfile->m_iMajor >= 5)
        (void)LOG_IF_WIN32_BOOL_FALSE(SetTimer(m_hWnd, kGlobalHookTimer, kGlobalHookTimeoutMs, nullptr) != 0);
    if (ResumeThread(m_hThread.get()) == static_cast<DWORD>(-1))
    {
        LOG_FAILURE("ResumeThread failed, error %d", static_cast<int>(GetLastError()));
        return false;
    }
    return true;
}

bool CMonitorWindow::SpawnMortalityWatchThread()
{
    CLogScope scope("::SpawnMortalityWatchThread");
    m_hWatchStop.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    unique_handle running(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!m_hWatchStop || !running)
    {
        LOG_FAILURE("CreateEvent failed, error %d", static_cast<int>(GetLastError()));
        return false;
    }
    CWatchStart start{m_hProcess.get(), m_hWatchStop.get(), running.get(), m_hWnd};
    m_hWatcher.reset(CreateThread(nullptr, 0, &WatchMortality, &start, 0, nullptr));
    if (!m_hWatcher)
    {
        LOG_FAILURE("CreateThread() failed, error %d", static_cast<int>(GetLastError()));
        return false;
    }
    if (WaitForSingleObject(running.get(), kMortalityStartMs) != WAIT_OBJECT_0)
    {
        // The thread may still read the start record: stop it before the record goes.
        (void)LOG_IF_WIN32_BOOL_FALSE(SetEvent(m_hWatchStop.get()));
        WaitForSingleObject(m_hWatcher.get(), INFINITE);
        m_hWatcher.reset();
        LOG_FAILURE("the watch thread did not start in time");
        return false;
    }
    return true;
}

void CMonitorWindow::StopGlobalHook(DWORD p_dwOE4ThreadId)
{
    KillTimer(m_hWnd, kGlobalHookTimer);
    m_oSetup.m_p_oHooks->UnsetGlobal();
    if (!m_oSetup.m_p_oHooks->SetLocal(m_stProcess.dwThreadId))
        LOG_FAILURE("the local hook on thread %lu could not be set",
                    static_cast<unsigned long>(m_stProcess.dwThreadId));
    if (p_dwOE4ThreadId != 0 && !m_oSetup.m_p_oHooks->SetLocalOE4(p_dwOE4ThreadId))
        LOG_FAILURE("the second local hook on thread %lu could not be set",
                    static_cast<unsigned long>(p_dwOE4ThreadId));
}

void CMonitorWindow::OnGlobalHookTimeout()
{
    // Latchkit never reported from inside the client: Runbay cannot serve it and leaves it alone.
    KillTimer(m_hWnd, kGlobalHookTimer);
    m_oSetup.m_p_oHooks->UnsetGlobal();
    LOG_FAILURE("no report from the client's hook within %u ms", kGlobalHookTimeoutMs);
    PostQuitMessage(0);
}

void CMonitorWindow::OnProcessDied()
{
    m_oSetup.m_p_oHooks->UnsetGlobal();
    m_oSetup.m_p_oHooks->UnsetLocal();
    if (CoreReady())
    {
        Log("g_pSMS = %08x - calling StopOEMonitor",
            static_cast<unsigned>(reinterpret_cast<uintptr_t>(m_p_oSMS.get())));
        if (m_oSetup.m_p_oCore->m_pfnStopOEMonitor() == 0)
            LOG_FAILURE("StopOEMonitor failed");
    }
    DestroyWindow(m_hWnd);
}

void CMonitorWindow::ToolbarAction(WPARAM p_nAction, HWND p_hOwner)
{
    if (p_nAction == 1)
    {
        if (m_p_oSMS)
            (void)LOG_IF_FAILED(m_p_oSMS->CreateReminder(WindowArgument(p_hOwner)));
        return;
    }
    ShowMessageBox(p_hOwner, RunbayText(runbay_string::kUnknownActionText), RunbayText(runbay_string::kUnknownAction),
                   MB_OK | MB_ICONWARNING);
}

void CMonitorWindow::RecommendFriends()
{
    CRegistry registry;
    std::string program;
    if (!registry.ReadInstallText("Viral", program) || program.empty())
    {
        LOG_FAILURE("no \"Viral\" program is installed");
        return;
    }
    const std::string parameters = "OE " + std::to_string(m_oSetup.m_p_oProfile->m_iMajor);
    const HINSTANCE result =
        ShellExecuteA(nullptr, "open", program.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<intptr_t>(result) <= 32)
        LOG_FAILURE("ShellExecute('%s') failed with result %d", program.c_str(),
                    static_cast<int>(reinterpret_cast<intptr_t>(result)));
}
} // namespace runbay
