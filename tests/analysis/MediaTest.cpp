#include "analysis/formats/Media.h"
#include "analysis/intake/Intake.h"
#include "analysis/system/Cancellation.h"
#include "analysis/system/Descriptor.h"
#include "support/AddFiles.h"
#include "support/Bytes.h"
#include "support/TempDir.h"
#include "support/Zip.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace pagetally;
using pagetally::test::addFiles;
using namespace std::chrono_literals;
using pagetally::test::dataFile;
using pagetally::test::readFile;
using pagetally::test::TempDir;
using pagetally::test::wav;
namespace fs = std::filesystem;

namespace {

FileInfo intakeOne(const fs::path& path)
{
    std::vector<FileInfo> files;
    addFiles({path}, files);
    EXPECT_EQ(files.size(), 1u);
    return files.empty() ? FileInfo{} : files.front();
}

// The record of `path`, or nullopt when it takes longer than `limit`; a measurement that hangs
// is left behind on its own thread.
std::optional<FileInfo> measuredWithin(const fs::path& path, std::chrono::milliseconds limit)
{
    auto result = std::make_shared<std::promise<FileInfo>>();
    auto record = result->get_future();
    std::thread([result, path] { result->set_value(measureMedia(path, "k.mp3", "MP3")); }).detach();
    if (record.wait_for(limit) != std::future_status::ready) {
        return std::nullopt;
    }
    return record.get();
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
    // All are ten seconds of audio; the encoder adds up to a frame or two of padding. An
    // estimate from the bit rate would put the variable-rate file without a header at 10.6 s.
    for (const char* name :
         {"vbr-xing.mp3", "vbr-no-xing.mp3", "cbr-no-xing.mp3", "aac.mp4", "aac-moov-first.mp4"}) {
        SCOPED_TRACE(name);
        const auto seconds = mediaDurationSeconds(dataFile(std::string("media/") + name));
        ASSERT_TRUE(seconds.has_value());
        EXPECT_NEAR(*seconds, 10.0, 0.1);
    }
}

// A download or copy that stopped part-way keeps a header that states the whole recording.
TEST(Media, CutRecordingsGiveTheLengthTheirDataHoldsAndSayWhatTheHeaderStates)
{
    TempDir dir;
    struct Case
    {
        std::string name, bytes;
        double seconds;
        std::optional<std::string> note;
    };
    const std::string xing = readFile(dataFile("media/vbr-xing.mp3"));
    const std::string noXing = readFile(dataFile("media/vbr-no-xing.mp3"));
    const std::string moovFirst = readFile(dataFile("media/aac-moov-first.mp4"));
    const std::vector<Case> cases{
        // The same frames, the first with a Xing header ahead of them: the frames of the first
        // quarter count, whether a header states more or not.
        {"xing.mp3", xing.substr(0, xing.size() - noXing.size() + noXing.size() / 4), 2.7,
         "header states 0m 10s, but the data holds 0m 2s"},
        {"no-xing.mp3", noXing.substr(0, noXing.size() / 4), 2.7, std::nullopt},
        {"moov-first.mp4", moovFirst.substr(0, moovFirst.size() / 2), 4.76,
         "header states 0m 10s, but the data holds 0m 4s"},
        {"pcm.wav", wav(8000, 2 * 8000, 10 * 8000 * 2, 2), 2.0,
         "header states 0m 10s, but the data holds 0m 2s"},
        // Writers that cannot seek back state no length: their files are not cut.
        {"streamed.wav", wav(8000, 2 * 8000, 0xFFFFFFFFu, 2), 2.0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FileInfo record = measureMedia(dir.write(c.name, c.bytes), c.name, "");
        ASSERT_TRUE(record.duration.has_value());
        EXPECT_NEAR(*record.duration * 60, c.seconds, 0.05);
        EXPECT_EQ(record.noteText(), c.note);
    }
}

// Between the listing of a folder and the reading of a file, the file can be replaced by one
// that a read would wait on for ever.
TEST(Media, AFileSwappedForAFifoOrADeviceEndsPromptly)
{
    TempDir dir;
    const fs::path fifo = dir.path() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path link = dir.path() / "k.mp3";
    std::atomic<bool> stop{false};
    std::thread swapper([&] {
        const fs::path next = dir.path() / "next";
        for (int i = 0; !stop; ++i) {
            fs::create_symlink(i % 2 == 0 ? dataFile("media/vbr-xing.mp3") : fifo, next);
            fs::rename(next, link);
        }
    });
    while (!fs::is_symlink(fs::symlink_status(link))) {
        std::this_thread::yield();
    }
    for (int i = 0; i < 200; ++i) {
        const auto record = measuredWithin(link, 5s);
        if (!record) {
            ADD_FAILURE() << "waited on the FIFO";
            const Descriptor writer(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK)); // ends the wait
            break;
        }
        EXPECT_TRUE(record->duration || record->noteText() == "no readable duration");
    }
    stop = true;
    swapper.join();

    // A terminal's master side: a read waits for a terminal program's output.
    if (fs::exists("/dev/ptmx")) {
        fs::create_symlink("/dev/ptmx", dir.path() / "terminal.mp3");
        const auto record = measuredWithin(dir.path() / "terminal.mp3", 5s);
        ASSERT_TRUE(record.has_value());
        EXPECT_EQ(record->noteText(), "no readable duration");
    }
}

TEST(Media, CancelEndsAFrameWalkAtOnce)
{
    // Pieces of an MP3 without a header, 8 MiB apart in a sparse file of 4 GiB: each piece's
    // frames keep the walk going through the zeros after it, for half a minute or more.
    TempDir dir;
    const std::string frames = readFile(dataFile("media/cbr-no-xing.mp3")).substr(0, 4096);
    const fs::path path = dir.path() / "long.mp3";
    {
        const Descriptor out(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600));
        ASSERT_GE(out.get(), 0);
        constexpr off_t step = off_t(8) << 20;
        for (off_t at = 0; at < (off_t(4) << 30); at += step) {
            ASSERT_EQ(::pwrite(out.get(), frames.data(), frames.size(), at), ssize_t(frames.size()));
        }
    }
    std::atomic<bool> cancel{false};
    std::chrono::steady_clock::time_point cancelledAt;
    std::thread canceller([&] {
        std::this_thread::sleep_for(300ms);
        cancelledAt = std::chrono::steady_clock::now();
        cancel = true;
    });
    std::optional<double> seconds;
    {
        const CancelScope scope(cancel);
        seconds = mediaDurationSeconds(path);
    }
    const auto returnedAt = std::chrono::steady_clock::now();
    canceller.join();
    EXPECT_EQ(seconds, std::nullopt);
    EXPECT_GT(returnedAt, cancelledAt) << "the walk ended before the cancel";
    EXPECT_LT(returnedAt - cancelledAt, 1s);
}
