// Why a record is not a plain measurement, as a value: what happened and its particulars.
// Said in English here (standard error, JSON, CSV); the window says it in the reader's language.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pagetally {

// Each kind lists its arguments in order; texts that are not ours (the system's reason, the
// JSON parser's, unzip's) are arguments and stay as they are in every language.
enum class NoteKind {
    fileNotFound,
    notRegularFile,
    notReadable, // reason
    outOfMemory,
    legacyDoc,
    notUtf8,
    notUtf8Utf16Bom,
    notUtf8Utf32Bom,
    invalidJson,   // reason
    invalidJsonAt, // reason, offset
    pdfNotOpened,
    pdfLockedPagesShown,
    pdfLocked,
    pdfTextTimeLimit,
    pdfOpenTimeLimit,
    pdfTextMemoryLimit,
    pdfOpenMemoryLimit,
    pdfTextLibraryFailed,
    pdfOpenLibraryFailed,
    pdfNoHelper,
    pdfNoPages,
    pdfPagesMissing,       // missing, pages
    pdfPagesWithoutText,   // without text, pages
    mediaStatedLength,     // stated duration, measured duration
    mediaImpossibleLength, // stated duration, file size, duration it can hold, kbit/s
    mediaNoDuration,
    mediaNoDurationTimeLimit,
    officeError, // "DOCX" or "PPTX", the error's own words
    docxTextUnreadable,
    docxPagesNotStored,
    docxFootnotesNotRead,            // part, reason ("could not be decompressed", ...)
    docxEndnotesNotRead,             // part, reason
    docxFootnotesAndEndnotesNotRead, // part (the relationships), reason
    docxDamagedButCountedWhole,      // unzip's complaint
    pptxSlidesLost,                  // read, total, names beyond the first three, then up to three names
    pptxSpeakerNotesLost,            // as pptxSlidesLost
    pptxDamagedButReadWhole,         // unzip's complaint
    unzipComplaint,                  // unzip's complaint
};

struct NoteClause
{
    NoteKind kind;
    std::vector<std::string> args;

    bool operator==(const NoteClause&) const = default;
};

// One or more clauses, said one after the other ("; " in English).
struct Note
{
    std::vector<NoteClause> clauses;

    Note(NoteKind kind, std::vector<std::string> args = {}) : clauses{{kind, std::move(args)}} {}

    // This note with `more` said after it.
    Note& add(Note more)
    {
        clauses.insert(clauses.end(), more.clauses.begin(), more.clauses.end());
        return *this;
    }

    bool operator==(const Note&) const = default;
};

// `more` said after `note`, or as the note when there is none yet.
inline void append(std::optional<Note>& note, Note more)
{
    if (note) {
        note->add(std::move(more));
    } else {
        note = std::move(more);
    }
}

std::string englishText(const NoteClause& clause);
std::string englishText(const Note& note);

} // namespace pagetally
