// Esc ends the process with status 0 at once.
#include <gtest/gtest.h>

#include "shell/input.h"

namespace {

TEST(EscapeDeathTest, EndsTheProcessWithStatusZero)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(keyboard(27, 0, 0), ::testing::ExitedWithCode(0), "");
}

}  // namespace
