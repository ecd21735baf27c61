// tests/unit/common/settings_test.cpp: the settings store's reading rules, run natively on the
// in-memory registry and under Wine on the real one.
#include "common/platform.h"
#include "common/settings.h"
#include "tests/unit/common/test_support.h"

#include <gtest/gtest.h>

namespace
{
class SettingsTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ResetProductKeys();
    }
    void TearDown() override
    {
        ResetProductKeys();
    }

    void StoreOptionsBytes(const std::string& p_sName, const std::vector<uint8_t>& p_vBytes)
    {
        ASSERT_TRUE(m_oRegistry.WriteRegistry(ERegRoot::CurrentUser, kOptionsKey, p_sName, p_vBytes.data(),
                                              p_vBytes.size(), kRegBinary));
    }

    CRegistry m_oRegistry{RegistryUnderTest()};
};

struct CNotifyCase
{
    uint32_t m_dwStored;
    uint32_t m_dwRead;
};

TEST_F(SettingsTest, NotifyDefaultsReadingRules)
{
    uint32_t flags = 0;
    EXPECT_FALSE(m_oRegistry.GetNotifyDefaults(flags));
    EXPECT_EQ(flags, 0xC7u) << "absent: phone, network, marker, failed deliveries, e-mail";

    const CNotifyCase cases[] = {
        {0x00, 0x08},             // 0x08 always set
        {0x04, 0x08},             // the marker only lives in the default
        {0x11, 0x19},             // SMS + e-mail pass through
        {0x22, 0x0A},             // failed wins over all
        {0x26, 0x0A},             // ... and the marker goes too
        {0x20, 0x28},             // all on its own stays
        {0xFFFFFFFF, 0xFFFFFFDB}, // every other bit is kept
    };
    for (const auto& c : cases)
    {
        ASSERT_TRUE(m_oRegistry.WriteOptionsDword("NotifyDefaults", c.m_dwStored));
        EXPECT_TRUE(m_oRegistry.GetNotifyDefaults(flags));
        EXPECT_EQ(flags, c.m_dwRead) << std::hex << "stored 0x" << c.m_dwStored;
    }

    ASSERT_TRUE(m_oRegistry.SetNotifyDefaults(0x11));
    uint32_t stored = 0;
    ASSERT_TRUE(m_oRegistry.ReadOptionsDword("NotifyDefaults", stored));
    EXPECT_EQ(stored, 0x19u) << "0x08 is set when written as well";
}

TEST_F(SettingsTest, SendDefaultsReadingRules)
{
    uint32_t flags = 0;
    std::string signature = "stale";
    EXPECT_FALSE(m_oRegistry.GetSendDefaults(flags, signature));
    EXPECT_EQ(flags, 0x0A00u) << "absent: signature on, replies to e-mail";
    EXPECT_EQ(signature, "");

    const CNotifyCase cases[] = {
        {0x1800, 0x1200},                   // both signature bits: no signature wins; no reply bit: e-mail
        {0x1A00, 0x1200}, {0x0400, 0x0400}, // replies to mobile only stays so
        {0x0600, 0x0600}, {0x2100, 0x2300}, // CC-to-mobile and copy-to-e-mail are kept
    };
    for (const auto& c : cases)
    {
        ASSERT_TRUE(m_oRegistry.SetSendDefaults(c.m_dwStored, "-- sent by Ann"));
        EXPECT_TRUE(m_oRegistry.GetSendDefaults(flags, signature));
        EXPECT_EQ(flags, c.m_dwRead) << std::hex << "stored 0x" << c.m_dwStored;
        EXPECT_EQ(signature, "-- sent by Ann");
    }
}

