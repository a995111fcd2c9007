// The printed report, read back from the PDF the print job writes: texts, order, positions, pages.
#include "report/PrintJob.h"
#include "support/PdfText.h"

#include <QPageLayout>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtTest>

using namespace pagetally;
using pagetally::test::PdfPage;
using pagetally::test::printToPdf;

constexpr auto record = &FileInfo::make;

class PrintJobTest : public QObject
{
    Q_OBJECT

private slots:
    void printsTheRowsInDisplayOrderUnderTheHeaderOverAsManyPagesAsNeeded();
    void placesEachCellAtItsColumnInItsFont();
    void marginsAreSetAgainAtEveryJobAndACancelledPanelLeavesNoFile();
};

void PrintJobTest::printsTheRowsInDisplayOrderUnderTheHeaderOverAsManyPagesAsNeeded()
{
    const std::vector<FileInfo> files{
        record("notes.txt", "TXT", std::nullopt, std::nullopt, 42),
        record("b.pdf", "PDF", std::nullopt, 3, 120), record("contract.docx", "DOCX", std::nullopt, 2, 800),
        record("a.pdf", "PDF", std::nullopt, 1, 10), record("talk.mp3", "MP3", 2.05, std::nullopt, 307)};
    std::vector<FileInfo> many;
    QString manyRows;
    for (int i = 0; i < 100; ++i) {
        const QString name = QStringLiteral("file-%1.txt").arg(i, 3, 10, QLatin1Char('0'));
        many.push_back(record(name.toStdString(), "TXT", std::nullopt, std::nullopt, i));
        manyRows += name + QStringLiteral(" TXT - - %1 ").arg(i);
    }
    const std::tuple<std::vector<FileInfo>, std::size_t, QString> cases[] = {
        {files, 1,
         "contract.docx DOCX - 2 800 talk.mp3 MP3 2m 2s - 307 b.pdf PDF - 3 120 a.pdf PDF - 1 10 "
         "notes.txt TXT - - 42 Total: Duration: 2m 2s Pages: 6 Words: 1279"},
        {{}, 1, "Total: Duration: 0m 0s Pages: 0 Words: 0"},
        {many, 3, manyRows + "Total: Duration: 0m 0s Pages: 0 Words: 4950"}};
    for (const auto& [list, pageCount, rows] : cases) {
        const auto pages = printToPdf(list);
        QCOMPARE(pages.size(), pageCount);
        QStringList texts;
        for (const PdfPage& page : pages) {
            texts << page.text();
            // Pages break between rows: every word lies inside the margins.
            for (const auto& word : page.words) {
                QVERIFY(word.box.top() >= 20 - 1 && word.box.bottom() <= page.size.height() - 40 + 1);
            }
        }
        QCOMPARE(texts.join(u' '),
                 QStringLiteral("Pagetally Results File Name Type Duration Pages Words ") + rows);
    }
}

void PrintJobTest::placesEachCellAtItsColumnInItsFont()
{
    const auto pages = printToPdf({record("letter.txt", "TXT", std::nullopt, std::nullopt, 42),
                                   record("voicemail.mp3", "MP3", 0.2, std::nullopt, 30)});
    const PdfPage& page = pages.at(0);

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

QTEST_MAIN(PrintJobTest)
#include "PrintJobTest.moc"
