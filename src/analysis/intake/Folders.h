// From picked or dropped folders to the files that intake reads.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace pagetally {

// A folder that could not be listed, in full or from some entry on: what it held is missing.
struct FolderProblem
{
    std::filesystem::path folder;
    std::string reason; // the system's words: "Permission denied", "File name too long"
};

// The files below `directory`, recursively, names sorted at each level. Links to directories
// are not followed, so a link loop cannot recurse for ever. Each folder that cannot be read
// (no permission, a path beyond the system's length limit) is added to `problems`.
std::vector<std::filesystem::path> filesBelow(const std::filesystem::path& directory,
                                              std::vector<FolderProblem>& problems);

// Each directory replaced by filesBelow(it); other locations kept as they are, in order.
std::vector<std::filesystem::path> expandFolders(const std::vector<std::filesystem::path>& locations,
                                                 std::vector<FolderProblem>& problems);

} // namespace pagetally
