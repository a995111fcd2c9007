#include "summary/Formatting.h"

#include <cmath>

namespace pagetally {

std::string formatDuration(double minutes)
{
    const double seconds = minutes * 60.0;
    // The conversion below is only defined inside the 64-bit range; NaN fails both tests.
    if (!(seconds >= -9223372036854775808.0 && seconds < 9223372036854775808.0)) {
        return std::string(absentValueText);
    }
    const auto t = static_cast<std::int64_t>(seconds);
    const std::int64_t m = t / 60;
    const std::int64_t s = t - m * 60;
    return std::to_string(m) + "m " + std::to_string(s) + "s";
}

std::string formatCount(std::int64_t count)
{
    return std::to_string(count);
}

} // namespace pagetally
