// The application shell: the windows of the group, the shared application menu and About.
#pragma once

#include <QObject>
#include <QPointer>

#include <filesystem>
#include <memory>
#include <vector>

class QMenu;

namespace pagetally {

class MainWindow;

// The copyright line of the licence.
inline constexpr const char* copyrightNotice = "Copyright (c) 2026 The Pagetally developers";

class PagetallyApp : public QObject
{
    Q_OBJECT

public:
    // Names the application (name, version, icon) for the About dialog and the desktop.
    explicit PagetallyApp(QObject* parent = nullptr);
    ~PagetallyApp() override;

    // The menu named "Pagetally" that every window's menu bar shows.
    QMenu* applicationMenu() const { return applicationMenu_.get(); }

    // The text of the About dialog: name, version, what the program does and its licence.
    static QString aboutText();

    // A further window whose list starts with the files and folders named on the command line;
    // folders are expanded as a dropped folder is.
    MainWindow* openWindowWith(const std::vector<std::filesystem::path>& locations);

public slots:
    // A further window with its own empty list.
    MainWindow* openWindow();
    // Appends a separator and an "About Pagetally" item without shortcut to the application
    // menu; runs each time a main view first appears.
    void appendAboutMenuItem();
    void showAbout();

private:
    std::unique_ptr<QMenu> applicationMenu_;
    std::vector<QPointer<MainWindow>> windows_;
};

} // namespace pagetally
