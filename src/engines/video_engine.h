// The video engine as Tevarro uses it: probing, clips, encoding, stills and
// preview. The window talks only to this interface; FfmpegVideoEngine is the
// real implementation and tests use a scripted double.
//
// Threads: every call is made on the UI thread. Implementations do their work
// on threads of their own and deliver every signal on the UI thread (queued),
// never inside a call to the engine.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>

namespace tevarro {

// How the last encode ended. Set before OnComplete is delivered and kept until
// the next StartEncode.
struct EncodeResult {
    enum class Kind { None, Succeeded, Stopped, Failed };
    Kind kind = Kind::None;
    QString message;  // readable reason when Failed; empty otherwise
};

class VideoEngine : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~VideoEngine() override = default;

    // Properties, read by the next StartEncode or PreviewPlay.
    virtual void SetOutputType(int value) = 0;
    virtual void SetUseOverlay(bool value) = 0;
    virtual void SetiPodProfile(int index) = 0;  // preset 0..10
    virtual void SetVideoSampleSize(int bits) = 0;
    virtual void SetAspectRatio(bool value) = 0;

    // Length in seconds of a file the engine can convert (one with a decodable
    // video stream); 0.0 for anything else. Bounded in time; never throws.
    virtual double GetMediaDuration(const QString& file) = 0;

    // The clip set: the stretch [start, stop) of a source, in seconds.
    virtual void ClearClips() = 0;
    virtual bool AddVideoClip(const QString& file, double start, double stop, short transition) = 0;
    virtual bool AddAudioClip(const QString& file, double start, double stop) = 0;

    // Writes the frame at `time` of `file`, letterboxed to width x height, as a
    // baseline JPEG. Synchronous; false when the file cannot be read or the
    // image cannot be written.
    virtual bool SaveFrameImage(const QString& file, double time, const QString& image,
                                int width, int height, short kind) = 0;

    // Starts encoding the clip set into `output` and returns at once.
    // OnComplete follows exactly once, always after this call has returned,
    // also when the encode fails at once.
    virtual bool StartEncode(const QString& output) = 0;
    // Stops a running encode and returns when its work has stopped and its
    // partial output is gone. No signal of the stopped encode arrives later.
    // Harmless when nothing runs.
    virtual void StopEncode() = 0;
    virtual EncodeResult LastEncodeResult() const = 0;

    // Plays the clip set: frames through OnPreviewFrame, the position through
    // OnPlaying. Returns at once. After PreviewStop returns nothing of the
    // stopped preview arrives. Pause, resume and stop without a preview do
    // nothing harmful.
    virtual bool PreviewPlay() = 0;
    virtual void PreviewPause() = 0;
    virtual void PreviewResume() = 0;
    virtual void PreviewStop() = 0;

signals:
    void OnComplete();
    // iCurPos rises to iDuration (> 0), a few times a second; a last report at
    // exactly iDuration precedes OnComplete.
    void OnProcessing(double iCurPos, double iDuration);
    // Seconds from the start of the clip being previewed.
    void OnPlaying(double iCurrent);
    // The newest preview picture; frames the UI has not taken yet are replaced,
    // not queued.
    void OnPreviewFrame(const QImage& frame);
};

}  // namespace tevarro
