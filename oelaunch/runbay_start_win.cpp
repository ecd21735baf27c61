// oelaunch/runbay_start_win.cpp: the start-up steps of Runbay.exe.
#include "oelaunch/runbay_start_win.h"

#include "common/failure_log.h"
#include "common/settings.h"
#include "common/trace_log.h"
#include "common/version_info_win.h"
#include "oelaunch/oe_profile.h"

#include <shellapi.h>

namespace runbay
{
bool SetUpOEPath(std::string& p_sPath)
{
    Log("SetUpOEPath\n");
    CRegistry registry;
    std::vector<uint8_t> data;
    if (!registry.ReadRegistry(ERegRoot::LocalMachine, kAppPathsKey, "Path", true, data))
        return false;
    const std::string folder = TextOfValue(data);
    if (folder.empty())
        return false;
    p_sPath = folder + "\\msimn.exe";
    return true;
}

int OEMajorOfFile(const std::string& p_sPath)
{
    WORD version[4] = {};
    if (!platform::FileVersion(p_sPath, version))
        return 0;
    return OEMajorFromFileVersion(static_cast<uint32_t>(version[0]) << 16 | version[1]);
}

namespace
{
EAtomicity CreateNamedEvent(const char* p_szName, unique_handle& p_hEvent)
{
    p_hEvent.reset(CreateEventA(nullptr, FALSE, FALSE, p_szName));
    if (!p_hEvent)
    {
        LogCallFailure(__PRETTY_FUNCTION__, p_szName, EResultKind::Win32Error, failure_log::LastError());
        return EAtomicity::Failed;
    }
    return GetLastError() == ERROR_ALREADY_EXISTS ? EAtomicity::AnotherRuns : EAtomicity::First;
}

bool GlobalUserOffline(int p_iMajor)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    const LONG result = p_iMajor <= 4 ? RegGetValueA(HKEY_USERS, kDefaultUserInternetSettingsKey, "GlobalUserOffline",
                                                     RRF_RT_REG_DWORD, nullptr, &value, &size)
                                      : RegGetValueA(HKEY_CURRENT_USER, kInternetSettingsKey, "GlobalUserOffline",
                                                     RRF_RT_REG_DWORD, nullptr, &value, &size);
    return result == ERROR_SUCCESS && value != 0;
}
} // namespace

EAtomicity CheckStartupAtomicity(unique_handle& p_hEvent)
{
    return CreateNamedEvent(kStartupEventName, p_hEvent);
}

EAtomicity CheckAtomicity(unique_handle& p_hEvent, const char* p_szHiddenClass)
{
    const EAtomicity created = CreateNamedEvent(kAtomicityEventName, p_hEvent);
    // The event outlives a monitor that crashed; only a running client under it counts.
    if (created == EAtomicity::AnotherRuns && FindWindowA(p_szHiddenClass, nullptr) == nullptr)
        return EAtomicity::First;
    return created;
}

void StartOEByShell(const std::string& p_sPath)
{
    const HINSTANCE result = ShellExecuteA(nullptr, "open", p_sPath.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<intptr_t>(result) <= 32)
        LOG_FAILURE("ShellExecute('%s') failed with result %d", p_sPath.c_str(),
                    static_cast<int>(reinterpret_cast<intptr_t>(result)));
}

void HandOverMailOnStart(int p_iMajor, COEHooks& p_oHooks)
{
    if (HandOverMailOnStart(SystemRegistry(), p_iMajor, GlobalUserOffline(p_iMajor)))
        p_oHooks.ResetInitialSendReceive();
}
} // namespace runbay
