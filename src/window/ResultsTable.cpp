#include "window/ResultsTable.h"

#include "window/DeleteDelegate.h"
#include "window/ResultsModel.h"
#include "window/TrashIcon.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

namespace pagetally {

ResultsTable::ResultsTable(QWidget* parent) : QTableView(parent), model_(new ResultsModel(this))
{
    setObjectName(QStringLiteral("resultsTable"));
    setModel(model_);
    setAccessibleName(tr("Results"));
    setAccessibleDescription(tr("Press Delete to remove the current file from the list."));
    deleteDelegate_ = new DeleteDelegate(trashIcon(deleteTint(palette())), this);
    setItemDelegateForColumn(ResultsModel::DeleteColumn, deleteDelegate_);
    setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_Hover);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Reached with Tab after the buttons; the arrows move the current cell, Tab leaves the table.
    setFocusPolicy(Qt::StrongFocus);
    setTabKeyNavigation(false);
    setShowGrid(false);
    setAlternatingRowColors(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideMiddle);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    configureHeaders();
    applyPalette();
    fitWidth();

    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, &ResultsTable::fitWidth);
    connect(deleteDelegate_, &DeleteDelegate::deleteRequested, this, [this](int row) {
        const QString id = QString::fromStdString(model_->record(row).id);
        // After the table has finished with the click, since the delete rebuilds its rows.
        QMetaObject::invokeMethod(
            this, [this, id] { emit removeRequested(id); }, Qt::QueuedConnection);
    });
}

ResultsTable::~ResultsTable()
{
    // Destroying the scroll area hides the table, whose scroll bar would then call back into
    // this half-destroyed table.
    verticalScrollBar()->disconnect(this);
}

void ResultsTable::configureHeaders()
{
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 14);
    QHeaderView* header = horizontalHeader();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSectionResizeMode(QHeaderView::Fixed);
    for (int column = 0; column < ResultsModel::ColumnCount; ++column) {
        header->resizeSection(column, ResultsModel::columnWidths[column]);
    }
}

void ResultsTable::setFiles(const std::vector<FileInfo>& files)
{
    const QModelIndex current = currentIndex();
    const std::string currentId = current.isValid() ? model_->record(current.row()).id : std::string();
    model_->setFiles(files);
    if (current.isValid() && model_->rowCount() > 0) {
        int row = model_->rowOf(currentId);
        if (row < 0) {
            row = std::min(current.row(), model_->rowCount() - 1);
        }
        selectionModel()->setCurrentIndex(model_->index(row, current.column()),
                                          QItemSelectionModel::NoUpdate);
    }
}

int ResultsTable::fittedWidth() const
{
    int width = 2 * frameWidth();
    for (int columnWidth : ResultsModel::columnWidths) {
        width += columnWidth;
    }
    if (verticalScrollBar()->maximum() > 0) {
        width += verticalScrollBar()->sizeHint().width();
    }
    return width;
}

void ResultsTable::fitWidth()
{
    // At most as wide as its fixed columns, so that rows end where the header does; on a
    // screen too narrow for that it scrolls.
    setMaximumWidth(fittedWidth());
    emit fittedWidthChanged(fittedWidth());
}

void ResultsTable::applyPalette()
{
    deleteDelegate_->setIcon(trashIcon(deleteTint(palette())));
    model_->setNoteIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this));
    viewport()->update();
}

void ResultsTable::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && deleteDelegate_ != nullptr) {
        applyPalette();
    }
}

void ResultsTable::keyPressEvent(QKeyEvent* event)
{
    // The table itself would copy only its current cell.
    if (event->matches(QKeySequence::Copy)) {
        emit copyRequested();
        return;
    }
    const QModelIndex current = currentIndex();
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    // Delete and Backspace remove the current row from any cell; the keys that press a button
    // press the row's delete button when it is the current cell.
    const int key = event->key();
    const bool removeKey = key == Qt::Key_Delete || key == Qt::Key_Backspace;
    const bool pressKey =
        key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Select;
    if (current.isValid() && plain &&
        (removeKey || (pressKey && current.column() == ResultsModel::DeleteColumn))) {
        emit removeRequested(QString::fromStdString(model_->record(current.row()).id));
        return;
    }
    QTableView::keyPressEvent(event);
}

} // namespace pagetally
