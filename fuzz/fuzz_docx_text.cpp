// The DOCX text importer on container bytes in memory.
#include "analysis/formats/DocxText.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    (void)pagetally::importDocxText(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
