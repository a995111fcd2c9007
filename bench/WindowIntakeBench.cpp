// The window's intake of a batch: time from handing the window the locations to the rows shown,
// and the longest the user-interface thread went without turning meanwhile.
//
// Usage: bench_window_intake PATH...    (folders are expanded as a drop expands them)
#include "window/ContentView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::vector<std::filesystem::path> locations;
    for (int i = 1; i < argc; ++i) {
        locations.emplace_back(argv[i]);
    }
    if (locations.empty()) {
        std::fprintf(stderr, "usage: bench_window_intake PATH...\n");
        return 2;
    }

    pagetally::ContentView view;
    view.show();
    QCoreApplication::processEvents();

    // A precise 5 ms timer ticks on every turn of the event loop that is free to run it: the
    // gaps between its ticks are the stretches in which the window could not have answered. (A
    // zero-interval timer would spin a whole core, which the batch's workers need.)
    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
    });
    QObject::connect(&view, &pagetally::ContentView::batchFinished, [&] {
        QCoreApplication::processEvents(); // the rows are drawn
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        std::printf("records %zu\nseconds %.3f\nlongest_gap_ms %.1f\n", view.files().size(), seconds,
                    static_cast<double>(longestGap) / 1e6);
        QCoreApplication::quit();
    });
    clock.start();
    ticker.start(5);
    view.addLocations(locations, pagetally::ContentView::Folders::Expanded);
    return QApplication::exec();
}
