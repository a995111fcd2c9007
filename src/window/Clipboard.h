// The results as a table for other programs: tab-separated text for spreadsheets and HTML for
// mail and documents, so that a paste gives real columns.
#pragma once

#include "analysis/intake/FileInfo.h"

#include <QList>
#include <QStringList>

#include <vector>

class QMimeData;

namespace pagetally {

// The window's table without its delete column, in display order: the header row, one row per
// record and a totals row, each cell the text the window shows.
QList<QStringList> resultsRows(const std::vector<FileInfo>& files);

// One line per row, cells separated by tabs. A tab or line break inside a name becomes a space,
// since it would otherwise start a new cell or row.
QString tabSeparated(const QList<QStringList>& rows);

// An HTML table whose first row is the header.
QString htmlTable(const QList<QStringList>& rows);

// Both forms of resultsRows(files), for the clipboard.
QMimeData* resultsMimeData(const std::vector<FileInfo>& files);

} // namespace pagetally
