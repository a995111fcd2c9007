#include "window/ContentView.h"

#include "analysis/Intake.h"
#include "window/DeleteDelegate.h"
#include "window/Locations.h"
#include "window/ResultsModel.h"
#include "window/TrashIcon.h"
#include "window/summary/Formatting.h"
#include "window/summary/Results.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

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

void useSecondaryColour(QLabel* label)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
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

// Filled with the accent colour, like a default action.
void emphasise(QPushButton* button)
{
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, palette.color(QPalette::Highlight));
    palette.setColor(QPalette::ButtonText, palette.color(QPalette::HighlightedText));
    button->setPalette(palette);
}

// Intake reads every file before it returns; the cursor says so meanwhile.
class BusyCursor
{
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

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

ContentView::~ContentView() = default;

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
    emphasise(selectButton_);
    clearButton_ = addButton(tr("Clear Files"), QStringLiteral("clearFilesButton"));
    printButton_ = addButton(tr("Print Results"), QStringLiteral("printResultsButton"));
    exitButton_ = addButton(tr("Exit App"), QStringLiteral("exitAppButton"));
    stack->addWidget(buttonRow, 0, Qt::AlignHCenter);

    model_ = new ResultsModel(this);
    table_ = new QTableView;
    table_->setObjectName(QStringLiteral("resultsTable"));
    table_->setModel(model_);
    deleteDelegate_ = new DeleteDelegate(trashIcon(), table_);
    table_->setItemDelegateForColumn(ResultsModel::DeleteColumn, deleteDelegate_);
    table_->setMouseTracking(true);
    table_->viewport()->setAttribute(Qt::WA_Hover);
    table_->setSortingEnabled(false);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setFocusPolicy(Qt::NoFocus);
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
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The table is as wide as its fixed columns, centred, so that rows end where the header does.
    stack->addWidget(table_, 1, Qt::AlignHCenter);

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
    stack->addWidget(totals, 0, Qt::AlignHCenter);
    totals_ = totals;
    fitTableWidth();
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
    table_->setFixedWidth(width);
    totals_->setFixedWidth(width);
}

void ContentView::connectActions()
{
    connect(selectButton_, &QPushButton::clicked, this, &ContentView::selectFiles);
    connect(clearButton_, &QPushButton::clicked, this, &ContentView::clearFiles);
    connect(printButton_, &QPushButton::clicked, this, &ContentView::printResults);
    connect(exitButton_, &QPushButton::clicked, this, &ContentView::exitApp);
    connect(table_->verticalScrollBar(), &QScrollBar::rangeChanged, this, &ContentView::fitTableWidth);
    connect(deleteDelegate_, &DeleteDelegate::deleteRequested, this, [this](int row) {
        const QString id = QString::fromStdString(model_->record(row).id);
        // After the table has finished with the click, since the delete rebuilds its rows.
        QMetaObject::invokeMethod(
            this, [this, id] { removeFile(id); }, Qt::QueuedConnection);
    });
}

void ContentView::refresh()
{
    model_->setFiles(files_);
    durationTotal_->setText(tr("Duration: ") + QString::fromStdString(formatDuration(totalDuration(files_))));
    pagesTotal_->setText(tr("Pages: ") + QString::fromStdString(formatCount(totalPages(files_))));
    wordsTotal_->setText(tr("Words: ") + QString::fromStdString(formatCount(totalWords(files_))));
}

void ContentView::addLocations(const std::vector<std::filesystem::path>& locations)
{
    {
        BusyCursor busy;
        addFiles(locations, files_, diagnostics_);
    }
    refresh();
}

void ContentView::selectFiles()
{
    showingFilePicker_ = true;
    const std::optional<QList<QUrl>> chosen = filePicker_(this);
    showingFilePicker_ = false;
    if (chosen) {
        handleFileImport(*chosen);
    }
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
    files_.clear();
    refresh();
}

void ContentView::printResults()
{
    pagetally::printResults(files_, this, printDialog_);
}

void ContentView::exitApp()
{
    QCoreApplication::quit();
}

void ContentView::removeFile(const QString& id)
{
    pagetally::removeFile(files_, id.toStdString());
    refresh();
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
    if (!droppedLocations(event->mimeData()).empty()) {
        event->acceptProposedAction();
    }
}

void ContentView::dropEvent(QDropEvent* event)
{
    const auto locations = droppedLocations(event->mimeData());
    if (locations.empty()) {
        return;
    }
    event->acceptProposedAction();
    // After the drop has completed, so that the file manager is not held while intake reads.
    QMetaObject::invokeMethod(
        this, [this, locations] { addLocations(expandDirectories(locations)); }, Qt::QueuedConnection);
}

} // namespace pagetally
