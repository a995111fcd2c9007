// Intake in the background: the window keeps turning, shows how far it is with Cancel in one
// place, takes no list changes meanwhile, cancels to the finished prefix, lists what the command
// line lists, and outlives hostile files.
#include "support/HandMadePdf.h"
#include "support/LongPath.h"
#include "support/OfficeZip.h"
#include "support/TempDir.h"
#include "support/ViewHelpers.h"
#include "support/Zip.h"
#include "window/DeleteDelegate.h"
#include "window/ResultsModel.h"

#include <QAccessible>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProgressBar>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>

#include <sys/stat.h>

using namespace pagetally;
using namespace pagetally::test;

namespace {

namespace fs = std::filesystem;

// Analyses as intake does, but holds "slow.txt" until `release` is set.
Analyser holding(const std::atomic<bool>& release)
{
    return [&release](const fs::path& location, std::ostream& lines) {
        while (location.filename() == "slow.txt" && !release) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return analyseLocation(location, lines);
    };
}

std::vector<fs::path> paths(const QDir& dir, const QStringList& names)
{
    std::vector<fs::path> list;
    for (const QString& name : names) {
        list.emplace_back(QFile::encodeName(write(dir, name, "a few words")).toStdString());
    }
    return list;
}

} // namespace

class BackgroundIntakeTest : public QObject
{
    Q_OBJECT

private slots:
    void windowTurnsAndTakesNoListChangesDuringABatch();
    void cancelStaysPutWhileTheNamesChange();
    void cancelAddsTheFinishedPrefixOnly();
    void listsWhatTheCommandLineLists();
    void closingDoesNotWaitForABatchThatWillNotEnd();
    void namesTheFoldersItCouldNotRead();
};

void BackgroundIntakeTest::windowTurnsAndTakesNoListChangesDuringABatch()
{
    QTemporaryDir dir;
    ContentView view({FileInfo::make("kept.pdf", "PDF", std::nullopt, 2, 9)});
    view.show();
    std::atomic<bool> release = false;
    view.setAnalyser(holding(release));
    // The picture is not measured, so not counted as to come.
    view.addLocations(paths(QDir(dir.path()), {"a.txt", "slow.txt", "photo.png", "c.txt"}));
    QVERIFY(view.busy());

    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(0);
    QTRY_VERIFY(ticks > 10);
    auto* panel = view.findChild<QWidget*>(QStringLiteral("progressPanel"));
    QVERIFY(!panel->isVisible()); // not in the first moment
    QTRY_VERIFY(panel->isVisible());
    // The bar tells a glance and a screen reader how far the batch is.
    auto* bar = view.findChild<QProgressBar*>(QStringLiteral("progressCount"));
    QTRY_VERIFY(bar->value() >= 1); // a.txt, and c.txt if another worker took it
    QCOMPARE(bar->maximum(), 3);
    QCOMPARE(bar->text(), QStringLiteral("%1 of 3").arg(bar->value()));
    QAccessibleInterface* assistive = QAccessible::queryAccessibleInterface(bar);
    QCOMPARE(assistive->text(QAccessible::Name), QStringLiteral("Files measured"));
    QCOMPARE(assistive->valueInterface()->currentValue().toInt(), bar->value());
    QCOMPARE(assistive->valueInterface()->maximumValue().toInt(), 3);

    // Clear, the row's bin and its Delete key, a second pick and a drop are all refused.
    QVERIFY(!button(view, "selectFilesButton")->isEnabled());
    QVERIFY(!button(view, "printResultsButton")->isEnabled());
    QMetaObject::invokeMethod(&view, "clearFiles");
    QTableView* table = tableOf(view);
    const QModelIndex bin = table->model()->index(0, ResultsModel::DeleteColumn);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      DeleteDelegate::buttonRect(table->visualRect(bin)).center());
    table->setCurrentIndex(bin);
    QTest::keyClick(table, Qt::Key_Delete);
    view.addLocations(paths(QDir(dir.path()), {"late.txt"}));
    QCoreApplication::processEvents();
    QCOMPARE(view.files().size(), 1u);

    release = true;
    QVERIFY(waitForBatch(view));
    QCoreApplication::processEvents();
    QCOMPARE(names(view), QStringList({"kept.pdf", "a.txt", "slow.txt", "c.txt"}));
    QVERIFY(!panel->isVisible());
    QVERIFY(button(view, "clearFilesButton")->isEnabled());
}

void BackgroundIntakeTest::cancelStaysPutWhileTheNamesChange()
{
    QTemporaryDir dir;
    // Each file waits for its turn, so that the panel names them one after the other.
    const QStringList files{"1.txt", "2-" + QString(120, u'm') + ".txt", "3.txt",
                            "4-" + QString(240, u'l') + ".txt", "5.txt"};
    std::atomic<int> turn = 0;
    ContentView view;
    view.show();
    view.setAnalyser([&](const fs::path& location, std::ostream& lines) {
        const int index = location.filename().string().front() - '1';
        while (index >= turn) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return analyseLocation(location, lines);
    });
    const auto release = qScopeGuard([&] { turn = 99; });
    view.addLocations(paths(QDir(dir.path()), files));
    QTRY_VERIFY(view.findChild<QWidget*>(QStringLiteral("progressPanel"))->isVisible());
    QPushButton* cancel = button(view, "cancelButton");
    const QPoint place = cancel->mapTo(&view, QPoint(0, 0));
    for (int i = 0; i < files.size(); ++i) {
        QTRY_VERIFY(labelText(view, "progressFile").startsWith(files[i].left(2)));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCOMPARE(cancel->mapTo(&view, QPoint(0, 0)), place);
        ++turn;
    }
    QVERIFY(waitForBatch(view));
    QCOMPARE(view.files().size(), 5u);
}

