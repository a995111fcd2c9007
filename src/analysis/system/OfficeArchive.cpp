#include "analysis/system/OfficeArchive.h"

#include "analysis/intake/FileInfo.h"
#include "analysis/system/Cancellation.h"
#include "analysis/system/Descriptor.h"
#include "analysis/system/Spawn.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <zip.h>
#include <zlib.h>

extern char** environ;

namespace pagetally {
namespace {

namespace fs = std::filesystem;

// The descriptor number under which the child finds the container.
constexpr int archiveDescriptor = 3;

[[noreturn]] void fail(int error, const std::string& what)
{
    throw std::system_error(error, std::generic_category(), what);
}

constexpr const char* preparing = "cannot prepare the unzip process";

void check(int rc)
{
    checkSpawn(rc, preparing);
}

constexpr std::uint64_t unlimited = std::numeric_limits<std::uint64_t>::max();

std::uint64_t addSaturated(std::uint64_t a, std::uint64_t b)
{
    return a > unlimited - b ? unlimited : a + b;
}

std::uint64_t multiplySaturated(std::uint64_t a, std::uint64_t b)
{
    return b != 0 && a > unlimited / b ? unlimited : a * b;
}

// "512 bytes", "3.5 MiB", "12.0 GiB": for the error line.
std::string describeSize(std::uint64_t bytes)
{
    if (bytes < 1024) {
        return std::to_string(bytes) + " bytes";
    }
    constexpr std::array<const char*, 6> units{"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    double value = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < units.size()) {
        value /= 1024.0;
        ++unit;
    }
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.1f %s", value, units[unit]);
    return text.data();
}

// What an unprivileged writer may still put on the file system that holds `directory`;
// unlimited when the system does not say.
std::uint64_t freeSpace(const fs::path& directory)
{
    struct statvfs vfs
    {
    };
    if (::statvfs(directory.c_str(), &vfs) != 0) {
        return unlimited;
    }
    return multiplySaturated(vfs.f_bavail, vfs.f_frsize);
}

// Reads the container's central directory with libzip. A file it cannot read is refused, since
// neither the limits below nor the parts that were unpacked could be checked against it.
std::vector<ListedEntry> listContainer(int archive, const fs::path& location)
{
    const int copy = ::fcntl(archive, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) {
        fail(errno, "cannot open " + location.native());
    }
    int error = 0;
    zip_t* zip = zip_fdopen(copy, 0, &error); // owns `copy` from here on, if it succeeds
    if (zip == nullptr) {
        ::close(copy);
        zip_error_t reason;
        zip_error_init_with_code(&reason, error);
        const std::string text = zip_error_strerror(&reason);
        zip_error_fini(&reason);
        throw std::runtime_error("cannot unpack " + location.native() +
                                 ": not a zip archive libzip can read (" + text + ")");
    }
    std::vector<ListedEntry> listed;
    const zip_int64_t entries = zip_get_num_entries(zip, 0);
    listed.reserve(entries > 0 ? static_cast<std::size_t>(entries) : 0);
    for (zip_int64_t i = 0; i < entries; ++i) {
        zip_stat_t entry;
        zip_stat_init(&entry);
        if (zip_stat_index(zip, static_cast<zip_uint64_t>(i), 0, &entry) != 0) {
            continue;
        }
        ListedEntry& item = listed.emplace_back();
        if ((entry.valid & ZIP_STAT_NAME) != 0 && entry.name != nullptr) {
            item.name = entry.name;
        }
        if ((entry.valid & ZIP_STAT_SIZE) != 0) {
            item.size = entry.size;
        }
        if ((entry.valid & ZIP_STAT_CRC) != 0) {
            item.crc = entry.crc;
        }
    }
    zip_discard(zip);
    // By name, so that a part is found at once; a name listed twice keeps its order.
    std::ranges::stable_sort(listed, {}, &ListedEntry::name);
    return listed;
}

// unzip's exit, in words, when it says that something may not have been unpacked.
std::optional<std::string> complaintOf(int status)
{
    if (WIFSIGNALED(status)) {
        return "unzip was ended by signal " + std::to_string(WTERMSIG(status));
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) <= 1) {
        return std::nullopt;
    }
    const int code = WEXITSTATUS(status);
    const char* what = code == 2 || code == 3     ? "errors in the container"
                       : code == 50               ? "a full disk"
                       : code == 51               ? "the container ending early"
                       : code == 80               ? "an interruption"
                       : code == 81 || code == 82 ? "entries it could not decompress or decrypt"
                       : code >= 4 && code <= 7   ? "too little memory"
                                                  : "a failure";
    return "unzip reported " + std::string(what) + " (exit status " + std::to_string(code) + ")";
}

// The bytes that process `pid` has written so far, or nullopt when /proc does not tell.
std::optional<std::uint64_t> bytesWritten(pid_t pid)
{
    const std::string path = "/proc/" + std::to_string(pid) + "/io";
    const Descriptor io(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    std::array<char, 512> buffer{};
    const ssize_t n = io.get() < 0 ? -1 : ::read(io.get(), buffer.data(), buffer.size());
    if (n <= 0) {
        return std::nullopt;
    }
    const std::string_view text(buffer.data(), static_cast<std::size_t>(n));
    constexpr std::string_view key = "wchar: ";
    const std::size_t at = text.find(key);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    const char* first = text.data() + at + key.size();
    if (std::from_chars(first, text.data() + text.size(), value).ec != std::errc()) {
        return std::nullopt;
    }
    return value;
}

int reap(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return 0; // not ours to wait for any more: nothing is known of its end
        }
    }
    return status;
}

