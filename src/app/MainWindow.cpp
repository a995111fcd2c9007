#include "app/MainWindow.h"

#include "window/ContentView.h"

#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

namespace pagetally {

// A strip along an edge or a corner of the frameless window, from which the window system
// resizes it.
class EdgeGrip : public QWidget
{
public:
    EdgeGrip(Qt::Edges edges, QWidget* parent) : QWidget(parent), edges_(edges)
    {
        const bool horizontal = edges == Qt::LeftEdge || edges == Qt::RightEdge;
        const bool vertical = edges == Qt::TopEdge || edges == Qt::BottomEdge;
        const bool falling =
            edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge);
        setCursor(horizontal ? Qt::SizeHorCursor
                  : vertical ? Qt::SizeVerCursor
                  : falling  ? Qt::SizeFDiagCursor
                             : Qt::SizeBDiagCursor);
    }

    Qt::Edges edges() const { return edges_; }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && window()->windowHandle() != nullptr) {
            window()->windowHandle()->startSystemResize(edges_);
        }
        event->accept();
    }

private:
    Qt::Edges edges_;
};

MainWindow::MainWindow(QMenu* applicationMenu, QWidget* parent) : QMainWindow(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::FramelessWindowHint);
    setContentsMargins(edgeWidth, edgeWidth, edgeWidth, edgeWidth);

    content_ = new ContentView;
    setCentralWidget(content_);
    setWindowTitle(content_->windowTitle());
    buildMenus(applicationMenu);
    menuBar()->installEventFilter(this);
    fitMinimumSizeToScreen();

    const Qt::Edges edges[] = {Qt::LeftEdge,
                               Qt::RightEdge,
                               Qt::TopEdge,
                               Qt::BottomEdge,
                               Qt::TopEdge | Qt::LeftEdge,
                               Qt::TopEdge | Qt::RightEdge,
                               Qt::BottomEdge | Qt::LeftEdge,
                               Qt::BottomEdge | Qt::RightEdge};
    for (std::size_t i = 0; i < grips_.size(); ++i) {
        grips_[i] = new EdgeGrip(edges[i], this);
    }
}

void MainWindow::buildMenus(QMenu* applicationMenu)
{
    menuBar()->addMenu(applicationMenu);

    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(content_->selectFilesAction());
    file->addAction(content_->addFolderAction());
    file->addSeparator();
    file->addAction(content_->exportResultsAction());
    file->addAction(content_->printResultsAction());
    file->addSeparator();
    QAction* newWindow = file->addAction(tr("New Window"));
    newWindow->setShortcut(QKeySequence::New);
    connect(newWindow, &QAction::triggered, this, &MainWindow::newWindowRequested);
    file->addSeparator();
    // Without a title bar, the menus are where a window is closed, minimised and zoomed.
    QAction* close = file->addAction(tr("Close Window"));
    close->setShortcut(QKeySequence::Close);
    connect(close, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->addAction(content_->copyAction());

    QMenu* windowMenu = menuBar()->addMenu(tr("&Window"));
    QAction* minimize = windowMenu->addAction(tr("Minimize"));
    minimize->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    connect(minimize, &QAction::triggered, this, &QWidget::showMinimized);
    QAction* zoom = windowMenu->addAction(tr("Zoom"));
    connect(zoom, &QAction::triggered, this, &MainWindow::toggleMaximized);
}

void MainWindow::fitMinimumSizeToScreen()
{
    const QScreen* current = screen();
    if (current == nullptr) {
        return;
    }
    const QSize chrome(2 * edgeWidth, 2 * edgeWidth + menuBar()->sizeHint().height());
    content_->setMinimumSize(
        ContentView::minimumContentSize.boundedTo(current->availableGeometry().size() - chrome));
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The window exists from now on; it may move to another screen.
    connect(windowHandle(), &QWindow::screenChanged, this, &MainWindow::followScreen, Qt::UniqueConnection);
    followScreen();
}

void MainWindow::followScreen()
{
    // The screen's panels may change its available area too.
    disconnect(screenArea_);
    screenArea_ =
        connect(screen(), &QScreen::availableGeometryChanged, this, &MainWindow::fitMinimumSizeToScreen);
    fitMinimumSizeToScreen();
}

void MainWindow::toggleMaximized()
{
    if (isMaximized()) {
        showNormal();
    } else {
        showMaximized();
    }
}

void MainWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && windowHandle() != nullptr) {
        windowHandle()->startSystemMove();
        event->accept();
        return;
    }
    QMainWindow::mousePressEvent(event);
}

void MainWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        toggleMaximized();
        event->accept();
        return;
    }
    QMainWindow::mouseDoubleClickEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The menu bar's empty stretch moves the window, as a title bar would.
    if (watched == menuBar() && event->type() == QEvent::MouseButtonPress) {
        auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::LeftButton &&
            menuBar()->actionAt(press->position().toPoint()) == nullptr && windowHandle() != nullptr) {
            windowHandle()->startSystemMove();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    const int w = width();
    const int h = height();
    const int e = edgeWidth;
    const int corner = 2 * edgeWidth;
    for (EdgeGrip* grip : grips_) {
        const Qt::Edges edges = grip->edges();
        const bool left = edges.testFlag(Qt::LeftEdge);
        const bool right = edges.testFlag(Qt::RightEdge);
        const bool top = edges.testFlag(Qt::TopEdge);
        const bool bottom = edges.testFlag(Qt::BottomEdge);
        const bool isCorner = (left || right) && (top || bottom);
        if (isCorner) {
            grip->setGeometry(left ? 0 : w - corner, top ? 0 : h - corner, corner, corner);
        } else if (left || right) {
            grip->setGeometry(left ? 0 : w - e, corner, e, h - 2 * corner);
        } else {
            grip->setGeometry(corner, top ? 0 : h - e, w - 2 * corner, e);
        }
        grip->raise();
    }
}

void MainWindow::paintEvent(QPaintEvent* event)
{
    QMainWindow::paintEvent(event);
    // A hairline edge, since no window frame draws one.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace pagetally
