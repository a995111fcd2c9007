#include "app/PagetallyApp.h"

#include "Version.h"
#include "app/MainWindow.h"
#include "window/ContentView.h"
#include "window/DrawnIcon.h"
#include "window/Locations.h"

#include <QApplication>
#include <QMenu>
#include <QMessageBox>

#include <string_view>

namespace pagetally {
namespace {

// The description is the project's own; it is looked up under its English text.
constexpr const char* description = QT_TRANSLATE_NOOP(
    "pagetally::PagetallyApp", "Counts the pages, words and minutes of documents and recordings");
static_assert(std::string_view(description) == std::string_view(applicationDescription),
              "the About dialog's description is the project's DESCRIPTION");

} // namespace

PagetallyApp::PagetallyApp(QObject* parent) : QObject(parent), applicationMenu_(std::make_unique<QMenu>())
{
    QApplication::setApplicationName(QString::fromUtf8(applicationName));
    QApplication::setApplicationVersion(QString::fromUtf8(applicationVersion));
    QApplication::setDesktopFileName(QStringLiteral("pagetally"));
    // Drawn by Qt's SVG renderer rather than the SVG icon plug-in, which an installation may lack.
    QApplication::setWindowIcon(svgIcon(QStringLiteral(":/pagetally/pagetally.svg")));

    applicationMenu_->setTitle(tr("Pagetally"));
    applicationMenu_->setObjectName(QStringLiteral("applicationMenu"));
    QAction* about = applicationMenu_->addAction(tr("About Pagetally"));
    about->setMenuRole(QAction::NoRole);
    connect(about, &QAction::triggered, this, &PagetallyApp::showAbout);
    applicationMenu_->addSeparator();
    QAction* quit = applicationMenu_->addAction(tr("Quit Pagetally"));
    // Platforms without a desktop's key bindings have no Quit sequence of their own.
    QList<QKeySequence> quitKeys = QKeySequence::keyBindings(QKeySequence::Quit);
    if (quitKeys.isEmpty()) {
        quitKeys << QKeySequence(Qt::CTRL | Qt::Key_Q);
    }
    quit->setShortcuts(quitKeys);
    quit->setMenuRole(QAction::NoRole);
    connect(quit, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

PagetallyApp::~PagetallyApp()
{
    for (const QPointer<MainWindow>& window : windows_) {
        delete window.data();
    }
}

QString PagetallyApp::aboutText()
{
    return QStringLiteral("<h3>%1</h3><p>%2</p><p>%3</p><p>%4</p><p>%5<br>%6</p>")
        .arg(QString::fromUtf8(applicationName).toHtmlEscaped(),
             tr("Version %1").arg(QString::fromUtf8(applicationVersion)).toHtmlEscaped(),
             tr(description).toHtmlEscaped(),
             tr("Add files and folders from the File menu, by dropping them on the window or with "
                "“pagetally FILE...”; export the results as CSV or JSON, or copy them as a table.")
                 .toHtmlEscaped(),
             tr("MIT License").toHtmlEscaped(),
             // As in the LICENSE file, word for word.
             QString::fromUtf8(copyrightNotice).toHtmlEscaped());
}

MainWindow* PagetallyApp::openWindow()
{
    auto* window = new MainWindow(applicationMenu_.get());
    windows_.emplace_back(window);
    std::erase_if(windows_, [](const QPointer<MainWindow>& w) { return w.isNull(); });
    connect(window, &MainWindow::newWindowRequested, this, &PagetallyApp::openWindow);
    connect(window->contentView(), &ContentView::appeared, this, &PagetallyApp::appendAboutMenuItem);
    window->show();
    return window;
}

MainWindow* PagetallyApp::openWindowWith(const std::vector<std::filesystem::path>& locations)
{
    MainWindow* window = openWindow();
    if (!locations.empty()) {
        window->contentView()->addLocations(locations, ContentView::Folders::Expanded);
    }
    return window;
}

void PagetallyApp::appendAboutMenuItem()
{
    applicationMenu_->addSeparator();
    QAction* about = applicationMenu_->addAction(tr("About Pagetally"));
    about->setMenuRole(QAction::NoRole);
    connect(about, &QAction::triggered, this, &PagetallyApp::showAbout);
}

void PagetallyApp::showAbout()
{
    QMessageBox::about(QApplication::activeWindow(), tr("About Pagetally"), aboutText());
}

} // namespace pagetally
