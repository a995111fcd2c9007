// countWords against a plain walk over code points, and the piecewise counter against both.
#include "analysis/text/WordCount.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <utf8proc.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::int64_t expected = 0;
    bool afterSeparator = true;
    bool valid = true;
    for (std::size_t i = 0; i < size;) {
        utf8proc_int32_t cp = 0;
        auto n = utf8proc_iterate(data + i, static_cast<utf8proc_ssize_t>(size - i), &cp);
        bool separator = false;
        if (n <= 0) {
            valid = false;
            n = 1; // an invalid byte counts as a letter
        } else {
            separator = pagetally::isWordSeparator(static_cast<char32_t>(cp));
        }
        expected += (!separator && afterSeparator) ? 1 : 0;
        afterSeparator = separator;
        i += static_cast<std::size_t>(n);
    }
    if (pagetally::countWords(text) != expected) {
        std::abort();
    }
    if (valid && size > 0) {
        // Cut between code points at a place chosen by the input itself.
        std::size_t cut = data[0] % size;
        while (cut < size && (data[cut] & 0xC0) == 0x80) {
            ++cut;
        }
        pagetally::WordCounter counter;
        if (!counter.feed(text.substr(0, cut)) || !counter.feed(text.substr(cut)) ||
            counter.count() != expected) {
            std::abort();
        }
    }
    return 0;
}
