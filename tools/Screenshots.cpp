// Draws the README's pictures: the main window holding the files of examples/, and the first
// page of its printed report. Usage: pagetally-screenshots EXAMPLES_DIR OUTPUT_DIR
#include "app/MainWindow.h"
#include "app/PagetallyApp.h"
#include "window/ContentView.h"
#include "window/Locations.h"

#include <QApplication>
#include <QDir>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>

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
    window->contentView()->addLocations(
        pagetally::expandDirectories({std::filesystem::path(QFile::encodeName(examples).toStdString())}));
    QApplication::processEvents();
    if (!window->grab().save(output.filePath(QStringLiteral("window.png")))) {
        std::cerr << "pagetally-screenshots: cannot write window.png\n";
        return 1;
    }

    QTemporaryDir scratch;
    const QString pdf = scratch.filePath(QStringLiteral("report.pdf"));
    window->contentView()->setPrintDialog([&](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(QPageSize::Letter));
        return true;
    });
    window->contentView()->printResults();
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
