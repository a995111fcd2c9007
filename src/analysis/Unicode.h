// Unicode helpers of the analysis library.
#pragma once

#include <string>
#include <string_view>

namespace pagetally {

// The canonically composed (NFC) form under which names and types are compared, so that the
// same text in NFC and NFD is equal while letter case still matters. Text that is not UTF-8
// is returned as it is and compares as its bytes.
std::string nfcText(std::string_view fileName);

} // namespace pagetally
