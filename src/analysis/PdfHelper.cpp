// Both ends of the PDF helper: the process that runs Poppler, and the program's side that
// starts it, hands it one open file at a time and waits for the answer.
#include "analysis/Cancellation.h"
#include "analysis/Descriptor.h"
#include "analysis/PdfAnalysis.h"
#include "analysis/Spawn.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>
#include <exception>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>

extern char** environ;

#if defined(__SANITIZE_ADDRESS__)
#define PAGETALLY_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PAGETALLY_ADDRESS_SANITIZER 1
#endif
#endif

namespace pagetally {
namespace {

namespace fs = std::filesystem;

// One request is one datagram carrying the file's descriptor; one reply answers it.
struct Request
{
    std::uint32_t cpuSeconds = 0;
};

struct Reply
{
    std::int64_t pages = -1; // -1: absent
    std::int64_t words = 0;
};

// The message that carries a request, with room for one descriptor beside it.
struct RequestMessage
{
    explicit RequestMessage(Request& request) : data{&request, sizeof request}
    {
        header.msg_iov = &data;
        header.msg_iovlen = 1;
        header.msg_control = control.data();
        header.msg_controllen = control.size();
    }
    RequestMessage(const RequestMessage&) = delete;
    RequestMessage& operator=(const RequestMessage&) = delete;

    iovec data;
    alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(int))> control{};
    msghdr header{};
};

// ---- The helper's side -------------------------------------------------------------------

// Lets this document run for `seconds` more of CPU time; past that the kernel ends the process
// with SIGXCPU. The limit counts the whole life of the process, hence relative to what is used.
void limitCpuTime(std::uint32_t seconds)
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    rlimit limit{};
    ::getrlimit(RLIMIT_CPU, &limit);
    const rlim_t used = static_cast<rlim_t>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + 1;
    limit.rlim_cur = used + seconds;
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_cur > limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
    }
    ::setrlimit(RLIMIT_CPU, &limit);
}

// A document is not given more than half the machine's memory: past that Poppler's
// allocations fail and the document is unreadable, rather than the system swapping.
// The sanitizers reserve terabytes of address space, so their builds go without.
void limitMemory()
{
#ifndef PAGETALLY_ADDRESS_SANITIZER
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    rlimit limit{};
    if (pages <= 0 || pageSize <= 0 || ::getrlimit(RLIMIT_AS, &limit) != 0) {
        return;
    }
    const rlim_t half = static_cast<rlim_t>(pages) / 2 * static_cast<rlim_t>(pageSize);
    limit.rlim_cur = std::min(limit.rlim_cur, std::max<rlim_t>(half, rlim_t(1) << 30));
    ::setrlimit(RLIMIT_AS, &limit);
#endif
}

// The next request and its descriptor; false when the program has closed its end.
bool receiveRequest(int socket, Request& request, int& fd)
{
    for (;;) {
        fd = -1;
        RequestMessage message(request);
        const ssize_t n = ::recvmsg(socket, &message.header, MSG_CMSG_CLOEXEC);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        for (cmsghdr* c = CMSG_FIRSTHDR(&message.header); c != nullptr; c = CMSG_NXTHDR(&message.header, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS &&
                c->cmsg_len == CMSG_LEN(sizeof(int))) {
                std::memcpy(&fd, CMSG_DATA(c), sizeof fd);
            }
        }
        if (n == sizeof request && fd >= 0 && (message.header.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) == 0) {
            return true;
        }
        if (fd >= 0) {
            ::close(fd);
        }
        return false; // not from the program: stop
    }
}

// ---- The program's side ------------------------------------------------------------------

