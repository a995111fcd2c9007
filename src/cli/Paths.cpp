#include "cli/Paths.h"

#include "analysis/intake/Folders.h"

namespace pagetally::cli {

namespace fs = std::filesystem;

Locations expandPaths(const std::vector<std::string>& paths, bool recursive, std::ostream& notices)
{
    Locations locations;
    for (const std::string& text : paths) {
        std::error_code ec;
        fs::path path = fs::absolute(fs::path(text), ec);
        if (ec) {
            path = fs::path(text);
        }
        if (fs::is_directory(path, ec)) {
            if (recursive) {
                std::vector<FolderProblem> problems;
                for (fs::path& below : filesBelow(path, problems)) {
                    locations.given.push_back((fs::path(text) / below.lexically_relative(path)).native());
                    locations.absolute.push_back(std::move(below));
                }
                for (const FolderProblem& problem : problems) {
                    const fs::path relative = problem.folder.lexically_relative(path);
                    const std::string given = relative == "." ? text : (fs::path(text) / relative).native();
                    notices << "pagetally-cli: " << given << ": folder not read: " << problem.reason << '\n';
                    locations.foldersComplete = false;
                }
            } else {
                notices << "pagetally-cli: " << text << ": is a directory, skipped (use -r to include it)\n";
            }
            continue;
        }
        locations.absolute.push_back(std::move(path));
        locations.given.push_back(text);
    }
    return locations;
}

} // namespace pagetally::cli
