#include "window/TotalsLine.h"

#include "summary/Formatting.h"
#include "summary/Results.h"
#include "window/Look.h"

#include <QHBoxLayout>

namespace pagetally {

TotalsLine::TotalsLine(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("totalsLine"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(defaultPadding, defaultPadding, defaultPadding, defaultPadding);
    row->setSpacing(defaultSpacing);
    QLabel* total = makeLabel(tr("Total:"), QStringLiteral("totalLabel"));
    QFont bold = total->font();
    bold.setBold(true);
    total->setFont(bold);
    row->addWidget(total, 0, Qt::AlignVCenter);
    row->addStretch(1);
    duration_ = makeLabel({}, QStringLiteral("durationTotal"));
    pages_ = makeLabel({}, QStringLiteral("pagesTotal"));
    words_ = makeLabel({}, QStringLiteral("wordsTotal"));
    for (QLabel* label : {duration_, pages_, words_}) {
        row->addWidget(label, 0, Qt::AlignVCenter);
    }
}

void TotalsLine::setFiles(const std::vector<FileInfo>& files)
{
    duration_->setText(tr("Duration: ") + QString::fromStdString(formatDuration(totalDuration(files))));
    pages_->setText(tr("Pages: ") + QString::fromStdString(formatCount(totalPages(files))));
    words_->setText(tr("Words: ") + QString::fromStdString(formatCount(totalWords(files))));
}

} // namespace pagetally
