// The batch engine's cancel: the finished prefix, in order, and nothing left running or on disk.
#include "analysis/Batch.h"
#include "analysis/OfficeArchive.h"
#include "analysis/PdfAnalysis.h"
#include "support/Processes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

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
        return analyseWithIntake(location, lines);
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

} // namespace
} // namespace pagetally
