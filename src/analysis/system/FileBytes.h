// Reading files for the analysers: whole, or piece by piece.
#pragma once

#include "analysis/intake/Note.h"

#include <cerrno>
#include <cstddef>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace pagetally {

// The complete contents of a file, followed by `padding` zero bytes that parsers reading in
// wide words may touch.
class FileBytes
{
public:
    static constexpr std::size_t padding = 64;

    std::string_view view() const { return {data_.get(), size_}; }
    const char* data() const { return data_.get(); }
    std::size_t size() const { return size_; }

    // Reads a regular file. Anything else (a directory, a FIFO, a device) is unreadable and is
    // never read, so that nothing can block. nullopt when it cannot be read.
    static std::optional<FileBytes> read(const std::filesystem::path& path);

private:
    struct Release
    {
        Release() noexcept : length(0) {}
        explicit Release(std::size_t n) noexcept : length(n) {}
        void operator()(char* p) const;
        std::size_t length;
    };
    std::unique_ptr<char, Release> data_;
    std::size_t size_ = 0;
};

// Reads a regular file in pieces of a few hundred kilobytes through one reused buffer and hands
// each to `onPiece` in order; `onPiece` returns false to stop early. A piece never ends inside
// a UTF-8 sequence (a sequence cut short by the end of the file comes last, as it is). Returns
// false when the file cannot be read; same rules as FileBytes::read.
bool readInPieces(const std::filesystem::path& path, const std::function<bool(std::string_view)>& onPiece);

// Why the file at `path` cannot be read at all, as a record's note: file not found, not a
// regular file, or not readable and the system's reason; nullopt when it can be.
// Only a regular file is opened.
std::optional<Note> unreadableReason(const std::filesystem::path& path);

// Why a file that FileBytes::read could not read is unreadable, in words for an error line.
std::string describeReadFailure(const std::filesystem::path& path);

// Whether the open file `fd` lies on a file system of the kernel's own making (procfs, sysfs
// and the like), whose "regular files" are generated as they are read: /proc/self/pagemap
// states 0 bytes and yields gigabytes, /proc/kmsg blocks.
bool onKernelFileSystem(int fd) noexcept;

// Opens a regular file on a real file system for reading and fills `st`; -1 (errno set:
// EISDIR for a directory, EINVAL for anything else) otherwise.
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
    } else if (onKernelFileSystem(fd)) {
        error = EINVAL;
    } else {
        return fd;
    }
    ::close(fd);
    errno = error;
    return -1;
}

// The text without a UTF-8 byte-order mark at its start.
std::string_view withoutUtf8Bom(std::string_view text);

} // namespace pagetally
