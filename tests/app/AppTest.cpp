// The application: its menus and windows, the command line, small screens, keyboard use, what
// assistive technology is told, palettes and high-density screens, and the languages.
#include "Version.h"
#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/PagetallyApp.h"
#include "app/Translations.h"
#include "support/PdfText.h"
#include "support/ViewHelpers.h"
#include "window/DeleteDelegate.h"
#include "window/NoteText.h"
#include "window/NotesSummary.h"
#include "window/ResultsModel.h"
#include "window/TrashIcon.h"

#include <QAccessible>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

#include <sstream>

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

// Each item of the menu as "title|shortcut", a separator as "---".
QStringList items(const QMenu* menu)
{
    QStringList list;
    for (const QAction* action : menu->actions()) {
        list << (action->isSeparator()
                     ? QStringLiteral("---")
                     : action->text() + u'|' + action->shortcut().toString(QKeySequence::PortableText));
    }
    return list;
}

} // namespace

class AppTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void menusGiveTheStandardKeysAndEachWindowAddsAnAboutPairAndItsOwnList();
    void windowFitsTheScreenWithEveryColumnAndTheTotalsInReach();
    void commandLineFilesAndFoldersFillTheFirstWindow();
    void commandLineOptionsAnswerWithoutAWindow();
    void exitAppEndsTheEventLoopAtOnce();
    void tabReachesTheTableWhoseKeysRemoveRowsInPlaceAndMoveAssistiveFocus();
    void assistiveTechnologySeesRowsHeadersAndNamedDeleteButtons();
    void deleteGlyphFollowsThePaletteAtDevicePixels();
    void germanShowsTheWindowMenusAndReportInGerman();
    void englishNeedsNoTranslation();
    void languageFollowsTheSystemLocale();
};

void AppTest::cleanup()
{
    QApplication::setPalette(QApplication::style()->standardPalette());
    // A translator leaves the application when it is deleted.
    qDeleteAll(qApp->findChildren<QTranslator*>());
}

