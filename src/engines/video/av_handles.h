// Owning handles for FFmpeg objects, so that every early return frees what
// was allocated. Each deleter calls the free function FFmpeg pairs with the
// allocator. No Qt here: the probe and its fuzzer build from these headers.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

#include <memory>
#include <string>

namespace tevarro::av {

struct InputContextDeleter {
    void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};
// An output context whose AVIOContext has already been closed separately.
struct OutputContextDeleter {
    void operator()(AVFormatContext* p) const { avformat_free_context(p); }
};
struct IoContextDeleter {  // opened with avio_open2
    void operator()(AVIOContext* p) const { avio_closep(&p); }
};
struct CodecContextDeleter {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct FrameDeleter {
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FilterGraphDeleter {
    void operator()(AVFilterGraph* p) const { avfilter_graph_free(&p); }
};
struct SwrDeleter {
    void operator()(SwrContext* p) const { swr_free(&p); }
};
struct AudioFifoDeleter {
    void operator()(AVAudioFifo* p) const { av_audio_fifo_free(p); }
};

using InputContextPtr = std::unique_ptr<AVFormatContext, InputContextDeleter>;
using OutputContextPtr = std::unique_ptr<AVFormatContext, OutputContextDeleter>;
using IoContextPtr = std::unique_ptr<AVIOContext, IoContextDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphDeleter>;
using SwrPtr = std::unique_ptr<SwrContext, SwrDeleter>;
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoDeleter>;

// An AVDictionary of options; whatever the callee left unused stays here.
class Dictionary {
public:
    Dictionary() = default;
    Dictionary(const Dictionary&) = delete;
    Dictionary& operator=(const Dictionary&) = delete;
    ~Dictionary() { av_dict_free(&dict_); }
    void Set(const char* key, const char* value) { av_dict_set(&dict_, key, value, 0); }
    void Set(const char* key, long long value) { av_dict_set_int(&dict_, key, value, 0); }
    AVDictionary** Address() { return &dict_; }

private:
    AVDictionary* dict_ = nullptr;
};

inline FramePtr MakeFrame() { return FramePtr(av_frame_alloc()); }
inline PacketPtr MakePacket() { return PacketPtr(av_packet_alloc()); }

// A new reference to the same frame buffers (no copy of the picture).
inline FramePtr RefFrame(const AVFrame* src)
{
    FramePtr frame(av_frame_clone(src));
    return frame;
}

// Readable text for an AVERROR code.
inline std::string ErrorText(int err)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, buf, sizeof buf);
    return buf;
}

}  // namespace tevarro::av
