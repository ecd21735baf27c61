// tests/win/outlook/extension_value_test.cpp: reading extension registrations, from well-formed values
// to the malformed ones a registry may hold.
#include "standins/outlook/extension_value.h"

#include <gtest/gtest.h>

using olstandin::ParseExtensionValue;

TEST(ExtensionValueTest, ReadsTheColumnsAndDefaultsWhatIsLeftOut)
{
    const auto full = ParseExtensionValue("4.0;C:\\Ext\\ext.dll;7;01000100000000;1001000");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->m_sPath, "C:\\Ext\\ext.dll");
    EXPECT_EQ(full->m_nOrdinal, 7u);
    EXPECT_FALSE(full->WantsContext(1));
    EXPECT_TRUE(full->WantsContext(2));
    EXPECT_TRUE(full->WantsContext(6));
    EXPECT_FALSE(full->WantsContext(7));
    EXPECT_FALSE(full->WantsContext(0));
    EXPECT_FALSE(full->WantsContext(15));
    EXPECT_TRUE(full->WantsInterface(0));
    EXPECT_FALSE(full->WantsInterface(1));
    EXPECT_TRUE(full->WantsInterface(3));
    EXPECT_FALSE(full->WantsInterface(7));

    // Path only: ordinal 1, every context and interface; a short column leaves the rest enabled.
    const auto shortest = ParseExtensionValue("4.0;ext.dll");
    ASSERT_TRUE(shortest);
    EXPECT_EQ(shortest->m_nOrdinal, 1u);
    EXPECT_TRUE(shortest->WantsContext(14));
    const auto partial = ParseExtensionValue(" 4.0 ; ext.dll ; ; 0 ");
    ASSERT_TRUE(partial);
    EXPECT_EQ(partial->m_sPath, "ext.dll");
    EXPECT_FALSE(partial->WantsContext(1));
    EXPECT_TRUE(partial->WantsContext(2));
}

TEST(ExtensionValueTest, RefusesValuesThatAreNotRegistrations)
{
    const std::string tooLong = "4.0;" + std::string(olstandin::kMaxExtensionValue, 'x');
    for (const std::string& value :
         {std::string(), std::string("4.0"), std::string("3.0;ext.dll;1"), std::string("4.0;;1"),
          std::string("4.0;ext.dll;0"), std::string("4.0;ext.dll;65536"), std::string("4.0;ext.dll;12a"),
          std::string("4.0;ext.dll;1;012"), std::string("4.0;ext.dll;1;011111111111111"),
          std::string("4.0;ext.dll;1;1;11111111"), tooLong})
        EXPECT_FALSE(ParseExtensionValue(value)) << value;
}
