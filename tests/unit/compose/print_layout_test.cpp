// tests/unit/compose/print_layout_test.cpp: where printed lines break and how many pages they take.
#include "compose/print_layout.h"

#include <gtest/gtest.h>

using compose::PageCount;
using compose::WrapText;

namespace
{
// Every character one unit wide.
int Width(const std::string& p_sText)
{
    return static_cast<int>(p_sText.size());
}

std::vector<std::string> Wrap(const std::string& p_sText, int p_iWidth)
{
    return WrapText(p_sText, p_iWidth, &Width);
}
} // namespace

TEST(PrintLayout, LinesBreakAtLineEndsThenAtTheLastSpaceThatFits)
{
    const struct
    {
        const char* m_szText;
        int m_iWidth;
        std::vector<std::string> m_vLines;
    } cases[] = {
        {"", 10, {}},
        {"Meet at 10", 10, {"Meet at 10"}},
        {"Meet at 10", 9, {"Meet at", "10"}},
        {"one\r\ntwo\rthree\nfour", 10, {"one", "two", "three", "four"}},
        {"one\r\n\r\ntwo", 10, {"one", "", "two"}},
        {"trailing\r\n", 10, {"trailing"}},
        {"a   b", 2, {"a", "b"}},
        {"abcdefghij", 4, {"abcd", "efgh", "ij"}},
        {"go abcdefghij", 4, {"go", "abcd", "efgh", "ij"}},
        {"x", 0, {"x"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Wrap(c.m_szText, c.m_iWidth), c.m_vLines) << '"' << c.m_szText << "\" at " << c.m_iWidth;
}

TEST(PrintLayout, NoLineIsWiderThanThePageAndNoTextIsLost)
{
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "word" + std::to_string(i) + (i % 17 == 0 ? "\r\n" : " ");
    for (int width : {1, 5, 12, 40})
    {
        std::string joined;
        for (const std::string& line : Wrap(text, width))
        {
            EXPECT_LE(Width(line), width);
            joined += line;
        }
        std::string letters;
        for (char c : text)
            if (c != ' ' && c != '\r' && c != '\n')
                letters += c;
        std::string kept;
        for (char c : joined)
            if (c != ' ')
                kept += c;
        EXPECT_EQ(kept, letters) << width;
    }
}

TEST(PrintLayout, EveryTextTakesAtLeastOnePage)
{
    EXPECT_EQ(PageCount(0, 50), 1);
    EXPECT_EQ(PageCount(50, 50), 1);
    EXPECT_EQ(PageCount(51, 50), 2);
    EXPECT_EQ(PageCount(10, 0), 1);
}
