// tests/unit/oehook/cc_mobile_text_test.cpp: the text "CC Mobile" hands to the launcher.
#include "oehook/cc_mobile_text.h"

#include <gtest/gtest.h>

namespace
{
TEST(CCMobileText, SubjectThenEveryAddressOfTheFields)
{
    const struct
    {
        const char* m_szSubject;
        std::vector<std::string> m_vFields;
        const char* m_szExpected;
    } cases[] = {
        {"Lunch", {"kim@brevolt.example", "", ""}, "Lunch;kim@brevolt.example"},
        {"",
         {"\"Kim Lee\" <kim@brevolt.example>; lee@brevolt.example", "cc@brevolt.example", "b@brevolt.example"},
         ";kim@brevolt.example;lee@brevolt.example;cc@brevolt.example;b@brevolt.example"},
        {"Re: a, b",
         {"Kim <kim@brevolt.example>,Lee <lee@brevolt.example>", " ; ,", ""},
         "Re: a, b;kim@brevolt.example;lee@brevolt.example"},
        // Angle brackets that never close keep the entry as typed.
        {"x", {"Kim <kim@brevolt.example", "", ""}, "x;Kim <kim@brevolt.example"},
        {"", {"", "", ""}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CCMobileText(c.m_szSubject, c.m_vFields), c.m_szExpected) << c.m_szSubject;
}

TEST(TrimmedText, DropsSpacesTabsAndLineBreaksAtBothEnds)
{
    EXPECT_EQ(TrimmedText(" \t a b \r\n"), "a b");
    EXPECT_EQ(TrimmedText(" \r\n\t"), "");
    EXPECT_EQ(TrimmedText(""), "");
}
} // namespace
