// standins/oe/oe_control_win.cpp: the control channel's commands.
#include "standins/oe/oe_control_win.h"

#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/trace_log.h"
#include "standins/oe/oe_download_win.h"
#include "standins/oe/oe_profile.h"

#include <cstdlib>

#include <vector>

namespace oestandin
{
namespace
{
constexpr const char* kIdentityNotifyClass = "Identity Mgr Notify";
constexpr UINT kBroadcastTimeoutMs = 5000;

std::vector<HWND> IdentityNotifyWindows()
{
    std::vector<HWND> windows;
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, kIdentityNotifyClass, nullptr)) != nullptr;)
        windows.push_back(window);
    return windows;
}

void Broadcast(const std::vector<HWND>& p_vWindows, UINT p_nMessage)
{
    for (const HWND window : p_vWindows)
    {
        DWORD_PTR result = 0;
        if (SendMessageTimeoutA(window, p_nMessage, 0, 0, SMTO_NORMAL, kBroadcastTimeoutMs, &result) == 0)
            LOG_FAILURE("window %p did not take message 0x%X", static_cast<void*>(window), p_nMessage);
    }
}
} // namespace

bool SwitchIdentity(const std::string& p_sId)
{
    unique_hkey identity;
    if (p_sId.empty() || RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(kIdentitiesKey) + "\\" + p_sId).c_str(), 0,
                                       KEY_READ, identity.put()) != ERROR_SUCCESS)
    {
        LOG_FAILURE("no identity '%s'", p_sId.c_str());
        return false;
    }
    const UINT query = RegisterWindowMessageA("WM_QUERY_IDENTITY_CHANGE");
    const UINT changed = RegisterWindowMessageA("WM_IDENTITY_CHANGED");
    const std::vector<HWND> windows = IdentityNotifyWindows();
    Broadcast(windows, query);
    unique_hkey identities;
    if (LOG_IF_WIN32_ERROR(RegOpenKeyExA(HKEY_CURRENT_USER, kIdentitiesKey, 0, KEY_SET_VALUE, identities.put())) !=
            ERROR_SUCCESS ||
        LOG_IF_WIN32_ERROR(RegSetValueExA(identities.get(), "Last User ID", 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(p_sId.c_str()),
                                          static_cast<DWORD>(p_sId.size() + 1))) != ERROR_SUCCESS)
        return false;
    Broadcast(windows, changed);
    Log("Identity switched to %s", p_sId.c_str());
    return true;
}

bool RunControlCommand(const CControlContext& p_oContext, const std::string& p_sCommand)
{
    const size_t space = p_sCommand.find(' ');
    const std::string verb = p_sCommand.substr(0, space);
    const std::string argument = space == std::string::npos ? std::string() : p_sCommand.substr(space + 1);
    if (verb == "switch-identity")
        return SwitchIdentity(argument);
    if (verb == "download")
    {
        const unsigned long count = argument.empty() ? 1 : std::strtoul(argument.c_str(), nullptr, 10);
        if (count == 0 || count > 1000)
        {
            LOG_FAILURE("download of '%s' messages refused", argument.c_str());
            return false;
        }
        return RunDownload(p_oContext.m_hInstance, p_oContext.m_iMajor, static_cast<unsigned>(count));
    }
    LOG_FAILURE("unknown control command '%s'", p_sCommand.c_str());
    return false;
}
} // namespace oestandin