bool sendRequest(int socket, Request request, int fd)
{
    RequestMessage message(request);
    cmsghdr* c = CMSG_FIRSTHDR(&message.header);
    c->cmsg_level = SOL_SOCKET;
    c->cmsg_type = SCM_RIGHTS;
    c->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(c), &fd, sizeof fd);
    ssize_t n = 0;
    do {
        n = ::sendmsg(socket, &message.header, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n == sizeof request;
}

// One helper process per thread, kept from one document to the next: starting it costs more
// than measuring a short PDF.
class HelperProcess
{
public:
    HelperProcess() = default;
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;
    ~HelperProcess() { stop(); }

    // The count, or nullopt when no helper could be started.
    std::optional<PdfCount> measure(const fs::path& program, int fd, std::uint32_t cpuSeconds)
    {
        if (pid_ > 0 && program != program_) {
            stop();
        }
        // An idle helper has nothing to say: if its line is readable or hung up, it has ended
        // (killed while it waited, say) and a fresh one takes the document.
        if (pollfd line{socket_, POLLIN | POLLRDHUP, 0}; pid_ > 0 && ::poll(&line, 1, 0) != 0) {
            stop();
        }
        // A second attempt when the helper ends just as the request is sent.
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (pid_ <= 0 && !start(program)) {
                return std::nullopt;
            }
            if (sendRequest(socket_, Request{cpuSeconds}, fd)) {
                return awaitReply(cpuSeconds);
            }
            stop();
        }
        return std::nullopt;
    }

private:
    bool start(const fs::path& program)
    {
        std::array<int, 2> ends{-1, -1};
        // Close-on-exec, so that no other child (unzip) keeps the helper's line open.
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends.data()) != 0) {
            return false;
        }
        const Descriptor theirs(ends[1]);
        try {
            const std::string what = "cannot prepare the PDF helper";
            SpawnFileActions actions(what);
            // dup2 onto another number clears close-on-exec, as it must here.
            checkSpawn(posix_spawn_file_actions_adddup2(actions.get(), theirs.get(), STDIN_FILENO), what);
            // Standard output may be the CLI's JSON document: nothing else may reach it.
            checkSpawn(
                posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, "/dev/null", O_WRONLY, 0),
                what);
            SpawnAttributes attributes(what);
            sigset_t none;
            sigemptyset(&none);
            sigset_t defaults;
            sigemptyset(&defaults);
            sigaddset(&defaults, SIGXCPU); // the time limit must end it, even if ignored here
            checkSpawn(posix_spawnattr_setsigmask(attributes.get(), &none), what);
            checkSpawn(posix_spawnattr_setsigdefault(attributes.get(), &defaults), what);
            checkSpawn(
                posix_spawnattr_setflags(attributes.get(), POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF),
                what);
            std::string name = program.native();
            std::array<char*, 2> argv{name.data(), nullptr};
            pid_t pid = 0;
            if (posix_spawn(&pid, name.c_str(), actions.get(), attributes.get(), argv.data(), environ) != 0) {
                ::close(ends[0]);
                return false;
            }
            pid_ = pid;
            socket_ = ends[0];
            program_ = program;
            return true;
        } catch (const std::exception&) {
            ::close(ends[0]);
            return false;
        }
    }

    PdfCount awaitReply(std::uint32_t cpuSeconds)
    {
        // The CPU limit ends a busy helper; this ends one that waits on something instead.
        // Generous, since many helpers may share few processors.
        const auto patience =
            std::chrono::seconds(std::max<std::uint64_t>(300, std::uint64_t(cpuSeconds) * 20));
        const auto deadline = std::chrono::steady_clock::now() + patience;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || cancelRequested()) {
                ::kill(pid_, SIGKILL);
                stop();
                return {};
            }
            // Short waits, so that a cancelled batch ends the helper at once.
            pollfd ready{socket_, POLLIN, 0};
            const int rc = ::poll(&ready, 1, static_cast<int>(std::min<std::int64_t>(left.count(), 50)));
            if (rc < 0 && errno == EINTR) {
                continue;
            }
            if (rc > 0) {
                break;
            }
            if (rc < 0) {
                ::kill(pid_, SIGKILL);
                stop();
                return {};
            }
        }
        Reply reply;
        ssize_t n = 0;
        do {
            n = ::recv(socket_, &reply, sizeof reply, 0);
        } while (n < 0 && errno == EINTR);
        if (n != sizeof reply) {
            stop(); // it ended: out of time, or the document crashed the library
            return {};
        }
        PdfCount count;
        if (reply.pages >= 0) {
            count.pages = reply.pages;
        }
        count.words = reply.words;
        return count;
    }

    // Closing our end makes an idle helper leave its loop; then it is reaped.
    void stop() noexcept
    {
        if (socket_ >= 0) {
            ::close(socket_);
            socket_ = -1;
        }
        if (pid_ > 0) {
            int status = 0;
            while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
            pid_ = -1;
        }
    }

    pid_t pid_ = -1;
    int socket_ = -1;
    fs::path program_;
};

} // namespace

int servePdfRequests(int socket)
{
    // Ended by the time limit, the helper leaves no core file behind.
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    limitMemory();

    Request request;
    int fd = -1;
    while (receiveRequest(socket, request, fd)) {
        const Descriptor file(fd);
        limitCpuTime(request.cpuSeconds);
        Reply reply;
        try {
            struct stat st = {};
            if (::fstat(file.get(), &st) == 0 && S_ISREG(st.st_mode)) {
                const PdfCount count = countPdfInProcess(file.get());
                reply.pages = count.pages.value_or(-1);
                reply.words = count.words;
            }
        } catch (const std::exception&) {
            reply = {}; // out of memory inside the library: the document cannot be read
        }
        if (::send(socket, &reply, sizeof reply, MSG_NOSIGNAL) != sizeof reply) {
            return 1;
        }
    }
    return 0;
}

const fs::path& pdfHelperProgram()
{
    static const fs::path program = [] {
        std::error_code ec;
        const fs::path self = fs::read_symlink("/proc/self/exe", ec);
        if (ec) {
            return fs::path();
        }
        const fs::path helper = (self.parent_path() / PAGETALLY_PDF_HELPER_FROM_BIN).lexically_normal();
        return ::access(helper.c_str(), X_OK) == 0 ? helper : fs::path();
    }();
    return program;
}

PdfCount measurePdf(const fs::path& location, const PdfLimits& limits, const fs::path& helper)
{
    // Only a regular file is handed on: opening a FIFO would wait for a writer.
    struct stat st = {};
    const Descriptor fd(openRegularFile(location, st));
    if (fd.get() < 0) {
        return {};
    }
    if (!helper.empty()) {
        thread_local HelperProcess process;
        const double mib = static_cast<double>(st.st_size) / double(1 << 20);
        const double seconds = std::clamp(limits.baseSeconds + limits.secondsPerMiB * mib, 1.0, 1e6);
        if (const auto count =
                process.measure(helper, fd.get(), static_cast<std::uint32_t>(std::ceil(seconds)))) {
            return *count;
        }
    }
    return countPdfInProcess(fd.get(), location);
}

} // namespace pagetally
