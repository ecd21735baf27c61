// tests/unit/plugin/toolbar_definition_test.cpp: the toolbar definition reader: kinds, drop-downs
// with their children, positions, and the corrupt files that must fail as a whole.
#include "outlook/toolbar_definition.h"

#include <gtest/gtest.h>

namespace
{
TEST(ToolbarDefinition, ReadsKindsFieldsChildrenAndPositions)
{
    const std::string text = "B|ACTION:40027|New SMS|Write a new SMS|301|302|0\r\n"
                             "\r\n"
                             "Drop|https://x.example/?n=$$NAME|More|More things|303|304|2\n"
                             "C|ACTION:40010|Templates|Edit templates|305|306|0\n"
                             "Child|ACTION:40009|Rules|Inbox rules|307|308|\n"
                             "DropDownList|about:blank|Chevron|All|309|310|1\n"
                             "C|ACTION:40256|About|About it|311|312|0\n"
                             "Xtra|ACTION:40035|What's new|New things|313|314|0|ignored|fields";
    std::vector<CToolbarEntry> entries;
    ASSERT_TRUE(ParseToolbarDefinition(text, entries));
    ASSERT_EQ(entries.size(), 4u);

    EXPECT_EQ(entries[0].m_eKind, EToolbarEntryKind::Button);
    EXPECT_EQ(entries[0].m_sTarget, "ACTION:40027");
    EXPECT_EQ(entries[0].m_sCaption, "New SMS");
    EXPECT_EQ(entries[0].m_sToolTip, "Write a new SMS");
    EXPECT_EQ(entries[0].m_uFaceBitmap, 301u);
    EXPECT_EQ(entries[0].m_uSecondBitmap, 302u);

    // A "D" word under 11 characters is a drop-down button, 11 or more a drop-down list.
    EXPECT_EQ(entries[1].m_eKind, EToolbarEntryKind::DropDownButton);
    ASSERT_EQ(entries[1].m_vChildren.size(), 2u);
    EXPECT_EQ(entries[1].m_vChildren[1].m_sCaption, "Rules");
    EXPECT_EQ(entries[2].m_eKind, EToolbarEntryKind::DropDownList);
    ASSERT_EQ(entries[2].m_vChildren.size(), 1u);
    EXPECT_EQ(entries[3].m_eKind, EToolbarEntryKind::Other);

    // Positions run through the file, children included.
    EXPECT_EQ(entries[1].m_uPosition, 1u);
    EXPECT_EQ(entries[1].m_vChildren[0].m_uPosition, 2u);
    EXPECT_EQ(entries[2].m_uPosition, 4u);
    EXPECT_EQ(entries[3].m_uPosition, 6u);
}

TEST(ToolbarDefinition, CorruptFilesFailAsAWhole)
{
    const std::string good = "B|ACTION:40027|New SMS|tip|301|302|0\n";
    const struct
    {
        const char* m_szWhy;
        std::string m_sText;
    } cases[] = {
        {"a drop-down promising two children has one", good + "D|x|More|tip|1|2|2\nC|x|One|tip|1|2|0\n"},
        {"a drop-down's children end with the file", good + "D|x|More|tip|1|2|1\n"},
        {"a child where none is expected", good + "C|x|Stray|tip|1|2|0\n"},
        {"a button where a child is expected", "D|x|More|tip|1|2|1\n" + good},
        {"a line with six fields", good + "B|x|Short|tip|1|2\n"},
        {"a bitmap id that is no number", good + "B|x|Bad|tip|12a|2|0\n"},
        {"a negative bitmap id", good + "B|x|Bad|tip|-1|2|0\n"},
        {"a child count that is no number", good + "D|x|More|tip|1|2|two\n"},
        {"an absurd child count", good + "D|x|More|tip|1|2|4000000000\n"},
        {"a line over 1024 characters", good + "B|x|" + std::string(1100, 'w') + "|tip|1|2|0\n"},
    };
    for (const auto& testCase : cases)
    {
        std::vector<CToolbarEntry> entries(1);
        EXPECT_FALSE(ParseToolbarDefinition(testCase.m_sText, entries)) << testCase.m_szWhy;
        EXPECT_TRUE(entries.empty()) << testCase.m_szWhy;
    }

    std::vector<CToolbarEntry> entries;
    EXPECT_TRUE(ParseToolbarDefinition("", entries));
    EXPECT_TRUE(entries.empty());
    EXPECT_TRUE(ParseToolbarDefinition("B|x|" + std::string(1000, 'w') + "|t|1|2|0", entries)) << "long but legal";
}

TEST(ToolbarDefinition, CompanionIsTheFourthNewSMSEntryOrABrandedDefault)
{
    std::vector<CToolbarEntry> entries;
    ASSERT_TRUE(ParseToolbarDefinition("B|a|One|t|1|1|0\nB|a|Two|t|2|2|0\nB|a|Three|t|3|3|0\n"
                                       "B|ACTION:40027|Branded|Tip|308|309|0\n",
                                       entries));
    const CToolbarEntry fourth = CompanionEntry(entries, "New Branded SMS");
    EXPECT_EQ(fourth.m_sCaption, "Branded");
    EXPECT_EQ(fourth.m_uFaceBitmap, 308u);

    entries.pop_back();
    for (const auto& without : {entries, std::vector<CToolbarEntry>{}})
    {
        const CToolbarEntry fallback = CompanionEntry(without, "New Branded SMS");
        EXPECT_EQ(fallback.m_sCaption, "New Branded SMS");
        EXPECT_EQ(fallback.m_sToolTip, "New Branded SMS");
        EXPECT_EQ(fallback.m_uFaceBitmap, 0u) << "no picture";
        int action = 0;
        ASSERT_TRUE(ParseActionTarget(fallback.m_sTarget, action));
        EXPECT_EQ(action, 40027);
    }
}

TEST(ToolbarDefinition, ActionTargets)
{
    int action = 0;
    EXPECT_TRUE(ParseActionTarget("ACTION:40027", action));
    EXPECT_EQ(action, 40027);
    for (const char* target :
         {"ACTION:", "ACTION:12x", "action:12", "https://x.example/ACTION:1", "ACTION:99999999999"})
        EXPECT_FALSE(ParseActionTarget(target, action)) << target;
}
} // namespace
