// What intake does with a pick, on one thread: for tests that want records without a batch.
#pragma once

#include "analysis/intake/Intake.h"

#include <filesystem>
#include <iostream>
#include <vector>

namespace pagetally::test {

// Analyses each location in order and appends its record unless `files` already lists its
// name; unsupported files are skipped.
inline void addFiles(const std::vector<std::filesystem::path>& locations,
                     std::vector<FileInfo>& files,
                     std::ostream& diagnostics = std::cout)
{
    std::vector<BatchItem> items;
    for (const std::filesystem::path& location : locations) {
        if (auto record = analyseLocation(location, diagnostics)) {
            items.push_back({location, std::move(*record)});
        }
    }
    appendUnique(std::move(items), files);
}

} // namespace pagetally::test
