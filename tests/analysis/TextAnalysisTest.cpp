#include "analysis/formats/TextAnalysis.h"
#include "analysis/intake/FileProcessor.h"
#include "analysis/text/TagScanner.h"
#include "analysis/text/WordCount.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace pagetally;
using pagetally::test::TempDir;

TEST(TagScanner, RemovesWhatTheTagPatternMatchesAndCountsTheRestWithoutASpace)
{
    const std::vector<std::pair<std::string, std::string>> cases{
        {"<p>Hello <b>big</b> world</p>", "Hello big world"},
        {"a<>b", "a<>b"},                    // "<>" is not a tag
        {"<<a>b", "b"},                      // one tag: "<" is not ">"
        {"x<a\nhref='y'\n>z", "xz"},         // a tag may span lines
        {"1 < 2 and 3 > 2 end", "1  2 end"}, // prose between < and > goes
        {"a < b > c <", "a  c <"},
        {"<!-- c > d -->e", " d -->e"}, // a comment ends at its first ">"
        {"<<>>", ">"},
        {"<x", "<x"},
    };
    for (const auto& [html, text] : cases) {
        SCOPED_TRACE(html);
        std::string out;
        scanTags(
            html, [&](std::string_view t) { out += t; }, [](std::string_view) {});
        EXPECT_EQ(out, text);
        EXPECT_EQ(countHtmlWords(html), countWords(text));
    }
    EXPECT_EQ(countHtmlWords("one<br>two <script>var x = 1;</script>"), 5);
    EXPECT_EQ(countHtmlWords("<b title='caf\xE9'>x</b>"), std::nullopt); // invalid inside a tag too
}

TEST(ProcessText, ReadsFilesAndReportsNoPages)
{
    TempDir dir;
    const std::vector<std::tuple<std::string, std::string, std::int64_t>> cases{
        {"two-lines.txt", "one two three\nfour five six\n", 6},  {"bom.txt", "\xEF\xBB\xBFHello world", 2},
        {"utf16le.txt", std::string("\xFF\xFEo\0n\0e\0", 8), 0}, {"latin1.txt", "caf\xE9 cr\xE8me", 0},
        {"page.html", "<p>Hello <b>big</b> world</p>", 3},       {"latin1.html", "<p>caf\xE9</p>", 0},
    };
    for (const auto& [name, bytes, words] : cases) {
        SCOPED_TRACE(name);
        const std::string type = name.ends_with(".txt") ? "TXT" : "HTML";
        const FileInfo info = FileProcessor::processFile(dir.write(name, bytes), name, type);
        EXPECT_EQ(info.fileType, type);
        EXPECT_EQ(info.words, words);
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
