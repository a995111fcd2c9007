#include "window/ContentView.h"

#include "analysis/intake/Folders.h"
#include "summary/Formatting.h"
#include "summary/Results.h"
#include "window/Clipboard.h"
#include "window/DeleteDelegate.h"
#include "window/Locations.h"
#include "window/ResultsModel.h"
#include "window/TrashIcon.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sstream>
#include <thread>

namespace pagetally {
namespace {

// The toolkit's default padding and stack spacing, in points.
constexpr int defaultPadding = 12;
constexpr int defaultSpacing = 8;

QLabel* makeLabel(const QString& text, const QString& objectName)
{
    auto* label = new QLabel(text);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// A role rather than a colour, so that the text follows a change of theme.
void useSecondaryColour(QLabel* label)
{
    label->setForegroundRole(QPalette::PlaceholderText);
}

void scaleFont(QWidget* widget, double factor)
{
    QFont font = widget->font();
    if (font.pointSizeF() > 0) {
        font.setPointSizeF(font.pointSizeF() * factor);
    } else {
        font.setPixelSize(static_cast<int>(font.pixelSize() * factor));
    }
    widget->setFont(font);
}

// Filled with the accent colour of `from`, like a default action.
void emphasise(QPushButton* button, const QPalette& from)
{
    QPalette palette = button->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Button, from.color(group, QPalette::Highlight));
        palette.setColor(group, QPalette::ButtonText, from.color(group, QPalette::HighlightedText));
    }
    button->setPalette(palette);
}

// A batch that ends within this long shows no progress, so that small picks look as always.
constexpr int progressDelayMs = 500;
constexpr int progressUpdateMs = 100;

// A row that centres `widget` and gives it all its width up to its maximum: the stretches beside
// it take only what it leaves.
QHBoxLayout* centred(QWidget* widget)
{
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(widget, 1000);
    row->addStretch(1);
    return row;
}

// Lines of the notes summary's tooltip; a large folder can have hundreds.
constexpr qsizetype maxNoteLines = 20;

QString displayPath(const std::filesystem::path& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

std::vector<std::filesystem::path> droppedLocations(const QMimeData* mime)
{
    std::vector<std::filesystem::path> locations;
    if (mime == nullptr) {
        return locations;
    }
    for (const QUrl& url : mime->urls()) {
        if (auto path = localPath(url)) {
            locations.push_back(std::move(*path));
        }
    }
    return locations;
}

} // namespace

namespace {
std::atomic<int> leftRunning{0};
} // namespace

// A batch on its way: analysed on `thread` (which starts the workers), read here once it ended.
// The thread shares it, so that a batch left running by a closed window touches nothing freed.
struct ContentView::RunningBatch
{
    BatchControl control;
    std::vector<BatchItem> items;
    std::vector<FolderProblem> folderProblems;
    std::string lines;
    std::thread thread;
    std::mutex mutex;
    std::condition_variable endedChanged;
    bool ended = false;
};

int ContentView::batchesLeftRunning()
{
    return leftRunning.load();
}

ContentView::ContentView(std::vector<FileInfo> files, std::ostream& diagnostics, QWidget* parent)
    : QWidget(parent), files_(std::move(files)), diagnostics_(diagnostics)
{
    setObjectName(QStringLiteral("contentView"));
    setWindowTitle(tr("Pagetally"));
    setMinimumSize(minimumContentSize);
    setAcceptDrops(true);
    buildLayout();
    connectActions();
    refresh();
}

ContentView::~ContentView()
{
    abandonBatch();
    // Destroying the children hides the table, whose scroll bar would then call back into this
    // half-destroyed view.
    table_->verticalScrollBar()->disconnect(this);
}

void ContentView::buildLayout()
{
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, defaultPadding, 0, 0);
    stack->setSpacing(defaultSpacing);

    QLabel* title = makeLabel(tr("Pagetally"), QStringLiteral("titleLabel"));
    scaleFont(title, 1.7);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setContentsMargins(0, 0, 0, 10);
    stack->addWidget(title, 0, Qt::AlignHCenter);

