// The record of one analysed file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace pagetally {

// A plain value: made once by an analyser or by intake, then only copied.
struct FileInfo
{
    std::string id; // random version-4 UUID, upper case, 36 characters
    std::string fileName;
    std::string fileType;
    std::optional<double> duration; // minutes, audio and video only
    std::optional<std::int64_t> pages;
    std::int64_t words = 0;

    // The only way records are created, so that every record gets a fresh id.
    static FileInfo make(std::string fileName,
                         std::string fileType,
                         std::optional<double> duration,
                         std::optional<std::int64_t> pages,
                         std::int64_t words);
};

// A new random (version 4) UUID in its 36-character upper-case text form.
std::string newUuid();

} // namespace pagetally
