// A video engine for tests: it records every call, answers probes from a table,
// and plays a script for each encode. Events are posted to the event loop, so
// they arrive as the real engine's do: later, on the UI thread.
#pragma once

#include "engines/video_engine.h"

#include <QHash>
#include <QStringList>
#include <functional>

namespace tevarro::testing {

class ScriptedVideoEngine : public VideoEngine {
    Q_OBJECT
public:
    enum class Plan {
        Succeed,   // progress to the end, write the output, complete
        Fail,      // complete with a failure at once
        Hang,      // never complete; only a stop ends it
    };

    // Every call, in order, e.g. "AddVideoClip(/a.avi,0,5,0)".
    QStringList calls;
    QHash<QString, double> durations;  // GetMediaDuration answers; 0.0 otherwise
    Plan plan = Plan::Succeed;
    double clipLength = 5.0;           // what progress reports count up to
    int encodesStarted = 0;
    // Called by each StartEncode before the plan runs (tests use it to act
    // between rows); may be empty.
    std::function<void(int encodeIndex)> onStartEncode;

    QString lastClipFile;

    void SetOutputType(int value) override;
    void SetUseOverlay(bool value) override;
    void SetiPodProfile(int index) override;
    void SetVideoSampleSize(int bits) override;
    void SetAspectRatio(bool value) override;
    double GetMediaDuration(const QString& file) override;
    void ClearClips() override;
    bool AddVideoClip(const QString& file, double start, double stop, short transition) override;
    bool AddAudioClip(const QString& file, double start, double stop) override;
    bool SaveFrameImage(const QString& file, double time, const QString& image, int width, int height,
                        short kind) override;
    bool StartEncode(const QString& output) override;
    void StopEncode() override;
    EncodeResult LastEncodeResult() const override { return result_; }
    bool PreviewPlay() override;
    void PreviewPause() override;
    void PreviewResume() override;
    void PreviewStop() override;

    // Calls whose text starts with `prefix`.
    QStringList CallsStartingWith(const QString& prefix) const;

private:
    void Post(std::function<void()> work);

    EncodeResult result_;
    int generation_ = 0;
};

}  // namespace tevarro::testing
