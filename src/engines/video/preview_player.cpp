#include "engines/video/preview_player.h"

#include "engines/video/audio_convert.h"
#include "engines/video/media_input.h"
#include "engines/video/sound_ring.h"
#include "engines/video/video_filter.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tevarro::media {

namespace {

constexpr auto kPositionInterval = std::chrono::milliseconds(200);
constexpr double kLateSeconds = 0.1;  // a picture this late is skipped

QImage ToImage(const AVFrame* frame)
{
    // AV_PIX_FMT_RGB32 is QImage's RGB32 layout: 0xAARRGGBB in native order.
    QImage image(frame->width, frame->height, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    const int rowBytes = frame->width * 4;
    for (int y = 0; y < frame->height; ++y)
        std::memcpy(image.scanLine(y), frame->data[0] + y * frame->linesize[0], rowBytes);
    return image;
}

}  // namespace

PreviewPlayer::PreviewPlayer(ClipSource clip, PreviewSound sound, FrameFn frame, PositionFn position)
    : clip_(std::move(clip)), sound_(sound), frameFn_(std::move(frame)), positionFn_(std::move(position))
{
}

PreviewPlayer::~PreviewPlayer() { Stop(); }

void PreviewPlayer::Start()
{
    decoder_ = std::thread([this] { Decode(); });
    presenter_ = std::thread([this] { Present(); });
}

void PreviewPlayer::Stop()
{
    stop_ = true;
    pictures_.Abort();
    if (sound_.ring)
        sound_.ring->Abort();
    {
        std::lock_guard lock(clockMutex_);
        resumed_.notify_all();
    }
    if (decoder_.joinable())
        decoder_.join();
    if (presenter_.joinable())
        presenter_.join();
}

void PreviewPlayer::Pause()
{
    std::lock_guard lock(clockMutex_);
    if (!paused_) {
        paused_ = true;
        pausedAt_ = std::chrono::steady_clock::now();
    }
}

void PreviewPlayer::Resume()
{
    std::lock_guard lock(clockMutex_);
    if (paused_) {
        paused_ = false;
        clockZero_ += std::chrono::steady_clock::now() - pausedAt_;
        resumed_.notify_all();
    }
}

double PreviewPlayer::Clock() const
{
    double seconds = 0.0;
    if (sound_.ring) {
        seconds = sound_.ring->HeardSeconds();
    } else {
        std::lock_guard lock(clockMutex_);
        if (clockRunning_) {
            const auto now = paused_ ? pausedAt_ : std::chrono::steady_clock::now();
            seconds = std::chrono::duration<double>(now - clockZero_).count();
        }
    }
    const double length = length_.load();
    return length > 0.0 ? std::min(seconds, length) : seconds;
}

void PreviewPlayer::ReportPosition(bool force)
{
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastReport_ < kPositionInterval)
        return;
    lastReport_ = now;
    if (!stop_)
        positionFn_(Clock());
}

bool PreviewPlayer::WaitUntil(double seconds)
{
    while (!stop_) {
        {
            std::unique_lock lock(clockMutex_);
            if (paused_) {
                resumed_.wait_for(lock, std::chrono::milliseconds(50));
                continue;
            }
        }
        const double now = Clock();
        if (now >= seconds)
            return true;
        ReportPosition(false);
        const double wait = std::clamp(seconds - now, 0.001, 0.01);
        std::this_thread::sleep_for(std::chrono::duration<double>(wait));
    }
    return false;
}

void PreviewPlayer::Present()
{
    bool first = true;
    while (std::optional<Picture> picture = pictures_.Pop()) {
        if (first) {
            // The first picture shows at once and starts the system clock.
            first = false;
            std::lock_guard lock(clockMutex_);
            clockRunning_ = true;
            clockZero_ = std::chrono::steady_clock::now()
                         - std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                             std::chrono::duration<double>(std::max(0.0, picture->seconds)));
            if (paused_)
                pausedAt_ = std::chrono::steady_clock::now();
        } else {
            if (!WaitUntil(picture->seconds))
                return;
            if (Clock() > picture->seconds + kLateSeconds)
                continue;
        }
        if (stop_)
            return;
        frameFn_(picture->image);
        ReportPosition(false);
    }
    if (stop_)
        return;
    // Let the last picture (and the sound) run to the end of the clip.
    if (WaitUntil(length_.load()))
        ReportPosition(true);
}

