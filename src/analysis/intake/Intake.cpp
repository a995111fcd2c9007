#include "analysis/intake/Intake.h"

#include "analysis/intake/Paths.h"
#include "analysis/system/FileBytes.h"
#include "analysis/text/Unicode.h"

#include <unordered_set>

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
    std::optional<Note> unreadable = unreadableReason(location);
    FileInfo record = format->read(location, fileName, fileType, diagnostics);
    if (unreadable) {
        record.note = std::move(unreadable);
        record.unreadable = true;
    }
    return record;
}

std::vector<BatchItem> appendUnique(std::vector<BatchItem> items, std::vector<FileInfo>& files)
{
    std::unordered_set<std::string> names;
    for (const FileInfo& f : files) {
        names.insert(nfcText(f.fileName));
    }
    std::vector<BatchItem> skipped;
    for (BatchItem& item : items) {
        if (names.insert(nfcText(item.record.fileName)).second) {
            files.push_back(std::move(item.record));
        } else {
            skipped.push_back(std::move(item));
        }
    }
    return skipped;
}

} // namespace pagetally
