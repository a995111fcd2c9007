#include "analysis/formats/Media.h"

#include "analysis/intake/Paths.h"
#include "analysis/system/Cancellation.h"
#include "analysis/system/Descriptor.h"
#include "analysis/system/FileBytes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <limits>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavcodec/version.h>
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
#include <libavformat/version.h>
#include <libavutil/avutil.h>
#include <libavutil/log.h>
#include <libavutil/macros.h>
#include <libavutil/mem.h>
#include <libavutil/version.h>
}

namespace pagetally {
namespace {

// Containers that hold audio or video. Anything else (playlists, concatenation scripts, images,
// text art) is refused before its header is read, so a document can never make us open
// another file or a network address.
constexpr const char* allowedFormats =
    "mp3,mov,mp4,m4a,3gp,3g2,mj2,wav,w64,aac,flac,ogg,matroska,webm,asf,avi,aiff,caf,mpeg,mpegts";

// FFmpeg is loaded when the first recording is measured, not linked: linking it loads some 150
// libraries at every start, which costs more than measuring a whole batch of documents. The
// names carry the major versions of the headers compiled against, so the layouts agree.
struct Ffmpeg
{
    decltype(&::av_log_set_level) logSetLevel = nullptr;
    decltype(&::av_dict_set) dictSet = nullptr;
    decltype(&::av_dict_free) dictFree = nullptr;
    decltype(&::av_malloc) malloc = nullptr;
    decltype(&::av_freep) freep = nullptr;
    decltype(&::av_packet_alloc) packetAlloc = nullptr;
    decltype(&::av_packet_free) packetFree = nullptr;
    decltype(&::av_packet_unref) packetUnref = nullptr;
    decltype(&::avio_alloc_context) ioAlloc = nullptr;
    decltype(&::avio_context_free) ioFree = nullptr;
    decltype(&::avformat_alloc_context) allocContext = nullptr;
    decltype(&::avformat_open_input) openInput = nullptr;
    decltype(&::avformat_close_input) closeInput = nullptr;
    decltype(&::avformat_find_stream_info) findStreamInfo = nullptr;
    decltype(&::av_read_frame) readFrame = nullptr;
    decltype(&::avformat_index_get_entries_count) indexSize = nullptr;
    decltype(&::avformat_index_get_entry) indexEntry = nullptr;
};

// The libraries stay loaded until the program ends. nullptr when they cannot be loaded.
const Ffmpeg* ffmpeg()
{
    static const std::optional<Ffmpeg> api = []() -> std::optional<Ffmpeg> {
        void* util = ::dlopen("libavutil.so." AV_STRINGIFY(LIBAVUTIL_VERSION_MAJOR), RTLD_NOW | RTLD_LOCAL);
        void* codec =
            ::dlopen("libavcodec.so." AV_STRINGIFY(LIBAVCODEC_VERSION_MAJOR), RTLD_NOW | RTLD_LOCAL);
        void* format =
            ::dlopen("libavformat.so." AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR), RTLD_NOW | RTLD_LOCAL);
        if (util == nullptr || codec == nullptr || format == nullptr) {
            return std::nullopt;
        }
        Ffmpeg f;
        bool complete = true;
        const auto load = [&](void* library, const char* name, auto& function) {
            function = std::bit_cast<std::remove_reference_t<decltype(function)>>(::dlsym(library, name));
            complete = complete && function != nullptr;
        };
        load(util, "av_log_set_level", f.logSetLevel);
        load(util, "av_dict_set", f.dictSet);
        load(util, "av_dict_free", f.dictFree);
        load(util, "av_malloc", f.malloc);
        load(util, "av_freep", f.freep);
        load(codec, "av_packet_alloc", f.packetAlloc);
        load(codec, "av_packet_free", f.packetFree);
        load(codec, "av_packet_unref", f.packetUnref);
        load(format, "avio_alloc_context", f.ioAlloc);
        load(format, "avio_context_free", f.ioFree);
        load(format, "avformat_alloc_context", f.allocContext);
        load(format, "avformat_open_input", f.openInput);
        load(format, "avformat_close_input", f.closeInput);
        load(format, "avformat_find_stream_info", f.findStreamInfo);
        load(format, "av_read_frame", f.readFrame);
        load(format, "avformat_index_get_entries_count", f.indexSize);
        load(format, "avformat_index_get_entry", f.indexEntry);
        if (!complete) {
            return std::nullopt;
        }
        f.logSetLevel(AV_LOG_QUIET);
        return f;
    }();
    return api ? &*api : nullptr;
}

// A walk over MP3 frames that meets this many bytes without a frame has left the audio: what
// follows is no recording (a run of zeros, say), and the frame parser would hold all of it.
// Real files have at most a tag or a cover picture between frames.
constexpr std::int64_t frameGapLimit = std::int64_t(16) << 20;

// What libavformat reads: the descriptor that was opened and checked, through a cursor of our
// own, so no path is opened a second time and no read can wait for a writer. Every read first
// looks whether the batch was cancelled or the time allowed for this file is spent.
class Source
{
public:
    Source(int fd, std::int64_t size)
        : fd_(fd), size_(size), deadline_(std::chrono::steady_clock::now() + allowance(size))
    {
    }

