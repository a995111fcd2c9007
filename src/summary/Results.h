// Row order and totals of a list of records, shared by the window, the report and the CLI.
#pragma once

#include "analysis/intake/FileInfo.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace pagetally {

// A copy sorted by fileType (NFC code-point order), stable: within a type, order of addition.
std::vector<FileInfo> displayOrder(const std::vector<FileInfo>& files);

// Sums in list order; absent values count as zero. The integer sums stop at the 64-bit limit
// instead of overflowing.
double totalDuration(const std::vector<FileInfo>& files);
std::int64_t totalPages(const std::vector<FileInfo>& files);
std::int64_t totalWords(const std::vector<FileInfo>& files);

// Removes the first record with this id; does nothing when there is none.
void removeFile(std::vector<FileInfo>& files, std::string_view id);

} // namespace pagetally
