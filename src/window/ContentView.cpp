#include "window/ContentView.h"

#include "analysis/intake/Formats.h"
#include "summary/Results.h"
#include "window/Clipboard.h"
#include "window/Locations.h"
#include "window/Look.h"
#include "window/NotesSummary.h"
#include "window/ProgressPanel.h"
#include "window/ResultsTable.h"
#include "window/TotalsLine.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QMimeData>
#include <QPushButton>
#include <QVBoxLayout>

namespace pagetally {
namespace {

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

// A button in a slot of buttonSlotWidth, added to `row`.
QPushButton* addSlottedButton(QHBoxLayout* row, const QString& text, const QString& name)
{
    auto* slot = new QWidget;
    slot->setObjectName(name + QStringLiteral("Slot"));
    slot->setFixedWidth(ContentView::buttonSlotWidth);
    auto* slotLayout = new QHBoxLayout(slot);
    slotLayout->setContentsMargins(0, 0, 0, 0);
    auto* button = new QPushButton(text);
    button->setObjectName(name);
    button->setMaximumWidth(ContentView::buttonSlotWidth);
    slotLayout->addWidget(button, 0, Qt::AlignCenter);
    row->addWidget(slot, 0, Qt::AlignVCenter);
    return button;
}

QAction* addShortcutAction(QWidget* to, const QString& text, const QString& name, const QKeySequence& keys)
{
    auto* action = new QAction(text, to);
    action->setObjectName(name);
    action->setShortcut(keys);
    to->addAction(action);
    return action;
}

} // namespace

ContentView::ContentView(std::vector<FileInfo> files, std::ostream& diagnostics, QWidget* parent)
    : QWidget(parent), files_(std::move(files)), diagnostics_(diagnostics), batch_(diagnostics)
{
    setObjectName(QStringLiteral("contentView"));
    setWindowTitle(tr("Pagetally"));
    setMinimumSize(minimumContentSize);
    setAcceptDrops(true);
    buildLayout();
    createActions();
    connectActions();
    refresh();
}

void ContentView::buildLayout()
{
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, defaultPadding, 0, 0);
    stack->setSpacing(defaultSpacing);
    addHeader(stack);
    addButtonRow(stack);
    progress_ = new ProgressPanel;
    stack->addWidget(progress_, 0, Qt::AlignHCenter);
    addResults(stack);

    setTabOrder(selectButton_, clearButton_);
    setTabOrder(clearButton_, printButton_);
    setTabOrder(printButton_, exitButton_);
    setTabOrder(exitButton_, table_);
    emphasise(selectButton_, palette());
}

