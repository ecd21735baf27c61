// Addressbook/protocol/platform_records_win.cpp: Windows' answers for the platform and language
// records, and the proof that the portable records match the system's layouts.
#include "Addressbook/protocol/protocol_records.h"
#include "common/handle_win.h"
#include "common/version_info_win.h"

#include <windows.h>

#include <cstring>
#include <vector>

static_assert(sizeof(SYSTEMTIME) == sizeof(CSystemTime));
static_assert(offsetof(SYSTEMTIME, wDayOfWeek) == offsetof(CSystemTime, m_wDayOfWeek));
static_assert(offsetof(SYSTEMTIME, wMilliseconds) == offsetof(CSystemTime, m_wMilliseconds));
static_assert(sizeof(OSVERSIONINFOEXA) == sizeof(COSVersionInfo) && sizeof(OSVERSIONINFOA) == kOSVersionInfoSize);
static_assert(offsetof(OSVERSIONINFOEXA, szCSDVersion) == offsetof(COSVersionInfo, m_szCSDVersion));
static_assert(offsetof(OSVERSIONINFOEXA, wServicePackMajor) == offsetof(COSVersionInfo, m_wServicePackMajor));
static_assert(offsetof(OSVERSIONINFOEXA, wProductType) == offsetof(COSVersionInfo, m_bProductType));

namespace
{
class CWindowsPlatformFacts : public IPlatformFacts
{
  public:
    void OSVersion(COSVersionInfo& p_oInfo) override
    {
        OSVERSIONINFOEXA info = {};
        info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)))
        {
            info = {};
            info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
            if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)))
                info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        }
#pragma GCC diagnostic pop
        static_assert(sizeof(info) == sizeof(p_oInfo));
        memcpy(static_cast<void*>(&p_oInfo), &info, sizeof(info));
    }

    std::string SystemDirectory() override
    {
        char path[MAX_PATH] = {};
        const UINT length = GetSystemDirectoryA(path, MAX_PATH);
        return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
    }

    bool FileLanguage(const std::string& p_sPath, uint16_t& p_wLangId) override
    {
        std::vector<char> data;
        if (!platform::ReadVersionBlock(p_sPath, data))
            return false;
        void* translation = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &translation, &length) || length < 4)
            return false;
        p_wLangId = *static_cast<const WORD*>(translation);
        return true;
    }

    uint16_t UserDefaultLangId() override
    {
        return GetUserDefaultLangID();
    }

    bool ClassesRootText(const std::string& p_sSubkey, const std::string& p_sName, std::string& p_sText) override
    {
        unique_hkey key;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, p_sSubkey.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
            return false;
        DWORD type = 0;
        DWORD size = 0;
        LONG result = RegQueryValueExA(key.get(), p_sName.c_str(), nullptr, &type, nullptr, &size);
        std::vector<char> data(size + 1, '\0');
        if (result == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ))
            result = RegQueryValueExA(key.get(), p_sName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                                      &size);
        else
            result = ERROR_INVALID_DATA;
        if (result != ERROR_SUCCESS)
            return false;
        p_sText = data.data();
        return true;
    }

    // The object model's LanguageSettings live behind the thread's Outlook application object,
    // which the library frame holds; until it hands that in, the language counts as not found.
    bool OutlookUILanguage(uint16_t&) override
    {
        return false;
    }
};
} // namespace

IPlatformFacts& SystemPlatformFacts()
{
    static CWindowsPlatformFacts s_oFacts;
    return s_oFacts;
}
