// Hostile and broken input. Every case: the file gives its one record, the next file of the same
// intake is still analysed, nothing hangs, and no extraction directory is left behind.
#include "analysis/intake/FileInfo.h"
#include "analysis/intake/Intake.h"
#include "support/AddFiles.h"
#include "support/Bytes.h"
#include "support/HandMadePdf.h"
#include "support/OfficeZip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace pagetally;
using namespace pagetally::test;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr const char* nextName = "zz-next.txt";

// A file that begins with `start` and is a hole (zero bytes) up to `size`: a gigabyte costs
// no disk and no time to write.
void sparseFile(const fs::path& path, const std::string& start, off_t size)
{
    writeFile(path, start);
    ASSERT_EQ(::truncate(path.c_str(), size), 0);
}

// Ten pages of five words and a page tree that lists them after the pages, as many writers order
// them, and the cross-reference table first: cut short, the file has a trailer and no page tree.
std::string pagesBeforeTheirTree()
{
    const int pages = 10;
    std::vector<std::string> objects{"<< /Type /Catalog /Pages " + std::to_string(3 + 2 * pages) + " 0 R >>",
                                     "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"};
    std::string kids;
    for (int i = 0; i < pages; ++i) {
        kids += std::to_string(3 + 2 * i) + " 0 R ";
        objects.push_back("<< /Type /Page /Parent " + std::to_string(3 + 2 * pages) +
                          " 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 2 0 R >> >> /Contents " +
                          std::to_string(4 + 2 * i) + " 0 R >>");
        objects.push_back(pdfStream(textPage({"five words on page " + std::to_string(i)})));
    }
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
    return assemblePdf(objects, true);
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line.ends_with('\r') ? line.substr(0, line.size() - 1) : line); // CSV ends in CR LF
    }
    return out;
}

class HostileInputTest : public OfficeTest
{
protected:
    // The record of `hostile`, analysed in one intake with a good text file behind it, which
    // must still get its record. A hang ends the test program instead of stalling the suite.
    FileInfo intake(const fs::path& hostile)
    {
        writeFile(in / nextName, "the next file still counts");
        std::vector<FileInfo> files;
        auto done = std::async(std::launch::async, [&] {
            addFiles({hostile, in / nextName}, files, diagnostics);
        });
        if (done.wait_for(300s) != std::future_status::ready) {
            std::fprintf(stderr, "hung for 300 s on %s\n", hostile.c_str());
            std::_Exit(1);
        }
        EXPECT_EQ(leftovers(), std::vector<std::string>{}) << hostile;
        if (files.size() != 2) {
            ADD_FAILURE() << hostile << " gave " << files.size() - 1 << " records";
            return FileInfo::make("", "", std::nullopt, std::nullopt, -1);
        }
        EXPECT_EQ(files[1].fileName, nextName);
        EXPECT_EQ(files[1].words, 5);
        return files[0];
    }

    // Checks the record and the error lines written since the last call (none, or one that includes
    // `reason`), and returns the record.
    FileInfo expectRecord(const fs::path& file,
                          std::optional<std::int64_t> pages,
                          std::int64_t words,
                          const std::string& reason = "")
    {
        SCOPED_TRACE(file);
        const FileInfo record = intake(file);
        std::string type = file.extension().native().substr(1);
        std::transform(type.begin(), type.end(), type.begin(), [](char c) { return std::toupper(c); });
        EXPECT_EQ(record.fileName, file.filename());
        EXPECT_EQ(record.fileType, type);
        EXPECT_EQ(record.pages, pages);
        EXPECT_EQ(record.words, words);
        const auto written = lines(diagnostics.str());
        diagnostics.str("");
        EXPECT_EQ(written.size(), reason.empty() ? 0u : 1u) << ::testing::PrintToString(written);
        if (!reason.empty() && !written.empty()) {
            EXPECT_TRUE(written[0].starts_with("Error processing " + type + " file: ")) << written[0];
            EXPECT_NE(written[0].find(reason), std::string::npos) << written[0];
        }
        return record;
    }

    std::ostringstream diagnostics;
};

} // namespace