void PreviewPlayer::Decode()
{
    Interrupt interrupt(&stop_);
    MediaInput input;
    std::string error;
    if (!input.Open(QFile::encodeName(clip_.file).toStdString(), &interrupt, &error)
        || input.VideoStream() < 0) {
        pictures_.Close();
        return;
    }
    const double start = std::max(0.0, clip_.start);
    double stop = clip_.stop;
    const double sourceLength = input.DurationSeconds();
    if (sourceLength > 0.0)
        stop = std::min(stop, sourceLength);
    if (!(stop > start)) {
        pictures_.Close();
        return;
    }
    length_ = stop - start;

    const int videoStream = input.VideoStream();
    av::CodecContextPtr video = input.OpenDecoder(videoStream, 0, &error);
    if (!video) {
        pictures_.Close();
        return;
    }
    const int audioStream = sound_.ring ? input.AudioStream() : -1;
    av::CodecContextPtr audio = audioStream >= 0 ? input.OpenDecoder(audioStream, 1, &error) : nullptr;
    AudioConverter converter(sound_.sampleRate, sound_.channels, sound_.format);
    const int64_t totalFrames = std::llround(length_.load() * sound_.sampleRate);
    int64_t soundPosition = -1;  // timeline position of the next sound frame; -1 before the first
    bool soundEnded = !audio;
    if (sound_.ring && !audio)
        sound_.ring->StartClock();

    PictureTarget target;
    target.width = kMaxWidth;
    target.height = kMaxHeight;
    target.format = AV_PIX_FMT_RGB32;
    target.letterbox = false;
    target.rotation = input.VideoRotation();
    target.deinterlace = false;
    std::unique_ptr<VideoFilter> filter;

    input.SeekTo(start);
    av::PacketPtr packet = av::MakePacket();
    av::FramePtr frame = av::MakeFrame();
    av::FramePtr converted = av::MakeFrame();
    av::FramePtr before;
    bool videoEnded = false;

    auto deliver = [&]() -> bool {
        while (filter->Pull(converted.get()) >= 0) {
            Picture picture;
            picture.seconds = converted->pts * av_q2d(filter->OutputTimeBase());
            picture.image = ToImage(converted.get());
            av_frame_unref(converted.get());
            // The picture waits on the clock; do not let the clock wait on
            // sound that sits behind this picture in the file.
            if (sound_.ring && pictures_.Full())
                sound_.ring->StartClock();
            if (!pictures_.Push(std::move(picture)))
                return false;
        }
        return true;
    };
    auto show = [&](av::FramePtr decoded) -> bool {
        if (!filter) {
            target.deinterlace = decoded->interlaced_frame;
            filter = std::make_unique<VideoFilter>(target, AV_TIME_BASE_Q);
        }
        return filter->Push(decoded.get()) >= 0 && deliver();
    };
    auto takeVideo = [&]() -> bool {
        while (!videoEnded && avcodec_receive_frame(video.get(), frame.get()) >= 0) {
            const int64_t ts = frame->best_effort_timestamp;
            const double t = ts != AV_NOPTS_VALUE ? input.ToSeconds(videoStream, ts) : start;
            if (t >= stop) {
                videoEnded = true;
                break;
            }
            av::FramePtr taken = av::MakeFrame();
            av_frame_move_ref(taken.get(), frame.get());
            taken->pts = std::llround(std::max(0.0, t - start) * AV_TIME_BASE);
            if (t < start) {
                before = std::move(taken);
                continue;
            }
            if (before && !show(std::move(before)))
                return false;
            if (!show(std::move(taken)))
                return false;
        }
        av_frame_unref(frame.get());
        return true;
    };
    auto takeAudio = [&]() -> bool {
        while (!soundEnded && avcodec_receive_frame(audio.get(), frame.get()) >= 0) {
            if (soundPosition < 0) {
                const int64_t ts = frame->best_effort_timestamp;
                const double t = ts != AV_NOPTS_VALUE ? input.ToSeconds(audioStream, ts) : start;
                soundPosition = std::llround((t - start) * sound_.sampleRate);
            }
            const int n = converter.Convert(frame.get(), converted.get());
            av_frame_unref(frame.get());
            if (n <= 0)
                continue;
            // Packed formats only: one plane of interleaved frames.
            const int bytesPerFrame = av_get_bytes_per_sample(sound_.format) * sound_.channels;
            const uint8_t* data = converted->data[0];
            int count = n;
            if (soundPosition < 0) {  // sound from before the clip's start
                const int skip = static_cast<int>(std::min<int64_t>(-soundPosition, count));
                data += skip * bytesPerFrame;
                count -= skip;
                soundPosition += skip;
            }
            count = static_cast<int>(std::min<int64_t>(count, totalFrames - soundPosition));
            if (count > 0 && !sound_.ring->Write(data, soundPosition, count))
                return false;
            soundPosition += std::max(count, 0);
            av_frame_unref(converted.get());
            if (soundPosition >= totalFrames)
                soundEnded = true;
        }
        return true;
    };

    while (!stop_ && !(videoEnded && soundEnded)) {
        if (av_read_frame(input.Format(), packet.get()) < 0)
            break;
        bool ok = true;
        if (packet->stream_index == videoStream && !videoEnded) {
            input.SkipUnneededBefore(start, packet.get(), video.get());
            avcodec_send_packet(video.get(), packet.get());
            ok = takeVideo();
        } else if (packet->stream_index == audioStream && !soundEnded) {
            avcodec_send_packet(audio.get(), packet.get());
            ok = takeAudio();
        }
        av_packet_unref(packet.get());
        if (!ok)
            break;
    }
    if (!stop_ && !videoEnded) {
        avcodec_send_packet(video.get(), nullptr);
        takeVideo();
    }
    if (!stop_ && before)
        show(std::move(before));
    if (!stop_ && filter) {
        filter->Push(nullptr);
        deliver();
    }
    if (sound_.ring)
        sound_.ring->StartClock();
    pictures_.Close();
}

}  // namespace tevarro::media
