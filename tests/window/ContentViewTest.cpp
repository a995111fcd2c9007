// The main view: its layout, intake through the picker, drops and folders, notes, delete, clear,
// totals, export and copy.
#include "window/ContentView.h"
#include "summary/Export.h"
#include "support/Bytes.h"
#include "support/ViewHelpers.h"
#include "window/DeleteDelegate.h"
#include "window/FilePicker.h"
#include "window/ResultsModel.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QMimeData>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <sstream>

#include <csignal>
#include <sys/resource.h>

using namespace pagetally;
using namespace pagetally::test;

namespace {

QStringList column(const ContentView& view, int col)
{
    QStringList texts;
    for (int row = 0; row < tableOf(view)->model()->rowCount(); ++row) {
        texts << tableOf(view)->model()->index(row, col).data().toString();
    }
    return texts;
}

QStringList totals(const ContentView& view)
{
    return {labelText(view, "totalLabel"), labelText(view, "durationTotal"), labelText(view, "pagesTotal"),
            labelText(view, "wordsTotal")};
}

const QStringList zeroTotals{"Total:", "Duration: 0m 0s", "Pages: 0", "Words: 0"};

constexpr auto record = &FileInfo::make;

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

} // namespace

class ContentViewTest : public QObject
{
    Q_OBJECT

private slots:
    void showsItsPartsTopToBottomWithTheButtonsInARow();
    void pickedFilesAreListedInDisplayOrderWithTotalsAndNotes();
    void fileDialogOffersTheTenExtensionsInAnyCase();
    void onlyAClickOnTheGlyphDeletesAndOnlyThatRecord();
    void droppedOrAddedFolderIsExpandedRecursivelyInSortedOrder();
    void exportWritesTheCommandLineBytesWhereChosenOrKeepsTheExistingFile();
    void copyPutsTheWholeTableOnTheClipboard();
};

void ContentViewTest::showsItsPartsTopToBottomWithTheButtonsInARow()
{
    ContentView view;
    view.show();
    // Top to bottom: title, caption, note, buttons, table, totals; the title larger and centred.
    int previousY = -1;
    for (const char* name :
         {"titleLabel", "captionLabel", "noteLabel", "buttonRow", "resultsTable", "totalsLine"}) {
        const int y = view.findChild<QWidget*>(QLatin1String(name))->y();
        QVERIFY2(y > previousY, name);
        previousY = y;
    }
    auto* title = view.findChild<QLabel*>(QStringLiteral("titleLabel"));
    QVERIFY(QFontInfo(title->font()).pixelSize() >
            QFontInfo(view.findChild<QLabel*>(QStringLiteral("captionLabel"))->font()).pixelSize());
    QVERIFY(qAbs(title->geometry().center().x() - view.rect().center().x()) <= 1);

    int previousX = -1;
    for (const char* name :
         {"selectFilesButton", "clearFilesButton", "printResultsButton", "exitAppButton"}) {
        QPushButton* b = button(view, name);
        QVERIFY(b->isEnabled()); // also with an empty list
        const int x = b->mapTo(&view, QPoint(0, 0)).x();
        QVERIFY2(x > previousX, name);
        previousX = x;
    }
}

