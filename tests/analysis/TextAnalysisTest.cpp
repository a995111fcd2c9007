#include "analysis/TextAnalysis.h"
#include "analysis/FileProcessor.h"
#include "analysis/TagScanner.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace pagetally;
using pagetally::test::TempDir;

namespace {

std::string stripped(std::string_view text)
{
    std::string out;
    scanTags(
        text, [&](std::string_view t) { out += t; }, [](std::string_view) {});
    return out;
}

} // namespace

TEST(TagScanner, RemovesWhatTheTagPatternMatches)
{
    const std::vector<std::pair<std::string, std::string>> cases{
        {"<p>Hello <b>big</b> world</p>", "Hello big world"},
        {"a<>b", "a<>b"},                    // "<>" is not a tag
        {"<<a>b", "b"},                      // one tag: "<" is not ">"
        {"x<a\nhref='y'\n>z", "xz"},         // a tag may span lines
        {"1 < 2 and 3 > 2 end", "1  2 end"}, // prose between < and > goes
        {"a < b", "a < b"},                  // a lone "<" stays
        {"a > b", "a > b"},
        {"<a>>b", ">b"},
        {"<!-- c > d -->e", " d -->e"}, // a comment ends at its first ">"
        {"<b>a<b>", "a"},
        {"<<>>", ">"},
        {"a<", "a<"},
        {"<>", "<>"},
        {"<x", "<x"},
        {"<a><", "<"},
    };
    for (const auto& [html, text] : cases) {
        SCOPED_TRACE(html);
        EXPECT_EQ(stripped(html), text);
    }
}

TEST(HtmlWords, CountsTheTextLeftAfterTagsAreRemovedWithoutASpace)
{
    const std::vector<std::pair<std::string, std::int64_t>> cases{
        {"<html><body><p>Hello <b>big</b> world</p></body></html>", 3},
        {"one<br>two", 1},
        {"one<br/>\ntwo", 2},
        {"We know that 1 < 2 and that 3 > 2 holds.", 6},
        {"a < b", 3},
        {"word&nbsp;word", 1},
        {"<script>var x = 1;</script>", 4},
        {"", 0},
        {"<p></p>", 0},
    };
    for (const auto& [html, words] : cases) {
        SCOPED_TRACE(html);
        EXPECT_EQ(countHtmlWords(html), words);
    }
    EXPECT_EQ(countHtmlWords("caf\xE9 <b>x</b>"), std::nullopt);
    EXPECT_EQ(countHtmlWords("<b title='caf\xE9'>x</b>"), std::nullopt); // invalid inside a tag too
}

TEST(ProcessText, ReadsFilesAndReportsNoPages)
{
    TempDir dir;
    struct Case
    {
        const char* name;
        std::string bytes;
        std::int64_t words;
    };
    const std::vector<Case> cases{
        {"empty.txt", "", 0},
        {"two-lines.txt", "one two three\nfour five six\n", 6},
        {"bom.txt", "\xEF\xBB\xBFHello world", 2},
        {"bom-only.txt", "\xEF\xBB\xBF", 0},
        {"utf16le.txt", std::string("\xFF\xFEo\0n\0e\0", 8), 0},
        {"latin1.txt", "caf\xE9 cr\xE8me", 0},
        {"utf16.txt", std::string("\xFE\xFF\0h\0i", 6), 0},
        {"page.html", "<p>Hello <b>big</b> world</p>", 3},
        {"latin1.html", "<p>caf\xE9</p>", 0},
        {"multiline-tag.html", "one <a\nhref=x\n>two</a> three", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = dir.write(c.name, c.bytes);
        const std::string type = std::string(c.name).ends_with(".txt") ? "TXT" : "HTML";
        const FileInfo info = FileProcessor::processFile(path, c.name, type);
        EXPECT_EQ(info.fileName, c.name);
        EXPECT_EQ(info.fileType, type);
        EXPECT_EQ(info.words, c.words);
        EXPECT_FALSE(info.pages.has_value());
        EXPECT_FALSE(info.duration.has_value());
    }
}

TEST(ProcessText, CountsLargeFilesReadInPiecesExactly)
{
    TempDir dir;
    // Multi-byte letters and separators straddle every piece boundary somewhere in 1 MB.
    std::string text;
    std::int64_t words = 0;
    for (int i = 0; text.size() < (1u << 20) + 7; ++i) {
        text += i % 3 ? "\xC3\xA9t\xC3\xA9" : "\xF0\x9F\x98\x80";
        text += i % 5 ? "\xE3\x80\x80" : " ";
        ++words;
    }
    EXPECT_EQ(FileProcessor::processTXT(dir.write("big.txt", text), "big.txt", "TXT").words, words);
    EXPECT_EQ(
        FileProcessor::processHTML(dir.write("big.html", "<p>" + text + "</p>"), "big.html", "HTML").words,
        words);

    // A tag that starts in one piece and ends in another is still one tag.
    const std::string longTag = "one<" + std::string(600 * 1024, 'x') + ">two three";
    EXPECT_EQ(FileProcessor::processHTML(dir.write("tag.html", longTag), "tag.html", "HTML").words, 2);

    // An invalid byte far into the file still fails the whole file.
    std::string late(300 * 1024, 'a');
    late += "\xFF";
    EXPECT_EQ(FileProcessor::processTXT(dir.write("late.txt", late), "late.txt", "TXT").words, 0);
    EXPECT_EQ(FileProcessor::processHTML(dir.write("late.html", "<" + late + ">"), "late.html", "HTML").words,
              0);
}
