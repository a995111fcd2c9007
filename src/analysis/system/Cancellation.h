// How a cancelled batch reaches the waits deep inside an analysis (the PDF helper's answer,
// unzip's exit, a recording's reads), so that they end their child process or their read at
// once instead of waiting it out. A termination signal cancels every batch of the process.
#pragma once

#include <atomic>

namespace pagetally {

// Whether the batch that the calling thread works for has been cancelled, or the process has
// been asked to end (requestInterrupt); otherwise false, also on a thread that works for none.
bool cancelRequested() noexcept;

// For its lifetime, the calling thread works for the batch whose flag this is.
class CancelScope
{
public:
    explicit CancelScope(const std::atomic<bool>& flag) noexcept;
    ~CancelScope();
    CancelScope(const CancelScope&) = delete;
    CancelScope& operator=(const CancelScope&) = delete;

private:
    const std::atomic<bool>* previous_;
};

// Cancels every batch, running or to come, because the process received `signal` and is to end.
// Safe in a signal handler. The first signal is the one kept.
void requestInterrupt(int signal) noexcept;

// The signal passed to requestInterrupt, or 0.
int interruptSignal() noexcept;

} // namespace pagetally
