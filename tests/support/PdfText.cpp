#include "support/PdfText.h"

#include "report/PrintJob.h"

#include <QFile>
#include <QPrinter>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>
#include <poppler-document.h>
#include <poppler-page.h>

namespace pagetally::test {

const PdfWord* PdfPage::find(const QString& text) const
{
    const auto it = std::ranges::find(words, text, &PdfWord::text);
    return it == words.end() ? nullptr : &*it;
}

std::vector<PdfWord> PdfPage::lineOf(const QString& first) const
{
    std::vector<PdfWord> line;
    const PdfWord* anchor = find(first);
    std::ranges::copy_if(words, std::back_inserter(line), [&](const PdfWord& w) {
        return anchor != nullptr && qAbs(w.box.center().y() - anchor->box.center().y()) < 2;
    });
    std::ranges::sort(line, {}, [](const PdfWord& w) { return w.box.left(); });
    return line;
}

QString PdfPage::text() const
{
    std::vector<PdfWord> sorted = words;
    // Lines are told apart by their centres, words on a line by their left edges.
    std::ranges::stable_sort(sorted, [](const PdfWord& a, const PdfWord& b) {
        if (qAbs(a.box.center().y() - b.box.center().y()) >= 2) {
            return a.box.center().y() < b.box.center().y();
        }
        return a.box.left() < b.box.left();
    });
    QStringList texts;
    for (const PdfWord& w : sorted) {
        texts << w.text;
    }
    return texts.join(u' ');
}

std::vector<PdfPage> printToPdf(const std::vector<FileInfo>& files)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    printResults(files, nullptr, [&](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPageSize(QPageSize(QPageSize::Letter));
        return true;
    });
    std::vector<PdfPage> pages;
    std::unique_ptr<poppler::document> document(
        poppler::document::load_from_file(QFile::encodeName(path).toStdString()));
    for (int i = 0; document && i < document->pages(); ++i) {
        std::unique_ptr<poppler::page> page(document->create_page(i));
        const poppler::rectf rect = page->page_rect();
        PdfPage& result = pages.emplace_back(PdfPage{QSizeF(rect.width(), rect.height()), {}});
        for (const poppler::text_box& box : page->text_list(poppler::page::text_list_include_font)) {
            const poppler::rectf b = box.bbox();
            const poppler::byte_array utf8 = box.text().to_utf8();
            result.words.push_back({QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())),
                                    QRectF(b.left(), b.top(), b.width(), b.height()), box.get_font_size(),
                                    box.get_font_name().find("Bold") != std::string::npos});
        }
    }
    return pages;
}

} // namespace pagetally::test
