// Addressbook/messaging/country_code.cpp: reading the country code setting and the telephony location.
#include "Addressbook/messaging/country_code.h"

#include <cstdint>
#include <vector>

const char* const kTelephonyLocationsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Telephony\\Locations";

namespace
{
// A machine lists a handful of dialling locations; the cap only stops a damaged registry from
// keeping the search going.
constexpr int kMaxLocations = 1024;

bool ReadMachineDword(CRegistry& p_oRegistry, const std::string& p_sKey, const char* p_szName, uint32_t& p_dwValue)
{
    std::vector<uint8_t> data;
    uint32_t dwType = 0;
    if (!p_oRegistry.ReadRegistry(ERegRoot::LocalMachine, p_sKey, p_szName, true, data, &dwType) || data.size() != 4)
        return false;
    p_dwValue = static_cast<uint32_t>(data[0]) | (static_cast<uint32_t>(data[1]) << 8) |
                (static_cast<uint32_t>(data[2]) << 16) | (static_cast<uint32_t>(data[3]) << 24);
    return true;
}
} // namespace

CCountryCode::CCountryCode(Registry& p_oStore) : m_oRegistry(p_oStore)
{
}

std::string CCountryCode::Setting()
{
    return m_oRegistry.ReadUserText("CountryCode");
}

std::string CCountryCode::ForMobileKey()
{
    std::string sCode = Setting();
    if (!sCode.empty())
        return sCode;
    sCode = TelephonyLocationCountry();
    return sCode.empty() ? std::string("27") : sCode;
}

std::string CCountryCode::ForComparableForm()
{
    const std::string sCode = Setting();
    return sCode.empty() ? std::string("27") : sCode;
}

std::string CCountryCode::ForNationalPrefix()
{
    const std::string sCode = Setting();
    return sCode.empty() ? std::string("+27") : sCode;
}

std::string CCountryCode::TelephonyLocationCountry()
{
    std::lock_guard<std::mutex> lock(m_oMutex);
    if (m_bLocationFound)
        return m_sLocationCountry;
    // Not finding a location is not remembered: the user may set one up while we run.
    uint32_t dwCurrentId = 0;
    if (!ReadMachineDword(m_oRegistry, kTelephonyLocationsKey, "CurrentID", dwCurrentId))
        return std::string();
    for (int i = 0; i < kMaxLocations; ++i)
    {
        const std::string sKey = std::string(kTelephonyLocationsKey) + "\\Location" + std::to_string(i);
        if (!m_oRegistry.KeyExists(ERegRoot::LocalMachine, sKey))
            break;
        uint32_t dwId = 0;
        if (!ReadMachineDword(m_oRegistry, sKey, "ID", dwId) || dwId != dwCurrentId)
            continue;
        uint32_t dwCountry = 0;
        if (!ReadMachineDword(m_oRegistry, sKey, "Country", dwCountry))
            return std::string();
        m_sLocationCountry = std::to_string(dwCountry);
        m_bLocationFound = true;
        return m_sLocationCountry;
    }
    return std::string();
}

CCountryCode& ProcessCountryCode()
{
    static CCountryCode s_oCountryCode;
    return s_oCountryCode;
}
