// The desktop program as a session's end meets it: SIGTERM or SIGHUP while a batch unpacks a
// large container ends the program by that signal, with no extraction folder and no child left.
#include "support/OfficeZip.h"
#include "support/Processes.h"
#include "support/TempDir.h"
#include "support/Zip.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/prctl.h>

using namespace pagetally::test;
using namespace std::chrono_literals;

TEST(App, ATerminationSignalEndsTheBatchAndTheProgramLeavingNothingBehind)
{
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "tmp");
    // Qt makes a runtime folder of its own in the temporary folder when the desktop names none.
    std::filesystem::create_directory(dir.path() / "runtime");
    std::filesystem::permissions(dir.path() / "runtime", std::filesystem::perms::owner_all);
    ::setenv("XDG_RUNTIME_DIR", (dir.path() / "runtime").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    auto entries = docxEntries(paragraph("words"));
    entries.push_back({"word/media/big.xml", std::string(300'000'000, ' '), std::nullopt});
    writeZip(dir.path() / "big.docx", entries);

    for (const int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        const pid_t pid =
            startProgram({PAGETALLY_APP, (dir.path() / "big.docx").native()}, dir.path() / "tmp");
        ASSERT_GT(pid, 0);
        EXPECT_TRUE(within(60s, [&] { return !std::filesystem::is_empty(dir.path() / "tmp"); }));
        ASSERT_EQ(::kill(pid, signal), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "tmp"));
        EXPECT_TRUE(noChildLeft());
    }
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);
}
