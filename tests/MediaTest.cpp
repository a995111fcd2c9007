#include "analysis/Intake.h"
#include "analysis/Media.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <sys/stat.h>

using namespace pagetally;
using pagetally::test::TempDir;
using pagetally::test::dataFile;

namespace {

// A PCM WAV of silence: 8-bit mono, so a sample is a byte and the length is exact.
std::string wav(std::uint32_t sampleRate, std::uint32_t samples)
{
    auto u32 = [](std::uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto u16 = [](std::uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    std::string out = "RIFF" + u32(36 + samples) + "WAVE";
    out += "fmt " + u32(16) + u16(1) + u16(1) + u32(sampleRate) + u32(sampleRate) + u16(1) + u16(8);
    out += "data" + u32(samples) + std::string(samples, char(0x80));
    return out;
}

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
        {"clip.wav", 8000, 22400, 2.8 / 60.0, 6},                     // 6.999999999999999
        {"short.wav", 8000, 2400, 0.3 / 60.0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FileInfo info = intakeOne(dir.write(c.name, wav(c.rate, c.samples)));
        ASSERT_TRUE(info.duration.has_value());
        EXPECT_EQ(*info.duration, c.minutes);
        EXPECT_EQ(info.words, c.words);
        EXPECT_FALSE(info.pages.has_value());
        EXPECT_EQ(info.fileType, "WAV");
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

TEST(Media, GivesNoDurationForWhatIsNotPlayableAndNeverBlocks)
{
    TempDir dir;
    dir.write("zero.mp3", "");
    dir.write("text.mp3", "This is a note, not a recording.\n");
    dir.write("garbage.mp4", std::string(4096, '\x5A'));
    std::filesystem::create_directory(dir.path() / "folder.wav");
    ASSERT_EQ(::mkfifo((dir.path() / "pipe.mp3").c_str(), 0600), 0);

    for (const char* name : {"zero.mp3", "text.mp3", "garbage.mp4", "folder.wav", "pipe.mp3", "missing.wav"}) {
        SCOPED_TRACE(name);
        auto result = std::async(std::launch::async, [&] { return measureMedia(dir.path() / name, name, "MP3"); });
        ASSERT_EQ(result.wait_for(std::chrono::seconds(20)), std::future_status::ready);
        const FileInfo info = result.get();
        EXPECT_FALSE(info.duration.has_value());
        EXPECT_FALSE(info.pages.has_value());
        EXPECT_EQ(info.words, 0);
    }
}

TEST(Media, OpensFilesWhoseNamesLookLikeProtocols)
{
    TempDir dir;
    const auto path = dir.write("http:clip.wav", wav(8000, 8000));
    EXPECT_EQ(mediaDurationSeconds(path), 1.0);
}
