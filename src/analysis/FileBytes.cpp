#include "analysis/FileBytes.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pagetally {
namespace {

class Descriptor
{
public:
    explicit Descriptor(int fd) : fd_(fd) {}
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

} // namespace

std::optional<FileBytes> FileBytes::read(const std::filesystem::path& path)
{
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        return std::nullopt;
    }
    struct stat st{};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }

    // One byte beyond the expected size shows at once whether the file grew meanwhile.
    std::size_t capacity = static_cast<std::size_t>(st.st_size) + 1;
    auto data = std::make_unique_for_overwrite<char[]>(capacity);
    std::size_t size = 0;
    for (;;) {
        if (size == capacity) {
            const std::size_t bigger = capacity * 2;
            auto grown = std::make_unique_for_overwrite<char[]>(bigger);
            std::copy(data.get(), data.get() + size, grown.get());
            data = std::move(grown);
            capacity = bigger;
        }
        const ssize_t n = ::read(fd.get(), data.get() + size, capacity - size);
        if (n > 0) {
            size += static_cast<std::size_t>(n);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            return std::nullopt;
        }
    }

    FileBytes bytes;
    bytes.data_ = std::move(data);
    bytes.size_ = size;
    return bytes;
}

std::string_view withoutUtf8Bom(std::string_view text)
{
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    return text;
}

} // namespace pagetally
