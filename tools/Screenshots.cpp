// Draws the README's pictures: the main window holding the files of examples/, the first page
// of its printed report, and the progress panel of a batch. Usage: pagetally-screenshots EXAMPLES_DIR
// OUTPUT_DIR
#include "app/MainWindow.h"
#include "app/PagetallyApp.h"
#include "window/ContentView.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <thread>

#include <iostream>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 3) {
        std::cerr << "usage: pagetally-screenshots EXAMPLES_DIR OUTPUT_DIR\n";
        return 2;
    }
    const QString examples = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QDir output(QString::fromLocal8Bit(argv[2]));

    pagetally::PagetallyApp app;
    pagetally::MainWindow* window = app.openWindow();
    window->resize(window->minimumSizeHint().expandedTo(QSize(1080, 640)));
    // The same intake as the file picker and drops, over the whole folder.
    window->contentView()->addLocations({std::filesystem::path(QFile::encodeName(examples).toStdString())},
                                        pagetally::ContentView::Folders::Expanded);
    QEventLoop loop;
    QObject::connect(window->contentView(), &pagetally::ContentView::batchFinished, &loop, &QEventLoop::quit);
    if (window->contentView()->busy()) {
        loop.exec();
    }
    QApplication::processEvents();
    if (!window->grab().save(output.filePath(QStringLiteral("window.png")))) {
        std::cerr << "pagetally-screenshots: cannot write window.png\n";
        return 1;
    }

    // A batch held on its third file, in a second window, long enough for the panel to show.
    {
        std::atomic<bool> release = false;
        pagetally::MainWindow* busy = app.openWindow();
        busy->resize(window->size());
        busy->contentView()->setAnalyser([&](const std::filesystem::path& location, std::ostream& lines) {
            while (location.filename() == "sample.pdf" && !release) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            return pagetally::analyseLocation(location, lines);
        });
        QObject::connect(busy->contentView(), &pagetally::ContentView::batchFinished, &loop,
                         &QEventLoop::quit);
        busy->contentView()->addLocations({std::filesystem::path(QFile::encodeName(examples).toStdString())},
                                          pagetally::ContentView::Folders::Expanded);
        QTimer::singleShot(1500, &loop, &QEventLoop::quit);
        loop.exec();
        const bool saved = busy->grab().save(output.filePath(QStringLiteral("progress.png")));
        release = true;
        loop.exec(); // until the batch has finished
        busy->close();
        if (!saved) {
            std::cerr << "pagetally-screenshots: cannot write progress.png\n";
            return 1;
        }
    }

    QTemporaryDir scratch;
    const QString pdf = scratch.filePath(QStringLiteral("report.pdf"));
    window->contentView()->setPrintDialog([&](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(QPageSize::Letter));
        return true;
    });
    window->contentView()->printList();
    const int status = QProcess::execute(QStringLiteral("pdftoppm"),
                                         {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("80"),
                                          QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                          QStringLiteral("1"), QStringLiteral("-singlefile"), pdf,
                                          output.filePath(QStringLiteral("report"))});
    if (status != 0) {
        std::cerr << "pagetally-screenshots: pdftoppm failed\n";
        return 1;
    }
    return 0;
}
