// Real ZIP containers for the tests, written with libzip, and the bytes of files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>
#include <zip.h>

namespace pagetally::test {

struct ZipEntry
{
    std::string name; // a name ending in "/" is a folder entry
    std::string data;
    std::optional<std::uint32_t> unixMode; // stored permissions and type, e.g. 040000 for a folder
};

// Writes the entries, in order and deflated, to a new container at `path`.
inline void writeZip(const std::filesystem::path& path, const std::vector<ZipEntry>& entries)
{
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
    for (const ZipEntry& entry : entries) {
        zip_source_t* source = entry.name.ends_with('/')
                                   ? nullptr
                                   : zip_source_buffer(archive, entry.data.data(), entry.data.size(), 0);
        const zip_int64_t index = source ? zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8)
                                         : zip_dir_add(archive, entry.name.c_str(), ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            throw std::runtime_error("cannot add " + entry.name + " to " + path.native());
        }
        if (entry.unixMode) {
            zip_file_set_external_attributes(archive, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                             *entry.unixMode << 16);
        }
    }
    if (zip_close(archive) != 0) {
        throw std::runtime_error("cannot write " + path.native());
    }
}

inline std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Replaces every occurrence of `from` by `to` (same length) in the file's bytes: used to give
// two entries one name, which libzip itself refuses to write.
inline void patchBytes(const std::filesystem::path& path, const std::string& from, const std::string& to)
{
    std::string bytes = readFile(path);
    for (auto at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + to.size())) {
        bytes.replace(at, from.size(), to);
    }
    writeFile(path, bytes);
}

// Sets the four bytes at `localOffset` of every local header and at `centralOffset` of every
// central header of the container to `value` (little-endian), or ORs them in.
inline void patchHeaders(
    const std::filesystem::path& path, int localOffset, int centralOffset, std::uint32_t value, bool orIn)
{
    std::string bytes = readFile(path);
    for (const auto& [signature, offset] : {std::pair{std::string("PK\x03\x04", 4), localOffset},
                                            std::pair{std::string("PK\x01\x02", 4), centralOffset}}) {
        for (auto at = bytes.find(signature); at != std::string::npos; at = bytes.find(signature, at + 4)) {
            for (int i = 0; i < 4; ++i) {
                char& byte = bytes[at + offset + i];
                byte = static_cast<char>((orIn ? byte : 0) | ((value >> (8 * i)) & 0xFF));
            }
        }
    }
    writeFile(path, bytes);
}

// Inverts bytes in the middle of the stored (deflated) data of entry `name`, so that inflating
// it fails or gives data whose CRC does not match.
inline void damageEntry(const std::filesystem::path& path, const std::string& name)
{
    std::string bytes = readFile(path);
    const auto field = [&](std::size_t at, int size) {
        std::uint32_t value = 0;
        for (int i = size - 1; i >= 0; --i) {
            value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
        }
        return value;
    };
    const std::string signature("PK\x03\x04", 4);
    for (auto at = bytes.find(signature); at != std::string::npos; at = bytes.find(signature, at + 4)) {
        const std::uint32_t nameLength = field(at + 26, 2);
        if (bytes.compare(at + 30, nameLength, name) != 0) {
            continue;
        }
        const std::size_t data = at + 30 + nameLength + field(at + 28, 2);
        const std::uint32_t size = field(at + 18, 4);
        for (std::size_t i = data + size / 3; i < data + size / 3 + 4 && i < data + size; ++i) {
            bytes[i] = static_cast<char>(~bytes[i]);
        }
        writeFile(path, bytes);
        return;
    }
    throw std::runtime_error("no entry " + name + " in " + path.native());
}

// Sets the "encrypted" flag of every entry, so that unzip asks for a password.
inline void markEncrypted(const std::filesystem::path& path)
{
    patchHeaders(path, 6, 8, 1, true);
}

// Sets the stated uncompressed size of every entry.
inline void stateUncompressedSize(const std::filesystem::path& path, std::uint32_t size)
{
    patchHeaders(path, 22, 24, size, false);
}

// A symbolic link entry, as unzip restores it.
inline ZipEntry symlinkEntry(std::string name, std::string target)
{
    return {std::move(name), std::move(target), 0120777};
}

} // namespace pagetally::test
