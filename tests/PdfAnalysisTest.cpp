#include "analysis/FileProcessor.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace pagetally {
namespace {

using test::dataFile;

// Content streams of hand-made pages.
std::string escapePdfString(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        if (c == '(' || c == ')' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out;
}

// Lines of text one below the other, each drawn as one string with its spaces.
std::string textPage(const std::vector<std::string>& lines)
{
    std::string content = "BT /F1 11 Tf 14 TL 72 740 Td\n";
    for (const auto& line : lines) {
        content += "(" + escapePdfString(line) + ") Tj T*\n";
    }
    return content + "ET\n";
}

// A filled rectangle and no text, like a scanned page without a text layer.
const std::string imageOnlyPage = "0.5 g 72 72 400 600 re f\n";

// A minimal PDF with one content stream per page; a page whose content is nullopt refers to
// a content stream that does not exist.
std::string makePdf(const std::vector<std::optional<std::string>>& pages)
{
    std::vector<std::string> objects;
    std::string kids;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        kids += std::to_string(4 + 2 * i) + " 0 R ";
    }
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>");
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const std::size_t contents = pages[i] ? 5 + 2 * i : 999;
        objects.push_back(
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R "
            ">> >> /Contents " +
            std::to_string(contents) + " 0 R >>");
        const std::string stream = pages[i].value_or("");
        objects.push_back("<< /Length " + std::to_string(stream.size()) + " >>\nstream\n" + stream +
                          "\nendstream");
    }
    std::string pdf = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const std::size_t offset : offsets) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

// `count` distinct words in lines of ten.
std::vector<std::string> words(int count, const std::string& stem = "word")
{
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        if (i % 10 == 0) {
            lines.emplace_back();
        } else {
            lines.back() += ' ';
        }
        lines.back() += stem + std::to_string(i);
    }
    return lines;
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

FileInfo analyse(const std::filesystem::path& path)
{
    return FileProcessor::processPDF(path, path.filename().string(), "PDF");
}

TEST(ProcessPdf, CountsEveryPageAndAddsTheirWords)
{
    const test::TempDir dir;
    const auto file =
        dir.write("three.pdf", makePdf({textPage(words(100)), imageOnlyPage, textPage(words(50))}));
    const FileInfo info = analyse(file);
    EXPECT_EQ(info.fileName, "three.pdf");
    EXPECT_EQ(info.fileType, "PDF");
    EXPECT_EQ(info.pages, 3);
    EXPECT_EQ(info.words, 150);
    EXPECT_FALSE(info.duration);
}

TEST(ProcessPdf, PageBreakAlwaysSeparatesWords)
{
    const test::TempDir dir;
    const auto file = dir.write(
        "split.pdf", makePdf({textPage({"the word inter"}), textPage({"national spans two pages"})}));
    EXPECT_EQ(analyse(file).words, 7);
}

TEST(ProcessPdf, PageWithoutReadableContentStillCountsAsAPage)
{
    const test::TempDir dir;
    const auto file = dir.write("hole.pdf", makePdf({textPage({"five words on this page"}), std::nullopt}));
    const FileInfo info = analyse(file);
    EXPECT_EQ(info.pages, 2);
    EXPECT_EQ(info.words, 5);
}

TEST(ProcessPdf, ZeroPagesIsACountUnlikeAnUnreadableFile)
{
    const test::TempDir dir;
    const FileInfo info = analyse(dir.write("empty.pdf", makePdf({})));
    EXPECT_EQ(info.pages, 0);
    EXPECT_EQ(info.words, 0);
}

TEST(ProcessPdf, WordsPlacedByKerningWithoutSpaceCharactersAreSeparated)
{
    // Typesetters that never write a space move the pen between words instead.
    const test::TempDir dir;
    const std::string content =
        "BT /F1 11 Tf 72 740 Td [(Words)-333(placed)-333(by)-333(kerning)-333(alo)10(ne)] TJ "
        "0 -14 Td [(and)-333(a)-333(second)-333(line)] TJ ET\n";
    EXPECT_EQ(analyse(dir.write("kerned.pdf", makePdf({content}))).words, 9);
}

TEST(ProcessPdf, FilesThatAreNoPdfGiveNoPages)
{
    const test::TempDir dir;
    const auto text = dir.write("report.pdf", "This is a plain text file, not a PDF.\n");
    const auto empty = dir.write("empty-file.pdf", "");
    const auto header = dir.write("header-only.pdf", "%PDF-1.7\n");
    const auto garbage = dir.write("garbage.pdf", "%PDF-1.4\n" + std::string(4096, '\x9C') + "\n%%EOF\n");
    const auto missing = dir.path() / "missing.pdf";
    const auto directory = dir.path() / "folder.pdf";
    std::filesystem::create_directory(directory);
    for (const auto& path : {text, empty, header, garbage, missing, directory}) {
        SCOPED_TRACE(path.filename().string());
        const FileInfo info = analyse(path);
        EXPECT_FALSE(info.pages);
        EXPECT_EQ(info.words, 0);
    }
}

