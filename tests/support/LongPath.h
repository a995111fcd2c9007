// A chain of folders deeper than the system's path limit (PATH_MAX), which no path can name:
// made and removed through descriptors, as std::filesystem cannot reach its bottom.
#pragma once

#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pagetally::test {

// Folders of 200-character names, 24 deep (over 4,800 characters), below `top`, with a text
// file at the bottom. The folders that a path can still name are listable; the rest are not.
class FoldersBeyondPathLimit
{
public:
    static constexpr int depth = 24;

    explicit FoldersBeyondPathLimit(const std::filesystem::path& top) : top_(top)
    {
        int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int i = 0; i < depth && fd >= 0; ++i) {
            ::mkdirat(fd, name().c_str(), 0700);
            const int below = ::openat(fd, name().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            fd = below;
        }
        if (fd >= 0) {
            const int file = ::openat(fd, "deep.txt", O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
            if (file >= 0) {
                [[maybe_unused]] const ssize_t n = ::write(file, "deep words", 10);
                ::close(file);
            }
            ::close(fd);
        }
    }
    ~FoldersBeyondPathLimit()
    {
        std::vector<int> fds{::open(top_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
        while (fds.back() >= 0 && static_cast<int>(fds.size()) <= depth) {
            fds.push_back(::openat(fds.back(), name().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        }
        if (fds.back() >= 0) {
            ::unlinkat(fds.back(), "deep.txt", 0);
        }
        for (std::size_t i = fds.size() - 1; i > 0; --i) {
            if (fds[i] >= 0) {
                ::close(fds[i]);
            }
            if (fds[i - 1] >= 0) {
                ::unlinkat(fds[i - 1], name().c_str(), AT_REMOVEDIR);
            }
        }
        if (fds[0] >= 0) {
            ::close(fds[0]);
        }
    }
    FoldersBeyondPathLimit(const FoldersBeyondPathLimit&) = delete;
    FoldersBeyondPathLimit& operator=(const FoldersBeyondPathLimit&) = delete;

    static std::string name() { return std::string(200, 'd'); }

private:
    std::filesystem::path top_;
};

} // namespace pagetally::test
