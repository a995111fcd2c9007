// Text forms of durations and counts, shared by the window, the report and the command line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pagetally {

// Shown wherever an optional value is absent.
inline constexpr std::string_view absentValueText = "-";

// Minutes as "<m>m <s>s", the seconds truncated, never rounded (2.05 minutes read "2m 2s").
// A value that is not finite or whose seconds lie outside the 64-bit range reads "-".
std::string formatDuration(double minutes);

// Plain decimal digits, no grouping.
std::string formatCount(std::int64_t count);

} // namespace pagetally
