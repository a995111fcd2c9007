// Measuring PDFs. Poppler runs in a helper process under CPU-time and memory limits: a crafted
// file can keep its repair code busy for minutes, and a crash inside the library would end the
// program and the list in its window. There it costs one unreadable record instead.
#pragma once

#include "analysis/intake/Note.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>

namespace pagetally {

// Why a count is not the whole document's.
enum class PdfProblem {
    none,
    notOpened,   // not a PDF the library can open
    locked,      // a password is needed: at most the page count is read
    timeLimit,   // the document ran out of CPU time
    memoryLimit, // the library ran out of memory
    crashed,     // the library ended the helper
    noHelper,    // the helper program cannot be started: nothing is read
};

struct PdfCount
{
    std::optional<std::int64_t> pages; // absent: the document cannot be read
    std::int64_t words = 0;
    std::int64_t pagesWithoutText = 0;
    // Pages that the document states but the library cannot find (a page tree cut short, or
    // whose /Count exceeds its kids): counted in `pages`, without words.
    std::int64_t pagesMissing = 0;
    // With pages present, a problem arose while the text was read: the words are then 0.
    PdfProblem problem = PdfProblem::none;

    // No words, for `problem`.
    static PdfCount failed(PdfProblem problem, std::optional<std::int64_t> pages = std::nullopt)
    {
        PdfCount count;
        count.pages = pages;
        count.problem = problem;
        return count;
    }
};

// What the helper hears while it reads a document.
struct PdfWatch
{
    // The page count, as soon as it is read, before the text.
    std::function<void(std::int64_t)> pagesKnown;
    // Before each page; false stops the text there, as out of time.
    std::function<bool()> nextPage;
};

// Poppler's answer for the regular file open at `fd`, in this process and without limits: the
// helper's work. `location` is used only when /proc is not mounted.
PdfCount countPdfInProcess(int fd, const std::filesystem::path& location = {}, const PdfWatch& watch = {});

// What one document may take, in CPU time and memory: limits that no real document reaches on
// any machine. A page of a real document takes milliseconds (a 2,000-page table with one text
// object per cell 7.5 ms a page; 7,600 cells on a page 0.1 s), and its text about 1.3 s per
// MiB of file, while a crafted page of a few kilobytes can take hours. So the opening, before
// the page count is known, may take `openSeconds` plus so much per MiB of file; then each page
// `pageSeconds`, and the text in all `textSeconds` plus so much per MiB and per page. Pages
// beyond one per `bytesPerPage` bytes of file earn no more time: a page with text takes more
// room than that, while a crafted file can list one slow page a thousand times. Memory:
// `memoryMiB` plus `memoryPerFileByte` times the file's size (a locked document is read from
// memory), beyond what the helper already holds.
struct PdfLimits
{
    double openSeconds = 2;
    double openSecondsPerMiB = 1;
    double pageSeconds = 2;
    double textSeconds = 2;
    double textSecondsPerMiB = 10;
    double textSecondsPerPage = 0.25;
    double bytesPerPage = 100;
    double memoryMiB = 512;
    double memoryPerFileByte = 2;
};

// The record's note for a count; nullopt for a plain measurement.
std::optional<Note> pdfNote(const PdfCount& count);

// Where the helper program is installed and built relative to the running program (bin/ and
// libexec/pagetally/); empty when the running program's own location is unknown.
const std::filesystem::path& pdfHelperProgram();

// Measures the PDF at `location` in the calling thread's helper process, which is started on
// first use and kept for the next document. A document that runs out of CPU time, or ends the
// helper, is unreadable (the next one gets a fresh helper). Only a regular file is handed on.
// When the helper cannot be started nothing is read (PdfProblem::noHelper), and the first time
// one line on standard error says where it was looked for. Safe to call from several threads.
PdfCount measurePdf(const std::filesystem::path& location,
                    const PdfLimits& limits = {},
                    const std::filesystem::path& helper = pdfHelperProgram());

// The helper's side: answers requests on `socket` until the other end closes it. The helper
// dies with the process `parent` (0: whichever started it), also when that has already ended.
int servePdfRequests(int socket, pid_t parent = 0);

} // namespace pagetally