void AppTest::menusGiveTheStandardKeysAndEachWindowAddsAnAboutPairAndItsOwnList()
{
    PagetallyApp app;
    QCOMPARE(items(app.applicationMenu()), QStringList({"About Pagetally|", "---", "Quit Pagetally|Ctrl+Q"}));
    MainWindow* first = app.openWindow();
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Pagetally"));
    QCOMPARE(QCoreApplication::applicationVersion(), QString::fromUtf8(applicationVersion));
    QVERIFY(first->windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(first->windowTitle(), QStringLiteral("Pagetally"));
    QVERIFY(first->testAttribute(Qt::WA_DeleteOnClose));
    QStringList bar;
    for (const QAction* top : first->menuBar()->actions()) {
        bar << top->text() + QStringLiteral(": ") + items(top->menu()).join(QStringLiteral(", "));
    }
    const auto key = [](QKeySequence::StandardKey k) {
        return QKeySequence(k).toString(QKeySequence::PortableText);
    };
    QCOMPARE(bar,
             QStringList({"Pagetally: About Pagetally|, ---, Quit Pagetally|Ctrl+Q, ---, About Pagetally|",
                          QStringLiteral("&File: Select Files…|%1, Add Folder...|Ctrl+Shift+O, ---, "
                                         "Export Results...|Ctrl+E, Print Results…|%2, ---, New Window|%3, "
                                         "---, Close Window|%4")
                              .arg(key(QKeySequence::Open), key(QKeySequence::Print), key(QKeySequence::New),
                                   key(QKeySequence::Close)),
                          "&Edit: Copy|" + key(QKeySequence::Copy), "&Window: Minimize|Ctrl+M, Zoom|"}));
    QCOMPARE(first->menuBar()->actions().first()->menu(), app.applicationMenu());

    // The keys act in the window, wherever its focus is; the print panel opens over the view,
    // for an empty list too, and printing keeps the list.
    ContentView* view = first->contentView();
    int picked = 0;
    std::vector<QWidget*> printedOver;
    view->setFilePicker([&](QWidget*) {
        ++picked;
        return std::optional<QList<QUrl>>();
    });
    view->setPrintDialog([&](QPrinter&, QWidget* parent) {
        printedOver.push_back(parent);
        return false;
    });
    showActive(*first);
    QTest::keyClick(first, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(picked, 1);
    QTest::keyClick(first, Qt::Key_P, Qt::ControlModifier);
    QTemporaryDir dir;
    view->addLocations({write(QDir(dir.path()), "a.txt", "two words").toStdString()});
    QVERIFY(waitForBatch(*view));
    QTest::mouseClick(button(*view, "printResultsButton"), Qt::LeftButton);
    QCOMPARE(printedOver, (std::vector<QWidget*>{view, view}));
    QCOMPARE(names(*view), QStringList({"a.txt"}));

    // File > New Window opens a further window with a list of its own and its own About item.
    first->menuBar()->actions().at(1)->menu()->actions().at(6)->trigger();
    const QWidgetList windows = QApplication::topLevelWidgets();
    const auto found = std::ranges::find_if(
        windows, [&](QWidget* w) { return w != first && w->isVisible() && qobject_cast<MainWindow*>(w); });
    QVERIFY(found != windows.end());
    auto* second = qobject_cast<MainWindow*>(*found);
    QVERIFY(second->contentView()->files().empty());
    QCOMPARE(items(app.applicationMenu()),
             QStringList({"About Pagetally|", "---", "Quit Pagetally|Ctrl+Q", "---", "About Pagetally|",
                          "---", "About Pagetally|"}));
    QCOMPARE(second->menuBar()->actions().first()->menu(), app.applicationMenu());
}

// Run on the default screen of 800 x 600, and on 1920 x 1080 at 100 % and at 200 % (960 x 540).
void AppTest::windowFitsTheScreenWithEveryColumnAndTheTotalsInReach()
{
    QTemporaryDir dir;
    PagetallyApp app;
    MainWindow* window =
        app.openWindowWith({test::write(QDir(dir.path()), "a.txt", "two words").toStdString()});
    QVERIFY(test::waitForBatch(*window->contentView()));
    window->resize(200, 200);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QSize available = window->screen()->availableGeometry().size();
    QVERIFY(window->width() <= available.width() && window->height() <= available.height());
    ContentView* view = window->contentView();
    if (available.width() >= 1100 && available.height() >= 700) {
        QCOMPARE(view->size(), ContentView::minimumContentSize);
    }
    QTableView* table = test::tableOf(*view);
    QVERIFY(window->rect().contains(QRect(table->mapTo(window, QPoint(0, 0)), table->size())));
    for (int column = 0; column < ResultsModel::ColumnCount; ++column) {
        const QModelIndex cell = table->model()->index(0, column);
        table->scrollTo(cell);
        QVERIFY2(table->viewport()->rect().contains(table->visualRect(cell)),
                 qPrintable(QString::number(column)));
    }
    for (const char* name : {"totalLabel", "durationTotal", "pagesTotal", "wordsTotal"}) {
        auto* label = view->findChild<QLabel*>(QLatin1String(name));
        QVERIFY2(window->rect().contains(QRect(label->mapTo(window, QPoint(0, 0)), label->size())), name);
        QVERIFY2(label->width() >= label->sizeHint().width(), name);
    }
}

void AppTest::commandLineFilesAndFoldersFillTheFirstWindow()
{
    QTemporaryDir dir;
    const QDir d(dir.path());
    const QString a = test::write(d, "a.txt", "one");
    const QString dash = test::write(d, "-b.html", "<p>two words</p>");
    test::write(d, "folder/z.txt", "z");
    test::write(d, "folder/inner/c.txt", "c");
    // Relative names are taken from the current folder.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const CommandLine command = parseCommandLine({a.toStdString(), "--", "-b.html", "folder"});
    QDir::setCurrent(previous);
    QCOMPARE(command.action, CommandLine::Action::OpenWindow);

    PagetallyApp app;
    MainWindow* window = app.openWindowWith(command.locations);
    QVERIFY(window->isVisible());
    QTRY_COMPARE(test::names(*window->contentView()), QStringList({"a.txt", "-b.html", "c.txt", "z.txt"}));
    QCOMPARE(test::labelText(*window->contentView(), "wordsTotal"), QStringLiteral("Words: 5"));
}

void AppTest::commandLineOptionsAnswerWithoutAWindow()
{
    // The exact text where it is short; the help's text only where it goes.
    const std::string unknown =
        "pagetally: unknown option --nonsense\nTry “pagetally --help” for more information.\n";
    for (const auto& [arguments, action, status, text] :
         {std::tuple{std::vector<std::string>{"a.txt", "--help"}, CommandLine::Action::ShowHelp, 0,
                     std::string()},
          {{"--version"},
           CommandLine::Action::ShowVersion,
           0,
           std::string("pagetally ").append(applicationVersion).append("\n")},
          {{"a.txt", "--nonsense", "--help"}, CommandLine::Action::UsageError, 2, unknown},
          {{"-platform", "xcb"}, CommandLine::Action::UsageError, 2, std::string()}}) {
        const CommandLine command = parseCommandLine(arguments);
        QCOMPARE(command.action, action);
        std::ostringstream out;
        std::ostringstream err;
        QCOMPARE(answerWithoutWindow(command, out, err), status);
        QCOMPARE(out.str().empty(), status != 0);
        QCOMPARE(err.str().empty(), status == 0);
        QVERIFY(text.empty() || (status == 0 ? out.str() : err.str()) == text);
    }
}

void AppTest::exitAppEndsTheEventLoopAtOnce()
{
    PagetallyApp app;
    MainWindow* window = app.openWindow();
    window->contentView()->addLocations({}); // the list's content plays no part
    auto* exit = window->contentView()->findChild<QPushButton*>(QStringLiteral("exitAppButton"));
    QTimer::singleShot(0, exit, [exit] { QTest::mouseClick(exit, Qt::LeftButton); });
    bool timedOut = false;
    QTimer::singleShot(5000, [&] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!timedOut);
}

void AppTest::tabReachesTheTableWhoseKeysRemoveRowsInPlaceAndMoveAssistiveFocus()
{
    std::vector<FileInfo> files = threeFiles();
    files.push_back(FileInfo::make("talk.mp3", "MP3", 0.1, std::nullopt, 3));
    files.push_back(FileInfo::make("notes.txt", "TXT", std::nullopt, std::nullopt, 7));
    ContentView view(files);
    showActive(view);
    QTableView* table = tableOf(view);
    const auto at = [&](int row, int column) { return table->model()->index(row, column); };
    button(view, "selectFilesButton")->setFocus(Qt::TabFocusReason);
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, QStringList({"selectFilesButton", "clearFilesButton", "printResultsButton",
                                   "exitAppButton", "resultsTable", "selectFilesButton"}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), table);
    // Entering the table by keyboard makes its first cell current. Rows: voicemail.mp3, talk.mp3,
    // report.pdf, letter.txt, notes.txt.
    QCOMPARE(table->currentIndex(), at(0, 0));
    QTest::keyClick(table, Qt::Key_Down);
    QTest::keyClick(table, Qt::Key_Delete);
    // The place stays: the row that moved up is current now, still in the first column.
    QCOMPARE(table->currentIndex(), at(1, 0));
    QTest::keyClick(table, Qt::Key_Down);
    QTest::keyClick(table, Qt::Key_Down);
    QTest::keyClick(table, Qt::Key_Backspace);
    QCOMPARE(names(view), QStringList({"letter.txt", "report.pdf", "voicemail.mp3"}));
    QCOMPARE(table->currentIndex(), at(2, 0));

    table->setCurrentIndex(at(0, ResultsModel::FileNameColumn));
    // The arrows reach the delete button of the row; Space, Return and Enter press it.
    for (int i = 0; i < ResultsModel::DeleteColumn; ++i) {
        QTest::keyClick(table, Qt::Key_Right);
    }
    QCOMPARE(table->currentIndex(), at(0, ResultsModel::DeleteColumn));
    QTest::keyClick(table, Qt::Key_Space);
    QCOMPARE(names(view), QStringList({"letter.txt", "report.pdf"}));
    QCOMPARE(table->currentIndex(), at(0, ResultsModel::DeleteColumn));
    QTest::keyClick(table, Qt::Key_Return);
    QCOMPARE(names(view), QStringList({"letter.txt"}));
    QTest::keyClick(table, Qt::Key_Enter, Qt::KeypadModifier);
    QVERIFY(view.files().empty());
    QCOMPARE(labelText(view, "wordsTotal"), QStringLiteral("Words: 0"));
}

void AppTest::assistiveTechnologySeesRowsHeadersAndNamedDeleteButtons()
{
    ContentView view(threeFiles());
    view.show();
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(tableOf(view));
    QCOMPARE(table->text(QAccessible::Name), QStringLiteral("Results"));
    QVERIFY(table->text(QAccessible::Description).contains(QLatin1String("Delete")));
    QAccessibleTableInterface* cells = table->tableInterface();

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
        QCOMPARE(cells->cellAt(0, c)->text(QAccessible::Name), firstRow[c]);
    }
}

