// tests/unit/oehook/send_options_test.cpp: the accelerator letters the Tools/Options automation reads
// from the Send page's captions.
#include "oehook/send_options.h"

#include <gtest/gtest.h>

namespace
{
TEST(SendOptions, AcceleratorIsTheUpperCasedLetterAfterTheFirstSingleAmpersand)
{
    const struct
    {
        const char* m_szCaption;
        char m_cExpected;
    } cases[] = {
        {"Send messages in &HTML format", 'H'},
        {"Reply to messages using the f&ormat in which they were sent", 'O'},
        {"&include message in reply", 'I'},
        // "&&" is a literal ampersand, not the accelerator.
        {"Tom && &Jerry", 'J'},
        {"Tom && Jerry", 0},
        {"No accelerator", 0},
        {"Trailing &", 0},
        {"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AcceleratorOf(c.m_szCaption), c.m_cExpected) << c.m_szCaption;
}
} // namespace
