// "Print Results": the report of a window's list, the print panel, a progress panel, the pages.
#pragma once

#include "analysis/intake/FileInfo.h"
#include "report/PrintView.h"

#include <QMarginsF>
#include <QSizeF>

#include <cstddef>
#include <functional>
#include <vector>

class QPrinter;
class QWidget;

namespace pagetally {

// Shows the print panel for `printer`; true when the person chose to print. Injectable, so that
// tests print to a PDF file without a modal dialog.
using PrintDialogStep = std::function<bool(QPrinter& printer, QWidget* parent)>;

// The real panel: a modal QPrintDialog.
bool showPrintDialog(QPrinter& printer, QWidget* parent);

// The application-wide print settings; its margins stay as the last job set them.
QPrinter& sharedPrinter();

// Left, top, right, bottom, in points; set again at every job.
inline const QMarginsF reportMargins{40, 20, 40, 40};

// The report view's frame for a list of `count` records: 612 × (20 n + 110) points.
QSizeF reportFrameSize(std::size_t count);

// Prints `files` (in order of addition; the job sorts and totals them itself). A cancelled
// panel or a failed job leaves nothing behind and says nothing.
void printResults(const std::vector<FileInfo>& files,
                  QWidget* parent = nullptr,
                  const PrintDialogStep& showDialog = showPrintDialog);

// Paints the view onto the printer's pages with a progress panel. Its 532-point content column
// is laid on the page's printable width (the view's side paddings fall in the page margins),
// shrunk only where paper is narrower than that; pages break between rows. Returns whether
// the pages were painted.
bool renderReport(const PrintView& view, QPrinter& printer, QWidget* progressParent);

} // namespace pagetally
