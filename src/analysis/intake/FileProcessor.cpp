#include "analysis/intake/FileProcessor.h"

#include "analysis/intake/Paths.h"

namespace pagetally {

FileInfo FileProcessor::processFile(const std::filesystem::path& location,
                                    const std::string& fileName,
                                    const std::string& fileType,
                                    std::ostream& diagnostics)
{
    const std::string ext = toLowerAscii(pathExtension(location));
    if (ext == "docx") {
        return processDOCX(location, fileName, fileType, diagnostics);
    }
    if (ext == "pdf") {
        return processPDF(location, fileName, fileType);
    }
    if (ext == "txt") {
        return processTXT(location, fileName, fileType);
    }
    if (ext == "html") {
        return processHTML(location, fileName, fileType);
    }
    if (ext == "json") {
        return processJSON(location, fileName, fileType);
    }
    if (ext == "pptx") {
        return processPPTX(location, fileName, fileType, diagnostics);
    }
    if (ext == "doc") {
        // The legacy binary format is accepted but never read: one page, no words.
        return FileInfo::make(fileName, fileType, std::nullopt, 1, 0).noted("legacy DOC format is not read");
    }
    return FileInfo::make(fileName, fileType, std::nullopt, std::nullopt, 0);
}

} // namespace pagetally
