#include "engines/video/media_input.h"

extern "C" {
#include <libavutil/display.h>
}

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace tevarro::media {

namespace {

// Demuxers that read further files named inside the one given (playlists,
// concat lists, manifests, numbered image sequences) or talk to a network.
// A source is one local file; anything else is refused.
bool IsRefusedDemuxer(const char* name)
{
    static const char* const kRefused[] = {
        "hls", "applehttp", "dash", "concat", "imf", "image2", "sdp", "rtsp", "rtp",
    };
    for (const char* refused : kRefused) {
        if (std::strcmp(name, refused) == 0)
            return true;
    }
    return false;
}

bool IsPicture(const AVStream* st)
{
    return st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO
           && st->codecpar->codec_id != AV_CODEC_ID_NONE
           && !(st->disposition & AV_DISPOSITION_ATTACHED_PIC);
}

// The header alone tells the codecs and a length: no need to read and decode
// packets to learn them.
bool HeaderSuffices(const AVFormatContext* format)
{
    if (format->ctx_flags & AVFMTCTX_NOHEADER)
        return false;
    bool picture = false;
    bool length = format->duration != AV_NOPTS_VALUE && format->duration > 0;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* st = format->streams[i];
        picture = picture || IsPicture(st);
        length = length || (st->duration != AV_NOPTS_VALUE && st->duration > 0);
    }
    return picture && length;
}

}  // namespace

void TuneAllocatorForMedia()
{
#ifdef __GLIBC__
    static std::once_flag once;
    std::call_once(once, [] {
        mallopt(M_TOP_PAD, 16 * 1024 * 1024);
        mallopt(M_ARENA_MAX, 1);
    });
#endif
}

bool Interrupt::Triggered() const
{
    if (cancel_ && cancel_->load(std::memory_order_relaxed))
        return true;
    return Clock::now() > deadline_;
}

int Interrupt::Poll(void* opaque)
{
    return static_cast<const Interrupt*>(opaque)->Triggered() ? 1 : 0;
}

bool MediaInput::Open(const std::string& path, Interrupt* interrupt, std::string* error,
                      const OpenLimits& limits)
{
    // The "file:" prefix keeps a name such as "http:x" or "pipe:1" a local file.
    const std::string url = "file:" + path;
    const AVIOInterruptCB callback = interrupt->Callback();

    AVIOContext* io = nullptr;
    {
        av::Dictionary options;
        options.Set("protocol_whitelist", "file");
        const int ret = avio_open2(&io, url.c_str(), AVIO_FLAG_READ, &callback, options.Address());
        if (ret < 0) {
            *error = "cannot open the file (" + av::ErrorText(ret) + ")";
            return false;
        }
    }
    io_.reset(io);

    const AVInputFormat* inputFormat = nullptr;
    const int score = av_probe_input_buffer2(io, &inputFormat, url.c_str(), nullptr, 0,
                                             static_cast<unsigned>(limits.probeSize));
    if (score < 0 || !inputFormat) {
        *error = "not a media file FFmpeg recognises";
        return false;
    }
    if (IsRefusedDemuxer(inputFormat->name)) {
        *error = std::string("refusing a ") + inputFormat->name + " file";
        return false;
    }

    AVFormatContext* format = avformat_alloc_context();
    if (!format) {
        *error = "out of memory";
        return false;
    }
    format->pb = io;
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    format->interrupt_callback = callback;
    {
        av::Dictionary options;
        options.Set("protocol_whitelist", "file");
        options.Set("probesize", static_cast<long long>(limits.probeSize));
        options.Set("analyzeduration", static_cast<long long>(limits.analyzeDuration));
        // avformat_open_input frees the context when it fails.
        const int ret = avformat_open_input(&format, url.c_str(), inputFormat, options.Address());
        if (ret < 0) {
            *error = "cannot read the file's header (" + av::ErrorText(ret) + ")";
            return false;
        }
    }
    format_.reset(format);

    if (!(limits.trustHeader && HeaderSuffices(format))) {
        const int ret = avformat_find_stream_info(format, nullptr);
        if (ret < 0) {
            *error = "cannot read the file's streams (" + av::ErrorText(ret) + ")";
            return false;
        }
    }

    int best = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (best < 0 || !IsPicture(format->streams[best])) {
        best = -1;
        int64_t bestArea = -1;
        for (unsigned i = 0; i < format->nb_streams; ++i) {
            const AVStream* st = format->streams[i];
            const int64_t area = int64_t(st->codecpar->width) * st->codecpar->height;
            if (IsPicture(st) && area > bestArea) {
                best = static_cast<int>(i);
                bestArea = area;
            }
        }
    }
    videoStream_ = best;
    const int audio = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, videoStream_, nullptr, 0);
    audioStream_ = audio >= 0 ? audio : -1;

    originSeconds_ = format->start_time != AV_NOPTS_VALUE
                         ? static_cast<double>(format->start_time) / AV_TIME_BASE
                         : 0.0;
    return true;
}

