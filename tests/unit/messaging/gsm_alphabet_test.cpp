// tests/unit/messaging/gsm_alphabet_test.cpp: the GSM class of every UTF-16 code unit and the
// body's SMS count.
#include "Addressbook/messaging/gsm_alphabet.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace
{
// The 39 default-alphabet characters outside ASCII.
const std::set<char16_t> kLatinGreek = {
    0x00A1, 0x00A3, 0x00A4, 0x00A5, 0x00A7, 0x00BF, 0x00C4, 0x00C5, 0x00C6, 0x00C7, 0x00C9, 0x00D1, 0x00D6,
    0x00D8, 0x00DC, 0x00DF, 0x00E0, 0x00E4, 0x00E5, 0x00E6, 0x00E8, 0x00E9, 0x00EC, 0x00F1, 0x00F2, 0x00F6,
    0x00F8, 0x00F9, 0x00FC, 0x0393, 0x0394, 0x0398, 0x039B, 0x039E, 0x03A0, 0x03A3, 0x03A6, 0x03A8, 0x03A9,
};

// The class each code unit must have, written from the alphabet's description rather than from
// the implementation's ranges.
int ExpectedClass(char16_t p_c)
{
    if (p_c == 0x0A || p_c == 0x0D || p_c == u'_' || (p_c >= u' ' && p_c <= u'Z') || (p_c >= u'a' && p_c <= u'z'))
        return 1;
    if (std::u16string(u"[\\]^{|}~").find(p_c) != std::u16string::npos || p_c == 0x20AC)
        return 2;
    return kLatinGreek.count(p_c) != 0 ? 1 : 0;
}
} // namespace

TEST(GsmAlphabet, EveryCodeUnitHasItsClass)
{
    int iMismatches = 0;
    for (uint32_t u = 0; u <= 0xFFFF; ++u)
    {
        const char16_t c = static_cast<char16_t>(u);
        if (GsmClass(c) != ExpectedClass(c) && ++iMismatches <= 10)
            ADD_FAILURE() << std::hex << "U+" << u << ": " << GsmClass(c) << " expected " << ExpectedClass(c);
    }
    EXPECT_EQ(iMismatches, 0);
}

TEST(GsmAlphabet, NamedCharactersAndTheTableEdges)
{
    const struct
    {
        char16_t m_c;
        int m_iClass;
    } cases[] = {
        {u'`', 0},   {u'\t', 0},  {0x0000, 0}, {0x007F, 0}, {0x20AC, 2}, {u'~', 2},   {u'@', 1},
        {0x00A0, 0}, {0x00A1, 1}, {0x00A2, 0}, {0x00E4, 1}, {0x00DF, 1}, {0x263A, 0}, {0x0392, 0},
        {0x0393, 1}, {0x03A9, 1}, {0x03AA, 0}, {0x03A7, 0}, {0xFFFC, 0}, {0xD83D, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GsmClass(c.m_c), c.m_iClass) << std::hex << static_cast<unsigned>(c.m_c);
    // Each table entry's neighbours that are not themselves in the table are not carried.
    for (const char16_t c : kLatinGreek)
        for (const char16_t n : {static_cast<char16_t>(c - 1), static_cast<char16_t>(c + 1)})
        {
            if (kLatinGreek.count(n) == 0)
            {
                EXPECT_EQ(GsmClass(n), 0) << std::hex << static_cast<unsigned>(n);
            }
        }
}

TEST(GsmAlphabet, LengthSumsClassesLessObjects)
{
    EXPECT_EQ(GsmLength(u"", 0), 0);
    EXPECT_EQ(GsmLength(u"Hi \x20AC!", 0), 6);
    EXPECT_EQ(GsmLength(u"a`\tb", 0), 2);
    // Two objects that the text reports as spaces cost nothing.
    EXPECT_EQ(GsmLength(u"Dear  ,", 2), 5);
    // More objects than characters never give a negative length.
    EXPECT_EQ(GsmLength(u"\x263A", 1), 0);
}

TEST(GsmAlphabet, CountsRemainingAndSMSMessages)
{
    const struct
    {
        int64_t m_iLength, m_iRemaining, m_iCount;
    } cases[] = {{0, 160, 1}, {1, 159, 1},   {160, 0, 1},   {161, 145, 2},
                 {306, 0, 2}, {307, 152, 3}, {1529, 1, 10}, {1530, 0, 10}};
    for (const auto& c : cases)
    {
        const CBodyCount oCount = CountBody(c.m_iLength);
        EXPECT_EQ(oCount.m_iRemaining, c.m_iRemaining) << c.m_iLength;
        EXPECT_EQ(oCount.m_iSMSCount, c.m_iCount) << c.m_iLength;
    }
    // 160 "a" fill one SMS; the euro sign counts two.
    EXPECT_EQ(CountBody(GsmLength(std::u16string(160, u'a'), 0)).m_iSMSCount, 1);
    EXPECT_EQ(CountBody(GsmLength(std::u16string(159, u'a') + u"\x20AC", 0)).m_iSMSCount, 2);
}
