// tests/unit/plugin/plugin_rules_test.cpp: the host classification, the stored toolbar state, the
// About box's version line, web target tokens and the command-id table.
#include "outlook/plugin_rules.h"

#include <gtest/gtest.h>

#include <map>

namespace
{
TEST(HostVersion, CodesAndGuiKinds)
{
    const struct
    {
        uint16_t m_wMajor, m_wMinor;
        int m_iCode, m_iGuiKind;
    } rows[] = {{7, 9, 0, 1},  {8, 0, 1, 2},  {8, 4, 1, 2},  {8, 5, 2, 2},  {8, 6, 1, 2}, {9, 0, 3, 3},
                {10, 0, 4, 3}, {11, 0, 5, 3}, {12, 0, 6, 3}, {16, 0, 6, 3}, {0, 0, 0, 1}};
    for (const auto& row : rows)
    {
        const int code = HostVersionCode(row.m_wMajor, row.m_wMinor);
        EXPECT_EQ(code, row.m_iCode) << row.m_wMajor << "." << row.m_wMinor;
        EXPECT_EQ(GuiKind(code), row.m_iGuiKind) << row.m_wMajor << "." << row.m_wMinor;
    }
}

TEST(StoredTexts, ToolbarShowingAndVersionLine)
{
    EXPECT_FALSE(ToolbarShowingFromText("False"));
    EXPECT_FALSE(ToolbarShowingFromText("FALSEHOOD"));
    EXPECT_TRUE(ToolbarShowingFromText("True"));
    EXPECT_TRUE(ToolbarShowingFromText("FALS"));
    EXPECT_TRUE(ToolbarShowingFromText(""));
    EXPECT_TRUE(ToolbarShowingFromText("Fa1se"));

    EXPECT_EQ(AboutVersionLine("10001234"), "100.0.1");
    EXPECT_EQ(AboutVersionLine("0.9"), "0.9");
    EXPECT_EQ(AboutVersionLine("1.0.0.1"), "1.0.0.1");
}

TEST(WebTargets, TokensAreEscapedReadOnceAndAFailedReadOpensNothing)
{
    std::map<std::string, std::string> settings = {{"Name", "Ann Lee"},   {"FirstName", "Ann"},
                                                   {"LastName", "O'Lee"}, {"Email", "ann@x.example"},
                                                   {"Version", "1.0"},    {"Phone", "+27 82"}};
    std::map<std::string, int> reads;
    const SettingReader read = [&](const std::string& name, std::string& value) {
        ++reads[name];
        const auto found = settings.find(name);
        if (found == settings.end())
            return false;
        value = found->second;
        return true;
    };
    std::vector<std::pair<std::string, std::string>> cache;
    std::string url;
    ASSERT_TRUE(SubstituteTargetTokens("https://x.example/?n=$$NAME&f=$$FIRSTNAME&l=$$LASTNAME&e=$$EMAIL&v=$$VERSION"
                                       "&p=$$PHONE&again=$$NAME&$$UNKNOWN",
                                       read, cache, url));
    EXPECT_EQ(url, "https://x.example/?n=Ann%20Lee&f=Ann&l=O%27Lee&e=ann%40x%2eexample&v=1%2e0&p=%2b27%2082"
                   "&again=Ann%20Lee&$$UNKNOWN");
    EXPECT_EQ(reads["Name"], 1);
    ASSERT_TRUE(SubstituteTargetTokens("$$NAME", read, cache, url));
    EXPECT_EQ(reads["Name"], 1) << "values are cached";

    url = "stale";
    EXPECT_FALSE(SubstituteTargetTokens("https://x.example/?c=$$COMPANYNAME", read, cache, url));
    EXPECT_TRUE(url.empty());

    EXPECT_EQ(UrlEscape("\xE9-z"), "%e9%2dz");
    const uint8_t entry[] = {0x00, 0xAB, 0x1F};
    EXPECT_EQ(EntryIdHex(entry, 3), "00AB1F");
}

TEST(CommandIdTable, BothWaysWithoutDuplicatesUpToItsCapacity)
{
    CCommandIdTable table;
    EXPECT_TRUE(table.Add(40027, 0x4000));
    EXPECT_TRUE(table.Add(40005, 0x4001));
    EXPECT_FALSE(table.Add(40027, 0x4002)) << "a resource id has one command id";
    EXPECT_FALSE(table.Add(40006, 0x4001)) << "a command id has one resource id";
    EXPECT_EQ(table.CommandOf(40005), 0x4001u);
    EXPECT_EQ(table.ResourceOf(0x4000), 40027u);
    EXPECT_FALSE(table.ResourceOf(0x4002).has_value());
    EXPECT_FALSE(table.CommandOf(1).has_value());

    CCommandIdTable full;
    for (uint32_t i = 0; i < CCommandIdTable::kCapacity; ++i)
        ASSERT_TRUE(full.Add(i, 0x10000 + i));
    EXPECT_FALSE(full.Add(9999999, 1));
}
} // namespace
