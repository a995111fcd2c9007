// Keyboard use, what assistive technology is told, dark palettes and high-density screens.
#include "app/MainWindow.h"
#include "app/PagetallyApp.h"
#include "support/ViewHelpers.h"
#include "window/ContentView.h"
#include "window/DeleteDelegate.h"
#include "window/ResultsModel.h"
#include "window/TrashIcon.h"

#include <QAccessible>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using namespace pagetally;
using namespace pagetally::test;

namespace {

std::vector<FileInfo> threeFiles()
{
    return {FileInfo::make("letter.txt", "TXT", std::nullopt, std::nullopt, 42),
            FileInfo::make("report.pdf", "PDF", std::nullopt, 3, 900),
            FileInfo::make("voicemail.mp3", "MP3", 0.2, std::nullopt, 30)};
}

void showActive(QWidget& window)
{
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

QPalette darkPalette()
{
    QPalette dark(QColor(0x36, 0x36, 0x36), QColor(0x24, 0x24, 0x24)); // button, window
    dark.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x1E));
    dark.setColor(QPalette::AlternateBase, QColor(0x2A, 0x2A, 0x2A));
    dark.setColor(QPalette::Highlight, QColor(0x35, 0x84, 0xE4));
    dark.setColor(QPalette::PlaceholderText, QColor(0x9A, 0x9A, 0x9A));
    return dark;
}

// The largest difference of any channel between two colours.
int distance(const QColor& p, const QColor& q)
{
    return std::max({qAbs(p.red() - q.red()), qAbs(p.green() - q.green()), qAbs(p.blue() - q.blue())});
}

// How many pixels of `image` lie near `colour` in each channel.
int pixelsNear(const QImage& image, const QColor& colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += distance(image.pixelColor(x, y), colour) <= 12 ? 1 : 0;
        }
    }
    return count;
}

// The largest difference of any channel between two images of the same size.
int largestDifference(const QImage& a, const QImage& b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            largest = std::max(largest, distance(a.pixelColor(x, y), b.pixelColor(x, y)));
        }
    }
    return largest;
}

} // namespace

class AccessibilityTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void tabVisitsTheFourButtonsThenTheTable();
    void deleteKeyRemovesTheCurrentRowAndKeepsThePlace();
    void currentCellIsTheFocusOfAssistiveTechnologyAndSpaceOrEnterPressItsButton();
    void assistiveTechnologySeesRowsHeadersAndNamedDeleteButtons();
    void aDarkPaletteRecoloursEveryTextTheAccentAndTheGlyph();
    void deleteRedReadsOnLightAndDarkRows_data();
    void deleteRedReadsOnLightAndDarkRows();
    void windowIsDrawnAtDevicePixels();
};

void AccessibilityTest::cleanup()
{
    QApplication::setPalette(QApplication::style()->standardPalette());
}

void AccessibilityTest::tabVisitsTheFourButtonsThenTheTable()
{
    PagetallyApp app;
    MainWindow* window = app.openWindow();
    showActive(*window);
    button(*window, "selectFilesButton")->setFocus(Qt::TabFocusReason);
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, QStringList({"selectFilesButton", "clearFilesButton", "printResultsButton",
                                   "exitAppButton", "resultsTable", "selectFilesButton"}));
    // Backwards too.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("resultsTable"));
}

void AccessibilityTest::deleteKeyRemovesTheCurrentRowAndKeepsThePlace()
{
    ContentView view(threeFiles());
    showActive(view);
    QTableView* table = tableOf(view);
    button(view, "exitAppButton")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), table);
    // Entering the table by keyboard makes its first cell current. Rows: mp3, pdf, txt.
    QCOMPARE(table->currentIndex(), table->model()->index(0, 0));
    QTest::keyClick(table, Qt::Key_Down);
    QTest::keyClick(table, Qt::Key_Delete);
    QCOMPARE(names(view), QStringList({"letter.txt", "voicemail.mp3"}));
    // The place stays: the row that moved up is current now, still in the first column.
    QCOMPARE(table->currentIndex(), table->model()->index(1, 0));
    QTest::keyClick(table, Qt::Key_Backspace);
    QCOMPARE(names(view), QStringList({"voicemail.mp3"}));
    QCOMPARE(table->currentIndex(), table->model()->index(0, 0));
    // With a modifier the key is not a removal.
    QTest::keyClick(table, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(names(view), QStringList({"voicemail.mp3"}));
    QTest::keyClick(table, Qt::Key_Delete);
    QVERIFY(view.files().empty());
    QCOMPARE(labelText(view, "wordsTotal"), QStringLiteral("Words: 0"));
    QVERIFY(!table->currentIndex().isValid());
    QCOMPARE(QApplication::focusWidget(), table);
    QTest::keyClick(table, Qt::Key_Delete); // nothing left, nothing happens
}

