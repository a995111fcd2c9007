#include "analysis/PptxAnalysis.h"
#include "analysis/FileProcessor.h"
#include "analysis/OfficeArchive.h"
#include "analysis/WordCount.h"
#include "support/OfficeZip.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace pagetally;
using namespace pagetally::test;
namespace fs = std::filesystem;

namespace {

class PptxTest : public OfficeTest
{
protected:
    FileInfo analyse(const std::vector<ZipEntry>& entries)
    {
        return analysePptx(zipFile("deck.pptx", entries), "deck.pptx", "PPTX", diagnostics,
                           defaultUnzipProgram);
    }
    std::ostringstream diagnostics;
};

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

TEST_F(PptxTest, CountsSlidePartsAsPagesAndTheWordsOfSlidesAndNotes)
{
    struct Case
    {
        std::string what;
        std::vector<ZipEntry> entries;
        std::int64_t pages, words;
    };
    std::vector<Case> cases{
        {"three slides",
         {{"ppt/presentation.xml", "<p:presentation xmlns:p=\"p\"/>", {}},
          slide(1, "First slide"),
          slide(2, "Second one here"),
          slide(3, "Third"),
          {"ppt/slides/_rels/slide1.xml.rels", "<Relationships>not counted</Relationships>", {}}},
         3,
         6},
        {"notes add words but no pages",
         {slide(1, "One"), slide(2, "Two"), notes(1, "Say hello"), notes(2, "then goodbye")},
         2,
         6},
        {"an empty slides folder", {{"ppt/slides/", "", {}}, notes(1, "only notes")}, 0, 2},
        {"only parts with the exact prefix and extension",
         {slide(1, "counted"),
          {"ppt/slides/slide2.XML", slideXml("upper-case extension"), {}},
          {"ppt/slides/Slide3.xml", slideXml("upper-case prefix"), {}},
          {"ppt/slides/slide4.xml.bak", slideXml("other extension"), {}},
          {"ppt/slides/layout5.xml", slideXml("other prefix"), {}},
          {"ppt/slides/slides.xml", slideXml("still a slide part"), {}},
          {"ppt/slides/sub/slide6.xml", slideXml("not directly in the folder"), {}},
          notes(1, "note"),
          {"ppt/notesSlides/NotesSlide2.xml", slideXml("not a note part"), {}},
          {"ppt/notesSlides/notesSlide3.txt", slideXml("not a note part"), {}},
          {"ppt/slideLayouts/slideLayout1.xml", slideXml("layout text"), {}}},
         2,
         1 + 4 + 1},
        {"notes behind a symbolic link are not read",
         {slide(1, "one"), symlinkEntry("ppt/notesSlides", (scratch.path() / "notes").native())},
         1,
         1},
    };
    fs::create_directory(scratch.path() / "notes");
    writeFile(scratch.path() / "notes" / "notesSlide1.xml", "three more words");
    Case many{"many slides sorted by name", {}, 12, 12 * 3};
    for (int i = 12; i >= 1; --i) {
        many.entries.push_back(slide(i, "w" + std::to_string(i)));
        many.entries.push_back(notes(i, "n" + std::to_string(i) + " more"));
    }
    cases.push_back(many);
    // What stands between the markup, on the first of two slides; the second says "x".
    for (const auto& [xml, words] : std::vector<std::pair<std::string, std::int64_t>>{
             {"<a:r><a:t>Hel</a:t></a:r><a:r><a:t>lo</a:t></a:r>", 2}, // a word split over two runs
             {"<a:t>salt &amp; pepper</a:t>", 3},                      // a lone entity is a word
             {"<a:t>&lt;tag&gt;</a:t>", 1},
             {"<a:fld type=\"slidenum\"><a:t>7</a:t></a:fld>", 1}, // field text counts
             {"<a:t x=\"1>2 3\">w</a:t>", 2},                      // the tag ends early: 2 3">w
             {"<a:t>caf\xC3\xA9\xC2\xA0\x63r\xC3\xA8me</a:t>", 2}, // a no-break space separates
             {"<a:t>\xFFinvalid</a:t>", 0},                        // not UTF-8: no words, but still a slide
         }) {
        cases.push_back({xml,
                         {{"ppt/slides/slide1.xml", xml, {}}, {"ppt/slides/slide2.xml", "<a:t>x</a:t>", {}}},
                         2,
                         words + 1});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const FileInfo info = analyse(c.entries);
        EXPECT_EQ(info.fileName, "deck.pptx");
        EXPECT_EQ(info.fileType, "PPTX");
        EXPECT_EQ(info.duration, std::nullopt);
        EXPECT_EQ(info.pages, c.pages);
        EXPECT_EQ(info.words, c.words);
    }
    EXPECT_EQ(diagnostics.str(), "");
}

TEST_F(PptxTest, FailuresPrintOneErrorLineAndGiveNoPagesAndNoWords)
{
    const auto noSlides = zipFile("no-slides.pptx", {{"ppt/presentation.xml", "<p:presentation/>", {}}});
    writeFile(in / "plain.pptx", "not a container");
    writeFile(in / "empty.pptx", "");
    writeFile(in / "cut.pptx", std::string("PK\x03\x04\x14\x00\x00\x00", 8));
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

    const auto cannotList = [](const fs::path& file, const std::string& reason) {
        return "cannot list ppt/slides in " + file.native() + ": " + reason;
    };
    expectFailures(
        analysePptx, "PPTX",
        {
            {noSlides, defaultUnzipProgram, cannotList(noSlides, "No such file or directory")},
            {in / "plain.pptx", defaultUnzipProgram,
             cannotList(in / "plain.pptx", "No such file or directory")},
            {in / "empty.pptx", defaultUnzipProgram,
             cannotList(in / "empty.pptx", "No such file or directory")},
            {in / "cut.pptx", defaultUnzipProgram, cannotList(in / "cut.pptx", "No such file or directory")},
            {slidesIsAFile, defaultUnzipProgram, cannotList(slidesIsAFile, "Not a directory")},
            {unreadableSlide, defaultUnzipProgram,
             "cannot read ppt/slides/slide2.xml from " + unreadableSlide.native() + ": Is a directory"},
            {unreadableNote, defaultUnzipProgram,
             "cannot read ppt/notesSlides/notesSlide1.xml from " + unreadableNote.native() +
                 ": Is a directory"},
            {fine, "/nonexistent/unzip", "cannot start /nonexistent/unzip: No such file or directory"},
            {linkedSlide, defaultUnzipProgram,
             "cannot read ppt/slides/slide1.xml from " + linkedSlide.native() +
                 ": ppt/slides/slide1.xml is a symbolic link"},
            {linkedFolder, defaultUnzipProgram, cannotList(linkedFolder, "ppt is a symbolic link")},
        });
}

TEST_F(OfficeTest, DispatchSendsOfficeFilesInAnyLetterCaseToTheirReaders)
{
    // Names that unzip would expand as patterns, each beside a file the pattern matches.
    const auto docx = zipFile("MEMO [final].DOCX", docxEntries(paragraph("a b c"), "5"));
    zipFile("MEMO f.DOCX", docxEntries(paragraph("a decoy"), "7"));
    const auto pptx = zipFile("Talk?.PpTx", {slide(1, "a b"), notes(1, "c")});
    zipFile("Talks.PpTx", {slide(1, "a"), slide(2, "decoy")});
    std::ostringstream out;
    const FileInfo memo = FileProcessor::processFile(docx, "MEMO.DOCX", "DOCX", out);
    EXPECT_EQ(memo.pages, 5);
    EXPECT_EQ(memo.words, 3);
    const FileInfo talk = FileProcessor::processFile(pptx, "Talk.PpTx", "PPTX", out);
    EXPECT_EQ(talk.pages, 1);
    EXPECT_EQ(talk.words, 3);
    EXPECT_EQ(out.str(), "");
}