    std::int64_t size() const { return size_; }
    bool timedOut() const { return timedOut_; }
    bool stopped() const { return stopped_; }

    // While frames are walked: each one found moves the mark, and reads far past it end.
    void frameFound() { lastFrameAt_ = offset_; }
    void endWalk() { lastFrameAt_ = -1; }

    static int read(void* opaque, std::uint8_t* into, int want)
    {
        auto& source = *static_cast<Source*>(opaque);
        if (source.interrupted()) {
            return AVERROR_EXIT;
        }
        if (source.lastFrameAt_ >= 0 && source.offset_ - source.lastFrameAt_ > frameGapLimit) {
            return AVERROR_EOF;
        }
        // Nothing beyond the size the file had when it was opened: a file that grows meanwhile
        // cannot keep us reading, and every answer agrees with AVSEEK_SIZE.
        if (source.offset_ >= source.size_ || want <= 0) {
            return AVERROR_EOF;
        }
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(want, source.size_ - source.offset_));
        for (;;) {
            const ssize_t got = ::pread(source.fd_, into, n, source.offset_);
            if (got > 0) {
                source.offset_ += got;
                return static_cast<int>(got);
            }
            if (got == 0) {
                return AVERROR_EOF; // the file shrank
            }
            if (errno != EINTR) {
                return AVERROR(errno);
            }
        }
    }

    static std::int64_t seek(void* opaque, std::int64_t offset, int whence)
    {
        auto& source = *static_cast<Source*>(opaque);
        whence &= ~AVSEEK_FORCE;
        if (whence == AVSEEK_SIZE) {
            return source.size_;
        }
        std::int64_t base = 0;
        if (whence == SEEK_CUR) {
            base = source.offset_;
        } else if (whence == SEEK_END) {
            base = source.size_;
        } else if (whence != SEEK_SET) {
            return AVERROR(EINVAL);
        }
        std::int64_t target = 0;
        if (__builtin_add_overflow(base, offset, &target) || target < 0) {
            return AVERROR(EINVAL);
        }
        source.offset_ = target;
        return target;
    }

