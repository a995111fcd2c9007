// Hostile and broken input. Every case: the file gives its one record, the next file of the same
// intake is still analysed, nothing hangs, and no extraction directory is left behind.
#include "analysis/FileInfo.h"
#include "analysis/Intake.h"
#include "analysis/PdfAnalysis.h"
#include "support/Bytes.h"
#include "support/HandMadePdf.h"
#include "support/OfficeZip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <future>
#include <grp.h>
#include <iostream>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace pagetally;
using namespace pagetally::test;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr const char* nextName = "zz-next.txt";
constexpr std::int64_t nextWords = 5;

// Reproducible bytes that no parser can make sense of.
std::string noise(std::size_t size, unsigned seed = 7)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

// A file that begins with `start` and is a hole (zero bytes) up to `size`: a gigabyte costs
// no disk and no time to write.
fs::path sparseFile(const fs::path& path, const std::string& start, off_t size)
{
    writeFile(path, start);
    if (::truncate(path.c_str(), size) != 0) {
        throw std::runtime_error("cannot extend " + path.native());
    }
    return path;
}

// A one-page PDF whose page says "three little words" and whose page tree claims `count` pages
// behind `kids`.
std::string tinyPdf(const std::string& count, const std::string& kids = "[3 0 R]")
{
    return assemblePdf({"<< /Type /Catalog /Pages 2 0 R >>",
                        "<< /Type /Pages /Kids " + kids + " /Count " + count + " >>",
                        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
                        "/Resources << /Font << /F1 5 0 R >> >> >>",
                        pdfStream(textPage({"three little words"})),
                        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"});
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.ends_with('\r')) { // CSV ends lines in CR LF
            line.pop_back();
        }
        out.push_back(line);
    }
    return out;
}

// pagetally-cli's standard output and error, and its peak memory when run as this user.
struct CliRun
{
    std::string out;
    std::string err;
    int status = -1;
    long peakKib = 0;
};

