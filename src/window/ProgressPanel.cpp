#include "window/ProgressPanel.h"

#include "window/BackgroundBatch.h"
#include "window/Locations.h"
#include "window/Look.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <climits>

namespace pagetally {
namespace {

int asInt(std::size_t count)
{
    return static_cast<int>(std::min<std::size_t>(count, INT_MAX));
}

} // namespace

ProgressPanel::ProgressPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("progressPanel"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(defaultPadding, 0, defaultPadding, 0);
    row->setSpacing(defaultSpacing);
    bar_ = new QProgressBar;
    bar_->setObjectName(QStringLiteral("progressCount"));
    //: What the progress bar of a batch counts, for screen readers.
    bar_->setAccessibleName(tr("Files measured"));
    bar_->setTextVisible(true);
    bar_->setFixedWidth(barWidth);
    file_ = makeLabel({}, QStringLiteral("progressFile"));
    useSecondaryColour(file_);
    file_->setFixedWidth(fileNameWidth);
    cancel_ = new QPushButton(tr("Cancel"));
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    row->addWidget(bar_);
    row->addWidget(file_);
    row->addWidget(cancel_);
    hide();

    delay_.setSingleShot(true);
    delay_.setInterval(delayMs);
    updates_.setInterval(updateMs);
    connect(&delay_, &QTimer::timeout, this, [this] {
        show();
        updates_.start();
        showProgress();
    });
    connect(&updates_, &QTimer::timeout, this, &ProgressPanel::showProgress);
    connect(cancel_, &QPushButton::clicked, this, &ProgressPanel::cancelRequested);
}

void ProgressPanel::follow(const BackgroundBatch& batch)
{
    batch_ = &batch;
    cancel_->setEnabled(true);
    delay_.start();
}

void ProgressPanel::stop()
{
    delay_.stop();
    updates_.stop();
    batch_ = nullptr;
    hide();
}

void ProgressPanel::setCancelled()
{
    cancel_->setEnabled(false);
}

void ProgressPanel::showProgress()
{
    // A batch abandoned on quitting sends no end.
    if (batch_ == nullptr || !batch_->running()) {
        stop();
        return;
    }
    const BackgroundBatch::Progress progress = batch_->progress();
    // Until the folders are listed the total is unknown, and the bar says it is busy.
    bar_->setRange(0, asInt(progress.total));
    bar_->setValue(asInt(progress.done));
    bar_->setFormat(tr("%1 of %2").arg(progress.done).arg(progress.total));
    const QString name = displayPath(progress.current.filename());
    file_->setText(file_->fontMetrics().elidedText(name, Qt::ElideMiddle, file_->maximumWidth()));
}

} // namespace pagetally