    // libavformat's interrupt callback, for the loops that do not read.
    static int interrupt(void* opaque) { return static_cast<Source*>(opaque)->interrupted() ? 1 : 0; }

private:
    // A backstop against a read that hangs or crawls, never a limit on a real recording: only
    // an MP3 frame walk reads a whole file, and that goes at well over 100 MB/s here. Half a
    // minute, and 30 s more for every 100 MiB, stays clear of the slowest storage that people
    // measure recordings on (a USB 2 stick, a share over Wi-Fi: 5 to 30 MB/s) on a busy machine.
    static std::chrono::steady_clock::duration allowance(std::int64_t size)
    {
        const double seconds = 30.0 + 30.0 * static_cast<double>(size) / double(100 << 20);
        return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(seconds));
    }

    bool interrupted()
    {
        if (!stopped_ && (cancelRequested() || std::chrono::steady_clock::now() > deadline_)) {
            timedOut_ = !cancelRequested();
            stopped_ = true;
        }
        return stopped_;
    }

    int fd_;
    std::int64_t size_;
    std::int64_t offset_ = 0;
    std::chrono::steady_clock::time_point deadline_;
    std::int64_t lastFrameAt_ = -1;
    bool stopped_ = false;
    bool timedOut_ = false;
};

struct IoFree
{
    void operator()(AVIOContext* io) const
    {
        ffmpeg()->freep(&io->buffer); // perhaps no longer the buffer it was given
        ffmpeg()->ioFree(&io);
    }
};

struct ContextCloser
{
    void operator()(AVFormatContext* ctx) const { ffmpeg()->closeInput(&ctx); }
};

struct PacketFree
{
    void operator()(AVPacket* p) const { ffmpeg()->packetFree(&p); }
};

// An opened recording: the context reads through the I/O context, which reads the source.
// Members are destroyed in the reverse order, the context first.
struct Media
{
    explicit Media(int fd, std::int64_t size) : source(fd, size) {}
    Source source;
    std::unique_ptr<AVIOContext, IoFree> io;
    std::unique_ptr<AVFormatContext, ContextCloser> ctx;
};

// Nothing but the file itself is ever opened: not a reference from inside a container, not a
// second file of a set.
int refuseToOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**)
{
    return AVERROR(EPERM);
}

// value × num / den in double precision, divided last so that whole seconds stay exact.
double toSeconds(std::int64_t value, AVRational timeBase)
{
    return static_cast<double>(value) * timeBase.num / timeBase.den;
}

bool openMedia(const Ffmpeg& av, const std::filesystem::path& location, Media& media)
{
    // The size libavformat's own file reader used, so that it reads in the same steps.
    constexpr int bufferSize = 32768;
    auto* buffer = static_cast<unsigned char*>(av.malloc(bufferSize));
    if (buffer == nullptr) {
        return false;
    }
    media.io.reset(av.ioAlloc(buffer, bufferSize, 0, &media.source, &Source::read, nullptr, &Source::seek));
    if (!media.io) {
        av.freep(&buffer);
        return false;
    }
    AVFormatContext* raw = av.allocContext();
    if (raw == nullptr) {
        return false;
    }
    raw->pb = media.io.get();
    raw->io_open = &refuseToOpen;
    raw->interrupt_callback = AVIOInterruptCB{&Source::interrupt, &media.source};
    AVDictionary* options = nullptr;
    av.dictSet(&options, "format_whitelist", allowedFormats, 0);
    // Only the name's extension is used, to weigh the formats that match it when probing.
    const std::string url = "file:" + std::filesystem::absolute(location).native();
    const int rc = av.openInput(&raw, url.c_str(), nullptr, &options); // frees `raw` on failure
    av.dictFree(&options);
    if (rc < 0) {
        return false;
    }
    media.ctx.reset(raw);
    return true;
}

bool hasAudioOrVideo(const AVFormatContext* ctx)
{
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const auto type = ctx->streams[i]->codecpar->codec_type;
        if (type == AVMEDIA_TYPE_AUDIO || type == AVMEDIA_TYPE_VIDEO) {
            return true;
        }
    }
    return false;
}

std::optional<double> longestStream(const AVFormatContext* ctx)
{
    std::optional<double> longest;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream* st = ctx->streams[i];
        if (st->duration != AV_NOPTS_VALUE && st->duration >= 0) {
            const double seconds = toSeconds(st->duration, st->time_base);
            if (!longest || seconds > *longest) {
                longest = seconds;
            }
        }
    }
    return longest;
}

