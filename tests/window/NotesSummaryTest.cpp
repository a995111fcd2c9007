// The notes summary: which counts it names, in which order, and the lines behind them.
#include "window/NotesSummary.h"
#include "window/NoteText.h"

#include <QtTest>

using namespace pagetally;

namespace {

FileInfo unreadable(const std::string& name, const std::string& type, Note why)
{
    FileInfo f = FileInfo::make(name, type, std::nullopt, std::nullopt, 0).noted(why);
    f.unreadable = true;
    return f;
}

FileInfo noted(const std::string& name, const std::string& type, Note why)
{
    return FileInfo::make(name, type, std::nullopt, 1, 10).noted(why);
}

BatchItem sameName(const std::string& location)
{
    const std::filesystem::path path(location);
    return {path, FileInfo::make(path.filename().string(), "TXT", std::nullopt, std::nullopt, 1)};
}

struct Case
{
    std::vector<FileInfo> files;
    std::vector<BatchItem> skipped;
    std::vector<FolderProblem> folders;
};

} // namespace

Q_DECLARE_METATYPE(Case)

class NotesSummaryTest : public QObject
{
    Q_OBJECT

private slots:
    void namesEachKindOnceWithItsLines_data();
    void namesEachKindOnceWithItsLines();
    void englishWindowSaysEveryNoteAsTheCommandLine();
};

void NotesSummaryTest::namesEachKindOnceWithItsLines_data()
{
    QTest::addColumn<Case>("input");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");

    const FileInfo plain = FileInfo::make("plain.txt", "TXT", std::nullopt, std::nullopt, 3);
    QTest::newRow("nothing to say") << Case{{plain}, {}, {}} << QString() << QStringList();
    QTest::newRow("files in display order, unreadable before noted")
        << Case{{noted("scan.pdf", "PDF", Note(NoteKind::pdfPagesWithoutText, {"1", "1"})),
                 unreadable("b.txt", "TXT", Note(NoteKind::notReadable, {"Permission denied"})),
                 unreadable("a.pdf", "PDF", NoteKind::fileNotFound)},
                {},
                {}}
        << "2 files could not be read · 1 file has a note"
        << QStringList{"a.pdf: file not found", "b.txt: not readable: Permission denied",
                       "scan.pdf: no text on 1 of 1 page"};
    QTest::newRow("every kind, in a fixed order")
        << Case{{noted("n.docx", "DOCX", NoteKind::docxPagesNotStored),
                 unreadable("u.txt", "TXT", NoteKind::fileNotFound)},
                {sameName("/x/s.txt")},
                {{"/x/deep", "File name too long"}}}
        << "1 file could not be read · 1 file has a note · "
           "1 file skipped: a file of that name is already listed · 1 folder could not be read"
        << QStringList{"u.txt: file not found",
                       "n.docx: page count not stored by the authoring program (1 shown)",
                       "s.txt in /x: a file of that name is already listed", "/x/deep: File name too long"};

    std::vector<FolderProblem> many;
    QStringList first;
    for (int i = 0; i < 25; ++i) {
        many.push_back({"/f" + std::to_string(i), "Permission denied"});
        if (i < NotesSummary::maxLines) {
            first << QStringLiteral("/f%1: Permission denied").arg(i);
        }
    }
    QTest::newRow("at most twenty lines")
        << Case{{}, {}, many} << "25 folders could not be read" << (first << QStringLiteral("… and 5 more"));
}

void NotesSummaryTest::namesEachKindOnceWithItsLines()
{
    QFETCH(Case, input);
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    const NotesSummary summary = NotesSummary::of(input.files, input.skipped, input.folders);
    QCOMPARE(summary.text, text);
    QCOMPARE(summary.lines, lines);
}

void NotesSummaryTest::englishWindowSaysEveryNoteAsTheCommandLine()
{
    // Without a catalogue the window's texts are the sources: they must be the English ones,
    // singulars and lists of names included.
    const std::vector<std::vector<std::string>> argumentSets{{"2", "3", "1", "a.xml", "b.xml", "c.xml"},
                                                             {"1", "1", "0", "a.xml"},
                                                             {"0", "2", "0", "a.xml", "b.xml"}};
    for (int kind = 0; kind <= static_cast<int>(NoteKind::unzipComplaint); ++kind) {
        for (const std::vector<std::string>& args : argumentSets) {
            const Note note = Note(static_cast<NoteKind>(kind), args).add(Note(NoteKind::notRegularFile));
            QCOMPARE(NoteText::of(note), QString::fromStdString(englishText(note)));
        }
    }
}

QTEST_GUILESS_MAIN(NotesSummaryTest)
#include "NotesSummaryTest.moc"
