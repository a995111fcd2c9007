// JSON analysis: never crashes, and the counting pass agrees with the collected strings.
#include "analysis/formats/JsonAnalysis.h"
#include "analysis/text/WordCount.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view document(reinterpret_cast<const char*>(data), size);
    const auto strings = pagetally::collectJSONStrings(document);
    const auto words = pagetally::countJSONWords(document);
    if (strings.has_value() != words.has_value()) {
        std::abort();
    }
    if (strings) {
        std::int64_t sum = 0;
        for (const auto& s : *strings) {
            sum += pagetally::countWords(s);
        }
        if (sum != *words) {
            std::abort();
        }
    }
    return 0;
}
