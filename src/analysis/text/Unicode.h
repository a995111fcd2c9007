// Unicode helpers of the analysis library.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utf8proc.h>

namespace pagetally {

// The canonically composed (NFC) form under which names and types are compared, so that the
// same text in NFC and NFD is equal while letter case still matters. Text that is not UTF-8
// is returned as it is and compares as its bytes.
std::string nfcText(std::string_view fileName);

// Calls onCodePoint(codePoint, bytes) for each UTF-8 sequence of `text` in order; a byte that
// begins no valid sequence comes alone, with code point -1.
template <class OnCodePoint> void forEachCodePoint(std::string_view text, OnCodePoint&& onCodePoint)
{
    const auto* p = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    auto left = static_cast<utf8proc_ssize_t>(text.size());
    while (left > 0) {
        utf8proc_int32_t cp = 0;
        const auto n = utf8proc_iterate(p, left, &cp);
        const auto length = n > 0 ? n : 1;
        onCodePoint(n > 0 ? cp : -1, std::string_view(reinterpret_cast<const char*>(p), std::size_t(length)));
        p += length;
        left -= length;
    }
}

} // namespace pagetally
