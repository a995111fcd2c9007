// Hostile and broken input. Every case: the file gives its one record, the next file of the same
// intake is still analysed, nothing hangs, and no extraction directory is left behind.
#include "analysis/DocxAnalysis.h"
#include "analysis/DocxText.h"
#include "analysis/FileInfo.h"
#include "analysis/Intake.h"
#include "analysis/JsonAnalysis.h"
#include "analysis/OfficeArchive.h"
#include "analysis/PdfAnalysis.h"
#include "analysis/PptxAnalysis.h"
#include "analysis/WordCount.h"
#include "support/Bytes.h"
#include "support/HandMadePdf.h"
#include "support/OfficeZip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <grp.h>
#include <iostream>
#include <poll.h>
#include <pty.h>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

using namespace pagetally;
using namespace pagetally::test;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Runs `work`, and ends the test program when it runs far longer than any file may take, so
// that a hang fails the suite instead of stalling it.
template <class Work> auto watched(const std::string& what, Work&& work)
{
    auto done = std::async(std::launch::async, std::forward<Work>(work));
    if (done.wait_for(300s) != std::future_status::ready) {
        std::fprintf(stderr, "hung for 300 s on %s\n", what.c_str());
        std::_Exit(1);
    }
    return done.get();
}

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

// A file of `size` bytes that begins with `start` and holds nothing else: the rest is a hole,
// read back as zero bytes, so that a gigabyte costs no disk and no time to write.
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
        while (!line.empty() && line.back() == '\r') { // CSV ends lines in CR LF, a terminal adds a CR
            line.pop_back();
        }
        out.push_back(line);
    }
    return out;
}

bool contains(const std::vector<std::string>& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

// In a forked child: becomes the program `argv` names, or ends.
[[noreturn]] void execute(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
}

// What a child program printed on a pseudo-terminal that was its controlling terminal.
struct TerminalRun
{
    std::string output;
    bool exited = false;  // on its own, before the time ran out
    int status = 0;       // when it exited
    bool stopped = false; // killed because `stopWhen` appeared
};

// Runs `argv` as the leader of a new session whose controlling terminal is a fresh
// pseudo-terminal, as when a person starts a program from a terminal window, and reads what
// it writes there until it exits, `stopWhen` appears or `limit` runs out (it is killed then).
TerminalRun runUnderTerminal(const std::vector<std::string>& argv,
                             const std::string& stopWhen,
                             std::chrono::seconds limit)
{
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid < 0) {
        throw std::runtime_error("cannot open a pseudo-terminal");
    }
    if (pid == 0) {
        execute(argv);
    }
    TerminalRun run;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        pollfd readable{master, POLLIN, 0};
        if (::poll(&readable, 1, 100) > 0) {
            std::array<char, 4096> buffer{};
            const ssize_t n = ::read(master, buffer.data(), buffer.size());
            if (n > 0) {
                run.output.append(buffer.data(), static_cast<std::size_t>(n));
                if (!stopWhen.empty() && run.output.find(stopWhen) != std::string::npos) {
                    ::kill(pid, SIGKILL);
                    ::waitpid(pid, &run.status, 0);
                    run.stopped = true;
                    break;
                }
                continue;
            }
            // End of the terminal (EIO): every program on it has closed it.
            ::waitpid(pid, &run.status, 0);
            run.exited = true;
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &run.status, 0);
            break;
        }
    }
    ::close(master);
    return run;
}

// pagetally-cli's standard output and error, and with `measure` its peak memory.
struct CliRun
{
    std::string out;
    std::string err;
    int status = -1;
    long peakKib = 0;
};

