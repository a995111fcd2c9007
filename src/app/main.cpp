// Starts the desktop program: one window with the files named on the command line, then the
// event loop.
#include "app/CommandLine.h"
#include "app/PagetallyApp.h"
#include "app/Translations.h"

#include "analysis/system/Cancellation.h"
#include "analysis/system/ProcessSetup.h"
#include "window/ContentView.h"

#include <QApplication>
#include <QSocketNotifier>

#include <array>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

namespace {

// SIGINT, SIGTERM and SIGHUP (a logout, a shutdown) end the program as Quit does: the signal
// cancels every batch at once, and the event loop, woken through a pipe, is left.
void quitOnTerminationSignals(QApplication& application)
{
    std::array<int, 2> wake{-1, -1};
    if (::pipe2(wake.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        pagetally::catchTerminationSignals();
        return;
    }
    pagetally::catchTerminationSignals(wake[1]);
    auto* notifier = new QSocketNotifier(wake[0], QSocketNotifier::Read, &application);
    QObject::connect(notifier, &QSocketNotifier::activated, &application, [fd = wake[0]] {
        std::array<char, 16> bytes{};
        while (::read(fd, bytes.data(), bytes.size()) > 0) {
        }
        QCoreApplication::quit();
    });
}

} // namespace

int main(int argc, char* argv[])
{
    pagetally::openMissingStandardStreams();
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
    quitOnTerminationSignals(application);
    // The languages the person chose for the desktop, as Qt reads them from the system.
    pagetally::installTranslations(application);
    pagetally::PagetallyApp app;
    app.openWindowWith(command.locations);
    application.exec();
    // Every window's batch has ended (or been left running, stuck) when the loop was left.
    if (const int signal = pagetally::interruptSignal(); signal != 0) {
        pagetally::endBySignal(signal);
    }
    if (pagetally::ContentView::batchesLeftRunning() > 0) {
        std::_Exit(0); // the exit code would free what a batch still running may touch
    }
    return 0;
}
