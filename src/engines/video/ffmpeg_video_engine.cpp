#include "engines/video/ffmpeg_video_engine.h"

#include "engines/presets.h"
#include "engines/video/encode_job.h"
#include "engines/video/media_input.h"
#include "engines/video/preview_player.h"
#include "engines/video/probe.h"
#include "engines/video/sound_ring.h"
#include "engines/video/still_image.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QFile>
#include <QMediaDevices>
#include <QMetaObject>

namespace tevarro {

namespace {

constexpr int kSoundRingMilliseconds = 500;
constexpr int kSinkBufferMilliseconds = 100;

AVSampleFormat ToAvFormat(QAudioFormat::SampleFormat format)
{
    switch (format) {
    case QAudioFormat::UInt8: return AV_SAMPLE_FMT_U8;
    case QAudioFormat::Int16: return AV_SAMPLE_FMT_S16;
    case QAudioFormat::Int32: return AV_SAMPLE_FMT_S32;
    case QAudioFormat::Float: return AV_SAMPLE_FMT_FLT;
    default: return AV_SAMPLE_FMT_NONE;
    }
}

}  // namespace

FfmpegVideoEngine::FfmpegVideoEngine(QObject* parent) : VideoEngine(parent)
{
    // Damaged sources are expected; the engine reports failures itself
    // instead of letting FFmpeg write to the terminal.
    av_log_set_level(AV_LOG_QUIET);
    // QAudioSink may only be asked on its own thread, so its account of the
    // time played is fetched here and handed to the preview's clock.
    soundClock_.setInterval(10);
    connect(&soundClock_, &QTimer::timeout, this, [this] {
        if (sink_ && soundRing_)
            soundRing_->SetPlayedByOutput(sink_->processedUSecs());
    });
}

FfmpegVideoEngine::~FfmpegVideoEngine()
{
    StopEncode();
    PreviewStop();
}

void FfmpegVideoEngine::SetOutputType(int value) { outputType_ = value; }
void FfmpegVideoEngine::SetUseOverlay(bool value) { useOverlay_ = value; }
void FfmpegVideoEngine::SetVideoSampleSize(int bits) { videoSampleSize_ = bits; }
void FfmpegVideoEngine::SetAspectRatio(bool value) { aspectRatio_ = value; }

void FfmpegVideoEngine::SetiPodProfile(int index)
{
    // An index outside the table keeps the default row rather than failing
    // a whole batch.
    preset_ = index >= 0 && index < kPresetCount ? index : kDefaultPreset;
}

double FfmpegVideoEngine::GetMediaDuration(const QString& file)
{
    if (file.isEmpty())
        return 0.0;
    return media::ProbeVideoDuration(QFile::encodeName(file).toStdString());
}

void FfmpegVideoEngine::ClearClips()
{
    videoClip_ = {};
    audioClip_ = {};
}

bool FfmpegVideoEngine::AddVideoClip(const QString& file, double start, double stop, short transition)
{
    Q_UNUSED(transition);  // one clip: nothing to blend into
    if (videoClip_.set)
        return false;
    // Kept even when unusable, so that StartEncode can say why it fails.
    videoClip_ = {file, start, stop, true};
    return !file.isEmpty() && stop > start;
}

bool FfmpegVideoEngine::AddAudioClip(const QString& file, double start, double stop)
{
    if (audioClip_.set)
        return false;
    audioClip_ = {file, start, stop, true};
    return !file.isEmpty() && stop > start;
}

bool FfmpegVideoEngine::SaveFrameImage(const QString& file, double time, const QString& image,
                                       int width, int height, short kind)
{
    Q_UNUSED(kind);  // always a baseline JPEG
    std::string error;
    return media::SaveStillImage(file, time, image, width, height, &error);
}

// --- encoding ---------------------------------------------------------------

bool FfmpegVideoEngine::StartEncode(const QString& output)
{
    if (encode_) {
        encode_->Stop();
        encode_.reset();
    }
    const quint64 generation = ++encodeGeneration_;
    lastResult_ = {};
    lastProgress_ = 0.0;

    media::EncodeRequest request;
    request.video = {videoClip_.file, videoClip_.start, videoClip_.stop};
    request.hasAudio = audioClip_.set;
    request.audio = {audioClip_.file, audioClip_.start, audioClip_.stop};
    request.preset = kPresets[preset_];
    request.output = output;

    auto progress = [this, generation](double position, double duration) {
        QMetaObject::invokeMethod(
            this, [this, generation, position, duration] { OnEncodeProgress(generation, position, duration); },
            Qt::QueuedConnection);
    };
    auto done = [this, generation](const EncodeResult& result, double duration) {
        QMetaObject::invokeMethod(
            this, [this, generation, result, duration] { OnEncodeDone(generation, result, duration); },
            Qt::QueuedConnection);
    };
    // Every check, even of a missing clip, happens in the job, so that a
    // failure always arrives the same way: as a later OnComplete.
    encode_ = std::make_unique<media::EncodeJob>(std::move(request), progress, done);
    encode_->Start();
    return videoClip_.set && !videoClip_.file.isEmpty() && videoClip_.stop > videoClip_.start;
}

void FfmpegVideoEngine::OnEncodeProgress(quint64 generation, double position, double duration)
{
    if (generation != encodeGeneration_ || position < lastProgress_ || position >= duration)
        return;  // the final report at exactly the duration comes with completion
    lastProgress_ = position;
    emit OnProcessing(position, duration);
}

void FfmpegVideoEngine::OnEncodeDone(quint64 generation, const EncodeResult& result, double duration)
{
    if (generation != encodeGeneration_)
        return;
    encode_.reset();  // its threads have ended or are about to
    lastResult_ = result;
    // OnComplete is an event of its own, posted before the final report is
    // emitted: a handler of that report may wait in a local event loop (the
    // window's completion hint does) for exactly this completion.
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (generation == encodeGeneration_)
                emit OnComplete();
        },
        Qt::QueuedConnection);
    if (result.kind == EncodeResult::Kind::Succeeded)
        emit OnProcessing(duration, duration);
}

