#include "analysis/formats/PptxAnalysis.h"
#include "analysis/intake/FileProcessor.h"
#include "support/OfficeZip.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

using namespace pagetally;
using namespace pagetally::test;
namespace fs = std::filesystem;

TEST(SlideText, ReplacesMarkupByBlanksThenDecodesTheFiveEntitiesInTurn)
{
    const std::vector<std::pair<std::string, std::string>> cases{
        {"<?xml version=\"1.0\"?>\n<p:sld><a:t>x</a:t></p:sld>", " \n  x  "},
        {"&lt;b&gt;", "<b>"}, // decoded after the markup is gone: stays
        {"&amp;lt;", "&lt;"}, // "&lt;" was decoded before "&amp;"
        {"&amp;gt;", "&gt;"},
        {"&amp;quot;", "\""}, // "&quot;" comes after "&amp;"
        {"&amp;apos;", "'"},
        {"&amp;amp;", "&amp;"},                 // one pass, left to right
        {"&#65;&nbsp;&LT;", "&#65;&nbsp;&LT;"}, // anything else stands
        {"a<>b", "a<>b"},
        {"<a:t x=\"1>2\">w</a:t>", " 2\">w "}, // ">" in an attribute ends the tag early
        {"\xEF\xBB\xBF<a>b</a>", " b "},       // a byte-order mark is no text
        {"<a>\xED\xA0\x80</a>", ""},           // not UTF-8 (an encoded surrogate): nothing
    };
    for (const auto& [xml, text] : cases) {
        SCOPED_TRACE(xml);
        EXPECT_EQ(extractSlideText(xml), text);
    }
}

TEST_F(OfficeTest, PresentationsCountSlidePartsAsPagesAndTheWordsOfSlidesAndNotes)
{
    fs::create_directory(scratch.path() / "notes");
    writeFile(scratch.path() / "notes" / "notesSlide1.xml", "three more words");
    std::vector<std::tuple<std::string, std::vector<ZipEntry>, std::int64_t, std::int64_t>> cases{
        {"notes add words but no pages",
         {slide(1, "One"),
          slide(2, "Two"),
          notes(1, "Say hello"),
          notes(2, "then goodbye"),
          {"ppt/slides/_rels/slide1.xml.rels", "<Relationships>not counted</Relationships>", {}}},
         2,
         6},
        {"an empty slides folder", {{"ppt/slides/", "", {}}, notes(1, "only notes")}, 0, 2},
        {"only parts with the exact prefix and extension",
         {slide(1, "counted"),
          {"ppt/slides/slide2.XML", slideXml("upper-case extension"), {}},
          {"ppt/slides/Slide3.xml", slideXml("upper-case prefix"), {}},
          {"ppt/slides/layout5.xml", slideXml("other prefix"), {}},
          {"ppt/slides/slides.xml", slideXml("still a slide part"), {}},
          {"ppt/slides/sub/slide6.xml", slideXml("not directly in the folder"), {}},
          notes(1, "note"),
          {"ppt/notesSlides/notesSlide3.txt", slideXml("not a note part"), {}},
          {"ppt/slideLayouts/slideLayout1.xml", slideXml("layout text"), {}}},
         2,
         1 + 4 + 1},
        {"notes behind a symbolic link are not read",
         {slide(1, "one"), symlinkEntry("ppt/notesSlides", (scratch.path() / "notes").native())},
         1,
         1},
    };
    // What stands between the markup, on the first of two slides; the second says "x".
    for (const auto& [xml, words] : std::vector<std::pair<std::string, std::int64_t>>{
             {"<a:r><a:t>Hel</a:t></a:r><a:r><a:t>lo</a:t></a:r>", 2}, // a word split over two runs
             {"<a:t>salt &amp; pepper</a:t>", 3},                      // a lone entity is a word
             {"<a:t>caf\xC3\xA9\xC2\xA0\x63r\xC3\xA8me</a:t>", 2},     // a no-break space separates
             {"<a:t>\xFFinvalid</a:t>", 0},                            // not UTF-8: no words, still a slide
         }) {
        cases.push_back({xml,
                         {{"ppt/slides/slide1.xml", xml, {}}, {"ppt/slides/slide2.xml", "<a:t>x</a:t>", {}}},
                         2,
                         words + 1});
    }
    for (const auto& [what, entries, pages, words] : cases) {
        SCOPED_TRACE(what);
        std::ostringstream diagnostics;
        const FileInfo info =
            analysePptx(zipFile("deck.pptx", entries), "deck.pptx", "PPTX", diagnostics, defaultUnzipProgram);
        EXPECT_EQ(info.fileType, "PPTX");
        EXPECT_EQ(info.duration, std::nullopt);
        EXPECT_EQ(info.pages, pages);
        EXPECT_EQ(info.words, words);
        EXPECT_EQ(info.noteText(), std::nullopt);
        EXPECT_EQ(diagnostics.str(), "");
    }
}

