#include "analysis/formats/DocxAnalysis.h"

#include "analysis/formats/DocxText.h"
#include "analysis/intake/FileProcessor.h"
#include "analysis/system/FileBytes.h"
#include "analysis/system/OfficeArchive.h"
#include "analysis/text/WordCount.h"

#include <charconv>
#include <stdexcept>
#include <utf8proc.h>
#include <vector>

namespace pagetally {
namespace {

// "\d" of the platform's regular expressions: a code point of general category Nd.
bool isDecimalDigit(std::int32_t cp)
{
    if (cp < 0x80) {
        return cp >= '0' && cp <= '9';
    }
    return utf8proc_category(cp) == UTF8PROC_CATEGORY_ND;
}

} // namespace

// Written by hand: the pattern "<Pages>\d+</Pages>" is a fixed prefix, one digit run and a
// fixed suffix, so the leftmost match is the first "<Pages>" followed by such a run and suffix.
std::int64_t storedPageCount(std::string_view appXml)
{
    return storedPages(appXml).value_or(1);
}

std::optional<std::int64_t> storedPages(std::string_view appXml)
{
    if (!WordCounter::isValidUtf8(appXml)) {
        return std::nullopt;
    }
    constexpr std::string_view open = "<Pages>";
    constexpr std::string_view close = "</Pages>";
    for (std::size_t from = 0;;) {
        const std::size_t start = appXml.find(open, from);
        if (start == std::string_view::npos) {
            return std::nullopt;
        }
        const std::size_t digitsBegin = start + open.size();
        std::size_t i = digitsBegin;
        bool ascii = true;
        while (i < appXml.size()) {
            std::int32_t cp = 0;
            const auto length = utf8proc_iterate(reinterpret_cast<const std::uint8_t*>(appXml.data() + i),
                                                 static_cast<utf8proc_ssize_t>(appXml.size() - i), &cp);
            if (length <= 0 || !isDecimalDigit(cp)) {
                break;
            }
            ascii = ascii && cp < 0x80;
            i += static_cast<std::size_t>(length);
        }
        if (i > digitsBegin && appXml.substr(i).starts_with(close)) {
            if (!ascii) {
                return std::nullopt;
            }
            std::int64_t pages = 0;
            const char* const first = appXml.data() + digitsBegin;
            const char* const last = appXml.data() + i;
            const auto [end, ec] = std::from_chars(first, last, pages);
            return ec == std::errc() && end == last ? std::optional(pages) : std::nullopt;
        }
        from = start + 1;
    }
}

FileInfo analyseDocx(const std::filesystem::path& location,
                     const std::string& fileName,
                     const std::string& fileType,
                     std::ostream& diagnostics,
                     const std::filesystem::path& unzipProgram)
{
    const auto unreadable = [&](Note note) {
        return FileInfo::make(fileName, fileType, std::nullopt, std::nullopt, 0).noted(std::move(note));
    };
    try {
        const ExtractionDirectory extracted = extractOfficeArchive(location, unzipProgram);

        const std::filesystem::path appXml = extracted.path() / "docProps" / "app.xml";
        const std::string failure = "cannot read docProps/app.xml from " + location.native();
        refuseLinks(extracted.path(), "docProps/app.xml", failure);
        const std::optional<FileBytes> properties = FileBytes::read(appXml);
        if (!properties) {
            throw std::runtime_error(failure + ": " + describeReadFailure(appXml));
        }
        if (!extracted.unpackedWhole("docProps/app.xml", properties->view())) {
            // A page count read from what unzip wrote of it could be any number.
            throw std::runtime_error(failure + ": " + *extracted.unzipComplaint() +
                                     " and it was not unpacked whole");
        }
        const std::optional<std::int64_t> stored = storedPages(properties->view());

        const std::optional<FileBytes> document = FileBytes::read(location);
        if (!document) {
            throw std::runtime_error("cannot read " + location.native() + ": " +
                                     describeReadFailure(location));
        }
        const std::optional<DocxText> text = readDocxText(document->view());
        if (!text) {
            return unreadable(NoteKind::docxTextUnreadable); // no error line for this one
        }
        std::vector<Note> notes = text->unread;
        if (notes.empty() && extracted.unzipComplaint()) {
            // The text is read from the container itself, not from what unzip wrote.
            notes.emplace_back(NoteKind::docxDamagedButCountedWhole,
                               std::vector{*extracted.unzipComplaint()});
        }
        if (!stored) {
            notes.insert(notes.begin(), NoteKind::docxPagesNotStored);
        }
        std::optional<Note> note;
        for (Note& clause : notes) {
            append(note, std::move(clause));
        }
        return FileInfo::make(fileName, fileType, std::nullopt, stored.value_or(1), countWords(text->text))
            .noted(std::move(note));
    } catch (const std::exception& error) {
        Note note(NoteKind::officeError, {"DOCX", error.what()});
        diagnostics << (englishText(note) + "\n") << std::flush;
        return unreadable(std::move(note));
    }
}

FileInfo FileProcessor::processDOCX(const std::filesystem::path& location,
                                    const std::string& fileName,
                                    const std::string& fileType,
                                    std::ostream& diagnostics)
{
    return analyseDocx(location, fileName, fileType, diagnostics, defaultUnzipProgram);
}

} // namespace pagetally
