#include "analysis/formats/DocxAnalysis.h"
#include "analysis/formats/DocxText.h"
#include "analysis/text/WordCount.h"
#include "support/Bytes.h"
#include "support/OfficeZip.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

using namespace pagetally;
using namespace pagetally::test;
namespace fs = std::filesystem;

namespace {

class DocxTest : public OfficeTest
{
protected:
    std::optional<std::string> import(const std::vector<ZipEntry>& entries)
    {
        return importDocxText(readFile(zipFile("import.docx", entries)));
    }
    // The parts of a one-paragraph document with the part at `index` replaced.
    static std::vector<ZipEntry> withPart(std::size_t index, std::string name, std::string data)
    {
        auto entries = docxEntries(paragraph("text"));
        entries[index] = {std::move(name), std::move(data), {}};
        return entries;
    }
};

} // namespace

TEST(StoredPageCount, ReadsTheFirstPagesElementOfPlainAsciiDigits)
{
    const std::vector<std::pair<std::string, std::int64_t>> cases{
        {"<Properties><Pages>12</Pages></Properties>", 12},
        {"<Pages>9223372036854775807</Pages>", 9223372036854775807},
        {"<Pages>9223372036854775808</Pages>", 1},
        {"<Pages>3</Pages><Pages>4</Pages>", 3},
        {"<Pages>x</Pages><Pages>4</Pages>", 4},
        {"<Pages><Pages>5</Pages>", 5},
        {"<Pages> 12 </Pages>", 1},
        {"<Pages>12</Pages", 1},
        {"\xFF<Pages>5</Pages>", 1},                    // not UTF-8
        {"<Pages>\xD9\xA3</Pages><Pages>5</Pages>", 1}, // ARABIC-INDIC DIGIT THREE matches, converts not
        {"<Pages>\xC2\xB2</Pages><Pages>6</Pages>", 6}, // SUPERSCRIPT TWO is no decimal digit
        {"<Pages>\xF0\x9D\x9F\x8E</Pages><Pages>6</Pages>", 1}, // MATHEMATICAL BOLD DIGIT ZERO
    };
    for (const auto& [text, pages] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(storedPageCount(text), pages);
    }
}

TEST_F(DocxTest, ImporterGivesTheTextAReaderSeesOrNothing)
{
    auto elsewhere = withPart(2, "content/main text.xml", wordDocument(paragraph("found it")));
    elsewhere[0].data =
        rels({{"extended-properties", "docProps/app.xml"}, {"officeDocument", "/content/main%20text.xml"}});
    constexpr std::size_t deep = 200000; // walked without recursion
    const std::vector<std::tuple<std::string, std::vector<ZipEntry>, std::optional<std::string>>> cases{
        {"paragraphs, cells, tabs and breaks separate",
         docxEntries(paragraph("Hello") +
                     "<w:tbl><w:tr><w:tc><w:p><w:r><w:t>alpha</w:t></w:r></w:p></w:tc>"
                     "<w:tc><w:p><w:r><w:t>beta</w:t></w:r></w:p></w:tc></w:tr></w:tbl>"
                     "<w:p><w:pPr><w:tabs><w:tab w:val=\"left\" w:pos=\"720\"/></w:tabs></w:pPr>"
                     "<w:r><w:t>one</w:t><w:tab/><w:t>two</w:t><w:br/><w:t>three</w:t><w:cr/><w:t>four</w:t>"
                     "</w:r></w:p>"),
         "Hello\nalpha\nbeta\none\ttwo\nthree\nfour\n"},
        {"namespaces resolved instead of prefixes trusted",
         withPart(
             2, "word/document.xml",
             R"(<doc:document xmlns:doc="http://schemas.openxmlformats.org/wordprocessingml/2006/main" )"
             R"(xmlns:w="urn:not-word"><doc:body><doc:p><doc:r><doc:t>counted</doc:t></doc:r>)"
             R"(<w:t>not word text</w:t></doc:p><x:p xmlns:x="http://purl.oclc.org/ooxml/wordprocessingml/main">)"
             R"(<x:r><x:t>strict too</x:t></x:r></x:p></doc:body></doc:document>)"),
         "counted\nstrict too\n"},
        {"the main part found through the package relationships", elsewhere, "found it\n"},
        {"deep nesting",
         docxEntries(repeat("<w:sdt><w:sdtContent>", deep) + paragraph("deep inside") +
                     repeat("</w:sdtContent></w:sdt>", deep)),
         "deep inside\n"},
        {"no package relationships", withPart(0, "other.xml", "<x/>"), std::nullopt},
        {"no main document relationship",
         withPart(0, "_rels/.rels", rels({{"extended-properties", "docProps/app.xml"}})), std::nullopt},
        {"main part missing", withPart(2, "word/other.xml", wordDocument(paragraph("text"))), std::nullopt},
        {"main part ill-formed",
         withPart(2, "word/document.xml", "<w:document xmlns:w=\"x\"><w:body></w:document>"), std::nullopt},
        {"main part in no namespace", withPart(2, "word/document.xml", "<document><body/></document>"),
         std::nullopt},
    };
    for (const auto& [what, entries, text] : cases) {
        SCOPED_TRACE(what);
        EXPECT_EQ(import(entries), text);
    }
    EXPECT_EQ(importDocxText("plain text"), std::nullopt);
}

