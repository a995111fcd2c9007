// From picked or dropped folders to the files that intake reads.
#pragma once

#include <filesystem>
#include <vector>

namespace pagetally {

// The files below `directory`, recursively, names sorted at each level. Links to directories
// are not followed, so a link loop cannot recurse for ever; unreadable folders give nothing.
std::vector<std::filesystem::path> filesBelow(const std::filesystem::path& directory);

// Each directory replaced by filesBelow(it); other locations kept as they are, in order.
std::vector<std::filesystem::path> expandFolders(const std::vector<std::filesystem::path>& locations);

} // namespace pagetally
