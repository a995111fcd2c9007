#include "report/PrintJob.h"

#include "summary/Results.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>

#include <algorithm>

namespace pagetally {

bool showPrintDialog(QPrinter& printer, QWidget* parent)
{
    QPrintDialog dialog(&printer, parent);
    // The whole report is printed; ranges and selections do not apply.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    return dialog.exec() == QDialog::Accepted;
}

QPrinter& sharedPrinter()
{
    static QPrinter* printer = nullptr;
    if (printer == nullptr) {
        printer = new QPrinter(QPrinter::HighResolution);
        // Freed with the application object, which its print engine needs.
        qAddPostRoutine([] {
            delete printer;
            printer = nullptr;
        });
    }
    return *printer;
}

QSizeF reportFrameSize(std::size_t count)
{
    return {PrintView::width, static_cast<double>(count) * 20.0 + 80.0 + 30.0};
}

void printResults(const std::vector<FileInfo>& files, QWidget* parent, const PrintDialogStep& showDialog)
{
    PrintView view(displayOrder(files), totalPages(files), totalWords(files), totalDuration(files));
    view.setFrame(QRectF(QPointF(0, 0), reportFrameSize(files.size())));

    QPrinter& printer = sharedPrinter();
    printer.setPageMargins(reportMargins, QPageLayout::Point);
    printer.setDocName(PrintView::tr("Pagetally Results"));
    if (!showDialog(printer, parent)) {
        return;
    }
    renderReport(view, printer, parent);
}

bool renderReport(const PrintView& view, QPrinter& printer, QWidget* progressParent)
{
    const QRectF printable = printer.pageRect(QPrinter::Point);
    if (printable.width() <= 0 || printable.height() <= 0) {
        return false;
    }
    const double scale = std::min(1.0, printable.width() / PrintView::contentWidth);
    const double pageHeight = printable.height() / scale;
    const std::vector<double> starts = pageStarts(view.bands(), pageHeight);
    const double viewHeight = std::max(view.frame().height(), view.contentHeight());

    QProgressDialog progress(QCoreApplication::translate("pagetally::PrintJob", "Printing…"), QString(), 0,
                             static_cast<int>(starts.size()), progressParent);
    progress.setWindowTitle(QCoreApplication::translate("pagetally::PrintJob", "Print Results"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.setValue(0);

    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    const double dotsPerPoint = printer.resolution() / 72.0;
    for (std::size_t page = 0; page < starts.size(); ++page) {
        if (page > 0 && !printer.newPage()) {
            break;
        }
        const double top = starts[page];
        const double bottom =
            std::min(viewHeight, page + 1 < starts.size() ? starts[page + 1] : top + pageHeight);
        painter.save();
        painter.scale(dotsPerPoint * scale, dotsPerPoint * scale);
        painter.translate(-PrintView::paddingLeft, -top);
        painter.setClipRect(QRectF(0, top, PrintView::width, bottom - top));
        view.paint(painter, top, bottom);
        painter.restore();
        progress.setValue(static_cast<int>(page) + 1);
    }
    return painter.end();
}

} // namespace pagetally
