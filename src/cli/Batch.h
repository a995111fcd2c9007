// Turning the command line's paths into records, on several threads where asked.
#pragma once

#include "analysis/FileInfo.h"

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace pagetally::cli {

// Absolute locations in the order given; with `recursive`, a directory becomes the files below
// it, names sorted at each level. Without it a directory is left out with a notice on `notices`.
std::vector<std::filesystem::path> expandPaths(const std::vector<std::string>& paths,
                                               bool recursive,
                                               std::ostream& notices);

// The intake of the window over `locations`, analysing up to `jobs` files at a time. Records,
// the duplicate test and the order of the diagnostics lines are those of a run on one thread.
std::vector<FileInfo> analyseBatch(const std::vector<std::filesystem::path>& locations,
                                   unsigned jobs,
                                   std::ostream& diagnostics);

} // namespace pagetally::cli
