// Unpacking a DOCX or PPTX container into a private temporary directory with the system's unzip.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace pagetally {

// The only unzip the program runs; tests pass another path to show what a missing one does.
inline constexpr const char* defaultUnzipProgram = "/usr/bin/unzip";

// An entry as the container's central directory lists it.
struct ListedEntry
{
    std::string name;
    std::optional<std::uint64_t> size;
    std::optional<std::uint32_t> crc;
};

// Owns one extraction directory and removes it, with everything in it, when it goes out of
// scope, so that no return path and no exception can leave it behind. It also keeps what the
// container lists and what unzip said about it, so that an analyser can tell a part that was
// not unpacked, or not unpacked whole, from one the document lacks.
class ExtractionDirectory
{
public:
    ExtractionDirectory() = default;
    explicit ExtractionDirectory(std::filesystem::path directory) noexcept : path_(std::move(directory)) {}
    ~ExtractionDirectory();
    ExtractionDirectory(ExtractionDirectory&& other) noexcept;
    ExtractionDirectory& operator=(ExtractionDirectory&& other) noexcept;
    ExtractionDirectory(const ExtractionDirectory&) = delete;
    ExtractionDirectory& operator=(const ExtractionDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // The entries of the container's central directory, sorted by name.
    const std::vector<ListedEntry>& listed() const { return listed_; }

    // What unzip's exit says went wrong ("unzip reported errors in the container (exit status
    // 2)"), or nullopt when it exited with 0 or 1. Status 1 is left out: it is a warning given for
    // harmless things too (a "../" stripped from a name), and an entry it skipped is missing from
    // the directory, which the comparison with listed() shows.
    const std::optional<std::string>& unzipComplaint() const { return complaint_; }

    // Whether `bytes`, read from the unpacked file at `relative`, are whole: always when unzip
    // did not complain (it checks every entry's CRC and complains of a mismatch), otherwise when
    // the container lists an entry of that name with this size and CRC, or none of that name.
    bool unpackedWhole(std::string_view relative, std::string_view bytes) const;

    // Set by extractOfficeArchive once unzip has ended.
    void setContents(std::vector<ListedEntry> listed, std::optional<std::string> complaint)
    {
        listed_ = std::move(listed);
        complaint_ = std::move(complaint);
    }

private:
    std::filesystem::path path_;
    std::vector<ListedEntry> listed_;
    std::optional<std::string> complaint_;
};

// How much a container may unpack to. Real documents stay far below: Word opens nothing
// above 512 MB, and the XML parts of a document compress about ten to one, media not at all.
struct ExtractionLimits
{
    // A container may always unpack to this much...
    std::uint64_t floor = std::uint64_t(1) << 30;
    // ...or to this many times its own size, whichever is more...
    std::uint64_t ratio = 100;
    // ...as long as the temporary directory keeps at least this much free space.
    std::uint64_t freeSpaceMargin = std::uint64_t(256) << 20;
    // Nor may it hold more entries than this: each is a file to create and delete, and empty
    // ones cost no bytes. A deck of 2,000 slides with notes and pictures has about 10,000.
    std::uint64_t entries = 20'000;
};

// The number of bytes a container of `containerSize` bytes may unpack to when the temporary
// directory has `freeSpace` bytes free: max(floor, ratio x size), but never more than the free
// space less the margin (0 when less than the margin is free).
std::uint64_t
extractionAllowance(std::uint64_t containerSize, std::uint64_t freeSpace, const ExtractionLimits& limits);

// Creates a fresh directory named by a new upper-case UUID under the temporary directory and
// runs `unzipProgram -q ARCHIVE -d DIRECTORY` there, waiting for it to end. A damaged container
// leaves the directory partly filled; the caller compares what it needs with listed() and reads
// unzipComplaint().
// A file that libzip cannot read as a ZIP container is refused before unzip starts: the limits
// below could not be checked on it, although unzip may still find entries (behind a prefix of
// junk, say).
// A compression bomb is refused: before unzip starts, when the container's central directory
// declares more than `limits.entries` entries or sizes that add up to more than
// extractionAllowance; and while it runs, when
// the bytes it has written exceed that allowance (declared sizes can lie), by killing it.
// Throws std::runtime_error (std::system_error for system failures), whose what() names the
// file and the reason, when the directory cannot be created, the input cannot be opened as a
// regular file, unzip cannot be started, unpacking is cancelled or the container is refused; the
// directory is then already removed.
// Safe to call from several threads at once: it changes no process-wide state.
ExtractionDirectory extractOfficeArchive(const std::filesystem::path& location,
                                         const std::filesystem::path& unzipProgram = defaultUnzipProgram,
                                         const ExtractionLimits& limits = {});

// Removes an extraction directory and everything below it; errors are ignored.
void removeExtractedArchive(const std::filesystem::path& directory) noexcept;

// Throws std::runtime_error("<failure>: <component> is a symbolic link") if a component of
// `relative` below the extraction directory `root` is a symbolic link. unzip restores links
// stored in a container, and a part read through one could be any file on the system.
void refuseLinks(const std::filesystem::path& root,
                 const std::filesystem::path& relative,
                 const std::string& failure);

} // namespace pagetally