TEST_F(DocxTest, ImporterCountsWhatTheReaderSeesAndLeavesOutTheRest)
{
    const auto box = [](const std::string& text) {
        return "<v:shape><v:textbox><w:txbxContent>" + paragraph(text) +
               "</w:txbxContent></v:textbox></v:shape>";
    };
    const std::vector<std::tuple<std::string, std::string, std::int64_t>> cases{
        {"runs join, a blank run separates, entities decode",
         "<w:p><w:r><w:t>Hel</w:t></w:r><w:r><w:t>lo</w:t></w:r><w:r><w:t xml:space=\"preserve\"> "
         "</w:t></w:r>"
         "<w:r><w:t>Tom &amp; Jerry&#x20;again</w:t></w:r></w:p>",
         5},
        {"tracked deletion left out, insertion counted, moved text once",
         "<w:p><w:del w:id=\"1\"><w:r><w:delText>gone words</w:delText></w:r></w:del>"
         "<w:ins w:id=\"2\"><w:r><w:t>kept</w:t></w:r></w:ins></w:p>"
         "<w:p><w:moveFrom w:id=\"1\"><w:r><w:t>moved here</w:t></w:r></w:moveFrom></w:p>"
         "<w:p><w:moveTo w:id=\"2\"><w:r><w:t>moved here</w:t></w:r></w:moveTo></w:p>",
         3},
        {"field instruction left out, results counted",
         "<w:p><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText> PAGE </w:instrText></w:r>"
         "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>7</w:t></w:r>"
         "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>"
         "<w:p><w:fldSimple w:instr=\" DATE \"><w:r><w:t>today</w:t></w:r></w:fldSimple></w:p>",
         2},
        {"hyperlink and content control text counted",
         "<w:p><w:hyperlink r:id=\"x\" xmlns:r=\"r\"><w:r><w:t>link text</w:t></w:r></w:hyperlink></w:p>"
         "<w:sdt><w:sdtPr><w:alias w:val=\"Title\"/></w:sdtPr><w:sdtContent>" +
             paragraph("control") + "</w:sdtContent></w:sdt>",
         3},
        {"text box stored as choice and fallback counted once",
         "<w:p><w:r><w:t>Before</w:t></w:r><w:r><mc:AlternateContent><mc:Choice Requires=\"wps\"><w:drawing>"
         "<wps:txbx><w:txbxContent>" +
             paragraph("boxed words here") +
             "</w:txbxContent></wps:txbx></w:drawing></mc:Choice><mc:Fallback><w:pict>" +
             box("boxed words here") + "</w:pict></mc:Fallback></mc:AlternateContent></w:r></w:p>",
         4},
        {"fallback read when there is no choice, plain text box counted",
         "<w:p><w:r><mc:AlternateContent><mc:Fallback><w:pict>" + box("old box") +
             "</w:pict></mc:Fallback></mc:AlternateContent><w:pict>" + box("y") + "</w:pict></w:r></w:p>",
         3},
        {"non-breaking hyphen joins, symbol and footnote mark add nothing",
         "<w:p><w:r><w:t>e</w:t><w:noBreakHyphen/><w:t>mail</w:t><w:sym w:font=\"Wingdings\" "
         "w:char=\"F04A\"/></w:r><w:r><w:footnoteReference w:id=\"1\"/></w:r></w:p>",
         1},
    };
    for (const auto& [what, body, words] : cases) {
        SCOPED_TRACE(what);
        const auto text = import(docxEntries(body));
        ASSERT_TRUE(text);
        EXPECT_EQ(countWords(*text), words);
    }
}

