// Whole-file analysis through processFile: the first byte picks the extension, the rest is the file.
#include "analysis/intake/FileProcessor.h"
#include "analysis/intake/Intake.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    static const std::array<const char*, 10> extensions{"txt",  "html", "json", "pdf", "docx",
                                                        "pptx", "doc",  "mp3",  "mp4", "wav"};
    const char* ext = extensions[data[0] % extensions.size()];
    const auto dir = std::filesystem::temp_directory_path();
    const auto path = dir / ("pagetally-fuzz-" + std::to_string(::getpid()) + "." + ext);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    std::ostringstream diagnostics;
    const auto record = pagetally::analyseLocation(path, diagnostics);
    std::error_code ec;
    std::filesystem::remove(path, ec);
    if (!record || record->words < 0 || (record->pages && *record->pages < 0)) {
        std::abort();
    }
    return 0;
}