// Runs pagetally-cli, as `uid` when that is given. Its peak memory is taken by GNU time, which
// starts it from a small process of its own: a child forked from this test would count the
// test's memory as its own peak.
// Copies of pagetally-cli and the PDF helper under `scratch`, laid out as installed: another
// user may not reach the build tree (a checkout in a private temporary directory).
std::string copiesForAnotherUser(const fs::path& scratch)
{
    const fs::path cli = scratch / "bin" / "pagetally-cli";
    const fs::path helper = scratch / "libexec" / "pagetally" / "pagetally-pdf";
    fs::create_directories(helper.parent_path());
    fs::create_directories(cli.parent_path());
    fs::copy_file(PAGETALLY_CLI, cli, fs::copy_options::overwrite_existing);
    fs::copy_file(pdfHelperProgram(), helper, fs::copy_options::overwrite_existing);
    for (const fs::path& made : {scratch / "bin", scratch / "libexec", helper.parent_path(), cli, helper}) {
        fs::permissions(made, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
    }
    return cli.native();
}

CliRun runCli(const std::vector<std::string>& arguments,
              const fs::path& scratch,
              std::optional<uid_t> uid = {},
              bool measure = false)
{
    const fs::path outFile = scratch / "cli.out";
    const fs::path errFile = scratch / "cli.err";
    const fs::path peakFile = scratch / "cli.peak";
    const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    std::vector<std::string> argv;
    if (measure) {
        argv = {"/usr/bin/time", "-f", "%M", "-o", peakFile.native()};
    }
    argv.push_back(uid ? copiesForAnotherUser(scratch) : std::string(PAGETALLY_CLI));
    argv.insert(argv.end(), arguments.begin(), arguments.end());

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        if (uid && (::setgroups(0, nullptr) != 0 || ::setgid(*uid) != 0 || ::setuid(*uid) != 0)) {
            ::_exit(126);
        }
        execute(argv);
    }
    ::close(out);
    ::close(err);
    CliRun run;
    watched("pagetally-cli", [&] { ::waitpid(pid, &run.status, 0); });
    run.out = readFile(outFile);
    run.err = readFile(errFile);
    if (measure) {
        run.peakKib = std::atol(readFile(peakFile).c_str());
    }
    return run;
}

class HostileInputTest : public OfficeTest
{
protected:
    // The record of `hostile`, analysed in one intake with a good text file behind it, which
    // must still get its record.
    FileInfo intake(const fs::path& hostile)
    {
        const fs::path next = in / nextName;
        writeFile(next, "the next file still counts");
        std::vector<FileInfo> files;
        watched(hostile.native(), [&] { addFiles({hostile, next}, files, diagnostics); });
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
                    const std::string& type,
                    std::optional<std::int64_t> pages,
                    std::int64_t words)
{
    EXPECT_EQ(record.fileName, name);
    EXPECT_EQ(record.fileType, type);
    EXPECT_FALSE(record.duration.has_value()) << name;
    EXPECT_EQ(record.pages, pages) << name;
    EXPECT_EQ(record.words, words) << name;
}

// One line, "Error processing DOCX file: " (or PPTX) and a reason that includes `reason`.
void expectErrorLine(const std::vector<std::string>& written,
                     const std::string& type,
                     const std::string& reason)
{
    ASSERT_EQ(written.size(), 1u) << ::testing::PrintToString(written);
    const std::string start = "Error processing " + type + " file: ";
    EXPECT_TRUE(written[0].starts_with(start)) << written[0];
    EXPECT_NE(written[0].find(reason), std::string::npos) << written[0];
}

} // namespace

TEST_F(HostileInputTest, EmptyGarbageSlowToRepairAndEncryptedPdfsGiveTheirExactRecords)
{
    const std::vector<std::tuple<std::string, std::string, std::optional<std::int64_t>>> cases{
        {"zero-length.pdf", "", std::nullopt},
        {"garbage-after-header.pdf", "%PDF-1.7\n" + noise(4096), std::nullopt},
        {"header-only.pdf", "%PDF-1.4\n%%EOF\n", std::nullopt},
        // Found by fuzz_process_file: the PDF library takes about half a second to give up on
        // these 39 kB, and four copies in a row take it seconds (see tests/data/README.md).
        {"slow-repair.pdf", readFile(dataFile("hostile/slow-repair.pdf")), std::nullopt},
        // A user password: the pages, but no words.
        {"locked.pdf", readFile(dataFile("pdf/locked.pdf")), 1},
    };
    for (const auto& [name, bytes, pages] : cases) {
        SCOPED_TRACE(name);
        writeFile(in / name, bytes);
        expectDocument(intake(in / name), name, "PDF", pages, 0);
    }
    EXPECT_EQ(takeErrorLines(), std::vector<std::string>{});
}

TEST_F(HostileInputTest, DamagedPdfsGiveNoMoreThanTheyHold)
{
    // columns.pdf is one page of 528 words.
    const std::string whole = readFile(dataFile("pdf/columns.pdf"));
    // A download cut off half-way.
    for (const auto& [name, fraction] :
         {std::pair{"cut-early.pdf", 0.05}, {"truncated.pdf", 0.5}, {"cut-late.pdf", 0.999}}) {
        writeFile(in / name, whole.substr(0, static_cast<std::size_t>(whole.size() * fraction)));
    }
    // What a transfer in text mode does: every line feed became CR LF, so every offset of the
    // cross-reference table and every compressed stream is wrong.
    std::string crlf;
    for (const char c : whole) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    writeFile(in / "text-mode-transfer.pdf", crlf);
    // Garbage in the middle of the page's content stream.
    std::string scribbled = whole;
    const std::size_t stream = scribbled.find("stream");
    ASSERT_NE(stream, std::string::npos);
    scribbled.replace(stream + 8, 200, noise(200, 3));
    writeFile(in / "scribbled.pdf", scribbled);

    for (const std::string name :
         {"cut-early.pdf", "truncated.pdf", "cut-late.pdf", "text-mode-transfer.pdf", "scribbled.pdf"}) {
        SCOPED_TRACE(name);
        const FileInfo record = intake(in / name);
        EXPECT_EQ(record.fileType, "PDF");
        EXPECT_FALSE(record.duration.has_value());
        EXPECT_LE(record.pages.value_or(0), 1);
        EXPECT_GE(record.words, 0);
        EXPECT_LE(record.words, 528);
        if (!record.pages) {
            EXPECT_EQ(record.words, 0);
        }
    }
    EXPECT_EQ(takeErrorLines(), std::vector<std::string>{});
}

