#include "summary/Formatting.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using namespace pagetally;

TEST(FormatDuration, TruncatesToMinutesAndSecondsOrGivesADashWhereSecondsDoNotFit)
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<double, const char*>> cases{
        {0.0, "0m 0s"},
        {0.5, "0m 30s"},
        {0.999, "0m 59s"}, // 59.94 seconds are not rounded up
        {90.5, "90m 30s"}, // no hours
        {2.05, "2m 2s"},   // 122.99999999999999 seconds
        {-0.5, "0m -30s"},
        {1e17, "100000000000000000m 0s"},
        // Instead of undefined behaviour:
        {nan, "-"},
        {inf, "-"},
        {-inf, "-"},
        {9223372036854775808.0 / 60.0, "-"},
    };
    for (const auto& [minutes, text] : cases) {
        SCOPED_TRACE(minutes);
        EXPECT_EQ(formatDuration(minutes), text);
    }
}

TEST(FormatCount, IsPlainDigits)
{
    EXPECT_EQ(formatCount(-5), "-5");
    EXPECT_EQ(formatCount(std::numeric_limits<std::int64_t>::max()), "9223372036854775807");
}
