// Both ends of the PDF helper: the process that runs Poppler, and the program's side that
// starts it, hands it one open file at a time and waits for the answer.
#include "analysis/formats/PdfAnalysis.h"
#include "analysis/system/Cancellation.h"
#include "analysis/system/Descriptor.h"
#include "analysis/system/FileBytes.h"
#include "analysis/system/Spawn.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <mutex>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <system_error>
#include <time.h>

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

// One request is one datagram carrying the file's descriptor. The helper answers it with the
// page count as soon as it has read it, then with the final reply; if it ends in between, the
// page count is kept.
struct Request
{
    double openSeconds = 0; // until the page count is known
    double pageSeconds = 0; // each page
    // The text in all: textSeconds (the file's size counted in) and so much a page, for at most
    // pagesWithTime pages.
    double textSeconds = 0;
    double textSecondsPerPage = 0;
    double pagesWithTime = 0;
    std::uint64_t memoryBytes = 0; // beyond what the helper holds already
};

Request requestFor(const PdfLimits& limits, std::int64_t fileSize)
{
    const auto seconds = [](double s) { return std::clamp(s, 0.001, 1e6); };
    const double mib = static_cast<double>(fileSize) / double(1 << 20);
    Request request;
    request.openSeconds = seconds(limits.openSeconds + limits.openSecondsPerMiB * mib);
    request.pageSeconds = seconds(limits.pageSeconds);
    request.textSeconds = seconds(limits.textSeconds + limits.textSecondsPerMiB * mib);
    request.textSecondsPerPage = std::clamp(limits.textSecondsPerPage, 0.0, 1e6);
    request.pagesWithTime =
        limits.bytesPerPage > 0 ? static_cast<double>(fileSize) / limits.bytesPerPage : 1e18;
    const double bytes = limits.memoryMiB * double(1 << 20) + limits.memoryPerFileByte * double(fileSize);
    request.memoryBytes = static_cast<std::uint64_t>(std::clamp(bytes, 0.0, 1e18));
    return request;
}

// The CPU time the text of a document of `pages` pages may take.
double textBudget(const Request& request, std::int64_t pages)
{
    const double paid = std::min(static_cast<double>(pages), request.pagesWithTime);
    return std::min(request.textSeconds + request.textSecondsPerPage * paid, 1e9);
}

struct Reply
{
    std::int64_t pages = -1; // -1: absent
    std::int64_t words = 0;
    std::int64_t pagesWithoutText = 0;
    std::int64_t pagesMissing = 0;
    std::int32_t problem = 0; // PdfProblem
    std::int32_t final = 1;   // 0: only the page count, the text follows
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

// Lets the work go on for `seconds` of CPU time from now; past that the kernel ends the process
// with SIGPROF. A profiling timer rather than RLIMIT_CPU, which counts whole seconds over the
// whole life of the process. 0 disarms it.
void limitCpuTime(double seconds)
{
    const auto micro = static_cast<std::int64_t>(std::ceil(std::clamp(seconds, 0.0, 1e9) * 1e6));
    itimerval timer{};
    timer.it_value.tv_sec = static_cast<time_t>(micro / 1'000'000);
    timer.it_value.tv_usec = static_cast<suseconds_t>(micro % 1'000'000);
    ::setitimer(ITIMER_PROF, &timer, nullptr);
}

// The CPU time this process has used, in seconds.
double cpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Past `bytes` more address space than it holds now, Poppler's allocations fail and the
// document's text is not read. The helper with the library loaded takes 18 MiB, reading a
// typeset 1,000-page book 21 MiB (12 MiB resident), while a crafted page of a few kilobytes can
// make the library want gigabytes for its text. Counting from what the helper holds keeps what
// an earlier document left in its heap from shrinking the next one's share. The sanitizers
// reserve terabytes of address space, so their builds go without.
void limitMemory([[maybe_unused]] std::uint64_t bytes)
{
#ifndef PAGETALLY_ADDRESS_SANITIZER
    // The address space this process holds now, in bytes; 0 when it cannot be read.
    const auto addressSpace = [] {
        std::uint64_t pages = 0;
        if (std::FILE* statm = std::fopen("/proc/self/statm", "re")) {
            if (std::fscanf(statm, "%" SCNu64, &pages) != 1) {
                pages = 0;
            }
            std::fclose(statm);
        }
        return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    };
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) != 0) {
        return;
    }
    const std::uint64_t wanted = addressSpace() + bytes;
    limit.rlim_cur =
        limit.rlim_max == RLIM_INFINITY ? rlim_t(wanted) : std::min(limit.rlim_max, rlim_t(wanted));
    ::setrlimit(RLIMIT_AS, &limit);
