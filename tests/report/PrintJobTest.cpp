// The printed report, read back from the PDF the print job writes: texts, order, positions, pages.
#include "report/PrintJob.h"
#include "report/PrintView.h"
#include "support/PdfText.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtTest>

using namespace pagetally;
using pagetally::test::PdfPage;
using pagetally::test::printToPdf;

namespace {

constexpr auto record = &FileInfo::make;

QStringList words(const char* text)
{
    return QString::fromUtf8(text).split(u' ');
}

} // namespace

class PrintJobTest : public QObject
{
    Q_OBJECT

private slots:
    void printsTheRowsInDisplayOrderUnderTheHeader();
    void placesEachCellAtItsColumnInItsFont();
    void marginsAreSetAgainAtEveryJobAndACancelledPanelLeavesNoFile();
    void longNamesWrapInsideTheirCellAndMakeTheRowTaller();
    void manyRecordsContinueOnFurtherPagesBetweenRows();
    void pagesBreakBeforeABandThatDoesNotFit();
    void narrowPaperShrinksTheReportToThePrintableWidth();
};

void PrintJobTest::printsTheRowsInDisplayOrderUnderTheHeader()
{
    const std::vector<FileInfo> files{
        record("notes.txt", "TXT", std::nullopt, std::nullopt, 42),
        record("b.pdf", "PDF", std::nullopt, 3, 120), record("contract.docx", "DOCX", std::nullopt, 2, 800),
        record("a.pdf", "PDF", std::nullopt, 1, 10), record("talk.mp3", "MP3", 2.05, std::nullopt, 307)};
    const std::pair<std::vector<FileInfo>, const char*> cases[] = {
        {files, "contract.docx DOCX - 2 800 talk.mp3 MP3 2m 2s - 307 b.pdf PDF - 3 120 a.pdf PDF - 1 10 "
                "notes.txt TXT - - 42 Total: Duration: 2m 2s Pages: 6 Words: 1279"},
        {{}, "Total: Duration: 0m 0s Pages: 0 Words: 0"}};
    for (const auto& [list, rows] : cases) {
        const auto pages = printToPdf(list);
        QCOMPARE(pages.size(), 1u);
        QCOMPARE(pages[0].text(), QStringLiteral("Pagetally Results File Name Type Duration Pages Words ") +
                                      QString::fromUtf8(rows));
    }
    // The list itself keeps its order of addition.
    QCOMPARE(files[0].fileName, std::string("notes.txt"));
}

void PrintJobTest::placesEachCellAtItsColumnInItsFont()
{
    const auto pages = printToPdf({record("letter.txt", "TXT", std::nullopt, std::nullopt, 42),
                                   record("voicemail.mp3", "MP3", 0.2, std::nullopt, 30)});
    QCOMPARE(pages.size(), 1u);
    const PdfPage& page = pages[0];
    QCOMPARE(page.size, QSizeF(612, 792));

    // The title is centred over the content column, bold and larger, below both paddings.
    const auto title = page.lineOf(QStringLiteral("Pagetally"));
    QCOMPARE(title.size(), 2u);
    QVERIFY(qAbs((title.front().box.left() + title.back().box.right()) / 2 - 306) < 1.5);
    QVERIFY(title.front().box.top() > 20 + 20 + 10 - 1);
    QVERIFY(title.front().fontSize > page.find(QStringLiteral("File"))->fontSize);
    QVERIFY(title.front().bold);

    const auto checkColumns = [&](const QString& first, const std::vector<int>& wordIndexes,
                                  const std::vector<double>& lefts, bool bold) {
        const auto line = page.lineOf(first);
        for (std::size_t i = 0; i < wordIndexes.size(); ++i) {
            const auto& word = line.at(static_cast<std::size_t>(wordIndexes[i]));
            QVERIFY2(qAbs(word.box.left() - lefts[i]) < 1.5, qPrintable(word.text));
            QCOMPARE(word.bold, bold);
        }
    };
    // Left edges in page points with Letter paper and the 40-point margin. "File Name" and
    // "0m 12s" are two words each.
    const std::vector<double> rowColumns{40, 300, 370, 440, 490};
    checkColumns(QStringLiteral("File"), {0, 2, 3, 4, 5}, rowColumns, true);
    checkColumns(QStringLiteral("letter.txt"), {0, 1, 2, 3, 4}, rowColumns, false);
    checkColumns(QStringLiteral("voicemail.mp3"), {0, 1, 2, 4, 5}, rowColumns, false);
    // Totals: fixed 200/100/100/100 cells with no spacing, all bold.
    checkColumns(QStringLiteral("Total:"), {0, 1, 4, 6}, {40, 240, 340, 440}, true);
    QCOMPARE(page.lineTextOf(QStringLiteral("Total:")), words("Total: Duration: 0m 12s Pages: 0 Words: 72"));

    // Rows follow the header and each other at the same pitch, the totals last.
    const auto top = [&](const char* word) { return page.find(QLatin1String(word))->box.top(); };
    QVERIFY(top("Pagetally") < top("File") && top("File") < top("voicemail.mp3"));
    QVERIFY(qAbs((top("letter.txt") - top("voicemail.mp3")) - (top("voicemail.mp3") - top("File")) + 5) <
            0.5);
    QVERIFY(top("letter.txt") < top("Total:"));
}

