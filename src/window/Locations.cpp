#include "window/Locations.h"

#include <QCoreApplication>
#include <QFile>

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

std::optional<fs::path> localPath(const QUrl& url)
{
    if (!url.isLocalFile()) {
        return std::nullopt;
    }
    const QString local = url.toLocalFile();
    if (local.isEmpty()) {
        return std::nullopt;
    }
    return fs::path(QFile::encodeName(local).toStdString());
}

QString notLocalDescription(const QUrl& url)
{
    return QCoreApplication::translate("pagetally::ContentView", "“%1” is not a local file.")
        .arg(url.toDisplayString(QUrl::PreferLocalFile));
}

std::vector<fs::path> expandDirectories(const std::vector<fs::path>& locations)
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
