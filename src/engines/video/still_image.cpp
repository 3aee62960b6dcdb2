#include "engines/video/still_image.h"

#include "engines/video/media_input.h"
#include "engines/video/video_filter.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <chrono>

namespace tevarro::media {

namespace {

constexpr auto kDeadline = std::chrono::seconds(10);
constexpr int kMaxFramesAfterSeek = 1000;
// A player reads small thumbnails; a busy picture gets coarser steps until
// it fits.
constexpr int kTargetBytes = 12 * 1024;
constexpr int kQualitySteps[] = {3, 5, 8, 12, 20, 31};

// The decoded picture on screen at `time`: the last one that starts at or
// before it, or the first one when none does.
av::FramePtr DecodePictureAt(MediaInput& input, double time, std::string* error)
{
    const int stream = input.VideoStream();
    av::CodecContextPtr decoder = input.OpenDecoder(stream, 1, error);
    if (!decoder)
        return nullptr;
    input.SeekTo(time);

    av::PacketPtr packet = av::MakePacket();
    av::FramePtr frame = av::MakeFrame();
    av::FramePtr chosen;
    int frames = 0;
    bool done = false;
    auto take = [&] {
        while (!done && avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            ++frames;
            const int64_t ts = frame->best_effort_timestamp;
            const bool later = ts != AV_NOPTS_VALUE && input.ToSeconds(stream, ts) > time + 1e-6;
            if (later && chosen) {
                done = true;
                break;
            }
            chosen = av::MakeFrame();
            av_frame_move_ref(chosen.get(), frame.get());
            done = later || frames > kMaxFramesAfterSeek;
        }
        av_frame_unref(frame.get());
    };
    while (!done && av_read_frame(input.Format(), packet.get()) >= 0) {
        if (packet->stream_index == stream) {
            input.SkipUnneededBefore(time, packet.get(), decoder.get());
            avcodec_send_packet(decoder.get(), packet.get());
        }
        av_packet_unref(packet.get());
        take();
    }
    if (!done) {
        avcodec_send_packet(decoder.get(), nullptr);
        take();
    }
    if (!chosen)
        *error = "no picture could be decoded";
    return chosen;
}

av::FramePtr Letterbox(MediaInput& input, AVFrame* picture, int width, int height,
                       std::string* error)
{
    PictureTarget target;
    target.width = width;
    target.height = height;
    target.format = AV_PIX_FMT_YUVJ420P;  // full-range, as JPEG stores it
    target.letterbox = true;
    target.rotation = input.VideoRotation();
    target.deinterlace = picture->interlaced_frame;
    target.scaler = "bicubic";
    VideoFilter filter(target, AVRational{1, 1});
    picture->pts = 0;
    av::FramePtr out = av::MakeFrame();
    if (filter.Push(picture) < 0 || filter.Push(nullptr) < 0 || filter.Pull(out.get()) < 0) {
        *error = filter.Error().empty() ? "cannot scale the picture" : filter.Error();
        return nullptr;
    }
    return out;
}

bool EncodeJpeg(AVFrame* picture, int quality, std::string* jpeg)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    if (!codec)
        return false;
    av::CodecContextPtr ctx(avcodec_alloc_context3(codec));
    ctx->width = picture->width;
    ctx->height = picture->height;
    ctx->pix_fmt = AV_PIX_FMT_YUVJ420P;
    ctx->color_range = AVCOL_RANGE_JPEG;
    ctx->time_base = AVRational{1, 25};
    ctx->flags |= AV_CODEC_FLAG_QSCALE;
    ctx->global_quality = quality * FF_QP2LAMBDA;
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0)
        return false;
    picture->quality = ctx->global_quality;
    picture->pict_type = AV_PICTURE_TYPE_NONE;
    av::PacketPtr packet = av::MakePacket();
    if (avcodec_send_frame(ctx.get(), picture) < 0 || avcodec_send_frame(ctx.get(), nullptr) < 0
        || avcodec_receive_packet(ctx.get(), packet.get()) < 0) {
        return false;
    }
    jpeg->assign(reinterpret_cast<const char*>(packet->data), packet->size);
    return true;
}

}  // namespace

bool SaveStillImage(const QString& file, double time, const QString& image, int width, int height,
                    std::string* error)
{
    if (width < 2 || height < 2 || width > 4096 || height > 4096) {
        *error = "unusable image size";
        return false;
    }
    Interrupt interrupt;
    interrupt.SetDeadline(kDeadline);
    MediaInput input;
    if (!input.Open(QFile::encodeName(file).toStdString(), &interrupt, error))
        return false;
    if (input.VideoStream() < 0) {
        *error = "no video stream";
        return false;
    }
    av::FramePtr picture = DecodePictureAt(input, std::max(0.0, time), error);
    if (!picture)
        return false;
    // Even sizes keep the chroma planes whole.
    av::FramePtr boxed = Letterbox(input, picture.get(), width & ~1, height & ~1, error);
    if (!boxed)
        return false;

    std::string jpeg;
    for (int quality : kQualitySteps) {
        if (!EncodeJpeg(boxed.get(), quality, &jpeg)) {
            *error = "cannot encode the JPEG image";
            return false;
        }
        if (jpeg.size() <= kTargetBytes)
            break;
    }
    QSaveFile out(image);
    if (!out.open(QIODevice::WriteOnly)
        || out.write(jpeg.data(), static_cast<qint64>(jpeg.size())) != static_cast<qint64>(jpeg.size())
        || !out.commit()) {
        *error = "cannot write " + image.toStdString() + ": " + out.errorString().toStdString();
        return false;
    }
    return true;
}

}  // namespace tevarro::media