    QLabel* caption = makeLabel(tr("Supported file types: DOCX, HTML, JSON, MP3, MP4, PDF, PPTX, TXT, WAV"),
                                QStringLiteral("captionLabel"));
    useSecondaryColour(caption);
    caption->setContentsMargins(0, 0, 0, 5);
    stack->addWidget(caption, 0, Qt::AlignHCenter);

    QLabel* note = makeLabel(
        tr("When analyzing JSON files, only values are included in the word count; keys are excluded.") +
            u'\n' + tr("For MP3, MP4, WAV files, the word count is estimated based on 150 words per minute."),
        QStringLiteral("noteLabel"));
    useSecondaryColour(note);
    note->setAlignment(Qt::AlignHCenter);
    note->setContentsMargins(defaultPadding, 0, defaultPadding, defaultPadding);
    stack->addWidget(note, 0, Qt::AlignHCenter);

    auto* buttonRow = new QWidget;
    buttonRow->setObjectName(QStringLiteral("buttonRow"));
    auto* buttons = new QHBoxLayout(buttonRow);
    buttons->setContentsMargins(defaultPadding, defaultPadding, defaultPadding, defaultPadding);
    buttons->setSpacing(defaultSpacing);
    const auto addButton = [&](const QString& text, const QString& name) {
        auto* slot = new QWidget;
        slot->setObjectName(name + QStringLiteral("Slot"));
        slot->setFixedWidth(buttonSlotWidth);
        auto* slotLayout = new QHBoxLayout(slot);
        slotLayout->setContentsMargins(0, 0, 0, 0);
        auto* button = new QPushButton(text);
        button->setObjectName(name);
        button->setMaximumWidth(buttonSlotWidth);
        slotLayout->addWidget(button, 0, Qt::AlignCenter);
        buttons->addWidget(slot, 0, Qt::AlignVCenter);
        return button;
    };
    selectButton_ = addButton(tr("Select Files"), QStringLiteral("selectFilesButton"));
    clearButton_ = addButton(tr("Clear Files"), QStringLiteral("clearFilesButton"));
    printButton_ = addButton(tr("Print Results"), QStringLiteral("printResultsButton"));
    exitButton_ = addButton(tr("Exit App"), QStringLiteral("exitAppButton"));
    stack->addWidget(buttonRow, 0, Qt::AlignHCenter);

    progressPanel_ = new QWidget;
    progressPanel_->setObjectName(QStringLiteral("progressPanel"));
    auto* progress = new QHBoxLayout(progressPanel_);
    progress->setContentsMargins(defaultPadding, 0, defaultPadding, 0);
    progress->setSpacing(defaultSpacing);
    progressCount_ = makeLabel({}, QStringLiteral("progressCount"));
    progressFile_ = makeLabel({}, QStringLiteral("progressFile"));
    useSecondaryColour(progressFile_);
    progressFile_->setMinimumWidth(200);
    progressFile_->setMaximumWidth(500);
    cancelButton_ = new QPushButton(tr("Cancel"));
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    progress->addWidget(progressCount_);
    progress->addWidget(progressFile_, 1);
    progress->addWidget(cancelButton_);
    progressPanel_->hide();
    stack->addWidget(progressPanel_, 0, Qt::AlignHCenter);
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(progressUpdateMs);

