#include "analysis/PptxAnalysis.h"
#include "OfficeZip.h"
#include "analysis/FileProcessor.h"
#include "analysis/OfficeArchive.h"
#include "analysis/WordCount.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

using namespace pagetally;
using namespace pagetally::test;
namespace fs = std::filesystem;

namespace {

const std::string errorLine = "Error processing PPTX file: ";

class PptxTest : public OfficeTest
{
protected:
    FileInfo analyse(const fs::path& location, const fs::path& unzip = defaultUnzipProgram)
    {
        return analysePptx(location, "deck.pptx", "PPTX", diagnostics, unzip);
    }
    FileInfo analyse(const std::vector<ZipEntry>& entries) { return analyse(zipFile("deck.pptx", entries)); }
    std::ostringstream diagnostics;
};

ZipEntry slide(int number, const std::string& text)
{
    return {"ppt/slides/slide" + std::to_string(number) + ".xml", slideXml(text), {}};
}

ZipEntry notes(int number, const std::string& text)
{
    return {"ppt/notesSlides/notesSlide" + std::to_string(number) + ".xml", slideXml(text), {}};
}

const ZipEntry presentation{"ppt/presentation.xml", "<p:presentation xmlns:p=\"p\"/>", {}};
const ZipEntry slideRelationships{
    "ppt/slides/_rels/slide1.xml.rels", "<Relationships>not counted</Relationships>", {}};

} // namespace

TEST(SlideText, ReplacesMarkupByBlanksThenDecodesTheFiveEntitiesInTurn)
{
    const std::vector<std::pair<std::string, std::string>> cases{
        {"<a:t>Hello</a:t>", " Hello "},
        {"<?xml version=\"1.0\"?>\n<p:sld><a:t>x</a:t></p:sld>", " \n  x  "},
        {"<a:t>Tom &amp; Jerry</a:t>", " Tom & Jerry "},
        {"&lt;b&gt;", "<b>"}, // decoded after the markup is gone: stays
        {"&amp;lt;", "&lt;"}, // "&lt;" was decoded before "&amp;"
        {"&amp;gt;", "&gt;"},
        {"&amp;quot;", "\""}, // "&quot;" comes after "&amp;"
        {"&amp;apos;", "'"},
        {"&amp;amp;", "&amp;"}, // one pass, left to right
        {"&quot;&apos;", "\"'"},
        {"&#65;&nbsp;&LT;", "&#65;&nbsp;&LT;"}, // anything else stands
        {"a<>b", "a<>b"},
        {"<a:t x=\"1>2\">w</a:t>", " 2\">w "}, // ">" in an attribute ends the tag early
        {"\xEF\xBB\xBF<a>b</a>", " b "},       // a byte-order mark is no text
        {"<a>caf\xC3\xA9</a>", " caf\xC3\xA9 "},
        {"<a>\xC3</a>", ""},         // not UTF-8: nothing
        {"<a>\xED\xA0\x80</a>", ""}, // an encoded surrogate is not UTF-8
        {"", ""},
    };
    for (const auto& [xml, text] : cases) {
        SCOPED_TRACE(xml);
        EXPECT_EQ(extractSlideText(xml), text);
    }
}

TEST(SlideText, CountingInOnePassGivesWhatTheReplacementsGive)
{
    const std::vector<std::string> pieces{"<",
                                          ">",
                                          "a",
                                          "b",
                                          " ",
                                          "\n",
                                          "&",
                                          "amp;",
                                          "lt;",
                                          "gt;",
                                          "&lt;",
                                          "&quot;",
                                          "&apos;",
                                          "<a:t>",
                                          "</a:t>",
                                          "\xC3\xA9",
                                          "\xE2\x80\xA8",
                                          "\xC2\xA0",
                                          "\xFF",
                                          "\xC3",
                                          ";",
                                          "<x y=\"1>2\">"};
    std::mt19937 random(12345);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 24);
    for (int round = 0; round < 5000; ++round) {
        std::string xml;
        for (int n = length(random); n > 0; --n) {
            xml += pieces[pick(random)];
        }
        SCOPED_TRACE(xml);
        ASSERT_EQ(countSlideWords(xml), countWords(extractSlideText(xml)));
    }
}

