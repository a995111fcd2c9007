// Starts the desktop program: one window with the files named on the command line, then the
// event loop.
#include "app/CommandLine.h"
#include "app/PagetallyApp.h"
#include "app/Translations.h"

#include <QApplication>

#include <iostream>

int main(int argc, char* argv[])
{
    const pagetally::CommandLine command = pagetally::parseCommandLine({argv + 1, argv + argc});
    // Qt's own options are not offered, so none of the arguments reach Qt.
    static char name[] = "pagetally";
    char* args[] = {name, nullptr};
    int count = 1;
    if (command.action != pagetally::CommandLine::Action::OpenWindow) {
        // Answered without a window, so also where there is no display.
        QCoreApplication application(count, args);
        pagetally::installTranslations(application);
        return pagetally::answerWithoutWindow(command, std::cout, std::cerr);
    }
    QApplication application(count, args);
    // The languages the person chose for the desktop, as Qt reads them from the system.
    pagetally::installTranslations(application);
    pagetally::PagetallyApp app;
    app.openWindowWith(command.locations);
    application.exec();
    return 0;
}