void ContentViewTest::pickedFilesAreListedInDisplayOrderWithTotalsAndNotes()
{
    QTemporaryDir dir;
    const QDir d(dir.path());
    std::ostringstream out;
    ContentView view({}, out);
    QCOMPARE(totals(view), zeroTotals);
    std::optional<QList<QUrl>> next; // cancelled
    bool showingWhilePicking = false;
    view.setFilePicker([&](QWidget*) {
        showingWhilePicking = view.showingFilePicker();
        return next;
    });
    const auto pick = [&] {
        QTest::mouseClick(button(view, "selectFilesButton"), Qt::LeftButton);
        QVERIFY(waitForBatch(view));
        QVERIFY(showingWhilePicking);
        QVERIFY(!view.showingFilePicker());
    };
    pick();
    // A location that is not local refuses the whole choice.
    next = QList<QUrl>{QUrl::fromLocalFile(write(d, "local.txt", "would count")),
                       QUrl("https://example.com/report.pdf")};
    pick();
    QCOMPARE(
        QString::fromStdString(out.str()),
        QStringLiteral("Error selecting files: “https://example.com/report.pdf” is not a local file.\n"));
    QVERIFY(view.files().empty());

    next = urls({write(d, "notes.TXT", "one two three"), write(d, "page.html", "<p>four<b>five</b> six</p>"),
                 write(d, "memo.doc", "never read"),
                 write(d, "talk.wav", QByteArray::fromStdString(wav(8000, 6 * 8000))),
                 write(d, "photo.png", "skipped")});
    pick();
    QCOMPARE(names(view), QStringList({"notes.TXT", "page.html", "memo.doc", "talk.wav"}));
    QCOMPARE(column(view, 0), QStringList({"memo.doc", "page.html", "notes.TXT", "talk.wav"}));
    QCOMPARE(column(view, 1), QStringList({"DOC", "HTML", "TXT", "WAV"}));
    QCOMPARE(column(view, 2), QStringList({"-", "-", "-", "0m 6s"}));
    QCOMPARE(column(view, 3), QStringList({"1", "-", "-", "-"}));
    QCOMPARE(column(view, 4), QStringList({"0", "2", "3", "15"}));
    QCOMPARE(totals(view), QStringList({"Total:", "Duration: 0m 6s", "Pages: 1", "Words: 20"}));

    // Picking again adds behind; a skipped name and an unreadable file are marked and summed up.
    view.removeRecord(QString::fromStdString(view.files()[2].id)); // memo.doc, whose note is not at issue
    next = urls({write(d, "other/notes.TXT", "same name, other folder"), write(d, "c.txt", "c"),
                 d.filePath("gone.txt")});
    pick();
    QCOMPARE(names(view), QStringList({"notes.TXT", "page.html", "talk.wav", "c.txt", "gone.txt"}));
    QCOMPARE(column(view, 0), QStringList({"page.html", "notes.TXT", "c.txt", "gone.txt", "talk.wav"}));
    QCOMPARE(column(view, 4), QStringList({"2", "3", "1", "0", "15"}));
    const QAbstractItemModel* model = tableOf(view)->model();
    QVERIFY(model->index(2, ResultsModel::FileNameColumn).data(Qt::DecorationRole).isNull());
    const QModelIndex gone = model->index(3, ResultsModel::FileNameColumn);
    QVERIFY(!gone.data(Qt::DecorationRole).value<QIcon>().isNull());
    QCOMPARE(gone.data(Qt::ToolTipRole).toString(), "gone.txt\nfile not found");
    QCOMPARE(gone.data(Qt::AccessibleDescriptionRole).toString(), "file not found");
    const auto* summary = view.findChild<QLabel*>("notesSummary");
    QVERIFY(!summary->isHidden());
    QCOMPARE(summary->text(),
             "1 file could not be read · 1 file skipped: a file of that name is already listed");
    QCOMPARE(summary->toolTip(), "gone.txt: file not found\nnotes.TXT in " + d.filePath("other") +
                                     ": a file of that name is already listed");
    QCOMPARE(summary->accessibleDescription(), summary->toolTip());

    view.removeRecord(QString::fromStdString(view.files().back().id));
    QCOMPARE(summary->text(), "1 file skipped: a file of that name is already listed");
    QTest::mouseClick(button(view, "clearFilesButton"), Qt::LeftButton);
    QVERIFY(summary->isHidden());
    QVERIFY(view.files().empty());
    QCOMPARE(tableOf(view)->model()->rowCount(), 0);
    QCOMPARE(totals(view), zeroTotals);
    // Only the refused choice wrote a line.
    QCOMPARE(out.str().find('\n'), out.str().size() - 1);
}

