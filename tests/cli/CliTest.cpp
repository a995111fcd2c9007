// Runs the pagetally-cli binary as a user would and checks what it writes and its exit status.
#include "Version.h"
#include "analysis/intake/Formats.h"
#include "cli/Options.h"
#include "support/Bytes.h"
#include "support/LongPath.h"
#include "support/OfficeZip.h"
#include "support/Processes.h"
#include "support/TempDir.h"
#include "support/Zip.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>

using namespace std::chrono_literals;
using pagetally::test::startProgram;
using pagetally::test::TempDir;

namespace {

struct CliRun
{
    int status = -1;
    std::string out;
};

// Runs the CLI with `args` (shell syntax, redirections allowed) in the folder `in`; standard error
// goes to `errFile`. Without `readOutput` the pipe is closed unread, as by a reader that stops early.
CliRun
cli(const std::string& args, const std::string& errFile, const std::filesystem::path& in, bool readOutput)
{
    const std::string command =
        "cd '" + in.native() + "' && '" + PAGETALLY_CLI + "' " + args + " 2>'" + errFile + "'";
    CliRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    std::array<char, 4096> buffer{};
    std::size_t n;
    while (readOutput && (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        run.out.append(buffer.data(), n);
    }
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string usageError(const std::string& reason)
{
    return "pagetally-cli: " + reason + "\n\n" + pagetally::cli::usageText();
}

const std::string csvHeader = "File Name,File Type,Duration (minutes),Pages,Words\r\n";

} // namespace

TEST(Cli, WritesEachFormatAndExitStatusAndStandardErrorLine)
{
    TempDir dir;
    dir.write("b.txt", "one two three");
    dir.write("a.html", "<p>Hello <b>big</b> world</p>");
    dir.write("memo.doc", "");
    dir.write("say \"hi\", \x01.doc", "");
    dir.write("bad\xFF.txt", "x");
    dir.write("-x.txt", "dash named");
    dir.write("utf16.txt", std::string("\xFF\xFEh\0i\0", 6));
    for (const char* name : {"in/c.txt", "in/a.txt", "in/b-sub/z.txt", "in/b.txt", "in/skip.rtf"}) {
        std::filesystem::create_directories((dir.path() / name).parent_path());
        dir.write(name, std::string(1, std::filesystem::path(name).filename().native()[0]));
    }
    std::filesystem::create_directories(dir.path() / "clientA");
    std::filesystem::create_directories(dir.path() / "clientB");
    dir.write("clientA/chapter1.txt", "one two three four five");
    dir.write("clientB/chapter1.txt", "six");
    // More than a pipe holds, so the writer meets the closed end whenever it comes.
    std::filesystem::create_directories(dir.path() / "long");
    for (int i = 0; i < 100; ++i) {
        dir.write("long/" + std::string(240, '\x01') + std::to_string(i) + ".txt", "w");
    }
    const std::string errors = (dir.path() / "stderr").native();
    const std::string legacyDoc = ": legacy DOC format is not read\n";
    const std::string unreadUtf16 =
        "pagetally-cli: utf16.txt: not valid UTF-8 text (UTF-16 byte-order mark)\n";
    const struct
    {
        std::string args;
        int status;
        std::string err;
        std::optional<std::string> out = std::nullopt;
        bool readOutput = true;
    } cases[] = {
        {"b.txt a.html memo.doc", 0, "pagetally-cli: memo.doc" + legacyDoc,
         "File Name  File Type  Duration  Pages  Words\n"
         "memo.doc   DOC               -      1      0\n"
         "a.html     HTML              -      -      3\n"
         "b.txt      TXT               -      -      3\n"
         "Total:  Duration: 0m 0s  Pages: 1  Words: 6\n"},
        {"--json 'b.txt' 'say \"hi\", \x01.doc' 'bad\xFF.txt'", 0,
         "pagetally-cli: say \"hi\", \x01.doc" + legacyDoc,
         "{\"files\":[\n"
         "{\"fileName\":\"b.txt\",\"fileType\":\"TXT\",\"duration\":null,\"pages\":null,\"words\":3,"
         "\"note\":null},\n"
         "{\"fileName\":\"say \\\"hi\\\", \\u0001.doc\",\"fileType\":\"DOC\",\"duration\":null,"
         "\"pages\":1,\"words\":0,\"note\":\"legacy DOC format is not read\"},\n"
         "{\"fileName\":\"bad\xEF\xBF\xBD.txt\",\"fileType\":\"TXT\",\"duration\":null,\"pages\":null,"
         "\"words\":1,\"note\":null}],\n"
         "\"totals\":{\"duration\":0,\"pages\":1,\"words\":4}}\n"},
        {"--csv b.txt 'say \"hi\", \x01.doc'", 0, "pagetally-cli: say \"hi\", \x01.doc" + legacyDoc,
         csvHeader + "b.txt,TXT,,,3\r\n\"say \"\"hi\"\", \x01.doc\",DOC,,1,0\r\n"},
        // Names sorted at each level: "b-sub" comes before "b.txt" because "-" sorts before ".".
        {"--csv -r in", 0, "",
         csvHeader + "a.txt,TXT,,,1\r\nz.txt,TXT,,,1\r\nb.txt,TXT,,,1\r\nc.txt,TXT,,,1\r\n"},
        {"--csv -- -x.txt", 0, "", csvHeader + "-x.txt,TXT,,,2\r\n"},
        {"", 2, usageError("no files given")},
        {"--bogus x.txt", 2, usageError("unknown option --bogus")},
        {"--json --csv x.txt", 2, usageError("--json and --csv cannot be combined")},
        {"-j 0 x.txt", 2, usageError("option -j needs a positive number")},
        {"-j 40000 b.txt", 0, "",
         "File Name  File Type  Duration  Pages  Words\n"
         "b.txt      TXT               -      -      3\n"
         "Total:  Duration: 0m 0s  Pages: 0  Words: 3\n"},
        {"b.txt utf16.txt", 0, unreadUtf16},
        {"--csv missing.txt utf16.txt", 1, "pagetally-cli: missing.txt: file not found\n" + unreadUtf16},
        {"--json -r clientA clientB/", 0,
         "pagetally-cli: clientB/chapter1.txt: skipped, a file named chapter1.txt is already listed\n"},
        {"clientA", 0, "pagetally-cli: clientA: is a directory, skipped (use -r to include it)\n"},
        {"--json b.txt >/dev/full", 1, "pagetally-cli: cannot write the output: No space left on device\n"},
        {"b.txt >&-", 1, "pagetally-cli: cannot write the output: Bad file descriptor\n"},
        {"--json -r long", 1, "", std::nullopt, false},
        {"--help", 0, "", pagetally::cli::usageText()},
        {"--version", 0, "",
         std::string("pagetally-cli ").append(pagetally::applicationVersion).append("\n")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const CliRun run = cli(c.args, errors, dir.path(), c.readOutput);
        EXPECT_EQ(run.status, c.status);
        std::ifstream err(errors, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(err), {}), c.err);
        if (c.out) {
            EXPECT_EQ(run.out, *c.out);
        }
    }
}

TEST(Cli, HelpListsTheAcceptedExtensionsInTableOrderWithinEightyColumns)
{
    const std::string help = pagetally::cli::usageText();
    const std::size_t start = help.find("\nAccepted: ");
    const std::size_t end = help.find(" (any letter case).\n", start);
    ASSERT_NE(end, std::string::npos) << help;
    std::istringstream listed(help.substr(start + 11, end - start - 11));
    const std::vector<std::string> extensions{std::istream_iterator<std::string>(listed), {}};
    EXPECT_EQ(extensions, std::vector<std::string>(pagetally::supportedExtensions.begin(),
                                                   pagetally::supportedExtensions.end()));
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LE(line.size(), 80u) << line;
    }
}

TEST(Cli, NamesAFolderItCannotReadAndFailsAfterListingTheRest)
{
    TempDir dir;
    dir.write("a.txt", "top");
    const pagetally::test::FoldersBeyondPathLimit deep(dir.path());
    const std::string errors = (dir.path() / "stderr").native();
    const CliRun run = cli("--csv -r .", errors, dir.path(), true);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, csvHeader + "a.txt,TXT,,,1\r\n");
    std::ifstream err(errors, std::ios::binary);
    const std::string line(std::istreambuf_iterator<char>(err), {});
    EXPECT_TRUE(line.starts_with("pagetally-cli: ./" + deep.name() + "/")) << line;
    EXPECT_TRUE(line.ends_with(": folder not read: File name too long\n")) << line;
}

