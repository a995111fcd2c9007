// The application shell: the shared "Pagetally" menu, its About items, windows, the command
// line, the window on small screens and quitting.
#include "app/PagetallyApp.h"
#include "Version.h"
#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "support/ViewHelpers.h"
#include "window/ContentView.h"
#include "window/ResultsModel.h"

#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <sstream>

using namespace pagetally;

namespace {

// Each item of the menu as "title|shortcut", a separator as "---".
QStringList items(const QMenu* menu)
{
    QStringList list;
    for (const QAction* action : menu->actions()) {
        list << (action->isSeparator()
                     ? QStringLiteral("---")
                     : action->text() + u'|' + action->shortcut().toString(QKeySequence::PortableText));
    }
    return list;
}

QAction* menuItem(QMenuBar* bar, const QString& menu, const QString& item)
{
    for (QAction* top : bar->actions()) {
        if (top->menu() != nullptr && top->text() == menu) {
            for (QAction* action : top->menu()->actions()) {
                if (action->text() == item) {
                    return action;
                }
            }
        }
    }
    return nullptr;
}

} // namespace

class PagetallyAppTest : public QObject
{
    Q_OBJECT

private slots:
    void eachWindowAppendsAnAboutPairAndHasItsOwnList();
    void windowFitsTheScreenWithEveryColumnAndTheTotalsInReach();
    void commandLineFilesAndFoldersFillTheFirstWindow();
    void commandLineOptionsAnswerWithoutAWindow();
    void aboutShowsTheNameVersionDescriptionAndLicence();
    void fileMenuSelectsAndPrintsWithTheStandardKeys();
    void exitAppEndsTheEventLoopAtOnce();
};

void PagetallyAppTest::eachWindowAppendsAnAboutPairAndHasItsOwnList()
{
    PagetallyApp app;
    QCOMPARE(items(app.applicationMenu()), QStringList({"About Pagetally|", "---", "Quit Pagetally|Ctrl+Q"}));
    MainWindow* first = app.openWindow();
    QCOMPARE(app.applicationMenu()->title(), QStringLiteral("Pagetally"));
    QCOMPARE(items(app.applicationMenu()),
             QStringList({"About Pagetally|", "---", "Quit Pagetally|Ctrl+Q", "---", "About Pagetally|"}));
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Pagetally"));
    QCOMPARE(QCoreApplication::applicationVersion(), QString::fromUtf8(applicationVersion));
    QVERIFY(first->windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(first->windowTitle(), QStringLiteral("Pagetally"));
    QVERIFY(first->testAttribute(Qt::WA_DeleteOnClose));
    QTemporaryDir dir;
    first->contentView()->addLocations({test::write(QDir(dir.path()), "a.txt", "two words").toStdString()});
    QVERIFY(test::waitForBatch(*first->contentView()));

    // File > New Window opens a further window with a list of its own.
    QAction* newWindow = menuItem(first->menuBar(), QStringLiteral("&File"), QStringLiteral("New Window"));
    QCOMPARE(newWindow->shortcut(), QKeySequence(QKeySequence::New));
    newWindow->trigger();
    MainWindow* second = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<MainWindow*>(w);
            window != first && window != nullptr && w->isVisible()) {
            second = window;
        }
    }
    QVERIFY(second != nullptr);
    QVERIFY(second->contentView()->files().empty());
    QCOMPARE(first->contentView()->files().size(), 1u);
    QCOMPARE(items(app.applicationMenu()),
             QStringList({"About Pagetally|", "---", "Quit Pagetally|Ctrl+Q", "---", "About Pagetally|",
                          "---", "About Pagetally|"}));
    // The first menu of each window's menu bar is the shared application menu.
    for (MainWindow* window : {first, second}) {
        QCOMPARE(window->menuBar()->actions().first()->menu(), app.applicationMenu());
    }
}

// Run on the default screen of 800 x 600, and on 1920 x 1080 at 100 % and at 200 % (960 x 540).
void PagetallyAppTest::windowFitsTheScreenWithEveryColumnAndTheTotalsInReach()
{
    QTemporaryDir dir;
    PagetallyApp app;
    MainWindow* window =
        app.openWindowWith({test::write(QDir(dir.path()), "a.txt", "two words").toStdString()});
    QVERIFY(test::waitForBatch(*window->contentView()));
    window->resize(200, 200);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QSize available = window->screen()->availableGeometry().size();
    QVERIFY(window->width() <= available.width() && window->height() <= available.height());
    ContentView* view = window->contentView();
    if (available.width() >= 1100 && available.height() >= 700) {
        QCOMPARE(view->size(), ContentView::minimumContentSize);
    }
    QTableView* table = test::tableOf(*view);
    QVERIFY(window->rect().contains(QRect(table->mapTo(window, QPoint(0, 0)), table->size())));
    for (int column = 0; column < ResultsModel::ColumnCount; ++column) {
        const QModelIndex cell = table->model()->index(0, column);
        table->scrollTo(cell);
        QVERIFY2(table->viewport()->rect().contains(table->visualRect(cell)),
                 qPrintable(QString::number(column)));
    }
    for (const char* name : {"totalLabel", "durationTotal", "pagesTotal", "wordsTotal"}) {
        auto* label = view->findChild<QLabel*>(QLatin1String(name));
        QVERIFY2(window->rect().contains(QRect(label->mapTo(window, QPoint(0, 0)), label->size())), name);
        QVERIFY2(label->width() >= label->sizeHint().width(), name);
    }
}