    model_ = new ResultsModel(this);
    table_ = new QTableView;
    table_->setObjectName(QStringLiteral("resultsTable"));
    table_->setModel(model_);
    table_->setAccessibleName(tr("Results"));
    table_->setAccessibleDescription(tr("Press Delete to remove the current file from the list."));
    deleteDelegate_ = new DeleteDelegate(trashIcon(deleteTint(table_->palette())), table_);
    table_->setItemDelegateForColumn(ResultsModel::DeleteColumn, deleteDelegate_);
    table_->setMouseTracking(true);
    table_->viewport()->setAttribute(Qt::WA_Hover);
    table_->setSortingEnabled(false);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Reached with Tab after the buttons; the arrows move the current cell, Tab leaves the table.
    table_->setFocusPolicy(Qt::StrongFocus);
    table_->setTabKeyNavigation(false);
    table_->setShowGrid(false);
    table_->setAlternatingRowColors(true);
    table_->setWordWrap(false);
    table_->setTextElideMode(Qt::ElideMiddle);
    table_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    table_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 14);
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSectionResizeMode(QHeaderView::Fixed);
    for (int column = 0; column < ResultsModel::ColumnCount; ++column) {
        header->resizeSection(column, ResultsModel::columnWidths[column]);
    }
    // At most as wide as its fixed columns, centred, so that rows end where the header does; on
    // a screen too narrow for that it scrolls.
    stack->addLayout(centred(table_), 1);

    auto* totals = new QWidget;
    totals->setObjectName(QStringLiteral("totalsLine"));
    auto* totalsLayout = new QHBoxLayout(totals);
    totalsLayout->setContentsMargins(defaultPadding, defaultPadding, defaultPadding, defaultPadding);
    totalsLayout->setSpacing(defaultSpacing);
    QLabel* totalLabel = makeLabel(tr("Total:"), QStringLiteral("totalLabel"));
    QFont bold = totalLabel->font();
    bold.setBold(true);
    totalLabel->setFont(bold);
    totalsLayout->addWidget(totalLabel, 0, Qt::AlignVCenter);
    totalsLayout->addStretch(1);
    durationTotal_ = makeLabel({}, QStringLiteral("durationTotal"));
    pagesTotal_ = makeLabel({}, QStringLiteral("pagesTotal"));
    wordsTotal_ = makeLabel({}, QStringLiteral("wordsTotal"));
    for (QLabel* label : {durationTotal_, pagesTotal_, wordsTotal_}) {
        totalsLayout->addWidget(label, 0, Qt::AlignVCenter);
    }
    stack->addLayout(centred(totals), 0);
    totals_ = totals;

    notesSummary_ = makeLabel({}, QStringLiteral("notesSummary"));
    notesSummary_->setWordWrap(true);
    notesSummary_->setContentsMargins(defaultPadding, 0, defaultPadding, defaultPadding);
    notesSummary_->hide();
    stack->addLayout(centred(notesSummary_), 0);
    fitTableWidth();

    setTabOrder(selectButton_, clearButton_);
    setTabOrder(clearButton_, printButton_);
    setTabOrder(printButton_, exitButton_);
    setTabOrder(exitButton_, table_);
    applyPalette();
}

void ContentView::applyPalette()
{
    emphasise(selectButton_, palette());
    // The table's rows take their colours from this palette; it is the one already updated
    // when a palette change reaches this view.
    deleteDelegate_->setIcon(trashIcon(deleteTint(palette())));
    model_->setNoteIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, table_));
    table_->viewport()->update();
}

void ContentView::fitTableWidth()
{
    int width = 2 * table_->frameWidth();
    for (int columnWidth : ResultsModel::columnWidths) {
        width += columnWidth;
    }
    if (table_->verticalScrollBar()->maximum() > 0) {
        width += table_->verticalScrollBar()->sizeHint().width();
    }
    table_->setMaximumWidth(width);
    totals_->setMaximumWidth(width);
    notesSummary_->setMaximumWidth(width);
}