// Every fallback keeps its value and says why; files too large to read whole are read in pieces.
TEST_F(HostileInputTest, BrokenFilesGiveTheirExactRecordAndNote)
{
    const std::size_t deep = 1'000'000;
    struct Case
    {
        std::string name, bytes;
        std::optional<std::int64_t> pages;
        std::int64_t words;
        std::optional<std::string> note;
        std::optional<double> minutes = {};
        off_t sparseSize = 0;
    };
    const std::string notPdf = "cannot be opened as a PDF";
    const std::string notJson = "not valid JSON: ";
    const std::string noDuration = "no readable duration";
    std::vector<std::optional<std::string>> tenPages(10, textPage({"five words on this page"}));
    const std::string paged = makePdf(tenPages, true);
    const std::string treeLast = pagesBeforeTheirTree();
    std::string liesAboutCount = makePdf({textPage({"three little words"}), textPage({"two more"})});
    liesAboutCount.replace(liesAboutCount.find("/Count 2"), 8, "/Count 5"); // offsets hold
    const std::string damaged = ": the file may be damaged or cut short";
    const std::vector<Case> cases{
        {"windows.txt", "\xFF\xFEh\0i\0", std::nullopt, 0, "not valid UTF-8 text (UTF-16 byte-order mark)"},
        {"latin1.html", "<p>caf\xE9</p>", std::nullopt, 0, "not valid UTF-8 text"},
        {"caf\xE9 menu.txt", "two words", std::nullopt, 2, std::nullopt}, // names that are not UTF-8 are kept
        {"comma.json", R"({"a": [1,, 2]})", std::nullopt, 0, notJson + "invalid value at offset 9"},
        {"bom-only.json", std::string("\0\0\xFE\xFF", 4), std::nullopt, 0, notJson + "the document is empty"},
        {"arrays.json", repeat("[", deep) + R"("two words")" + repeat("]", deep), std::nullopt, 0,
         notJson + "nested more than 100000 levels deep at offset 100000"},
        {"objects.json", repeat(R"({"a":)", deep) + "1" + repeat("}", deep), std::nullopt, 0,
         notJson + "nested more than 100000 levels deep at offset 500000"},
        {"zero-length.pdf", "", std::nullopt, 0, notPdf},
        // The PDF library takes about half a second to give up on these 39 kB.
        {"slow-repair.pdf", readFile(dataFile("hostile/slow-repair.pdf")), std::nullopt, 0, notPdf},
        {"locked.pdf", readFile(dataFile("pdf/locked.pdf")), 1, 0,
         "locked by a password: pages shown, text not read"},
        {"scan.pdf", makePdf({textPage({"two words"}), "", ""}), 3, 2, "no text on 2 of 3 pages"},
        {"honest.pdf", makePdf({textPage({"three little words"})}), 1, 3, std::nullopt},
        {"paged-cut.pdf", paged.substr(0, paged.size() / 2), 10, 15, "6 of 10 pages missing" + damaged},
        {"tree-cut.pdf", treeLast.substr(0, treeLast.size() / 2), 0, 0, "no pages found" + damaged},
        {"tree-whole.pdf", treeLast, 10, 50, std::nullopt},
        {"paged-whole.pdf", paged, 10, 50, std::nullopt},
        {"count-lies.pdf", liesAboutCount, 5, 5, "3 of 5 pages missing" + damaged},
        {"memo.doc", "", 1, 0, "legacy DOC format is not read"},
        {"zero-byte.mp3", "", std::nullopt, 0, noDuration},
        {"text.wav", "RIFF but not really", std::nullopt, 0, noDuration},
        {"noise.mp4", repeat("\x9C\xE1\x05\x7F", 16 * 1024), std::nullopt, 0, noDuration},
        // One second of 16-bit samples, whose header claims an absurd length.
        {"absurd-1.wav", wav(8000, 8000, 0x7FFFFFF0u, 2), std::nullopt, 2, std::nullopt, 1.0 / 60.0},
        {"absurd-2.wav", wav(8000, 8000, 0xFFFFFFFFu, 2), std::nullopt, 2, std::nullopt, 1.0 / 60.0},
        // 100000 unclosed "<a" then a hole of a gigabyte, where nothing is a tag and the last word
        // runs on to the end of the file.
        {"unclosed.html",
         repeat("<a ", 100'000) + "two words",
         std::nullopt,
         100'002,
         std::nullopt,
         {},
         off_t(1) << 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.sparseSize) {
            sparseFile(in / c.name, c.bytes, c.sparseSize);
        } else {
            writeFile(in / c.name, c.bytes);
        }
        const FileInfo record = intake(in / c.name);
        EXPECT_EQ(record.fileName, c.name);
        EXPECT_EQ(record.pages, c.pages);
        EXPECT_EQ(record.words, c.words);
        // A slow build (the sanitizers) may reach the helper's time limit on the slow PDF first.
        const bool timedOut =
            c.note == notPdf && record.noteText() == notPdf + ": the time limit was reached";
        EXPECT_TRUE(record.noteText() == c.note || timedOut) << record.noteText().value_or("(none)");
        EXPECT_FALSE(record.unreadable);
        EXPECT_NEAR(record.duration.value_or(-1), c.minutes.value_or(-1), 1e-12);
    }
    EXPECT_EQ(diagnostics.str(), "");

    const auto unpaged = zipFile("r\xC3sum\xE9.docx", docxEntries(paragraph("three words"), "many"));
    EXPECT_EQ(expectRecord(unpaged, 1, 2).noteText(),
              "page count not stored by the authoring program (1 shown)");
    writeFile(in / "plain.pptx", "not a container");
    const FileInfo plain = intake(in / "plain.pptx");
    EXPECT_EQ(plain.noteText().value_or("") + "\n", diagnostics.str()); // the note is the error line
}

TEST_F(HostileInputTest, EntriesNamingPathsOutsideTheDirectoryLandInsideItAndLinksAreNeverFollowed)
{
    const fs::path outside = scratch.path() / "outside";
    fs::create_directory(outside);
    writeFile(outside / "victim.xml", appProperties("99"));
    const std::vector<ZipEntry> escapes{{"../escaped.txt", "up one", {}},
                                        {"docProps/../../../escaped.txt", "through a part", {}},
                                        {(outside / "planted.txt").native(), "absolute", {}},
                                        // a link to a folder outside, then an entry below the link
                                        symlinkEntry("media", outside.native()),
                                        {"media/planted.xml", "planted", {}}};
    auto docx = docxEntries(paragraph("three counted words"), "4");
    docx.insert(docx.end(), escapes.begin(), escapes.end());
    auto pptx = std::vector<ZipEntry>{slide(1, "two words")};
    pptx.insert(pptx.end(), escapes.begin(), escapes.end());
    expectRecord(zipFile("escape.docx", docx), 4, 3);
    expectRecord(zipFile("escape.pptx", pptx), 1, 2);

    // A link, then a regular entry of the same name.
    auto twice = docxEntries(paragraph("one two"));
    twice[1] = symlinkEntry("docProps/app.xml", (outside / "victim.xml").native());
    twice.push_back({"docProps/bpp.xml", appProperties("7"), {}});
    const auto replaced = zipFile("overwrite-through.docx", twice);
    patchBytes(replaced, "docProps/bpp.xml", "docProps/app.xml");
    expectRecord(replaced, std::nullopt, 0, "docProps/app.xml is a symbolic link");

    EXPECT_EQ(readFile(outside / "victim.xml"), appProperties("99"));
    EXPECT_EQ(std::distance(fs::directory_iterator(outside), fs::directory_iterator()), 1);
    for (const fs::path& below : {scratch.path(), tmp, in, scratch.path().parent_path()}) {
        EXPECT_FALSE(fs::exists(below / "escaped.txt")) << below;
    }
}

// unzip would ask for the password, or whether to replace the first of two entries of one name,
// on the terminal: it gets none (see the extraction tests) and end of input.
TEST_F(HostileInputTest, PasswordsAndDuplicateNamesGetNoAnswer)
{
    const auto secretDocx = zipFile("secret.docx", docxEntries(paragraph("locked words")));
    markEncrypted(secretDocx);
    const auto secretPptx = zipFile("secret.pptx", {slide(1, "locked words")});
    markEncrypted(secretPptx);
    auto entries = docxEntries(paragraph("one two"), "3");
    entries.push_back({"docProps/bpp.xml", appProperties("5"), {}});
    const auto twice = zipFile("twice.docx", entries);
    patchBytes(twice, "docProps/bpp.xml", "docProps/app.xml");

    expectRecord(secretDocx, std::nullopt, 0, "cannot read docProps/app.xml");
    expectRecord(secretPptx, std::nullopt, 0, "cannot list ppt/slides");
    expectRecord(twice, 3, 2); // the first app.xml is kept
}

TEST_F(HostileInputTest, CompressionBombsAndContainersOfTooManyEntriesAreRefusedBeforeUnpacking)
{
    // Each entry states 2 GiB: 6 GiB in all from a file of a few kilobytes.
    const auto docx = zipFile("bomb.docx", docxEntries(paragraph("one two")));
    stateUncompressedSize(docx, 0x7FFFFFFF);
    expectRecord(docx, std::nullopt, 0,
                 "refusing to unpack " + docx.native() +
                     ": its entries add up to 6.0 GiB, more than the 1.0 GiB allowed for its size");
    const auto pptx = zipFile("bomb.pptx", {slide(1, "a"), slide(2, "b")});
    stateUncompressedSize(pptx, 0x7FFFFFFF);
    expectRecord(pptx, std::nullopt, 0, "its entries add up to 4.0 GiB");

    // Empty entries cost no bytes, but each is a file to create and to delete again.
    std::vector<ZipEntry> many{slide(1, "a")};
    for (int i = 0; i < 20'000; ++i) {
        many.push_back({"ppt/media/empty" + std::to_string(i), "", {}});
    }
    const auto crowded = zipFile("many.pptx", many);
    expectRecord(crowded, std::nullopt, 0,
                 "refusing to unpack " + crowded.native() +
                     ": it holds 20001 entries, more than the 20000 allowed");
}

// What each kind of file gives when it cannot be read at all: its pages, and whether it writes
// an error line.
const std::vector<std::tuple<std::string, std::optional<std::int64_t>, bool>> everyExtension{
    {"txt", std::nullopt, false},
    {"html", std::nullopt, false},
    {"json", std::nullopt, false},
    {"pdf", std::nullopt, false},
    {"docx", std::nullopt, true},
    {"pptx", std::nullopt, true},
    {"doc", 1, false},
    {"mp3", std::nullopt, false},
    {"mp4", std::nullopt, false},
    {"wav", std::nullopt, false},
};

TEST_F(HostileInputTest, DirectoriesFifosDevicesAndVanishedFilesUnderEveryExtensionGiveEmptyRecords)
{
    const std::vector<std::pair<std::string, std::string>> stems{
        {"folder.", "Is a directory"},
        {"pipe.", "not a regular file"},
        {"zero.", "not a regular file"}, // endless if it were read
        {"node.", "not a regular file"},
        {"gone.", "No such file or directory"}};
    for (const auto& [ext, pages, errorLine] : everyExtension) {
        fs::create_directory(in / ("folder." + ext));
        ASSERT_EQ(::mkfifo((in / ("pipe." + ext)).c_str(), 0600), 0);
        fs::create_symlink("/dev/zero", in / ("zero." + ext));
        // Only root may make a device node; elsewhere there is none to read.
        const bool node = ::mknod((in / ("node." + ext)).c_str(), S_IFCHR | 0600, ::makedev(1, 5)) == 0;
        for (const auto& [stem, reason] : stems) {
            if (stem == "node." && !node) {
                continue;
            }
            const fs::path file = in / (stem + ext);
            const FileInfo record = expectRecord(file, pages, 0, errorLine ? reason : "");
            EXPECT_TRUE(record.unreadable) << file;
            EXPECT_EQ(record.noteText(), stem == "gone." ? "file not found" : "not a regular file") << file;
        }
    }
}
