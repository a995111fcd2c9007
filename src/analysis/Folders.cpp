#include "analysis/Folders.h"

#include <algorithm>

namespace pagetally {
namespace {

namespace fs = std::filesystem;

void collectFiles(const fs::path& directory, std::vector<fs::path>& out)
{
    std::error_code ec;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(directory, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        entries.push_back(*it);
    }
    std::ranges::sort(entries, {}, [](const fs::directory_entry& e) { return e.path().filename().native(); });
    for (const auto& entry : entries) {
        if (entry.is_directory(ec) && !entry.is_symlink(ec)) {
            collectFiles(entry.path(), out);
        } else if (!entry.is_directory(ec)) {
            out.push_back(entry.path());
        }
    }
}

} // namespace

std::vector<fs::path> filesBelow(const fs::path& directory)
{
    std::vector<fs::path> files;
    collectFiles(directory, files);
    return files;
}

std::vector<fs::path> expandFolders(const std::vector<fs::path>& locations)
{
    std::vector<fs::path> files;
    for (const fs::path& location : locations) {
        std::error_code ec;
        if (fs::is_directory(location, ec)) {
            collectFiles(location, files);
        } else {
            files.push_back(location);
        }
    }
    return files;
}

} // namespace pagetally
