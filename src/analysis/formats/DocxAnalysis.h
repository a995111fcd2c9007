// DOCX analysis: the page count the authoring application stored, and the words of the text.
#pragma once

#include "analysis/intake/FileInfo.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace pagetally {

// The page count stored in the text of "docProps/app.xml": the digits of the first
// "<Pages>DIGITS</Pages>" (case-sensitive; a digit is any Unicode decimal digit), if they are
// ASCII and fit a signed 64-bit integer; 1 otherwise, and 1 when the bytes are not UTF-8.
std::int64_t storedPageCount(std::string_view appXml);

// The same count, or nullopt where storedPageCount falls back to 1.
std::optional<std::int64_t> storedPages(std::string_view appXml);

// processDOCX with the unzip program as a parameter.
FileInfo analyseDocx(const std::filesystem::path& location,
                     const std::string& fileName,
                     const std::string& fileType,
                     std::ostream& diagnostics,
                     const std::filesystem::path& unzipProgram);

} // namespace pagetally
