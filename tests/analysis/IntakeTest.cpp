#include "analysis/intake/Intake.h"
#include "analysis/intake/FileProcessor.h"
#include "analysis/intake/Folders.h"
#include "analysis/intake/Formats.h"
#include "analysis/intake/Paths.h"
#include "support/AddFiles.h"
#include "support/Bytes.h"
#include "support/LongPath.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <sstream>

using namespace pagetally;
using pagetally::test::addFiles;
using pagetally::test::FoldersBeyondPathLimit;
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

TEST(Formats, EachRowIsOneLowerCaseExtensionWithItsUpperCaseTypeAKindMimeTypesAndAReader)
{
    std::set<std::string_view> extensions;
    for (const Format& format : formats) {
        SCOPED_TRACE(format.extension);
        const std::string ext(format.extension);
        EXPECT_FALSE(ext.empty());
        EXPECT_EQ(ext, toLowerAscii(ext));
        EXPECT_EQ(ext.find_first_of(". \t/"), std::string::npos);
        EXPECT_TRUE(extensions.insert(format.extension).second) << "listed twice";
        EXPECT_EQ(format.typeName, toUpperAscii(ext));
        EXPECT_TRUE(format.kind == FormatKind::Document || format.kind == FormatKind::Recording);
        EXPECT_NE(format.read, nullptr);
        EXPECT_NE(format.mimeTypes.find('/'), std::string_view::npos);
        EXPECT_EQ(findFormat(format.extension), &format);
    }
    // The order of the help's list, the file dialog's filter and the caption.
    EXPECT_TRUE(std::ranges::is_sorted(formats, {}, &Format::extension));
    EXPECT_EQ(findFormat("PDF"), nullptr);
    EXPECT_EQ(formatOf("/tmp/Report.PDF"), findFormat("pdf"));
}

TEST(Formats, EachRowsReaderMakesTheRecordOfItsTypeAndOnlyRecordingsAreTimed)
{
    // One second of sound under every extension: the container is found by its content, so
    // only a recording's reader may give it a running time, and every recording's must.
    TempDir dir;
    const std::string second = pagetally::test::wav(8000, 8000);
    for (const Format& format : formats) {
        SCOPED_TRACE(format.extension);
        const std::string name = "Sample." + std::string(format.typeName);
        std::ostringstream diagnostics;
        const std::optional<FileInfo> record = analyseLocation(dir.write(name, second), diagnostics);
        ASSERT_TRUE(record.has_value());
        EXPECT_EQ(record->fileName, name);
        EXPECT_EQ(record->fileType, format.typeName);
        if (format.kind == FormatKind::Recording) {
            EXPECT_EQ(record->duration, 1.0 / 60.0);
        } else {
            EXPECT_FALSE(record->duration.has_value());
        }
    }
}

TEST(Intake, AcceptsTheTenExtensionsInAnyCaseAndSkipsTheRestUnreadAndSilently)
{
    TempDir dir;
    const std::vector<std::string> accepted{"Report.PDF", "notes.TXT", "a.doc",          "b.docx",
                                            "c.html",     "d.json",    "e.mp3",          "f.mp4",
                                            "g.pptx",     "h.wav",     "archive.tar.txt"};
    std::vector<std::filesystem::path> locations;
    for (const std::string& name : accepted) {
        locations.push_back(dir.write(name, ""));
    }
    std::vector<FileInfo> files;
    addFiles(locations, files);
    EXPECT_EQ(names(files), accepted);

    std::ostringstream out;
    addFiles({dir.write("notes", ""), dir.write("notes.rtf", ""), dir.write("notes.doc.bak", ""),
              dir.write("trailing.", ""), dir.write("clip.MP3.part", ""), dir.path() / "missing.htm"},
             files, out);
    EXPECT_EQ(files.size(), accepted.size());
    EXPECT_EQ(out.str(), "");
}

TEST(Intake, KeepsTheFirstRecordOfEachFileNameWithAFreshId)
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
    // A later selection neither replaces nor duplicates, and appends behind what is there.
    addFiles({sameNameElsewhere, decomposed, dir.write("fresh.txt", "x")}, files);
    EXPECT_EQ(names(files),
              (std::vector<std::string>{"notes.txt", "Notes.txt", "caf\xC3\xA9.txt", "fresh.txt"}));
    EXPECT_EQ(files[0].words, 3);

    std::set<std::string> ids;
    for (int i = 0; i < 50; ++i) {
        const std::string id = FileProcessor::processFile(first, "a.txt", "TXT").id;
        EXPECT_TRUE(std::regex_match(
            id, std::regex("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}")))
            << id;
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), 50u);
}

TEST(Dispatch, ChoosesByTheLocationsOwnExtension)
{
    TempDir dir;
    // The type passed in is carried, not consulted: the extension decides.
    const FileInfo text = FileProcessor::processFile(dir.write("words.TXT", "one two"), "shown", "WHATEVER");
    EXPECT_EQ(text.words, 2);
    EXPECT_EQ(text.fileName, "shown");
    EXPECT_EQ(text.fileType, "WHATEVER");
    const FileInfo unknown =
        FileProcessor::processFile(dir.write("sheet.xlsx", "one two"), "sheet.xlsx", "XLSX");
    EXPECT_EQ(unknown.words, 0);
    EXPECT_FALSE(unknown.pages.has_value());
}

TEST(Intake, RefusesTheKernelsGeneratedFilesUnreadAsNotRegularFiles)
{
    // They claim to be regular files: /proc/self/pagemap states 0 bytes and yields gigabytes.
    TempDir dir;
    std::vector<std::filesystem::path> locations;
    for (const auto& [name, target] : {std::pair{"pagemap.txt", "/proc/self/pagemap"},
                                       {"status.json", "/proc/self/status"},
                                       {"kernel.html", "/sys/kernel/profiling"}}) {
        if (std::filesystem::exists(target)) {
            std::filesystem::create_symlink(target, dir.path() / name);
            locations.push_back(dir.path() / name);
        }
    }
    ASSERT_FALSE(locations.empty());
    std::vector<FileInfo> files;
    addFiles(locations, files);
    ASSERT_EQ(files.size(), locations.size());
    for (const FileInfo& f : files) {
        SCOPED_TRACE(f.fileName);
        EXPECT_EQ(f.noteText(), "not a regular file");
        EXPECT_TRUE(f.unreadable);
        EXPECT_EQ(f.words, 0);
    }
}

TEST(Folders, NameEachFolderBeyondThePathLimitAndKeepTheFilesTheyCouldList)
{
    TempDir dir;
    dir.write("a.txt", "top");
    const FoldersBeyondPathLimit deep(dir.path());
    std::vector<FolderProblem> problems;
    const std::vector<std::filesystem::path> files =
        expandFolders({dir.path(), dir.path() / "x.txt"}, problems);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0], dir.path() / "a.txt");
    EXPECT_EQ(files[1], dir.path() / "x.txt");
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].reason, "File name too long");
    EXPECT_TRUE(
        problems[0].folder.native().starts_with(dir.path().native() + "/" + FoldersBeyondPathLimit::name()));
}
