// Reads a printed PDF back: the words of each page with their boxes, in points.
#pragma once

#include "analysis/intake/FileInfo.h"

#include <QRectF>
#include <QSizeF>
#include <QString>

#include <vector>

namespace pagetally::test {

struct PdfWord
{
    QString text;
    QRectF box; // top-left origin, points
    double fontSize = 0;
    bool bold = false;
};

struct PdfPage
{
    QSizeF size;
    std::vector<PdfWord> words;

    // The word `text` (the first one, from the top), or nullptr.
    const PdfWord* find(const QString& text) const;
    // The words on the same line as `first`, left to right.
    std::vector<PdfWord> lineOf(const QString& first) const;
    // Every word, top to bottom and left to right, joined by spaces.
    QString text() const;
};

// Prints `files` as the print job does to a Letter-sized PDF and reads its pages back.
std::vector<PdfPage> printToPdf(const std::vector<FileInfo>& files);

} // namespace pagetally::test
