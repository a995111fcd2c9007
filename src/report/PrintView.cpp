#include "report/PrintView.h"

#include "summary/Formatting.h"

#include <QFontDatabase>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>

namespace pagetally {
namespace {

// Report sizes are points and the painter's unit is a point, so fonts are sized in those units.
QFont reportFont(int size, QFont::Weight weight)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(size);
    font.setWeight(weight);
    // Unhinted advances are the same on screen and on paper, so measured heights hold when printed.
    font.setHintingPreference(QFont::PreferNoHinting);
    // No ligatures: a file name in the PDF then reads, and is found by search, as it is spelt.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

// Names without spaces still break, anywhere, rather than running out of their cell.
QTextOption wrapping(Qt::Alignment alignment)
{
    QTextOption option(alignment);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

// Lays `layout` out to `width`; returns the height of its lines.
double layOut(QTextLayout& layout, double width)
{
    double height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    return height;
}

QString text(const std::string& s)
{
    return QString::fromStdString(s);
}

constexpr double titlePadding = 10;
constexpr double stackSpacing = 5;
constexpr double headerPaddingBelow = 5;
constexpr double rowSpacing = 5;
constexpr double cellSpacing = 10;
constexpr double rulePadding = 5;
constexpr double ruleThickness = 1;

} // namespace

PrintView::PrintView(std::vector<FileInfo> files,
                     std::int64_t totalPages,
                     std::int64_t totalWords,
                     double totalDuration)
    : files_(std::move(files)), totalPages_(totalPages), totalWords_(totalWords),
      totalDuration_(totalDuration), titleFont_(reportFont(16, QFont::Bold)),
      boldFont_(reportFont(10, QFont::Bold)), regularFont_(reportFont(10, QFont::Normal))
{
    static_assert(absentValueText == "-");
    //: Printed where a file has no running time or no page count.
    const QString absent = tr("-");
    double y = paddingTop;

    const QString title = tr("Pagetally Results");
    const double titleHeight = textHeight(title, Style::Title, contentWidth);
    cells_.push_back({title, Style::Title, QRectF(paddingLeft, y + titlePadding, contentWidth, titleHeight),
                      Qt::AlignHCenter});
    bands_.push_back({y, y + titlePadding + titleHeight + titlePadding});
    y = bands_.back().bottom + stackSpacing;

    const double headerHeight = addRow(y,
                                       {{tr("File Name"), 250},
                                        {tr("Type"), 60},
                                        {tr("Duration"), 60},
                                        {tr("Pages"), 40},
                                        {tr("Words"), 40}},
                                       cellSpacing, Style::Bold);
    bands_.push_back({y, y + headerHeight + headerPaddingBelow});
    y = bands_.back().bottom + stackSpacing;

    for (std::size_t i = 0; i < files_.size(); ++i) {
        const FileInfo& f = files_[i];
        if (i > 0) {
            y += rowSpacing;
        }
        const double rowHeight = addRow(y,
                                        {{text(f.fileName), 250},
                                         {text(f.fileType), 60},
                                         {f.duration ? text(formatDuration(*f.duration)) : absent, 60},
                                         {f.pages ? text(formatCount(*f.pages)) : absent, 40},
                                         {text(formatCount(f.words)), 40}},
                                        cellSpacing, Style::Regular);
        bands_.push_back({y, y + rowHeight});
        y += rowHeight;
    }
    y += stackSpacing;

    const double ruleY = y + rulePadding + ruleThickness / 2;
    rule_ = QLineF(paddingLeft, ruleY, paddingLeft + contentWidth, ruleY);
    bands_.push_back({y, y + rulePadding + ruleThickness + rulePadding});
    y = bands_.back().bottom + stackSpacing;

    const double totalsHeight = addRow(y,
                                       {{tr("Total:"), 200},
                                        {tr("Duration: ") + text(formatDuration(totalDuration_)), 100},
                                        {tr("Pages: ") + text(formatCount(totalPages_)), 100},
                                        {tr("Words: ") + text(formatCount(totalWords_)), 100}},
                                       0, Style::Bold);
    bands_.push_back({y, y + totalsHeight});
    contentHeight_ = y + totalsHeight + paddingBottom;
    frame_ = QRectF(0, 0, width, contentHeight_);
}

QStringList PrintView::texts() const
{
    QStringList list;
    for (const Cell& cell : cells_) {
        list << cell.text;
    }
    return list;
}

const QFont& PrintView::font(Style style) const
{
    switch (style) {
    case Style::Title:
        return titleFont_;
    case Style::Bold:
        return boldFont_;
    case Style::Regular:
        break;
    }
    return regularFont_;
}

double PrintView::textHeight(const QString& text, Style style, double boxWidth) const
{
    QTextLayout layout(text, font(style));
    layout.setTextOption(wrapping(Qt::AlignLeft));
    return layOut(layout, boxWidth);
}

double PrintView::addRow(double top,
                         const std::vector<std::pair<QString, double>>& cells,
                         double spacing,
                         Style style)
{
    std::vector<double> heights;
    for (const auto& [cellText, cellWidth] : cells) {
        heights.push_back(textHeight(cellText, style, cellWidth));
    }
    const double rowHeight = *std::ranges::max_element(heights);
    double x = paddingLeft;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const auto& [cellText, cellWidth] = cells[i];
        cells_.push_back(
            {cellText, style, QRectF(x, top + (rowHeight - heights[i]) / 2, cellWidth, heights[i])});
        x += cellWidth + spacing;
    }
    return rowHeight;
}

void PrintView::paint(QPainter& painter, double fromY, double toY) const
{
    for (const Cell& cell : cells_) {
        if (cell.box.bottom() <= fromY || cell.box.top() >= toY) {
            continue;
        }
        QTextLayout layout(cell.text, font(cell.style));
        layout.setTextOption(wrapping(cell.alignment));
        layOut(layout, cell.box.width());
        layout.draw(&painter, cell.box.topLeft());
    }
    if (rule_.y1() >= fromY && rule_.y1() < toY) {
        painter.save();
        painter.setPen(QPen(QColor(0xC6, 0xC6, 0xC8), ruleThickness));
        painter.drawLine(rule_);
        painter.restore();
    }
}

std::vector<double> pageStarts(const std::vector<PrintView::Band>& bands, double pageHeight)
{
    std::vector<double> starts{0};
    if (pageHeight <= 0) {
        return starts;
    }
    for (const PrintView::Band& band : bands) {
        while (band.bottom > starts.back() + pageHeight) {
            starts.push_back(band.top > starts.back() ? band.top : starts.back() + pageHeight);
        }
    }
    return starts;
}

} // namespace pagetally