void FfmpegVideoEngine::StopEncode()
{
    // Also drops a completion already posted by an encode that has just
    // finished: nothing of an encode arrives after its stop.
    ++encodeGeneration_;
    if (!encode_)
        return;
    const EncodeResult result = encode_->Stop();
    encode_.reset();
    lastResult_ = result;
}

EncodeResult FfmpegVideoEngine::LastEncodeResult() const { return lastResult_; }

// --- preview ----------------------------------------------------------------

void FfmpegVideoEngine::StartPreviewSound()
{
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return;
    QAudioFormat format;
    format.setSampleRate(48000);
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        format = device.preferredFormat();
    if (ToAvFormat(format.sampleFormat()) == AV_SAMPLE_FMT_NONE || format.sampleRate() <= 0
        || format.channelCount() <= 0) {
        return;
    }
    soundRing_ = std::make_unique<media::SoundRing>(
        format.sampleRate(), format.bytesPerFrame(), format.sampleRate() * kSoundRingMilliseconds / 1000);
    soundDevice_ = new media::SoundDevice(soundRing_.get(), this);
    soundDevice_->open(QIODevice::ReadOnly);
    sink_ = new QAudioSink(device, format, this);
    sink_->setBufferSize(format.bytesForDuration(kSinkBufferMilliseconds * 1000));
    sink_->start(soundDevice_);
    if (sink_->error() != QAudio::NoError) {
        StopPreviewSound();  // no usable output after all: play silently
        soundRing_.reset();
        return;
    }
    soundClock_.start();
}

void FfmpegVideoEngine::StopPreviewSound()
{
    soundClock_.stop();
    if (soundRing_)
        soundRing_->Abort();
    if (sink_) {
        sink_->stop();
        delete sink_;
    }
    if (soundDevice_)
        delete soundDevice_;
}

bool FfmpegVideoEngine::PreviewPlay()
{
    PreviewStop();
    if (!videoClip_.set || videoClip_.file.isEmpty() || !(videoClip_.stop > videoClip_.start))
        return false;
    const quint64 generation = ++previewGeneration_;

    const bool soundFromClip = audioClip_.set && audioClip_.file == videoClip_.file
                               && audioClip_.start == videoClip_.start;
    if (soundFromClip)
        StartPreviewSound();
    media::PreviewSound sound;
    if (sink_) {
        const QAudioFormat format = sink_->format();
        sound.ring = soundRing_.get();
        sound.sampleRate = format.sampleRate();
        sound.channels = format.channelCount();
        sound.format = ToAvFormat(format.sampleFormat());
    }

    auto frame = [this, generation](const QImage& image) { OfferPreviewFrame(generation, image); };
    auto position = [this, generation](double seconds) {
        QMetaObject::invokeMethod(
            this,
            [this, generation, seconds] {
                if (generation == previewGeneration_)
                    emit OnPlaying(seconds);
            },
            Qt::QueuedConnection);
    };
    preview_ = std::make_unique<media::PreviewPlayer>(
        media::ClipSource{videoClip_.file, videoClip_.start, videoClip_.stop}, sound, frame, position);
    preview_->Start();
    return true;
}

void FfmpegVideoEngine::OfferPreviewFrame(quint64 generation, const QImage& frame)
{
    {
        std::lock_guard lock(pendingMutex_);
        pendingFrame_ = frame;
        pendingGeneration_ = generation;
        if (deliveryPosted_)
            return;  // the UI has not taken the last one: this one replaces it
        deliveryPosted_ = true;
    }
    QMetaObject::invokeMethod(this, [this] { DeliverPreviewFrame(); }, Qt::QueuedConnection);
}

void FfmpegVideoEngine::DeliverPreviewFrame()
{
    QImage frame;
    quint64 generation = 0;
    {
        std::lock_guard lock(pendingMutex_);
        frame.swap(pendingFrame_);
        generation = pendingGeneration_;
        deliveryPosted_ = false;
    }
    if (generation == previewGeneration_ && !frame.isNull())
        emit OnPreviewFrame(frame);
}

void FfmpegVideoEngine::PreviewPause()
{
    if (!preview_)
        return;
    preview_->Pause();
    if (sink_)
        sink_->suspend();
}

void FfmpegVideoEngine::PreviewResume()
{
    if (!preview_)
        return;
    preview_->Resume();
    if (sink_)
        sink_->resume();
}

void FfmpegVideoEngine::PreviewStop()
{
    if (soundRing_)
        soundRing_->Abort();  // a decoder waiting for room in the ring wakes up
    if (preview_) {
        preview_->Stop();
        preview_.reset();
    }
    StopPreviewSound();
    soundRing_.reset();
    ++previewGeneration_;
    std::lock_guard lock(pendingMutex_);
    pendingFrame_ = QImage();
}

}  // namespace tevarro
