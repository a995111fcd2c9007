#include "analysis/intake/FileProcessor.h"

#include "analysis/intake/Formats.h"

namespace pagetally {

FileInfo FileProcessor::processFile(const std::filesystem::path& location,
                                    const std::string& fileName,
                                    const std::string& fileType,
                                    std::ostream& diagnostics)
{
    if (const Format* format = formatOf(location)) {
        return format->read(location, fileName, fileType, diagnostics);
    }
    return FileInfo::make(fileName, fileType, std::nullopt, std::nullopt, 0);
}

FileInfo FileProcessor::processDOC(const std::filesystem::path&,
                                   const std::string& fileName,
                                   const std::string& fileType)
{
    return FileInfo::make(fileName, fileType, std::nullopt, 1, 0).noted(NoteKind::legacyDoc);
}

} // namespace pagetally
