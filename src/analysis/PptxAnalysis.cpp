#include "analysis/PptxAnalysis.h"

#include "analysis/FileBytes.h"
#include "analysis/FileProcessor.h"
#include "analysis/OfficeArchive.h"
#include "analysis/Paths.h"
#include "analysis/TagScanner.h"
#include "analysis/WordCount.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace pagetally {
namespace {

namespace fs = std::filesystem;

// Every non-overlapping occurrence, left to right, replaced; the result is not searched again.
std::string replaceAll(std::string_view text, std::string_view what, std::string_view with)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t from = 0;;) {
        const std::size_t at = text.find(what, from);
        if (at == std::string_view::npos) {
            result.append(text.substr(from));
            return result;
        }
        result.append(text.substr(from, at - from));
        result.append(with);
        from = at + what.size();
    }
}

// The entries of `folder` whose name begins with `prefix` and whose extension is exactly "xml",
// in the order of the listing. Throws when the folder cannot be listed.
std::vector<fs::path>
listParts(const fs::path& root, const fs::path& relative, std::string_view prefix, const std::string& what)
{
    refuseLinks(root, relative, what);
    std::vector<fs::path> parts;
    std::error_code ec;
    fs::directory_iterator it(root / relative, ec);
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().native();
        if (name.starts_with(prefix) && pathExtension(it->path()) == "xml") {
            parts.push_back(it->path());
        }
    }
    if (ec) {
        throw std::system_error(ec, what);
    }
    return parts;
}

std::int64_t partWords(const fs::path& part, const fs::path& extracted, const fs::path& location)
{
    const fs::path relative = part.lexically_relative(extracted);
    const std::string failure = "cannot read " + relative.native() + " from " + location.native();
    refuseLinks(extracted, relative, failure);
    const std::optional<FileBytes> bytes = FileBytes::read(part);
    if (!bytes) {
        throw std::runtime_error(failure + ": " + describeReadFailure(part));
    }
    return countSlideWords(bytes->view());
}

} // namespace

std::string extractSlideText(std::string_view bytes)
{
    if (!WordCounter::isValidUtf8(bytes)) {
        return {};
    }
    std::string text;
    text.reserve(bytes.size());
    scanTags(
        withoutUtf8Bom(bytes), [&](std::string_view piece) { text.append(piece); },
        [&](std::string_view) { text.push_back(' '); });
    text = replaceAll(text, "&lt;", "<");
    text = replaceAll(text, "&gt;", ">");
    text = replaceAll(text, "&amp;", "&");
    text = replaceAll(text, "&quot;", "\"");
    return replaceAll(text, "&apos;", "'");
}

std::int64_t countSlideWords(std::string_view bytes)
{
    // Tags start and end at ASCII bytes, so no UTF-8 sequence crosses a piece boundary and
    // checking the pieces one by one checks the whole part.
    WordCounter counter;
    bool valid = true;
    scanTags(
        withoutUtf8Bom(bytes), [&](std::string_view piece) { valid = valid && counter.feed(piece); },
        [&](std::string_view tag) { valid = valid && WordCounter::isValidUtf8(tag) && counter.feed(" "); });
    return valid ? counter.count() : 0;
}

FileInfo analysePptx(const fs::path& location,
                     const std::string& fileName,
                     const std::string& fileType,
                     std::ostream& diagnostics,
                     const fs::path& unzipProgram)
{
    try {
        const ExtractionDirectory extracted = extractOfficeArchive(location, unzipProgram);

        std::vector<fs::path> slides = listParts(extracted.path(), "ppt/slides", "slide",
                                                 "cannot list ppt/slides in " + location.native());
        // Plain code-point order of the names (UTF-8 byte order is code-point order): slide10 before slide2.
        std::ranges::sort(slides, {}, [](const fs::path& p) { return p.filename().native(); });
        const auto pages = static_cast<std::int64_t>(slides.size());

        // Every part is preceded by a blank in the text that is counted, so the counts add up.
        std::int64_t words = 0;
        for (const fs::path& slide : slides) {
            words += partWords(slide, extracted.path(), location);
        }
        std::vector<fs::path> notes;
        try {
            notes =
                listParts(extracted.path(), "ppt/notesSlides", "notesSlide", "cannot list ppt/notesSlides");
        } catch (const std::runtime_error&) {
            // A presentation without notes has no such folder; notes behind a link are not read.
        }
        for (const fs::path& note : notes) {
            words += partWords(note, extracted.path(), location);
        }
        return FileInfo::make(fileName, fileType, std::nullopt, pages, words);
    } catch (const std::exception& error) {
        const std::string line = "Error processing PPTX file: " + std::string(error.what());
        diagnostics << (line + "\n") << std::flush;
        return FileInfo::make(fileName, fileType, std::nullopt, std::nullopt, 0).noted(line);
    }
}

FileInfo FileProcessor::processPPTX(const fs::path& location,
                                    const std::string& fileName,
                                    const std::string& fileType,
                                    std::ostream& diagnostics)
{
    return analysePptx(location, fileName, fileType, diagnostics, defaultUnzipProgram);
}

} // namespace pagetally