void ContentView::connectActions()
{
    // Also in the window's File menu, which shows their shortcuts.
    selectFilesAction_ = new QAction(tr("Select Files…"), this);
    selectFilesAction_->setObjectName(QStringLiteral("selectFilesAction"));
    selectFilesAction_->setShortcut(QKeySequence::Open);
    addAction(selectFilesAction_);
    printResultsAction_ = new QAction(tr("Print Results…"), this);
    printResultsAction_->setObjectName(QStringLiteral("printResultsAction"));
    printResultsAction_->setShortcut(QKeySequence::Print);
    addAction(printResultsAction_);
    connect(selectFilesAction_, &QAction::triggered, this, &ContentView::selectFiles);
    connect(printResultsAction_, &QAction::triggered, this, &ContentView::printResults);
    addFolderAction_ = new QAction(tr("Add Folder..."), this);
    addFolderAction_->setObjectName(QStringLiteral("addFolderAction"));
    addFolderAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    addAction(addFolderAction_);
    connect(addFolderAction_, &QAction::triggered, this, &ContentView::addFolder);
    exportResultsAction_ = new QAction(tr("Export Results..."), this);
    exportResultsAction_->setObjectName(QStringLiteral("exportResultsAction"));
    exportResultsAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    addAction(exportResultsAction_);
    connect(exportResultsAction_, &QAction::triggered, this, &ContentView::exportResults);
    copyAction_ = new QAction(tr("Copy"), this);
    copyAction_->setObjectName(QStringLiteral("copyAction"));
    copyAction_->setShortcut(QKeySequence::Copy);
    addAction(copyAction_);
    connect(copyAction_, &QAction::triggered, this, &ContentView::copyResults);
    table_->installEventFilter(this);

    connect(selectButton_, &QPushButton::clicked, this, &ContentView::selectFiles);
    connect(clearButton_, &QPushButton::clicked, this, &ContentView::clearFiles);
    connect(printButton_, &QPushButton::clicked, this, &ContentView::printResults);
    connect(exitButton_, &QPushButton::clicked, this, &ContentView::exitApp);
    connect(cancelButton_, &QPushButton::clicked, this, &ContentView::cancelBatch);
    connect(progressTimer_, &QTimer::timeout, this, &ContentView::showProgress);
    // Quitting leaves the event loop without closing the windows: the batch ends first, so
    // that no helper, unzip or extraction folder outlives the program.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &ContentView::abandonBatch);
    connect(table_->verticalScrollBar(), &QScrollBar::rangeChanged, this, &ContentView::fitTableWidth);
    connect(deleteDelegate_, &DeleteDelegate::deleteRequested, this, [this](int row) {
        if (busy()) {
            return;
        }
        const QString id = QString::fromStdString(model_->record(row).id);
        // After the table has finished with the click, since the delete rebuilds its rows.
        QMetaObject::invokeMethod(
            this, [this, id] { removeFile(id); }, Qt::QueuedConnection);
    });
}

void ContentView::refresh()
{
    // The keyboard's place in the table survives the rebuild: on the same record, or where a
    // removed one was.
    const QModelIndex current = table_->currentIndex();
    const std::string currentId = current.isValid() ? model_->record(current.row()).id : std::string();
    model_->setFiles(files_);
    if (current.isValid() && model_->rowCount() > 0) {
        int row = model_->rowOf(currentId);
        if (row < 0) {
            row = std::min(current.row(), model_->rowCount() - 1);
        }
        table_->selectionModel()->setCurrentIndex(model_->index(row, current.column()),
                                                  QItemSelectionModel::NoUpdate);
    }
    durationTotal_->setText(tr("Duration: ") + QString::fromStdString(formatDuration(totalDuration(files_))));
    pagesTotal_->setText(tr("Pages: ") + QString::fromStdString(formatCount(totalPages(files_))));
    wordsTotal_->setText(tr("Words: ") + QString::fromStdString(formatCount(totalWords(files_))));
    showNotes();
    updateActionStates();
}

void ContentView::showNotes()
{
    // English has no catalogue of its own, so its singulars are spelled out; a translation
    // takes every form from the %n text.
    QStringList unreadable;
    QStringList noted;
    for (const FileInfo& f : displayOrder(files_)) {
        if (f.note) {
            //: A file's name and why its values are not plain measurements.
            (f.unreadable ? unreadable : noted)
                << tr("%1: %2").arg(QString::fromStdString(f.fileName), QString::fromStdString(*f.note));
        }
    }
    QStringList skipped;
    for (const BatchItem& item : skipped_) {
        skipped << tr("%1 in %2: a file of that name is already listed")
                       .arg(QString::fromStdString(item.record.fileName),
                            displayPath(item.location.parent_path()));
    }
    QStringList folders;
    for (const FolderProblem& problem : folderProblems_) {
        folders << tr("%1: %2").arg(displayPath(problem.folder), QString::fromStdString(problem.reason));
    }
    const auto count = [](const QStringList& list) { return static_cast<int>(list.size()); };
    QStringList parts;
    if (!unreadable.isEmpty()) {
        parts << (count(unreadable) == 1 ? tr("1 file could not be read")
                                         : tr("%n files could not be read", nullptr, count(unreadable)));
    }
    if (!noted.isEmpty()) {
        parts << (count(noted) == 1 ? tr("1 file has a note")
                                    : tr("%n files have a note", nullptr, count(noted)));
    }
    if (!skipped.isEmpty()) {
        parts << (count(skipped) == 1 ? tr("1 file skipped: a file of that name is already listed")
                                      : tr("%n files skipped: a file of that name is already listed", nullptr,
                                           count(skipped)));
    }
    if (!folders.isEmpty()) {
        parts << (count(folders) == 1 ? tr("1 folder could not be read")
                                      : tr("%n folders could not be read", nullptr, count(folders)));
    }
    QStringList lines = unreadable + noted + skipped + folders;
    if (lines.size() > maxNoteLines) {
        const int more = static_cast<int>(lines.size() - maxNoteLines);
        lines.resize(maxNoteLines);
        lines << tr("… and %n more", nullptr, more);
    }
    const QString summary = parts.join(QStringLiteral(" · "));
    notesSummary_->setText(summary);
    notesSummary_->setToolTip(lines.join(u'\n'));
    notesSummary_->setAccessibleName(summary);
    notesSummary_->setAccessibleDescription(lines.join(u'\n'));
    notesSummary_->setHidden(parts.isEmpty());
}

