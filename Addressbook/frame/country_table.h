// Addressbook/frame/country_table.h: the countries offered wherever a mobile number is entered,
// with their international dialling codes (ITU-T E.164, as decimal text), in the order shown.
#pragma once

#include <cstddef>

struct CCountry
{
    const char* m_szName;
    const char* m_szCode;
};

constexpr size_t kCountryCount = 251;
extern const CCountry kCountryTable[kCountryCount];
