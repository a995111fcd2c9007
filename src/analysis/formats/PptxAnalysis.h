// PPTX analysis: the number of slide parts, and the words of the slide and notes parts.
#pragma once

#include "analysis/intake/FileInfo.h"

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>

namespace pagetally {

// The text of one slide or notes part: every "<[^>]+>" match replaced by one blank, then
// "&lt;", "&gt;", "&amp;", "&quot;" and "&apos;" decoded, one after the other in that order.
// Empty when the bytes are not UTF-8.
std::string extractSlideText(std::string_view bytes);

// countWords(extractSlideText(bytes)), in one pass without building the text: the entities
// decode to characters that are no separators, so decoding them cannot change the count.
std::int64_t countSlideWords(std::string_view bytes);

// processPPTX with the unzip program as a parameter.
FileInfo analysePptx(const std::filesystem::path& location,
                     const std::string& fileName,
                     const std::string& fileType,
                     std::ostream& diagnostics,
                     const std::filesystem::path& unzipProgram);

} // namespace pagetally