TEST_F(DocxTest, ImporterCountsFootnotesAndEndnotesButNotHeadersFootersOrComments)
{
    const auto part = [](const std::string& name, const std::string& root, const std::string& content) {
        return ZipEntry{name,
                        "<w:" + root +
                            " xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">" +
                            content + "</w:" + root + ">",
                        {}};
    };
    auto entries = docxEntries(paragraph("body text"));
    entries.push_back({"word/_rels/document.xml.rels",
                       rels({{"footnotes", "footnotes.xml"},
                             {"endnotes", "/word/notes/end%20notes.xml"},
                             {"header", "header1.xml"},
                             {"footer", "footer1.xml"},
                             {"comments", "comments.xml"}}),
                       {}});
    entries.push_back(part("word/footnotes.xml", "footnotes",
                           "<w:footnote w:type=\"separator\" w:id=\"-1\"><w:p><w:r><w:separator/></w:r></w:p>"
                           "</w:footnote><w:footnote w:type=\"continuationSeparator\" w:id=\"0\">" +
                               paragraph("hidden") + "</w:footnote><w:footnote w:id=\"1\">" +
                               paragraph("a footnote") + "</w:footnote>"));
    entries.push_back(part("word/notes/end notes.xml", "endnotes",
                           "<w:endnote w:id=\"1\">" + paragraph("an endnote") + "</w:endnote>"));
    entries.push_back(part("word/header1.xml", "hdr", paragraph("header words")));
    entries.push_back(part("word/footer1.xml", "ftr", paragraph("footer words")));
    entries.push_back(part("word/comments.xml", "comments", paragraph("comment words")));
    EXPECT_EQ(import(entries), "body text\na footnote\nan endnote\n");

    // A part that states more than any real document inflates to is refused.
    stateUncompressedSize(in / "import.docx", 0xFFFFFFF0u);
    EXPECT_EQ(importDocxText(readFile(in / "import.docx")), std::nullopt);
}

TEST_F(DocxTest, RecordsWithoutAnErrorLineCarryTheStoredPagesAndTheText)
{
    auto invalidUtf8 = docxEntries(paragraph("two words"), "3");
    invalidUtf8[1].data = "\xFF" + invalidUtf8[1].data;
    const std::vector<
        std::tuple<std::string, std::vector<ZipEntry>, std::optional<std::int64_t>, std::int64_t>>
        cases{
            {"stored pages and the text",
             docxEntries(paragraph("The quick brown fox") + paragraph("jumps."), "12"), 12, 5},
            {"pages 0", docxEntries(paragraph("a"), "0"), 0, 1},
            {"no plain digits", docxEntries(paragraph("a b"), " 3 "), 1, 2},
            {"properties not UTF-8", invalidUtf8, 1, 2},
            {"importer rejects the document", withPart(2, "word/document.xml", "<w:document"), std::nullopt,
             0},
        };
    for (const auto& [what, entries, pages, words] : cases) {
        SCOPED_TRACE(what);
        std::ostringstream diagnostics;
        const FileInfo info =
            analyseDocx(zipFile("case.docx", entries), "name.docx", "DOCX", diagnostics, defaultUnzipProgram);
        EXPECT_EQ(info.fileType, "DOCX");
        EXPECT_EQ(info.pages, pages);
        EXPECT_EQ(info.words, words);
        EXPECT_EQ(diagnostics.str(), "");
    }
}

