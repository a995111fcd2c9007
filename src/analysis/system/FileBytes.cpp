#include "analysis/system/FileBytes.h"

#include "analysis/system/Cancellation.h"
#include "analysis/system/Descriptor.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <linux/magic.h>
#include <sys/mman.h>
#include <sys/vfs.h>
#include <system_error>

namespace pagetally {
namespace {

// Reads until `want` bytes or the end of the file; -1 on an error.
ssize_t readFully(int fd, char* into, std::size_t want)
{
    std::size_t got = 0;
    while (got < want) {
        const ssize_t n = ::read(fd, into + got, want - got);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            return -1;
        }
    }
    return static_cast<ssize_t>(got);
}

// Fresh memory is expensive to fault in page by page; large buffers ask for huge pages.
constexpr std::size_t hugePage = std::size_t(2) << 20;

char* allocate(std::size_t length)
{
    if (length < hugePage) {
        return static_cast<char*>(std::calloc(length, 1)); // freed by Release when length is small
    }
    void* p = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) {
        return nullptr;
    }
    ::madvise(p, length, MADV_HUGEPAGE);
    return static_cast<char*>(p);
}

// The length of an unfinished UTF-8 sequence at the end of `data`, to be kept for the next piece.
std::size_t unfinishedTail(const char* data, std::size_t n)
{
    for (std::size_t back = 1; back <= std::min<std::size_t>(3, n); ++back) {
        const auto b = static_cast<unsigned char>(data[n - back]);
        if ((b & 0xC0) == 0x80) {
            continue; // a continuation byte: look further back for its lead
        }
        if (b >= 0xC0) {
            const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
            return length > back ? back : 0;
        }
        return 0;
    }
    return 0;
}

} // namespace

bool onKernelFileSystem(int fd) noexcept
{
    struct statfs fs
    {
    };
    if (::fstatfs(fd, &fs) != 0) {
        return false;
    }
    switch (static_cast<unsigned long>(fs.f_type)) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case BPF_FS_MAGIC:
    case EFIVARFS_MAGIC:
    case PSTOREFS_MAGIC:
        return true;
    default:
        return false;
    }
}

void FileBytes::Release::operator()(char* p) const
{
    if (length < hugePage) {
        std::free(p);
    } else {
        ::munmap(p, length);
    }
}

std::optional<FileBytes> FileBytes::read(const std::filesystem::path& path)
{
    struct stat st
    {
    };
    Descriptor fd(openRegularFile(path, st));
    if (fd.get() < 0) {
        return std::nullopt;
    }

    // One byte beyond the expected size shows whether the file grew meanwhile.
    std::size_t capacity = static_cast<std::size_t>(st.st_size) + 1;
    std::unique_ptr<char, Release> data(allocate(capacity + padding), Release{capacity + padding});
    std::size_t size = 0;
    while (data) {
        const ssize_t n = readFully(fd.get(), data.get() + size, capacity - size);
        if (n < 0) {
            return std::nullopt;
        }
        size += static_cast<std::size_t>(n);
        if (size < capacity) {
            break;
        }
        const std::size_t bigger = capacity * 2;
        std::unique_ptr<char, Release> grown(allocate(bigger + padding), Release{bigger + padding});
        if (grown) {
            std::memcpy(grown.get(), data.get(), size);
        }
        data = std::move(grown);
        capacity = bigger;
    }
    if (!data) {
        return std::nullopt;
    }
    std::memset(data.get() + size, 0, padding);

    FileBytes bytes;
    bytes.data_ = std::move(data);
    bytes.size_ = size;
    return bytes;
}

bool readInPieces(const std::filesystem::path& path, const std::function<bool(std::string_view)>& onPiece)
{
    struct stat st
    {
    };
    Descriptor fd(openRegularFile(path, st));
    if (fd.get() < 0) {
        return false;
    }
    // Small enough to stay in the processor's cache between the copy and the count.
    constexpr std::size_t pieceSize = 256 * 1024;
    auto buffer = std::make_unique_for_overwrite<char[]>(pieceSize);
    std::size_t kept = 0;
    for (;;) {
        if (cancelRequested()) {
            errno = ECANCELED; // a text of gigabytes takes seconds; Cancel must not wait for it
            return false;
        }
        const ssize_t n = readFully(fd.get(), buffer.get() + kept, pieceSize - kept);
        if (n < 0) {
            return false;
        }
        const std::size_t filled = kept + static_cast<std::size_t>(n);
        if (static_cast<std::size_t>(n) < pieceSize - kept) { // end of the file
            if (filled > 0) {
                onPiece(std::string_view(buffer.get(), filled));
            }
            return true;
        }
        const std::size_t tail = unfinishedTail(buffer.get(), filled);
        if (!onPiece(std::string_view(buffer.get(), filled - tail))) {
            return true;
        }
        std::memmove(buffer.get(), buffer.get() + filled - tail, tail);
        kept = tail;
    }
}

std::optional<Note> unreadableReason(const std::filesystem::path& path)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return NoteKind::fileNotFound;
        }
        return Note(NoteKind::notReadable, {std::generic_category().message(errno)});
    }
    if (!S_ISREG(st.st_mode)) {
        return NoteKind::notRegularFile;
    }
    const Descriptor fd(openRegularFile(path, st));
    if (fd.get() < 0) {
        return errno == EISDIR || errno == EINVAL
                   ? Note(NoteKind::notRegularFile)
                   : Note(NoteKind::notReadable, {std::generic_category().message(errno)});
    }
    return std::nullopt;
}

std::string_view withoutUtf8Bom(std::string_view text)
{
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    return text;
}

std::string describeReadFailure(const std::filesystem::path& path)
{
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (ec) {
        return ec.message();
    }
    if (std::filesystem::is_directory(status)) {
        return std::generic_category().message(EISDIR);
    }
    if (!std::filesystem::is_regular_file(status)) {
        return "not a regular file";
    }
    struct stat st
    {
    };
    const Descriptor fd(openRegularFile(path, st));
    if (fd.get() < 0) {
        return errno == EINVAL ? std::string("not a regular file") : std::generic_category().message(errno);
    }
    return std::generic_category().message(EIO);
}

} // namespace pagetally