void BackgroundIntakeTest::cancelAddsTheFinishedPrefixOnly()
{
    QTemporaryDir dir;
    ContentView view;
    view.show();
    std::atomic<bool> release = false;
    view.setAnalyser(holding(release));
    view.addLocations(paths(QDir(dir.path()), {"a.txt", "b.txt", "slow.txt", "d.txt"}));
    QTRY_VERIFY(view.findChild<QWidget*>(QStringLiteral("progressPanel"))->isVisible());
    QTest::mouseClick(button(view, "cancelButton"), Qt::LeftButton);
    release = true;
    QVERIFY(waitForBatch(view));
    QCOMPARE(names(view), QStringList({"a.txt", "b.txt"}));
}

void BackgroundIntakeTest::listsWhatTheCommandLineLists()
{
    QTemporaryDir dir;
    const QDir d(dir.path());
    write(d, "mixed/notes.txt", "one two three");
    write(d, "mixed/memo.doc", "never read");
    write(d, "mixed/talk.wav", QByteArray::fromStdString(std::string(44, '\0')));
    write(d, "mixed/sub/report.pdf",
          QByteArray::fromStdString(makePdf({textPage({"ten eleven"}), std::nullopt})));
    write(d, "mixed/sub/notes.txt", "same name deeper");
    writeZip(fs::path(QFile::encodeName(d.filePath("mixed/letter.docx")).toStdString()),
             docxEntries(paragraph("twelve thirteen"), "3"));
    write(d, "mixed/broken.pptx", "PK not a container");
    const QString folder = d.filePath("mixed");

    std::ostringstream lines;
    ContentView view({}, lines);
    view.addLocations({fs::path(QFile::encodeName(folder).toStdString())}, ContentView::Folders::Expanded);
    QVERIFY(waitForBatch(view));

    QProcess cli;
    cli.start(QStringLiteral(PAGETALLY_CLI), {"--json", "-j", "1", "-r", folder});
    QVERIFY(cli.waitForFinished(60000));
    const QJsonArray expected =
        QJsonDocument::fromJson(cli.readAllStandardOutput()).object()["files"].toArray();
    QCOMPARE(view.files().size(), static_cast<std::size_t>(expected.size()));
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const QJsonObject want = expected[i].toObject();
        const FileInfo& got = view.files()[static_cast<std::size_t>(i)];
        QCOMPARE(QString::fromStdString(got.fileName), want["fileName"].toString());
        QCOMPARE(QString::fromStdString(got.fileType), want["fileType"].toString());
        QCOMPARE(got.words, want["words"].toInteger());
        QCOMPARE(got.pages.has_value() ? QJsonValue(qint64(*got.pages)) : QJsonValue(), want["pages"]);
        QCOMPARE(got.duration.has_value() ? QJsonValue(*got.duration) : QJsonValue(), want["duration"]);
    }
    // The same error line; the command line's standard error also holds unzip's own messages.
    QVERIFY(lines.str().starts_with("Error processing PPTX file: "));
    QVERIFY(cli.readAllStandardError().contains(QByteArray::fromStdString(lines.str())));
}

void BackgroundIntakeTest::closingDoesNotWaitForABatchThatWillNotEnd()
{
    // A read stuck in the system (a dead network mount) hears no Cancel: the window must still
    // close, and the other windows go on.
    QTemporaryDir dir;
    // Shared with the batch, which outlives this function.
    const auto release = std::make_shared<std::atomic<bool>>(false);
    const auto entered = std::make_shared<std::atomic<bool>>(false);
    auto stuck = [release, entered](const fs::path& location, std::ostream& lines) {
        *entered = true;
        while (!*release) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return analyseLocation(location, lines);
    };
    const int before = ContentView::batchesLeftRunning();
    {
        ContentView view;
        view.setAnalyser(stuck);
        view.addLocations(paths(QDir(dir.path()), {"a.txt"}));
        QTRY_VERIFY(*entered);
    }
    QCOMPARE(ContentView::batchesLeftRunning(), before + 1);
    *release = true;
    // What the batch posts once it ends finds no window, and is dropped.
    QTest::qWait(200);
}

void BackgroundIntakeTest::namesTheFoldersItCouldNotRead()
{
    TempDir dir;
    dir.write("a.txt", "top");
    const FoldersBeyondPathLimit deep(dir.path());
    ContentView view;
    view.addLocations({dir.path()}, ContentView::Folders::Expanded);
    QVERIFY(waitForBatch(view));
    QCOMPARE(names(view), QStringList({"a.txt"}));
    auto* summary = view.findChild<QLabel*>(QStringLiteral("notesSummary"));
    QCOMPARE(summary->text(), QStringLiteral("1 folder could not be read"));
    QVERIFY(summary->toolTip().endsWith(QStringLiteral(": File name too long")));
}

QTEST_MAIN(BackgroundIntakeTest)
#include "BackgroundIntakeTest.moc"
