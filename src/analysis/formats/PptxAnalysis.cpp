#include "analysis/formats/PptxAnalysis.h"

#include "analysis/intake/FileProcessor.h"
#include "analysis/intake/Paths.h"
#include "analysis/system/FileBytes.h"
#include "analysis/system/OfficeArchive.h"
#include "analysis/text/TagScanner.h"
#include "analysis/text/WordCount.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_set>
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

// How many parts of one kind were read whole, and the names of those the container lists that
// were not unpacked, or not unpacked whole.
struct Tally
{
    std::int64_t read = 0;
    std::int64_t words = 0;
    std::vector<std::string> lost;
};

// Whether the container entry `name` is a part directly in `folder` (ending in "/") whose name
// begins with `prefix` and ends in ".xml": the same rule as for the unpacked files.
bool isListedPart(std::string_view name, std::string_view folder, std::string_view prefix)
{
    if (!name.starts_with(folder)) {
        return false;
    }
    // Ending in ".xml" is having the extension "xml": the text after the last dot.
    const std::string_view rest = name.substr(folder.size());
    return rest.find('/') == std::string_view::npos && rest.starts_with(prefix) && rest.ends_with(".xml");
}

// Reads the unpacked parts; one that cannot be read at all ends the analysis, as before, while
// one that unzip left short or wrong is left out and named, with the listed parts it never wrote.
Tally readParts(const std::vector<fs::path>& parts,
                const ExtractionDirectory& extracted,
                const fs::path& location,
                std::string_view folder,
                std::string_view prefix)
{
    Tally tally;
    std::unordered_set<std::string> found;
    for (const fs::path& part : parts) {
        const fs::path relative = part.lexically_relative(extracted.path());
        const std::string failure = "cannot read " + relative.native() + " from " + location.native();
        refuseLinks(extracted.path(), relative, failure);
        const std::optional<FileBytes> bytes = FileBytes::read(part);
        if (!bytes) {
            throw std::runtime_error(failure + ": " + describeReadFailure(part));
        }
        found.insert(relative.native());
        if (!extracted.unpackedWhole(relative.native(), bytes->view())) {
            tally.lost.push_back(relative.native());
            continue;
        }
        ++tally.read;
        tally.words += countSlideWords(bytes->view());
    }
    for (const ListedEntry& entry : extracted.listed()) {
        // insert() adds a name listed twice only once.
        if (isListedPart(entry.name, folder, prefix) && found.insert(entry.name).second) {
            tally.lost.push_back(entry.name);
        }
    }
    std::ranges::sort(tally.lost);
    return tally;
}

// "2 of 3 slides read: ppt/slides/slide3.xml could not be unpacked"; the first three names only.
Note lostClause(const Tally& tally, NoteKind kind)
{
    const std::size_t shown = std::min<std::size_t>(tally.lost.size(), 3);
    std::vector<std::string> args{std::to_string(tally.read),
                                  std::to_string(tally.read + std::ssize(tally.lost)),
                                  std::to_string(tally.lost.size() - shown)};
    args.insert(args.end(), tally.lost.begin(), tally.lost.begin() + static_cast<std::ptrdiff_t>(shown));
    return {kind, std::move(args)};
}

// What the record lacks, or nullopt when it is the whole presentation.
std::optional<Note>
damageNote(const Tally& slides, const Tally& notes, const std::optional<std::string>& complaint)
{
    std::optional<Note> note;
    for (const auto& [tally, kind] :
         {std::pair{&slides, NoteKind::pptxSlidesLost}, std::pair{&notes, NoteKind::pptxSpeakerNotesLost}}) {
        if (!tally->lost.empty()) {
            append(note, lostClause(*tally, kind));
        }
    }
    if (complaint) {
        append(note, note ? Note(NoteKind::unzipComplaint, {*complaint})
                          : Note(NoteKind::pptxDamagedButReadWhole, {*complaint}));
    }
    return note;
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
        // Every part is preceded by a blank in the text that is counted, so the counts add up.
        const Tally slideTally = readParts(slides, extracted, location, "ppt/slides/", "slide");
        std::vector<fs::path> notes;
        try {
            notes =
                listParts(extracted.path(), "ppt/notesSlides", "notesSlide", "cannot list ppt/notesSlides");
        } catch (const std::runtime_error&) {
            // A presentation without notes has no such folder; notes behind a link are not read.
        }
        const Tally noteTally = readParts(notes, extracted, location, "ppt/notesSlides/", "notesSlide");
        // A slide that was not unpacked whole is neither a page nor words: the note says so.
        return FileInfo::make(fileName, fileType, std::nullopt, slideTally.read,
                              slideTally.words + noteTally.words)
            .noted(damageNote(slideTally, noteTally, extracted.unzipComplaint()));
    } catch (const std::exception& error) {
        Note note(NoteKind::officeError, {"PPTX", error.what()});
        diagnostics << (englishText(note) + "\n") << std::flush;
        return FileInfo::make(fileName, fileType, std::nullopt, std::nullopt, 0).noted(std::move(note));
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
