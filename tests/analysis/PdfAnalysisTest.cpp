#include "analysis/intake/FileProcessor.h"
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

FileInfo analyse(const std::filesystem::path& path)
{
    return FileProcessor::processPDF(path, path.filename().string(), "PDF");
}

TEST(ProcessPdf, CountsEveryPageAndAddsTheirWords)
{
    std::vector<std::string> hundred(10, "");
    for (int i = 0; i < 100; ++i) {
        hundred[i / 10] += (i % 10 ? " word" : "word") + std::to_string(i);
    }
    const std::vector<
        std::tuple<std::string, std::vector<std::optional<std::string>>, std::int64_t, std::int64_t>>
        cases{
            // A filled rectangle and no text, like a scanned page without a text layer.
            {"text, image only, text",
             {textPage(hundred), "0.5 g 72 72 400 600 re f\n", textPage({"two more"})},
             3,
             102},
            {"a page break separates words",
             {textPage({"the word inter"}), textPage({"national spans"})},
             2,
             5},
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
    for (const auto& [what, pages, pageCount, words] : cases) {
        SCOPED_TRACE(what);
        const FileInfo info = analyse(dir.write("made.pdf", makePdf(pages)));
        EXPECT_EQ(info.fileType, "PDF");
        EXPECT_EQ(info.pages, pageCount);
        EXPECT_EQ(info.words, words);
        EXPECT_FALSE(info.duration);
    }
}

TEST(ProcessPdf, TypesetLayoutsComeWithinOnePercentOfTheTrueCount)
{
    // Fixtures typeset by groff from texts of known length (tests/data/pdf/make-fixtures): two
    // justified, hyphenated columns; one narrow justified column; ruled and unruled tables. Only
    // an owner password: opens without one and reads like the plain file.
    for (const auto& [file, pages, trueWords] :
         {std::tuple{"pdf/columns.pdf", 1, 528}, std::tuple{"pdf/narrow.pdf", 3, 792},
          std::tuple{"pdf/table.pdf", 1, 60}, std::tuple{"pdf/owner-password.pdf", 1, 528}}) {
        SCOPED_TRACE(file);
        const FileInfo info = analyse(dataFile(file));
        EXPECT_EQ(info.pages, pages);
        EXPECT_NEAR(static_cast<double>(info.words), trueWords, trueWords * 0.01);
    }
    // A user password and the page tree inside an encrypted object stream: nothing readable. (A
    // user password with a readable page tree is in the hostile suite.)
    const FileInfo sealed = analyse(dataFile("pdf/locked-objstm.pdf"));
    EXPECT_FALSE(sealed.pages);
    EXPECT_EQ(sealed.words, 0);
}

} // namespace
} // namespace pagetally
