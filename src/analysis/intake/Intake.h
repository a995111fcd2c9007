// File intake: from the locations a person picked to records in the window's list.
#pragma once

#include "analysis/intake/FileInfo.h"
#include "analysis/intake/Formats.h"

#include <filesystem>
#include <iostream>
#include <optional>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace pagetally {

// Whether a location's extension, lower-cased, is one of the accepted ones (Formats.h).
bool isSupported(const std::filesystem::path& location);

// The record of one location, or nullopt when its extension is not accepted (nothing is read
// then). Its format's reader makes it: recordings are measured, documents are analysed.
std::optional<FileInfo> analyseLocation(const std::filesystem::path& location,
                                        std::ostream& diagnostics = std::cout);

// Analyses each location in order and appends its record unless `files` already holds a
// record with the same file name (compared by nfcText). Never fails; unsupported files are skipped.
void addFiles(const std::vector<std::filesystem::path>& locations,
              std::vector<FileInfo>& files,
              std::ostream& diagnostics = std::cout);

// The duplicate test and the append of addFiles, for callers that analyse on their own. The
// set holds the keys of `files`; both grow together.
class UniqueAppender
{
public:
    explicit UniqueAppender(std::vector<FileInfo>& files);
    // Appends the record unless its name is already listed; returns whether it was appended.
    bool append(FileInfo record);

private:
    std::vector<FileInfo>& files_;
    std::unordered_set<std::string> keys_;
};

} // namespace pagetally