TEST_F(HostileInputTest, AHugePageCountClaimedByATinyPdfIsNeverWalked)
{
    writeFile(in / "honest.pdf", tinyPdf("1"));
    expectDocument(intake(in / "honest.pdf"), "honest.pdf", "PDF", 1, 3);

    // The one page claims to be two thousand million; then a thousand references to one page
    // claim a thousand million.
    writeFile(in / "claims-int-max.pdf", tinyPdf("2147483647"));
    writeFile(in / "claims-beyond-int.pdf", tinyPdf("99999999999999999999"));
    writeFile(in / "thousand-kids.pdf", tinyPdf("1000000000", "[" + repeat("3 0 R ", 1000) + "]"));
    for (const std::string name : {"claims-int-max.pdf", "claims-beyond-int.pdf", "thousand-kids.pdf"}) {
        SCOPED_TRACE(name);
        const FileInfo record = intake(in / name);
        EXPECT_LE(record.pages.value_or(0), 1000);
        EXPECT_LE(record.words, 3 * record.pages.value_or(0));
    }
}

TEST_F(HostileInputTest, FilesThatAreNoContainerGiveTheErrorLine)
{
    for (const auto& [name, type] : {std::pair{"plain.docx", "DOCX"}, std::pair{"plain.pptx", "PPTX"}}) {
        SCOPED_TRACE(name);
        writeFile(in / name, "This is plain text that was given the wrong name.\n");
        expectDocument(intake(in / name), name, type, std::nullopt, 0);
        expectErrorLine(takeErrorLines(), type, "cannot ");
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

    expectDocument(intake(zipFile("escape.docx", docx)), "escape.docx", "DOCX", 4, 3);
    expectDocument(intake(zipFile("escape.pptx", pptx)), "escape.pptx", "PPTX", 1, 2);
    EXPECT_EQ(takeErrorLines(), std::vector<std::string>{});
    EXPECT_TRUE(fs::is_empty(target));
    for (const fs::path& below : {scratch.path(), tmp, in, scratch.path().parent_path()}) {
        EXPECT_FALSE(fs::exists(below / "escaped.txt")) << below;
    }
}

TEST_F(HostileInputTest, SymbolicLinksInAContainerAreNeverFollowed)
{
    const fs::path outside = scratch.path() / "outside";
    fs::create_directories(outside / "slides");
    writeFile(outside / "victim.xml", appProperties("99"));
    writeFile(outside / "slides" / "slide1.xml", slideXml("words from outside"));
    const auto untouched = [&] {
        EXPECT_EQ(readFile(outside / "victim.xml"), appProperties("99"));
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(outside)) {
            names.push_back(entry.path().lexically_relative(outside).native());
        }
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"slides", "slides/slide1.xml", "victim.xml"}));
    };

    // The part itself is a link to a file outside.
    auto linked = docxEntries(paragraph("one two"));
    linked[2] = symlinkEntry("docProps/app.xml", (outside / "victim.xml").native());
    expectDocument(intake(zipFile("linked-part.docx", linked)), "linked-part.docx", "DOCX", std::nullopt, 0);
    expectErrorLine(takeErrorLines(), "DOCX", "docProps/app.xml is a symbolic link");

    // The slides folder is a link to a folder outside.
    const auto slides =
        zipFile("linked-folder.pptx", {symlinkEntry("ppt/slides", (outside / "slides").native())});
    expectDocument(intake(slides), "linked-folder.pptx", "PPTX", std::nullopt, 0);
    expectErrorLine(takeErrorLines(), "PPTX", "ppt/slides is a symbolic link");

    // A link to a folder outside, then an entry below the link: unzip must not write through it.
    auto through = docxEntries(paragraph("one two"));
    through.push_back(symlinkEntry("media", outside.native()));
    through.push_back({"media/planted.xml", "planted", {}});
    expectDocument(intake(zipFile("write-through.docx", through)), "write-through.docx", "DOCX", 1, 2);
    EXPECT_EQ(takeErrorLines(), std::vector<std::string>{});

    // A link, then a regular entry of the same name: unzip must not replace the file it points to.
    auto twice = docxEntries(paragraph("one two"));
    twice[2] = symlinkEntry("docProps/app.xml", (outside / "victim.xml").native());
    twice.push_back({"docProps/bpp.xml", appProperties("7"), {}});
    const auto replaced = zipFile("overwrite-through.docx", twice);
    patchBytes(replaced, "docProps/bpp.xml", "docProps/app.xml");
    expectDocument(intake(replaced), "overwrite-through.docx", "DOCX", std::nullopt, 0);
    expectErrorLine(takeErrorLines(), "DOCX", "docProps/app.xml is a symbolic link");

    untouched();
}