void ContentView::updateActionStates()
{
    const bool idle = !busy();
    for (QPushButton* button : {selectButton_, clearButton_, printButton_}) {
        button->setEnabled(idle);
    }
    selectFilesAction_->setEnabled(idle);
    printResultsAction_->setEnabled(idle);
    addFolderAction_->setEnabled(idle);
    exportResultsAction_->setEnabled(idle && !files_.empty());
}

void ContentView::addLocations(const std::vector<std::filesystem::path>& locations, Folders folders)
{
    if (busy()) {
        return;
    }
    batch_ = std::make_shared<RunningBatch>();
    const std::shared_ptr<RunningBatch> batch = batch_;
    const unsigned jobs = std::max(1u, std::thread::hardware_concurrency());
    batch->thread = std::thread(
        [view = QPointer<ContentView>(this), batch, locations, folders, jobs, analyse = analyser_]() mutable {
            std::ostringstream lines;
            // Folders are walked here too: a large tree takes a while to list.
            const auto files =
                folders == Folders::Expanded ? expandFolders(locations, batch->folderProblems) : locations;
            batch->items = analyseBatch(files, jobs, lines, &batch->control, analyse);
            batch->lines = lines.str();
            {
                const std::lock_guard lock(batch->mutex);
                batch->ended = true;
            }
            batch->endedChanged.notify_all();
            // The application outlives every window; the view is looked at on its own thread only.
            QMetaObject::invokeMethod(
                qApp,
                [view = std::move(view), batch] {
                    if (view && view->batch_ == batch) {
                        view->finishBatch();
                    }
                },
                Qt::QueuedConnection);
        });
    cancelButton_->setEnabled(true);
    updateActionStates();
    QTimer::singleShot(progressDelayMs, this, [this, weak = std::weak_ptr<RunningBatch>(batch)] {
        if (batch_ && batch_ == weak.lock()) {
            showProgress();
            progressPanel_->show();
            progressTimer_->start();
        }
    });
}

void ContentView::showProgress()
{
    if (!batch_) {
        return;
    }
    const BatchControl& control = batch_->control;
    progressCount_->setText(tr("%1 of %2").arg(control.done()).arg(control.total()));
    const QString name = displayPath(control.current().filename());
    progressFile_->setText(
        progressFile_->fontMetrics().elidedText(name, Qt::ElideMiddle, progressFile_->maximumWidth()));
}

void ContentView::finishBatch()
{
    if (!batch_) {
        return;
    }
    batch_->thread.join();
    const std::shared_ptr<RunningBatch> batch = std::move(batch_);
    progressTimer_->stop();
    progressPanel_->hide();
    diagnostics_ << batch->lines << std::flush;
    skipped_ = appendUnique(std::move(batch->items), files_);
    folderProblems_ = std::move(batch->folderProblems);
    refresh();
    emit batchFinished();
}

void ContentView::cancelBatch()
{
    if (batch_) {
        batch_->control.cancel();
        cancelButton_->setEnabled(false);
    }
}

