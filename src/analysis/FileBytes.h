// Whole-file reads for the analysers.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

namespace pagetally {

// The complete contents of a file, read with as few system calls as the kernel allows and
// without being copied on the way.
class FileBytes
{
public:
    std::string_view view() const { return {data_.get(), size_}; }
    std::size_t size() const { return size_; }

    // Reads a regular file. Anything else (a directory, a FIFO, a device) is unreadable and is
    // never opened for reading, so that nothing can block. nullopt when it cannot be read.
    static std::optional<FileBytes> read(const std::filesystem::path& path);

private:
    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0;
};

// The text without a UTF-8 byte-order mark at its start.
std::string_view withoutUtf8Bom(std::string_view text);

} // namespace pagetally
