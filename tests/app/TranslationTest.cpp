// Localisation: German from the system's languages, English by default, and every fixed text of
// the window, the menus, the dialogs and the printed report going through translation.
#include "Version.h"
#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/PagetallyApp.h"
#include "app/Translations.h"
#include "report/PrintJob.h"
#include "report/PrintView.h"
#include "support/PdfText.h"
#include "support/ViewHelpers.h"
#include "window/ContentView.h"
#include "window/ExportResults.h"
#include "window/FilePicker.h"
#include "window/Locations.h"
#include "window/ResultsModel.h"

#include <QAbstractItemModel>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

#include <sstream>

using namespace pagetally;
using namespace pagetally::test;

namespace {

// A window holding three analysed files: a text, a DOC (one page, no words) and another text.
struct Fixture
{
    QTemporaryDir dir;
    PagetallyApp app;
    MainWindow* window = nullptr;

    Fixture()
    {
        window = app.openWindow();
        std::vector<std::filesystem::path> paths;
        for (const auto& [name, bytes] :
             {std::pair{"letter.txt", "three short words"}, std::pair{"memo.doc", "never read"},
              std::pair{"notes.txt", "two words"}}) {
            paths.emplace_back(QFile::encodeName(write(QDir(dir.path()), name, bytes)).toStdString());
        }
        window->contentView()->addLocations(paths);
        test::waitForBatch(*window->contentView());
    }

    ContentView& view() const { return *window->contentView(); }
    QTableView* table() const { return tableOf(view()); }
    QString button(const char* name) const { return test::button(view(), name)->text(); }
    QString label(const char* name) const { return labelText(view(), name); }
};

// Runs `open` and returns the window title and the text of the first dialog of type D that it
// shows, closing it.
template <typename D>
std::pair<QString, QString> shownDialog(const std::function<void()>& open,
                                        const std::function<QString(D*)>& textOf)
{
    std::pair<QString, QString> shown;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<D*>(w); dialog != nullptr && dialog->isVisible()) {
                shown = {dialog->windowTitle(), textOf(dialog)};
                dialog->reject();
            }
        }
    });
    open();
    return shown;
}

// Whether all of `text` went through translation (the pseudo-translation marks what it gives
// as "[[...]]"), but for values of records, formatted counts and durations.
bool isTranslatedOrValue(QString text, const QStringList& values)
{
    static const QRegularExpression marked(QStringLiteral("\\[\\[[^\\]]*\\]\\]"));
    static const QRegularExpression formatted(QStringLiteral("^(\\d+|\\d+m \\d+s)$"));
    text.remove(marked);
    return text.isEmpty() || values.contains(text) || formatted.match(text).hasMatch();
}

} // namespace

class TranslationTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void germanShowsTheWindowMenusAndReportInGerman();
    void englishNeedsNoTranslation();
    void languageFollowsTheSystemLocale();
    void everyFixedTextGoesThroughTranslation();
};

void TranslationTest::cleanup()
{
    // A translator leaves the application when it is deleted.
    qDeleteAll(qApp->findChildren<QTranslator*>());
}

