#include "analysis/Media.h"

#include "analysis/Paths.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <memory>
#include <sys/stat.h>

extern "C" {
#include <libavcodec/version.h>
#include <libavformat/avformat.h>
#include <libavformat/version.h>
#include <libavutil/avutil.h>
#include <libavutil/log.h>
#include <libavutil/macros.h>
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
    decltype(&::av_packet_alloc) packetAlloc = nullptr;
    decltype(&::av_packet_free) packetFree = nullptr;
    decltype(&::av_packet_unref) packetUnref = nullptr;
    decltype(&::avformat_open_input) openInput = nullptr;
    decltype(&::avformat_close_input) closeInput = nullptr;
    decltype(&::avformat_find_stream_info) findStreamInfo = nullptr;
    decltype(&::av_read_frame) readFrame = nullptr;
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
        load(codec, "av_packet_alloc", f.packetAlloc);
        load(codec, "av_packet_free", f.packetFree);
        load(codec, "av_packet_unref", f.packetUnref);
        load(format, "avformat_open_input", f.openInput);
        load(format, "avformat_close_input", f.closeInput);
        load(format, "avformat_find_stream_info", f.findStreamInfo);
        load(format, "av_read_frame", f.readFrame);
        if (!complete) {
            return std::nullopt;
        }
        f.logSetLevel(AV_LOG_QUIET);
        return f;
    }();
    return api ? &*api : nullptr;
}

struct ContextCloser
{
    void operator()(AVFormatContext* ctx) const { ffmpeg()->closeInput(&ctx); }
};
using Context = std::unique_ptr<AVFormatContext, ContextCloser>;

struct PacketFree
{
    void operator()(AVPacket* p) const { ffmpeg()->packetFree(&p); }
};

// value × num / den in double precision, divided last so that whole seconds stay exact.
double toSeconds(std::int64_t value, AVRational timeBase)
{
    return static_cast<double>(value) * timeBase.num / timeBase.den;
}

Context openMedia(const Ffmpeg& av, const std::filesystem::path& location)
{
    AVDictionary* options = nullptr;
    av.dictSet(&options, "protocol_whitelist", "file", 0);
    av.dictSet(&options, "format_whitelist", allowedFormats, 0);
    // "file:" keeps a name such as "a:b.mp3" from being read as a protocol.
    const std::string url = "file:" + std::filesystem::absolute(location).native();
    AVFormatContext* raw = nullptr;
    const int rc = av.openInput(&raw, url.c_str(), nullptr, &options);
    av.dictFree(&options);
    if (rc < 0) {
        return nullptr;
    }
    return Context(raw);
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

// Sums the frame durations of the first audio stream: exact for any bit rate.
std::optional<double> sumOfFrames(const Ffmpeg& av, AVFormatContext* ctx)
{
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
    while (av.readFrame(ctx, packet.get()) >= 0) {
        if (packet->stream_index == audio && packet->duration > 0) {
            total += packet->duration;
            any = true;
        }
        av.packetUnref(packet.get());
    }
    if (!any) {
        return std::nullopt;
    }
    return toSeconds(total, ctx->streams[audio]->time_base);
}

} // namespace

std::optional<double> mediaDurationSeconds(const std::filesystem::path& location)
{
    // Only regular files: a FIFO or a device under a media name must never block the intake.
    struct stat st
    {
    };
    if (::stat(location.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    const Ffmpeg* av = ffmpeg();
    if (av == nullptr) {
        return std::nullopt;
    }
    Context ctx = openMedia(*av, location);
    if (!ctx || !hasAudioOrVideo(ctx.get())) {
        return std::nullopt;
    }

    std::optional<double> seconds;
    if (ctx->duration != AV_NOPTS_VALUE && ctx->duration >= 0) {
        seconds = toSeconds(ctx->duration, AVRational{1, AV_TIME_BASE});
    } else if (auto longest = longestStream(ctx.get())) {
        seconds = longest;
    } else if (std::strcmp(ctx->iformat->name, "mp3") == 0) {
        seconds = sumOfFrames(*av, ctx.get());
    } else if (av->findStreamInfo(ctx.get(), nullptr) >= 0 && ctx->duration != AV_NOPTS_VALUE &&
               ctx->duration >= 0) {
        seconds = toSeconds(ctx->duration, AVRational{1, AV_TIME_BASE});
    }
    if (!seconds || !std::isfinite(*seconds)) {
        return std::nullopt;
    }
    return seconds;
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
std::optional<std::string> impossibleLength(const std::filesystem::path& location, double seconds)
{
    const double floorBitsPerSecond = toLowerAscii(pathExtension(location)) == "mp3" ? 8000.0 : 4000.0;
    std::error_code ec;
    const std::uintmax_t bytes = std::filesystem::file_size(location, ec);
    if (ec || seconds <= 0.0) {
        return std::nullopt;
    }
    const double holds = static_cast<double>(bytes) * 8.0 / floorBitsPerSecond;
    if (seconds <= holds) {
        return std::nullopt;
    }
    return "header states " + minutesAndSeconds(seconds) + ", but " + describeBytes(bytes) +
           " holds at most " + minutesAndSeconds(holds) + " at " +
           std::to_string(static_cast<int>(floorBitsPerSecond / 1000)) + " kbit/s";
}

} // namespace

FileInfo
measureMedia(const std::filesystem::path& location, const std::string& fileName, const std::string& fileType)
{
    if (const auto seconds = mediaDurationSeconds(location)) {
        // The order of the operations is part of the result: 2.8 s must give 6 words, not 7.
        const double minutes = *seconds / 60.0;
        const double estimate = minutes * wordsPerMinute;
        if (std::isfinite(estimate) && estimate >= 0.0 && estimate < 9223372036854775808.0) {
            return FileInfo::make(fileName, fileType, minutes, std::nullopt,
                                  static_cast<std::int64_t>(estimate))
                .noted(impossibleLength(location, *seconds));
        }
    }
    return FileInfo::make(fileName, fileType, std::nullopt, std::nullopt, 0).noted("no readable duration");
}

} // namespace pagetally
