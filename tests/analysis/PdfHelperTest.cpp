// PDFs measured in the helper process: same answers as in process, time limits that end a
// runaway document without costing the next one, no helper left behind, none that outlives a
// killed program, and no PDF read without one.
#include "analysis/formats/PdfAnalysis.h"
#include "analysis/system/Descriptor.h"
#include "analysis/system/FileBytes.h"
#include "support/Bytes.h"
#include "support/HandMadePdf.h"
#include "support/Processes.h"
#include "support/TempDir.h"
#include "support/Zip.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
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
    // The built helper is found, so the suites that measure PDFs really go through it.
    ASSERT_EQ(pdfHelperProgram().filename(), "pagetally-pdf");
    ASSERT_EQ(::access(pdfHelperProgram().c_str(), X_OK), 0) << pdfHelperProgram();
    const fs::path next = dataFile("pdf/columns.pdf");
    // Sixteen copies of a file whose repair takes the library half a second each: minutes in
    // all. With one second allowed it is unreadable, and the next file gets a fresh helper.
    const TempDir dir;
    const fs::path runaway =
        dir.write("runaway.pdf", test::repeat(test::readFile(dataFile("hostile/slow-repair.pdf")), 16));
    const PdfCount stopped = measurePdf(runaway, PdfLimits{.openSeconds = 1, .openSecondsPerMiB = 0});
    EXPECT_FALSE(stopped.pages.has_value());
    EXPECT_EQ(stopped.words, 0);
    expectSame(measurePdf(next, PdfLimits{.openSeconds = 1, .openSecondsPerMiB = 0}), next, inProcess(next));
}

TEST(PdfHelper, KeepsThePageCountWhenAPageOrTheTextRunsOutOfTime)
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
    const fs::path crafted = dir.write("crafted.pdf", test::assemblePdf(objects));
    for (const PdfLimits& limits :
         {PdfLimits{.pageSeconds = 0.5}, // the page's own limit
          PdfLimits{
              .pageSeconds = 100, .textSeconds = 0.5, .textSecondsPerMiB = 0, .textSecondsPerPage = 0}}) {
        const PdfCount count = measurePdf(crafted, limits);
        EXPECT_EQ(count.pages, 1);
        EXPECT_EQ(count.words, 0);
        EXPECT_EQ(englishText(*pdfNote(count)), "text not read: the time limit was reached");
    }
}

// Running, not a zombie nor gone (the pid is not reused within the test: the kernel hands
// pids out in turn).
bool running(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const std::size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z' &&
           line[close + 2] != 'X';
}

TEST(PdfHelper, WithoutItsHelperTheProgramReadsNoPdfAndSaysWhereItLooked)
{
    const TempDir dir;
    fs::create_directory(dir.path() / "bin");
    const fs::path cli = dir.path() / "bin/pagetally-cli";
    fs::copy_file(PAGETALLY_CLI, cli);
    const fs::path pdf = dataFile("pdf/columns.pdf");
    const fs::path err = dir.path() / "err.txt";
    const std::string command = "'" + cli.native() + "' '" + pdf.native() + "' '" +
                                dataFile("pdf/table.pdf").native() + "' >/dev/null 2>'" + err.native() + "'";
    const int status = std::system(command.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1); // not every file was read
    const std::string note = ": not read: the PDF helper program cannot be started\n";
    EXPECT_EQ(test::readFile(err), "pagetally-cli: PDFs are not read: cannot start the PDF helper " +
                                       (dir.path() / "libexec/pagetally/pagetally-pdf").native() +
                                       ": No such file or directory\n"
                                       "pagetally-cli: " +
                                       pdf.native() + note +
                                       "pagetally-cli: " + dataFile("pdf/table.pdf").native() + note);
}

TEST(PdfHelper, DiesWithAKilledProgram)
{
    // A file whose opening would keep the helper busy for its whole budget of about 6 s.
    const TempDir dir;
    const fs::path slow =
        dir.write("slow.pdf", test::repeat(test::readFile(dataFile("hostile/slow-repair.pdf")), 100));
    const pid_t program = test::startProgram({PAGETALLY_CLI, slow.native()}, fs::temp_directory_path());
    ASSERT_GT(program, 0);
    std::vector<pid_t> helpers;
    EXPECT_TRUE(
        test::within(std::chrono::seconds(10), [&] { return !(helpers = children(program)).empty(); }));
    ::kill(program, SIGKILL);
    ::waitpid(program, nullptr, 0);
    ASSERT_EQ(helpers.size(), 1u);
    EXPECT_TRUE(test::within(std::chrono::seconds(2), [&] { return !running(helpers[0]); }))
        << "the helper " << helpers[0] << " outlived its program";
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
