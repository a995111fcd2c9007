// The application shell: the shared "Pagetally" menu, its About items, windows and quitting.
#include "app/PagetallyApp.h"
#include "Version.h"
#include "app/MainWindow.h"
#include "support/ViewHelpers.h"
#include "window/ContentView.h"

#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

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
    void newWindowItemOpensAFurtherWindow();
    void windowsHaveNoTitleBarButKeepTitleAndMinimumSize();
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
    QTemporaryDir dir;
    first->contentView()->addLocations({test::write(QDir(dir.path()), "a.txt", "two words").toStdString()});

    MainWindow* second = app.openWindow();
    QVERIFY(second != first);
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

void PagetallyAppTest::newWindowItemOpensAFurtherWindow()
{
    PagetallyApp app;
    MainWindow* first = app.openWindow();
    QAction* newWindow = menuItem(first->menuBar(), QStringLiteral("&File"), QStringLiteral("New Window"));
    QVERIFY(newWindow != nullptr);
    QCOMPARE(newWindow->shortcut(), QKeySequence(QKeySequence::New));
    const auto windows = [] {
        int count = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            count += qobject_cast<MainWindow*>(w) != nullptr && w->isVisible() ? 1 : 0;
        }
        return count;
    };
    const int before = windows();
    newWindow->trigger();
    QCOMPARE(windows(), before + 1);
    QCOMPARE(items(app.applicationMenu()).count(QStringLiteral("About Pagetally|")), 3);
}

void PagetallyAppTest::windowsHaveNoTitleBarButKeepTitleAndMinimumSize()
{
    PagetallyApp app;
    MainWindow* window = app.openWindow();
    QVERIFY(window->windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(window->windowTitle(), QStringLiteral("Pagetally"));
    window->resize(200, 200);
    QVERIFY(window->contentView()->width() >= 1000);
    QVERIFY(window->contentView()->height() >= 600);
    QVERIFY(window->testAttribute(Qt::WA_DeleteOnClose));
}

void PagetallyAppTest::aboutShowsTheNameVersionDescriptionAndLicence()
{
    const QString text =
        QStringLiteral("<h3>Pagetally</h3><p>Version %1</p>"
                       "<p>Counts the pages, words and minutes of documents and recordings</p>"
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
    QAction* select = menuItem(window->menuBar(), QStringLiteral("&File"), QStringLiteral("Select Files…"));
    QAction* print = menuItem(window->menuBar(), QStringLiteral("&File"), QStringLiteral("Print Results…"));
    QVERIFY(select != nullptr);
    QVERIFY(print != nullptr);
    QCOMPARE(select->shortcut(), QKeySequence(QKeySequence::Open));
    QCOMPARE(print->shortcut(), QKeySequence(QKeySequence::Print));
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