void AppTest::deleteGlyphFollowsThePaletteAtDevicePixels()
{
    // CTest also runs this with QT_SCALE_FACTOR=2.
    ContentView view({FileInfo::make("letter.txt", "TXT", std::nullopt, std::nullopt, 42)});
    view.show();
    const qreal ratio = view.devicePixelRatioF();
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == QLatin1String("2")) {
        QCOMPARE(ratio, 2.0);
    }
    QTableView* table = tableOf(view);
    const QColor lightRed = deleteTint(table->palette());
    // A dark theme chosen while the program runs; the view hears of it through the event loop.
    QPalette dark(QColor(0x36, 0x36, 0x36), QColor(0x24, 0x24, 0x24)); // button, window
    dark.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x1E));
    dark.setColor(QPalette::AlternateBase, QColor(0x2A, 0x2A, 0x2A));
    dark.setColor(QPalette::Highlight, QColor(0x35, 0x84, 0xE4));
    QApplication::setPalette(dark);
    QTRY_COMPARE(button(view, "selectFilesButton")->palette().color(QPalette::Button),
                 dark.color(QPalette::Highlight));
    QVERIFY(deleteTint(table->palette()) != lightRed);
    const QPixmap shot = table->viewport()->grab();

    // The glyph in the window is the icon in the palette's red drawn at device pixels onto the
    // row's background.
    const QRect cell = table->visualRect(table->model()->index(0, ResultsModel::DeleteColumn));
    QRect glyph(0, 0, 16, 16);
    glyph.moveCenter(DeleteDelegate::buttonRect(cell).center());
    const QRect pixels(glyph.topLeft() * ratio, glyph.size() * ratio);
    const QImage drawn = shot.toImage().copy(pixels);
    QImage expected(pixels.size(), QImage::Format_ARGB32_Premultiplied);
    expected.setDevicePixelRatio(ratio);
    expected.fill(dark.color(QPalette::Base));
    {
        QPainter painter(&expected);
        trashIcon(deleteTint(dark)).paint(&painter, QRect(0, 0, 16, 16));
    }
    // Antialiased edges may differ a little.
    const QImage got = drawn.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < got.height(); ++y) {
        for (int x = 0; x < got.width(); ++x) {
            const QColor p = got.pixelColor(x, y);
            const QColor q = expected.pixelColor(x, y);
            QVERIFY(std::max({qAbs(p.red() - q.red()), qAbs(p.green() - q.green()),
                              qAbs(p.blue() - q.blue())}) <= 8);
        }
    }
}

