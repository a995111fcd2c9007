// The stored page count scanner of docProps/app.xml.
#include "analysis/formats/DocxAnalysis.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto pages =
        pagetally::storedPageCount(std::string_view(reinterpret_cast<const char*>(data), size));
    if (pages < 0) {
        std::abort();
    }
    return 0;
}
