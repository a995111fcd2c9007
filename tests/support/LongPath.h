// A chain of folders deeper than the system's path limit (PATH_MAX), which no path can name:
// made through descriptors, as no path can reach its bottom.
#pragma once

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

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
    // rm walks the chain through descriptors; std::filesystem::remove_all stops at the limit.
    ~FoldersBeyondPathLimit()
    {
        [[maybe_unused]] const int rc = std::system(("rm -rf -- '" + (top_ / name()).native() + "'").c_str());
    }
    FoldersBeyondPathLimit(const FoldersBeyondPathLimit&) = delete;
    FoldersBeyondPathLimit& operator=(const FoldersBeyondPathLimit&) = delete;

    static std::string name() { return std::string(200, 'd'); }

private:
    std::filesystem::path top_;
};

} // namespace pagetally::test
