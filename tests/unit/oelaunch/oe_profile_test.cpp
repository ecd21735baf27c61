// tests/unit/oelaunch/oe_profile_test.cpp: the version profile a file version selects, and the
// mail-on-start hand-over against an in-memory registry for each client layout.
#include "common/settings.h"
#include "oelaunch/oe_profile.h"

#include <gtest/gtest.h>

namespace
{
TEST(OEProfile, FileVersionSelectsTheProfile)
{
    const struct
    {
        uint32_t m_dwMS;
        int m_iMajor;
        const char* m_szBrowser;
    } rows[] = {{0x00040048, 4, "ThorBrowserWndClass"},
                {0x00050032, 5, "Outlook Express Browser Class"},
                {0x00060000, 6, "Outlook Express Browser Class"},
                {0x00070000, 6, "Outlook Express Browser Class"}};
    for (const auto& row : rows)
    {
        const int major = runbay::OEMajorFromFileVersion(row.m_dwMS);
        EXPECT_EQ(major, row.m_iMajor) << std::hex << row.m_dwMS;
        EXPECT_STREQ(runbay::ProfileFor(major).m_szBrowserClass, row.m_szBrowser);
    }
    EXPECT_EQ(runbay::OEMajorFromFileVersion(0x00030000), 0);
    EXPECT_STREQ(runbay::ProfileFor(4).m_szHiddenClass, "ThorShellWindowClass");
    EXPECT_STREQ(runbay::ProfileFor(6).m_szHiddenClass, "OutlookExpressHiddenWindow");
}

class MailOnStart : public ::testing::Test
{
  protected:
    static constexpr const char* kIdentity = "{11111111-2222-3333-4444-555555555555}";
    std::unique_ptr<Registry> m_p_oStore = CreateMemoryRegistry();

    void Seed(int p_iMajor, const uint32_t* p_pdwCheck)
    {
        if (p_iMajor > 4)
            (void)m_p_oStore->SetValue(ERegRoot::CurrentUser, "Identities", "Last User ID", kRegSz, kIdentity,
                                       std::char_traits<char>::length(kIdentity) + 1);
        if (p_pdwCheck != nullptr)
            (void)m_p_oStore->SetValue(ERegRoot::CurrentUser, MailKey(p_iMajor), "Check Mail on Startup", kRegDword,
                                       p_pdwCheck, 4);
    }
    static std::string MailKey(int p_iMajor)
    {
        return runbay::OESettingsKey(p_iMajor, kIdentity) + "\\Mail";
    }
    // -1 when absent.
    int64_t Stored(int p_iMajor)
    {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        if (m_p_oStore->QueryValue(ERegRoot::CurrentUser, MailKey(p_iMajor), "Check Mail on Startup", type, data) !=
                0 ||
            data.size() != 4 || type != kRegDword)
            return -1;
        return data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24;
    }
};

TEST_F(MailOnStart, AbsentOrOnIsSwitchedOffAndHandedOver)
{
    for (int major : {4, 5, 6})
    {
        m_p_oStore = CreateMemoryRegistry();
        Seed(major, nullptr);
        EXPECT_TRUE(runbay::HandOverMailOnStart(*m_p_oStore, major, false)) << major;
        EXPECT_EQ(Stored(major), 0) << major;

        const uint32_t on = 1;
        m_p_oStore = CreateMemoryRegistry();
        Seed(major, &on);
        EXPECT_TRUE(runbay::HandOverMailOnStart(*m_p_oStore, major, false)) << major;
        EXPECT_EQ(Stored(major), 0) << major;
    }
    EXPECT_EQ(runbay::OESettingsKey(4, kIdentity), "Software\\Microsoft\\Outlook Express");
}

TEST_F(MailOnStart, OffOfflineOrWithoutIdentityChangesNothing)
{
    const uint32_t off = 0, on = 7;
    Seed(6, &off);
    EXPECT_FALSE(runbay::HandOverMailOnStart(*m_p_oStore, 6, false));
    EXPECT_EQ(Stored(6), 0);

    m_p_oStore = CreateMemoryRegistry();
    Seed(5, &on);
    EXPECT_FALSE(runbay::HandOverMailOnStart(*m_p_oStore, 5, true));
    EXPECT_EQ(Stored(5), 7);

    // No current identity: the client has never run; there is no setting to switch.
    m_p_oStore = CreateMemoryRegistry();
    EXPECT_FALSE(runbay::HandOverMailOnStart(*m_p_oStore, 6, false));
    EXPECT_EQ(Stored(6), -1);
}
} // namespace