void AppTest::germanShowsTheWindowMenusAndReportInGerman()
{
    QCOMPARE(installTranslations(*qApp, QLocale(QLocale::German, QLocale::Germany)), QLocale::German);
    QTemporaryDir dir;
    const QDir d(dir.path());
    PagetallyApp app;
    MainWindow* window = app.openWindowWith({write(d, "letter.txt", "three short words").toStdString(),
                                             write(d, "memo.doc", "never read").toStdString(),
                                             write(d, "notes.txt", "two words").toStdString()});
    const ContentView& view = *window->contentView();
    QVERIFY(waitForBatch(view));
    for (const auto& [name, text] :
         {std::pair{"captionLabel",
                    "Unterstützte Dateitypen: DOCX, HTML, JSON, MP3, MP4, PDF, PPTX, TXT, WAV"},
          {"selectFilesButton", "Auswählen"},
          {"clearFilesButton", "Liste leeren"},
          {"printResultsButton", "Drucken"},
          {"exitAppButton", "Beenden"},
          {"totalLabel", "Gesamt:"},
          {"durationTotal", "Dauer: 0m 0s"},
          {"wordsTotal", "Wörter: 5"}}) {
        QCOMPARE(view.findChild<QWidget*>(QLatin1String(name))->property("text").toString(),
                 QString::fromUtf8(text));
    }
    const QAbstractItemModel* model = tableOf(view)->model();
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Dateiname"));
    QCOMPARE(model->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Wörter"));
    // Record values and numbers are never translated.
    QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("memo.doc"));
    QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("DOC"));
    QCOMPARE(model->index(0, ResultsModel::DeleteColumn).data(Qt::AccessibleTextRole).toString(),
             QStringLiteral("memo.doc entfernen"));
    // Notes too, with the counts in their forms and the system's own words as they come.
    QCOMPARE(model->index(0, 0).data(Qt::ToolTipRole).toString(),
             QStringLiteral("memo.doc\ndas alte DOC-Format wird nicht gelesen"));
    QCOMPARE(model->index(0, 0).data(Qt::AccessibleDescriptionRole).toString(),
             QStringLiteral("das alte DOC-Format wird nicht gelesen"));
    QCOMPARE(NoteText::of(Note(NoteKind::pdfPagesWithoutText, {"1", "1"})),
             QStringLiteral("kein Text auf 1 von 1 Seite"));
    QCOMPARE(NoteText::of(Note(NoteKind::pdfPagesWithoutText, {"2", "5"})),
             QStringLiteral("kein Text auf 2 von 5 Seiten"));
    QCOMPARE(NoteText::of(
                 Note(NoteKind::docxFootnotesNotRead, {"word/footnotes.xml", "could not be decompressed"})),
             QStringLiteral("Fußnoten nicht gelesen: word/footnotes.xml ließ sich nicht entpacken"));
    QCOMPARE(
        NoteText::of(Note(NoteKind::pptxSlidesLost, {"2", "6", "1", "ppt/slides/a.xml", "b.xml", "c.xml"})
                         .add(Note(NoteKind::unzipComplaint, {"bad CRC"}))),
        QStringLiteral("2 von 6 Folien gelesen, nicht entpackt: ppt/slides/a.xml, b.xml, c.xml und 1 "
                       "weiterer; bad CRC"));
    const FileInfo locked = FileInfo::make("locked.txt", "TXT", std::nullopt, std::nullopt, 0)
                                .noted(Note(NoteKind::notReadable, {"Permission denied"}));
    QCOMPARE(NotesSummary::of({locked}, {}, {}).lines,
             QStringList{"locked.txt: nicht lesbar: Permission denied"});
    QCOMPARE(window->menuBar()->actions().at(1)->text(), QStringLiteral("&Datei"));
    QCOMPARE(app.applicationMenu()->actions().first()->text(), QStringLiteral("Über Pagetally"));
    QVERIFY(PagetallyApp::aboutText().contains(QStringLiteral("MIT-Lizenz")));
    for (QPushButton* button : view.findChildren<QPushButton*>()) {
        QVERIFY2(button->sizeHint().width() <= ContentView::buttonSlotWidth, qPrintable(button->text()));
    }

    QCOMPARE(printToPdf(view.files()).at(0).text(),
             QStringLiteral("Pagetally-Ergebnisse Dateiname Typ Dauer Seiten Wörter "
                            "memo.doc DOC - 1 0 "
                            "letter.txt TXT - - 3 "
                            "notes.txt TXT - - 2 "
                            "Gesamt: Dauer: 0m 0s Seiten: 1 Wörter: 5"));
}

