#include "window/Locations.h"

#include <QCoreApplication>
#include <QFile>

namespace pagetally {

namespace fs = std::filesystem;

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

} // namespace pagetally
