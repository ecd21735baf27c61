// common/registry_win.cpp: the settings seam on the real Windows registry.
#include "common/handle_win.h"
#include "common/registry.h"

#include <windows.h>

namespace
{
HKEY RootKey(ERegRoot p_eRoot)
{
    return p_eRoot == ERegRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

class CWindowsRegistry final : public Registry
{
  public:
    uint32_t QueryValue(ERegRoot p_eRoot, const std::string& p_sSubkey, const std::string& p_sName, uint32_t& p_dwType,
                        std::vector<uint8_t>& p_vData) override
    {
        unique_hkey key;
        LONG result = RegOpenKeyExA(RootKey(p_eRoot), p_sSubkey.c_str(), 0, KEY_READ, key.put());
        if (result != ERROR_SUCCESS)
            return static_cast<uint32_t>(result);
        // The value may grow between the size query and the read; ask again until it fits.
        for (int attempt = 0; attempt < 4; ++attempt)
        {
            DWORD type = 0;
            DWORD size = 0;
            result = RegQueryValueExA(key.get(), p_sName.c_str(), nullptr, &type, nullptr, &size);
            if (result != ERROR_SUCCESS)
                return static_cast<uint32_t>(result);
            p_vData.assign(size, 0);
            result = RegQueryValueExA(key.get(), p_sName.c_str(), nullptr, &type, p_vData.data(), &size);
            if (result == ERROR_MORE_DATA)
                continue;
            if (result != ERROR_SUCCESS)
                return static_cast<uint32_t>(result);
            p_vData.resize(size);
            p_dwType = type;
            return ERROR_SUCCESS;
        }
        return ERROR_MORE_DATA;
    }

    uint32_t SetValue(ERegRoot p_eRoot, const std::string& p_sSubkey, const std::string& p_sName, uint32_t p_dwType,
                      const void* p_pData, size_t p_nSize) override
    {
        unique_hkey key;
        LONG result = RegCreateKeyExA(RootKey(p_eRoot), p_sSubkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
        if (result != ERROR_SUCCESS)
            return static_cast<uint32_t>(result);
        result = RegSetValueExA(key.get(), p_sName.c_str(), 0, p_dwType, static_cast<const BYTE*>(p_pData),
                                static_cast<DWORD>(p_nSize));
        return static_cast<uint32_t>(result);
    }

    uint32_t OpenKey(ERegRoot p_eRoot, const std::string& p_sSubkey) override
    {
        unique_hkey key;
        return static_cast<uint32_t>(RegOpenKeyExA(RootKey(p_eRoot), p_sSubkey.c_str(), 0, KEY_READ, key.put()));
    }

    uint32_t DeleteValue(ERegRoot p_eRoot, const std::string& p_sSubkey, const std::string& p_sName) override
    {
        unique_hkey key;
        LONG result = RegOpenKeyExA(RootKey(p_eRoot), p_sSubkey.c_str(), 0, KEY_SET_VALUE, key.put());
        if (result != ERROR_SUCCESS)
            return static_cast<uint32_t>(result);
        return static_cast<uint32_t>(RegDeleteValueA(key.get(), p_sName.c_str()));
    }

    uint32_t DeleteTree(ERegRoot p_eRoot, const std::string& p_sSubkey) override
    {
        if (p_sSubkey.empty())
            return ERROR_ACCESS_DENIED;
        // Given a subkey name, RegDeleteTree removes that key itself along with everything below it.
        return static_cast<uint32_t>(RegDeleteTreeA(RootKey(p_eRoot), p_sSubkey.c_str()));
    }

    uint32_t EnumSubkeys(ERegRoot p_eRoot, const std::string& p_sSubkey, std::vector<std::string>& p_vNames) override
    {
        return Enumerate(p_eRoot, p_sSubkey, p_vNames, true);
    }

    uint32_t EnumValues(ERegRoot p_eRoot, const std::string& p_sSubkey, std::vector<std::string>& p_vNames) override
    {
        return Enumerate(p_eRoot, p_sSubkey, p_vNames, false);
    }

  private:
    static uint32_t Enumerate(ERegRoot p_eRoot, const std::string& p_sSubkey, std::vector<std::string>& p_vNames,
                              bool p_bKeys)
    {
        p_vNames.clear();
        unique_hkey key;
        LONG result = RegOpenKeyExA(RootKey(p_eRoot), p_sSubkey.c_str(), 0, KEY_READ, key.put());
        if (result != ERROR_SUCCESS)
            return static_cast<uint32_t>(result);
        for (DWORD index = 0;; ++index)
        {
            char name[16384];
            DWORD length = sizeof(name);
            result = p_bKeys ? RegEnumKeyExA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr)
                             : RegEnumValueA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (result == ERROR_NO_MORE_ITEMS)
                return ERROR_SUCCESS;
            if (result != ERROR_SUCCESS)
                return static_cast<uint32_t>(result);
            p_vNames.emplace_back(name, length);
        }
    }
};
} // namespace

Registry& SystemRegistry()
{
    static CWindowsRegistry s_oRegistry;
    return s_oRegistry;
}
