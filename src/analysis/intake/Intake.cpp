#include "analysis/intake/Intake.h"

#include "analysis/intake/Paths.h"
#include "analysis/system/FileBytes.h"
#include "analysis/text/Unicode.h"

namespace pagetally {

bool isSupported(const std::filesystem::path& location)
{
    return formatOf(location) != nullptr;
}

std::optional<FileInfo> analyseLocation(const std::filesystem::path& location, std::ostream& diagnostics)
{
    const Format* format = formatOf(location);
    if (format == nullptr) {
        return std::nullopt;
    }
    const std::string fileName = lastPathComponent(location);
    const std::string fileType(format->typeName);
    // Checked here once for every type, so that each analyser's own fallback (a DOC's one
    // page, a DOCX's error line) stays as it is and the note still names the real cause.
    std::optional<std::string> unreadable = unreadableReason(location);
    FileInfo record = format->read(location, fileName, fileType, diagnostics);
    if (unreadable) {
        record.note = std::move(unreadable);
        record.unreadable = true;
    }
    return record;
}

UniqueAppender::UniqueAppender(std::vector<FileInfo>& files) : files_(files)
{
    for (const FileInfo& f : files_) {
        keys_.insert(nfcText(f.fileName));
    }
}

bool UniqueAppender::append(FileInfo record)
{
    if (!keys_.insert(nfcText(record.fileName)).second) {
        return false;
    }
    files_.push_back(std::move(record));
    return true;
}

void addFiles(const std::vector<std::filesystem::path>& locations,
              std::vector<FileInfo>& files,
              std::ostream& diagnostics)
{
    UniqueAppender appender(files);
    for (const auto& location : locations) {
        if (auto record = analyseLocation(location, diagnostics)) {
            appender.append(std::move(*record));
        }
    }
}

} // namespace pagetally
