// From what a person picked or dropped to the locations that intake reads.
#pragma once

#include <QString>
#include <QUrl>

#include <filesystem>
#include <optional>

namespace pagetally {

// The file-system path of a local file URL (bytes as the file system holds them), or nullopt
// for any other URL.
std::optional<std::filesystem::path> localPath(const QUrl& url);

// Why a location of the panel cannot be used, as the description after "Error selecting files: ".
QString notLocalDescription(const QUrl& url);

} // namespace pagetally
