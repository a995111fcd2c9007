#include "analysis/system/Cancellation.h"

namespace pagetally {
namespace {

thread_local const std::atomic<bool>* cancelFlag = nullptr;

// Lock-free, so that a signal handler may set it.
std::atomic<int> interrupted{0};
static_assert(std::atomic<int>::is_always_lock_free);

} // namespace

bool cancelRequested() noexcept
{
    return interrupted.load(std::memory_order_relaxed) != 0 ||
           (cancelFlag != nullptr && cancelFlag->load(std::memory_order_relaxed));
}

CancelScope::CancelScope(const std::atomic<bool>& flag) noexcept : previous_(cancelFlag)
{
    cancelFlag = &flag;
}

CancelScope::~CancelScope()
{
    cancelFlag = previous_;
}

void requestInterrupt(int signal) noexcept
{
    int none = 0;
    interrupted.compare_exchange_strong(none, signal, std::memory_order_relaxed);
}

int interruptSignal() noexcept
{
    return interrupted.load(std::memory_order_relaxed);
}

} // namespace pagetally