TEST_F(HostileInputTest, UnzipItselfWouldWaitOnTheTerminalForAPassword)
{
    // Shows that the next test can fail: started plainly from a terminal, unzip asks there.
    // (The entry must hold at least the 12 bytes of an encryption header, or unzip skips it.)
    const auto secret = zipFile("secret.docx", {{"docProps/app.xml", noise(100), {}}});
    markEncrypted(secret);
    const fs::path target = scratch.path() / "plain-unzip";
    const TerminalRun run = runUnderTerminal(
        {defaultUnzipProgram, "-q", secret.native(), "-d", target.native()}, "password:", 20s);
    EXPECT_TRUE(run.stopped) << run.output;
    fs::remove_all(target);
}

TEST_F(HostileInputTest, PasswordsAndDuplicateNamesNeverWaitForAnAnswerOnTheTerminal)
{
    const auto secretDocx = zipFile("secret.docx", docxEntries(paragraph("locked words")));
    markEncrypted(secretDocx);
    const auto secretPptx = zipFile("secret.pptx", {slide(1, "locked words")});
    markEncrypted(secretPptx);
    // Two entries named docProps/app.xml: unzip asks whether to replace the first.
    auto entries = docxEntries(paragraph("one two"), "3");
    entries.push_back({"docProps/bpp.xml", appProperties("5"), {}});
    const auto twice = zipFile("twice.docx", entries);
    patchBytes(twice, "docProps/bpp.xml", "docProps/app.xml");
    writeFile(in / nextName, "the next file still counts");

    const TerminalRun run = runUnderTerminal({PAGETALLY_CLI, "--csv", "-j", "1", secretDocx.native(),
                                              secretPptx.native(), twice.native(), (in / nextName).native()},
                                             "", 120s);
    ASSERT_TRUE(run.exited) << "still running after two minutes:\n" << run.output;
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << run.output;
    const auto printed = lines(run.output);
    EXPECT_TRUE(contains(printed, "secret.docx,DOCX,,,0")) << run.output;
    EXPECT_TRUE(contains(printed, "secret.pptx,PPTX,,,0")) << run.output;
    EXPECT_TRUE(contains(printed, "twice.docx,DOCX,,3,2")) << run.output;
    EXPECT_TRUE(contains(printed, std::string(nextName) + ",TXT,,," + std::to_string(nextWords)))
        << run.output;
    EXPECT_EQ(run.output.find("password:"), std::string::npos) << run.output;
    // unzip does ask whether to replace the first app.xml, but reads end of input at once and
    // keeps it (3 pages, not 5).
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

    expectDocument(intake(docx), "bomb.docx", "DOCX", std::nullopt, 0);
    expectErrorLine(takeErrorLines(), "DOCX",
                    "refusing to unpack " + docx.native() +
                        ": its entries add up to 8.0 GiB, more than the 1.0 GiB allowed for its size");
    expectDocument(intake(pptx), "bomb.pptx", "PPTX", std::nullopt, 0);
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
    expectDocument(intake(pptx), "many.pptx", "PPTX", std::nullopt, 0);
    expectErrorLine(takeErrorLines(), "PPTX",
                    "refusing to unpack " + pptx.native() +
                        ": it holds 20001 entries, more than the 20000 allowed");
}

