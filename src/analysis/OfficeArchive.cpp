#include "analysis/OfficeArchive.h"

#include "analysis/FileInfo.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

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

class SpawnFileActions
{
public:
    SpawnFileActions()
    {
        if (int rc = posix_spawn_file_actions_init(&actions_); rc != 0) {
            fail(rc, "cannot prepare the unzip process");
        }
    }
    ~SpawnFileActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnFileActions(const SpawnFileActions&) = delete;
    SpawnFileActions& operator=(const SpawnFileActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

class SpawnAttributes
{
public:
    SpawnAttributes()
    {
        if (int rc = posix_spawnattr_init(&attributes_); rc != 0) {
            fail(rc, "cannot prepare the unzip process");
        }
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    posix_spawnattr_t* get() { return &attributes_; }

private:
    posix_spawnattr_t attributes_;
};

void check(int rc)
{
    if (rc != 0) {
        fail(rc, "cannot prepare the unzip process");
    }
}

// Runs unzip on the container open at `archive` and waits for it. unzip reads its archive
// argument as a wildcard pattern and tries NAME.zip when NAME is missing, so it gets the
// descriptor's /dev/fd name, which it can neither expand nor mistake; it reopens that name
// and so can seek as in any file.
void runUnzip(const fs::path& unzipProgram, int archive, const fs::path& directory)
{
    SpawnFileActions actions;
    // In this order, so that a container opened as descriptor 0 (standard input closed in the
    // parent) is moved away before /dev/null takes its place. dup2 onto the same number
    // clears close-on-exec, as it must.
    check(posix_spawn_file_actions_adddup2(actions.get(), archive, archiveDescriptor));
    // A container with duplicate entry names makes unzip ask on standard input whether to
    // overwrite; end of input there makes it answer "no" instead of waiting for ever.
    check(posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0));

    SpawnAttributes attributes;
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
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
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

} // namespace

ExtractionDirectory::~ExtractionDirectory()
{
    if (!path_.empty()) {
        removeExtractedArchive(path_);
    }
}

ExtractionDirectory::ExtractionDirectory(ExtractionDirectory&& other) noexcept : path_(std::move(other.path_))
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
        other.path_.clear();
    }
    return *this;
}

ExtractionDirectory extractOfficeArchive(const fs::path& location, const fs::path& unzipProgram)
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

    // Private (0700) and never an existing directory: the temporary directory is shared with
    // other users, who must neither read the unpacked document nor plant files in it.
    const fs::path path = temporary / newUuid();
    if (::mkdir(path.c_str(), S_IRWXU) != 0) {
        fail(errno, "cannot create the extraction directory " + path.native());
    }
    ExtractionDirectory directory(path);

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

    runUnzip(unzipProgram, archive.get(), directory.path());
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

std::string describeReadFailure(const fs::path& path)
{
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec) {
        return ec.message();
    }
    if (fs::is_directory(status)) {
        return std::generic_category().message(EISDIR);
    }
    if (!fs::is_regular_file(status)) {
        return "not a regular file";
    }
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        return std::generic_category().message(errno);
    }
    return std::generic_category().message(EIO);
}

} // namespace pagetally
