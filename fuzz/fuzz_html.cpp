// Whole HTML analysis on a file, through the piecewise reader.
#include "analysis/formats/TextAnalysis.h"
#include "analysis/intake/FileProcessor.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("pagetally-fuzz-" + std::to_string(::getpid()) + ".html");
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    const auto info = pagetally::FileProcessor::processHTML(path, "f.html", "HTML");
    std::error_code ec;
    std::filesystem::remove(path, ec); // a replay in the test suite must leave nothing behind
    const auto expected =
        pagetally::countHtmlWords(std::string_view(reinterpret_cast<const char*>(data), size));
    if (info.words != expected.value_or(0) || info.pages || info.duration) {
        std::abort();
    }
    return 0;
}
