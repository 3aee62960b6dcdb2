#include "engines/video/probe.h"

#include "engines/video/media_input.h"

#include <chrono>
#include <cmath>

namespace tevarro::media {

namespace {

constexpr auto kProbeDeadline = std::chrono::seconds(3);
constexpr int kMaxPacketsRead = 2000;    // of any stream
constexpr int kMaxVideoPacketsTried = 32;  // key frames

// True when some video packet near the start decodes into a picture. Only
// key frames are decoded, and the decoder is drained after each packet, so
// one picture costs one decode rather than the codec's reordering delay.
bool DecodesAPicture(MediaInput& input)
{
    std::string error;
    const int stream = input.VideoStream();
    av::CodecContextPtr decoder = input.OpenDecoder(stream, 1, &error);
    if (!decoder)
        return false;
    decoder->skip_frame = AVDISCARD_NONKEY;
    decoder->skip_loop_filter = AVDISCARD_ALL;

    av::PacketPtr packet = av::MakePacket();
    av::FramePtr frame = av::MakeFrame();
    if (!packet || !frame)
        return false;
    int tried = 0;
    for (int read = 0; read < kMaxPacketsRead && tried < kMaxVideoPacketsTried; ++read) {
        if (av_read_frame(input.Format(), packet.get()) < 0)
            break;
        if (packet->stream_index != stream) {
            av_packet_unref(packet.get());
            continue;
        }
        // A recording cut in mid-stream starts with packets that only lead
        // up to its first key frame; only key frames count as tries.
        if (packet->flags & AV_PKT_FLAG_KEY)
            ++tried;
        const int sent = avcodec_send_packet(decoder.get(), packet.get());
        av_packet_unref(packet.get());
        if (sent < 0)
            continue;  // a damaged packet; the next may do
        if (avcodec_receive_frame(decoder.get(), frame.get()) >= 0)
            return true;
        avcodec_send_packet(decoder.get(), nullptr);
        if (avcodec_receive_frame(decoder.get(), frame.get()) >= 0)
            return true;
        avcodec_flush_buffers(decoder.get());
    }
    return false;
}

}  // namespace

double ProbeVideoDuration(const std::string& path)
{
    Interrupt interrupt;
    interrupt.SetDeadline(kProbeDeadline);
    MediaInput input;
    std::string error;
    OpenLimits limits;
    limits.trustHeader = true;
    if (!input.Open(path, &interrupt, &error, limits) || input.VideoStream() < 0)
        return 0.0;
    const double duration = input.DurationSeconds();
    if (!std::isfinite(duration) || duration <= 0.0)
        return 0.0;
    return DecodesAPicture(input) ? duration : 0.0;
}

}  // namespace tevarro::media
