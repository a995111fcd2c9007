#include "analysis/intake/Note.h"

namespace pagetally {
namespace {

// "ppt/slides/slide3.xml", "a, b and c", "a, b, c and 2 more": args from `first` on are the
// names, `more` the count left unnamed.
std::string nameList(const std::vector<std::string>& args, std::size_t first, const std::string& more)
{
    std::string names;
    const bool hasMore = more != "0";
    for (std::size_t i = first; i < args.size(); ++i) {
        names += (i == first ? "" : i + 1 == args.size() && !hasMore ? " and " : ", ") + args[i];
    }
    if (hasMore) {
        names += " and " + more + " more";
    }
    return names;
}

} // namespace

std::string englishText(const NoteClause& clause)
{
    const std::vector<std::string>& a = clause.args;
    constexpr std::string_view damaged = ": the file may be damaged or cut short";
    switch (clause.kind) {
    case NoteKind::fileNotFound:
        return "file not found";
    case NoteKind::notRegularFile:
        return "not a regular file";
    case NoteKind::notReadable:
        return "not readable: " + a.at(0);
    case NoteKind::outOfMemory:
        return "not read: out of memory";
    case NoteKind::legacyDoc:
        return "legacy DOC format is not read";
    case NoteKind::notUtf8:
        return "not valid UTF-8 text";
    case NoteKind::notUtf8Utf16Bom:
        return "not valid UTF-8 text (UTF-16 byte-order mark)";
    case NoteKind::notUtf8Utf32Bom:
        return "not valid UTF-8 text (UTF-32 byte-order mark)";
    case NoteKind::invalidJson:
        return "not valid JSON: " + a.at(0);
    case NoteKind::invalidJsonAt:
        return "not valid JSON: " + a.at(0) + " at offset " + a.at(1);
    case NoteKind::pdfNotOpened:
        return "cannot be opened as a PDF";
    case NoteKind::pdfLockedPagesShown:
        return "locked by a password: pages shown, text not read";
    case NoteKind::pdfLocked:
        return "locked by a password: pages and text not read";
    case NoteKind::pdfTextTimeLimit:
        return "text not read: the time limit was reached";
    case NoteKind::pdfOpenTimeLimit:
        return "cannot be opened as a PDF: the time limit was reached";
    case NoteKind::pdfTextMemoryLimit:
        return "text not read: the memory limit was reached";
    case NoteKind::pdfOpenMemoryLimit:
        return "cannot be opened as a PDF: the memory limit was reached";
    case NoteKind::pdfTextLibraryFailed:
        return "text not read: the PDF library failed";
    case NoteKind::pdfOpenLibraryFailed:
        return "cannot be opened as a PDF: the PDF library failed";
    case NoteKind::pdfNoHelper:
        return "not read: the PDF helper program cannot be started";
    case NoteKind::pdfNoPages:
        return "no pages found" + std::string(damaged);
    case NoteKind::pdfPagesMissing:
        return a.at(0) + " of " + a.at(1) + " pages missing" + std::string(damaged);
    case NoteKind::pdfPagesWithoutText:
        return "no text on " + a.at(0) + " of " + a.at(1) + (a.at(1) == "1" ? " page" : " pages");
    case NoteKind::mediaStatedLength:
        return "header states " + a.at(0) + ", but the data holds " + a.at(1);
    case NoteKind::mediaImpossibleLength:
        return "header states " + a.at(0) + ", but " + a.at(1) + " holds at most " + a.at(2) + " at " +
               a.at(3) + " kbit/s";
    case NoteKind::mediaNoDuration:
        return "no readable duration";
    case NoteKind::mediaNoDurationTimeLimit:
        return "no readable duration: the time limit was reached";
    case NoteKind::officeError:
        return "Error processing " + a.at(0) + " file: " + a.at(1);
    case NoteKind::docxTextUnreadable:
        return "the document's text cannot be read";
    case NoteKind::docxPagesNotStored:
        return "page count not stored by the authoring program (1 shown)";
    case NoteKind::docxFootnotesNotRead:
        return "footnotes not read: " + a.at(0) + " " + a.at(1);
    case NoteKind::docxEndnotesNotRead:
        return "endnotes not read: " + a.at(0) + " " + a.at(1);
    case NoteKind::docxFootnotesAndEndnotesNotRead:
        return "footnotes and endnotes not read: " + a.at(0) + " " + a.at(1);
    case NoteKind::docxDamagedButCountedWhole:
        return a.at(0) + ", but every part that is counted was read whole";
    case NoteKind::pptxSlidesLost:
        return a.at(0) + " of " + a.at(1) + " slides read: " + nameList(a, 3, a.at(2)) +
               " could not be unpacked";
    case NoteKind::pptxSpeakerNotesLost:
        return a.at(0) + " of " + a.at(1) + " speaker notes read: " + nameList(a, 3, a.at(2)) +
               " could not be unpacked";
    case NoteKind::pptxDamagedButReadWhole:
        return a.at(0) + ", but every slide and speaker note was read whole";
    case NoteKind::unzipComplaint:
        return a.at(0);
    }
    return {};
}

std::string englishText(const Note& note)
{
    std::string text;
    for (const NoteClause& clause : note.clauses) {
        text += (text.empty() ? "" : "; ") + englishText(clause);
    }
    return text;
}

} // namespace pagetally
