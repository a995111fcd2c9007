#include "analysis/Intake.h"
#include "analysis/FileProcessor.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

using namespace pagetally;
using pagetally::test::TempDir;

namespace {

std::vector<std::string> names(const std::vector<FileInfo>& files)
{
    std::vector<std::string> out;
    for (const auto& f : files) {
        out.push_back(f.fileName);
    }
    return out;
}

} // namespace

TEST(Intake, AcceptsTheTenExtensionsInAnyCaseAndSkipsTheRestSilently)
{
    TempDir dir;
    const std::vector<std::pair<std::string, bool>> cases{
        {"Report.PDF", true},     {"notes.TXT", true},      {"a.doc", true},           {"b.docx", true},
        {"c.html", true},         {"d.json", true},         {"e.mp3", true},           {"f.mp4", true},
        {"g.pptx", true},         {"h.wav", true},          {"archive.tar.txt", true}, {"notes", false},
        {"notes.rtf", false},     {"notes.doc.bak", false}, {"page.htm", false},       {"trailing.", false},
        {"clip.MP3.part", false},
    };
    std::vector<std::filesystem::path> locations;
    std::vector<std::string> expected;
    for (const auto& [name, accepted] : cases) {
        locations.push_back(dir.write(name, ""));
        if (accepted) {
            expected.push_back(name);
        }
    }
    std::vector<FileInfo> files;
    addFiles(locations, files);
    EXPECT_EQ(names(files), expected);
    EXPECT_EQ(files.front().fileType, "PDF");
    EXPECT_EQ(files[1].fileType, "TXT");

    // Skipped files are never read and leave no trace.
    std::vector<FileInfo> none;
    std::ostringstream out;
    addFiles({dir.path() / "notes.rtf", dir.path() / "notes", dir.path() / "missing.htm"}, none, out);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(out.str(), "");
}

TEST(Intake, KeepsTheFirstRecordOfEachFileName)
{
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "other");
    const auto first = dir.write("notes.txt", "one two three");
    const auto sameNameElsewhere = dir.write("other/notes.txt", "four");
    const auto otherCase = dir.write("Notes.txt", "five six");
    // "é" precomposed (NFC) and as e + combining acute (NFD): the same name.
    const auto composed = dir.write("caf\xC3\xA9.txt", "a");
    const auto decomposed = dir.write("cafe\xCC\x81.txt", "a b");

    std::vector<FileInfo> files;
    addFiles({first, first, sameNameElsewhere, otherCase, composed, decomposed}, files);
    EXPECT_EQ(names(files), (std::vector<std::string>{"notes.txt", "Notes.txt", "caf\xC3\xA9.txt"}));
    EXPECT_EQ(files[0].words, 3);

    // A later selection neither replaces nor duplicates, and appends behind what is there.
    const auto fresh = dir.write("fresh.txt", "x");
    addFiles({sameNameElsewhere, decomposed, fresh}, files);
    EXPECT_EQ(names(files),
              (std::vector<std::string>{"notes.txt", "Notes.txt", "caf\xC3\xA9.txt", "fresh.txt"}));
    EXPECT_EQ(files[0].words, 3);

    addFiles({}, files);
    EXPECT_EQ(files.size(), 4u);
}

TEST(Intake, GivesEveryRecordAFreshVersion4Id)
{
    TempDir dir;
    const auto path = dir.write("a.txt", "x");
    std::set<std::string> ids;
    for (int i = 0; i < 200; ++i) {
        const FileInfo info = FileProcessor::processFile(path, "a.txt", "TXT");
        ASSERT_EQ(info.id.size(), 36u);
        EXPECT_EQ(info.id[14], '4');
        EXPECT_NE(std::string("89AB").find(info.id[19]), std::string::npos);
        EXPECT_EQ(info.id.find_first_not_of("0123456789ABCDEF-"), std::string::npos) << info.id;
        ids.insert(info.id);
    }
    EXPECT_EQ(ids.size(), 200u);
}

TEST(Dispatch, ChoosesByTheLocationsOwnExtension)
{
    TempDir dir;
    const auto legacy = dir.path() / "legacy.doc"; // never created: a DOC is never opened
    FileInfo doc = FileProcessor::processFile(legacy, "legacy.doc", "DOC");
    EXPECT_EQ(doc.pages, 1);
    EXPECT_EQ(doc.words, 0);
    EXPECT_FALSE(doc.duration.has_value());

    // The type passed in is carried, not consulted: the extension decides.
    const auto text = dir.write("words.TXT", "one two");
    FileInfo info = FileProcessor::processFile(text, "shown name", "WHATEVER");
    EXPECT_EQ(info.words, 2);
    EXPECT_EQ(info.fileName, "shown name");
    EXPECT_EQ(info.fileType, "WHATEVER");

    const auto other = dir.write("sheet.xlsx", "one two");
    FileInfo unknown = FileProcessor::processFile(other, "sheet.xlsx", "XLSX");
    EXPECT_EQ(unknown.words, 0);
    EXPECT_FALSE(unknown.pages.has_value());
}
