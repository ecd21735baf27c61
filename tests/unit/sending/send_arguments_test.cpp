// tests/unit/sending/send_arguments_test.cpp: brevolt-send's command line: recipients, lists,
// tokens and delivery times are read as typed, and every malformed argument is refused.
#include "tools/send_arguments.h"

#include <gtest/gtest.h>

namespace
{
TEST(SendArguments, ReadsRecipientsListsTokensAndTime)
{
    CSendArguments args;
    std::string error;
    ASSERT_TRUE(ParseSendArguments({"--to", " 082 555 0001 ; Bob Smith <+27 82 555 0002>;", "--cc", "0825550009",
                                    "--list", "Team: Dee Brown <0825550005>,0825550003", "--bulk", "--text",
                                    "Hi {First Name} {Last Name}!", "--at", "2027-01-15 09:30", "--package", "1",
                                    "--options", "0xA00"},
                                   args, error))
        << error;
    ASSERT_EQ(args.m_vTo.size(), 2u);
    EXPECT_EQ(args.m_vTo[0].m_sName, "");
    EXPECT_EQ(args.m_vTo[0].m_sMobile, "082 555 0001");
    EXPECT_EQ(args.m_vTo[1].m_sName, "Bob Smith");
    EXPECT_EQ(args.m_vTo[1].m_sMobile, "+27 82 555 0002");
    ASSERT_EQ(args.m_vCc.size(), 1u);
    ASSERT_EQ(args.m_vLists.size(), 1u);
    EXPECT_EQ(args.m_vLists[0].m_sName, "Team");
    ASSERT_EQ(args.m_vLists[0].m_vMembers.size(), 2u);
    EXPECT_EQ(args.m_vLists[0].m_vMembers[0].m_sName, "Dee Brown");
    EXPECT_EQ(args.m_sMessage, "Hi \x01 \x01!");
    ASSERT_EQ(args.m_vTokens.size(), 2u);
    EXPECT_EQ(args.m_vTokens[0].m_sName, "First Name");
    EXPECT_EQ(args.m_vTokens[0].m_nPosition, 3u);
    EXPECT_EQ(args.m_vTokens[1].m_sName, "Last Name");
    EXPECT_EQ(args.m_vTokens[1].m_nPosition, 5u);
    EXPECT_TRUE(args.m_bBulk);
    EXPECT_TRUE(args.m_bAt);
    EXPECT_EQ(args.m_oAt.m_wYear, 2027);
    EXPECT_EQ(args.m_oAt.m_wDayOfWeek, 5) << "15 January 2027 is a Friday";
    EXPECT_EQ(args.m_iPackage, 1);
    EXPECT_EQ(args.m_dwOptions, 0xA00u);
}

TEST(SendArguments, RefusesMalformedInput)
{
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--text", "hi"},
        {"--to", "0825550001"},
        {"--to", "0825550001", "--text", ""},
        {"--to", ";;", "--text", "hi"},
        {"--to", "Bob <>", "--text", "hi"},
        {"--to", "<0825550001>", "--text", "hi"},
        {"--to", "Bob <0825550001", "--text", "hi"},
        {"--to", "Bob 0825550001>", "--text", "hi"},
        {"--to", "0825550001", "--text", "hi {First Name}"},
        {"--to", "0825550001", "--bulk", "--text", "hi {First Name"},
        {"--to", "0825550001", "--bulk", "--text", "hi {}"},
        {"--to", "0825550001", "--text",
         "a\x01"
         "b"},
        {"--to", "0825550001", "--text", "hi", "--at", "2027-02-29 10:00"},
        {"--to", "0825550001", "--text", "hi", "--at", "2027-01-15 24:00"},
        {"--to", "0825550001", "--text", "hi", "--at", "2027-1-15 10:00"},
        {"--to", "0825550001", "--text", "hi", "--package", "5"},
        {"--to", "0825550001", "--text", "hi", "--package", "7"},
        {"--to", "0825550001", "--text", "hi", "--package", "x"},
        {"--to", "0825550001", "--text", "hi", "--options", "-1"},
        {"--to", "0825550001", "--text", "hi", "--list", "0825550002"},
        {"--to", "0825550001", "--text", "hi", "--frobnicate"},
        {"--to", "0825550001", "--text"},
    };
    for (const auto& args : cases)
    {
        CSendArguments parsed;
        std::string error;
        std::string joined;
        for (const auto& a : args)
            joined += "[" + a + "]";
        EXPECT_FALSE(ParseSendArguments(args, parsed, error)) << joined;
        EXPECT_FALSE(error.empty()) << joined;
    }
}

TEST(SendArguments, DatesAcrossLeapYears)
{
    const std::pair<const char*, int> good[] = {
        {"2024-02-29 00:00", 4}, {"2000-02-29 23:59", 2}, {"2026-12-08 11:30", 2}};
    for (const auto& g : good)
    {
        CSendDate date;
        ASSERT_TRUE(ParseSendDate(g.first, date)) << g.first;
        EXPECT_EQ(date.m_wDayOfWeek, g.second) << g.first;
    }
    for (const char* bad : {"1900-02-29 10:00", "2026-04-31 10:00", "2026-00-10 10:00", "2026-13-10 10:00",
                            "2026-12-08T11:30", "2026-12-08 11:3x"})
    {
        CSendDate date;
        EXPECT_FALSE(ParseSendDate(bad, date)) << bad;
    }
}
} // namespace