// A cancelled panel writes no file; the margins are set again at every job, as if the person
// had changed them in the panel and then cancelled.
void PrintJobTest::marginsAreSetAgainAtEveryJobAndACancelledPanelLeavesNoFile()
{
    QTemporaryDir dir;
    sharedPrinter().setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    std::vector<QMarginsF> seen;
    for (int job = 0; job < 2; ++job) {
        printResults({record("a.txt", "TXT", std::nullopt, std::nullopt, 1)}, nullptr,
                     [&](QPrinter& printer, QWidget*) {
                         seen.push_back(printer.pageLayout().margins(QPageLayout::Point));
                         printer.setPageMargins(QMarginsF(5, 5, 5, 5), QPageLayout::Point);
                         printer.setOutputFormat(QPrinter::PdfFormat);
                         printer.setOutputFileName(dir.filePath(QStringLiteral("never.pdf")));
                         return false;
                     });
    }
    QCOMPARE(seen, std::vector<QMarginsF>(2, QMarginsF(40, 20, 40, 40)));
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

void PrintJobTest::longNamesWrapInsideTheirCellAndMakeTheRowTaller()
{
    const std::string spaced =
        "quarterly report with a long descriptive title that takes more than one line.pdf";
    const std::string solid = std::string(120, 'x') + ".txt";
    const std::vector<FileInfo> files{record(spaced, "PDF", std::nullopt, 12, 3456),
                                      record(solid, "TXT", std::nullopt, std::nullopt, 7),
                                      record("short.txt", "TXT", std::nullopt, std::nullopt, 9)};

    const auto pages = printToPdf(files);
    QCOMPARE(pages.size(), 1u);
    const PdfPage& page = pages[0];
    QString solidPieces;
    const double header = page.find(QStringLiteral("File"))->box.bottom();
    const double totals = page.find(QStringLiteral("Total:"))->box.top();
    for (const auto& word : page.words) {
        if (word.box.top() > header && word.box.bottom() < totals && word.box.left() < 290) {
            QVERIFY2(word.box.right() < 291, qPrintable(word.text)); // no name runs into the next column
            if (word.text.startsWith(u'x')) {
                solidPieces += word.text; // the lines of the name without spaces, top to bottom
            }
        }
    }
    QCOMPARE(solidPieces, QString::fromStdString(solid));
    // The other cells stay vertically centred on the taller name.
    const auto* type = page.find(QStringLiteral("PDF"));
    const auto* firstLine = page.find(QStringLiteral("quarterly"));
    const auto* lastLine = page.find(QStringLiteral("line.pdf"));
    QVERIFY(type && firstLine && lastLine);
    QVERIFY(lastLine->box.top() > firstLine->box.bottom());
    QVERIFY(qAbs(type->box.center().y() - (firstLine->box.top() + lastLine->box.bottom()) / 2) < 2);
}

void PrintJobTest::manyRecordsContinueOnFurtherPagesBetweenRows()
{
    std::vector<FileInfo> files;
    for (int i = 0; i < 100; ++i) {
        files.push_back(record(QStringLiteral("file-%1.txt").arg(i, 3, 10, QLatin1Char('0')).toStdString(),
                               "TXT", std::nullopt, std::nullopt, i));
    }
    const auto pages = printToPdf(files);
    QVERIFY(pages.size() >= 2);
    QStringList names;
    for (const PdfPage& page : pages) {
        for (const auto& word : page.words) {
            if (word.text.startsWith(QLatin1String("file-"))) {
                names << word.text;
                QVERIFY(word.box.top() >= 20 - 1 && word.box.bottom() <= page.size.height() - 40 + 1);
            }
        }
    }
    QCOMPARE(names.size(), 100);
    for (int i = 0; i < 100; ++i) {
        QCOMPARE(names[i], QStringLiteral("file-%1.txt").arg(i, 3, 10, QLatin1Char('0')));
    }
    QVERIFY(pages.front().find(QStringLiteral("Results")) != nullptr);
    QVERIFY(pages.back().find(QStringLiteral("Total:")) != nullptr);
    QCOMPARE(pages.back().lineTextOf(QStringLiteral("Total:")),
             words("Total: Duration: 0m 0s Pages: 0 Words: 4950"));
}

void PrintJobTest::pagesBreakBeforeABandThatDoesNotFit()
{
    using Band = PrintView::Band;
    QCOMPARE(pageStarts({}, 100), std::vector<double>{0});
    QCOMPARE(pageStarts({Band{0, 40}, Band{40, 90}, Band{95, 120}}, 100), (std::vector<double>{0, 95}));
    // A band taller than a page is the only thing that is cut.
    QCOMPARE(pageStarts({Band{0, 10}, Band{20, 260}}, 100), (std::vector<double>{0, 20, 120, 220}));
}

void PrintJobTest::narrowPaperShrinksTheReportToThePrintableWidth()
{
    const auto pages =
        printToPdf({record("letter.txt", "TXT", std::nullopt, std::nullopt, 42)}, QPageSize::A5);
    QCOMPARE(pages.size(), 1u);
    const PdfPage& page = pages[0];
    const double printable = page.size.width() - 80;
    const double scale = printable / 532;
    for (const auto& word : page.words) {
        QVERIFY2(word.box.left() >= 40 - 1 && word.box.right() <= page.size.width() - 40 + 1,
                 qPrintable(word.text));
    }
    const auto header = page.lineOf(QStringLiteral("File"));
    QVERIFY(qAbs(header.back().box.left() - (40 + 450 * scale)) < 1.5);
}

QTEST_MAIN(PrintJobTest)
#include "PrintJobTest.moc"
