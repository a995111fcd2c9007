#include "cli/Batch.h"

#include "analysis/Intake.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

namespace pagetally::cli {
namespace {

namespace fs = std::filesystem;

void collectFiles(const fs::path& directory, std::vector<fs::path>& out)
{
    std::error_code ec;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
        entries.push_back(*it);
    }
    std::ranges::sort(entries, {}, [](const fs::directory_entry& e) { return e.path().filename().native(); });
    for (const auto& entry : entries) {
        // Symbolic links to directories are not followed, so a link loop cannot recurse forever.
        if (entry.is_directory(ec) && !entry.is_symlink(ec)) {
            collectFiles(entry.path(), out);
        } else if (!entry.is_directory(ec)) {
            out.push_back(entry.path());
        }
    }
}

struct Slot
{
    std::optional<FileInfo> record;
    std::string diagnostics;
    bool done = false;
};

} // namespace

std::vector<fs::path> expandPaths(const std::vector<std::string>& paths, bool recursive, std::ostream& notices)
{
    std::vector<fs::path> locations;
    for (const std::string& text : paths) {
        std::error_code ec;
        fs::path path = fs::absolute(fs::path(text), ec);
        if (ec) {
            path = fs::path(text);
        }
        if (fs::is_directory(path, ec)) {
            if (recursive) {
                collectFiles(path, locations);
            } else {
                notices << "pagetally-cli: " << text << ": is a directory, skipped (use -r to include it)\n";
            }
            continue;
        }
        locations.push_back(std::move(path));
    }
    return locations;
}

std::vector<FileInfo> analyseBatch(const std::vector<fs::path>& locations, unsigned jobs, std::ostream& diagnostics)
{
    std::vector<FileInfo> files;
    UniqueAppender appender(files);
    const std::size_t workers = std::min<std::size_t>(std::max(1u, jobs), locations.size());
    if (workers <= 1) {
        for (const auto& location : locations) {
            if (auto record = analyseLocation(location, diagnostics)) {
                appender.append(std::move(*record));
            }
        }
        return files;
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
        for (;;) {
            std::size_t index;
            {
                std::unique_lock lock(mutex);
                slotTaken.wait(lock, [&] { return next >= locations.size() || next < consumed + window; });
                if (next >= locations.size()) {
                    return;
                }
                index = next++;
            }
            std::ostringstream lines;
            auto record = analyseLocation(locations[index], lines);
            {
                std::lock_guard lock(mutex);
                slots[index].record = std::move(record);
                slots[index].diagnostics = lines.str();
                slots[index].done = true;
            }
            slotDone.notify_all();
        }
    };

    std::vector<std::jthread> threads;
    for (std::size_t i = 0; i < workers; ++i) {
        threads.emplace_back(work);
    }
    for (std::size_t i = 0; i < slots.size(); ++i) {
        Slot slot;
        {
            std::unique_lock lock(mutex);
            slotDone.wait(lock, [&] { return slots[i].done; });
            slot = std::move(slots[i]);
            consumed = i + 1;
        }
        slotTaken.notify_all();
        diagnostics << slot.diagnostics;
        if (slot.record) {
            appender.append(std::move(*slot.record));
        }
    }
    return files;
}

} // namespace pagetally::cli