void TranslationTest::germanShowsTheWindowMenusAndReportInGerman()
{
    QCOMPARE(installTranslations(*qApp, QLocale(QLocale::German, QLocale::Germany)), QLocale::German);
    Fixture f;
    QCOMPARE(f.label("captionLabel"),
             QStringLiteral("Unterstützte Dateitypen: DOCX, HTML, JSON, MP3, MP4, PDF, PPTX, TXT, WAV"));
    QCOMPARE(f.button("selectFilesButton"), QStringLiteral("Auswählen"));
    QCOMPARE(f.button("clearFilesButton"), QStringLiteral("Liste leeren"));
    QCOMPARE(f.button("printResultsButton"), QStringLiteral("Drucken"));
    QCOMPARE(f.button("exitAppButton"), QStringLiteral("Beenden"));
    QCOMPARE(f.table()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Dateiname"));
    QCOMPARE(f.table()->model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Wörter"));
    // Record values and numbers are never translated.
    QCOMPARE(f.table()->model()->index(0, 0).data().toString(), QStringLiteral("memo.doc"));
    QCOMPARE(f.table()->model()->index(0, 1).data().toString(), QStringLiteral("DOC"));
    QCOMPARE(f.table()->model()->index(0, ResultsModel::DeleteColumn).data(Qt::AccessibleTextRole).toString(),
             QStringLiteral("memo.doc entfernen"));
    QCOMPARE(f.label("totalLabel"), QStringLiteral("Gesamt:"));
    QCOMPARE(f.label("durationTotal"), QStringLiteral("Dauer: 0m 0s"));
    QCOMPARE(f.label("wordsTotal"), QStringLiteral("Wörter: 5"));
    QCOMPARE(f.window->menuBar()->actions().at(1)->text(), QStringLiteral("&Datei"));
    QCOMPARE(f.app.applicationMenu()->actions().first()->text(), QStringLiteral("Über Pagetally"));
    QVERIFY(PagetallyApp::aboutText().contains(QStringLiteral("MIT-Lizenz")));
    for (QPushButton* button : f.view().findChildren<QPushButton*>()) {
        QVERIFY2(button->sizeHint().width() <= ContentView::buttonSlotWidth, qPrintable(button->text()));
    }

    QCOMPARE(printToPdf(f.view().files()).at(0).text(),
             QStringLiteral("Pagetally-Ergebnisse Dateiname Typ Dauer Seiten Wörter "
                            "memo.doc DOC - 1 0 "
                            "letter.txt TXT - - 3 "
                            "notes.txt TXT - - 2 "
                            "Gesamt: Dauer: 0m 0s Seiten: 1 Wörter: 5"));
}

void TranslationTest::englishNeedsNoTranslation()
{
    QCOMPARE(installTranslations(*qApp, QLocale(QLocale::English, QLocale::UnitedKingdom)), QLocale::English);
    QCOMPARE(installTranslations(*qApp, QLocale::c()), QLocale::English);
    // A language the program has no translation for falls back to the English texts.
    QCOMPARE(installTranslations(*qApp, QLocale(QLocale::Japanese, QLocale::Japan)), QLocale::English);
    // A person who reads English first gets English even with German as a second choice.
    QCOMPARE(
        installTranslations(*qApp, QLocale(QLocale::English), QString::fromLatin1(translationsDirectory)),
        QLocale::English);
    // A directory without translations installs nothing.
    QTemporaryDir dir;
    QCOMPARE(installTranslations(*qApp, QLocale(QLocale::German), dir.path()), QLocale::English);
    QVERIFY(qApp->findChildren<QTranslator*>().isEmpty());
}

void TranslationTest::languageFollowsTheSystemLocale()
{
    // CTest runs this with LANG=C.UTF-8, with LANG=de_DE.UTF-8 and with LANGUAGE=de:en.
    const bool germanWanted = qEnvironmentVariable("LANG").startsWith(QLatin1String("de")) ||
                              qEnvironmentVariable("LANGUAGE").startsWith(QLatin1String("de"));
    QCOMPARE(installTranslations(*qApp), germanWanted ? QLocale::German : QLocale::English);
    const ContentView view;
    QCOMPARE(button(view, "selectFilesButton")->text(),
             germanWanted ? QStringLiteral("Auswählen") : QStringLiteral("Select Files"));
}

void TranslationTest::everyFixedTextGoesThroughTranslation()
{
    auto* pseudo = new QTranslator(qApp);
    QVERIFY(pseudo->load(QStringLiteral(PAGETALLY_PSEUDO_QM)));
    QCoreApplication::installTranslator(pseudo);
    Fixture f;
    f.window->show();
    const QStringList values{"letter.txt", "memo.doc", "notes.txt", "TXT", "DOC"};
    const auto check = [&](const QString& where, const QString& text) {
        QVERIFY2(isTranslatedOrValue(text, values), qPrintable(where + QStringLiteral(": \"") + text + u'"'));
    };

    QCOMPARE(f.window->windowTitle(), QStringLiteral("[[Pagetally]]"));
    // Every label, line by line, every button, every accessible name and description.
    for (QWidget* w : f.window->findChildren<QWidget*>()) {
        if (auto* label = qobject_cast<QLabel*>(w)) {
            for (const QString& line : label->text().split(u'\n')) {
                check(label->objectName(), line);
            }
        }
        if (auto* button = qobject_cast<QPushButton*>(w)) {
            QVERIFY(button->text().startsWith(QLatin1String("[[")));
        }
        check(w->objectName() + QStringLiteral(" (accessible name)"), w->accessibleName());
        check(w->objectName() + QStringLiteral(" (accessible description)"), w->accessibleDescription());
    }
    // Every menu and menu item, the shared application menu included.
    const std::function<void(const QMenu*)> checkMenu = [&](const QMenu* menu) {
        QVERIFY(menu->title().startsWith(QLatin1String("[[")));
        for (const QAction* action : menu->actions()) {
            if (!action->isSeparator()) {
                QVERIFY2(action->text().startsWith(QLatin1String("[[")), qPrintable(action->text()));
            }
            if (action->menu() != nullptr) {
                checkMenu(action->menu());
            }
        }
    };
    for (const QAction* top : f.window->menuBar()->actions()) {
        checkMenu(top->menu());
    }
    // The table: headers, the "-" of absent values, the delete buttons' names and tips; the
    // values of the records as they are.
    const QAbstractItemModel* model = f.table()->model();
    QVERIFY(model->rowCount() == 3);
    for (int c = 0; c < model->columnCount(); ++c) {
        const QString header = model->headerData(c, Qt::Horizontal).toString();
        QVERIFY2(header.isEmpty() || header.startsWith(QLatin1String("[[")), qPrintable(header));
        check(QStringLiteral("header (accessible)"),
              model->headerData(c, Qt::Horizontal, Qt::AccessibleTextRole).toString());
        for (int r = 0; r < model->rowCount(); ++r) {
            for (int role : {Qt::DisplayRole, Qt::ToolTipRole, Qt::AccessibleTextRole}) {
                check(QStringLiteral("cell %1,%2").arg(r).arg(c), model->index(r, c).data(role).toString());
            }
        }
    }
    QCOMPARE(model->index(0, ResultsModel::PagesColumn).data().toString(), QStringLiteral("1"));
    QCOMPARE(model->index(1, ResultsModel::PagesColumn).data().toString(), QStringLiteral("[[-]]"));
    QCOMPARE(model->index(1, ResultsModel::DeleteColumn).data(Qt::AccessibleTextRole).toString(),
             QStringLiteral("[[Remove letter.txt]]"));

    // The file panel: its title and its filter; and the description of a location it cannot use.
    const QString filter = fileDialogNameFilter();
    QVERIFY2(filter.startsWith(QLatin1String("[[Documents and recordings]] (")), qPrintable(filter));
    const auto panel = shownDialog<QFileDialog>([&] { showFileDialog(f.window); },
                                                [](QFileDialog* d) { return d->nameFilters().join(u';'); });
    QCOMPARE(panel.first, QStringLiteral("[[Select Files]]"));
    QCOMPARE(panel.second, filter);
    QVERIFY(notLocalDescription(QUrl(QStringLiteral("https://example.com/a.pdf"))).startsWith(u"[[“"));
    const auto exportPanel = shownDialog<QFileDialog>(
        [&] { showExportDialog(f.window, suggestedExportPath()); },
        [](QFileDialog* d) { return d->nameFilters().join(u';') + u'|' + d->selectedFiles().value(0); });
    QCOMPARE(exportPanel.first, QStringLiteral("[[Export Results]]"));
    QVERIFY2(exportPanel.second.startsWith(
                 QLatin1String("[[CSV spreadsheet]] (*.csv);[[JSON document]] (*.json)|")) &&
                 exportPanel.second.endsWith(QLatin1String("/[[Pagetally Results]].csv")),
             qPrintable(exportPanel.second));
    std::ostringstream help;
    answerWithoutWindow(parseCommandLine({"--help"}), help, help);
    QVERIFY(help.str().starts_with("[[Usage: pagetally"));

    // About: the program's name and the copyright line are its own, word for word.
    const auto about =
        shownDialog<QMessageBox>([&] { f.app.showAbout(); }, [](QMessageBox* box) { return box->text(); });
    QCOMPARE(about.first, QStringLiteral("[[About Pagetally]]"));
    QVERIFY(about.second.startsWith(
        QStringLiteral("<h3>Pagetally</h3><p>[[Version %1]]</p><p>[[%2]]</p><p>[[Add ")
            .arg(QString::fromUtf8(applicationVersion), QString::fromUtf8(applicationDescription))));
    QVERIFY(about.second.endsWith(
        QStringLiteral("]]</p><p>[[MIT License]]<br>Copyright (c) 2026 The Pagetally developers</p>")));

    // Printing: the job's name and every cell of the report.
    f.view().setPrintDialog([](QPrinter&, QWidget*) { return false; });
    f.view().printResults();
    QCOMPARE(sharedPrinter().docName(), QStringLiteral("[[Pagetally Results]]"));
    const PrintView report(f.view().files(), 1, 5, 0);
    for (const QString& text : report.texts()) {
        check(QStringLiteral("report"), text);
    }
    QCOMPARE(report.texts().first(), QStringLiteral("[[Pagetally Results]]"));
    QVERIFY(report.texts().contains(QStringLiteral("[[-]]")));
    QVERIFY(report.texts().contains(QStringLiteral("memo.doc")));
    QVERIFY(report.texts().contains(QStringLiteral("[[Words: ]]5")));
}

QTEST_MAIN(TranslationTest)
#include "TranslationTest.moc"
