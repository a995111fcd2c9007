// An owned file descriptor, and opening files so that nothing can block.
#pragma once

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace pagetally {

// Closes its descriptor when it goes out of scope.
class Descriptor
{
public:
    explicit Descriptor(int fd) noexcept : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Opens a regular file for reading and fills `st`; -1 (errno set) for anything else.
// O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer; checking the opened
// descriptor rather than the path leaves no gap in which the file could be swapped.
inline int openRegularFile(const std::filesystem::path& path, struct stat& st)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return -1;
    }
    int error = 0;
    if (::fstat(fd, &st) != 0) {
        error = errno;
    } else if (!S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    } else {
        return fd;
    }
    ::close(fd);
    errno = error;
    return -1;
}

} // namespace pagetally
