#include "analysis/TextAnalysis.h"

#include "analysis/FileBytes.h"
#include "analysis/FileProcessor.h"
#include "analysis/TagScanner.h"
#include "analysis/WordCount.h"

namespace pagetally {

std::optional<std::int64_t> countTextWords(std::string_view bytes)
{
    WordCounter counter;
    if (!counter.feed(withoutUtf8Bom(bytes))) {
        return std::nullopt;
    }
    return counter.count();
}

std::optional<std::int64_t> countHtmlWords(std::string_view bytes)
{
    // Tags start and end at ASCII bytes, so no UTF-8 sequence crosses a piece boundary and
    // checking the pieces one by one checks the whole text.
    WordCounter counter;
    bool valid = true;
    scanTags(
        withoutUtf8Bom(bytes),
        [&](std::string_view text) { valid = valid && counter.feed(text); },
        [&](std::string_view tag) { valid = valid && WordCounter::isValidUtf8(tag); });
    if (!valid) {
        return std::nullopt;
    }
    return counter.count();
}

namespace {

template <class Count>
FileInfo textRecord(const std::filesystem::path& location,
                    const std::string& fileName,
                    const std::string& fileType,
                    Count&& count)
{
    std::int64_t words = 0;
    if (const auto bytes = FileBytes::read(location)) {
        words = count(bytes->view()).value_or(0);
    }
    return FileInfo::make(fileName, fileType, std::nullopt, std::nullopt, words);
}

} // namespace

FileInfo FileProcessor::processTXT(const std::filesystem::path& location,
                                   const std::string& fileName,
                                   const std::string& fileType)
{
    return textRecord(location, fileName, fileType, countTextWords);
}

FileInfo FileProcessor::processHTML(const std::filesystem::path& location,
                                    const std::string& fileName,
                                    const std::string& fileType)
{
    return textRecord(location, fileName, fileType, countHtmlWords);
}

} // namespace pagetally
