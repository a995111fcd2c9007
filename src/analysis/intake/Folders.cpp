#include "analysis/intake/Folders.h"

#include <algorithm>

namespace pagetally {
namespace {

namespace fs = std::filesystem;

void collectFiles(const fs::path& directory, std::vector<fs::path>& out, std::vector<FolderProblem>& problems)
{
    std::error_code ec;
    std::vector<fs::directory_entry> entries;
    fs::directory_iterator it(directory, ec);
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        entries.push_back(*it);
    }
    if (ec) {
        // What was listed before the error is still taken; the folder is named as incomplete.
        problems.push_back({directory, ec.message()});
    }
    std::ranges::sort(entries, {}, [](const fs::directory_entry& e) { return e.path().filename().native(); });
    for (const auto& entry : entries) {
        if (entry.is_directory(ec) && !entry.is_symlink(ec)) {
            collectFiles(entry.path(), out, problems);
        } else if (!entry.is_directory(ec)) {
            out.push_back(entry.path());
        }
    }
}

} // namespace

std::vector<fs::path> filesBelow(const fs::path& directory, std::vector<FolderProblem>& problems)
{
    std::vector<fs::path> files;
    collectFiles(directory, files, problems);
    return files;
}

std::vector<fs::path> expandFolders(const std::vector<fs::path>& locations,
                                    std::vector<FolderProblem>& problems)
{
    std::vector<fs::path> files;
    for (const fs::path& location : locations) {
        std::error_code ec;
        if (fs::is_directory(location, ec)) {
            collectFiles(location, files, problems);
        } else {
            files.push_back(location);
        }
    }
    return files;
}

} // namespace pagetally
