#include "analysis/DocxAnalysis.h"
#include "analysis/DocxText.h"
#include "analysis/OfficeArchive.h"
#include "analysis/WordCount.h"
#include "support/Bytes.h"
#include "support/OfficeZip.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>
#include <unistd.h>

using namespace pagetally;
using namespace pagetally::test;
namespace fs = std::filesystem;

namespace {

constexpr const char* wordNs = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";

std::string wordPart(const std::string& root, const std::string& content)
{
    return "<w:" + root + " xmlns:w=\"" + wordNs + "\">" + content + "</w:" + root + ">";
}

class DocxTest : public OfficeTest
{
protected:
    std::optional<std::string> import(const std::vector<ZipEntry>& entries)
    {
        return importDocxText(readFile(zipFile("import.docx", entries)));
    }
    std::optional<std::int64_t> importedWords(const std::string& body)
    {
        const auto text = import(docxEntries(body));
        return text ? std::optional<std::int64_t>(countWords(*text)) : std::nullopt;
    }
    FileInfo analyse(const fs::path& location, const fs::path& unzip = defaultUnzipProgram)
    {
        return analyseDocx(location, "name.docx", "DOCX", diagnostics, unzip);
    }
    std::ostringstream diagnostics;
};

} // namespace

TEST(StoredPageCount, ReadsTheFirstPagesElementOfPlainAsciiDigits)
{
    const std::vector<std::pair<std::string, std::int64_t>> cases{
        {"<Properties><Pages>12</Pages></Properties>", 12},
        {"<Pages>0</Pages>", 0},
        {"<Pages>007</Pages>", 7},
        {"<Pages>000000000000000000000000000042</Pages>", 42},
        {"<Pages>9223372036854775807</Pages>", 9223372036854775807},
        {"<Pages>9223372036854775808</Pages>", 1},
        {"<Pages>3</Pages><Pages>4</Pages>", 3},
        {"<Pages></Pages><Pages>4</Pages>", 4},
        {"<Pages>x</Pages><Pages>4</Pages>", 4},
        {"<Pages><Pages>5</Pages>", 5},
        {"<Pages> 12 </Pages>", 1},
        {"<Pages a=\"1\">12</Pages>", 1},
        {"<ep:Pages>12</ep:Pages>", 1},
        {"<pages>12</pages>", 1},
        {"<PAGES>12</PAGES>", 1},
        {"<Pages>12</Pages", 1},
        {"<Pages>-3</Pages>", 1},
        {"<Pages>+3</Pages>", 1},
        {"no element at all", 1},
        {"", 1},
        {"\xFF<Pages>5</Pages>", 1},                         // not UTF-8
        {"<Pages>\xD9\xA3</Pages>", 1},                      // ARABIC-INDIC DIGIT THREE matches, converts not
        {"<Pages>\xD9\xA3</Pages><Pages>5</Pages>", 1},      // ... and is the first match
        {"<Pages>1\xEF\xBC\x92</Pages><Pages>5</Pages>", 1}, // FULLWIDTH DIGIT TWO
        {"<Pages>\xC2\xB2</Pages><Pages>6</Pages>", 6},      // SUPERSCRIPT TWO is no decimal digit
        {"<Pages>\xF0\x9D\x9F\x8E</Pages><Pages>6</Pages>", 1}, // MATHEMATICAL BOLD DIGIT ZERO
    };
    for (const auto& [text, pages] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(storedPageCount(text), pages);
    }
}

