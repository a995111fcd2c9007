// The ordered parallel batch: many locations analysed on several threads, with the result of
// one thread. Used by the command line and, on a background thread, by the window.
#pragma once

#include "analysis/intake/FileInfo.h"
#include "analysis/intake/Intake.h"

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <vector>

namespace pagetally {

// Watches and steers a running batch from another thread: progress to show, and Cancel.
class BatchControl
{
public:
    // No new file starts; children still running (the PDF helper, unzip) are ended, and the
    // batch returns the records finished so far.
    void cancel() noexcept { cancelled_ = true; }
    bool cancelled() const noexcept { return cancelled_; }

    std::size_t total() const noexcept { return total_; }
    // Files analysed, in any order.
    std::size_t done() const noexcept { return done_; }
    // The earliest file of the batch still being analysed: the one the rows wait for.
    std::filesystem::path current() const;

private:
    friend class BatchProgress;
    std::atomic<bool> cancelled_{false};
    std::atomic<std::size_t> total_{0};
    std::atomic<std::size_t> done_{0};
    mutable std::mutex mutex_;
    std::map<std::size_t, std::filesystem::path> running_;
};

// What analyses one location: the record, or nullopt for an extension that is not accepted.
// Error lines go to the stream. The window's tests put a slow one in its place.
using Analyser = std::function<std::optional<FileInfo>(const std::filesystem::path&, std::ostream&)>;

// The most threads a batch uses, whatever it is asked for: each may run a PDF helper of its
// own, and more than this gains nothing on any desktop.
inline constexpr unsigned maxJobs = 64;

// Analyses `locations` on up to `jobs` threads (at most maxJobs, and never more than locations) and returns
// the accepted ones in their order; the analysers' lines reach `diagnostics` in that order too, as on one
// thread. When `control` is cancelled, the result is the prefix of the batch finished before the cancel.
std::vector<BatchItem> analyseBatch(const std::vector<std::filesystem::path>& locations,
                                    unsigned jobs,
                                    std::ostream& diagnostics,
                                    BatchControl* control = nullptr,
                                    const Analyser& analyse = analyseLocation);

} // namespace pagetally
