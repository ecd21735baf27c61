// Addressbook/frame/country_box.cpp: filling and reading the country box; the telephony location.
#include "Addressbook/frame/country_box.h"

#include "Addressbook/frame/country_table.h"
#include "Addressbook/frame/frame_messages.h"
#include "Addressbook/frame/library.h"
#include "Addressbook/frame/message_box.h"
#include "common/handle_win.h"
#include "common/trace_log.h"

#include <cstring>

namespace
{
constexpr const char* kTelephonyLocations = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Telephony\\Locations";
// Codes are at most four digits; anything longer cannot name a table entry.
constexpr size_t kMaxCodeDigits = 4;

// The numeric value of a code text, or -1 when it is not 1 to 4 digits after an optional "+".
long CodeValue(const std::string& p_sCode)
{
    const size_t start = (!p_sCode.empty() && p_sCode[0] == '+') ? 1 : 0;
    const size_t digits = p_sCode.size() - start;
    if (digits == 0 || digits > kMaxCodeDigits)
        return -1;
    long value = 0;
    for (size_t i = start; i < p_sCode.size(); ++i)
    {
        if (p_sCode[i] < '0' || p_sCode[i] > '9')
            return -1;
        value = value * 10 + (p_sCode[i] - '0');
    }
    return value;
}

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
    return CodeValue(code) >= 0 ? code : std::string();
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
            Log("FillCountryBox: CB_ADDSTRING failed for %s", country.m_szName);
            return false;
        }
        SendMessageA(p_hCombo, CB_SETITEMDATA, static_cast<WPARAM>(index), CodeValue(country.m_szCode));
    }
    return true;
}

bool SelectCountryCode(HWND p_hCombo, const std::string& p_sCode)
{
    const long wanted = CodeValue(p_sCode);
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

size_t CountedMobileDigits(const std::string& p_sNumber)
{
    size_t digits = 0;
    bool first = true;
    for (char c : p_sNumber)
    {
        if (c < '0' || c > '9')
            continue;
        if (first && c == '0')
        {
            first = false;
            continue;
        }
        first = false;
        ++digits;
    }
    return digits;
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