void ContentViewTest::fileDialogOffersTheTenExtensionsInAnyCase()
{
    const QStringList offered{"Report.PDF", "a.doc",  "b.Docx", "c.HTML", "d.json",   "e.Mp3",
                              "f.mp4",      "g.pPtX", "h.wav",  "i.pdf",  "notes.TXT"};
    const QStringList others{"photo.png", "archive.pdf.zip", "pdf", "notes.txt~", "x.docm"};
    // Other file dialogs match the patterns case-sensitively, as is usual on Linux; Qt's own
    // ignores case, so the patterns themselves must match every spelling.
    QCOMPARE(caseInsensitivePatterns().size(), 10);
    for (const QString& name : offered + others) {
        const bool matched = std::ranges::any_of(caseInsensitivePatterns(), [&](const QString& pattern) {
            return fileDialogNameFilter().contains(pattern) &&
                   QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern))
                       .match(name)
                       .hasMatch();
        });
        QVERIFY2(matched == offered.contains(name), qPrintable(name));
    }
    QFileDialog dialog;
    configureFileDialog(dialog);
    QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFiles);
    QCOMPARE(dialog.nameFilters(), QStringList(fileDialogNameFilter()));
    // A panel closed without a choice chooses nothing.
    dialogDuring([] { QVERIFY(!showFileDialog(nullptr).has_value()); });
}

void ContentViewTest::onlyAClickOnTheGlyphDeletesAndOnlyThatRecord()
{
    const std::vector<FileInfo> files{record("a.txt", "TXT", std::nullopt, std::nullopt, 1),
                                      record("b.pdf", "PDF", std::nullopt, 2, 20),
                                      record("a.txt", "TXT", std::nullopt, std::nullopt, 3),
                                      record("c.txt", "TXT", std::nullopt, std::nullopt, 5)};
    ContentView view(files);
    view.show();
    // Display order: b.pdf, a.txt (1), a.txt (3), c.txt.
    QCOMPARE(column(view, 4), QStringList({"20", "1", "3", "5"}));
    QCOMPARE(tableOf(view)->model()->index(0, ResultsModel::DeleteColumn).data(Qt::ToolTipRole).toString(),
             QStringLiteral("Remove from the list"));
    QTableView* table = tableOf(view);
    QWidget* viewport = table->viewport();
    const QPoint glyph =
        DeleteDelegate::buttonRect(table->visualRect(table->model()->index(2, ResultsModel::DeleteColumn)))
            .center();
    // Beside the glyph in the same cell; pressed on it and released beside it; and the reverse.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, glyph + QPoint(20, 0));
    QTest::mousePress(viewport, Qt::LeftButton, {}, glyph);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, glyph + QPoint(20, 0));
    QTest::mousePress(viewport, Qt::LeftButton, {}, glyph + QPoint(20, 0));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, glyph);
    QCoreApplication::processEvents();
    QCOMPARE(view.files().size(), 4u);

    QTest::mouseClick(viewport, Qt::LeftButton, {}, glyph);
    QTRY_COMPARE(view.files().size(), 3u);
    QCOMPARE(view.files()[0].id, files[0].id);
    QCOMPARE(view.files()[1].id, files[1].id);
    QCOMPARE(view.files()[2].id, files[3].id);
    QCOMPARE(column(view, 4), QStringList({"20", "1", "5"}));
    QCOMPARE(labelText(view, "wordsTotal"), QStringLiteral("Words: 26"));

    // Files added afterwards come behind the remaining ones of their type.
    QTemporaryDir dir;
    view.addLocations({std::filesystem::path(write(QDir(dir.path()), "d.txt", "x y").toStdString())});
    QVERIFY(waitForBatch(view));
    QCOMPARE(column(view, 0), QStringList({"b.pdf", "a.txt", "c.txt", "d.txt"}));
}

void ContentViewTest::droppedOrAddedFolderIsExpandedRecursivelyInSortedOrder()
{
    QTemporaryDir dir;
    const QDir d(dir.path());
    write(d, "batch/b.txt", "b");
    write(d, "batch/a.txt", "a");
    write(d, "batch/a-dir/c.html", "c");
    write(d, "batch/z.png", "not accepted");
    const QString loose = write(d, "loose.txt", "loose");

    ContentView view;
    view.show();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(d.filePath("batch")), QUrl::fromLocalFile(loose),
                  QUrl("https://example.com/x.txt")});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &drop);

    QTRY_COMPARE(names(view), QStringList({"c.html", "a.txt", "b.txt", "loose.txt"}));

    ContentView added;
    added.setFolderPicker([&](QWidget*) { return std::optional(QUrl::fromLocalFile(d.filePath("batch"))); });
    added.addFolderAction()->trigger();
    QTRY_COMPARE(names(added), QStringList({"c.html", "a.txt", "b.txt"}));
}

