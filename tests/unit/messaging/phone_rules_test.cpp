// tests/unit/messaging/phone_rules_test.cpp: mobile tests, keys and forms, and where the country
// code comes from.
#include "Addressbook/messaging/country_code.h"
#include "Addressbook/messaging/phone_rules.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
struct CFormatCase
{
    const char* m_szNumber;
    bool m_bLocal;
    bool m_bInternational;
    bool m_bTrunk;
    bool m_bInvalidMobile;
};

TEST(PhoneRules, MobileFormatTests)
{
    const CFormatCase aCases[] = {
        {"(011) 555-1234", true, false, true, false},
        {"011x555", false, false, false, true},
        {"+", false, false, false, true},
        {"+27 82 555 1234", false, true, false, false},
        {"+(27) 82", false, true, false, false},
        {"082 555 1234", true, false, true, false},
        {"0082 555", true, false, false, true}, // "00" is no trunk prefix
        {"825551234", true, false, false, true},
        {" 082", false, false, false, true},
        {"<none>", false, false, false, false}, // the placeholder is not "invalid"
        {"", false, false, false, true},
        {"++27", false, false, false, true},
    };
    for (const CFormatCase& c : aCases)
    {
        SCOPED_TRACE(c.m_szNumber);
        EXPECT_EQ(c.m_bLocal, IsLocalFormat(c.m_szNumber));
        EXPECT_EQ(c.m_bInternational, IsInternationalFormat(c.m_szNumber));
        EXPECT_EQ(c.m_bTrunk, IsNationalTrunkForm(c.m_szNumber));
        EXPECT_EQ(c.m_bLocal || c.m_bInternational, PassesSendTest(c.m_szNumber));
        EXPECT_EQ(c.m_bInvalidMobile, IsInvalidMobile(c.m_szNumber));
    }
    EXPECT_FALSE(PassesSendTest(nullptr));
    EXPECT_TRUE(IsInvalidMobile(nullptr));
    EXPECT_TRUE(IsEmailAddress("a@b"));
    EXPECT_FALSE(IsEmailAddress("ab"));
    EXPECT_FALSE(IsEmailAddress(nullptr));
}

TEST(PhoneRules, MobileKeys)
{
    const struct
    {
        const char* m_szNumber;
        const char* m_szCountry;
        const char* m_szKey;
    } aCases[] = {
        {"082 555 1234", "27", "+27825551234"},
        {"+27 82 555 1234", "27", "+27825551234"},
        {"(082) 555-1234", "27", "+0825551234"}, // only a leading "0" is national
        {"082 555 1234", "+44", "+44825551234"},
        {"0abc", "27", "+27"}, // anything but phone characters: no digits of the number
        {"abc", "27", "+"},
        {"", "27", "+"},
    };
    for (const auto& c : aCases)
        EXPECT_EQ(c.m_szKey, MobileKey(c.m_szNumber, c.m_szCountry)) << c.m_szNumber;
    EXPECT_TRUE(HasNumberKey("082"));
    EXPECT_FALSE(HasNumberKey("0"));
    EXPECT_FALSE(HasNumberKey("<none>"));
}

TEST(PhoneRules, ComparableForms)
{
    const struct
    {
        const char* m_szNumber;
        const char* m_szCountry;
        const char* m_szForm;
    } aCases[] = {
        {"0825551234", "27", "27825551234"},
        {"09 44 20 7946", "27", "44207946"},
        {"09 44 20 7946", "44", "44944207946"},
        {"00 44 20 7946", "1", "44207946"},
        {"+27 (82) 555", "1", "2782555"},
        {"82-555", "27", "82555"},
        {"1+2", "27", "12"}, // a "+" after digits is not a prefix
    };
    for (const auto& c : aCases)
        EXPECT_EQ(c.m_szForm, ComparableForm(c.m_szNumber, std::string(c.m_szCountry))) << c.m_szNumber;
}

