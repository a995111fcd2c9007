// The command line's paths as locations for the batch.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace pagetally::cli {

// Absolute locations in the order given; with `recursive`, a directory becomes the files below
// it, names sorted at each level. Without it a directory is left out with a notice on `notices`.
std::vector<std::filesystem::path>
expandPaths(const std::vector<std::string>& paths, bool recursive, std::ostream& notices);

} // namespace pagetally::cli
