// Measuring PDFs. Poppler runs in a helper process under a CPU-time limit: a crafted file can
// keep its repair code busy for minutes, and a crash inside the library would end the program
// and the list in its window. There it costs one unreadable record instead.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace pagetally {

struct PdfCount
{
    std::optional<std::int64_t> pages; // absent: the document cannot be read
    std::int64_t words = 0;
};

// Poppler's answer for the regular file open at `fd`, in this process and without limits: the
// helper's work. `location` is used only when /proc is not mounted.
PdfCount countPdfInProcess(int fd, const std::filesystem::path& location = {});

// How much CPU time one document may take: base plus so much per MiB of file. Poppler reads a
// typeset 500-page book of 1.4 MiB in 0.3 s, so real documents stay far inside; a crafted
// 640 kB file that takes minutes is stopped within about 13 s.
struct PdfLimits
{
    double baseSeconds = 10;
    double secondsPerMiB = 4;
};

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
