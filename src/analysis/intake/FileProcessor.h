// The analysers of the documents, and the one entry that chooses among them.
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

    // Chooses the reader by the location's own extension, lower-cased, from the table of
    // formats (Formats.h); an extension not in it gives a record with no pages and no words.
    static FileInfo processFile(const std::filesystem::path& location,
                                const std::string& fileName,
                                const std::string& fileType,
                                std::ostream& diagnostics = std::cout);

    // The legacy binary format is accepted but never read: one page, no words, and a note.
    static FileInfo processDOC(const std::filesystem::path& location,
                               const std::string& fileName,
                               const std::string& fileType);
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