TEST_F(DocxTest, ImporterGivesTheTextAReaderSeesOrNothing)
{
    // The parts of a one-paragraph document with the part at `index` replaced.
    const auto withPart = [](std::size_t index, std::string name, std::string data) {
        auto entries = docxEntries(paragraph("text"));
        entries[index] = {std::move(name), std::move(data), {}};
        return entries;
    };
    auto elsewhere = withPart(3, "content/main text.xml", wordDocument(paragraph("found it")));
    elsewhere[1].data =
        rels({{"extended-properties", "docProps/app.xml"}, {"officeDocument", "/content/main%20text.xml"}});
    constexpr std::size_t deep = 200000; // walked without recursion
    const std::vector<std::tuple<std::string, std::vector<ZipEntry>, std::optional<std::string>>> cases{
        {"paragraphs, cells, tabs and breaks separate",
         docxEntries(paragraph("Hello") + paragraph("world") +
                     "<w:tbl><w:tblPr/><w:tr><w:tc><w:tcPr/><w:p><w:r><w:t>alpha</w:t></w:r></w:p></w:tc>"
                     "<w:tc><w:p><w:r><w:t>beta</w:t></w:r></w:p></w:tc></w:tr></w:tbl>"
                     "<w:p><w:pPr><w:tabs><w:tab w:val=\"left\" w:pos=\"720\"/></w:tabs></w:pPr>"
                     "<w:r><w:t>one</w:t><w:tab/><w:t>two</w:t><w:br/><w:t>three</w:t><w:cr/><w:t>four</w:t>"
                     "</w:r></w:p>"),
         "Hello\nworld\nalpha\nbeta\none\ttwo\nthree\nfour\n"},
        {"namespaces resolved instead of prefixes trusted",
         withPart(
             3, "word/document.xml",
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
        {"no package relationships", withPart(1, "other.xml", "<x/>"), std::nullopt},
        {"no main document relationship",
         withPart(1, "_rels/.rels", rels({{"extended-properties", "docProps/app.xml"}})), std::nullopt},
        {"ill-formed relationships", withPart(1, "_rels/.rels", "<Relationships><Relationship"),
         std::nullopt},
        {"main part missing", withPart(3, "word/other.xml", wordDocument(paragraph("text"))), std::nullopt},
        {"main part ill-formed",
         withPart(3, "word/document.xml", "<w:document xmlns:w=\"x\"><w:body></w:document>"), std::nullopt},
        {"main part empty", withPart(3, "word/document.xml", ""), std::nullopt},
        {"main part is a presentation", withPart(3, "word/document.xml", "<p:presentation xmlns:p=\"p\"/>"),
         std::nullopt},
        {"main part in no namespace", withPart(3, "word/document.xml", "<document><body/></document>"),
         std::nullopt},
    };
    for (const auto& [what, entries, text] : cases) {
        SCOPED_TRACE(what);
        EXPECT_EQ(import(entries), text);
    }
    EXPECT_EQ(importDocxText(""), std::nullopt);
    EXPECT_EQ(importDocxText("plain text"), std::nullopt);
}

TEST_F(DocxTest, ImporterCountsWhatTheReaderSeesAndLeavesOutTheRest)
{
    const std::vector<std::tuple<std::string, std::string, std::int64_t>> cases{
        {"runs join into one word",
         "<w:p><w:r><w:t>Hel</w:t></w:r><w:r><w:rPr><w:b/></w:rPr><w:t>lo</w:t></w:r></w:p>", 1},
        {"a run of one blank separates",
         "<w:p><w:r><w:t>a</w:t></w:r><w:r><w:t xml:space=\"preserve\"> "
         "</w:t></w:r><w:r><w:t>b</w:t></w:r></w:p>",
         2},
        {"entities and character references", "<w:p><w:r><w:t>Tom &amp; Jerry&#x20;again</w:t></w:r></w:p>",
         4},
        {"tracked deletion left out, insertion counted",
         "<w:p><w:del w:id=\"1\"><w:r><w:delText>gone words</w:delText></w:r></w:del>"
         "<w:ins w:id=\"2\"><w:r><w:t>kept</w:t></w:r></w:ins></w:p>",
         1},
        {"moved text counted once",
         "<w:p><w:moveFrom w:id=\"1\"><w:r><w:t>moved here</w:t></w:r></w:moveFrom></w:p>"
         "<w:p><w:moveTo w:id=\"2\"><w:r><w:t>moved here</w:t></w:r></w:moveTo></w:p>",
         2},
        {"field instruction left out, result counted",
         "<w:p><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText> PAGE \\* MERGEFORMAT "
         "</w:instrText></w:r>"
         "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>7</w:t></w:r>"
         "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>",
         1},
        {"simple field result counted",
         "<w:p><w:fldSimple w:instr=\" DATE \"><w:r><w:t>today</w:t></w:r></w:fldSimple></w:p>", 1},
        {"hyperlink and content control text counted",
         "<w:p><w:hyperlink r:id=\"x\" xmlns:r=\"r\"><w:r><w:t>link text</w:t></w:r></w:hyperlink></w:p>"
         "<w:sdt><w:sdtPr><w:alias w:val=\"Title\"/></w:sdtPr><w:sdtContent>" +
             paragraph("control") + "</w:sdtContent></w:sdt>",
         3},
        {"text box stored as choice and fallback counted once",
         "<w:p><w:r><w:t>Before</w:t></w:r><w:r><mc:AlternateContent>"
         "<mc:Choice Requires=\"wps\"><w:drawing><wps:txbx><w:txbxContent>" +
             paragraph("boxed words here") +
             "</w:txbxContent></wps:txbx></w:drawing></mc:Choice>"
             "<mc:Fallback><w:pict><v:shape><v:textbox><w:txbxContent>" +
             paragraph("boxed words here") +
             "</w:txbxContent></v:textbox></v:shape></w:pict></mc:Fallback></mc:AlternateContent></w:r>"
             "<w:r><w:t>after</w:t></w:r></w:p>",
         5},
        {"fallback read when there is no choice",
         "<w:p><w:r><mc:AlternateContent><mc:Fallback><w:pict><v:shape><v:textbox><w:txbxContent>" +
             paragraph("old box") +
             "</w:txbxContent></v:textbox></v:shape></w:pict></mc:Fallback></mc:AlternateContent></w:r></"
             "w:p>",
         2},
        {"text box without alternatives counted",
         "<w:p><w:r><w:t>x</w:t><w:pict><v:shape><v:textbox><w:txbxContent>" + paragraph("y") +
             "</w:txbxContent></v:textbox></v:shape></w:pict></w:r></w:p>",
         2},
        {"non-breaking hyphen joins, symbol is a character",
         "<w:p><w:r><w:t>e</w:t><w:noBreakHyphen/><w:t>mail</w:t><w:sym w:font=\"Wingdings\" "
         "w:char=\"F04A\"/></w:r></w:p>",
         1},
        {"footnote reference mark adds nothing",
         "<w:p><w:r><w:t>word</w:t></w:r><w:r><w:footnoteReference w:id=\"1\"/></w:r></w:p>", 1},
        {"nested tables",
         "<w:tbl><w:tr><w:tc><w:tbl><w:tr><w:tc>" + paragraph("deep") + "</w:tc><w:tc>" + paragraph("er") +
             "</w:tc></w:tr></w:tbl></w:tc></w:tr></w:tbl>",
         2},
        {"empty document", "", 0},
    };
    for (const auto& [what, body, words] : cases) {
        SCOPED_TRACE(what);
        EXPECT_EQ(importedWords(body), words);
    }
}

TEST_F(DocxTest, ImporterCountsFootnotesAndEndnotesButNotHeadersFootersOrComments)
{
    auto entries = docxEntries(paragraph("body text") +
                               "<w:sectPr><w:headerReference r:id=\"rId3\" xmlns:r=\"r\"/></w:sectPr>");
    entries.push_back({"word/_rels/document.xml.rels",
                       rels({{"footnotes", "footnotes.xml"},
                             {"endnotes", "/word/notes/end%20notes.xml"},
                             {"header", "header1.xml"},
                             {"footer", "footer1.xml"},
                             {"comments", "comments.xml"}}),
                       {}});
    entries.push_back(
        {"word/footnotes.xml",
         wordPart(
             "footnotes",
             "<w:footnote w:type=\"separator\" w:id=\"-1\"><w:p><w:r><w:separator/></w:r></w:p></w:footnote>"
             "<w:footnote w:type=\"continuationSeparator\" w:id=\"0\">" +
                 paragraph("hidden") +
                 "</w:footnote>"
                 "<w:footnote w:id=\"1\">" +
                 paragraph("a footnote") + "</w:footnote>"),
         {}});
    entries.push_back(
        {"word/notes/end notes.xml",
         wordPart("endnotes", "<w:endnote w:id=\"1\">" + paragraph("an endnote") + "</w:endnote>"),
         {}});
    entries.push_back({"word/header1.xml", wordPart("hdr", paragraph("header words")), {}});
    entries.push_back({"word/footer1.xml", wordPart("ftr", paragraph("footer words")), {}});
    entries.push_back(
        {"word/comments.xml",
         wordPart("comments", "<w:comment w:id=\"0\">" + paragraph("comment words") + "</w:comment>"),
         {}});
    EXPECT_EQ(import(entries), "body text\na footnote\nan endnote\n");
}

TEST_F(DocxTest, ImporterRefusesAPartThatInflatesBeyondAnyRealDocument)
{
    const auto file = zipFile("bomb.docx", docxEntries(paragraph("small")));
    EXPECT_EQ(importDocxText(readFile(file)), "small\n");
    stateUncompressedSize(file, 0xFFFFFFF0u);
    EXPECT_EQ(importDocxText(readFile(file)), std::nullopt);
}

TEST_F(DocxTest, OutcomesWithoutAnErrorLine)
{
    struct Case
    {
        std::string what;
        std::vector<ZipEntry> entries;
        std::optional<std::int64_t> pages;
        std::int64_t words;
    };
    auto invalidUtf8 = docxEntries(paragraph("two words"), "3");
    invalidUtf8[2].data = "\xFF" + invalidUtf8[2].data;
    auto rejected = docxEntries(paragraph("two words"), "3");
    rejected[3].data = "<w:document";
    const std::vector<Case> cases{
        {"stored pages and the text",
         docxEntries(paragraph("The quick brown fox") + paragraph("jumps."), "12"), 12, 5},
        {"empty document", docxEntries("", "4"), 4, 0},
        {"pages 0", docxEntries(paragraph("a"), "0"), 0, 1},
        {"no plain digits", docxEntries(paragraph("a b"), " 3 "), 1, 2},
        {"properties not UTF-8", invalidUtf8, 1, 2},
        {"importer rejects the document", rejected, std::nullopt, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const FileInfo info = analyse(zipFile("case.docx", c.entries));
        EXPECT_EQ(info.fileName, "name.docx");
        EXPECT_EQ(info.fileType, "DOCX");
        EXPECT_EQ(info.id.size(), 36u);
        EXPECT_EQ(info.duration, std::nullopt);
        EXPECT_EQ(info.pages, c.pages);
        EXPECT_EQ(info.words, c.words);
    }
    EXPECT_EQ(diagnostics.str(), "");
}

TEST_F(DocxTest, FailuresPrintOneErrorLineAndGiveNoPagesAndNoWords)
{
    auto withoutProperties = docxEntries(paragraph("text that would count"), "2");
    withoutProperties.erase(withoutProperties.begin() + 2);
    const auto noProperties = zipFile("no-properties.docx", withoutProperties);
    writeFile(in / "plain.docx", "Just some text in a file named like a document.");
    const auto fine = zipFile("fine.docx", docxEntries(paragraph("text"), "2"));

    writeFile(scratch.path() / "elsewhere.xml", appProperties("99"));
    auto linked = docxEntries(paragraph("text"), "2");
    linked[2] = symlinkEntry("docProps/app.xml", (scratch.path() / "elsewhere.xml").native());
    const auto linkedProperties = zipFile("linked.docx", linked);
    linked[2] = symlinkEntry("docProps", scratch.path().native());
    const auto linkedFolder = zipFile("linked-folder.docx", linked);

    expectFailures(
        analyseDocx, "DOCX",
        {
            {noProperties, defaultUnzipProgram,
             "cannot read docProps/app.xml from " + noProperties.native() + ": No such file or directory"},
            {linkedProperties, defaultUnzipProgram,
             "cannot read docProps/app.xml from " + linkedProperties.native() +
                 ": docProps/app.xml is a symbolic link"},
            {linkedFolder, defaultUnzipProgram,
             "cannot read docProps/app.xml from " + linkedFolder.native() + ": docProps is a symbolic link"},
            {in / "plain.docx", defaultUnzipProgram,
             "cannot read docProps/app.xml from " + (in / "plain.docx").native() +
                 ": No such file or directory"},
            {fine, "/nonexistent/unzip", "cannot start /nonexistent/unzip: No such file or directory"},
            {in / "gone.docx", defaultUnzipProgram,
             "cannot open " + (in / "gone.docx").native() + ": No such file or directory"},
        });
}
