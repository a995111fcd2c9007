#include "analysis/Media.h"

#include "analysis/Intake.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <sys/stat.h>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/log.h>
}

namespace pagetally {
namespace {

// Containers that hold audio or video. Anything else (playlists, concatenation scripts, images,
// text art) is refused before its header is read, so a document can never make us open
// another file or a network address.
constexpr const char* allowedFormats =
    "mp3,mov,mp4,m4a,3gp,3g2,mj2,wav,w64,aac,flac,ogg,matroska,webm,asf,avi,aiff,caf,mpeg,mpegts";

struct ContextCloser
{
    void operator()(AVFormatContext* ctx) const { avformat_close_input(&ctx); }
};
using Context = std::unique_ptr<AVFormatContext, ContextCloser>;

struct PacketFree
{
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

// value × num / den in double precision, divided last so that whole seconds stay exact.
double toSeconds(std::int64_t value, AVRational timeBase)
{
    return static_cast<double>(value) * timeBase.num / timeBase.den;
}

Context openMedia(const std::filesystem::path& location)
{
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    av_dict_set(&options, "format_whitelist", allowedFormats, 0);
    // "file:" keeps a name such as "a:b.mp3" from being read as a protocol.
    const std::string url = "file:" + std::filesystem::absolute(location).native();
    AVFormatContext* raw = nullptr;
    const int rc = avformat_open_input(&raw, url.c_str(), nullptr, &options);
    av_dict_free(&options);
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
std::optional<double> sumOfFrames(AVFormatContext* ctx)
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
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (!packet) {
        return std::nullopt;
    }
    std::int64_t total = 0;
    bool any = false;
    while (av_read_frame(ctx, packet.get()) >= 0) {
        if (packet->stream_index == audio && packet->duration > 0) {
            total += packet->duration;
            any = true;
        }
        av_packet_unref(packet.get());
    }
    if (!any) {
        return std::nullopt;
    }
    return toSeconds(total, ctx->streams[audio]->time_base);
}

} // namespace

std::optional<double> mediaDurationSeconds(const std::filesystem::path& location)
{
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });

    // Only regular files: a FIFO or a device under a media name must never block the intake.
    struct stat st{};
    if (::stat(location.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    Context ctx = openMedia(location);
    if (!ctx || !hasAudioOrVideo(ctx.get())) {
        return std::nullopt;
    }

    std::optional<double> seconds;
    if (ctx->duration != AV_NOPTS_VALUE && ctx->duration >= 0) {
        seconds = toSeconds(ctx->duration, AVRational{1, AV_TIME_BASE});
    } else if (auto longest = longestStream(ctx.get())) {
        seconds = longest;
    } else if (std::strcmp(ctx->iformat->name, "mp3") == 0) {
        seconds = sumOfFrames(ctx.get());
    } else if (avformat_find_stream_info(ctx.get(), nullptr) >= 0 && ctx->duration != AV_NOPTS_VALUE &&
               ctx->duration >= 0) {
        seconds = toSeconds(ctx->duration, AVRational{1, AV_TIME_BASE});
    }
    if (!seconds || !std::isfinite(*seconds)) {
        return std::nullopt;
    }
    return seconds;
}

FileInfo measureMedia(const std::filesystem::path& location, const std::string& fileName, const std::string& fileType)
{
    if (const auto seconds = mediaDurationSeconds(location)) {
        // The order of the operations is part of the result: 2.8 s must give 6 words, not 7.
        const double minutes = *seconds / 60.0;
        const double estimate = minutes * wordsPerMinute;
        if (std::isfinite(estimate) && estimate >= 0.0 && estimate < 9223372036854775808.0) {
            return FileInfo::make(fileName, fileType, minutes, std::nullopt, static_cast<std::int64_t>(estimate));
        }
    }
    return FileInfo::make(fileName, fileType, std::nullopt, std::nullopt, 0);
}

} // namespace pagetally