TEST(Cli, WithStandardErrorClosedTheDocumentHoldsOnlyTheRecords)
{
    // Without a descriptor 2 the next descriptor opened takes its number, and the notes on
    // standard error (or a child's complaints) would be written into the document.
    TempDir dir;
    dir.write("memo.doc", "");
    dir.write("b.txt", "one two three");
    const std::string errors = (dir.path() / "stderr").native();
    const CliRun closed = cli("--json memo.doc b.txt 2>&- ; true", "/dev/null", dir.path(), true);
    const CliRun open = cli("--json memo.doc b.txt", errors, dir.path(), true);
    EXPECT_FALSE(open.out.empty());
    EXPECT_EQ(closed.out, open.out);
}

TEST(Cli, ATerminationSignalEndsTheBatchAndLeavesNoFolderAndNoChild)
{
    // Orphans of the CLI come to this process, so that a child left behind is seen here.
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "tmp");
    // 300 MB of one part: unzip needs about a second for it.
    auto entries = pagetally::test::docxEntries("<w:p><w:r><w:t>words</w:t></w:r></w:p>");
    entries.push_back({"word/media/big.xml", std::string(300'000'000, ' '), std::nullopt});
    pagetally::test::writeZip(dir.path() / "big.docx", entries);
    dir.write("slow.pdf",
              pagetally::test::repeat(
                  pagetally::test::readFile(pagetally::test::dataFile("hostile/slow-repair.pdf")), 16));

    const struct
    {
        const char* file;
        int signal;
    } cases[] = {{"big.docx", SIGTERM}, {"slow.pdf", SIGINT}, {"big.docx", SIGHUP}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + strsignal(c.signal));
        const pid_t pid =
            startProgram({PAGETALLY_CLI, "--json", (dir.path() / c.file).native()}, dir.path() / "tmp");
        ASSERT_GT(pid, 0);
        // Signalled while unzip writes the part, or while the PDF helper works on the file.
        if (c.file == std::string("big.docx")) {
            EXPECT_TRUE(
                pagetally::test::within(20s, [&] { return !std::filesystem::is_empty(dir.path() / "tmp"); }));
        } else {
            std::this_thread::sleep_for(500ms); // the 640 kB take the helper seconds
        }
        ASSERT_EQ(::kill(pid, c.signal), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << status;
        EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "tmp"));
        EXPECT_TRUE(pagetally::test::noChildLeft());
    }
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);
}
