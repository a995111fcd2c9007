// How a cancelled batch reaches the waits deep inside an analysis (the PDF helper's answer,
// unzip's exit), so that they end their child process at once instead of waiting it out.
#pragma once

#include <atomic>

namespace pagetally {

// Whether the batch that the calling thread works for has been cancelled; false on a thread
// that works for none.
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

} // namespace pagetally
