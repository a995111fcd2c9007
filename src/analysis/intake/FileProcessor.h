// The single entry through which every accepted document is analysed.
#pragma once

#include "analysis/intake/FileInfo.h"

#include <filesystem>
#include <iostream>
#include <string>

namespace pagetally {

// Stateless: every operation takes the file's location and the name and type that intake
// derived, and always returns exactly one record, also when the file cannot be read. The
// analysers that report failures (DOCX, PPTX) write their one line to `diagnostics`.
class FileProcessor
{
public:
    FileProcessor() = delete;

    // Chooses the analyser by the location's own extension, lower-cased.
    static FileInfo processFile(const std::filesystem::path& location,
                                const std::string& fileName,
                                const std::string& fileType,
                                std::ostream& diagnostics = std::cout);

    static FileInfo processTXT(const std::filesystem::path& location,
                               const std::string& fileName,
                               const std::string& fileType);
    static FileInfo processHTML(const std::filesystem::path& location,
                                const std::string& fileName,
                                const std::string& fileType);
    static FileInfo processPDF(const std::filesystem::path& location,
                               const std::string& fileName,
                               const std::string& fileType);
    static FileInfo processJSON(const std::filesystem::path& location,
                                const std::string& fileName,
                                const std::string& fileType);
    static FileInfo processDOCX(const std::filesystem::path& location,
                                const std::string& fileName,
                                const std::string& fileType,
                                std::ostream& diagnostics = std::cout);
    static FileInfo processPPTX(const std::filesystem::path& location,
                                const std::string& fileName,
                                const std::string& fileType,
                                std::ostream& diagnostics = std::cout);
};

} // namespace pagetally