TEST_F(PptxTest, CountsSlidePartsAsPagesAndTheirWords)
{
    const FileInfo info = analyse({presentation, slide(1, "First slide"), slide(2, "Second one here"),
                                   slide(3, "Third"), slideRelationships});
    EXPECT_EQ(info.fileName, "deck.pptx");
    EXPECT_EQ(info.fileType, "PPTX");
    EXPECT_EQ(info.duration, std::nullopt);
    EXPECT_EQ(info.pages, 3);
    EXPECT_EQ(info.words, 6);
    EXPECT_EQ(diagnostics.str(), "");
}

TEST_F(PptxTest, NotesAddWordsButNoPages)
{
    const FileInfo info =
        analyse({slide(1, "One"), slide(2, "Two"), notes(1, "Say hello"), notes(2, "then goodbye")});
    EXPECT_EQ(info.pages, 2);
    EXPECT_EQ(info.words, 6);
}

TEST_F(PptxTest, AnEmptySlidesFolderGivesZeroPagesAndTheNotesWords)
{
    const FileInfo info = analyse({{"ppt/slides/", "", {}}, notes(1, "only notes")});
    EXPECT_EQ(info.pages, 0);
    EXPECT_EQ(info.words, 2);
    EXPECT_EQ(diagnostics.str(), "");
}

TEST_F(PptxTest, OnlyPartsWithTheExactPrefixAndExtensionCount)
{
    const FileInfo info = analyse({
        slide(1, "counted"),
        {"ppt/slides/slide2.XML", slideXml("upper-case extension"), {}},
        {"ppt/slides/Slide3.xml", slideXml("upper-case prefix"), {}},
        {"ppt/slides/slide4.xml.bak", slideXml("other extension"), {}},
        {"ppt/slides/layout5.xml", slideXml("other prefix"), {}},
        {"ppt/slides/slides.xml", slideXml("still a slide part"), {}},
        {"ppt/slides/sub/slide6.xml", slideXml("not directly in the folder"), {}},
        {"ppt/notesSlides/notesSlide1.xml", slideXml("note"), {}},
        {"ppt/notesSlides/NotesSlide2.xml", slideXml("not a note part"), {}},
        {"ppt/notesSlides/notesSlide3.txt", slideXml("not a note part"), {}},
        {"ppt/slideLayouts/slideLayout1.xml", slideXml("layout text"), {}},
    });
    EXPECT_EQ(info.pages, 2);
    EXPECT_EQ(info.words, 1 + 4 + 1);
}

TEST_F(PptxTest, WordsAreWhatStandsBetweenTheMarkup)
{
    const std::vector<std::pair<std::string, std::int64_t>> cases{
        {"<a:r><a:t>Hel</a:t></a:r><a:r><a:t>lo</a:t></a:r>", 2}, // a word split over two runs
        {"<a:t>salt &amp; pepper</a:t>", 3},                      // a lone entity is a word
        {"<a:t>&lt;tag&gt;</a:t>", 1},
        {"<a:fld type=\"slidenum\"><a:t>7</a:t></a:fld>", 1}, // field text counts
        {"<a:t x=\"1>2 3\">w</a:t>", 2},                      // the tag ends early: 2 3">w
        {"<a:t>caf\xC3\xA9\xC2\xA0\x63r\xC3\xA8me</a:t>", 2}, // a no-break space separates
        {"<a:t>\xFFinvalid</a:t>", 0},                        // the part is not UTF-8
    };
    for (const auto& [xml, words] : cases) {
        SCOPED_TRACE(xml);
        const FileInfo info =
            analyse({{"ppt/slides/slide1.xml", xml, {}}, {"ppt/slides/slide2.xml", "<a:t>x</a:t>", {}}});
        EXPECT_EQ(info.pages, 2); // a part that is not UTF-8 is still a slide
        EXPECT_EQ(info.words, words + 1);
    }
}

TEST_F(PptxTest, ManySlidesSortedByNameStillCountAllWords)
{
    std::vector<ZipEntry> entries;
    for (int i = 12; i >= 1; --i) {
        entries.push_back(slide(i, "w" + std::to_string(i)));
        entries.push_back(notes(i, "n" + std::to_string(i) + " more"));
    }
    const FileInfo info = analyse(entries);
    EXPECT_EQ(info.pages, 12);
    EXPECT_EQ(info.words, 12 * 3);
}