enum class Outcome { Exited, TooMuch, Cancelled };

struct Ended
{
    Outcome outcome;
    int status = 0; // the wait status, when it exited by itself
};

// Waits until the child has exited, checking every few milliseconds how much it has written,
// and once more after it ended (it is reaped only after that check, so /proc still has it).
// Kills and reaps the child when it wrote more than `allowance` (a container's declared sizes
// can lie, and unzip writes what the data inflates to) or when the batch it works for is cancelled.
Ended waitWithin(pid_t pid, std::uint64_t allowance)
{
    // Readable once the child has exited (glibc's header lacks C linkage, hence the system call).
    const Descriptor child(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    const auto tooMuch = [&] {
        const std::optional<std::uint64_t> written = bytesWritten(pid);
        return written && *written > allowance;
    };
    int delayMs = 1; // most containers are unpacked within a few milliseconds
    for (;;) {
        bool ended = false;
        if (child.get() >= 0) {
            pollfd exited{child.get(), POLLIN, 0};
            ended = ::poll(&exited, 1, delayMs) > 0;
        } else { // no pidfd (a kernel before 5.3): look, then sleep
            siginfo_t info{};
            ended = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                    info.si_pid == pid;
            if (!ended) {
                const timespec pause{0, static_cast<long>(delayMs) * 1'000'000};
                ::nanosleep(&pause, nullptr);
            }
        }
        const bool over = tooMuch();
        if (over || cancelRequested()) {
            ::kill(pid, SIGKILL);
            reap(pid);
            return {over ? Outcome::TooMuch : Outcome::Cancelled};
        }
        if (ended) {
            return {Outcome::Exited, reap(pid)};
        }
        delayMs = std::min(delayMs * 2, 10);
    }
}

// Runs unzip on the container open at `archive` and waits for it. unzip reads its archive argument as a
// wildcard pattern and tries NAME.zip when NAME is missing, so it gets the descriptor's /dev/fd name, which
// it can neither expand nor mistake; it reopens that name and so can seek as in any file.
Ended runUnzip(const fs::path& unzipProgram, int archive, const fs::path& directory, std::uint64_t allowance)
{
    SpawnFileActions actions(preparing);
    // In this order, so that a container opened as descriptor 0 (standard input closed in the
    // parent) is moved away before /dev/null takes its place. dup2 onto the same number
    // clears close-on-exec, as it must.
    check(posix_spawn_file_actions_adddup2(actions.get(), archive, archiveDescriptor));
    // A container with duplicate entry names makes unzip ask on standard input whether to
    // overwrite; end of input there makes it answer "no" instead of waiting for ever.
    check(posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0));

    SpawnAttributes attributes(preparing);
    // A session of its own has no controlling terminal, so the password prompt of an encrypted
    // container cannot open /dev/tty and wait there. Signals blocked by the calling thread are
    // not passed on.
    sigset_t none;
    sigemptyset(&none);
    check(posix_spawnattr_setsigmask(attributes.get(), &none));
    check(posix_spawnattr_setflags(attributes.get(), POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK));

    std::string program = unzipProgram.native();
    std::string quiet = "-q";
    std::string archiveName = "/dev/fd/" + std::to_string(archiveDescriptor);
    std::string into = "-d";
    std::string target = directory.native();
    std::array<char*, 6> argv{program.data(), quiet.data(),  archiveName.data(),
                              into.data(),    target.data(), nullptr};

    pid_t pid = 0;
    if (int rc = posix_spawn(&pid, program.c_str(), actions.get(), attributes.get(), argv.data(), environ);
        rc != 0) {
        fail(rc, "cannot start " + program);
    }
    return waitWithin(pid, allowance);
}

