// A selection that mixes hostile files with good ones: every good record is listed, the bad ones
// get their empty records, and the window answers as before.
#include "support/ViewHelpers.h"
#include "support/Zip.h"
#include "window/ContentView.h"
#include "window/FilePicker.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace pagetally;
using namespace pagetally::test;

namespace {

// A presentation whose one slide part is marked as encrypted: unzip would ask for a password.
QString encryptedPresentation(const QDir& dir, const QString& name)
{
    const QString path = dir.filePath(name);
    const std::filesystem::path file = QFile::encodeName(path).toStdString();
    writeZip(file,
             {{"ppt/slides/slide1.xml", "<p:sld><a:t>locked words and more locked words</a:t></p:sld>", {}}});
    markEncrypted(file);
    return path;
}

const FileInfo* find(const ContentView& view, const std::string& name)
{
    for (const FileInfo& f : view.files()) {
        if (f.fileName == name) {
            return &f;
        }
    }
    return nullptr;
}

} // namespace

class HostileSelectionTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void goodRecordsSurviveHostileFilesAndTheWindowStillAnswers();

private:
    QTemporaryDir scratch_;
    QByteArray oldTmpdir_;
};

void HostileSelectionTest::init()
{
    // Extraction directories land here, so that any left behind can be seen.
    QVERIFY(QDir(scratch_.path()).mkpath(QStringLiteral("tmp")));
    oldTmpdir_ = qgetenv("TMPDIR");
    qputenv("TMPDIR", QDir(scratch_.path()).filePath(QStringLiteral("tmp")).toLocal8Bit());
}

void HostileSelectionTest::cleanup()
{
    if (oldTmpdir_.isEmpty()) {
        qunsetenv("TMPDIR");
    } else {
        qputenv("TMPDIR", oldTmpdir_);
    }
}

void HostileSelectionTest::goodRecordsSurviveHostileFilesAndTheWindowStillAnswers()
{
    const QDir d(scratch_.path());
    QDir().mkpath(d.filePath(QStringLiteral("folder.txt")));
    QCOMPARE(::mkfifo(QFile::encodeName(d.filePath(QStringLiteral("pipe.html"))).constData(), 0600), 0);
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), d.filePath(QStringLiteral("endless.mp3"))));
    const QString gone = write(d, QStringLiteral("gone.pdf"), "%PDF-1.4\n");
    QVERIFY(QFile::remove(gone));

    const QStringList chosen{
        write(d, QStringLiteral("good-a.txt"), "one two three"),
        d.filePath(QStringLiteral("folder.txt")),
        write(d, QStringLiteral("broken.pdf"), "%PDF-1.7\n" + QByteArray(4096, '\x9c')),
        write(d, QStringLiteral("good-b.html"), "<p>four <b>five</b></p>"),
        d.filePath(QStringLiteral("pipe.html")),
        write(d, QStringLiteral("plain.docx"), "plain text under an office name"),
        encryptedPresentation(d, QStringLiteral("secret.pptx")),
        write(d, QStringLiteral("good-c.wav"), wav(3)),
        d.filePath(QStringLiteral("endless.mp3")),
        write(d, QStringLiteral("absurd.wav"), wav(1, 0xFFFFFFF0u)),
        write(d, QStringLiteral("zero.mp4"), ""),
        write(d, QStringLiteral("deep.json"), QByteArray(1'000'000, '[') + QByteArray(1'000'000, ']')),
        gone,
        write(d, QStringLiteral("good-d.json"), R"({"title":"six seven","n":8})"),
    };

    std::ostringstream out;
    ContentView view({}, out);
    view.show();
    view.setFilePicker([&](QWidget*) { return std::optional(urls(chosen)); });
    QTest::mouseClick(button(view, "selectFilesButton"), Qt::LeftButton);
    QVERIFY(waitForBatch(view));

    // Every file of the selection has its record, in the order of the selection.
    QCOMPARE(view.files().size(), static_cast<std::size_t>(chosen.size()));
    for (int i = 0; i < chosen.size(); ++i) {
        QCOMPARE(QString::fromStdString(view.files()[static_cast<std::size_t>(i)].fileName),
                 QFileInfo(chosen[i]).fileName());
    }
    // The good ones are measured as if they had been picked alone.
    QCOMPARE(find(view, "good-a.txt")->words, 3);
    QCOMPARE(find(view, "good-b.html")->words, 2);
    QCOMPARE(find(view, "good-c.wav")->duration.value_or(0), 3.0 / 60.0);
    QCOMPARE(find(view, "good-c.wav")->words, 7);
    QCOMPARE(find(view, "good-d.json")->words, 3);
    // The hostile ones count nothing; the WAV gets the one second it holds.
    for (const char* name : {"folder.txt", "broken.pdf", "pipe.html", "plain.docx", "secret.pptx",
                             "endless.mp3", "zero.mp4", "deep.json", "gone.pdf"}) {
        QVERIFY2(find(view, name)->words == 0, name);
        QVERIFY2(!find(view, name)->pages.has_value(), name);
    }
    QCOMPARE(find(view, "absurd.wav")->duration.value_or(0), 1.0 / 60.0);
    QCOMPARE(labelText(view, "wordsTotal"), QStringLiteral("Words: 17"));

    // Only the two office files wrote their error lines.
    const QStringList lines = QString::fromStdString(out.str()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].startsWith(QStringLiteral("Error processing DOCX file: ")));
    QVERIFY(lines[1].startsWith(QStringLiteral("Error processing PPTX file: ")));
    QVERIFY(QDir(d.filePath(QStringLiteral("tmp"))).isEmpty());

    // The window answers: no busy cursor left, queued work runs, and the buttons still act.
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    bool ran = false;
    QTimer::singleShot(0, &view, [&] { ran = true; });
    QTRY_VERIFY(ran);
    QCOMPARE(tableOf(view)->model()->rowCount(), chosen.size());
    QTest::mouseClick(button(view, "clearFilesButton"), Qt::LeftButton);
    QCOMPARE(view.files().size(), 0u);
    const QStringList again{chosen[0]};
    view.setFilePicker([&](QWidget*) { return std::optional(urls(again)); });
    QTest::mouseClick(button(view, "selectFilesButton"), Qt::LeftButton);
    QVERIFY(waitForBatch(view));
    QCOMPARE(view.files().size(), 1u);
    QCOMPARE(labelText(view, "wordsTotal"), QStringLiteral("Words: 3"));
    QVERIFY(view.close()); // as a person closes it, before it goes
}

QTEST_MAIN(HostileSelectionTest)
#include "HostileSelectionTest.moc"