TEST_F(PptxTest, FailuresPrintOneErrorLineAndGiveNoPagesAndNoWords)
{
    const auto noSlides = zipFile("no-slides.pptx", {presentation});
    writeFile(in / "plain.pptx", "not a container");
    const auto unreadableSlide =
        zipFile("unreadable-slide.pptx", {slide(1, "fine"), {"ppt/slides/slide2.xml/", "", {}}});
    const auto unreadableNote =
        zipFile("unreadable-note.pptx", {slide(1, "fine"), {"ppt/notesSlides/notesSlide1.xml/", "", {}}});
    const auto slidesIsAFile = zipFile("slides-file.pptx", {{"ppt/slides", "a file", {}}});
    const auto fine = zipFile("fine.pptx", {slide(1, "fine")});
    writeFile(scratch.path() / "secret.txt", "words outside the presentation");
    const auto linkedSlide =
        zipFile("linked-slide.pptx",
                {symlinkEntry("ppt/slides/slide1.xml", (scratch.path() / "secret.txt").native())});
    const auto linkedFolder = zipFile("linked-folder.pptx", {symlinkEntry("ppt", scratch.path().native())});

    struct Case
    {
        fs::path location;
        fs::path unzip;
        std::string description;
    };
    const std::vector<Case> cases{
        {noSlides, defaultUnzipProgram,
         "cannot list ppt/slides in " + noSlides.native() + ": No such file or directory"},
        {in / "plain.pptx", defaultUnzipProgram,
         "cannot list ppt/slides in " + (in / "plain.pptx").native() + ": No such file or directory"},
        {slidesIsAFile, defaultUnzipProgram,
         "cannot list ppt/slides in " + slidesIsAFile.native() + ": Not a directory"},
        {unreadableSlide, defaultUnzipProgram,
         "cannot read ppt/slides/slide2.xml from " + unreadableSlide.native() + ": Is a directory"},
        {unreadableNote, defaultUnzipProgram,
         "cannot read ppt/notesSlides/notesSlide1.xml from " + unreadableNote.native() + ": Is a directory"},
        {fine, "/nonexistent/unzip", "cannot start /nonexistent/unzip: No such file or directory"},
        {linkedSlide, defaultUnzipProgram,
         "cannot read ppt/slides/slide1.xml from " + linkedSlide.native() +
             ": ppt/slides/slide1.xml is a symbolic link"},
        {linkedFolder, defaultUnzipProgram,
         "cannot list ppt/slides in " + linkedFolder.native() + ": ppt is a symbolic link"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.location);
        diagnostics.str("");
        const FileInfo info = analyse(c.location, c.unzip);
        EXPECT_EQ(info.pages, std::nullopt);
        EXPECT_EQ(info.words, 0);
        EXPECT_EQ(diagnostics.str(), errorLine + c.description + "\n");
        EXPECT_EQ(leftovers(), std::vector<std::string>{});
    }
}

TEST_F(PptxTest, NotesBehindASymbolicLinkAreNotRead)
{
    fs::create_directory(scratch.path() / "notes");
    writeFile(scratch.path() / "notes" / "notesSlide1.xml", "three more words");
    const FileInfo info =
        analyse({slide(1, "one"), symlinkEntry("ppt/notesSlides", (scratch.path() / "notes").native())});
    EXPECT_EQ(info.pages, 1);
    EXPECT_EQ(info.words, 1);
    EXPECT_EQ(diagnostics.str(), "");
}

TEST_F(PptxTest, FilesWhoseNamesUnzipWouldExpandAreEachAnalysedThemselves)
{
    zipFile("q?.pptx", {slide(1, "question mark")});
    zipFile("qa.pptx", {slide(1, "a"), slide(2, "b")});
    zipFile("qb.pptx", {slide(1, "c"), slide(2, "d"), slide(3, "e")});
    const FileInfo info = analyse(in / "q?.pptx");
    EXPECT_EQ(info.pages, 1);
    EXPECT_EQ(info.words, 2);
    EXPECT_EQ(diagnostics.str(), "");
}

TEST_F(PptxTest, DispatchSendsPptxInAnyLetterCaseHere)
{
    const auto file = zipFile("Talk.PpTx", {slide(1, "a b"), notes(1, "c")});
    std::ostringstream out;
    const FileInfo info = FileProcessor::processFile(file, "Talk.PpTx", "PPTX", out);
    EXPECT_EQ(info.pages, 1);
    EXPECT_EQ(info.words, 3);
    EXPECT_EQ(out.str(), "");
}
