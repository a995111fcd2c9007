// A batch of files analysed on a thread of its own while the window keeps working.
#pragma once

#include "analysis/intake/Batch.h"
#include "analysis/intake/Folders.h"

#include <QObject>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <ostream>
#include <vector>

namespace pagetally {

// What a batch gives when it ends: the accepted items in input order (the finished prefix when
// cancelled), and the folders it could not read in full.
struct BatchOutcome
{
    std::vector<BatchItem> items;
    std::vector<FolderProblem> folderProblems;
};

class BackgroundBatch final : public QObject
{
    Q_OBJECT

public:
    // Whether a folder among the locations stands for the files below it (a drop), or is taken
    // as the file it was picked as (the file dialog's choice).
    enum class Folders { AsPicked, Expanded };

    // How long closing a window or quitting waits for a cancelled batch to end.
    static constexpr int abandonWaitMs = 3000;
    // Batches abandoned by windows that had not ended within abandonWaitMs and still run: the
    // program then ends without running its exit code under their feet.
    static int leftRunning();

    // How far a running batch is: files measured of those it will measure, and the one the
    // rows wait for.
    struct Progress
    {
        std::size_t done = 0;
        std::size_t total = 0;
        std::filesystem::path current;
    };

    // The analysers' error lines go to `diagnostics`, in input order, when the batch ends.
    explicit BackgroundBatch(std::ostream& diagnostics, QObject* parent = nullptr);
    // Abandons a batch still running.
    ~BackgroundBatch() override;

    // What analyses each file (tests put a slow one here); taken by the next start.
    void setAnalyser(Analyser analyser) { analyser_ = std::move(analyser); }

    // Analyses the accepted files among `locations` in the background; `finished` follows.
    // Returns false, starting nothing, while a batch runs.
    bool start(std::vector<std::filesystem::path> locations, Folders folders);
    bool running() const { return state_ != nullptr; }
    Progress progress() const;
    // Ends the batch early: `finished` brings the files measured so far.
    void cancel();
    // Cancels and waits for the batch, dropping its records: the window is going. A batch that
    // does not end within abandonWaitMs (stuck in the system) is left to end on its own, or with
    // the process, rather than freeze the program.
    void abandon();

signals:
    // On the user-interface thread, once the batch has ended and running() is false.
    void finished(const pagetally::BatchOutcome& outcome);

private:
    struct State;

    void finish();

    std::ostream& diagnostics_;
    Analyser analyser_ = analyseLocation;
    // Shared with the batch's thread, which may outlive this object (abandon).
    std::shared_ptr<State> state_;
};

} // namespace pagetally
