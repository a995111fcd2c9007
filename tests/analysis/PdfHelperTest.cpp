// PDFs measured in the helper process: same answers as in process, a time limit that ends
// a runaway document without costing the next one, and no helper left behind.
#include "analysis/Descriptor.h"
#include "analysis/FileBytes.h"
#include "analysis/PdfAnalysis.h"
#include "support/Bytes.h"
#include "support/HandMadePdf.h"
#include "support/Processes.h"
#include "support/TempDir.h"
#include "support/Zip.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <vector>

namespace pagetally {
namespace {

namespace fs = std::filesystem;
using test::children;
using test::dataFile;
using test::TempDir;

PdfCount inProcess(const fs::path& file)
{
    struct stat st = {};
    const Descriptor fd(openRegularFile(file, st));
    return countPdfInProcess(fd.get(), file);
}

void expectSame(const PdfCount& actual, const fs::path& file, const PdfCount& expected)
{
    EXPECT_EQ(actual.pages, expected.pages) << file;
    EXPECT_EQ(actual.words, expected.words) << file;
}

TEST(PdfHelper, EndsADocumentThatRunsOutOfTimeAndMeasuresTheNext)
{
    // The built helper is found, so the suites that measure PDFs really go through it. No helper
    // program, or one that cannot be started: measured in process.
    ASSERT_EQ(pdfHelperProgram().filename(), "pagetally-pdf");
    const fs::path next = dataFile("pdf/columns.pdf");
    for (const fs::path& missing : {fs::path(), fs::path("/nonexistent/pagetally-pdf")}) {
        expectSame(measurePdf(next, {}, missing), next, inProcess(next));
    }
    // Sixteen copies of a file whose repair takes the library half a second each: minutes in
    // all. With one second allowed it is unreadable, and the next file gets a fresh helper.
    const TempDir dir;
    const fs::path runaway =
        dir.write("runaway.pdf", test::repeat(test::readFile(dataFile("hostile/slow-repair.pdf")), 16));
    const PdfCount stopped = measurePdf(runaway, PdfLimits{1, 0});
    EXPECT_FALSE(stopped.pages.has_value());
    EXPECT_EQ(stopped.words, 0);
    expectSame(measurePdf(next, PdfLimits{1, 0}), next, inProcess(next));
}

TEST(PdfHelper, KeepsThePageCountWhenTheTextRunsOutOfTime)
{
    // One page whose page tree reads at once, but whose text is a form drawn ten times, each
    // drawing the next ten times, and so on: millions of words from a few kilobytes.
    std::string words;
    for (int i = 0; i < 200; ++i) {
        words += "1 0 0 1 " + std::to_string(10 + i % 40 * 14) + " " + std::to_string(10 + i / 40 * 9) +
                 " Tm (w" + std::to_string(i) + ") Tj ";
    }
    const auto form = [](const std::string& content, const std::string& resources) {
        return "<< /Type /XObject /Subtype /Form /BBox [0 0 612 792] /Resources << " + resources +
               " >> /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream";
    };
    std::vector<std::string> objects{
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
        "/Resources << /XObject << /X 6 0 R >> >> >>",
        test::pdfStream("/X Do"), "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"};
    for (int level = 0; level < 5; ++level) {
        objects.push_back(
            form(test::repeat("q /X Do Q ", 10), "/XObject << /X " + std::to_string(7 + level) + " 0 R >>"));
    }
    objects.push_back(form("BT /F1 6 Tf " + words + "ET", "/Font << /F1 5 0 R >>"));
    const TempDir dir;
    const PdfCount count =
        measurePdf(dir.write("crafted.pdf", test::assemblePdf(objects)), PdfLimits{0.5, 0});
    EXPECT_EQ(count.pages, 1);
    EXPECT_EQ(count.words, 0);
    EXPECT_EQ(pdfNote(count), "text not read: the time limit was reached");
}

TEST(PdfHelper, ThreadsMeasureAtOnceAndAFreshHelperReplacesAKilledOneAndNoneIsLeftBehind)
{
    // Not the slow hostile PDF: a sanitized build may take it past the helper's time limit.
    std::vector<fs::path> fixtures;
    for (const auto& entry : fs::directory_iterator(dataFile("pdf"))) {
        if (entry.path().extension() == ".pdf") {
            fixtures.push_back(entry.path());
        }
    }
    std::vector<PdfCount> expected;
    for (const fs::path& file : fixtures) {
        expected.push_back(inProcess(file));
    }
    const std::vector<pid_t> before = children();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (std::size_t i = 0; i < fixtures.size(); ++i) {
                expectSame(measurePdf(fixtures[i]), fixtures[i], expected[i]);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(children(), before);

    const fs::path file = fixtures.back();
    std::thread([&] {
        expectSame(measurePdf(file), file, expected.back());
        std::vector<pid_t> helpers = children();
        ASSERT_EQ(helpers.size(), before.size() + 1);
        const pid_t helper = *std::find_if(helpers.begin(), helpers.end(), [&](pid_t pid) {
            return std::find(before.begin(), before.end(), pid) == before.end();
        });
        ::kill(helper, SIGKILL);
        // Until it has died, without reaping it: that is the helper's owner's work.
        siginfo_t info{};
        ::waitid(P_PID, static_cast<id_t>(helper), &info, WEXITED | WNOWAIT);
        expectSame(measurePdf(file), file, expected.back());
    }).join();
    // Each thread's helper ends with its thread; none is left running or unreaped.
    EXPECT_EQ(children(), before);
}

} // namespace
} // namespace pagetally
