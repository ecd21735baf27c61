// Addressbook/ui/country_box.cpp: filling and reading the country box; the telephony location.
#include "Addressbook/ui/country_box.h"

#include "Addressbook/frame/frame_messages.h"
#include "Addressbook/frame/library.h"
#include "Addressbook/messaging/country_table.h"
#include "Addressbook/ui/message_box.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/trace_log.h"

#include <cstring>

namespace
{
constexpr const char* kTelephonyLocations = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Telephony\\Locations";

bool ReadDword(CRegistry& p_oRegistry, const std::string& p_sKey, const char* p_szName, DWORD& p_dwValue)
{
    std::vector<uint8_t> data;
    uint32_t type = 0;
    if (!p_oRegistry.ReadRegistry(ERegRoot::LocalMachine, p_sKey, p_szName, true, data, &type))
        return false;
    if (type != kRegDword || data.size() != sizeof(DWORD))
        return false;
    std::memcpy(&p_dwValue, data.data(), sizeof(DWORD));
    return true;
}

std::string TapiCountryCode()
{
    using PFN_tapiGetLocationInfo = LONG(WINAPI*)(LPSTR, LPSTR);
    unique_hmodule tapi(LoadLibraryA("Tapi32.dll"));
    if (!tapi)
        return std::string();
    const auto pfn = reinterpret_cast<PFN_tapiGetLocationInfo>(GetProcAddress(tapi.get(), "tapiGetLocationInfo"));
    if (pfn == nullptr)
        return std::string();
    // The documented buffers are 8 characters each.
    char country[8] = {};
    char city[8] = {};
    if (pfn(country, city) != 0)
        return std::string();
    country[sizeof(country) - 1] = '\0';
    const std::string code(country);
    return CountryCodeValue(code) >= 0 ? code : std::string();
}

std::string RegistryCountryCode()
{
    CRegistry& registry = Library().m_oRegistry;
    DWORD current = 0;
    if (!ReadDword(registry, kTelephonyLocations, "CurrentID", current))
        return std::string();
    // Locations are numbered from 0 without gaps; the first missing key ends the search.
    for (int i = 0;; ++i)
    {
        const std::string key = std::string(kTelephonyLocations) + "\\Location" + std::to_string(i);
        if (!registry.KeyExists(ERegRoot::LocalMachine, key))
            return std::string();
        DWORD id = 0;
        if (!ReadDword(registry, key, "ID", id) || id != current)
            continue;
        DWORD country = 0;
        if (!ReadDword(registry, key, "Country", country))
            return std::string();
        return std::to_string(country);
    }
}
} // namespace

bool FillCountryBox(HWND p_hCombo, bool p_bWithChooseItem)
{
    if (p_hCombo == nullptr)
        return false;
    SendMessageA(p_hCombo, CB_RESETCONTENT, 0, 0);
    if (p_bWithChooseItem)
    {
        const std::string choose = TableText(kMsgChooseCountry);
        const LRESULT index = SendMessageA(p_hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choose.c_str()));
        if (index < 0)
            return false;
        SendMessageA(p_hCombo, CB_SETITEMDATA, static_cast<WPARAM>(index), kNoCountryData);
    }
    for (const CCountry& country : kCountryTable)
    {
        const std::string item = TableText(kMsgCountryItem, country.m_szName, country.m_szCode);
        const LRESULT index = SendMessageA(p_hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        if (index < 0)
        {
            LOG_FAILURE("CB_ADDSTRING failed for %s", country.m_szName);
            return false;
        }
        SendMessageA(p_hCombo, CB_SETITEMDATA, static_cast<WPARAM>(index), CountryCodeValue(country.m_szCode));
    }
    return true;
}

bool SelectCountryCode(HWND p_hCombo, const std::string& p_sCode)
{
    const long wanted = CountryCodeValue(p_sCode);
    if (p_hCombo == nullptr || wanted < 0)
        return false;
    const LRESULT count = SendMessageA(p_hCombo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
    {
        if (SendMessageA(p_hCombo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == wanted)
        {
            SendMessageA(p_hCombo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
            return true;
        }
    }
    return false;
}

std::string SelectedCountryCode(HWND p_hCombo)
{
    if (p_hCombo == nullptr)
        return std::string();
    const LRESULT index = SendMessageA(p_hCombo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return std::string();
    const LRESULT data = SendMessageA(p_hCombo, CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    if (data == CB_ERR || data == kNoCountryData || data < 0)
        return std::string();
    return std::to_string(static_cast<long long>(data));
}

std::string DefaultCountryCode()
{
    std::string code = TapiCountryCode();
    if (code.empty())
        code = RegistryCountryCode();
    return code;
}

bool CheckMobileLength(HWND p_hOwner, const std::string& p_sNumber)
{
    if (CountedMobileDigits(p_sNumber) >= kMinMobileDigits)
        return true;
    ShowWarning(p_hOwner, kMsgMobileTooShort, kMsgMobileTooShortText);
    return false;
}

bool CheckCountryChosen(HWND p_hOwner, HWND p_hCombo)
{
    if (!SelectedCountryCode(p_hCombo).empty())
        return true;
    ShowWarning(p_hOwner, kMsgNoCountry, kMsgNoCountryText);
    return false;
}

bool CheckMobileEntry(HWND p_hOwner, HWND p_hCombo, const std::string& p_sNumber)
{
    return CheckCountryChosen(p_hOwner, p_hCombo) && CheckMobileLength(p_hOwner, p_sNumber);
}