// Sums the frame durations of the first audio stream from where the reading stands: exact for
// any bit rate. nullopt when no frame is found or the walk was stopped.
std::optional<double> sumOfFrames(const Ffmpeg& av, Media& media)
{
    AVFormatContext* ctx = media.ctx.get();
    // av_find_best_stream would want codec details that only a decoder fills in.
    int audio = -1;
    for (unsigned i = 0; i < ctx->nb_streams && audio < 0; ++i) {
        if (ctx->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            audio = static_cast<int>(i);
        }
    }
    if (audio < 0) {
        return std::nullopt;
    }
    std::unique_ptr<AVPacket, PacketFree> packet(av.packetAlloc());
    if (!packet) {
        return std::nullopt;
    }
    std::int64_t total = 0;
    bool any = false;
    media.source.frameFound();
    while (av.readFrame(ctx, packet.get()) >= 0) {
        if (packet->stream_index == audio && packet->duration > 0) {
            total += packet->duration;
            any = true;
            media.source.frameFound();
        }
        av.packetUnref(packet.get());
    }
    media.source.endWalk();
    if (!any || media.source.stopped()) {
        return std::nullopt;
    }
    return toSeconds(total, ctx->streams[audio]->time_base);
}

// Up to `n` bytes at `offset`, fewer at the end of the file.
std::string readAt(int fd, std::int64_t offset, std::size_t n)
{
    std::string bytes(n, '\0');
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = ::pread(fd, bytes.data() + got, n - got, offset + static_cast<std::int64_t>(got));
        if (r > 0) {
            got += static_cast<std::size_t>(r);
        } else if (r == 0 || errno != EINTR) {
            break;
        }
    }
    bytes.resize(got);
    return bytes;
}

std::uint32_t bigEndian32(std::string_view b, std::size_t at)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3]));
}

std::uint32_t littleEndian32(std::string_view b, std::size_t at)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at]));
}

// Whether an MP3's Xing, Info or VBRI header states more frames or bytes than the file holds
// after it. The header sits in the first frame, right after any ID3v2 tags, where libavformat
// reads it too; it counts the bytes from the start of that frame.
bool mp3HeaderExceedsData(int fd, std::int64_t size)
{
    std::int64_t at = 0;
    for (int tags = 0; tags < 16; ++tags) {
        const std::string id3 = readAt(fd, at, 10);
        if (id3.size() < 10 || id3.compare(0, 3, "ID3") != 0) {
            break;
        }
        const auto s = [&](std::size_t i) { return static_cast<std::int64_t>(id3[i] & 0x7F); };
        at += 10 + (s(6) << 21 | s(7) << 14 | s(8) << 7 | s(9)) + ((id3[5] & 0x10) != 0 ? 10 : 0);
    }
    const std::string frame = readAt(fd, at, 64);
    if (frame.size() < 64) {
        return false;
    }
    const std::uint32_t header = bigEndian32(frame, 0);
    const unsigned version = (header >> 19) & 3; // 0: MPEG-2.5, 2: MPEG-2, 3: MPEG-1
    const unsigned layer = (header >> 17) & 3;   // 1: Layer III, 2: Layer II, 3: Layer I
    const unsigned rateIndex = (header >> 10) & 3;
    if ((header & 0xFFE00000u) != 0xFFE00000u || version == 1 || layer == 0 || rateIndex == 3 ||
        ((header >> 12) & 15) == 15) {
        return false;
    }
    constexpr std::array<std::int64_t, 3> mpeg1Rates{44100, 48000, 32000};
    const std::int64_t sampleRate = mpeg1Rates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    const bool mono = ((header >> 6) & 3) == 3;
    // The smallest frame the stream can have: its lowest bit rate, without padding.
    const std::int64_t lowestRate = version == 3 || layer == 3 ? 32000 : 8000;
    const std::int64_t factor = layer == 3 ? 48 : (version != 3 && layer == 1) ? 72 : 144;
    const std::int64_t smallestFrame = factor * lowestRate / sampleRate;

    std::optional<std::int64_t> frames;
    std::optional<std::int64_t> bytes;
    const std::size_t xing = version == 3 ? (mono ? 21 : 36) : (mono ? 13 : 21);
    if (frame.compare(xing, 4, "Xing") == 0 || frame.compare(xing, 4, "Info") == 0) {
        const std::uint32_t flags = bigEndian32(frame, xing + 4);
        std::size_t field = xing + 8;
        if ((flags & 1) != 0) {
            frames = bigEndian32(frame, field);
            field += 4;
        }
        if ((flags & 2) != 0) {
            bytes = bigEndian32(frame, field);
        }
    } else if (frame.compare(36, 4, "VBRI") == 0) {
        bytes = bigEndian32(frame, 46);
        frames = bigEndian32(frame, 50);
    }
    const std::int64_t present = size - at;
    return (bytes && *bytes > present) || (frames && *frames * smallestFrame > present);
}

