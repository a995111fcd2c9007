#include "analysis/FileProcessor.h"
#include "support/HandMadePdf.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pagetally {
namespace {

using test::dataFile;
using test::makePdf;
using test::textPage;

// `count` distinct words in lines of ten.
std::vector<std::string> words(int count)
{
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        if (i % 10 == 0) {
            lines.emplace_back();
        } else {
            lines.back() += ' ';
        }
        lines.back() += "word" + std::to_string(i);
    }
    return lines;
}

FileInfo analyse(const std::filesystem::path& path)
{
    return FileProcessor::processPDF(path, path.filename().string(), "PDF");
}

TEST(ProcessPdf, CountsEveryPageAndAddsTheirWords)
{
    struct Case
    {
        const char* what;
        std::vector<std::optional<std::string>> pages;
        std::int64_t pageCount, words;
    };
    const std::vector<Case> cases{
        // A filled rectangle and no text, like a scanned page without a text layer.
        {"text, image only, text",
         {textPage(words(100)), "0.5 g 72 72 400 600 re f\n", textPage(words(50))},
         3,
         150},
        {"a page break separates words",
         {textPage({"the word inter"}), textPage({"national spans two pages"})},
         2,
         7},
        {"a page without readable content", {textPage({"five words on this page"}), std::nullopt}, 2, 5},
        {"zero pages is a count", {}, 0, 0},
        // Typesetters that never write a space move the pen between words instead.
        {"words placed by kerning",
         {"BT /F1 11 Tf 72 740 Td [(Words)-333(placed)-333(by)-333(kerning)-333(alo)10(ne)] TJ "
          "0 -14 Td [(and)-333(a)-333(second)-333(line)] TJ ET\n"},
         1,
         9},
    };
    const test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const FileInfo info = analyse(dir.write("made.pdf", makePdf(c.pages)));
        EXPECT_EQ(info.fileName, "made.pdf");
        EXPECT_EQ(info.fileType, "PDF");
        EXPECT_EQ(info.pages, c.pageCount);
        EXPECT_EQ(info.words, c.words);
        EXPECT_FALSE(info.duration);
    }
}

TEST(ProcessPdf, TypesetLayoutsComeWithinOnePercentOfTheTrueCount)
{
    // Fixtures typeset by groff from texts of known length (tests/data/pdf/make-fixtures): two
    // justified, hyphenated columns; one narrow justified column; ruled and unruled tables.
    for (const auto& [file, pages, trueWords] :
         {std::tuple{"pdf/columns.pdf", 1, 528}, std::tuple{"pdf/narrow.pdf", 3, 792},
          std::tuple{"pdf/table.pdf", 1, 60}}) {
        SCOPED_TRACE(file);
        const FileInfo info = analyse(dataFile(file));
        EXPECT_EQ(info.pages, pages);
        EXPECT_NEAR(static_cast<double>(info.words), trueWords, trueWords * 0.01);
    }
}

TEST(ProcessPdf, EncryptedDocuments)
{
    // Only an owner password: opens without one and reads like the plain file. (A user password
    // with a readable page tree is in the hostile suite.)
    const FileInfo ownerOnly = analyse(dataFile("pdf/owner-password.pdf"));
    EXPECT_EQ(ownerOnly.pages, 1);
    EXPECT_EQ(ownerOnly.words, analyse(dataFile("pdf/columns.pdf")).words);

    // A user password and the page tree inside an encrypted object stream: nothing readable.
    const FileInfo sealed = analyse(dataFile("pdf/locked-objstm.pdf"));
    EXPECT_FALSE(sealed.pages);
    EXPECT_EQ(sealed.words, 0);
}

} // namespace
} // namespace pagetally
