// oehook/latchkit_state_win.cpp: the shared section, the library's attach and detach, and the
// resource module's toolbar definition.
#include "oehook/latchkit_state_win.h"

#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/settings.h"
#include "common/trace_log.h"
#include "common/version_info_win.h"
#include "outlook/plugin_rules.h"

#include <cstdio>
#include <cstring>

// Initialised so that the linker keeps it in its own section; the section is shared between all
// processes that map the library.
CLatchkitShared g_oShared __attribute__((section(".shared"), shared)) = {};

namespace
{
CLatchkitProcess g_oProcess;

std::string ExecutablePath()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

bool EndsWithNoCase(const std::string& p_sText, const char* p_szTail)
{
    const size_t tail = std::strlen(p_szTail);
    return p_sText.size() >= tail && _stricmp(p_sText.c_str() + p_sText.size() - tail, p_szTail) == 0;
}

// The launcher finds Outlook Express through its App Paths entry, as the hooks do from there.
std::string InstalledClientPath()
{
    char folder[MAX_PATH] = {};
    DWORD size = sizeof folder;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\msimn.exe", "Path",
                     RRF_RT_REG_SZ, nullptr, folder, &size) != ERROR_SUCCESS)
        return std::string();
    return std::string(folder) + "\\msimn.exe";
}

void SelectProfile(const std::string& p_sClientPath)
{
    WORD version[4] = {};
    if (p_sClientPath.empty() || !platform::FileVersion(p_sClientPath, version))
    {
        LOG_FAILURE("no file version of '%s'", p_sClientPath.c_str());
        return;
    }
    Log("OEVersion %d %d", version[0], version[1]);
    g_oProcess.m_iMajor = version[0];
    g_oProcess.m_p_oProfile = &LatchkitProfileFor(version[0]);
}
} // namespace

CLatchkitProcess& Process()
{
    return g_oProcess;
}

void LoadToolbarDefinitions()
{
    CLatchkitProcess& process = Process();
    process.m_vToolbar.clear();
    process.m_oResources.Unload();
    process.m_bDefinitionsRead = true;
    CRegistry registry;
    process.m_bToolbarShowing = ToolbarShowingFromText(registry.ReadUserText("OEToolbarShowing"));
    std::string path;
    if (!CResourceModule::ConfiguredPath(path) || !process.m_oResources.Load(path))
        return;
    if (!process.m_oResources.ReadDefinition("Toolbar.txt", kToolbarTextType, process.m_vToolbar))
        Log("LoadToolbarDefinitions: no toolbar definition in %s", path.c_str());
    Log("Read the file %d", static_cast<int>(process.m_vToolbar.size()));
}

void EraseToolbarDefinitions()
{
    Log("Erasing the resources");
    Process().m_vToolbar.clear();
    Process().m_oResources.Unload();
}

std::string ClientSettingsKey()
{
    if (Process().m_iMajor <= 4)
        return "Software\\Microsoft\\Outlook Express";
    char id[64] = {};
    DWORD size = sizeof id;
    if (RegGetValueA(HKEY_CURRENT_USER, "Identities", "Last User ID", RRF_RT_REG_SZ, nullptr, id, &size) !=
        ERROR_SUCCESS)
        return std::string();
    return std::string("Identities\\") + id + "\\Software\\Microsoft\\Outlook Express\\5.0";
}

void SignalNamedEvent(const char* p_szName)
{
    const unique_handle event(LOG_IF_WIN32_BOOL_FALSE(CreateEventA(nullptr, FALSE, FALSE, p_szName)));
    if (event)
        LOG_IF_WIN32_BOOL_FALSE(SetEvent(event.get()));
}

bool PostToMonitor(UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    const HWND monitor = g_oShared.m_hMonitor;
    if (monitor == nullptr || !IsWindow(monitor))
        return false;
    return LOG_IF_WIN32_BOOL_FALSE(PostMessageA(monitor, p_nMsg, p_wParam, p_lParam)) != FALSE;
}

std::string TransferFilePath(DWORD p_dwStamp, const char* p_szExtension)
{
    char folder[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH)
    {
        Log("::GetOETransferFile(): GetTempPath() failed with result %lu", length);
        return std::string();
    }
    char path[MAX_PATH + 32] = {};
    std::snprintf(path, sizeof path, "%s%lX.%s", folder, static_cast<unsigned long>(p_dwStamp), p_szExtension);
    return path;
}

DWORD NewTransferStamp()
{
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return now.dwLowDateTime ^ now.dwHighDateTime;
}

BOOL WINAPI DllMain(HINSTANCE p_hInstance, DWORD p_dwReason, LPVOID p_pReserved)
{
    if (p_dwReason == DLL_PROCESS_ATTACH)
    {
        DisableThreadLibraryCalls(p_hInstance);
        g_oProcess.m_hInstance = p_hInstance;
        Log("DllMain: Attempting to load the resources.");
        g_oProcess.m_bMonitored = g_oShared.m_dwProcessId != 0 && g_oShared.m_dwProcessId == GetCurrentProcessId();
        const std::string executable = ExecutablePath();
        if (g_oProcess.m_bMonitored)
            SelectProfile(executable);
        else if (EndsWithNoCase(executable, "\\Runbay.exe"))
            SelectProfile(InstalledClientPath());
    }
    // At process exit the resource module goes with the process; only an unload frees it.
    else if (p_dwReason == DLL_PROCESS_DETACH && g_oProcess.m_bMonitored && p_pReserved == nullptr)
        EraseToolbarDefinitions();
    return TRUE;
}