TEST(ProcessPdf, DamagedFilesNeverCrashAndNeverGainPages)
{
    // Truncated anywhere, or with bytes overwritten in the middle: the library repairs what it
    // can; whatever it recovers, no more pages or words than the whole file appear.
    const std::string whole = readFile(dataFile("pdf/narrow.pdf"));
    const FileInfo original = analyse(dataFile("pdf/narrow.pdf"));
    const test::TempDir dir;
    std::vector<std::string> damaged;
    for (const double fraction : {0.05, 0.25, 0.5, 0.75, 0.95, 0.999}) {
        damaged.push_back(whole.substr(0, static_cast<std::size_t>(whole.size() * fraction)));
    }
    for (const double fraction : {0.1, 0.4, 0.6, 0.9}) {
        std::string copy = whole;
        const auto at = static_cast<std::size_t>(whole.size() * fraction);
        copy.replace(at, 200, std::string(200, '#'));
        damaged.push_back(copy);
    }
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        SCOPED_TRACE("damaged copy " + std::to_string(i));
        const FileInfo info = analyse(dir.write("damaged.pdf", damaged[i]));
        if (info.pages) {
            EXPECT_LE(*info.pages, *original.pages);
        }
        EXPECT_LE(info.words, original.words);
    }
}

TEST(ProcessPdf, FifoNamedLikePdfDoesNotBlock)
{
    const test::TempDir dir;
    const auto fifo = dir.path() / "pipe.pdf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto result = std::async(std::launch::async, [&] { return analyse(fifo); });
    if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Release the blocked reader so that the test can end, then fail.
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) {
            ::close(writer);
        }
        FAIL() << "reading a FIFO blocked";
    }
    const FileInfo info = result.get();
    EXPECT_FALSE(info.pages);
    EXPECT_EQ(info.words, 0);
}

// Fixtures typeset by groff from texts of known length (tests/data/pdf/make-fixtures).
struct TypesetCase
{
    const char* file;
    std::int64_t pages;
    std::int64_t trueWords;
};

TEST(ProcessPdf, TypesetLayoutsComeWithinOnePercentOfTheTrueCount)
{
    // Two justified, hyphenated columns; one narrow justified column; ruled and unruled tables.
    for (const TypesetCase& c :
         {TypesetCase{"pdf/columns.pdf", 1, 528}, TypesetCase{"pdf/narrow.pdf", 3, 792},
          TypesetCase{"pdf/table.pdf", 1, 60}}) {
        SCOPED_TRACE(c.file);
        const FileInfo info = analyse(dataFile(c.file));
        EXPECT_EQ(info.pages, c.pages);
        EXPECT_NEAR(static_cast<double>(info.words), static_cast<double>(c.trueWords), c.trueWords * 0.01);
    }
}

TEST(ProcessPdf, EncryptedDocuments)
{
    const FileInfo plain = analyse(dataFile("pdf/columns.pdf"));

    // Only an owner password: opens without one and reads like the plain file.
    const FileInfo ownerOnly = analyse(dataFile("pdf/owner-password.pdf"));
    EXPECT_EQ(ownerOnly.pages, 1);
    EXPECT_EQ(ownerOnly.words, plain.words);

    // A user password and a readable page tree: the page count, but no words.
    const FileInfo locked = analyse(dataFile("pdf/locked.pdf"));
    EXPECT_EQ(locked.pages, 1);
    EXPECT_EQ(locked.words, 0);

    // A user password and the page tree inside an encrypted object stream: nothing readable.
    const FileInfo sealed = analyse(dataFile("pdf/locked-objstm.pdf"));
    EXPECT_FALSE(sealed.pages);
    EXPECT_EQ(sealed.words, 0);
}

TEST(ProcessPdf, ParallelCallsGiveTheSameRecordsAsOneAfterAnother)
{
    const std::vector<std::filesystem::path> files = {dataFile("pdf/columns.pdf"), dataFile("pdf/narrow.pdf"),
                                                      dataFile("pdf/table.pdf"), dataFile("pdf/locked.pdf"),
                                                      dataFile("pdf/locked-objstm.pdf")};
    std::vector<FileInfo> expected;
    for (const auto& file : files) {
        expected.push_back(analyse(file));
    }
    std::vector<std::vector<FileInfo>> results(4);
    std::vector<std::thread> threads;
    for (auto& result : results) {
        threads.emplace_back([&files, &result] {
            for (int round = 0; round < 3; ++round) {
                for (const auto& file : files) {
                    result.push_back(analyse(file));
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (const auto& result : results) {
        ASSERT_EQ(result.size(), files.size() * 3);
        for (std::size_t i = 0; i < result.size(); ++i) {
            EXPECT_EQ(result[i].pages, expected[i % files.size()].pages);
            EXPECT_EQ(result[i].words, expected[i % files.size()].words);
        }
    }
}

} // namespace
} // namespace pagetally
