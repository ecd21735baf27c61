// outlook/plugin_registration_win.cpp: writing and removing the client extension value.
#include "outlook/plugin_registration_win.h"

#include "common/failure_log.h"
#include "common/handle_win.h"

#include <windows.h>

std::string ClientExtensionValue(const std::string& p_sLibraryPath)
{
    // Context i is enabled by the i-th character: session, viewer, remote viewer, search viewer,
    // address book, send note, read note, send post, read post, read report, send resend, property
    // sheets, advanced criteria, task.
    return "4.0;" + p_sLibraryPath + ";1;01000100000000;1111000";
}

bool RegisterClientExtension(const std::string& p_sLibraryPath)
{
    unique_hkey key;
    if (LOG_IF_WIN32_ERROR(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kClientExtensionsKey, 0, nullptr, 0, KEY_SET_VALUE,
                                           nullptr, key.put(), nullptr)) != ERROR_SUCCESS)
        return false;
    const std::string value = ClientExtensionValue(p_sLibraryPath);
    return LOG_IF_WIN32_ERROR(RegSetValueExA(key.get(), kPluginExtensionName, 0, REG_SZ,
                                             reinterpret_cast<const BYTE*>(value.c_str()),
                                             static_cast<DWORD>(value.size() + 1))) == ERROR_SUCCESS;
}

bool UnregisterClientExtension()
{
    unique_hkey key;
    const LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kClientExtensionsKey, 0, KEY_SET_VALUE, key.put());
    if (opened == ERROR_FILE_NOT_FOUND)
        return true;
    if (LOG_IF_WIN32_ERROR(opened) != ERROR_SUCCESS)
        return false;
    const LONG deleted = RegDeleteValueA(key.get(), kPluginExtensionName);
    return deleted == ERROR_FILE_NOT_FOUND || LOG_IF_WIN32_ERROR(deleted) == ERROR_SUCCESS;
}
