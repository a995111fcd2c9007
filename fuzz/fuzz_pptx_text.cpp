// Slide text: the one-pass count must equal the count of the replaced and decoded text.
#include "analysis/formats/PptxAnalysis.h"
#include "analysis/text/WordCount.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view part(reinterpret_cast<const char*>(data), size);
    if (pagetally::countSlideWords(part) != pagetally::countWords(pagetally::extractSlideText(part))) {
        std::abort();
    }
    return 0;
}
