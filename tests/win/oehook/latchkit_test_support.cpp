// tests/win/oehook/latchkit_test_support.cpp: the launcher's part in the Latchkit tests.
#include "tests/win/oehook/latchkit_test_support.h"

#include "oehook/latchkit.h"
#include "standins/oe/oe_profile.h"
#include "standins/oe/oe_registry_win.h"
#include "tests/win/oe/oe_test_support.h"

#include <commctrl.h>

namespace
{
constexpr const char* kMonitorClass = "LatchkitTestMonitor";
std::vector<CMonitorMessage> g_vReceived;
DWORD g_dwClientThread = 0;
std::vector<std::string> g_vCopied;
} // namespace

CHookedClient::CHookedClient()
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = MonitorProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kMonitorClass;
    RegisterClassA(&wc);
    m_hMonitor.reset(CreateWindowExA(0, kMonitorClass, "Hoot", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                     wc.hInstance, nullptr));
    g_vReceived.clear();
    g_vCopied.clear();
}

CHookedClient::~CHookedClient()
{
    (void)UnsetOEGlobalCBTHook();
    (void)UnsetOELocalCBTHook();
    if (!Running())
        return;
    if (SendControl("quit") != 1 || WaitForSingleObject(m_oProcessHandle.get(), 10000) != WAIT_OBJECT_0)
        TerminateRunning(m_oProcessHandle.get());
}

LRESULT CALLBACK CHookedClient::MonitorProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_nMsg < WM_USER && p_nMsg != WM_COPYDATA)
        return DefWindowProcA(p_hWnd, p_nMsg, p_wParam, p_lParam);
    g_vReceived.push_back({p_nMsg, p_wParam, p_lParam});
    if (p_nMsg == WM_COPYDATA)
    {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(p_lParam);
        g_vCopied.emplace_back(static_cast<const char*>(data->lpData), data->cbData);
        return TRUE;
    }
    // As the launcher: the global hook gives way to hooks on the client's threads.
    if (p_nMsg == WM_USER + 1)
    {
        (void)UnsetOEGlobalCBTHook();
        (void)SetOELocalCBTHook(g_dwClientThread);
        if (p_wParam != 0)
            (void)SetOELocalCBTOE4Hook(static_cast<DWORD>(p_wParam));
    }
    return 0;
}

const char* CHookedClient::BrowserClass() const
{
    return oestandin::ProfileFor(m_iMajor).m_szBrowserClass;
}

bool CHookedClient::Start(int p_iMajor, const std::string& p_sMenuLog)
{
    m_iMajor = p_iMajor;
    SetEnvironmentVariableA("LATCHKIT_MENU_PROBE_LOG", p_sMenuLog.empty() ? nullptr : p_sMenuLog.c_str());
    if (!StartClientSuspended(p_iMajor, {}, m_oProcess, m_oProcessHandle, m_oThreadHandle))
        return false;
    g_dwClientThread = m_oProcess.dwThreadId;
    if (!SetOEGlobalCBTHook(m_hMonitor.get(), m_oProcess.dwProcessId))
        return false;
    if (!p_sMenuLog.empty())
    {
        m_oProbe.reset(LoadLibraryA(MENU_PROBE_DLL));
        const auto proc = reinterpret_cast<HOOKPROC>(
            reinterpret_cast<void*>(m_oProbe ? GetProcAddress(m_oProbe.get(), "MenuProbeProc") : nullptr));
        if (proc == nullptr)
            return false;
        m_oProbeHook.reset(SetWindowsHookExA(WH_CALLWNDPROCRET, proc, m_oProbe.get(), m_oProcess.dwThreadId));
        if (!m_oProbeHook)
            return false;
    }
    return ResumeThread(m_oThreadHandle.get()) != static_cast<DWORD>(-1);
}

HWND CHookedClient::WaitForBrowser(DWORD p_nTimeoutMs)
{
    CMonitorMessage announced{};
    if (!WaitForMessage(WM_USER + 23, announced, p_nTimeoutMs))
        return nullptr;
    const HWND browser = reinterpret_cast<HWND>(announced.m_wParam);
    const bool filled = WaitUntil(
        [&] {
            const HWND tree = FindWindowExA(browser, nullptr, WC_TREEVIEWA, nullptr);
            return tree != nullptr && SendMessageA(tree, TVM_GETCOUNT, 0, 0) >= 7 && IsWindowVisible(browser);
        },
        p_nTimeoutMs);
    return filled ? browser : nullptr;
}

