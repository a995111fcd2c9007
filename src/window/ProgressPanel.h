// The line that shows a long batch on its way: a bar with "n of N", the file the rows wait for,
// and Cancel.
#pragma once

#include <QTimer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace pagetally {

class BackgroundBatch;

class ProgressPanel final : public QWidget
{
    Q_OBJECT

public:
    // A batch that ends within this long shows no progress, so that small picks look as always.
    static constexpr int delayMs = 500;
    static constexpr int updateMs = 100;
    // Fixed widths, so that Cancel stays put while the counts and the names change.
    static constexpr int barWidth = 200;
    static constexpr int fileNameWidth = 400;

    explicit ProgressPanel(QWidget* parent = nullptr);

    // Shows the progress of `batch` from delayMs on, while it runs.
    void follow(const BackgroundBatch& batch);
    // Hides the panel and stops looking at the batch.
    void stop();
    // Cancel has been heard: it cannot be pressed again.
    void setCancelled();

signals:
    void cancelRequested();

private:
    void showProgress();

    const BackgroundBatch* batch_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLabel* file_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QTimer delay_;
    // Polled, not signalled: the engine only counts in atomics, and ten reads a second suit any batch.
    QTimer updates_;
};

} // namespace pagetally