TEST_F(SettingsTest, OptionsValueOfWrongSizeIsAbsent)
{
    StoreOptionsBytes("NotifyDefaults", {0x11, 0x00});
    StoreOptionsBytes("SendDefaults", {0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
    uint32_t value = 0xDEAD;
    EXPECT_FALSE(m_oRegistry.ReadOptionsDword("NotifyDefaults", value));
    EXPECT_EQ(value, 0xDEADu);
    uint32_t flags = 0;
    std::string signature;
    EXPECT_FALSE(m_oRegistry.GetNotifyDefaults(flags));
    EXPECT_EQ(flags, 0xC7u);
    EXPECT_FALSE(m_oRegistry.GetSendDefaults(flags, signature));
    EXPECT_EQ(flags, 0x0A00u);
}

TEST_F(SettingsTest, TextsRoundTripWithTerminator)
{
    EXPECT_EQ(m_oRegistry.ReadUserText("Name"), "") << "absent text reads empty";
    ASSERT_TRUE(m_oRegistry.WriteUserText("Name", "Ann Example"));
    EXPECT_EQ(m_oRegistry.ReadUserText("Name"), "Ann Example");
    EXPECT_EQ(m_oRegistry.ReadUserText("NAME"), "Ann Example") << "names are case-insensitive";

    std::vector<uint8_t> raw;
    ASSERT_TRUE(m_oRegistry.ReadRegistry(ERegRoot::CurrentUser, kUserKey, "Name", false, raw));
    ASSERT_EQ(raw.size(), 12u) << "stored with its terminator";
    EXPECT_EQ(raw.back(), 0);

    // A value written without a terminator by someone else still reads whole.
    ASSERT_TRUE(m_oRegistry.WriteRegistry(ERegRoot::CurrentUser, kUserKey, "Phone", "0825551234", 10, kRegSz));
    EXPECT_EQ(m_oRegistry.ReadUserText("Phone"), "0825551234");
}

TEST_F(SettingsTest, InstallTextFailsWhenAbsentAndSetsLastError)
{
    std::string text = "untouched";
    platform::SetLastErrorCode(0);
    EXPECT_FALSE(m_oRegistry.ReadInstallText("Addressbook", text));
    EXPECT_EQ(text, "untouched");
    EXPECT_EQ(platform::GetLastErrorCode(), kErrorFileNotFound);

    std::vector<uint8_t> data;
    platform::SetLastErrorCode(1234);
    EXPECT_FALSE(m_oRegistry.ReadRegistry(ERegRoot::LocalMachine, kInstallKey, "Version", true, data));
    EXPECT_EQ(platform::GetLastErrorCode(), 1234u) << "a quiet read leaves the last error alone";

    const std::string path = "C:\\Program Files\\Brevolt\\Corvane.dll";
    ASSERT_TRUE(m_oRegistry.WriteRegistry(ERegRoot::LocalMachine, kInstallKey, "Addressbook", path.c_str(),
                                          path.size() + 1, kRegSz));
    ASSERT_TRUE(m_oRegistry.ReadInstallText("Addressbook", text));
    EXPECT_EQ(text, path);
}

TEST_F(SettingsTest, ExpandableStringIsExpanded)
{
    ASSERT_TRUE(SetEnvironment("BREVOLT_TEST_DIR", "D:\\Dict"));
    const std::string stored = "%BREVOLT_TEST_DIR%\\words.dic %NOT_DEFINED_ANYWHERE% 100%";
    ASSERT_TRUE(m_oRegistry.WriteRegistry(ERegRoot::LocalMachine, kInstallKey, "DictFile", stored.c_str(),
                                          stored.size() + 1, kRegExpandSz));
    std::vector<uint8_t> data;
    uint32_t type = 0;
    ASSERT_TRUE(m_oRegistry.ReadRegistry(ERegRoot::LocalMachine, kInstallKey, "DictFile", false, data, &type));
    const std::string expected = "D:\\Dict\\words.dic %NOT_DEFINED_ANYWHERE% 100%";
    EXPECT_EQ(type, kRegExpandSz);
    EXPECT_EQ(TextOfValue(data), expected);
    EXPECT_EQ(data.size(), expected.size() + 1) << "size is the expanded length with the terminator";
}

TEST_F(SettingsTest, ExpansionThatDoesNotFitFailsInsteadOfTruncating)
{
    ASSERT_TRUE(SetEnvironment("BREVOLT_TEST_LONG", std::string(1500, 'x')));
    const std::string stored = "%BREVOLT_TEST_LONG%%BREVOLT_TEST_LONG%";
    ASSERT_TRUE(m_oRegistry.WriteRegistry(ERegRoot::LocalMachine, kInstallKey, "DictFile", stored.c_str(),
                                          stored.size() + 1, kRegExpandSz));
    std::vector<uint8_t> data;
    platform::SetLastErrorCode(0);
    EXPECT_FALSE(m_oRegistry.ReadRegistry(ERegRoot::LocalMachine, kInstallKey, "DictFile", false, data));
    EXPECT_EQ(platform::GetLastErrorCode(), kErrorMoreData);
    EXPECT_TRUE(data.empty());
}

TEST_F(SettingsTest, KeyAndValueExistence)
{
    EXPECT_FALSE(m_oRegistry.KeyExists(ERegRoot::CurrentUser, kOptionsKey));
    ASSERT_TRUE(m_oRegistry.WriteOptionsDword("Reminder", 1));
    EXPECT_TRUE(m_oRegistry.KeyExists(ERegRoot::CurrentUser, kOptionsKey));
    EXPECT_TRUE(m_oRegistry.KeyExists(ERegRoot::CurrentUser, "software\\brevolt\\OPTIONS"));
    EXPECT_TRUE(m_oRegistry.ValueExists(ERegRoot::CurrentUser, kOptionsKey, "Reminder"));
    EXPECT_FALSE(m_oRegistry.ValueExists(ERegRoot::CurrentUser, kOptionsKey, "Attendee"));
    EXPECT_FALSE(m_oRegistry.ValueExists(ERegRoot::CurrentUser, kRulesKey, "Reminder"));
}

// Both registries answer a tree deletion alike: success once, then "not found".
TEST_F(SettingsTest, DeletingATreeRemovesTheKeyAndEverythingBelow)
{
    const std::string sRule = std::string(kRulesKey) + "\\Rule0";
    ASSERT_TRUE(m_oRegistry.WriteOptionsDword("Reminder", 1));
    ASSERT_TRUE(m_oRegistry.WriteRegistry(ERegRoot::CurrentUser, sRule + "\\Criterion0", "TriggerCriteria",
                                          "\x01\0\0\0", 4, kRegDword));
    Registry& oStore = RegistryUnderTest();
    EXPECT_EQ(oStore.DeleteTree(ERegRoot::CurrentUser, sRule), 0u);
    EXPECT_FALSE(m_oRegistry.KeyExists(ERegRoot::CurrentUser, sRule));
    EXPECT_TRUE(m_oRegistry.ValueExists(ERegRoot::CurrentUser, kOptionsKey, "Reminder"));
    EXPECT_EQ(oStore.DeleteTree(ERegRoot::CurrentUser, sRule), 2u);
}
} // namespace
