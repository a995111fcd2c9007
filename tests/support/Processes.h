// The child processes of this test program, for tests that must leave none behind.
#pragma once

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace pagetally::test {

// The processes that `parent` (any of its threads) has started and not yet reaped, sorted; by
// default this program's.
inline std::vector<pid_t> children(pid_t parent = ::getpid())
{
    std::vector<pid_t> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const std::size_t close = line.rfind(')');
        std::istringstream fields(close == std::string::npos ? "" : line.substr(close + 1));
        char state = 0;
        pid_t ppid = 0;
        if (fields >> state >> ppid && ppid == parent) {
            found.push_back(std::stoi(entry.path().filename()));
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

// Starts the program `argv[0]` with TMPDIR set to `temporary` and its output and errors sent to
// /dev/null; its pid, or -1.
inline pid_t startProgram(std::vector<std::string> argv, const std::filesystem::path& temporary)
{
    std::vector<char*> args;
    for (std::string& word : argv) {
        args.push_back(word.data());
    }
    args.push_back(nullptr);
    std::vector<std::string> environment{"TMPDIR=" + temporary.native()};
    for (char** e = environ; *e != nullptr; ++e) {
        if (!std::string_view(*e).starts_with("TMPDIR=")) {
            environment.emplace_back(*e);
        }
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Whether `condition` holds within `limit`, looking every 10 ms.
template <class Condition> bool within(std::chrono::milliseconds limit, Condition condition)
{
    for (const auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

// Whether, within two seconds, this process has no child left: for a test that has made itself
// the subreaper of a program's orphans (PR_SET_CHILD_SUBREAPER). Reaps the ones that ended.
inline bool noChildLeft()
{
    return within(std::chrono::seconds(2), [] {
        while (::waitpid(-1, nullptr, WNOHANG) > 0) {
        }
        return children().empty();
    });
}

} // namespace pagetally::test
