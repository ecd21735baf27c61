// tests/win/support/registry_text_win.cpp: string values of the real registry.
#include "tests/win/support/registry_text_win.h"

#include "common/handle_win.h"

bool WriteRegText(HKEY p_hRoot, const std::string& p_sKey, const char* p_szName, const std::string& p_sText)
{
    unique_hkey key;
    if (RegCreateKeyExA(p_hRoot, p_sKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS)
        return false;
    return RegSetValueExA(key.get(), p_szName, 0, REG_SZ, reinterpret_cast<const BYTE*>(p_sText.c_str()),
                          static_cast<DWORD>(p_sText.size() + 1)) == ERROR_SUCCESS;
}

bool ReadRegText(HKEY p_hRoot, const std::string& p_sKey, const char* p_szName, std::string& p_sText)
{
    char buffer[1024] = {};
    DWORD size = sizeof(buffer) - 1;
    if (RegGetValueA(p_hRoot, p_sKey.c_str(), p_szName, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return false;
    p_sText = buffer;
    return true;
}

void DeleteRegValue(HKEY p_hRoot, const std::string& p_sKey, const char* p_szName)
{
    unique_hkey key;
    if (RegOpenKeyExA(p_hRoot, p_sKey.c_str(), 0, KEY_SET_VALUE, key.put()) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key.get(), p_szName);
}

bool KeyExists(HKEY p_hRoot, const std::string& p_sKey)
{
    unique_hkey key;
    return RegOpenKeyExA(p_hRoot, p_sKey.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}
