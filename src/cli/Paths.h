// The command line's paths as locations for the batch.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace pagetally::cli {

// The batch's absolute locations and, beside each, the path as the user wrote it, which is what
// messages should name.
struct Locations
{
    std::vector<std::filesystem::path> absolute;
    std::vector<std::string> given;
    // Every folder below a directory was read in full: none is missing for lack of permission
    // or a path too long for the system.
    bool foldersComplete = true;
};

// The locations in the order given; with `recursive`, a directory becomes the files below it,
// names sorted at each level, and a folder that cannot be read gives a notice on `notices`.
// Without it a directory is left out with a notice on `notices`.
Locations expandPaths(const std::vector<std::string>& paths, bool recursive, std::ostream& notices);

} // namespace pagetally::cli
