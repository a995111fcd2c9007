// The printed report: a title, the header row, one row per record, a rule and the totals row.
#pragma once

#include "analysis/intake/FileInfo.h"

#include <QCoreApplication>
#include <QFont>
#include <QLineF>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

class QPainter;

namespace pagetally {

// Laid out once at construction, in points, with its top-left corner at (0, 0).
class PrintView
{
    Q_DECLARE_TR_FUNCTIONS(PrintView)

public:
    static constexpr double width = 612;
    static constexpr double paddingLeft = 40;
    static constexpr double paddingRight = 40;
    static constexpr double paddingTop = 20;
    static constexpr double paddingBottom = 40;
    static constexpr double contentWidth = width - paddingLeft - paddingRight;

    // The vertical extent of a block that is never split across pages (the title, the header
    // row, one record row, the rule, the totals row).
    struct Band
    {
        double top = 0;
        double bottom = 0;
    };

    // `files` already in print order; the totals as the caller computed them.
    PrintView(std::vector<FileInfo> files,
              std::int64_t totalPages,
              std::int64_t totalWords,
              double totalDuration);

    // The size the print job gives the view; the content is laid out from its top edge.
    void setFrame(const QRectF& frame) { frame_ = frame; }
    QRectF frame() const { return frame_; }

    // The laid-out content, paddings included, whatever the frame.
    double contentHeight() const { return contentHeight_; }
    const std::vector<Band>& bands() const { return bands_; }

    // The text of every cell, in the order it was laid out (top to bottom, left to right).
    QStringList texts() const;

    // Paints the parts of the report that reach into [fromY, toY).
    void paint(QPainter& painter, double fromY, double toY) const;

private:
    enum class Style { Title, Bold, Regular };
    struct Cell
    {
        QString text;
        Style style = Style::Regular;
        QRectF box; // where the text is laid out, wrapped to the box's width
        Qt::Alignment alignment = Qt::AlignLeft;
    };

    // Lays out one row of fixed-width cells at `top`, each centred vertically on the tallest;
    // returns the row's height.
    double
    addRow(double top, const std::vector<std::pair<QString, double>>& cells, double spacing, Style style);
    const QFont& font(Style style) const;
    double textHeight(const QString& text, Style style, double boxWidth) const;

    std::vector<FileInfo> files_;
    std::int64_t totalPages_;
    std::int64_t totalWords_;
    double totalDuration_;

    QFont titleFont_;
    QFont boldFont_;
    QFont regularFont_;
    std::vector<Cell> cells_;
    std::vector<Band> bands_;
    QLineF rule_;
    double contentHeight_ = 0;
    QRectF frame_;
};

// Where pages begin, in the view's coordinates, for pages `pageHeight` tall: a page ends
// before a band that would not fit on it; only a band taller than a page is cut.
std::vector<double> pageStarts(const std::vector<PrintView::Band>& bands, double pageHeight);

} // namespace pagetally
