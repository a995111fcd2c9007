#include "window/NoteText.h"

#include <QStringList>

namespace pagetally {
namespace {

QString text(const std::string& s)
{
    return QString::fromStdString(s);
}

int number(const std::string& s)
{
    return text(s).toInt();
}

// Why a part of a document's package was not read: the reader says it in one of these English
// phrases, which the catalogue holds under this context.
const char* const partReasons[] = {
    QT_TRANSLATE_NOOP("pagetally::NoteText", "could not be decompressed"),
    QT_TRANSLATE_NOOP("pagetally::NoteText", "is not well-formed XML"),
    QT_TRANSLATE_NOOP("pagetally::NoteText", "inflates to more than 512 MiB"),
};

QString partReason(const std::string& reason)
{
    for (const char* known : partReasons) {
        if (reason == known) {
            return QCoreApplication::translate("pagetally::NoteText", known);
        }
    }
    return text(reason);
}

} // namespace

QString NoteText::of(const Note& note)
{
    QString said;
    for (const NoteClause& clause : note.clauses) {
        //: Two parts of one note, the second said after the first.
        said = said.isEmpty() ? of(clause) : tr("%1; %2").arg(said, of(clause));
    }
    return said;
}

QString NoteText::of(const NoteClause& clause)
{
    const std::vector<std::string>& a = clause.args;
    const auto arg = [&](std::size_t i) { return text(a.at(i)); };
    // The names of the parts left out: the first three, then how many more.
    const auto names = [&] {
        QStringList listed;
        for (std::size_t i = 3; i < a.size(); ++i) {
            listed << arg(i);
        }
        if (const int more = number(a.at(2)); more > 0) {
            //: Names of parts of a file, then how many more are left unnamed.
            return tr("%1 and %n more", nullptr, more).arg(listed.join(QStringLiteral(", ")));
        }
        const QString last = listed.takeLast();
        //: The last two of a list of names.
        return listed.isEmpty() ? last : tr("%1 and %2").arg(listed.join(QStringLiteral(", ")), last);
    };
    // English has no catalogue of its own, so its singulars are spelled out; a translation
    // takes every form from the %n text.
    switch (clause.kind) {
    case NoteKind::fileNotFound:
        return tr("file not found");
    case NoteKind::notRegularFile:
        return tr("not a regular file");
    case NoteKind::notReadable:
        //: %1 is the system's reason, as it gives it.
        return tr("not readable: %1").arg(arg(0));
    case NoteKind::outOfMemory:
        return tr("not read: out of memory");
    case NoteKind::legacyDoc:
        return tr("legacy DOC format is not read");
    case NoteKind::notUtf8:
        return tr("not valid UTF-8 text");
    case NoteKind::notUtf8Utf16Bom:
        return tr("not valid UTF-8 text (UTF-16 byte-order mark)");
    case NoteKind::notUtf8Utf32Bom:
        return tr("not valid UTF-8 text (UTF-32 byte-order mark)");
    case NoteKind::invalidJson:
        //: %1 is the JSON parser's reason, in English.
        return tr("not valid JSON: %1").arg(arg(0));
    case NoteKind::invalidJsonAt:
        //: %1 is the JSON parser's reason, in English; %2 the byte offset.
        return tr("not valid JSON: %1 at offset %2").arg(arg(0), arg(1));
    case NoteKind::pdfNotOpened:
        return tr("cannot be opened as a PDF");
    case NoteKind::pdfLockedPagesShown:
        return tr("locked by a password: pages shown, text not read");
    case NoteKind::pdfLocked:
        return tr("locked by a password: pages and text not read");
    case NoteKind::pdfTextTimeLimit:
        return tr("text not read: the time limit was reached");
    case NoteKind::pdfOpenTimeLimit:
        return tr("cannot be opened as a PDF: the time limit was reached");
    case NoteKind::pdfTextMemoryLimit:
        return tr("text not read: the memory limit was reached");
    case NoteKind::pdfOpenMemoryLimit:
        return tr("cannot be opened as a PDF: the memory limit was reached");
    case NoteKind::pdfTextLibraryFailed:
        return tr("text not read: the PDF library failed");
    case NoteKind::pdfOpenLibraryFailed:
        return tr("cannot be opened as a PDF: the PDF library failed");
    case NoteKind::pdfNoHelper:
        return tr("not read: the PDF helper program cannot be started");
    case NoteKind::pdfNoPages:
        return tr("no pages found: the file may be damaged or cut short");
    case NoteKind::pdfPagesMissing:
        //: %1 pages of the %n the document states.
        return tr("%1 of %n pages missing: the file may be damaged or cut short", nullptr, number(a.at(1)))
            .arg(arg(0));
    case NoteKind::pdfPagesWithoutText:
        //: %1 pages of the document's %n.
        return a.at(1) == "1" ? tr("no text on %1 of 1 page").arg(arg(0))
                              : tr("no text on %1 of %n pages", nullptr, number(a.at(1))).arg(arg(0));
    case NoteKind::mediaStatedLength:
        //: Two durations, as "12m 5s".
        return tr("header states %1, but the data holds %2").arg(arg(0), arg(1));
    case NoteKind::mediaImpossibleLength:
        //: %1 and %3 are durations, as "12m 5s"; %2 the file's size, as "37 KiB"; %4 a bit rate.
        return tr("header states %1, but %2 holds at most %3 at %4 kbit/s")
            .arg(arg(0), arg(1), arg(2), arg(3));
    case NoteKind::mediaNoDuration:
        return tr("no readable duration");
    case NoteKind::mediaNoDurationTimeLimit:
        return tr("no readable duration: the time limit was reached");
    case NoteKind::officeError:
        //: %1 is DOCX or PPTX; %2 the error, in English, as the diagnostics give it.
        return tr("Error processing %1 file: %2").arg(arg(0), arg(1));
    case NoteKind::docxTextUnreadable:
        return tr("the document's text cannot be read");
    case NoteKind::docxPagesNotStored:
        return tr("page count not stored by the authoring program (1 shown)");
    case NoteKind::docxFootnotesNotRead:
        //: %1 is the part's name in the document's package, %2 why it was not read.
        return tr("footnotes not read: %1 %2").arg(arg(0), partReason(a.at(1)));
    case NoteKind::docxEndnotesNotRead:
        //: %1 is the part's name in the document's package, %2 why it was not read.
        return tr("endnotes not read: %1 %2").arg(arg(0), partReason(a.at(1)));
    case NoteKind::docxFootnotesAndEndnotesNotRead:
        //: %1 is the part's name in the document's package, %2 why it was not read.
        return tr("footnotes and endnotes not read: %1 %2").arg(arg(0), partReason(a.at(1)));
    case NoteKind::docxDamagedButCountedWhole:
        //: %1 is unzip's complaint, in English.
        return tr("%1, but every part that is counted was read whole").arg(arg(0));
    case NoteKind::pptxSlidesLost:
        //: %1 slides of the %n listed; %2 the names of those that could not be unpacked.
        return tr("%1 of %n slides read: %2 could not be unpacked", nullptr, number(a.at(1)))
            .arg(arg(0), names());
    case NoteKind::pptxSpeakerNotesLost:
        //: %1 speaker notes of the %n listed; %2 the names of those that could not be unpacked.
        return tr("%1 of %n speaker notes read: %2 could not be unpacked", nullptr, number(a.at(1)))
            .arg(arg(0), names());
    case NoteKind::pptxDamagedButReadWhole:
        //: %1 is unzip's complaint, in English.
        return tr("%1, but every slide and speaker note was read whole").arg(arg(0));
    case NoteKind::unzipComplaint:
        return arg(0);
    }
    return {};
}

} // namespace pagetally
