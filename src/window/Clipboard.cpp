#include "window/Clipboard.h"

#include "summary/Formatting.h"
#include "summary/Results.h"
#include "window/ResultsModel.h"

#include <QCoreApplication>
#include <QMimeData>
#include <QRegularExpression>

namespace pagetally {

QList<QStringList> resultsRows(const std::vector<FileInfo>& files)
{
    // The model itself, so that the cells cannot drift from the window's.
    ResultsModel model;
    model.setFiles(files);
    const int columns = ResultsModel::DeleteColumn;
    QList<QStringList> rows;
    QStringList header;
    for (int column = 0; column < columns; ++column) {
        header << model.headerData(column, Qt::Horizontal).toString();
    }
    rows << header;
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < columns; ++column) {
            cells << model.index(row, column).data().toString();
        }
        rows << cells;
    }
    rows << QStringList{QCoreApplication::translate("pagetally::TotalsLine", "Total:"), QString(),
                        QString::fromStdString(formatDuration(totalDuration(files))),
                        QString::fromStdString(formatCount(totalPages(files))),
                        QString::fromStdString(formatCount(totalWords(files)))};
    return rows;
}

QString tabSeparated(const QList<QStringList>& rows)
{
    static const QRegularExpression separators(QStringLiteral("[\\t\\r\\n\\x{2028}\\x{2029}]"));
    QString text;
    for (const QStringList& row : rows) {
        QStringList cells;
        for (const QString& cell : row) {
            cells << QString(cell).replace(separators, QStringLiteral(" "));
        }
        text += cells.join(u'\t') + u'\n';
    }
    return text;
}

QString htmlTable(const QList<QStringList>& rows)
{
    QString html = QStringLiteral("<meta charset=\"utf-8\"><table>");
    for (qsizetype row = 0; row < rows.size(); ++row) {
        const QString cell = row == 0 ? QStringLiteral("th") : QStringLiteral("td");
        html += QStringLiteral("<tr>");
        for (const QString& text : rows[row]) {
            html += QStringLiteral("<%1>%2</%1>").arg(cell, text.toHtmlEscaped());
        }
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

QMimeData* resultsMimeData(const std::vector<FileInfo>& files)
{
    const QList<QStringList> rows = resultsRows(files);
    auto* mime = new QMimeData;
    mime->setText(tabSeparated(rows));
    mime->setHtml(htmlTable(rows));
    return mime;
}

} // namespace pagetally