void ContentView::addHeader(QVBoxLayout* stack)
{
    QLabel* title = makeLabel(tr("Pagetally"), QStringLiteral("titleLabel"));
    scaleFont(title, 1.7);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setContentsMargins(0, 0, 0, 10);
    stack->addWidget(title, 0, Qt::AlignHCenter);

    //: %1: the type names the caption lists, from the table of formats ("DOCX, HTML, ...").
    QLabel* caption = makeLabel(
        tr("Supported file types: %1").arg(QString::fromStdString(joinNames(captionTypeNames, ", "))),
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
}

void ContentView::addButtonRow(QVBoxLayout* stack)
{
    auto* buttonRow = new QWidget;
    buttonRow->setObjectName(QStringLiteral("buttonRow"));
    auto* buttons = new QHBoxLayout(buttonRow);
    buttons->setContentsMargins(defaultPadding, defaultPadding, defaultPadding, defaultPadding);
    buttons->setSpacing(defaultSpacing);
    selectButton_ = addSlottedButton(buttons, tr("Select Files"), QStringLiteral("selectFilesButton"));
    clearButton_ = addSlottedButton(buttons, tr("Clear Files"), QStringLiteral("clearFilesButton"));
    printButton_ = addSlottedButton(buttons, tr("Print Results"), QStringLiteral("printResultsButton"));
    exitButton_ = addSlottedButton(buttons, tr("Exit App"), QStringLiteral("exitAppButton"));
    stack->addWidget(buttonRow, 0, Qt::AlignHCenter);
}

void ContentView::addResults(QVBoxLayout* stack)
{
    table_ = new ResultsTable;
    // Centred, so that the rows end where the header does (the table is only as wide as its
    // columns); the totals and the notes are as wide as the table.
    stack->addLayout(centred(table_), 1);
    totals_ = new TotalsLine;
    stack->addLayout(centred(totals_), 0);
    notesSummary_ = makeLabel({}, QStringLiteral("notesSummary"));
    notesSummary_->setWordWrap(true);
    notesSummary_->setContentsMargins(defaultPadding, 0, defaultPadding, defaultPadding);
    notesSummary_->hide();
    stack->addLayout(centred(notesSummary_), 0);
    for (QWidget* line : std::initializer_list<QWidget*>{totals_, notesSummary_}) {
        line->setMaximumWidth(table_->fittedWidth());
        connect(table_, &ResultsTable::fittedWidthChanged, line, &QWidget::setMaximumWidth);
    }
}

void ContentView::createActions()
{
    // Also in the window's File menu, which shows their shortcuts.
    selectFilesAction_ =
        addShortcutAction(this, tr("Select Files…"), QStringLiteral("selectFilesAction"), QKeySequence::Open);
    printResultsAction_ = addShortcutAction(this, tr("Print Results…"), QStringLiteral("printResultsAction"),
                                            QKeySequence::Print);
    addFolderAction_ = addShortcutAction(this, tr("Add Folder..."), QStringLiteral("addFolderAction"),
                                         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    exportResultsAction_ =
        addShortcutAction(this, tr("Export Results..."), QStringLiteral("exportResultsAction"),
                          QKeySequence(Qt::CTRL | Qt::Key_E));
    copyAction_ = addShortcutAction(this, tr("Copy"), QStringLiteral("copyAction"), QKeySequence::Copy);
}

void ContentView::connectActions()
{
    connect(selectFilesAction_, &QAction::triggered, this, &ContentView::selectFiles);
    connect(printResultsAction_, &QAction::triggered, this, &ContentView::printList);
    connect(addFolderAction_, &QAction::triggered, this, &ContentView::addFolder);
    connect(exportResultsAction_, &QAction::triggered, this, &ContentView::exportResults);
    connect(copyAction_, &QAction::triggered, this, &ContentView::copyResults);

    connect(selectButton_, &QPushButton::clicked, this, &ContentView::selectFiles);
    connect(clearButton_, &QPushButton::clicked, this, &ContentView::clearFiles);
    connect(printButton_, &QPushButton::clicked, this, &ContentView::printList);
    connect(exitButton_, &QPushButton::clicked, this, &ContentView::exitApp);

    connect(table_, &ResultsTable::removeRequested, this, &ContentView::removeRecord);
    connect(table_, &ResultsTable::copyRequested, this, &ContentView::copyResults);
    connect(progress_, &ProgressPanel::cancelRequested, this, &ContentView::cancelBatch);
    connect(&batch_, &BackgroundBatch::finished, this, &ContentView::finishBatch);
}

void ContentView::refresh()
{
    table_->setFiles(files_);
    totals_->setFiles(files_);
    showNotes();
    updateActionStates();
}

void ContentView::showNotes()
{
    const NotesSummary notes = NotesSummary::of(files_, skipped_, folderProblems_);
    const QString details = notes.lines.join(u'\n');
    notesSummary_->setText(notes.text);
    notesSummary_->setToolTip(details);
    notesSummary_->setAccessibleName(notes.text);
    notesSummary_->setAccessibleDescription(details);
    notesSummary_->setHidden(notes.text.isEmpty());
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
    if (!batch_.start(locations, folders)) {
        return;
    }
    progress_->follow(batch_);
    updateActionStates();
}

void ContentView::finishBatch(const BatchOutcome& outcome)
{
    progress_->stop();
    skipped_ = appendUnique(outcome.items, files_);
    folderProblems_ = outcome.folderProblems;
    refresh();
    emit batchFinished();
}

void ContentView::cancelBatch()
{
    if (busy()) {
        batch_.cancel();
        progress_->setCancelled();
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

void ContentView::handleFileImport(const QList<QUrl>& urls)
{
    const PickedLocations picked = pickedLocations(urls);
    if (!picked.notLocal.isEmpty()) {
        // The panel's choice cannot be read at all, so none of it is taken.
        reportNotLocal(picked.notLocal.first());
        return;
    }
    addLocations(picked.paths);
}

void ContentView::addFolder()
{
    const std::optional<QUrl> chosen = folderPicker_(this);
    if (!chosen) {
        return;
    }
    const PickedLocations picked = pickedLocations({*chosen});
    if (!picked.notLocal.isEmpty()) {
        reportNotLocal(*chosen);
        return;
    }
    // Expanded exactly as a dropped folder.
    addLocations(picked.paths, Folders::Expanded);
}

void ContentView::reportNotLocal(const QUrl& url)
{
    diagnostics_ << "Error selecting files: " << notLocalDescription(url).toStdString() << '\n' << std::flush;
}

void ContentView::exportResults()
{
    // The shortcut of a disabled action does nothing, but a direct call must not export either.
    if (exportResultsAction_->isEnabled()) {
        exportToChosenFile(files_, this, exportPicker_);
    }
}

void ContentView::copyResults()
{
    QApplication::clipboard()->setMimeData(resultsMimeData(files_));
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

void ContentView::printList()
{
    if (busy()) {
        return;
    }
    printResults(files_, this, printDialog_);
}

void ContentView::exitApp()
{
    QCoreApplication::quit();
}

void ContentView::removeRecord(const QString& id)
{
    // Taken but not acted on during a batch, so that it is not carried out later.
    if (busy()) {
        return;
    }
    removeFile(files_, id.toStdString());
    refresh();
}

void ContentView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && selectButton_ != nullptr) {
        emphasise(selectButton_, palette());
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
    if (!busy() && event->mimeData() != nullptr &&
        !pickedLocations(event->mimeData()->urls()).paths.empty()) {
        event->acceptProposedAction();
    }
}

void ContentView::dropEvent(QDropEvent* event)
{
    if (busy() || event->mimeData() == nullptr) {
        return;
    }
    // What is not a local file is left out of a drop.
    const std::vector<std::filesystem::path> locations = pickedLocations(event->mimeData()->urls()).paths;
    if (locations.empty()) {
        return;
    }
    event->acceptProposedAction();
    // After the drop has completed, so that the file manager is not held while intake reads.
    QMetaObject::invokeMethod(
        this, [this, locations] { addLocations(locations, Folders::Expanded); }, Qt::QueuedConnection);
}

} // namespace pagetally
