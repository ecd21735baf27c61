// Addressbook/messaging/country_table.h: the countries offered wherever a mobile number is entered,
// with their international dialling codes (ITU-T E.164, as decimal text), in the order shown.
#pragma once

#include <cstddef>
#include <string_view>

struct CCountry
{
    const char* m_szName;
    const char* m_szCode;
};

constexpr size_t kCountryCount = 251;
extern const CCountry kCountryTable[kCountryCount];

// Codes are at most four digits; anything longer cannot name a table entry.
constexpr size_t kMaxCountryCodeDigits = 4;

// The numeric value of a code text, or -1 when it is not 1 to 4 digits after an optional "+".
[[nodiscard]] long CountryCodeValue(std::string_view p_sCode);
// The first entry, in table order, whose code has the value of p_sCode; nullptr when none has.
[[nodiscard]] const CCountry* FindCountryByCode(std::string_view p_sCode);
// The first entry of that exact name; nullptr when none has it.
[[nodiscard]] const CCountry* FindCountryByName(std::string_view p_sName);

// The digits of a mobile number, less one leading zero: what its length checks count.
[[nodiscard]] size_t CountedMobileDigits(std::string_view p_sNumber);
