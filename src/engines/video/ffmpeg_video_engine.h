// Tevarro's video engine on FFmpeg's libraries, in process. See VideoEngine
// for the contract.
//
// Threads: every method is called on the thread that owns this object (the
// UI thread). Encoding and preview run on threads of their own; their
// reports are posted back to this object's thread and emitted there, and
// only while they belong to the current encode or preview: each StartEncode,
// StopEncode, PreviewPlay and PreviewStop moves a generation counter on, and
// a report of an older generation is dropped on arrival.
//
// What the engine chose where the interface leaves room:
// - One video clip and one audio clip; a second AddVideoClip or AddAudioClip
//   before ClearClips returns false and changes nothing.
// - A stretch past the end of the source is cut at the end; the output's
//   length is the video clip's. Without an audio clip, or when the source has
//   no sound, the output gets a silent track.
// - StartEncode never replaces a file: an existing output name fails the
//   encode. StartEncode while an encode runs stops that one first (it then
//   reports nothing).
// - StopEncode leaves LastEncodeResult() Stopped, or Succeeded/Failed when
//   the encode had already ended before the stop.
// - SaveFrameImage replaces an existing image of that name (a thumbnail left
//   by an earlier run); it writes to a temporary name first.
// - The preview plays sound only from the video clip's own file and stretch,
//   and only when the system has an audio output.
#pragma once

#include "engines/video_engine.h"

#include <QImage>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <mutex>

class QAudioSink;

namespace tevarro {

namespace media {
class EncodeJob;
class PreviewPlayer;
class SoundRing;
class SoundDevice;
}  // namespace media

class FfmpegVideoEngine final : public VideoEngine {
    Q_OBJECT
public:
    explicit FfmpegVideoEngine(QObject* parent = nullptr);
    ~FfmpegVideoEngine() override;

    void SetOutputType(int value) override;
    void SetUseOverlay(bool value) override;
    void SetiPodProfile(int index) override;
    void SetVideoSampleSize(int bits) override;
    void SetAspectRatio(bool value) override;

    double GetMediaDuration(const QString& file) override;

    void ClearClips() override;
    bool AddVideoClip(const QString& file, double start, double stop, short transition) override;
    bool AddAudioClip(const QString& file, double start, double stop) override;

    bool SaveFrameImage(const QString& file, double time, const QString& image, int width,
                        int height, short kind) override;

    bool StartEncode(const QString& output) override;
    void StopEncode() override;
    EncodeResult LastEncodeResult() const override;

    bool PreviewPlay() override;
    void PreviewPause() override;
    void PreviewResume() override;
    void PreviewStop() override;

    // The stored properties, for callers that want to read them back.
    int OutputType() const { return outputType_; }
    bool UseOverlay() const { return useOverlay_; }
    int iPodProfile() const { return preset_; }
    int VideoSampleSize() const { return videoSampleSize_; }
    bool AspectRatio() const { return aspectRatio_; }

private:
    struct Clip {
        QString file;
        double start = 0.0;
        double stop = 0.0;
        bool set = false;
    };

    void OnEncodeProgress(quint64 generation, double position, double duration);
    void OnEncodeDone(quint64 generation, const EncodeResult& result, double duration);
    void OfferPreviewFrame(quint64 generation, const QImage& frame);
    void DeliverPreviewFrame();
    void StartPreviewSound();
    void StopPreviewSound();

    // Properties. Stored and readable; the presets fix everything they could
    // otherwise choose.
    int outputType_ = 3;
    bool useOverlay_ = false;
    int preset_ = 4;
    int videoSampleSize_ = 24;
    bool aspectRatio_ = false;

    Clip videoClip_;
    Clip audioClip_;

    std::unique_ptr<media::EncodeJob> encode_;
    quint64 encodeGeneration_ = 0;
    EncodeResult lastResult_;
    double lastProgress_ = 0.0;

    std::unique_ptr<media::PreviewPlayer> preview_;
    quint64 previewGeneration_ = 0;
    std::unique_ptr<media::SoundRing> soundRing_;
    QPointer<QAudioSink> sink_;
    QPointer<media::SoundDevice> soundDevice_;
    QTimer soundClock_;  // hands the output's played time to the ring

    // The one preview picture waiting for the UI thread; a newer one replaces
    // it. Written by the preview's thread, taken on the UI thread.
    std::mutex pendingMutex_;
    QImage pendingFrame_;
    quint64 pendingGeneration_ = 0;
    bool deliveryPosted_ = false;
};

}  // namespace tevarro