// Runs pagetally-cli under GNU time (a child forked from this test would count the test's memory
// as its own peak), as `uid` when given: then from copies laid out as installed, since another
// user may not reach the build tree.
CliRun runCli(std::vector<std::string> arguments, const fs::path& scratch, std::optional<uid_t> uid = {})
{
    fs::path cli = PAGETALLY_CLI;
    if (uid) {
        cli = scratch / "bin" / "pagetally-cli";
        const fs::path helper = scratch / "libexec" / "pagetally" / "pagetally-pdf";
        fs::create_directories(helper.parent_path());
        fs::create_directories(cli.parent_path());
        fs::copy_file(PAGETALLY_CLI, cli, fs::copy_options::overwrite_existing);
        fs::copy_file(pdfHelperProgram(), helper, fs::copy_options::overwrite_existing);
        for (const fs::path& made :
             {scratch / "bin", scratch / "libexec", helper.parent_path(), cli, helper}) {
            fs::permissions(made, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                      fs::perms::others_read | fs::perms::others_exec);
        }
    }
    const fs::path peakFile = scratch / "cli.peak";
    std::vector<std::string> argv{"/usr/bin/time", "-f", "%M", "-o", peakFile.native(), cli.native()};
    if (uid) { // another user may not write the peak
        argv.erase(argv.begin(), argv.begin() + 5);
    }
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> args;
    for (std::string& arg : argv) {
        args.push_back(arg.data());
    }
    args.push_back(nullptr);

    const int out = ::open((scratch / "cli.out").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int err = ::open((scratch / "cli.err").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        if (uid && (::setgroups(0, nullptr) != 0 || ::setgid(*uid) != 0 || ::setuid(*uid) != 0)) {
            ::_exit(126);
        }
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(out);
    ::close(err);
    CliRun run;
    ::waitpid(pid, &run.status, 0);
    run.out = readFile(scratch / "cli.out");
    run.err = readFile(scratch / "cli.err");
    run.peakKib = uid ? 0 : std::atol(readFile(peakFile).c_str());
    return run;
}

class HostileInputTest : public OfficeTest
{
protected:
    // The record of `hostile`, analysed in one intake with a good text file behind it, which
    // must still get its record. A hang ends the test program instead of stalling the suite.
    FileInfo intake(const fs::path& hostile)
    {
        const fs::path next = in / nextName;
        writeFile(next, "the next file still counts");
        std::vector<FileInfo> files;
        auto done = std::async(std::launch::async, [&] { addFiles({hostile, next}, files, diagnostics); });
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
        EXPECT_EQ(files[1].words, nextWords);
        return files[0];
    }

    // The lines written since the last call.
    std::vector<std::string> takeErrorLines()
    {
        const auto written = lines(diagnostics.str());
        diagnostics.str("");
        return written;
    }

    std::ostringstream diagnostics;
};

void expectDocument(const FileInfo& record,
                    const std::string& name,
                    std::optional<std::int64_t> pages,
                    std::int64_t words)
{
    std::string type = fs::path(name).extension().native().substr(1);
    std::transform(type.begin(), type.end(), type.begin(), [](char c) { return std::toupper(c); });
    EXPECT_EQ(record.fileName, name);
    EXPECT_EQ(record.fileType, type);
    EXPECT_EQ(record.pages, pages) << name;
    EXPECT_EQ(record.words, words) << name;
}

// One line, "Error processing DOCX file: " (or PPTX) and a reason that includes `reason`.
void expectErrorLine(const std::vector<std::string>& written,
                     const std::string& type,
                     const std::string& reason)
{
    ASSERT_EQ(written.size(), 1u) << ::testing::PrintToString(written);
    EXPECT_TRUE(written[0].starts_with("Error processing " + type + " file: ")) << written[0];
    EXPECT_NE(written[0].find(reason), std::string::npos) << written[0];
}

} // namespace

// Every fallback keeps its value and says why; files too large to read whole are read in pieces.
TEST_F(HostileInputTest, BrokenFilesGiveTheirExactRecordAndNote)
{
    std::string liar = readFile(dataFile("media/vbr-xing.mp3"));
    const std::size_t xing = liar.find("Xing");
    ASSERT_NE(xing, std::string::npos);
    liar.replace(xing + 8, 4, std::string("\x00\x20\x00\x00", 4)); // two million frames
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
    const std::vector<Case> cases{
        {"fine.txt", "nothing wrong here", std::nullopt, 3, std::nullopt},
        {"windows.txt", "\xFF\xFEh\0i\0", std::nullopt, 0, "not valid UTF-8 text (UTF-16 byte-order mark)"},
        {"latin1.html", "<p>caf\xE9</p>", std::nullopt, 0, "not valid UTF-8 text"},
        // Names that are not UTF-8 are kept as they are.
        {"caf\xE9 menu.txt", "two words", std::nullopt, 2, std::nullopt},
        {"bad\x80\xFFname.html", "<p>one <b>two</b></p>", std::nullopt, 2, std::nullopt},
        {"comma.json", R"({"a": [1,, 2]})", std::nullopt, 0, notJson + "invalid value at offset 9"},
        {"arrays.json", repeat("[", deep) + R"("two words")" + repeat("]", deep), std::nullopt, 0,
         notJson + "nested more than 100000 levels deep at offset 100000"},
        {"objects.json", repeat(R"({"a":)", deep) + "1" + repeat("}", deep), std::nullopt, 0,
         notJson + "nested more than 100000 levels deep at offset 500000"},
        {"unclosed.json", repeat("[", deep), std::nullopt, 0,
         notJson + "nested more than 100000 levels deep at offset 100000"},
        {"zero-length.pdf", "", std::nullopt, 0, notPdf},
        {"garbage.pdf", "%PDF-1.7\n" + noise(4096), std::nullopt, 0, notPdf},
        {"header-only.pdf", "%PDF-1.4\n%%EOF\n", std::nullopt, 0, notPdf},
        // The PDF library takes about half a second to give up on these 39 kB.
        {"slow-repair.pdf", readFile(dataFile("hostile/slow-repair.pdf")), std::nullopt, 0, notPdf},
        {"locked.pdf", readFile(dataFile("pdf/locked.pdf")), 1, 0,
         "locked by a password: pages shown, text not read"},
        {"scan.pdf", makePdf({textPage({"two words"}), "", ""}), 3, 2, "no text on 2 of 3 pages"},
        {"honest.pdf", tinyPdf("1"), 1, 3, std::nullopt},
        {"memo.doc", "", 1, 0, "legacy DOC format is not read"},
        {"text.mp3", "This is a text file.", std::nullopt, 0, noDuration},
        {"zero-byte.mp3", "", std::nullopt, 0, noDuration},
        {"text.wav", "RIFF but not really", std::nullopt, 0, noDuration},
        {"noise.mp4", noise(64 * 1024), std::nullopt, 0, noDuration},
        // One second of 16-bit samples, whose header claims an absurd length.
        {"absurd-1.wav", wav(8000, 8000, 0x7FFFFFF0u, 2), std::nullopt, 2, std::nullopt, 1.0 / 60.0},
        {"absurd-2.wav", wav(8000, 8000, 0xFFFFFFF0u, 2), std::nullopt, 2, std::nullopt, 1.0 / 60.0},
        {"absurd-3.wav", wav(8000, 8000, 0xFFFFFFFFu, 2), std::nullopt, 2, std::nullopt, 1.0 / 60.0},
        // Holes of zero bytes: one line of 500 MB, and 100000 unclosed "<a" then a gigabyte, where
        // nothing is a tag and the last word runs on to the end of the file.
        {"one-line.txt", "a single line of text", std::nullopt, 5, std::nullopt, {}, 500 << 20},
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
        expectDocument(record, c.name, c.pages, c.words);
        EXPECT_EQ(record.note, c.note);
        EXPECT_FALSE(record.unreadable);
        EXPECT_EQ(record.duration.has_value(), c.minutes.has_value());
        EXPECT_NEAR(record.duration.value_or(0), c.minutes.value_or(0), 1e-12);
    }
    EXPECT_EQ(takeErrorLines(), std::vector<std::string>{});

    writeFile(in / "liar.mp3", liar.substr(0, 16384));
    const FileInfo lying = intake(in / "liar.mp3");
    EXPECT_GT(lying.duration.value_or(0), 800); // as the header states: only the note tells
    EXPECT_EQ(lying.note, "header states 913m 2s, but 16 KiB holds at most 0m 16s at 8 kbit/s");
    const FileInfo unpaged =
        intake(zipFile("r\xC3sum\xE9.docx", docxEntries(paragraph("three words"), "many")));
    expectDocument(unpaged, "r\xC3sum\xE9.docx", 1, 2);
    EXPECT_EQ(unpaged.note, "page count not stored by the authoring program (1 shown)");
    const FileInfo named =
        intake(zipFile("r\xC3sum\xE9-2.docx", docxEntries(paragraph("three counted words"), "2")));
    expectDocument(named, "r\xC3sum\xE9-2.docx", 2, 3);
    writeFile(in / "plain.pptx", "not a container");
    const FileInfo plain = intake(in / "plain.pptx");
    const std::vector<std::string> written = takeErrorLines();
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(plain.note, written[0]); // the note is the error line
}

TEST_F(HostileInputTest, DamagedDocumentsGiveNoMoreThanTheyHold)
{
    // columns.pdf is one page of 528 words.
    const std::string whole = readFile(dataFile("pdf/columns.pdf"));
    std::string crlf; // a transfer in text mode: every offset and compressed stream is wrong
    for (const char c : whole) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    std::string scribbled = whole;
    scribbled.replace(scribbled.find("stream") + 8, 200, noise(200, 3));
    struct Case
    {
        std::string name, bytes;
        std::int64_t maxPages, maxWordsPerPage;
    };
    const std::vector<Case> cases{
        {"cut-early.pdf", whole.substr(0, whole.size() / 20), 1, 528},
        {"truncated.pdf", whole.substr(0, whole.size() / 2), 1, 528},
        {"cut-late.pdf", whole.substr(0, whole.size() * 999 / 1000), 1, 528},
        {"text-mode-transfer.pdf", crlf, 1, 528},
        {"scribbled.pdf", scribbled, 1, 528},
        // A page tree that claims two thousand million pages, or a thousand references to one page
        // that claim a thousand million, is never walked.
        {"claims-int-max.pdf", tinyPdf("2147483647"), 1000, 3},
        {"claims-beyond-int.pdf", tinyPdf("99999999999999999999"), 1000, 3},
        {"thousand-kids.pdf", tinyPdf("1000000000", "[" + repeat("3 0 R ", 1000) + "]"), 1000, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(in / c.name, c.bytes);
        const FileInfo record = intake(in / c.name);
        EXPECT_EQ(record.fileType, "PDF");
        EXPECT_LE(record.pages.value_or(0), c.maxPages);
        EXPECT_GE(record.words, 0);
        EXPECT_LE(record.words, c.maxWordsPerPage * record.pages.value_or(0));
    }
    EXPECT_EQ(takeErrorLines(), std::vector<std::string>{});

    // aac.mp4 is ten seconds of AAC with its "moov" atom at the end.
    const std::string movie = readFile(dataFile("media/aac.mp4"));
    const std::size_t moov = movie.find("moov");
    ASSERT_NE(moov, std::string::npos);
    std::vector<std::string> broken(4, movie);
    broken[0].resize(moov + 40);
    broken[1].replace(moov + 4, 60, std::string(60, '\xFF'));
    broken[2].replace(movie.find("mvhd"), 4, "xxxx");
    broken[3].replace(moov - 4, 4, std::string("\x7F\xFF\xFF\xFF", 4));
    for (const std::string& bytes : broken) {
        writeFile(in / "broken.mp4", bytes);
        const FileInfo record = intake(in / "broken.mp4");
        EXPECT_LE(record.duration.value_or(0.0), 10.0 / 60.0 + 1e-9);
        EXPECT_EQ(record.words, static_cast<std::int64_t>(record.duration.value_or(0.0) * 150.0));
        EXPECT_EQ(record.pages, std::nullopt);
    }
}

TEST_F(HostileInputTest, EntriesNamingPathsOutsideTheDirectoryLandInsideIt)
{
    const fs::path target = scratch.path() / "absolute";
    fs::create_directory(target);
    const std::vector<ZipEntry> escapes{{"../escaped.txt", "up one", {}},
                                        {"../../escaped.txt", "up two", {}},
                                        {"docProps/../../../escaped.txt", "through a part", {}},
                                        {(target / "planted.txt").native(), "absolute", {}}};
    auto docx = docxEntries(paragraph("three counted words"), "4");
    docx.insert(docx.end(), escapes.begin(), escapes.end());
    auto pptx = std::vector<ZipEntry>{slide(1, "two words")};
    pptx.insert(pptx.end(), escapes.begin(), escapes.end());

    expectDocument(intake(zipFile("escape.docx", docx)), "escape.docx", 4, 3);
    expectDocument(intake(zipFile("escape.pptx", pptx)), "escape.pptx", 1, 2);
    EXPECT_EQ(takeErrorLines(), std::vector<std::string>{});
    EXPECT_TRUE(fs::is_empty(target));
    for (const fs::path& below : {scratch.path(), tmp, in, scratch.path().parent_path()}) {
        EXPECT_FALSE(fs::exists(below / "escaped.txt")) << below;
    }
}

// A link as a part or a folder is refused by the readers (see their failure tables); here unzip
// must not write through a link either.
TEST_F(HostileInputTest, SymbolicLinksInAContainerAreNeverFollowed)
{
    const fs::path outside = scratch.path() / "outside";
    fs::create_directories(outside);
    writeFile(outside / "victim.xml", appProperties("99"));

    // A link to a folder outside, then an entry below the link.
    auto through = docxEntries(paragraph("one two"));
    through.push_back(symlinkEntry("media", outside.native()));
    through.push_back({"media/planted.xml", "planted", {}});
    expectDocument(intake(zipFile("write-through.docx", through)), "write-through.docx", 1, 2);
    EXPECT_EQ(takeErrorLines(), std::vector<std::string>{});

    // A link, then a regular entry of the same name.
    auto twice = docxEntries(paragraph("one two"));
    twice[2] = symlinkEntry("docProps/app.xml", (outside / "victim.xml").native());
    twice.push_back({"docProps/bpp.xml", appProperties("7"), {}});
    const auto replaced = zipFile("overwrite-through.docx", twice);
    patchBytes(replaced, "docProps/bpp.xml", "docProps/app.xml");
    expectDocument(intake(replaced), "overwrite-through.docx", std::nullopt, 0);
    expectErrorLine(takeErrorLines(), "DOCX", "docProps/app.xml is a symbolic link");

    EXPECT_EQ(readFile(outside / "victim.xml"), appProperties("99"));
    EXPECT_EQ(std::distance(fs::directory_iterator(outside), fs::directory_iterator()), 1);
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

    expectDocument(intake(secretDocx), "secret.docx", std::nullopt, 0);
    expectErrorLine(takeErrorLines(), "DOCX", "cannot read docProps/app.xml");
    expectDocument(intake(secretPptx), "secret.pptx", std::nullopt, 0);
    expectErrorLine(takeErrorLines(), "PPTX", "cannot list ppt/slides");
    expectDocument(intake(twice), "twice.docx", 3, 2); // the first app.xml is kept
    EXPECT_EQ(takeErrorLines(), std::vector<std::string>{});
}

TEST_F(HostileInputTest, ACompressionBombIsRefusedWithTheErrorLine)
{
    // Each entry states 2 GiB: 8 GiB in all from a file of a few kilobytes.
    const auto docx = zipFile("bomb.docx", docxEntries(paragraph("one two")));
    stateUncompressedSize(docx, 0x7FFFFFFF);
    const auto pptx = zipFile("bomb.pptx", {slide(1, "a"),
                                            slide(2, "b"),
                                            {"ppt/media/image1.png", "png", {}},
                                            {"ppt/media/image2.png", "png", {}}});
    stateUncompressedSize(pptx, 0x7FFFFFFF);

    expectDocument(intake(docx), "bomb.docx", std::nullopt, 0);
    expectErrorLine(takeErrorLines(), "DOCX",
                    "refusing to unpack " + docx.native() +
                        ": its entries add up to 8.0 GiB, more than the 1.0 GiB allowed for its size");
    expectDocument(intake(pptx), "bomb.pptx", std::nullopt, 0);
    expectErrorLine(takeErrorLines(), "PPTX", "its entries add up to 8.0 GiB");
}

TEST_F(HostileInputTest, AContainerOfTooManyEntriesIsRefusedBeforeUnpacking)
{
    // Empty entries cost no bytes, but each is a file to create and to delete again.
    std::vector<ZipEntry> entries{slide(1, "a")};
    for (int i = 0; i < 20'000; ++i) {
        entries.push_back({"ppt/media/empty" + std::to_string(i), "", {}});
    }
    const auto pptx = zipFile("many.pptx", entries);
    expectDocument(intake(pptx), "many.pptx", std::nullopt, 0);
    expectErrorLine(takeErrorLines(), "PPTX",
                    "refusing to unpack " + pptx.native() +
                        ": it holds 20001 entries, more than the 20000 allowed");
}

// What each kind of file gives when it cannot be read at all.
struct Unreadable
{
    std::string ext;
    std::optional<std::int64_t> pages;
    bool errorLine;
};

const std::vector<Unreadable> everyExtension{
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
        {"folder.", "Is a directory"},   {"pipe.", "not a regular file"},
        {"null.", "not a regular file"}, {"zero.", "not a regular file"}, // endless if it were read
        {"node.", "not a regular file"}, {"gone.", "No such file or directory"}};
    for (const Unreadable& kind : everyExtension) {
        fs::create_directory(in / ("folder." + kind.ext));
        ASSERT_EQ(::mkfifo((in / ("pipe." + kind.ext)).c_str(), 0600), 0);
        fs::create_symlink("/dev/null", in / ("null." + kind.ext));
        fs::create_symlink("/dev/zero", in / ("zero." + kind.ext));
        if (::geteuid() == 0) {
            ASSERT_EQ(::mknod((in / ("node." + kind.ext)).c_str(), S_IFCHR | 0600, ::makedev(1, 5)), 0);
        }
        for (const auto& [stem, reason] : stems) {
            const std::string name = stem + kind.ext;
            if (stem == "node." && ::geteuid() != 0) {
                continue;
            }
            SCOPED_TRACE(name);
            const FileInfo record = intake(in / name);
            expectDocument(record, name, kind.pages, 0);
            EXPECT_TRUE(record.unreadable);
            EXPECT_EQ(record.note, stem == "gone." ? "file not found" : "not a regular file");
            const auto written = takeErrorLines();
            if (kind.errorLine) {
                expectErrorLine(written, record.fileType, reason);
            } else {
                EXPECT_EQ(written, std::vector<std::string>{});
            }
        }
    }
}

TEST_F(HostileInputTest, FilesWithoutReadPermissionGiveEmptyRecords)
{
    // Root reads any file, so as root the program runs as nobody.
    std::optional<uid_t> user;
    if (::geteuid() == 0) {
        user = 65534;
        fs::permissions(scratch.path(), fs::perms::owner_all | fs::perms::others_exec);
        fs::permissions(in, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
        fs::permissions(tmp, fs::perms::all | fs::perms::sticky_bit);
    }
    std::vector<std::string> arguments{"--csv", "-j", "1"};
    std::vector<std::string> expected{"File Name,File Type,Duration (minutes),Pages,Words"};
    std::vector<std::string> errors{
        "Error processing DOCX file: cannot open " + (in / "secret.docx").native() + ": Permission denied",
        "Error processing PPTX file: cannot open " + (in / "secret.pptx").native() + ": Permission denied"};
    for (const Unreadable& kind : everyExtension) {
        const fs::path file = in / ("secret." + kind.ext);
        writeFile(file, "no one may read this");
        fs::permissions(file, fs::perms::none);
        arguments.push_back(file.native());
        std::string type = kind.ext;
        std::transform(type.begin(), type.end(), type.begin(), [](char c) { return std::toupper(c); });
        expected.push_back("secret." + kind.ext + "," + type + ",," +
                           (kind.pages ? std::to_string(*kind.pages) : "") + ",0");
        errors.push_back("pagetally-cli: " + file.native() + ": not readable: Permission denied");
    }
    writeFile(in / nextName, "the next file still counts");
    fs::permissions(in / nextName, fs::perms::owner_read | fs::perms::others_read);
    arguments.push_back((in / nextName).native());
    expected.push_back(std::string(nextName) + ",TXT,,," + std::to_string(nextWords));

    const CliRun run = runCli(arguments, scratch.path(), user);
    ASSERT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 1) << run.status << run.err;
    EXPECT_EQ(lines(run.out), expected);
    EXPECT_EQ(lines(run.err), errors);
}

TEST_F(HostileInputTest, AGigabyteOfTextIsCountedInLittleMemory)
{
    const auto file = sparseFile(in / "gigabyte.txt", "a gigabyte of text", std::int64_t(1) << 30);
    const CliRun run = runCli({"--csv", file.native()}, scratch.path());
    ASSERT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << run.err;
    EXPECT_EQ(lines(run.out).back(), "gigabyte.txt,TXT,,,4");
    std::cout << "peak memory for 1 GiB of text: " << run.peakKib / 1024 << " MiB\n";
    EXPECT_GT(run.peakKib, 0);
    EXPECT_LT(run.peakKib, 512 * 1024); // read in pieces; the whole file would be 1024 MiB
}
