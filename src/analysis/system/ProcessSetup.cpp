#include "analysis/system/ProcessSetup.h"

#include "analysis/system/Cancellation.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace pagetally {
namespace {

std::atomic<int> wakeDescriptor{-1};

extern "C" void onTerminationSignal(int signal)
{
    const int savedErrno = errno;
    requestInterrupt(signal);
    if (const int fd = wakeDescriptor.load(std::memory_order_relaxed); fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

unsigned openMissingStandardStreams() noexcept
{
    unsigned closed = 0;
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) {
            continue;
        }
        // open() takes the lowest free number, which is this one: the lower ones are open.
        const int opened = ::open("/dev/null", O_RDWR | O_NOCTTY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
        closed |= 1u << fd;
    }
    return closed;
}

void catchTerminationSignals(int wakeFd) noexcept
{
    wakeDescriptor.store(wakeFd, std::memory_order_relaxed);
    struct sigaction action
    {
    };
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    // SA_RESTART: a read or wait in progress goes on, and the cancel it polls for ends it.
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
}

void endBySignal(int signal) noexcept
{
    struct sigaction action
    {
    };
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
    std::_Exit(128 + signal); // not reached: the default action of these signals ends the process
}

} // namespace pagetally
