// Runs the pagetally-cli binary as a user would and checks what it writes.
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sys/wait.h>

using pagetally::test::TempDir;

namespace {

struct CliRun
{
    int status = -1;
    std::string out;
};

// Runs the CLI with `args` (already shell-quoted, redirections allowed) in the folder `in` and
// captures standard output; standard error goes to `errFile`. Without `readOutput` the pipe is
// closed unread, as by a reader that stops early.
CliRun cli(const std::string& args,
           const std::string& errFile = "/dev/null",
           const std::filesystem::path& in = ".",
           bool readOutput = true)
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

std::string quoted(const std::filesystem::path& p)
{
    return "'" + p.native() + "'";
}

std::string slurp(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

TEST(Cli, PrintsTheTableInDisplayOrderWithTotals)
{
    TempDir dir;
    const auto b = dir.write("b.txt", "one two three");
    const auto a = dir.write("a.html", "<p>Hello <b>big</b> world</p>");
    const auto d = dir.write("memo.doc", "");
    const CliRun run = cli(quoted(b) + " " + quoted(a) + " " + quoted(d));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "File Name  File Type  Duration  Pages  Words\n"
                       "memo.doc   DOC               -      1      0\n"
                       "a.html     HTML              -      -      3\n"
                       "b.txt      TXT               -      -      3\n"
                       "Total:  Duration: 0m 0s  Pages: 1  Words: 6\n");
}

TEST(Cli, WritesJsonAndCsvInOrderOfAddition)
{
    TempDir dir;
    const auto b = dir.write("b.txt", "one two");
    const auto a = dir.write("say \"hi\", \x01.doc", "");
    const auto bad = dir.write("bad\xFF.txt", "x");
    const CliRun json = cli("--json " + quoted(b) + " " + quoted(a) + " " + quoted(bad));
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out,
              "{\"files\":[\n"
              "{\"fileName\":\"b.txt\",\"fileType\":\"TXT\",\"duration\":null,\"pages\":null,\"words\":2,"
              "\"note\":null},\n"
              "{\"fileName\":\"say \\\"hi\\\", \\u0001.doc\",\"fileType\":\"DOC\",\"duration\":null,"
              "\"pages\":1,\"words\":0,\"note\":\"legacy DOC format is not read\"},\n"
              "{\"fileName\":\"bad\xEF\xBF\xBD.txt\",\"fileType\":\"TXT\",\"duration\":null,\"pages\":null,"
              "\"words\":1,\"note\":null}],\n"
              "\"totals\":{\"duration\":0,\"pages\":1,\"words\":3}}\n");

    const CliRun csv = cli("--csv " + quoted(b) + " " + quoted(a));
    EXPECT_EQ(csv.out, "File Name,File Type,Duration (minutes),Pages,Words\r\n"
                       "b.txt,TXT,,,2\r\n"
                       "\"say \"\"hi\"\", \x01.doc\",DOC,,1,0\r\n");
}

TEST(Cli, GivesTheSameBytesWithAnyNumberOfJobs)
{
    TempDir dir;
    std::string args;
    for (int i = 0; i < 60; ++i) {
        const std::string words(static_cast<std::size_t>(i), 'w');
        // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about "literal" + temporary.
        std::string name = "f";
        name.append(std::to_string(i % 45)).append(i % 3 ? ".txt" : ".html");
        args.append(" ").append(quoted(dir.write(name, words + " and <b>more</b> words")));
    }
    const CliRun one = cli("--json -j 1" + args);
    ASSERT_EQ(one.status, 0);
    for (const char* jobs : {"-j 2", "-j8", "-j 64"}) {
        SCOPED_TRACE(jobs);
        EXPECT_EQ(cli(std::string("--json ") + jobs + args).out, one.out);
    }
}

TEST(Cli, ExpandsDirectoriesInSortedOrder)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "in" / "b-sub");
    dir.write("in/c.txt", "c");
    dir.write("in/a.txt", "a");
    dir.write("in/b-sub/z.txt", "z");
    dir.write("in/b.txt", "b");
    dir.write("in/skip.rtf", "x");

    const CliRun recursive = cli("--csv -r " + quoted(dir.path() / "in"));
    // Names sorted at each level: "b-sub" comes before "b.txt" because "-" sorts before ".".
    EXPECT_EQ(recursive.out, "File Name,File Type,Duration (minutes),Pages,Words\r\n"
                             "a.txt,TXT,,,1\r\nz.txt,TXT,,,1\r\nb.txt,TXT,,,1\r\nc.txt,TXT,,,1\r\n");
}

TEST(Cli, HandlesUsageErrorsHelpVersionAndDashNames)
{
    EXPECT_EQ(cli("").status, 2);
    EXPECT_EQ(cli("--bogus x.txt").status, 2);
    EXPECT_EQ(cli("--json --csv x.txt").status, 2);
    EXPECT_EQ(cli("-j 0 x.txt").status, 2);
    EXPECT_EQ(cli("-j").status, 2);

    const CliRun help = cli("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: pagetally-cli"), std::string::npos);
    const CliRun version = cli("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("pagetally-cli ", 0), 0u);

    TempDir dir;
    dir.write("-x.txt", "dash named");
    EXPECT_EQ(cli("--csv -- " + quoted(dir.path() / "-x.txt")).out,
              "File Name,File Type,Duration (minutes),Pages,Words\r\n-x.txt,TXT,,,2\r\n");
}

TEST(Cli, ReportsNotesSkipsAndWriteFailuresWithTheirExitStatus)
{
    TempDir dir;
    dir.write("ok.txt", "fine words");
    dir.write("utf16.txt", std::string("\xFF\xFEh\0i\0", 6));
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
    const std::string unreadUtf16 =
        "pagetally-cli: utf16.txt: not valid UTF-8 text (UTF-16 byte-order mark)\n";
    const std::string diskFull = "pagetally-cli: cannot write the output: No space left on device\n";
    const struct
    {
        const char* args;
        int status;
        std::string err;
        bool readOutput = true;
    } cases[] = {
        {"ok.txt utf16.txt", 0, unreadUtf16},
        {"--csv missing.txt utf16.txt", 1, "pagetally-cli: missing.txt: file not found\n" + unreadUtf16},
        {"--json -r clientA clientB/", 0,
         "pagetally-cli: clientB/chapter1.txt: skipped, a file named chapter1.txt is already listed\n"},
        {"clientA", 0, "pagetally-cli: clientA: is a directory, skipped (use -r to include it)\n"},
        {"ok.txt >/dev/full", 1, diskFull},
        {"--json ok.txt >/dev/full", 1, diskFull},
        {"ok.txt >&-", 1, "pagetally-cli: cannot write the output: Bad file descriptor\n"},
        {"--json -r long", 1, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        EXPECT_EQ(cli(c.args, errors, dir.path(), c.readOutput).status, c.status);
        EXPECT_EQ(slurp(errors), c.err);
    }
}