void AccessibilityTest::currentCellIsTheFocusOfAssistiveTechnologyAndSpaceOrEnterPressItsButton()
{
    ContentView view(threeFiles());
    showActive(view);
    QTableView* table = tableOf(view);
    table->setFocus(Qt::TabFocusReason);
    table->setCurrentIndex(table->model()->index(2, ResultsModel::WordsColumn));
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(table);
    QCOMPARE(accessible->focusChild()->text(QAccessible::Name), QStringLiteral("42"));
    QTest::keyClick(table, Qt::Key_Right);
    QCOMPARE(accessible->focusChild()->text(QAccessible::Name), QStringLiteral("Remove letter.txt"));
    QVERIFY(accessible->focusChild()->state().focused);
    QTest::keyClick(table, Qt::Key_Up);
    QCOMPARE(accessible->focusChild()->text(QAccessible::Name), QStringLiteral("Remove report.pdf"));

    // Space on a value cell does nothing.
    table->setCurrentIndex(table->model()->index(0, ResultsModel::FileNameColumn));
    QTest::keyClick(table, Qt::Key_Space);
    QCOMPARE(view.files().size(), 3u);
    // The arrows reach the delete button of the row; Space, Return and Enter press it.
    for (int i = 0; i < ResultsModel::DeleteColumn; ++i) {
        QTest::keyClick(table, Qt::Key_Right);
    }
    QCOMPARE(table->currentIndex(), table->model()->index(0, ResultsModel::DeleteColumn));
    // The current delete button shows the focus frame.
    const QRect cell = table->visualRect(table->currentIndex());
    const QImage focused = table->viewport()->grab(cell).toImage();
    table->setCurrentIndex(table->model()->index(0, ResultsModel::FileNameColumn));
    QVERIFY(table->viewport()->grab(cell).toImage() != focused);
    table->setCurrentIndex(table->model()->index(0, ResultsModel::DeleteColumn));
    QTest::keyClick(table, Qt::Key_Space);
    QCOMPARE(names(view), QStringList({"letter.txt", "report.pdf"}));
    QCOMPARE(table->currentIndex(), table->model()->index(0, ResultsModel::DeleteColumn));
    QTest::keyClick(table, Qt::Key_Return);
    QCOMPARE(names(view), QStringList({"letter.txt"}));
    QTest::keyClick(table, Qt::Key_Enter, Qt::KeypadModifier);
    QVERIFY(view.files().empty());
}

void AccessibilityTest::assistiveTechnologySeesRowsHeadersAndNamedDeleteButtons()
{
    ContentView view(threeFiles());
    view.show();
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(tableOf(view));
    QVERIFY(table != nullptr);
    QCOMPARE(table->role(), QAccessible::Table);
    QCOMPARE(table->text(QAccessible::Name), QStringLiteral("Results"));
    QVERIFY(table->text(QAccessible::Description).contains(QLatin1String("Delete")));
    QAccessibleTableInterface* cells = table->tableInterface();
    QVERIFY(cells != nullptr);
    QCOMPARE(cells->rowCount(), 3);
    QCOMPARE(cells->columnCount(), 6);

    // The column headers, as a screen reader walks the table's children; the delete column's
    // header is empty on screen but named.
    QStringList headers;
    for (int i = 0; i < table->childCount(); ++i) {
        if (QAccessibleInterface* child = table->child(i); child->role() == QAccessible::ColumnHeader) {
            headers << child->text(QAccessible::Name);
        }
    }
    QCOMPARE(headers, QStringList({"File Name", "File Type", "Duration", "Pages", "Words", "Remove"}));
    QCOMPARE(tableOf(view)->model()->headerData(ResultsModel::DeleteColumn, Qt::Horizontal).toString(),
             QString());
    const QStringList firstRow{"voicemail.mp3", "MP3", "0m 12s", "-", "30", "Remove voicemail.mp3"};
    for (int c = 0; c < 6; ++c) {
        QAccessibleInterface* cell = cells->cellAt(0, c);
        QVERIFY(cell != nullptr);
        QCOMPARE(cell->role(), QAccessible::Cell);
        QCOMPARE(cell->text(QAccessible::Name), firstRow[c]);
        QCOMPARE(cell->tableCellInterface()->rowIndex(), 0);
        QCOMPARE(cell->tableCellInterface()->columnIndex(), c);
    }
    QCOMPARE(cells->cellAt(2, ResultsModel::DeleteColumn)->text(QAccessible::Name),
             QStringLiteral("Remove letter.txt"));

    QAccessibleInterface* select = QAccessible::queryAccessibleInterface(button(view, "selectFilesButton"));
    QCOMPARE(select->role(), QAccessible::Button);
    QCOMPARE(select->text(QAccessible::Name), QStringLiteral("Select Files"));
    QVERIFY(select->state().focusable);
}