// Makes every directory below `directory` writable and searchable again: unzip restores the
// permissions stored in the container, and a directory stored without them cannot be emptied.
void makeRemovable(const fs::path& directory) noexcept
{
    std::vector<fs::path> pending{directory};
    while (!pending.empty()) {
        const fs::path current = std::move(pending.back());
        pending.pop_back();
        std::error_code ec;
        ::chmod(current.c_str(), S_IRWXU);
        for (fs::directory_iterator it(current, ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code typeError;
            if (it->symlink_status(typeError).type() == fs::file_type::directory) {
                pending.push_back(it->path());
            }
        }
    }
}

// The CRC-32 of ZIP containers, by zlib, which libzip itself uses.
std::uint32_t zipCrc32(std::string_view bytes)
{
    uLong crc = ::crc32(0L, Z_NULL, 0);
    for (std::size_t at = 0; at < bytes.size();) {
        const auto length = static_cast<uInt>(std::min<std::size_t>(bytes.size() - at, 1u << 30));
        crc = ::crc32(crc, reinterpret_cast<const Bytef*>(bytes.data() + at), length);
        at += length;
    }
    return static_cast<std::uint32_t>(crc);
}

} // namespace

bool ExtractionDirectory::unpackedWhole(std::string_view relative, std::string_view bytes) const
{
    if (!complaint_) {
        return true;
    }
    // Not std::ranges::equal_range: clang 14 cannot form its subrange over libstdc++ 12.
    struct ByName
    {
        bool operator()(const ListedEntry& e, std::string_view name) const { return e.name < name; }
        bool operator()(std::string_view name, const ListedEntry& e) const { return name < e.name; }
    };
    const auto [first, last] = std::equal_range(listed_.begin(), listed_.end(), relative, ByName{});
    // unzip keeps the first of two entries of one name; either may be the one on disk.
    return first == last || std::any_of(first, last, [&](const ListedEntry& entry) {
               return entry.size == bytes.size() && (!entry.crc || *entry.crc == zipCrc32(bytes));
           });
}

ExtractionDirectory::~ExtractionDirectory()
{
    if (!path_.empty()) {
        removeExtractedArchive(path_);
    }
}

ExtractionDirectory::ExtractionDirectory(ExtractionDirectory&& other) noexcept
    : path_(std::move(other.path_)), listed_(std::move(other.listed_)),
      complaint_(std::move(other.complaint_))
{
    other.path_.clear();
}

ExtractionDirectory& ExtractionDirectory::operator=(ExtractionDirectory&& other) noexcept
{
    if (this != &other) {
        if (!path_.empty()) {
            removeExtractedArchive(path_);
        }
        path_ = std::move(other.path_);
        listed_ = std::move(other.listed_);
        complaint_ = std::move(other.complaint_);
        other.path_.clear();
    }
    return *this;
}

std::uint64_t
extractionAllowance(std::uint64_t containerSize, std::uint64_t freeSpace, const ExtractionLimits& limits)
{
    const std::uint64_t bySize = std::max(limits.floor, multiplySaturated(limits.ratio, containerSize));
    const std::uint64_t byFreeSpace =
        freeSpace > limits.freeSpaceMargin ? freeSpace - limits.freeSpaceMargin : 0;
    return std::min(bySize, byFreeSpace);
}

