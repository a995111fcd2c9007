#include "analysis/formats/PdfAnalysis.h"
#include "analysis/intake/FileProcessor.h"
#include "analysis/text/WordCount.h"

#include <poppler-document.h>
#include <poppler-page.h>

#include <sys/mman.h>
#include <sys/stat.h>

#include <climits>
#include <cstring>
#include <exception>
#include <memory>
#include <string>

namespace pagetally {
namespace {

// Reading order, with words hyphenated at a line end joined again: on PDFs typeset from known
// text (two justified, hyphenated columns; tables) it comes within half a percent of the true
// count, where the physical and the raw layout count every hyphenated line end as two words.
constexpr auto textLayout = poppler::page::non_raw_non_physical_layout;

// Damaged files make the library print on standard error; the record already says it all.
void silenceLibrary()
{
    static const bool silenced = [] {
        poppler::set_debug_error_function([](const std::string&, void*) {}, nullptr);
        return true;
    }();
    (void)silenced;
}

// The page count of a document that needs a password to be opened. Encryption covers only
// strings and streams, so the page tree is often plain objects; with the /Encrypt entry of the
// trailer renamed (same length, so that every offset holds) the library reads it like any
// other. The text of such a copy is never used. A page tree inside an encrypted object stream
// cannot be read, and the library then reports no pages: that counts as unreadable too. The
// copy is a private mapping of the file, so only the pages that hold a renamed entry are
// copied: a locked document of hundreds of megabytes fits the helper's memory.
std::optional<std::int64_t> lockedPageCount(int fd)
{
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || st.st_size <= 0 || st.st_size > INT_MAX) {
        return std::nullopt;
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    void* mapped = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0);
    if (mapped == MAP_FAILED) {
        return std::nullopt;
    }
    const std::unique_ptr<void, std::function<void(void*)>> mapping(mapped,
                                                                    [size](void* p) { ::munmap(p, size); });
    char* const bytes = static_cast<char*>(mapped);
    constexpr std::string_view key = "/Encrypt";
    for (char* at = bytes;
         (at = static_cast<char*>(::memmem(at, size - std::size_t(at - bytes), key.data(), key.size()))) !=
         nullptr;
         at += key.size()) {
        std::memcpy(at, "/NoCrypt", key.size());
    }
    const std::unique_ptr<poppler::document> document(
        poppler::document::load_from_raw_data(bytes, static_cast<int>(size)));
    if (!document || document->is_locked()) {
        return std::nullopt;
    }
    const int pages = document->pages();
    return pages > 0 ? std::optional<std::int64_t>(pages) : std::nullopt;
}

} // namespace

PdfCount countPdfInProcess(int fd, const std::filesystem::path& location, const PdfWatch& watch)
{
    // The library opens the very file this descriptor holds, so nothing can swap it.
    std::string file = "/proc/self/fd/" + std::to_string(fd);
    if (struct stat viaProc{}; ::stat(file.c_str(), &viaProc) != 0) {
        if (location.empty()) {
            return {};
        }
        file = location.native(); // no /proc: the path the caller just checked will do
    }

    silenceLibrary();
    const std::unique_ptr<poppler::document> document(poppler::document::load_from_file(file));
    if (!document) {
        return PdfCount::failed(PdfProblem::notOpened);
    }
    if (document->is_locked()) {
        // Asking a locked document for its pages would crash the library.
        return PdfCount::failed(PdfProblem::locked, lockedPageCount(fd));
    }

    const int pages = document->pages();
    if (watch.pagesKnown) {
        watch.pagesKnown(pages);
    }
    PdfCount count;
    count.pages = pages;
    for (int i = 0; i < pages; ++i) {
        if (watch.nextPage && !watch.nextPage()) {
            return PdfCount::failed(PdfProblem::timeLimit, pages);
        }
        // Each page on its own: a page break always separates words.
        const std::unique_ptr<poppler::page> page(document->create_page(i));
        if (!page) {
            ++count.pagesMissing;
            continue;
        }
        const std::vector<char> text = page->text(poppler::rectf(), textLayout).to_utf8();
        const std::int64_t words = countWords({text.data(), text.size()});
        count.words += words;
        count.pagesWithoutText += words == 0 ? 1 : 0;
    }
    return count;
}

std::optional<Note> pdfNote(const PdfCount& count)
{
    // With the page count read, whatever went wrong went wrong over the text.
    const bool paged = count.pages.has_value();
    switch (count.problem) {
    case PdfProblem::none:
        break;
    case PdfProblem::notOpened:
        return NoteKind::pdfNotOpened;
    case PdfProblem::locked:
        return paged ? NoteKind::pdfLockedPagesShown : NoteKind::pdfLocked;
    case PdfProblem::timeLimit:
        return paged ? NoteKind::pdfTextTimeLimit : NoteKind::pdfOpenTimeLimit;
    case PdfProblem::memoryLimit:
        return paged ? NoteKind::pdfTextMemoryLimit : NoteKind::pdfOpenMemoryLimit;
    case PdfProblem::crashed:
        return paged ? NoteKind::pdfTextLibraryFailed : NoteKind::pdfOpenLibraryFailed;
    case PdfProblem::noHelper:
        return NoteKind::pdfNoHelper;
    }
    // Intact files give their pages; a download cut short often gives none, or fewer than it
    // states, without any error from the library.
    if (count.pages == 0) {
        return NoteKind::pdfNoPages;
    }
    if (count.pagesMissing > 0 && count.pages) {
        return Note(NoteKind::pdfPagesMissing,
                    {std::to_string(count.pagesMissing), std::to_string(*count.pages)});
    }
    if (count.pagesWithoutText > 0 && count.pages) {
        // As for a scan: the pages are images, and only a text layer holds words.
        return Note(NoteKind::pdfPagesWithoutText,
                    {std::to_string(count.pagesWithoutText), std::to_string(*count.pages)});
    }
    return std::nullopt;
}

FileInfo FileProcessor::processPDF(const std::filesystem::path& location,
                                   const std::string& fileName,
                                   const std::string& fileType)
{
    PdfCount count;
    try {
        count = measurePdf(location);
    } catch (const std::exception&) {
        count = PdfCount::failed(PdfProblem::memoryLimit); // inside the library: the document cannot be read
    }
    FileInfo record =
        FileInfo::make(fileName, fileType, std::nullopt, count.pages, count.words).noted(pdfNote(count));
    // Without its helper no PDF is read at all: the command line's exit status says so too.
    record.unreadable = count.problem == PdfProblem::noHelper;
    return record;
}

} // namespace pagetally