void AccessibilityTest::aDarkPaletteRecoloursEveryTextTheAccentAndTheGlyph()
{
    ContentView before(threeFiles());
    before.show();
    const QColor lightRed = deleteTint(tableOf(before)->palette());
    // As when the desktop's theme changes while the program runs; widgets hear of it through
    // the event loop. A view made afterwards starts with it.
    const QPalette dark = darkPalette();
    QApplication::setPalette(dark);
    QTRY_COMPARE(button(before, "selectFilesButton")->palette().color(QPalette::Button),
                 dark.color(QPalette::Highlight));
    const QColor red = deleteTint(tableOf(before)->palette());
    QVERIFY(red != lightRed);
    ContentView view(threeFiles());
    view.resize(1000, 600);
    view.show();
    QCOMPARE(deleteTint(tableOf(view)->palette()), red);

    // Every text colour is a role of the palette: no widget sets a colour of its own, except the
    // accent of "Select Files", which is the palette's highlight.
    for (QLabel* label : view.findChildren<QLabel*>()) {
        const QColor shown = label->palette().color(label->foregroundRole());
        QVERIFY2(shown == dark.color(QPalette::WindowText) || shown == dark.color(QPalette::PlaceholderText),
                 qPrintable(label->objectName() + u' ' + shown.name()));
    }
    QPushButton* select = button(view, "selectFilesButton");
    QCOMPARE(select->palette().color(QPalette::Button), dark.color(QPalette::Highlight));
    QCOMPARE(select->palette().color(QPalette::ButtonText), dark.color(QPalette::HighlightedText));

    // The delete glyphs, in both views, in the lighter red that reads on dark rows.
    for (ContentView* shown : {&before, &view}) {
        QTableView* table = tableOf(*shown);
        const QRect cell = table->visualRect(table->model()->index(0, ResultsModel::DeleteColumn));
        QVERIFY(pixelsNear(table->viewport()->grab(cell).toImage(), red) > 20);
    }
}

void AccessibilityTest::deleteRedReadsOnLightAndDarkRows_data()
{
    QTest::addColumn<QColor>("base");
    QTest::addColumn<QColor>("alternate");
    QTest::newRow("white") << QColor(Qt::white) << QColor(0xF7, 0xF7, 0xF7);
    QTest::newRow("toolkit default") << QApplication::style()->standardPalette().color(QPalette::Base)
                                     << QApplication::style()->standardPalette().color(
                                            QPalette::AlternateBase);
    QTest::newRow("dark grey") << QColor(0x2D, 0x2D, 0x2D) << QColor(0x35, 0x35, 0x35);
    QTest::newRow("black") << QColor(Qt::black) << QColor(0x12, 0x12, 0x12);
    QTest::newRow("deep blue") << QColor(0x1A, 0x23, 0x3A) << QColor(0x20, 0x2A, 0x44);
}

void AccessibilityTest::deleteRedReadsOnLightAndDarkRows()
{
    QFETCH(QColor, base);
    QFETCH(QColor, alternate);
    QPalette palette;
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, alternate);
    const QColor red = deleteTint(palette);
    QVERIFY2(contrastRatio(red, base) >= 3.0, qPrintable(red.name()));
    QVERIFY2(contrastRatio(red, alternate) >= 3.0, qPrintable(red.name()));
    QVERIFY(red.red() > 2 * red.green() && red.red() > 2 * red.blue() - 60); // still a red
}

void AccessibilityTest::windowIsDrawnAtDevicePixels()
{
    // CTest also runs this with QT_SCALE_FACTOR=2.
    ContentView view({FileInfo::make("letter.txt", "TXT", std::nullopt, std::nullopt, 42)});
    view.show();
    const qreal ratio = view.devicePixelRatioF();
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == QLatin1String("2")) {
        QCOMPARE(ratio, 2.0);
    }
    QTableView* table = tableOf(view);
    const QPixmap shot = table->viewport()->grab();
    QCOMPARE(shot.devicePixelRatio(), ratio);
    QCOMPARE(shot.size(), table->viewport()->size() * ratio);

    // The glyph in the window is the icon drawn at device pixels onto the row's background.
    const QRect cell = table->visualRect(table->model()->index(0, ResultsModel::DeleteColumn));
    QRect glyph(0, 0, 16, 16);
    glyph.moveCenter(DeleteDelegate::buttonRect(cell).center());
    const QRect pixels(glyph.topLeft() * ratio, glyph.size() * ratio);
    const QImage drawn = shot.toImage().copy(pixels);
    QImage expected(pixels.size(), QImage::Format_ARGB32_Premultiplied);
    expected.setDevicePixelRatio(ratio);
    expected.fill(table->palette().color(QPalette::Base));
    {
        QPainter painter(&expected);
        trashIcon(deleteTint(table->palette())).paint(&painter, QRect(0, 0, 16, 16));
    }
    QVERIFY(largestDifference(drawn.convertToFormat(QImage::Format_ARGB32_Premultiplied), expected) <= 8);
}

QTEST_MAIN(AccessibilityTest)
#include "AccessibilityTest.moc"