#endif
}

bool sendReply(int socket, const Reply& reply)
{
    return ::send(socket, &reply, sizeof reply, MSG_NOSIGNAL) == sizeof reply;
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

    // The count, or nullopt when no helper could be started (`error` then says why).
    std::optional<PdfCount> measure(const fs::path& program, int fd, const Request& request, int& error)
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
            if (pid_ <= 0 && (error = start(program)) != 0) {
                return std::nullopt;
            }
            if (sendRequest(socket_, request, fd)) {
                return awaitReplies(request);
            }
            stop();
        }
        error = EPIPE;
        return std::nullopt;
    }

private:
    // 0, or why the helper cannot be started (an errno value).
    int start(const fs::path& program)
    {
        if (program.empty()) {
            return ENOENT;
        }
        std::array<int, 2> ends{-1, -1};
        // Close-on-exec, so that no other child (unzip) keeps the helper's line open.
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends.data()) != 0) {
            return errno;
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
            sigaddset(&defaults, SIGPROF); // the time limit must end it, even if ignored here
            checkSpawn(posix_spawnattr_setsigmask(attributes.get(), &none), what);
            checkSpawn(posix_spawnattr_setsigdefault(attributes.get(), &defaults), what);
            checkSpawn(
                posix_spawnattr_setflags(attributes.get(), POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF),
                what);
            // The helper dies with this process; it checks that its parent is still this one.
            std::string name = program.native();
            std::string parent = std::to_string(::getpid());
            std::array<char*, 3> argv{name.data(), parent.data(), nullptr};
            pid_t pid = 0;
            if (const int rc =
                    posix_spawn(&pid, name.c_str(), actions.get(), attributes.get(), argv.data(), environ);
                rc != 0) {
                ::close(ends[0]);
                return rc;
            }
            pid_ = pid;
            socket_ = ends[0];
            program_ = program;
            return 0;
        } catch (const std::system_error& e) {
            ::close(ends[0]);
            return e.code().value();
        } catch (const std::exception&) {
            ::close(ends[0]);
            return ENOMEM;
        }
    }

    // The count of the final reply; when the helper ends before it, the page count of the first
    // and what ended it.
    PdfCount awaitReplies(const Request& request)
    {
        // The CPU limits end a busy helper; this ends one that waits on something instead.
        // Generous, since many helpers may share few processors.
        const auto patience = [](double cpuSeconds) {
            return std::chrono::steady_clock::now() +
                   std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                       std::chrono::duration<double>(std::clamp(20 * cpuSeconds, 300.0, 1e8)));
        };
        auto deadline = patience(request.openSeconds);
        PdfCount count;
        for (;;) {
            const std::optional<Reply> reply = nextReply(deadline);
            if (!reply) {
                const int status = stop(); // it ended: out of time, or the document crashed the library
                count.words = 0;
                count.pagesWithoutText = 0;
                count.pagesMissing = 0;
                count.problem = !WIFSIGNALED(status) ? PdfProblem::crashed
                                : WTERMSIG(status) == SIGPROF || WTERMSIG(status) == SIGKILL
                                    ? PdfProblem::timeLimit
                                // Poppler aborts when an allocation fails.
                                : WTERMSIG(status) == SIGABRT ? PdfProblem::memoryLimit
                                                              : PdfProblem::crashed;
                return count;
            }
            if (reply->pages >= 0) {
                count.pages = reply->pages;
            }
            if (reply->final == 0 && reply->pages >= 0) {
                deadline = patience(textBudget(request, reply->pages));
            }
            if (reply->final != 0) {
                count.words = reply->words;
                count.pagesWithoutText = reply->pagesWithoutText;
                count.pagesMissing = reply->pagesMissing;
                count.problem = static_cast<PdfProblem>(reply->problem);
                return count;
            }
        }
    }

    // The next reply, or nullopt when the helper ended or outlived `deadline` (it is killed then).
    std::optional<Reply> nextReply(std::chrono::steady_clock::time_point deadline)
    {
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || cancelRequested()) {
                ::kill(pid_, SIGKILL);
                return std::nullopt;
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
                return std::nullopt;
            }
        }
        Reply reply;
        ssize_t n = 0;
        do {
            n = ::recv(socket_, &reply, sizeof reply, 0);
        } while (n < 0 && errno == EINTR);
        if (n != sizeof reply) {
            return std::nullopt;
        }
        return reply;
    }

    // Closing our end makes an idle helper leave its loop; then it is reaped. Returns its wait
    // status (0 when there was none).
    int stop() noexcept
    {
        if (socket_ >= 0) {
            ::close(socket_);
            socket_ = -1;
        }
        int status = 0;
        if (pid_ > 0) {
            while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
            pid_ = -1;
        }
        return status;
    }

    pid_t pid_ = -1;
    int socket_ = -1;
    fs::path program_;
};

} // namespace