TEST_F(OfficeTest, PresentationsNotUnpackedWholeCountWhatWasReadAndSaySo)
{
    const std::vector<ZipEntry> entries{
        slide(1, "one two"), slide(2, "three"),       slide(3, "four five"),
        notes(1, "six"),     notes(3, "seven eight"), {"ppt/media/image1.png", std::string(400, 'x'), {}}};
    // Stand-ins for an unzip that stops short: it leaves out slides and exits as told.
    const auto partialUnzip = [&](const std::string& name, const std::string& leftOut,
                                  const std::string& end) {
        writeFile(in / name,
                  "#!/bin/sh\n/usr/bin/unzip -q \"$2\" -x '" + leftOut + "' -d \"$4\"\n" + end + "\n");
        fs::permissions(in / name, fs::perms::owner_all);
        return in / name;
    };
    const std::string errors = "unzip reported errors in the container (exit status 2)";
    const std::vector<std::tuple<std::string, fs::path, std::int64_t, std::int64_t, std::string>> cases{
        {"ppt/slides/slide3.xml", defaultUnzipProgram, 2, 6,
         "2 of 3 slides read: ppt/slides/slide3.xml could not be unpacked; " + errors},
        {"ppt/notesSlides/notesSlide3.xml", defaultUnzipProgram, 3, 6,
         "1 of 2 speaker notes read: ppt/notesSlides/notesSlide3.xml could not be unpacked; " + errors},
        {"ppt/media/image1.png", defaultUnzipProgram, 3, 8,
         errors + ", but every slide and speaker note was read whole"},
        {"", partialUnzip("quiet-unzip", "ppt/slides/slide3.xml", "exit 0"), 2, 6,
         "2 of 3 slides read: ppt/slides/slide3.xml could not be unpacked"},
        {"", partialUnzip("killed-unzip", "ppt/slides/slide[23].xml", "kill -9 $$"), 1, 5,
         "1 of 3 slides read: ppt/slides/slide2.xml and ppt/slides/slide3.xml could not be unpacked; unzip "
         "was "
         "ended by signal 9"},
    };
    for (const auto& [damaged, unzip, pages, words, note] : cases) {
        SCOPED_TRACE(damaged + " " + unzip.native());
        const auto file = zipFile("deck.pptx", entries);
        if (!damaged.empty()) {
            damageEntry(file, damaged);
        }
        std::ostringstream diagnostics;
        const FileInfo info = analysePptx(file, "deck.pptx", "PPTX", diagnostics, unzip);
        EXPECT_EQ(info.pages, pages);
        EXPECT_EQ(info.words, words);
        EXPECT_EQ(info.noteText(), note);
        EXPECT_EQ(diagnostics.str(), "");
    }
}

TEST_F(OfficeTest, PresentationFailuresPrintOneErrorLineAndGiveNoPagesAndNoWords)
{
    writeFile(in / "plain.pptx", "not a container");
    const auto unreadableSlide =
        zipFile("unreadable-slide.pptx", {slide(1, "fine"), {"ppt/slides/slide2.xml/", "", {}}});
    const auto unreadableNote =
        zipFile("unreadable-note.pptx", {slide(1, "fine"), {"ppt/notesSlides/notesSlide1.xml/", "", {}}});
    const auto slidesIsAFile = zipFile("slides-file.pptx", {{"ppt/slides", "a file", {}}});
    writeFile(scratch.path() / "secret.txt", "words outside the presentation");
    const auto linkedSlide =
        zipFile("linked-slide.pptx",
                {symlinkEntry("ppt/slides/slide1.xml", (scratch.path() / "secret.txt").native())});
    const auto linkedFolder = zipFile("linked-folder.pptx", {symlinkEntry("ppt", scratch.path().native())});
    const auto cannotList = [](const fs::path& file, const std::string& reason) {
        return "cannot list ppt/slides in " + file.native() + ": " + reason;
    };
    const auto cannotRead = [](const std::string& part, const fs::path& file, const std::string& reason) {
        return "cannot read " + part + " from " + file.native() + ": " + reason;
    };
    expectFailures(
        analysePptx, "PPTX",
        {
            {in / "plain.pptx", "cannot unpack " + (in / "plain.pptx").native() +
                                    ": not a zip archive libzip can read (Not a zip archive)"},
            {slidesIsAFile, cannotList(slidesIsAFile, "Not a directory")},
            {unreadableSlide, cannotRead("ppt/slides/slide2.xml", unreadableSlide, "Is a directory")},
            {unreadableNote, cannotRead("ppt/notesSlides/notesSlide1.xml", unreadableNote, "Is a directory")},
            {linkedSlide,
             cannotRead("ppt/slides/slide1.xml", linkedSlide, "ppt/slides/slide1.xml is a symbolic link")},
            {linkedFolder, cannotList(linkedFolder, "ppt is a symbolic link")},
        });
}
