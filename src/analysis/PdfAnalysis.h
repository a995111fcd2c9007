// Measuring PDFs. Poppler runs in a helper process under a CPU-time limit: a crafted file can
// keep its repair code busy for minutes, and a crash inside the library would end the program
// and the list in its window. There it costs one unreadable record instead.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace pagetally {

// Why a count is not the whole document's.
enum class PdfProblem {
    none,
    notOpened,   // not a PDF the library can open
    locked,      // a password is needed: at most the page count is read
    timeLimit,   // the document ran out of CPU time
    memoryLimit, // the library ran out of memory
    crashed,     // the library ended the helper
};

struct PdfCount
{
    std::optional<std::int64_t> pages; // absent: the document cannot be read
    std::int64_t words = 0;
    std::int64_t pagesWithoutText = 0;
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

// Poppler's answer for the regular file open at `fd`, in this process and without limits: the
// helper's work. `location` is used only when /proc is not mounted. `pagesKnown` hears the
// page count as soon as it is read, before the text.
PdfCount countPdfInProcess(int fd,
                           const std::filesystem::path& location = {},
                           const std::function<void(std::int64_t)>& pagesKnown = {});

// How much CPU time one document may take: base plus so much per MiB of file. Poppler reads a
// typeset 1,000-page book of 2.8 MiB in 1.1 s, so real documents stay far inside, while a
// crafted file of a few kilobytes that would take minutes over its text is stopped within
// about 3 s, its page count kept.
struct PdfLimits
{
    double baseSeconds = 2;
    double secondsPerMiB = 1;
};

// The record's note for a count; nullopt for a plain measurement.
std::optional<std::string> pdfNote(const PdfCount& count);

// The helper program, where it is installed and built relative to the running program
// (bin/ and libexec/pagetally/); empty when it is not there.
const std::filesystem::path& pdfHelperProgram();

// Measures the PDF at `location` in the calling thread's helper process, which is started on
// first use and kept for the next document. A document that runs out of CPU time, or ends the
// helper, is unreadable (the next one gets a fresh helper). Only a regular file is handed on.
// Without a helper program, or when it cannot be started, Poppler runs in this process.
// Safe to call from several threads at once.
PdfCount measurePdf(const std::filesystem::path& location,
                    const PdfLimits& limits = {},
                    const std::filesystem::path& helper = pdfHelperProgram());

// The helper's side: answers requests on `socket` until the other end closes it.
int servePdfRequests(int socket);

} // namespace pagetally
