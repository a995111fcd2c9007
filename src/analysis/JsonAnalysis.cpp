#include "analysis/FileProcessor.h"

namespace pagetally {

// Not measured yet: the record every unreadable file gets.
FileInfo FileProcessor::processJSON(const std::filesystem::path&, const std::string& fileName, const std::string& fileType)
{
    return FileInfo::make(fileName, fileType, std::nullopt, std::nullopt, 0);
}

} // namespace pagetally
