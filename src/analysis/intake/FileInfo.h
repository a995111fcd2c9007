// The record of one analysed file.
#pragma once

#include "analysis/intake/Note.h"

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
    // Why a value is not a plain measurement: the file could not be read, its text is not
    // UTF-8, a page count was stored rather than counted, and so on. Never part of a count, a
    // total or the order of the records.
    std::optional<Note> note;
    // The file could not be read at all (missing, no permission, not a regular file, or, for a
    // PDF, its helper program cannot be started); `note` then says which.
    bool unreadable = false;

    // The only way records are created, so that every record gets a fresh id.
    static FileInfo make(std::string fileName,
                         std::string fileType,
                         std::optional<double> duration,
                         std::optional<std::int64_t> pages,
                         std::int64_t words);

    // This record with `why` as its note (none when nullopt).
    FileInfo noted(std::optional<Note> why) &&
    {
        note = std::move(why);
        return std::move(*this);
    }

    // The note in English, as standard error and the exported files say it.
    std::optional<std::string> noteText() const
    {
        return note ? std::optional(englishText(*note)) : std::nullopt;
    }
};

// A new random (version 4) UUID in its 36-character upper-case text form.
std::string newUuid();

} // namespace pagetally