void PagetallyAppTest::commandLineFilesAndFoldersFillTheFirstWindow()
{
    QTemporaryDir dir;
    const QDir d(dir.path());
    const QString a = test::write(d, "a.txt", "one");
    const QString dash = test::write(d, "-b.html", "<p>two words</p>");
    test::write(d, "folder/z.txt", "z");
    test::write(d, "folder/inner/c.txt", "c");
    // Relative names are taken from the current folder.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const CommandLine command = parseCommandLine({a.toStdString(), "--", "-b.html", "folder"});
    QDir::setCurrent(previous);
    QCOMPARE(command.action, CommandLine::Action::OpenWindow);

    PagetallyApp app;
    MainWindow* window = app.openWindowWith(command.locations);
    QVERIFY(window->isVisible());
    QTRY_COMPARE(test::names(*window->contentView()), QStringList({"a.txt", "-b.html", "c.txt", "z.txt"}));
    QCOMPARE(test::labelText(*window->contentView(), "wordsTotal"), QStringLiteral("Words: 5"));
}

void PagetallyAppTest::commandLineOptionsAnswerWithoutAWindow()
{
    for (const auto& [arguments, action, status] :
         {std::tuple{std::vector<std::string>{"a.txt", "--help"}, CommandLine::Action::ShowHelp, 0},
          {{"--version"}, CommandLine::Action::ShowVersion, 0},
          {{"a.txt", "--nonsense", "--help"}, CommandLine::Action::UsageError, 2},
          {{"-platform", "xcb"}, CommandLine::Action::UsageError, 2}}) {
        const CommandLine command = parseCommandLine(arguments);
        QCOMPARE(command.action, action);
        std::ostringstream out;
        std::ostringstream err;
        QCOMPARE(answerWithoutWindow(command, out, err), status);
        QCOMPARE(out.str().empty(), status != 0);
        QCOMPARE(err.str().empty(), status == 0);
    }
    std::ostringstream out;
    std::ostringstream err;
    answerWithoutWindow(parseCommandLine({"--nonsense"}), out, err);
    QCOMPARE(QString::fromStdString(err.str()),
             QStringLiteral("pagetally: unknown option --nonsense\n"
                            "Try “pagetally --help” for more information.\n"));
    answerWithoutWindow(parseCommandLine({"--version"}), out, err);
    QCOMPARE(out.str(), std::string("pagetally ").append(applicationVersion).append("\n"));
}

void PagetallyAppTest::aboutShowsTheNameVersionDescriptionAndLicence()
{
    const QString text =
        QStringLiteral("<h3>Pagetally</h3><p>Version %1</p>"
                       "<p>Counts the pages, words and minutes of documents and recordings</p>"
                       "<p>Add files and folders from the File menu, by dropping them on the window or with "
                       "“pagetally FILE...”; export the results as CSV or JSON, or copy them as a table.</p>"
                       "<p>MIT License<br>Copyright (c) 2026 The Pagetally developers</p>")
            .arg(QString::fromUtf8(applicationVersion));
    QCOMPARE(PagetallyApp::aboutText(), text);
    // The copyright line is the licence file's own.
    QFile licence(QStringLiteral(PAGETALLY_SOURCE_DIR "/LICENSE"));
    QVERIFY(licence.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(licence.readAll()).split(u'\n');
    QCOMPARE(lines.value(0), QStringLiteral("MIT License"));
    QCOMPARE(lines.value(2), QString::fromUtf8(copyrightNotice));

    // Both About items show the same standard dialog.
    PagetallyApp app;
    app.openWindow();
    const QList<QAction*> actions = app.applicationMenu()->actions();
    for (QAction* about : {actions.first(), actions.last()}) {
        QString shown;
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible()) {
                    shown = box->windowTitle() + u'|' + box->text();
                    box->accept();
                }
            }
        });
        about->trigger();
        QCOMPARE(shown, QStringLiteral("About Pagetally|") + text);
    }
}

void PagetallyAppTest::fileMenuSelectsAndPrintsWithTheStandardKeys()
{
    PagetallyApp app;
    MainWindow* window = app.openWindow();
    const std::tuple<const char*, const char*, QKeySequence> expected[] = {
        {"&File", "Select Files…", QKeySequence::Open},
        {"&File", "Print Results…", QKeySequence::Print},
        {"&File", "Add Folder...", QKeySequence(QStringLiteral("Ctrl+Shift+O"))},
        {"&File", "Export Results...", QKeySequence(QStringLiteral("Ctrl+E"))},
        {"&Edit", "Copy", QKeySequence::Copy}};
    for (const auto& [menu, item, keys] : expected) {
        const QAction* action = menuItem(window->menuBar(), QString::fromUtf8(menu), QString::fromUtf8(item));
        QVERIFY2(action != nullptr, item);
        QCOMPARE(action->shortcut(), keys);
    }
    int picked = 0;
    int printed = 0;
    window->contentView()->setFilePicker([&](QWidget*) {
        ++picked;
        return std::optional<QList<QUrl>>();
    });
    window->contentView()->setPrintDialog([&](QPrinter&, QWidget*) {
        ++printed;
        return false;
    });
    // The keys act in the window, wherever its focus is (Ctrl+O and Ctrl+P).
    window->show();
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(picked, 1);
    QTest::keyClick(window, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(printed, 1);
}

void PagetallyAppTest::exitAppEndsTheEventLoopAtOnce()
{
    PagetallyApp app;
    MainWindow* window = app.openWindow();
    window->contentView()->addLocations({}); // the list's content plays no part
    auto* exit = window->contentView()->findChild<QPushButton*>(QStringLiteral("exitAppButton"));
    QTimer::singleShot(0, exit, [exit] { QTest::mouseClick(exit, Qt::LeftButton); });
    bool timedOut = false;
    QTimer::singleShot(5000, [&] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!timedOut);
}

QTEST_MAIN(PagetallyAppTest)
#include "PagetallyAppTest.moc"
