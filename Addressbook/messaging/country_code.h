// Addressbook/messaging/country_code.h: the country code that national numbers are completed with.
// The user's "CountryCode" setting wins; without it each use has its own fallback, and the mobile
// key asks the Windows telephony location (found once, then kept for the process).
#pragma once

#include "common/registry.h"
#include "common/settings.h"

#include <mutex>
#include <string>

extern const char* const kTelephonyLocationsKey; // SOFTWARE\Microsoft\Windows\CurrentVersion\Telephony\Locations

class CCountryCode
{
  public:
    explicit CCountryCode(Registry& p_oStore = SystemRegistry());
    CCountryCode(const CCountryCode&) = delete;
    CCountryCode& operator=(const CCountryCode&) = delete;

    // The stored "CountryCode" as it stands; empty when absent. Read on every call, so a change
    // made in the settings dialog applies to the next job.
    std::string Setting();
    // Setting, else the telephony location's country, else "27".
    std::string ForMobileKey();
    // Setting, else "27".
    std::string ForComparableForm();
    // Setting, else "+27".
    std::string ForNationalPrefix();

  private:
    std::string TelephonyLocationCountry();

    CRegistry m_oRegistry;
    std::mutex m_oMutex;
    bool m_bLocationFound = false;
    std::string m_sLocationCountry;
};

// The process's country code over the system registry.
CCountryCode& ProcessCountryCode();