// The data chunk of a PCM WAV file: the bytes its header states and the bytes present, with
// the stream's bytes per second. nullopt when the header cannot be read, the samples are
// compressed (their stated byte rates are loose), or no size is stated: 0, and sizes near 2 or
// 4 GiB, are what writers that cannot seek back put there.
struct WavData
{
    std::int64_t stated, present, bytesPerSecond;
};

std::optional<WavData> wavData(int fd, std::int64_t size)
{
    const std::string riff = readAt(fd, 0, 12);
    if (riff.size() < 12 || riff.compare(0, 4, "RIFF") != 0 || riff.compare(8, 4, "WAVE") != 0) {
        return std::nullopt;
    }
    const auto littleEndian16 = [](std::string_view b, std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(b[at])) |
               static_cast<unsigned>(static_cast<unsigned char>(b[at + 1])) << 8;
    };
    std::int64_t bytesPerSecond = 0;
    std::int64_t at = 12;
    for (int chunks = 0; chunks < 64; ++chunks) {
        const std::string chunk = readAt(fd, at, 48);
        if (chunk.size() < 8) {
            return std::nullopt;
        }
        const std::int64_t length = littleEndian32(chunk, 4);
        if (chunk.compare(0, 4, "fmt ") == 0 && chunk.size() >= 24) {
            // Integer or float samples, plain or in the extensible form.
            unsigned tag = littleEndian16(chunk, 8);
            if (tag == 0xFFFE && length >= 40 && chunk.size() == 48) {
                tag = littleEndian16(chunk, 32);
            }
            const std::int64_t rate = littleEndian32(chunk, 12);
            const std::int64_t perSecond = littleEndian32(chunk, 16);
            const bool pcm = tag == 1 || tag == 3;
            bytesPerSecond = pcm && perSecond == rate * littleEndian16(chunk, 20) ? perSecond : 0;
        } else if (chunk.compare(0, 4, "data") == 0) {
            if (bytesPerSecond <= 0 || length == 0 || length >= 0x7FFFF000) {
                return std::nullopt;
            }
            return WavData{length, size - (at + 8), bytesPerSecond};
        }
        at += 8 + length + (length & 1);
    }
    return std::nullopt;
}

