#include "analysis/Media.h"
#include "analysis/Intake.h"
#include "support/Bytes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace pagetally;
using pagetally::test::dataFile;
using pagetally::test::TempDir;
using pagetally::test::wav;

namespace {

FileInfo intakeOne(const std::filesystem::path& path)
{
    std::vector<FileInfo> files;
    addFiles({path}, files);
    EXPECT_EQ(files.size(), 1u);
    return files.empty() ? FileInfo{} : files.front();
}

} // namespace

TEST(Media, TurnsSecondsIntoMinutesAndTruncatedWords)
{
    TempDir dir;
    struct Case
    {
        const char* name;
        std::uint32_t rate, samples;
        double minutes;
        std::int64_t words;
    };
    const std::vector<Case> cases{
        {"ninety.wav", 8000, 90 * 8000, 1.5, 225},
        {"sixty-one.wav", 8000, 61 * 8000, 1.0166666666666666, 152}, // 152.5 truncated
        {"clip.wav", 8000, 22400, 2.8 / 60.0, 6},                    // 6.999999999999999
        {"short.wav", 8000, 2400, 0.3 / 60.0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FileInfo info = intakeOne(dir.write(c.name, wav(c.rate, c.samples)));
        ASSERT_TRUE(info.duration.has_value());
        EXPECT_EQ(*info.duration, c.minutes);
        EXPECT_EQ(info.words, c.words);
    }
}

TEST(Media, ReadsTheTrueLengthOfEveryKindOfMp3AndOfAacInMp4)
{
    // All four are ten seconds of audio; the encoder adds up to a frame or two of padding. An
    // estimate from the bit rate would put the variable-rate file without a header at 10.6 s.
    for (const char* name : {"vbr-xing.mp3", "vbr-no-xing.mp3", "cbr-no-xing.mp3", "aac.mp4"}) {
        SCOPED_TRACE(name);
        const auto seconds = mediaDurationSeconds(dataFile(std::string("media/") + name));
        ASSERT_TRUE(seconds.has_value());
        EXPECT_NEAR(*seconds, 10.0, 0.1);
    }
}

// What is not playable, and what is no regular file: see the hostile suite.
TEST(Media, OpensFilesWhoseNamesLookLikeProtocols)
{
    TempDir dir;
    const auto path = dir.write("http:clip.wav", wav(8000, 8000));
    EXPECT_EQ(mediaDurationSeconds(path), 1.0);
}