void ContentView::abandonBatch()
{
    if (!batch_) {
        return;
    }
    const std::shared_ptr<RunningBatch> batch = std::move(batch_);
    progressTimer_->stop();
    batch->control.cancel();
    // A cancelled batch ends its children and reads within a second; one stuck in the system
    // (a dead network mount, say) must not freeze the program and its other windows.
    std::unique_lock lock(batch->mutex);
    if (batch->endedChanged.wait_for(lock, std::chrono::milliseconds(abandonWaitMs),
                                     [&] { return batch->ended; })) {
        lock.unlock();
        batch->thread.join();
    } else {
        lock.unlock();
        batch->thread.detach();
        ++leftRunning;
    }
}

void ContentView::selectFiles()
{
    if (busy()) {
        return;
    }
    showingFilePicker_ = true;
    const std::optional<QList<QUrl>> chosen = filePicker_(this);
    showingFilePicker_ = false;
    if (chosen) {
        handleFileImport(*chosen);
    }
}

void ContentView::addFolder()
{
    const std::optional<QUrl> chosen = folderPicker_(this);
    if (!chosen) {
        return;
    }
    auto path = localPath(*chosen);
    if (!path) {
        diagnostics_ << "Error selecting files: " << notLocalDescription(*chosen).toStdString() << '\n'
                     << std::flush;
        return;
    }
    // Expanded exactly as a dropped folder.
    addLocations({std::move(*path)}, Folders::Expanded);
}

void ContentView::exportResults()
{
    // The shortcut of a disabled action does nothing, but a direct call must not export either.
    if (exportResultsAction_->isEnabled()) {
        pagetally::exportResults(files_, this, exportPicker_);
    }
}

void ContentView::copyResults()
{
    QApplication::clipboard()->setMimeData(resultsMimeData(files_));
}

void ContentView::handleFileImport(const QList<QUrl>& urls)
{
    std::vector<std::filesystem::path> locations;
    for (const QUrl& url : urls) {
        auto path = localPath(url);
        if (!path) {
            // The panel's choice cannot be read at all, so none of it is taken.
            diagnostics_ << "Error selecting files: " << notLocalDescription(url).toStdString() << '\n'
                         << std::flush;
            return;
        }
        locations.push_back(std::move(*path));
    }
    addLocations(locations);
}

void ContentView::clearFiles()
{
    if (busy()) {
        return;
    }
    files_.clear();
    skipped_.clear();
    folderProblems_.clear();
    refresh();
}

void ContentView::printResults()
{
    if (busy()) {
        return;
    }
    pagetally::printResults(files_, this, printDialog_);
}

void ContentView::exitApp()
{
    QCoreApplication::quit();
}

void ContentView::removeFile(const QString& id)
{
    if (busy()) {
        return;
    }
    pagetally::removeFile(files_, id.toStdString());
    refresh();
}

bool ContentView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == table_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // The table itself would copy only its current cell.
        if (key->matches(QKeySequence::Copy)) {
            copyResults();
            return true;
        }
        const QModelIndex current = table_->currentIndex();
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        // Delete and Backspace remove the current row from any cell; the keys that press a
        // button press the row's delete button when it is the current cell.
        const bool removeKey = key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace;
        const bool pressKey = key->key() == Qt::Key_Space || key->key() == Qt::Key_Return ||
                              key->key() == Qt::Key_Enter || key->key() == Qt::Key_Select;
        if (current.isValid() && plain &&
            (removeKey || (pressKey && current.column() == ResultsModel::DeleteColumn))) {
            // Taken but not acted on during a batch, so that it is not carried out later.
            removeFile(QString::fromStdString(model_->record(current.row()).id));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ContentView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && deleteDelegate_ != nullptr) {
        applyPalette();
    }
}

void ContentView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!appeared_) {
        appeared_ = true;
        emit appeared();
    }
}

void ContentView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!busy() && !droppedLocations(event->mimeData()).empty()) {
        event->acceptProposedAction();
    }
}

void ContentView::dropEvent(QDropEvent* event)
{
    const auto locations = droppedLocations(event->mimeData());
    if (busy() || locations.empty()) {
        return;
    }
    event->acceptProposedAction();
    // After the drop has completed, so that the file manager is not held while intake reads.
    QMetaObject::invokeMethod(
        this, [this, locations] { addLocations(locations, Folders::Expanded); }, Qt::QueuedConnection);
}

} // namespace pagetally
