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

PickedLocations pickedLocations(const QList<QUrl>& urls)
{
    PickedLocations picked;
    for (const QUrl& url : urls) {
        if (auto path = localPath(url)) {
            picked.paths.push_back(std::move(*path));
        } else {
            picked.notLocal << url;
        }
    }
    return picked;
}

QString notLocalDescription(const QUrl& url)
{
    return QCoreApplication::translate("pagetally::Locations", "“%1” is not a local file.")
        .arg(url.toDisplayString(QUrl::PreferLocalFile));
}

QString displayPath(const fs::path& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

} // namespace pagetally
