#include "window/BackgroundBatch.h"

#include "analysis/intake/Intake.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sstream>
#include <thread>

namespace pagetally {
namespace {

std::atomic<int> abandonedStillRunning{0};

} // namespace

// A batch on its way: analysed on `thread` (which starts the workers), read here once it ended.
// The thread shares it, so that a batch left running by a closed window touches nothing freed.
struct BackgroundBatch::State
{
    BatchControl control;
    BatchOutcome outcome;
    std::string lines;
    std::thread thread;
    std::mutex mutex;
    std::condition_variable endedChanged;
    bool ended = false;
};

int BackgroundBatch::leftRunning()
{
    return abandonedStillRunning.load();
}

BackgroundBatch::BackgroundBatch(std::ostream& diagnostics, QObject* parent)
    : QObject(parent), diagnostics_(diagnostics)
{
    // Quitting leaves the event loop without closing the windows: the batch ends first, so
    // that no helper, unzip or extraction folder outlives the program.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &BackgroundBatch::abandon);
}

BackgroundBatch::~BackgroundBatch()
{
    abandon();
}

bool BackgroundBatch::start(std::vector<std::filesystem::path> locations, Folders folders)
{
    if (running()) {
        return false;
    }
    state_ = std::make_shared<State>();
    const unsigned jobs = std::max(1u, std::thread::hardware_concurrency());
    state_->thread =
        std::thread([self = QPointer<BackgroundBatch>(this), state = state_, locations = std::move(locations),
                     folders, jobs, analyse = analyser_]() mutable {
            // Folders are walked here too: a large tree takes a while to list.
            std::vector<std::filesystem::path> files =
                folders == Folders::Expanded ? expandFolders(locations, state->outcome.folderProblems)
                                             : locations;
            // Files of other types give no record; left out here, they are not counted as to come.
            std::erase_if(files, [](const std::filesystem::path& file) { return !isSupported(file); });
            std::ostringstream lines;
            state->outcome.items = analyseBatch(files, jobs, lines, &state->control, analyse);
            state->lines = lines.str();
            {
                const std::lock_guard lock(state->mutex);
                state->ended = true;
            }
            state->endedChanged.notify_all();
            // The application outlives every window; `self` is looked at on its own thread only.
            QMetaObject::invokeMethod(
                qApp,
                [self = std::move(self), state] {
                    if (self && self->state_ == state) {
                        self->finish();
                    }
                },
                Qt::QueuedConnection);
        });
    return true;
}

BackgroundBatch::Progress BackgroundBatch::progress() const
{
    if (!state_) {
        return {};
    }
    const BatchControl& control = state_->control;
    return {control.done(), control.total(), control.current()};
}

void BackgroundBatch::cancel()
{
    if (state_) {
        state_->control.cancel();
    }
}

void BackgroundBatch::finish()
{
    state_->thread.join();
    const std::shared_ptr<State> state = std::move(state_);
    diagnostics_ << state->lines << std::flush;
    emit finished(state->outcome);
}

void BackgroundBatch::abandon()
{
    if (!state_) {
        return;
    }
    const std::shared_ptr<State> state = std::move(state_);
    state->control.cancel();
    // A cancelled batch ends its children and reads within a second; one stuck in the system
    // (a dead network mount, say) must not freeze the program and its other windows.
    std::unique_lock lock(state->mutex);
    if (state->endedChanged.wait_for(lock, std::chrono::milliseconds(abandonWaitMs),
                                     [&] { return state->ended; })) {
        lock.unlock();
        state->thread.join();
    } else {
        lock.unlock();
        state->thread.detach();
        ++abandonedStillRunning;
    }
}

} // namespace pagetally