bool CHookedClient::WaitForMessage(UINT p_nMsg, CMonitorMessage& p_oMessage, DWORD p_nTimeoutMs, size_t p_nFrom)
{
    return WaitUntil(
        [&] {
            for (size_t i = p_nFrom; i < g_vReceived.size(); ++i)
                if (g_vReceived[i].m_nMsg == p_nMsg)
                {
                    p_oMessage = g_vReceived[i];
                    return true;
                }
            return false;
        },
        p_nTimeoutMs);
}

const std::vector<std::string>& CHookedClient::CopiedTexts() const
{
    return g_vCopied;
}

size_t CHookedClient::CountMessages(UINT p_nMsg) const
{
    size_t count = 0;
    for (const CMonitorMessage& message : g_vReceived)
        count += message.m_nMsg == p_nMsg ? 1 : 0;
    return count;
}

size_t CHookedClient::MessageCount() const
{
    return g_vReceived.size();
}

LRESULT CHookedClient::SendControl(const std::string& p_sCommand) const
{
    return SendControlCommand(m_oProcess.dwProcessId, p_sCommand);
}

HWND CHookedClient::FindVisible(const char* p_szClass) const
{
    return FindProcessWindow(m_oProcess.dwProcessId, p_szClass);
}

bool CHookedClient::WaitExit(DWORD p_nTimeoutMs, DWORD& p_nExitCode)
{
    if (!WaitUntil([&] { return WaitForSingleObject(m_oProcessHandle.get(), 0) == WAIT_OBJECT_0; }, p_nTimeoutMs))
        return false;
    return GetExitCodeProcess(m_oProcessHandle.get(), &p_nExitCode) != FALSE;
}

bool CHookedClient::Running() const
{
    return m_oProcessHandle && WaitForSingleObject(m_oProcessHandle.get(), 0) == WAIT_TIMEOUT;
}

void CHookedClient::Terminate()
{
    TerminateRunning(m_oProcessHandle.get());
}

void SeedLatchkitSettings(int p_iMajor, const std::string& p_sToolbarShowing, unsigned p_nSmtpPort)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Brevolt", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    unique_hkey owner(key);
    RegSetValueExA(key, "Resource", 0, REG_SZ, reinterpret_cast<const BYTE*>(RESOURCE_DLL), sizeof RESOURCE_DLL);
    if (p_sToolbarShowing.empty())
        RegDeleteValueA(key, "OEToolbarShowing");
    else
        RegSetValueExA(key, "OEToolbarShowing", 0, REG_SZ, reinterpret_cast<const BYTE*>(p_sToolbarShowing.c_str()),
                       static_cast<DWORD>(p_sToolbarShowing.size() + 1));
    oestandin::COeIdentitySeed seed;
    seed.m_sId = "{7B0C2A51-3E64-4D8F-9A17-52C3E8B6D402}";
    seed.m_sStoreRoot = NewTempFolder("latchkit_store");
    seed.m_bCheckMailOnStartup = false;
    seed.m_oAccount.m_sSmtpServer = "127.0.0.1";
    seed.m_oAccount.m_nSmtpPort = p_nSmtpPort;
    seed.m_oAccount.m_sEmail = "pat@brevolt.example";
    (void)oestandin::SeedIdentity(p_iMajor, seed);
}

HWND FindSMSBand(HWND p_hBrowser)
{
    for (HWND rebar = FindWindowExA(p_hBrowser, nullptr, nullptr, nullptr); rebar != nullptr;
         rebar = FindWindowExA(p_hBrowser, rebar, nullptr, nullptr))
        for (HWND child = FindWindowExA(rebar, nullptr, TOOLBARCLASSNAMEA, nullptr); child != nullptr;
             child = FindWindowExA(rebar, child, TOOLBARCLASSNAMEA, nullptr))
            if (GetDlgCtrlID(child) == 10121)
                return child;
    return nullptr;
}

size_t CountOccurrences(const std::string& p_sLine, const std::string& p_sText)
{
    size_t count = 0;
    for (size_t at = p_sLine.find(p_sText); at != std::string::npos; at = p_sLine.find(p_sText, at + 1))
        ++count;
    return count;
}

void PaintNow(HWND p_hWindow)
{
    RedrawWindow(p_hWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(p_hWindow, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
}
