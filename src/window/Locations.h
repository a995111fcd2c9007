// From what a person picked or dropped to the locations that intake reads, and back for showing.
#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <filesystem>
#include <optional>
#include <vector>

namespace pagetally {

// The file-system path of a local file URL (bytes as the file system holds them), or nullopt
// for any other URL.
std::optional<std::filesystem::path> localPath(const QUrl& url);

// The URLs of a pick or a drop, split: the paths of the local ones in order, and the others.
struct PickedLocations
{
    std::vector<std::filesystem::path> paths;
    QList<QUrl> notLocal;
};

PickedLocations pickedLocations(const QList<QUrl>& urls);

// Why a location of the panel cannot be used, as the description after "Error selecting files: ".
QString notLocalDescription(const QUrl& url);

// A path as the file system holds it, for showing.
QString displayPath(const std::filesystem::path& path);

} // namespace pagetally
