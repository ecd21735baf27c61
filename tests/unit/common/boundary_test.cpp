// tests/unit/common/boundary_test.cpp: what TrapExceptions lets through and what it stops.
#include "common/boundary.h"
#include "common/trace_log.h"
#include "tests/unit/common/test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

namespace
{
using ::testing::HasSubstr;

TEST(Boundary, ResultsPassAndThrowsBecomeTheFailureValue)
{
    EXPECT_EQ(TrapExceptions("Adds", -1, [] { return 2 + 3; }), 5);
    EXPECT_EQ(TrapExceptions("Throws", -1, []() -> int { throw std::runtime_error("boom"); }), -1);
    EXPECT_FALSE(TrapExceptionsVoid("ThrowsInt", [] { throw 7; }));
    int calls = 0;
    EXPECT_TRUE(TrapExceptionsVoid("Counts", [&] { ++calls; }));
    EXPECT_EQ(calls, 1);
    EXPECT_THAT(ReadWholeFile(ModuleLogger().FilePath()), HasSubstr("Exception trapped in ThrowsInt"));
}
} // namespace