TEST_F(DocxTest, DocumentsWithDamagedPartsCountWhatWasReadAndSaySo)
{
    auto entries = docxEntries(paragraph("three body words"), "4");
    entries.push_back({"word/_rels/document.xml.rels",
                       rels({{"footnotes", "footnotes.xml"}, {"endnotes", "endnotes.xml"}}),
                       {}});
    const std::string w = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
    entries.push_back({"word/footnotes.xml",
                       "<w:footnotes " + w + "><w:footnote w:id=\"1\">" + paragraph("a footnote") +
                           "</w:footnote></w:footnotes>",
                       {}});
    entries.push_back({"word/endnotes.xml",
                       "<w:endnotes " + w + "><w:endnote w:id=\"1\">" + paragraph("an endnote") +
                           "</w:endnote></w:endnotes>",
                       {}});
    entries.push_back({"word/media/image1.png", std::string(400, 'x'), {}});
    const std::vector<std::tuple<std::string, std::int64_t, std::optional<std::string>>> cases{
        {"", 7, std::nullopt},
        {"word/footnotes.xml", 5, "footnotes not read: word/footnotes.xml could not be decompressed"},
        {"word/_rels/document.xml.rels", 3,
         "footnotes and endnotes not read: word/_rels/document.xml.rels could not be decompressed"},
        {"word/media/image1.png", 7,
         "unzip reported errors in the container (exit status 2), but every part that is counted was read "
         "whole"},
    };
    for (const auto& [damaged, words, note] : cases) {
        SCOPED_TRACE(damaged);
        const auto file = zipFile("notes.docx", entries);
        if (!damaged.empty()) {
            damageEntry(file, damaged);
        }
        std::ostringstream diagnostics;
        const FileInfo info = analyseDocx(file, "notes.docx", "DOCX", diagnostics, defaultUnzipProgram);
        EXPECT_EQ(info.pages, 4);
        EXPECT_EQ(info.words, words);
        EXPECT_EQ(info.noteText(), note);
        EXPECT_EQ(diagnostics.str(), "");
    }
    entries[5].data = "<w:endnotes " + w + "><w:endnote>"; // cut short
    const FileInfo cut =
        analyseDocx(zipFile("cut.docx", entries), "cut.docx", "DOCX", std::cout, defaultUnzipProgram);
    EXPECT_EQ(cut.words, 5);
    EXPECT_EQ(cut.noteText(), "endnotes not read: word/endnotes.xml is not well-formed XML");
}

TEST_F(DocxTest, FailuresPrintOneErrorLineAndGiveNoPagesAndNoWords)
{
    writeFile(in / "plain.docx", "Just some text in a file named like a document.");
    writeFile(scratch.path() / "elsewhere.xml", appProperties("99"));
    auto linked = docxEntries(paragraph("text"), "2");
    linked[1] = symlinkEntry("docProps/app.xml", (scratch.path() / "elsewhere.xml").native());
    const auto linkedProperties = zipFile("linked.docx", linked);
    linked[1] = symlinkEntry("docProps", scratch.path().native());
    const auto linkedFolder = zipFile("linked-folder.docx", linked);
    const auto damagedProperties = zipFile("damaged-properties.docx", docxEntries(paragraph("text"), "2"));
    damageEntry(damagedProperties, "docProps/app.xml"); // a page count read from it could be any number
    const auto cannotRead = [](const fs::path& file, const std::string& reason) {
        return "cannot read docProps/app.xml from " + file.native() + ": " + reason;
    };
    expectFailures(
        analyseDocx, "DOCX",
        {
            {linkedProperties, cannotRead(linkedProperties, "docProps/app.xml is a symbolic link")},
            {linkedFolder, cannotRead(linkedFolder, "docProps is a symbolic link")},
            {in / "plain.docx", "cannot unpack " + (in / "plain.docx").native() +
                                    ": not a zip archive libzip can read (Not a zip archive)"},
            {damagedProperties,
             cannotRead(
                 damagedProperties,
                 "unzip reported errors in the container (exit status 2) and it was not unpacked whole")},
            {in / "gone.docx", "cannot open " + (in / "gone.docx").native() + ": No such file or directory"},
        });
}