// What the index of a container (an MP4's sample tables) says the data holds when some of the
// samples it lists lie beyond the end of the file: the time up to the first of them, in the
// audio or video stream that holds the most. nullopt when every sample is there.
std::optional<double> heldByIndex(const Ffmpeg& av, AVFormatContext* ctx, std::int64_t size)
{
    bool missing = false;
    double held = 0.0;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        AVStream* st = ctx->streams[i];
        const auto type = st->codecpar->codec_type;
        const int entries = av.indexSize(st);
        if ((type != AVMEDIA_TYPE_AUDIO && type != AVMEDIA_TYPE_VIDEO) || entries <= 0) {
            continue;
        }
        std::int64_t first = std::numeric_limits<std::int64_t>::max();
        std::int64_t firstMissing = first;
        for (int e = 0; e < entries; ++e) {
            const AVIndexEntry* entry = av.indexEntry(st, e);
            first = std::min(first, entry->timestamp);
            if (entry->pos < 0 || entry->pos > size - entry->size) {
                firstMissing = std::min(firstMissing, entry->timestamp);
            }
        }
        if (firstMissing == std::numeric_limits<std::int64_t>::max()) {
            // Complete: it holds what it states, or, unknown, as much as anything.
            held = std::max(held, st->duration != AV_NOPTS_VALUE && st->duration >= 0
                                      ? toSeconds(st->duration, st->time_base)
                                      : std::numeric_limits<double>::infinity());
            continue;
        }
        missing = true;
        const std::int64_t start = st->start_time != AV_NOPTS_VALUE ? st->start_time : first;
        held = std::max(held, toSeconds(std::max<std::int64_t>(0, firstMissing - start), st->time_base));
    }
    return missing ? std::optional(held) : std::nullopt;
}

// The running time of an opened recording, and, when its data ends before its header says, the
// length the data holds.
struct Length
{
    std::optional<double> seconds; // what the data holds
    std::optional<double> stated;  // what the header states, when that is more
    bool timedOut = false;
};

Length measure(const Ffmpeg& av, Media& media, int fd)
{
    AVFormatContext* ctx = media.ctx.get();
    const std::int64_t size = media.source.size();
    const bool mp3 = std::strcmp(ctx->iformat->name, "mp3") == 0;
    Length length;
    bool walked = false;
    if (ctx->duration != AV_NOPTS_VALUE && ctx->duration >= 0) {
        length.seconds = toSeconds(ctx->duration, AVRational{1, AV_TIME_BASE});
    } else if (auto longest = longestStream(ctx)) {
        length.seconds = longest;
    } else if (mp3) {
        length.seconds = sumOfFrames(av, media); // the data's own length: nothing more to check
        walked = true;
    } else if (av.findStreamInfo(ctx, nullptr) >= 0 && ctx->duration != AV_NOPTS_VALUE &&
               ctx->duration >= 0) {
        length.seconds = toSeconds(ctx->duration, AVRational{1, AV_TIME_BASE});
    }
    length.timedOut = media.source.timedOut();
    if (!length.seconds || !std::isfinite(*length.seconds) || media.source.stopped()) {
        return Length{std::nullopt, std::nullopt, length.timedOut};
    }

    // A file cut short (an interrupted download or copy) keeps a header that states the whole.
    std::optional<double> held;
    if (mp3) {
        if (!walked && mp3HeaderExceedsData(fd, size)) {
            held = sumOfFrames(av, media);
            if (media.source.stopped()) {
                return Length{std::nullopt, std::nullopt, media.source.timedOut()};
            }
            held = held.value_or(0.0);
        }
    } else if (std::strcmp(ctx->iformat->name, "wav") == 0) {
        if (const auto data = wavData(fd, size); data && data->stated > data->present) {
            length.stated = static_cast<double>(data->stated) / static_cast<double>(data->bytesPerSecond);
            held = std::min(*length.seconds, static_cast<double>(std::max<std::int64_t>(0, data->present)) /
                                                 static_cast<double>(data->bytesPerSecond));
        }
    } else {
        held = heldByIndex(av, ctx, size);
    }
    if (held && *held < length.stated.value_or(*length.seconds)) {
        length.stated = length.stated.value_or(*length.seconds);
        length.seconds = held;
    } else {
        length.stated.reset();
    }
    return length;
}

