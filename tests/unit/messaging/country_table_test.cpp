// tests/unit/messaging/country_table_test.cpp: the country table the country boxes show, its lookups
// by code and name, and the digit count the mobile length checks use.
#include "Addressbook/messaging/country_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <utility>

namespace
{
TEST(CountryTable, EntriesAreNamedWithCodesOfOneToFourDigitsInNameOrder)
{
    std::set<std::pair<std::string, std::string>> seen;
    const char* previous = "";
    for (const CCountry& country : kCountryTable)
    {
        ASSERT_NE(country.m_szName, nullptr);
        ASSERT_NE(country.m_szCode, nullptr);
        EXPECT_GT(std::strlen(country.m_szName), 0u);
        // A code is what the box stores as item data: a positive number without a leading zero.
        EXPECT_NE(country.m_szCode[0], '0') << country.m_szName;
        EXPECT_GT(CountryCodeValue(country.m_szCode), 0) << country.m_szName;
        EXPECT_EQ(std::to_string(CountryCodeValue(country.m_szCode)), country.m_szCode) << country.m_szName;
        // The box is unsorted: the table's order is the order the user scans.
        EXPECT_LE(std::strcmp(previous, country.m_szName), 0) << previous << " before " << country.m_szName;
        EXPECT_TRUE(seen.emplace(country.m_szName, country.m_szCode).second)
            << "twice: " << country.m_szName << " +" << country.m_szCode;
        previous = country.m_szName;
    }
    EXPECT_EQ(seen.size(), kCountryCount);
}

TEST(CountryTable, SharedCodesKeepEveryName)
{
    // The North American plan and the four ocean regions: one code or one name, several entries.
    for (const char* name : {"Alaska", "Bahamas", "United States of America", "Trinidad and Tobego"})
    {
        const CCountry* country = FindCountryByName(name);
        ASSERT_NE(country, nullptr) << name;
        EXPECT_STREQ(country->m_szCode, "1");
    }
    std::set<std::string> marisat;
    for (const CCountry& country : kCountryTable)
        if (std::strcmp(country.m_szName, "Marisat") == 0)
            marisat.insert(country.m_szCode);
    EXPECT_EQ(marisat, (std::set<std::string>{"871", "872", "873", "874"}));
}

TEST(CountryTable, LookupByCodeFindsTheFirstEntryInTableOrder)
{
    const std::pair<const char*, const char*> aCases[] = {
        {"44", "United Kingdom"},
        {"+44", "United Kingdom"},
        {"27", "South Africa"},
        {"+27", "South Africa"},
        {"1", "Alaska"},
        {"381", "Serbia, Republic Of"},
        {"34", "Balearic Islands"},
        {"0044", "United Kingdom"}, // leading zeros do not change the value
    };
    for (const auto& [code, name] : aCases)
    {
        const CCountry* country = FindCountryByCode(code);
        ASSERT_NE(country, nullptr) << code;
        EXPECT_STREQ(country->m_szName, name) << code;
    }
}

TEST(CountryTable, UnknownAndMalformedCodesFindNothing)
{
    for (const char* code : {"", "+", "0", "999", "9999", "12345", "+12345", "4 4", "44a", "-44", "++44", "+ 44"})
        EXPECT_EQ(FindCountryByCode(code), nullptr) << '"' << code << '"';
    EXPECT_EQ(FindCountryByName("Atlantis"), nullptr);
    EXPECT_EQ(FindCountryByName("united kingdom"), nullptr);
    EXPECT_EQ(FindCountryByName(""), nullptr);
}

TEST(CountryTable, CodeValues)
{
    EXPECT_EQ(CountryCodeValue("1"), 1);
    EXPECT_EQ(CountryCodeValue("+1"), 1);
    EXPECT_EQ(CountryCodeValue("9999"), 9999);
    EXPECT_EQ(CountryCodeValue("+0000"), 0);
    EXPECT_EQ(CountryCodeValue("12345"), -1);
    EXPECT_EQ(CountryCodeValue(""), -1);
    EXPECT_EQ(CountryCodeValue("+"), -1);
    EXPECT_EQ(CountryCodeValue("1+"), -1);
    EXPECT_EQ(CountryCodeValue(std::string_view("12\0", 3)), -1);
}

TEST(CountryTable, MobileDigitsSkipPunctuationAndOneLeadingZero)
{
    EXPECT_EQ(CountedMobileDigits(""), 0u);
    EXPECT_EQ(CountedMobileDigits("082 555 1234"), 9u);
    EXPECT_EQ(CountedMobileDigits("(082) 555-1234"), 9u);
    EXPECT_EQ(CountedMobileDigits("0082"), 3u);
    EXPECT_EQ(CountedMobileDigits("+27 82 555"), 7u);
    // Only the first digit may be dropped, and only when it is a zero.
    EXPECT_EQ(CountedMobileDigits("x0y0"), 1u);
    EXPECT_EQ(CountedMobileDigits("10"), 2u);
    EXPECT_EQ(CountedMobileDigits("abc"), 0u);
}
} // namespace
