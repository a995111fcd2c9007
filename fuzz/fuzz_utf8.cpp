// The strict UTF-8 check against utf8proc's decoder.
#include "analysis/text/WordCount.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <utf8proc.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    bool expected = true;
    for (std::size_t i = 0; i < size && expected;) {
        utf8proc_int32_t cp = 0;
        const auto n = utf8proc_iterate(data + i, static_cast<utf8proc_ssize_t>(size - i), &cp);
        expected = n > 0;
        i += n > 0 ? static_cast<std::size_t>(n) : 1;
    }
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    pagetally::WordCounter counter;
    if (pagetally::WordCounter::isValidUtf8(text) != expected || counter.feed(text) != expected) {
        std::abort();
    }
    return 0;
}