int servePdfRequests(int socket, pid_t parent)
{
    // A killed program must not leave its helper busy for the rest of the document's budget.
    // The signal comes when the thread that started the helper ends, and that thread's helper
    // has always been stopped by then. A parent that ended before this line was reached is seen
    // by the pid: the helper then has another.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (parent > 0 && ::getppid() != parent) {
        return 1;
    }
    // Ended by the time limit, the helper leaves no core file behind.
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);

    Request request;
    int fd = -1;
    while (receiveRequest(socket, request, fd)) {
        const Descriptor file(fd);
        limitMemory(request.memoryBytes);
        limitCpuTime(request.openSeconds);
        double textDeadline = 0;
        Reply reply;
        reply.problem = static_cast<std::int32_t>(PdfProblem::notOpened);
        bool sent = true;
        PdfWatch watch;
        watch.pagesKnown = [&](std::int64_t pages) {
            reply.pages = pages;
            Reply first;
            first.pages = pages;
            first.final = 0;
            sent = sendReply(socket, first);
            textDeadline = cpuSeconds() + textBudget(request, pages);
        };
        // Each page gets its own time, within what is left of the document's.
        watch.nextPage = [&] {
            const double left = textDeadline - cpuSeconds();
            if (left <= 0) {
                return false;
            }
            limitCpuTime(std::min(request.pageSeconds, left));
            return true;
        };
        try {
            struct stat st = {};
            if (::fstat(file.get(), &st) == 0 && S_ISREG(st.st_mode)) {
                const PdfCount count = countPdfInProcess(file.get(), {}, watch);
                reply.pages = count.pages.value_or(-1);
                reply.words = count.words;
                reply.pagesWithoutText = count.pagesWithoutText;
                reply.pagesMissing = count.pagesMissing;
                reply.problem = static_cast<std::int32_t>(count.problem);
            }
        } catch (const std::exception&) {
            // Out of memory inside the library: the page count, if read, stays.
            reply.words = 0;
            reply.pagesWithoutText = 0;
            reply.pagesMissing = 0;
            reply.problem = static_cast<std::int32_t>(PdfProblem::memoryLimit);
        }
        limitCpuTime(0);
        if (!sent || !sendReply(socket, reply)) {
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
        return ec ? fs::path() : (self.parent_path() / PAGETALLY_PDF_HELPER_FROM_BIN).lexically_normal();
    }();
    return program;
}

PdfCount measurePdf(const fs::path& location, const PdfLimits& limits, const fs::path& helper)
{
    // Only a regular file is handed on: opening a FIFO would wait for a writer.
    struct stat st = {};
    const Descriptor fd(openRegularFile(location, st));
    if (fd.get() < 0) {
        return PdfCount::failed(PdfProblem::notOpened);
    }
    thread_local HelperProcess process;
    int error = 0;
    if (const auto count = process.measure(helper, fd.get(), requestFor(limits, st.st_size), error)) {
        return *count;
    }
    // Poppler is never run in the program itself, where a crafted file would have no limits.
    // The sanitized builds run the helper too. Said once: every PDF of the run has the note.
    static std::once_flag said;
    std::call_once(said, [&] {
        if (helper.empty()) {
            std::fprintf(stderr, "%s: PDFs are not read: the PDF helper's location is unknown\n",
                         program_invocation_short_name);
        } else {
            std::fprintf(stderr, "%s: PDFs are not read: cannot start the PDF helper %s: %s\n",
                         program_invocation_short_name, helper.c_str(), std::strerror(error));
        }
    });
    return PdfCount::failed(PdfProblem::noHelper);
}

} // namespace pagetally
