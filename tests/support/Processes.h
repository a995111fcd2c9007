// The child processes of this test program, for tests that must leave none behind.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace pagetally::test {

// The processes this program (any of its threads) has started and not yet reaped, sorted.
inline std::vector<pid_t> children()
{
    std::vector<pid_t> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const std::size_t close = line.rfind(')');
        std::istringstream fields(close == std::string::npos ? "" : line.substr(close + 1));
        char state = 0;
        pid_t parent = 0;
        if (fields >> state >> parent && parent == ::getpid()) {
            found.push_back(std::stoi(entry.path().filename()));
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace pagetally::test
