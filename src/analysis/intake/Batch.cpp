#include "analysis/intake/Batch.h"

#include "analysis/intake/Intake.h"
#include "analysis/system/Cancellation.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <sstream>
#include <system_error>
#include <thread>

namespace pagetally {

namespace fs = std::filesystem;

namespace {

// How often waiting threads look at the cancel flag, which is set without notifying them.
constexpr auto cancelPoll = std::chrono::milliseconds(20);

struct Slot
{
    std::optional<FileInfo> record;
    std::string diagnostics;
    bool done = false;
};

} // namespace

fs::path BatchControl::current() const
{
    std::lock_guard lock(mutex_);
    return running_.empty() ? fs::path() : running_.begin()->second;
}

// The batch's side of a BatchControl; a batch without one keeps its own.
class BatchProgress
{
public:
    BatchProgress(BatchControl* control, std::size_t total) : control_(control != nullptr ? *control : own_)
    {
        control_.total_ = total;
        control_.done_ = 0;
    }
    const std::atomic<bool>& flag() const { return control_.cancelled_; }
    // Cancelled by the control, or by a termination signal to the process.
    bool cancelled() const { return control_.cancelled() || interruptSignal() != 0; }
    void started(std::size_t index, const fs::path& location)
    {
        std::lock_guard lock(control_.mutex_);
        control_.running_.emplace(index, location);
    }
    void finished(std::size_t index)
    {
        std::lock_guard lock(control_.mutex_);
        control_.running_.erase(index);
        ++control_.done_;
    }

private:
    BatchControl own_;
    BatchControl& control_;
};

namespace {

// One file after the other on the calling thread.
std::vector<BatchItem> analyseInOrder(const std::vector<fs::path>& locations,
                                      std::ostream& diagnostics,
                                      BatchProgress& progress,
                                      const Analyser& analyse)
{
    std::vector<BatchItem> items;
    for (std::size_t i = 0; i < locations.size(); ++i) {
        const fs::path& location = locations[i];
        if (progress.cancelled()) {
            break;
        }
        progress.started(i, location);
        std::ostringstream lines;
        auto record = analyse(location, lines);
        if (progress.cancelled()) {
            break; // its children may have been ended half-way
        }
        progress.finished(i);
        diagnostics << lines.str();
        if (record) {
            items.push_back({location, std::move(*record)});
        }
    }
    return items;
}

// Workers take the next location and fill its slot; the calling thread hands the slots on in
// order. A worker never runs more than `window` locations ahead of the one handed on, which
// bounds the results waiting in memory. A record is small, so the window is wide: while one
// worker spends a second on a long book, the others keep going through small files.
class ParallelBatch
{
public:
    ParallelBatch(const std::vector<fs::path>& locations,
                  std::size_t workers,
                  BatchProgress& progress,
                  const Analyser& analyse)
        : locations_(locations), progress_(progress), analyse_(analyse), slots_(locations.size()),
          window_(workers * 64)
    {
    }

    // What a worker thread runs until no location is left or the batch is cancelled.
    void work()
    {
        const CancelScope workerScope(progress_.flag());
        while (const std::optional<std::size_t> index = take()) {
            progress_.started(*index, locations_[*index]);
            std::ostringstream lines;
            auto record = analyse_(locations_[*index], lines);
            {
                std::lock_guard lock(mutex_);
                if (progress_.cancelled()) {
                    return; // finished after the cancel, perhaps with its children ended: dropped
                }
                slots_[*index].record = std::move(record);
                slots_[*index].diagnostics = lines.str();
                slots_[*index].done = true;
            }
            progress_.finished(*index);
            slotDone_.notify_all();
        }
    }

    // The finished records in order, and their lines to `diagnostics`, until the last one or
    // the first one a cancel left unfinished.
    std::vector<BatchItem> handOn(std::ostream& diagnostics)
    {
        std::vector<BatchItem> items;
        for (std::size_t i = 0; i < slots_.size(); ++i) {
            Slot slot;
            {
                std::unique_lock lock(mutex_);
                while (!slotDone_.wait_for(lock, cancelPoll,
                                           [&] { return slots_[i].done || progress_.cancelled(); })) {
                }
                if (!slots_[i].done) {
                    break; // cancelled: the finished prefix ends here
                }
                slot = std::move(slots_[i]);
                consumed_ = i + 1;
            }
            slotTaken_.notify_all();
            diagnostics << slot.diagnostics;
            if (slot.record) {
                items.push_back({locations_[i], std::move(*slot.record)});
            }
        }
        return items;
    }

private:
    // The next location to analyse, once it is inside the window; nullopt at the end.
    std::optional<std::size_t> take()
    {
        std::unique_lock lock(mutex_);
        while (!slotTaken_.wait_for(lock, cancelPoll, [&] {
            return progress_.cancelled() || next_ >= locations_.size() || next_ < consumed_ + window_;
        })) {
        }
        if (progress_.cancelled() || next_ >= locations_.size()) {
            return std::nullopt;
        }
        return next_++;
    }

    const std::vector<fs::path>& locations_;
    BatchProgress& progress_;
    const Analyser& analyse_;
    std::vector<Slot> slots_;
    const std::size_t window_;
    std::mutex mutex_;
    std::condition_variable slotDone_;
    std::condition_variable slotTaken_;
    std::size_t next_ = 0;
    std::size_t consumed_ = 0;
};

} // namespace

std::vector<BatchItem> analyseBatch(const std::vector<fs::path>& locations,
                                    unsigned jobs,
                                    std::ostream& diagnostics,
                                    BatchControl* control,
                                    const Analyser& analyse)
{
    BatchProgress progress(control, locations.size());
    const CancelScope scope(progress.flag());
    const std::size_t workers = std::min<std::size_t>(std::clamp(jobs, 1u, maxJobs), locations.size());
    if (workers <= 1) {
        return analyseInOrder(locations, diagnostics, progress, analyse);
    }
    ParallelBatch batch(locations, workers, progress, analyse);
    std::vector<std::jthread> threads;
    for (std::size_t i = 0; i < workers; ++i) {
        try {
            threads.emplace_back([&batch] { batch.work(); });
        } catch (const std::system_error&) {
            break; // the system's thread limit: the workers started will do
        }
    }
    if (threads.empty()) {
        return analyseInOrder(locations, diagnostics, progress, analyse);
    }
    return batch.handOn(diagnostics);
}

} // namespace pagetally
