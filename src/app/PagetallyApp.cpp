#include "app/PagetallyApp.h"

#include "Version.h"
#include "app/MainWindow.h"
#include "window/ContentView.h"

#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace pagetally {
namespace {

// Rendered here rather than through the SVG icon plug-in, which an installation may lack.
QIcon applicationIcon()
{
    QSvgRenderer renderer(QStringLiteral(":/pagetally/pagetally.svg"));
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

PagetallyApp::PagetallyApp(QObject* parent) : QObject(parent), applicationMenu_(std::make_unique<QMenu>())
{
    QApplication::setApplicationName(QString::fromUtf8(applicationName));
    QApplication::setApplicationVersion(QString::fromUtf8(applicationVersion));
    QApplication::setDesktopFileName(QStringLiteral("pagetally"));
    QApplication::setWindowIcon(applicationIcon());

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
    return QStringLiteral("<h3>%1</h3><p>%2</p><p>%3</p>")
        .arg(QString::fromUtf8(applicationName).toHtmlEscaped(),
             tr("Version %1").arg(QString::fromUtf8(applicationVersion)).toHtmlEscaped(),
             QString::fromUtf8(applicationDescription).toHtmlEscaped());
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
