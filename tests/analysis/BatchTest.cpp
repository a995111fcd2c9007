// The batch engine: records and error lines in input order whatever the number of threads, and
// its cancel: the finished prefix, in order, and nothing left running or on disk.
#include "analysis/intake/Batch.h"
#include "analysis/formats/PdfAnalysis.h"
#include "analysis/system/OfficeArchive.h"
#include "support/Processes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace pagetally {
namespace {

namespace fs = std::filesystem;
using test::children;
using test::TempDir;

fs::path hangingProgram(const TempDir& dir, const std::string& name)
{
    const fs::path program = dir.write(name, "#!/bin/sh\nexec sleep 600\n");
    fs::permissions(program, fs::perms::owner_all);
    return program;
}

TEST(Batch, CancelKeepsTheFinishedPrefixAndEndsChildrenAndFolders)
{
    TempDir dir;
    const fs::path scratch = dir.path() / "tmp";
    fs::create_directory(scratch);
    ::setenv("TMPDIR", scratch.c_str(), 1);
    const fs::path helper = hangingProgram(dir, "helper");
    const fs::path unzip = hangingProgram(dir, "unzip");
    // A PDF whose helper never answers and a container whose unzip never ends, between quick files.
    const std::vector<fs::path> locations{
        dir.write("a.txt", "one"), dir.write("b.txt", "two words"), dir.write("c.pdf", "%PDF-1.4\n"),
        dir.write("d.docx", std::string("PK\x05\x06", 4) + std::string(18, '\0')),
        dir.write("e.txt", "after the slow ones")};
    const Analyser analyse = [&](const fs::path& location, std::ostream& lines) -> std::optional<FileInfo> {
        if (location.extension() == ".pdf") {
            measurePdf(location, {}, helper);
        } else if (location.extension() == ".docx") {
            try {
                extractOfficeArchive(location, unzip);
            } catch (const std::exception&) {
            }
        }
        return analyseLocation(location, lines);
    };
    const std::size_t before = children().size();

    BatchControl control;
    std::ostringstream lines;
    auto batch =
        std::async(std::launch::async, [&] { return analyseBatch(locations, 4, lines, &control, analyse); });
    while (control.done() < 3 || children().size() < before + 2) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    control.cancel();
    const std::vector<BatchItem> items = batch.get();
    ::unsetenv("TMPDIR");

    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].record.fileName, "a.txt");
    EXPECT_EQ(items[1].record.fileName, "b.txt");
    EXPECT_EQ(items[1].location, locations[1]);
    EXPECT_EQ(control.total(), 5u);
    EXPECT_EQ(children().size(), before);
    EXPECT_TRUE(fs::is_empty(scratch));
}

TEST(Batch, GivesRecordsAndLinesInInputOrderForAnyNumberOfThreads)
{
    // With more than one thread, each even file waits until the odd one after it has finished,
    // so every pair finishes in reverse order; the batch must still hand them on in order.
    std::vector<fs::path> locations;
    std::string expectedLines;
    for (int i = 0; i < 24; ++i) {
        // Every third file is not accepted: it gives a line but no record.
        locations.emplace_back("/f" + std::to_string(i) + (i % 3 == 2 ? ".rtf" : ".txt"));
        expectedLines += "line of f" + std::to_string(i) + "\n";
    }
    for (const unsigned jobs : {1u, 2u, 4u, 8u}) {
        SCOPED_TRACE(jobs);
        std::vector<std::atomic<bool>> finished(locations.size());
        const Analyser analyse = [&](const fs::path& location,
                                     std::ostream& lines) -> std::optional<FileInfo> {
            const std::string stem = location.stem().native();
            const std::size_t index = std::stoul(stem.substr(1));
            if (jobs > 1 && index % 2 == 0) {
                while (!finished[index + 1]) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            }
            lines << "line of " << stem << '\n';
            finished[index] = true;
            if (location.extension() == ".rtf") {
                return std::nullopt;
            }
            return FileInfo::make(location.filename().native(), "TXT", std::nullopt, std::nullopt, 1);
        };
        std::ostringstream lines;
        const std::vector<BatchItem> items = analyseBatch(locations, jobs, lines, nullptr, analyse);
        EXPECT_EQ(lines.str(), expectedLines);
        std::vector<fs::path> accepted;
        for (const fs::path& location : locations) {
            if (location.extension() == ".txt") {
                accepted.push_back(location);
            }
        }
        ASSERT_EQ(items.size(), accepted.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i].location, accepted[i]);
            EXPECT_EQ(items[i].record.fileName, accepted[i].filename().native());
        }
    }
}

} // namespace
} // namespace pagetally
