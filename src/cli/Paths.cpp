#include "cli/Paths.h"

#include "analysis/Folders.h"

namespace pagetally::cli {

namespace fs = std::filesystem;

std::vector<fs::path>
expandPaths(const std::vector<std::string>& paths, bool recursive, std::ostream& notices)
{
    std::vector<fs::path> locations;
    for (const std::string& text : paths) {
        std::error_code ec;
        fs::path path = fs::absolute(fs::path(text), ec);
        if (ec) {
            path = fs::path(text);
        }
        if (fs::is_directory(path, ec)) {
            if (recursive) {
                const auto below = filesBelow(path);
                locations.insert(locations.end(), below.begin(), below.end());
            } else {
                notices << "pagetally-cli: " << text << ": is a directory, skipped (use -r to include it)\n";
            }
            continue;
        }
        locations.push_back(std::move(path));
    }
    return locations;
}

} // namespace pagetally::cli