ExtractionDirectory
extractOfficeArchive(const fs::path& location, const fs::path& unzipProgram, const ExtractionLimits& limits)
{
    std::error_code ec;
    fs::path temporary = fs::temp_directory_path(ec);
    if (ec) {
        throw std::system_error(ec, "cannot find the temporary directory");
    }
    // Absolute, so that the directory argument can never be read as an option.
    temporary = fs::absolute(temporary, ec);
    if (ec) {
        throw std::system_error(ec, "cannot find the temporary directory");
    }

    // O_NONBLOCK: opening a FIFO would otherwise wait for a writer.
    const Descriptor archive(::open(location.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (archive.get() < 0) {
        fail(errno, "cannot open " + location.native());
    }
    struct stat st
    {
    };
    if (::fstat(archive.get(), &st) != 0) {
        fail(errno, "cannot open " + location.native());
    }
    if (S_ISDIR(st.st_mode)) {
        fail(EISDIR, "cannot unpack " + location.native());
    }
    if (!S_ISREG(st.st_mode)) {
        throw std::runtime_error("cannot unpack " + location.native() + ": not a regular file");
    }

    // A compression bomb would fill the disk: refuse what no document unpacks to.
    const auto containerSize = static_cast<std::uint64_t>(st.st_size);
    const std::uint64_t allowance = extractionAllowance(containerSize, freeSpace(temporary), limits);
    const bool bySize = allowance == std::max(limits.floor, multiplySaturated(limits.ratio, containerSize));
    const std::string limit = bySize ? "the " + describeSize(allowance) + " allowed for its size"
                                     : describeSize(allowance) + ", which would leave less than " +
                                           describeSize(limits.freeSpaceMargin) +
                                           " free in the temporary directory";
    const auto refused = [&](const std::string& what) {
        return std::runtime_error("refusing to unpack " + location.native() + ": " + what);
    };
    std::vector<ListedEntry> listed = listContainer(archive.get(), location);
    if (listed.size() > limits.entries) {
        throw refused("it holds " + std::to_string(listed.size()) + " entries, more than the " +
                      std::to_string(limits.entries) + " allowed");
    }
    std::uint64_t declared = 0;
    for (const ListedEntry& entry : listed) {
        declared = addSaturated(declared, entry.size.value_or(0));
    }
    if (declared > allowance) {
        throw refused("its entries add up to " + describeSize(declared) + ", more than " + limit);
    }
    // Made only once the container is accepted. Private (0700) and never an existing directory:
    // the temporary directory is shared with other users, who must neither read the unpacked
    // document nor plant files in it.
    const fs::path path = temporary / newUuid();
    if (::mkdir(path.c_str(), S_IRWXU) != 0) {
        fail(errno, "cannot create the extraction directory " + path.native());
    }
    ExtractionDirectory directory(path);
    const Ended ended = runUnzip(unzipProgram, archive.get(), directory.path(), allowance);
    if (ended.outcome == Outcome::TooMuch) {
        throw refused("it unpacks to more than " + limit);
    }
    if (ended.outcome == Outcome::Cancelled) {
        throw std::runtime_error("unpacking " + location.native() + " was cancelled");
    }
    directory.setContents(std::move(listed), complaintOf(ended.status));
    return directory;
}

void removeExtractedArchive(const fs::path& directory) noexcept
{
    std::error_code ec;
    fs::remove_all(directory, ec);
    if (ec) {
        makeRemovable(directory);
        fs::remove_all(directory, ec);
    }
}

void refuseLinks(const fs::path& root, const fs::path& relative, const std::string& failure)
{
    fs::path below;
    for (const fs::path& component : relative) {
        below /= component;
        std::error_code ec;
        if (fs::symlink_status(root / below, ec).type() == fs::file_type::symlink) {
            throw std::runtime_error(failure + ": " + below.native() + " is a symbolic link");
        }
    }
}

} // namespace pagetally