TEST_F(HostileInputTest, AContainerThatInflatesBeyondWhatItDeclaresIsStoppedWhileUnpacking)
{
    const ExtractionLimits small{.floor = std::uint64_t(1) << 20, .ratio = 1, .freeSpaceMargin = 0};
    const std::string zeros(std::size_t(16) << 20, '\0');
    const auto honest = zipFile("honest.docx", {{"media/zeros.bin", zeros, {}}});
    const auto lying = zipFile("lying.docx", {{"media/zeros.bin", zeros, {}}});
    stateUncompressedSize(lying, 1000);

    const auto refusal = [&](const fs::path& file) {
        try {
            extractOfficeArchive(file, defaultUnzipProgram, small);
        } catch (const std::runtime_error& error) {
            return std::string(error.what());
        }
        return std::string("no failure");
    };
    EXPECT_EQ(refusal(honest),
              "refusing to unpack " + honest.native() +
                  ": its entries add up to 16.0 MiB, more than the 1.0 MiB allowed for its size");
    EXPECT_EQ(refusal(lying), "refusing to unpack " + lying.native() +
                                  ": it unpacks to more than the 1.0 MiB allowed for its size");
    EXPECT_EQ(leftovers(), std::vector<std::string>{});

    // Within the limits both unpack; the lying one writes what its data inflates to.
    const ExtractionLimits roomy{.floor = std::uint64_t(32) << 20, .ratio = 1, .freeSpaceMargin = 0};
    for (const fs::path& file : {honest, lying}) {
        const ExtractionDirectory extracted = extractOfficeArchive(file, defaultUnzipProgram, roomy);
        EXPECT_EQ(fs::file_size(extracted.path() / "media/zeros.bin"), zeros.size());
    }
}

TEST_F(HostileInputTest, AContainerMustLeaveAMarginOfFreeSpace)
{
    const auto file = zipFile("fine.docx", {{"a.txt", "ab", {}}});
    const ExtractionLimits greedy{.freeSpaceMargin = std::uint64_t(1) << 62};
    try {
        extractOfficeArchive(file, defaultUnzipProgram, greedy);
        ADD_FAILURE() << "no failure";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(
            std::string(error.what()),
            "refusing to unpack " + file.native() +
                ": its entries add up to 2 bytes, more than 0 bytes, which would leave less than 4.0 EiB "
                "free in the temporary directory");
    }
}

TEST(ExtractionAllowance, IsTheLargerOfTheFloorAndTheRatioWithinTheFreeSpace)
{
    constexpr std::uint64_t MiB = std::uint64_t(1) << 20;
    constexpr std::uint64_t GiB = std::uint64_t(1) << 30;
    constexpr std::uint64_t plenty = std::uint64_t(1) << 50;
    constexpr std::uint64_t all = UINT64_MAX;
    const ExtractionLimits limits;
    struct Case
    {
        std::uint64_t size, freeSpace, allowance;
    };
    for (const Case& c : std::vector<Case>{
             {0, plenty, GiB},                 // an empty file: the floor
             {MiB, plenty, GiB},               // 100 MiB is below the floor
             {20 * MiB, plenty, 2000 * MiB},   // above it: a hundred times the size
             {200 * MiB, plenty, 20000 * MiB}, // a large presentation of media
             {MiB, GiB, 768 * MiB},            // the free space less the 256 MiB margin
             {MiB, 200 * MiB, 0},              // less free than the margin: nothing
             {all / 2, all, all - 256 * MiB},  // no overflow
         }) {
        EXPECT_EQ(extractionAllowance(c.size, c.freeSpace, limits), c.allowance)
            << c.size << " " << c.freeSpace;
    }
}

TEST_F(HostileInputTest, JsonNestedAMillionLevelsDeepIsAParseFailure)
{
    const std::size_t deep = 1'000'000;
    const std::vector<std::pair<std::string, std::string>> cases{
        {"arrays.json", repeat("[", deep) + R"("two words")" + repeat("]", deep)},
        {"objects.json", repeat(R"({"a":)", deep) + "1" + repeat("}", deep)},
        {"unclosed.json", repeat("[", deep)},
    };
    for (const auto& [name, text] : cases) {
        SCOPED_TRACE(name);
        writeFile(in / name, text);
        expectDocument(intake(in / name), name, "JSON", std::nullopt, 0);
    }
}