double MediaInput::DurationSeconds() const
{
    const AVFormatContext* format = format_.get();
    if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
        return static_cast<double>(format->duration) / AV_TIME_BASE;
    // The stream information was not read: the longest stream the header knows.
    double longest = 0.0;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* st = format->streams[i];
        if (st->duration != AV_NOPTS_VALUE && st->duration > 0)
            longest = std::max(longest, static_cast<double>(st->duration) * av_q2d(st->time_base));
    }
    return longest;
}

double MediaInput::ToSeconds(int stream, int64_t ts) const
{
    return static_cast<double>(ts) * av_q2d(format_->streams[stream]->time_base) - originSeconds_;
}

int64_t MediaInput::FromSeconds(int stream, double seconds) const
{
    const int64_t micro = std::llround((seconds + originSeconds_) * AV_TIME_BASE);
    return av_rescale_q(micro, AV_TIME_BASE_Q, format_->streams[stream]->time_base);
}

bool MediaInput::SeekTo(double seconds)
{
    AVFormatContext* format = format_.get();
    // Streams without an index (MPEG-TS and -PS) can land after the key frame
    // before the target; starting well ahead of it leaves the decoder a key
    // frame to start from. Frames before the target are decoded and dropped.
    if (format->iformat->flags & AVFMT_TS_DISCONT)
        seconds -= 3.0;
    if (seconds <= 0.0)
        return true;
    if (videoStream_ >= 0
        && av_seek_frame(format, videoStream_, FromSeconds(videoStream_, seconds),
                         AVSEEK_FLAG_BACKWARD) >= 0) {
        return true;
    }
    const int64_t target = std::llround((seconds + originSeconds_) * AV_TIME_BASE);
    return avformat_seek_file(format, -1, INT64_MIN, target, target, 0) >= 0;
}

av::CodecContextPtr MediaInput::OpenDecoder(int stream, int threads, std::string* error) const
{
    const AVStream* st = format_->streams[stream];
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    if (!codec) {
        *error = std::string("no decoder for ") + avcodec_get_name(st->codecpar->codec_id);
        return nullptr;
    }
    av::CodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx || avcodec_parameters_to_context(ctx.get(), st->codecpar) < 0) {
        *error = "cannot set up the decoder";
        return nullptr;
    }
    ctx->pkt_timebase = st->time_base;
    ctx->thread_count = threads;
    // A damaged or hostile header may claim any size; nothing real is larger.
    ctx->max_pixels = int64_t(8192) * 8192;
    const int ret = avcodec_open2(ctx.get(), codec, nullptr);
    if (ret < 0) {
        *error = std::string("cannot open the ") + codec->name + " decoder (" + av::ErrorText(ret) + ")";
        return nullptr;
    }
    return ctx;
}

void MediaInput::SkipUnneededBefore(double target, const AVPacket* packet, AVCodecContext* decoder) const
{
    // Half a second of margin keeps the picture shown at the target itself
    // (and its neighbours) decoded at any frame rate.
    constexpr double kMargin = 0.5;
    const int64_t ts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    const bool early = ts != AV_NOPTS_VALUE && ToSeconds(packet->stream_index, ts) < target - kMargin;
    decoder->skip_frame = early ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
}

int MediaInput::VideoRotation() const
{
    if (videoStream_ < 0)
        return 0;
    const AVStream* st = format_->streams[videoStream_];
    double theta = 0.0;
    size_t size = 0;
    const uint8_t* matrix = av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (matrix && size >= 9 * sizeof(int32_t)) {
        // The matrix says how far the stored picture is turned counter-clockwise;
        // standing it upright turns it back clockwise.
        theta = -av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
    } else if (const AVDictionaryEntry* tag = av_dict_get(st->metadata, "rotate", nullptr, 0)) {
        theta = std::strtod(tag->value, nullptr);
    }
    if (std::isnan(theta))
        return 0;
    theta = std::fmod(std::round(theta), 360.0);
    if (theta < 0)
        theta += 360.0;
    for (int quarter : {90, 180, 270}) {
        if (std::fabs(theta - quarter) < 1.0)
            return quarter;
    }
    return 0;
}

}  // namespace tevarro::media