void ContentViewTest::exportWritesTheCommandLineBytesWhereChosenOrKeepsTheExistingFile()
{
    // The long name makes a file larger than the size limit below.
    const std::vector<FileInfo> files{
        record("talk \"1\".mp3", "MP3", 0.2, std::nullopt, 30),
        record("a,b.pdf", "PDF", std::nullopt, 2, 160),
        record(std::string(4096, 'x').append(".txt"), "TXT", std::nullopt, std::nullopt, 1)};
    ContentView empty;
    QVERIFY(!empty.exportResultsAction()->isEnabled());
    ContentView view(files);
    QVERIFY(view.exportResultsAction()->isEnabled());

    QTemporaryDir dir;
    const QDir d(dir.path());
    std::optional<ExportTarget> target;
    QStringList suggested;
    view.setExportPicker([&](QWidget*, const QString& suggestion) {
        suggested << suggestion;
        return target;
    });
    view.exportResultsAction()->trigger(); // cancelled
    QCOMPARE(d.entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    QCOMPARE(suggested.last(), QDir::home().filePath(QStringLiteral("Pagetally Results.csv")));

    for (const ExportFormat format : {ExportFormat::Csv, ExportFormat::Json}) {
        const QString path = dir.filePath(format == ExportFormat::Csv ? "out.csv" : "out.json");
        target = ExportTarget{path, format};
        view.exportResultsAction()->trigger();
        std::ostringstream expected;
        (format == ExportFormat::Csv ? writeCsv : writeJson)(expected, files);
        QCOMPARE(contents(path), QByteArray::fromStdString(expected.str()));
    }
    // After the first export, the panel starts in its folder.
    QCOMPARE(suggested.last(), dir.filePath(QStringLiteral("Pagetally Results.csv")));

    // A folder that cannot be made, whoever runs the test.
    const QString notAFolder = write(d, "plain.txt", "a file");
    target = ExportTarget{notAFolder + QStringLiteral("/results.csv")};
    QVERIFY(dialogDuring([&] { view.exportResults(); }).contains(target->path));
    QCOMPARE(contents(notAFolder), QByteArray("a file"));

    // A disk that fills up while writing: writes beyond 1 KiB fail, also for root.
    target = ExportTarget{write(d, "results.csv", "earlier results\n")};
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1024, saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
    const QString shown = dialogDuring([&] { view.exportResults(); });
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, SIG_DFL);
    QVERIFY(shown.contains(target->path));
    QCOMPARE(contents(target->path), QByteArray("earlier results\n"));
    QCOMPARE(d.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             QStringList({"out.csv", "out.json", "plain.txt", "results.csv"}));
}

void ContentViewTest::copyPutsTheWholeTableOnTheClipboard()
{
    ContentView view(
        {record("b.pdf", "PDF", std::nullopt, 3, 30), record("a <1>.mp3", "MP3", 0.5, std::nullopt, 75)});
    QTableView* table = tableOf(view);
    table->setFocus();
    table->selectionModel()->setCurrentIndex(table->model()->index(0, 0), QItemSelectionModel::NoUpdate);
    QApplication::clipboard()->clear();
    // Pressed in the table itself, which would otherwise copy its current cell.
    QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);

    const QMimeData* mime = QApplication::clipboard()->mimeData();
    QCOMPARE(mime->text(), QStringLiteral("File Name\tFile Type\tDuration\tPages\tWords\n"
                                          "a <1>.mp3\tMP3\t0m 30s\t-\t75\n"
                                          "b.pdf\tPDF\t-\t3\t30\n"
                                          "Total:\t\t0m 30s\t3\t105\n"));
    QVERIFY(mime->html().contains(QStringLiteral("<tr><th>File Name</th><th>File Type</th>")));
    QVERIFY(mime->html().contains(
        QStringLiteral("<tr><td>a &lt;1&gt;.mp3</td><td>MP3</td><td>0m 30s</td><td>-</td><td>75</td></tr>")));
    QVERIFY(mime->html().contains(QStringLiteral("<tr><td>Total:</td><td></td><td>0m 30s</td>")));
}

QTEST_MAIN(ContentViewTest)
#include "ContentViewTest.moc"
