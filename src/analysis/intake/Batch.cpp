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

std::optional<FileInfo> analyseWithIntake(const fs::path& location, std::ostream& diagnostics)
{
    return analyseLocation(location, diagnostics);
}

std::vector<BatchItem> analyseBatch(const std::vector<fs::path>& locations,
                                    unsigned jobs,
                                    std::ostream& diagnostics,
                                    BatchControl* control,
                                    const Analyser& analyse)
{
    BatchProgress progress(control, locations.size());
    const CancelScope scope(progress.flag());
    std::vector<BatchItem> items;
    const std::size_t workers = std::min<std::size_t>(std::clamp(jobs, 1u, maxJobs), locations.size());
    if (workers <= 1) {
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

    // Workers take the next location and fill its slot; this thread hands the slots on in
    // order. A worker never runs more than `window` locations ahead of the one handed on, which
    // bounds the results waiting in memory. A record is small, so the window is wide: while
    // one worker spends a second on a long book, the others keep going through small files.
    std::vector<Slot> slots(locations.size());
    std::mutex mutex;
    std::condition_variable slotDone;
    std::condition_variable slotTaken;
    std::size_t next = 0;
    std::size_t consumed = 0;
    const std::size_t window = workers * 64;

    auto work = [&] {
        const CancelScope workerScope(progress.flag());
        for (;;) {
            std::size_t index;
            {
                std::unique_lock lock(mutex);
                while (!slotTaken.wait_for(lock, cancelPoll, [&] {
                    return progress.cancelled() || next >= locations.size() || next < consumed + window;
                })) {
                }
                if (progress.cancelled() || next >= locations.size()) {
                    return;
                }
                index = next++;
            }
            progress.started(index, locations[index]);
            std::ostringstream lines;
            auto record = analyse(locations[index], lines);
            {
                std::lock_guard lock(mutex);
                if (progress.cancelled()) {
                    return; // finished after the cancel, perhaps with its children ended: dropped
                }
                slots[index].record = std::move(record);
                slots[index].diagnostics = lines.str();
                slots[index].done = true;
            }
            progress.finished(index);
            slotDone.notify_all();
        }
    };

    std::vector<std::jthread> threads;
    for (std::size_t i = 0; i < workers; ++i) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error&) {
            break; // the system's thread limit: the workers started will do
        }
    }
    if (threads.empty()) {
        return analyseBatch(locations, 1, diagnostics, control, analyse);
    }
    for (std::size_t i = 0; i < slots.size(); ++i) {
        Slot slot;
        {
            std::unique_lock lock(mutex);
            while (
                !slotDone.wait_for(lock, cancelPoll, [&] { return slots[i].done || progress.cancelled(); })) {
            }
            if (!slots[i].done) {
                break; // cancelled: the finished prefix ends here
            }
            slot = std::move(slots[i]);
            consumed = i + 1;
        }
        slotTaken.notify_all();
        diagnostics << slot.diagnostics;
        if (slot.record) {
            items.push_back({locations[i], std::move(*slot.record)});
        }
    }
    return items;
}

std::vector<BatchItem> appendUnique(std::vector<BatchItem> items, std::vector<FileInfo>& files)
{
    std::vector<BatchItem> skipped;
    UniqueAppender appender(files);
    for (BatchItem& item : items) {
        if (!appender.append(item.record)) {
            skipped.push_back(std::move(item));
        }
    }
    return skipped;
}

} // namespace pagetally
