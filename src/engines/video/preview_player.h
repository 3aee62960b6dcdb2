// Plays one clip for the preview: a decoder thread turns the picture into
// QImages and the sound into PCM for a SoundRing; a presenter thread hands
// each picture on when the clock reaches it and reports the position a few
// times a second. The clock is the sound output's when there is one, else
// the system clock. Pictures that are late are skipped.
#pragma once

#include "engines/video/bounded_queue.h"
#include "engines/video/encode_job.h"

#include <QImage>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

extern "C" {
#include <libavutil/samplefmt.h>
}

namespace tevarro::media {

class SoundRing;

struct PreviewSound {
    SoundRing* ring = nullptr;  // nullptr: play silently by the system clock
    int sampleRate = 48000;
    int channels = 2;
    AVSampleFormat format = AV_SAMPLE_FMT_S16;
};

class PreviewPlayer {
public:
    // Both called on the player's threads.
    using FrameFn = std::function<void(const QImage& frame)>;
    using PositionFn = std::function<void(double seconds)>;

    PreviewPlayer(ClipSource clip, PreviewSound sound, FrameFn frame, PositionFn position);
    ~PreviewPlayer();  // stops
    PreviewPlayer(const PreviewPlayer&) = delete;
    PreviewPlayer& operator=(const PreviewPlayer&) = delete;

    void Start();
    void Pause();
    void Resume();
    // Returns when both threads have ended; no callback runs after that.
    void Stop();

    // The largest picture handed on; smaller sources keep their size.
    static constexpr int kMaxWidth = 640;
    static constexpr int kMaxHeight = 480;

private:
    struct Picture {
        QImage image;
        double seconds = 0.0;  // from the start of the clip
    };

    void Decode();
    void Present();
    double Clock() const;  // seconds from the start of the clip
    // Waits until the clock reaches `seconds`; reports the position meanwhile.
    // False when stopped.
    bool WaitUntil(double seconds);
    void ReportPosition(bool force);

    const ClipSource clip_;
    const PreviewSound sound_;
    const FrameFn frameFn_;
    const PositionFn positionFn_;
    std::atomic<bool> stop_{false};
    std::thread decoder_;
    std::thread presenter_;
    BoundedQueue<Picture> pictures_{3};
    std::atomic<double> length_{0.0};

    // The system clock used without sound, and pausing.
    mutable std::mutex clockMutex_;
    std::condition_variable resumed_;
    bool paused_ = false;
    bool clockRunning_ = false;
    std::chrono::steady_clock::time_point clockZero_{};
    std::chrono::steady_clock::time_point pausedAt_{};
    std::chrono::steady_clock::time_point lastReport_{};  // presenter only
};

}  // namespace tevarro::media