TEST_F(HostileInputTest, AGigabyteOfHtmlWithoutAnyClosingBracketIsText)
{
    // 100000 unclosed "<a", two words, then a gigabyte of zero bytes (a hole): nothing is a
    // tag, so every "<a" is a word, and the last word runs on to the end of the file.
    const auto file =
        sparseFile(in / "unclosed.html", repeat("<a ", 100'000) + "two words", std::int64_t(1) << 30);
    expectDocument(intake(file), "unclosed.html", "HTML", std::nullopt, 100'002);
}

TEST_F(HostileInputTest, ATextFileThatIsOneLineOf500MegabytesIsCounted)
{
    const auto file = sparseFile(in / "one-line.txt", "a single line of text", 500 << 20);
    expectDocument(intake(file), "one-line.txt", "TXT", std::nullopt, 5);
}

TEST_F(HostileInputTest, NamesThatAreNotUtf8AreKeptAsTheyAre)
{
    const std::string latin1 = "caf\xE9 menu.txt";
    const std::string cut = "r\xC3sum\xE9.docx";
    const std::string stray = "bad\x80\xFFname.html";
    writeFile(in / latin1, "two words");
    zipFile(cut, docxEntries(paragraph("three counted words"), "2"));
    writeFile(in / stray, "<p>one <b>two</b></p>");
    expectDocument(intake(in / latin1), latin1, "TXT", std::nullopt, 2);
    expectDocument(intake(in / cut), cut, "DOCX", 2, 3);
    expectDocument(intake(in / stray), stray, "HTML", std::nullopt, 2);
    EXPECT_EQ(takeErrorLines(), std::vector<std::string>{});
}

// What each kind of file gives when it cannot be read at all.
struct Unreadable
{
    std::string ext;
    std::string type;
    std::optional<std::int64_t> pages;
    bool errorLine;
};

const std::vector<Unreadable> everyExtension{
    {"txt", "TXT", std::nullopt, false},
    {"html", "HTML", std::nullopt, false},
    {"json", "JSON", std::nullopt, false},
    {"pdf", "PDF", std::nullopt, false},
    {"docx", "DOCX", std::nullopt, true},
    {"pptx", "PPTX", std::nullopt, true},
    {"doc", "DOC", 1, false},
    {"mp3", "MP3", std::nullopt, false},
    {"mp4", "MP4", std::nullopt, false},
    {"wav", "WAV", std::nullopt, false},
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
        writeFile(in / ("gone." + kind.ext), "listed, then removed");
        fs::remove(in / ("gone." + kind.ext));
        for (const auto& [stem, reason] : stems) {
            const std::string name = stem + kind.ext;
            if (stem == "node." && ::geteuid() != 0) {
                continue;
            }
            SCOPED_TRACE(name);
            const FileInfo record = intake(in / name);
            expectDocument(record, name, kind.type, kind.pages, 0);
            EXPECT_TRUE(record.unreadable);
            EXPECT_EQ(record.note, stem == "gone." ? "file not found" : "not a regular file");
            const auto written = takeErrorLines();
            if (kind.errorLine) {
                expectErrorLine(written, kind.type, reason);
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
    for (const Unreadable& kind : everyExtension) {
        const fs::path file = in / ("secret." + kind.ext);
        writeFile(file, "no one may read this");
        fs::permissions(file, fs::perms::none);
        arguments.push_back(file.native());
    }
    writeFile(in / nextName, "the next file still counts");
    fs::permissions(in / nextName, fs::perms::owner_read | fs::perms::others_read);
    arguments.push_back((in / nextName).native());

    const CliRun run = runCli(arguments, scratch.path(), user);
    ASSERT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 1) << run.status << run.err;
    std::vector<std::string> expected{"File Name,File Type,Duration (minutes),Pages,Words"};
    std::vector<std::string> errors{
        "Error processing DOCX file: cannot open " + (in / "secret.docx").native() + ": Permission denied",
        "Error processing PPTX file: cannot open " + (in / "secret.pptx").native() + ": Permission denied"};
    for (const Unreadable& kind : everyExtension) {
        expected.push_back("secret." + kind.ext + "," + kind.type + ",," +
                           (kind.pages ? std::to_string(*kind.pages) : "") + ",0");
        errors.push_back("pagetally-cli: " + (in / ("secret." + kind.ext)).native() +
                         ": not readable: Permission denied");
    }
    expected.push_back(std::string(nextName) + ",TXT,,," + std::to_string(nextWords));
    EXPECT_EQ(lines(run.out), expected);
    EXPECT_EQ(lines(run.err), errors);
}

TEST_F(HostileInputTest, MediaThatIsEmptyOrNoMediaHasNoDuration)
{
    writeFile(in / "zero-byte.mp3", "");
    writeFile(in / "text.mp3", "This is a text file that was given the name of a song.\n");
    writeFile(in / "text.wav", "RIFF but not really");
    writeFile(in / "noise.mp4", noise(64 * 1024));
    for (const std::string name : {"zero-byte.mp3", "text.mp3", "text.wav", "noise.mp4"}) {
        SCOPED_TRACE(name);
        const FileInfo record = intake(in / name);
        EXPECT_FALSE(record.duration.has_value());
        EXPECT_EQ(record.pages, std::nullopt);
        EXPECT_EQ(record.words, 0);
    }
}

TEST_F(HostileInputTest, AWavWhoseHeaderClaimsAnAbsurdLengthGetsTheLengthItHolds)
{
    for (const std::uint32_t claimed : {0x7FFFFFF0u, 0xFFFFFFF0u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(claimed);
        writeFile(in / "absurd.wav", wav(8000, 8000, claimed, 2)); // one second of 16-bit samples
        const FileInfo record = intake(in / "absurd.wav");
        ASSERT_TRUE(record.duration.has_value());
        EXPECT_DOUBLE_EQ(*record.duration, 1.0 / 60.0); // the one second of samples it holds
        EXPECT_EQ(record.words, 2);
    }
}

TEST_F(HostileInputTest, AnMp4WithABrokenMovieHeaderIsNeverLongerThanItsSamples)
{
    // aac.mp4 is ten seconds of AAC with its "moov" atom at the end.
    const std::string whole = readFile(dataFile("media/aac.mp4"));
    const std::size_t moov = whole.find("moov");
    ASSERT_NE(moov, std::string::npos);
    std::string cut = whole.substr(0, moov + 40);
    std::string scribbled = whole;
    scribbled.replace(moov + 4, 60, std::string(60, '\xFF'));
    std::string renamed = whole;
    renamed.replace(whole.find("mvhd"), 4, "xxxx");
    std::string oversized = whole;
    oversized.replace(moov - 4, 4, std::string("\x7F\xFF\xFF\xFF", 4));
    const std::vector<std::pair<std::string, std::string>> cases{{"moov-cut.mp4", cut},
                                                                 {"moov-scribbled.mp4", scribbled},
                                                                 {"no-mvhd.mp4", renamed},
                                                                 {"moov-oversized.mp4", oversized}};
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        writeFile(in / name, bytes);
        const FileInfo record = intake(in / name);
        EXPECT_LE(record.duration.value_or(0.0), 10.0 / 60.0 + 1e-9);
        EXPECT_EQ(record.words, static_cast<std::int64_t>(record.duration.value_or(0.0) * 150.0));
        EXPECT_EQ(record.pages, std::nullopt);
    }
}

TEST_F(HostileInputTest, AGigabyteOfTextIsCountedInLittleMemory)
{
    const auto file = sparseFile(in / "gigabyte.txt", "a gigabyte of text", std::int64_t(1) << 30);
    const CliRun run = runCli({"--csv", file.native()}, scratch.path(), {}, true);
    ASSERT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << run.err;
    EXPECT_TRUE(contains(lines(run.out), "gigabyte.txt,TXT,,,4")) << run.out;
    std::cout << "peak memory for 1 GiB of text: " << run.peakKib / 1024 << " MiB\n";
    EXPECT_GT(run.peakKib, 0);
    EXPECT_LT(run.peakKib, 512 * 1024); // read in pieces; the whole file would be 1024 MiB
}

TEST_F(HostileInputTest, A200MegabytePresentationOfMediaIsUnpackedAndRemovedInLittleMemory)
{
    // Ten stored 20 MiB "videos" that do not compress, and three slides.
    std::string media(std::size_t(20) << 20, '\0');
    std::mt19937_64 random(11);
    for (std::size_t i = 0; i + 8 <= media.size(); i += 8) {
        const std::uint64_t value = random();
        std::memcpy(media.data() + i, &value, 8);
    }
    const fs::path file = in / "media.pptx";
    {
        int error = 0;
        zip_t* archive = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        ASSERT_NE(archive, nullptr);
        std::vector<std::string> slides;
        slides.reserve(3); // libzip keeps pointers into them until the archive is written
        for (int i = 1; i <= 3; ++i) {
            slides.push_back(slideXml("slide number " + std::to_string(i)));
            const std::string name = "ppt/slides/slide" + std::to_string(i) + ".xml";
            zip_file_add(archive, name.c_str(),
                         zip_source_buffer(archive, slides.back().data(), slides.back().size(), 0), 0);
        }
        for (int i = 1; i <= 10; ++i) {
            const std::string name = "ppt/media/media" + std::to_string(i) + ".mp4";
            const zip_int64_t index = zip_file_add(
                archive, name.c_str(), zip_source_buffer(archive, media.data(), media.size(), 0), 0);
            zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
        }
        ASSERT_EQ(zip_close(archive), 0);
    }
    media = std::string();
    ASSERT_GT(fs::file_size(file), std::uintmax_t(200) << 20);

    const CliRun run = runCli({"--csv", file.native()}, scratch.path(), {}, true);
    ASSERT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << run.err;
    EXPECT_TRUE(contains(lines(run.out), "media.pptx,PPTX,,3,9")) << run.out << run.err;
    std::cout << "peak memory for a 200 MiB presentation: " << run.peakKib / 1024 << " MiB\n";
    EXPECT_GT(run.peakKib, 0);
    EXPECT_LT(run.peakKib, 256 * 1024);
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
}

// Every fallback keeps its value and says why: a folder of the usual damaged files.
TEST_F(HostileInputTest, EveryValueThatIsNotAMeasurementCarriesItsReason)
{
    std::string liar = readFile(dataFile("media/vbr-xing.mp3"));
    const std::size_t xing = liar.find("Xing");
    ASSERT_NE(xing, std::string::npos);
    liar.replace(xing + 8, 4, std::string("\x00\x20\x00\x00", 4)); // two million frames
    fs::create_directory(in / "folder.pdf");
    struct Case
    {
        std::string name, bytes;
        std::optional<std::int64_t> pages;
        std::int64_t words;
        std::optional<std::string> note; // the start of the note
        bool unreadable = false;
    };
    const std::vector<Case> cases{
        {"fine.txt", "nothing wrong here", std::nullopt, 3, std::nullopt},
        {"missing.txt", "", std::nullopt, 0, "file not found", true},
        {"folder.pdf", "", std::nullopt, 0, "not a regular file", true},
        {"windows.txt", "\xFF\xFEh\0i\0", std::nullopt, 0, "not valid UTF-8 text (UTF-16 byte-order mark)"},
        {"latin1.html", "<p>caf\xE9</p>", std::nullopt, 0, "not valid UTF-8 text"},
        {"comma.json", R"({"a": [1,, 2]})", std::nullopt, 0, "not valid JSON: invalid value at offset 9"},
        {"garbage.pdf", "%PDF-1.7\n" + noise(4096), std::nullopt, 0, "cannot be opened as a PDF"},
        {"locked.pdf", readFile(dataFile("pdf/locked.pdf")), 1, 0,
         "locked by a password: pages shown, text not read"},
        {"scan.pdf", makePdf({textPage({"two words"}), "", ""}), 3, 2, "no text on 2 of 3 pages"},
        {"memo.doc", "", 1, 0, "legacy DOC format is not read"},
        {"text.mp3", "This is a text file.", std::nullopt, 0, "no readable duration"},
        {"liar.mp3", liar.substr(0, 16384), std::nullopt, 0,
         "header states 913m 2s, but 16 KiB holds at most 0m 16s at 8 kbit/s"},
    };
    for (const Case& c : cases) {
        if (c.name != "missing.txt" && c.name != "folder.pdf") {
            writeFile(in / c.name, c.bytes);
        }
    }
    zipFile("unpaged.docx", docxEntries(paragraph("three counted words"), "many"));
    writeFile(in / "plain.pptx", "not a container");

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FileInfo record = intake(in / c.name);
        if (c.name != "liar.mp3") {
            EXPECT_EQ(record.pages, c.pages);
            EXPECT_EQ(record.words, c.words);
        } else {
            EXPECT_GT(record.duration.value_or(0), 800); // as the header states: only the note tells
        }
        EXPECT_EQ(record.note, c.note);
        EXPECT_EQ(record.unreadable, c.unreadable);
    }
    EXPECT_EQ(takeErrorLines(), std::vector<std::string>{});

    const FileInfo unpaged = intake(in / "unpaged.docx");
    EXPECT_EQ(unpaged.pages, 1);
    EXPECT_EQ(unpaged.words, 3);
    EXPECT_EQ(unpaged.note, "page count not stored by the authoring program (1 shown)");
    const FileInfo plain = intake(in / "plain.pptx");
    EXPECT_EQ(plain.pages, std::nullopt);
    const std::vector<std::string> written = takeErrorLines();
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(plain.note, written[0]); // the note is the error line
}

// Each file under hostile/fuzz is named after the target that found it and must pass that
// target's check.
TEST(FuzzFindings, EveryFoundInputPassesItsTargetsCheck)
{
    const fs::path folder = dataFile("hostile/fuzz");
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().native();
        const std::string bytes = readFile(entry.path());
        SCOPED_TRACE(name);
        if (name.starts_with("fuzz_json-")) {
            const auto strings = collectJSONStrings(bytes);
            const auto words = countJSONWords(bytes);
            ASSERT_EQ(strings.has_value(), words.has_value());
            if (strings) {
                std::int64_t sum = 0;
                for (const auto& s : *strings) {
                    sum += countWords(s);
                }
                EXPECT_EQ(sum, *words);
            }
        } else if (name.starts_with("fuzz_docx_text-")) {
            (void)importDocxText(bytes);
        } else if (name.starts_with("fuzz_docx_pages-")) {
            EXPECT_GE(storedPageCount(bytes), 0);
        } else if (name.starts_with("fuzz_pptx_text-")) {
            EXPECT_EQ(countSlideWords(bytes), countWords(extractSlideText(bytes)));
        } else {
            ADD_FAILURE() << "no check for " << name;
        }
        ++checked;
    }
    EXPECT_GT(checked, 0);
}