TEST(PhoneRules, InternationalForm)
{
    EXPECT_EQ("+27 825551234", InternationalForm("27", "082 555 1234"));
    EXPECT_EQ("+27 82 5551234", InternationalForm("27", "(082) 555-1234"));
    EXPECT_EQ("+44 20 7946", InternationalForm("+44", "(020)) 7946"));
    EXPECT_EQ("+27 ", InternationalForm("27", ""));
}

TEST(PhoneRules, NameJoining)
{
    EXPECT_EQ("Ann Lee", JoinNames("Ann", "Lee"));
    EXPECT_EQ("Lee, Ann", JoinNames("Ann", "Lee", true));
    EXPECT_EQ("Lee", JoinNames(nullptr, "Lee", true));
    EXPECT_EQ("Ann", JoinNames("Ann", nullptr));
    EXPECT_EQ("", JoinNames(nullptr, nullptr));
}

class CountryCodeTest : public ::testing::Test
{
  protected:
    void SetLocation(int p_iIndex, uint32_t p_dwId, uint32_t p_dwCountry)
    {
        const std::string sKey = std::string(kTelephonyLocationsKey) + "\\Location" + std::to_string(p_iIndex);
        ASSERT_TRUE(m_oRegistry.WriteRegistry(ERegRoot::LocalMachine, sKey, "ID", &p_dwId, 4, kRegDword));
        ASSERT_TRUE(m_oRegistry.WriteRegistry(ERegRoot::LocalMachine, sKey, "Country", &p_dwCountry, 4, kRegDword));
    }
    void SetCurrentLocation(uint32_t p_dwId)
    {
        ASSERT_TRUE(m_oRegistry.WriteRegistry(ERegRoot::LocalMachine, kTelephonyLocationsKey, "CurrentID", &p_dwId, 4,
                                              kRegDword));
    }

    std::unique_ptr<Registry> m_oStore = CreateMemoryRegistry();
    CRegistry m_oRegistry{*m_oStore};
};

TEST_F(CountryCodeTest, FallbacksWithoutSetting)
{
    CCountryCode oCountry(*m_oStore);
    EXPECT_EQ("27", oCountry.ForMobileKey());
    EXPECT_EQ("27", oCountry.ForComparableForm());
    EXPECT_EQ("+27", oCountry.ForNationalPrefix());
    EXPECT_EQ("27825551234", ComparableForm("0825551234", oCountry));
}

TEST_F(CountryCodeTest, SettingWinsAndIsReadEachTime)
{
    CCountryCode oCountry(*m_oStore);
    SetCurrentLocation(5);
    SetLocation(0, 5, 61);
    ASSERT_TRUE(m_oRegistry.WriteUserText("CountryCode", "44"));
    EXPECT_EQ("44", oCountry.ForMobileKey());
    EXPECT_EQ("44944207946", ComparableForm("09 44 20 7946", oCountry));
    ASSERT_TRUE(m_oRegistry.WriteUserText("CountryCode", "27"));
    EXPECT_EQ("44207946", ComparableForm("09 44 20 7946", oCountry));
    EXPECT_EQ("27", oCountry.ForNationalPrefix());
}

TEST_F(CountryCodeTest, TelephonyLocationIsSearchedAndKept)
{
    SetCurrentLocation(7);
    SetLocation(0, 3, 1);
    SetLocation(1, 7, 44);
    CCountryCode oCountry(*m_oStore);
    EXPECT_EQ("44", oCountry.ForMobileKey());
    EXPECT_EQ("27", oCountry.ForComparableForm()); // the location is the mobile key's fallback only
    SetLocation(1, 7, 61);
    EXPECT_EQ("44", oCountry.ForMobileKey()); // kept for the process once found
}

TEST_F(CountryCodeTest, LocationSearchStopsAtFirstGap)
{
    SetCurrentLocation(7);
    SetLocation(0, 3, 1);
    SetLocation(2, 7, 44);
    CCountryCode oCountry(*m_oStore);
    EXPECT_EQ("27", oCountry.ForMobileKey());
}
} // namespace