// Measures the recording at `location`, opened once; `bytes` gets its size.
Length measureFile(const std::filesystem::path& location, std::int64_t& bytes)
{
    // Only a regular file, checked on the descriptor that is then read: a FIFO or a device
    // swapped in under a media name must never block the intake.
    struct stat st
    {
    };
    const Descriptor fd(openRegularFile(location, st));
    if (fd.get() < 0) {
        return {};
    }
    bytes = st.st_size;
    const Ffmpeg* av = ffmpeg();
    if (av == nullptr) {
        return {};
    }
    Media media(fd.get(), st.st_size);
    if (!openMedia(*av, location, media)) {
        return Length{std::nullopt, std::nullopt, media.source.timedOut()};
    }
    if (!hasAudioOrVideo(media.ctx.get())) {
        return {};
    }
    return measure(*av, media, fd.get());
}

} // namespace

std::optional<double> mediaDurationSeconds(const std::filesystem::path& location)
{
    std::int64_t bytes = 0;
    return measureFile(location, bytes).seconds;
}

namespace {

// "89m 0s": whole seconds, never rounded up.
std::string minutesAndSeconds(double seconds)
{
    const auto whole = static_cast<std::int64_t>(seconds);
    return std::to_string(whole / 60) + "m " + std::to_string(whole % 60) + "s";
}

std::string describeBytes(std::uintmax_t bytes)
{
    if (bytes < 1024) {
        return std::to_string(bytes) + " bytes";
    }
    const double kib = static_cast<double>(bytes) / 1024.0;
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), kib < 1024.0 ? "%.0f KiB" : "%.1f MiB",
                  kib < 1024.0 ? kib : kib / 1024.0);
    return text.data();
}

// A stated length that the file's bytes cannot hold, said as such; nullopt when it is plausible.
// The floor is the lowest bit rate real recordings of the type use: an MP3 frame is never
// below 8 kbit/s (MPEG-2.5 Layer III's lowest rate), and the leanest speech codecs carried in
// MP4 and WAV (AMR-NB at 4.75, G.723.1 at 5.3 kbit/s) stay above 4 kbit/s. A file below its floor
// has a header that lies, as a truncated download's or a crafted one's does.
std::optional<Note>
impossibleLength(const std::filesystem::path& location, std::uintmax_t bytes, double seconds)
{
    const double floorBitsPerSecond = toLowerAscii(pathExtension(location)) == "mp3" ? 8000.0 : 4000.0;
    if (seconds <= 0.0) {
        return std::nullopt;
    }
    const double holds = static_cast<double>(bytes) * 8.0 / floorBitsPerSecond;
    if (seconds <= holds) {
        return std::nullopt;
    }
    return Note(NoteKind::mediaImpossibleLength,
                {minutesAndSeconds(seconds), describeBytes(bytes), minutesAndSeconds(holds),
                 std::to_string(static_cast<int>(floorBitsPerSecond / 1000))});
}

} // namespace

FileInfo
measureMedia(const std::filesystem::path& location, const std::string& fileName, const std::string& fileType)
{
    std::int64_t bytes = 0;
    const Length length = measureFile(location, bytes);
    if (const auto seconds = length.seconds) {
        // The order of the operations is part of the result: 2.8 s must give 6 words, not 7.
        const double minutes = *seconds / 60.0;
        const double estimate = minutes * wordsPerMinute;
        if (std::isfinite(estimate) && estimate >= 0.0 && estimate < 9223372036854775808.0) {
            return FileInfo::make(fileName, fileType, minutes, std::nullopt,
                                  static_cast<std::int64_t>(estimate))
                .noted(length.stated
                           ? Note(NoteKind::mediaStatedLength,
                                  {minutesAndSeconds(*length.stated), minutesAndSeconds(*seconds)})
                           : impossibleLength(location, static_cast<std::uintmax_t>(bytes), *seconds));
        }
    }
    return FileInfo::make(fileName, fileType, std::nullopt, std::nullopt, 0)
        .noted(length.timedOut ? NoteKind::mediaNoDurationTimeLimit : NoteKind::mediaNoDuration);
}

} // namespace pagetally
