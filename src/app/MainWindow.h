// A window of the group: no title bar, its own menu bar holding the shared application menu,
// and a ContentView with its own list.
#pragma once

#include <QMainWindow>

#include <array>

class QMenu;

namespace pagetally {

class ContentView;
class EdgeGrip;

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Width of the border from which the window is resized, in points.
    static constexpr int edgeWidth = 4;

    explicit MainWindow(QMenu* applicationMenu, QWidget* parent = nullptr);

    ContentView* contentView() const { return content_; }

    // The content's minimum size bounded by the available area of the window's screen, less what
    // the window adds around the content, so that all of the window can be reached.
    void fitMinimumSizeToScreen();

signals:
    void newWindowRequested();

protected:
    // Presses that no control takes (the background, the labels) move the window.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus(QMenu* applicationMenu);
    void toggleMaximized();
    void followScreen();

    ContentView* content_ = nullptr;
    std::array<EdgeGrip*, 8> grips_{};
    QMetaObject::Connection screenArea_;
};

} // namespace pagetally
