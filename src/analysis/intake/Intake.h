// File intake: from the locations a person picked to records in the window's list.
#pragma once

#include "analysis/intake/FileInfo.h"
#include "analysis/intake/Formats.h"

#include <filesystem>
#include <iostream>
#include <optional>
#include <string_view>
#include <vector>

namespace pagetally {

// Whether a location's extension, lower-cased, is one of the accepted ones (Formats.h).
bool isSupported(const std::filesystem::path& location);

// The record of one location, or nullopt when its extension is not accepted (nothing is read
// then). Its format's reader makes it: recordings are measured, documents are analysed.
std::optional<FileInfo> analyseLocation(const std::filesystem::path& location,
                                        std::ostream& diagnostics = std::cout);

// One accepted location and its record.
struct BatchItem
{
    std::filesystem::path location;
    FileInfo record;
};

// The one rule of the list: appends each record to `files` unless a record of the same file
// name is listed (names compared by nfcText, so "é" composed or decomposed is one name), in
// order; returns the items left out for that reason.
std::vector<BatchItem> appendUnique(std::vector<BatchItem> items, std::vector<FileInfo>& files);

} // namespace pagetally
