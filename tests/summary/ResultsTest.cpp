#include "summary/Results.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <limits>

using namespace pagetally;

namespace {

FileInfo
record(std::string name, std::string type, std::optional<std::int64_t> pages = {}, std::int64_t words = 0)
{
    return FileInfo::make(std::move(name), std::move(type), std::nullopt, pages, words);
}

} // namespace

TEST(DisplayOrder, GroupsByTypeInComposedFormAndKeepsTheOrderOfAdditionWithinAType)
{
    // "É" decomposed must sort as the precomposed U+00C9, after "WAV", not as "E" + mark.
    const std::vector<FileInfo> files{
        record("b.pdf", "PDF"), record("a.txt", "TXT"),   record("e.ex", "E\xCC\x81X"),
        record("a.pdf", "PDF"), record("x.docx", "DOCX"), record("y.doc", "DOC"),
        record("c.wav", "WAV"), record("ex.ex", "EX"),    record("m.mp4", "MP4"),
        record("m.mp3", "MP3"), record("z.pdf", "PDF")};
    std::vector<std::string> names;
    std::ranges::transform(displayOrder(files), std::back_inserter(names), &FileInfo::fileName);
    EXPECT_EQ(names, (std::vector<std::string>{"y.doc", "x.docx", "ex.ex", "m.mp3", "m.mp4", "b.pdf", "a.pdf",
                                               "z.pdf", "a.txt", "c.wav", "e.ex"}));
}

TEST(Totals, SumPresentValuesAndStopAtTheLimitInsteadOfOverflowing)
{
    std::vector<FileInfo> files{FileInfo::make("a.wav", "WAV", 1.5, {}, 225), record("b.pdf", "PDF", 3, 100),
                                record("c.txt", "TXT", {}, 7), record("d.pdf", "PDF", 0, 0)};
    EXPECT_EQ(totalDuration(files), 1.5);
    EXPECT_EQ(totalPages(files), 3);
    EXPECT_EQ(totalWords(files), 332);

    const auto max = std::numeric_limits<std::int64_t>::max();
    files = {record("a", "PDF", max, max), record("b", "PDF", 5, 5)};
    EXPECT_EQ(totalPages(files), max);
    EXPECT_EQ(totalWords(files), max);
}

TEST(RemoveFile, RemovesExactlyTheRecordWithThatId)
{
    std::vector<FileInfo> files{record("same.txt", "TXT"), record("same.txt", "TXT"),
                                record("other.pdf", "PDF")};
    const std::string secondId = files[1].id;
    const std::string firstId = files[0].id;

    removeFile(files, secondId);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].id, firstId);
    EXPECT_EQ(files[1].fileName, "other.pdf");

    removeFile(files, secondId); // no longer there: nothing happens
    EXPECT_EQ(files.size(), 2u);
}
