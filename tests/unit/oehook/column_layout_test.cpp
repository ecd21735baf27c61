// tests/unit/oehook/column_layout_test.cpp: the "Sent SMSs" column layout swapped in and out of the
// client's settings, for each version's source of the SMS layout.
#include "oehook/column_layout.h"

#include <gtest/gtest.h>

namespace
{
const std::string kKey = "Identities\\{id}\\Software\\Microsoft\\Outlook Express\\5.0\\Columns";
const std::vector<uint8_t> kUserLayout = {1, 2, 3, 4, 5, 6, 7, 8};
const std::vector<uint8_t> kOutLayout = {9, 9, 9, 9};

std::vector<uint8_t> Value(Registry& p_oRegistry, const char* p_szName, uint32_t* p_pType = nullptr)
{
    uint32_t type = 0;
    std::vector<uint8_t> data;
    if (p_oRegistry.QueryValue(ERegRoot::CurrentUser, kKey, p_szName, type, data) != kErrorSuccess)
        return {};
    if (p_pType != nullptr)
        *p_pType = type;
    return data;
}

void Put(Registry& p_oRegistry, const char* p_szName, const std::vector<uint8_t>& p_vData)
{
    ASSERT_EQ(p_oRegistry.SetValue(ERegRoot::CurrentUser, kKey, p_szName, kRegBinary, p_vData.data(), p_vData.size()),
              kErrorSuccess);
}

TEST(BuiltInSMSColumns, HaveTheLayoutsOfVersions4And6)
{
    const std::vector<uint8_t> oe4 = BuiltInSMSColumns(4);
    ASSERT_EQ(oe4.size(), 152u);
    EXPECT_EQ(oe4[0], 0x04);
    EXPECT_EQ(oe4[2], 0x98);
    EXPECT_EQ(oe4[71], 0x00);
    EXPECT_EQ(oe4[68], 0x2c);
    for (size_t at = 72; at < 152; at += 8)
        EXPECT_EQ(std::vector<uint8_t>(oe4.begin() + static_cast<long>(at), oe4.begin() + static_cast<long>(at) + 8),
                  (std::vector<uint8_t>{0xff, 0xff, 0xff, 0xff, 0, 0, 0, 0}))
            << at;
    const std::vector<uint8_t> oe6 = BuiltInSMSColumns(6);
    ASSERT_EQ(oe6.size(), 80u);
    EXPECT_EQ(oe6.front(), 0x10);
    EXPECT_EQ(oe6[76], 0x9b);
}

TEST(ColumnLayout, SwapInTakesTheStoredThenTheVersionsLayoutAndSwapBackRestores)
{
    const struct
    {
        int m_iMajor;
        bool m_bStoredSMS;
        std::vector<uint8_t> m_vExpected;
    } cases[] = {
        {6, false, BuiltInSMSColumns(6)},
        {4, false, BuiltInSMSColumns(4)},
        {5, false, kOutLayout},
        {6, true, {7, 7}},
        {5, true, {7, 7}},
    };
    for (const auto& c : cases)
    {
        const std::unique_ptr<Registry> registry = CreateMemoryRegistry();
        Put(*registry, "Mail Column Info (In)", kUserLayout);
        Put(*registry, "Mail Column Info (Out)", kOutLayout);
        if (c.m_bStoredSMS)
            Put(*registry, "Mail Column Info (SMS)", {7, 7});
        CColumnLayout layout(*registry, kKey, c.m_iMajor);
        ASSERT_TRUE(layout.SwapIn()) << c.m_iMajor;
        EXPECT_EQ(Value(*registry, "Mail Column Info (In)"), c.m_vExpected) << c.m_iMajor << " " << c.m_bStoredSMS;
        EXPECT_EQ(Value(*registry, "Mail Column Info (In Backup)"), kUserLayout);
        uint32_t type = 0;
        EXPECT_EQ(Value(*registry, "Mail Column Info (In Modified)", &type), (std::vector<uint8_t>{1, 0, 0, 0}));
        EXPECT_EQ(type, kRegDword);
        // Selecting "Sent SMSs" again must not back the SMS layout up over the user's.
        ASSERT_TRUE(layout.SwapIn());
        EXPECT_EQ(Value(*registry, "Mail Column Info (In Backup)"), kUserLayout);

        ASSERT_TRUE(layout.SwapBack());
        EXPECT_EQ(Value(*registry, "Mail Column Info (In)"), kUserLayout);
        EXPECT_TRUE(Value(*registry, "Mail Column Info (In Backup)").empty());
        EXPECT_FALSE(layout.SwappedIn());
        // Another folder after that changes nothing.
        ASSERT_TRUE(layout.SwapBack());
        EXPECT_EQ(Value(*registry, "Mail Column Info (In)"), kUserLayout);
    }
}

TEST(ColumnLayout, ColumnsChangedWhileShownBecomeTheSMSLayout)
{
    const std::unique_ptr<Registry> registry = CreateMemoryRegistry();
    Put(*registry, "Mail Column Info (In)", kUserLayout);
    CColumnLayout layout(*registry, kKey, 6);
    ASSERT_TRUE(layout.SwapIn());
    Put(*registry, "Mail Column Info (In)", {5, 5, 5});
    ASSERT_TRUE(layout.StoreCurrentAsSMS());
    ASSERT_TRUE(layout.SwapBack());
    ASSERT_TRUE(layout.SwapIn());
    EXPECT_EQ(Value(*registry, "Mail Column Info (In)"), (std::vector<uint8_t>{5, 5, 5}));
}

TEST(ColumnLayout, NoLayoutToBackUpLeavesTheSettingsAlone)
{
    const std::unique_ptr<Registry> registry = CreateMemoryRegistry();
    CColumnLayout layout(*registry, kKey, 6);
    EXPECT_FALSE(layout.SwapIn());
    EXPECT_TRUE(Value(*registry, "Mail Column Info (In)").empty());
    EXPECT_TRUE(Value(*registry, "Mail Column Info (In Modified)").empty());
    EXPECT_FALSE(layout.StoreCurrentAsSMS());
}
} // namespace