void AppTest::englishNeedsNoTranslation()
{
    // English itself, a language without a translation, English first with German second, and a
    // directory without translations all keep the English texts and install nothing.
    QTemporaryDir empty;
    const QString ours = QString::fromLatin1(translationsDirectory);
    for (const auto& [locale, directory] :
         {std::pair{QLocale(QLocale::English, QLocale::UnitedKingdom), ours},
          {QLocale::c(), ours},
          {QLocale(QLocale::Japanese, QLocale::Japan), ours},
          {QLocale(QLocale::English), ours},
          {QLocale(QLocale::German), empty.path()}}) {
        QCOMPARE(installTranslations(*qApp, locale, directory), QLocale::English);
        QVERIFY(qApp->findChildren<QTranslator*>().isEmpty());
    }
}

void AppTest::languageFollowsTheSystemLocale()
{
    // CTest runs this with LANG=C.UTF-8, with LANG=de_DE.UTF-8 and with LANGUAGE=de:en.
    const bool germanWanted = qEnvironmentVariable("LANG").startsWith(QLatin1String("de")) ||
                              qEnvironmentVariable("LANGUAGE").startsWith(QLatin1String("de"));
    QCOMPARE(installTranslations(*qApp), germanWanted ? QLocale::German : QLocale::English);
    const ContentView view;
    QCOMPARE(button(view, "selectFilesButton")->text(),
             germanWanted ? QStringLiteral("Auswählen") : QStringLiteral("Select Files"));
}

QTEST_MAIN(AppTest)
#include "AppTest.moc"
