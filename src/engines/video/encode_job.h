// One encode of a clip into an iPod-style MP4, on threads of its own:
//
//   demux + video decode -> [decoded] -> filters + constant rate -> [scaled]
//     -> video encode -> mux            (and)   sound -> resample -> AAC -> mux
//
// Decoding, scaling and encoding run in parallel on separate threads joined by
// small bounded queues. The output is written to "<output>.part" and renamed
// to the output name only when the whole file was written without error; a
// stop or failure removes the partial file.
#pragma once

#include "engines/presets.h"
#include "engines/video_engine.h"
#include "engines/video/av_handles.h"
#include "engines/video/bounded_queue.h"
#include "engines/video/media_input.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace tevarro::media {

struct ClipSource {
    QString file;
    double start = 0.0;  // seconds from the start of the file
    double stop = 0.0;
};

struct EncodeRequest {
    ClipSource video;
    bool hasAudio = false;  // without an audio clip the output gets a silent track
    ClipSource audio;
    Preset preset = kPresets[kDefaultPreset];
    QString output;
};

class EncodeJob {
public:
    // Called on the job's threads. position and duration in seconds of output.
    using ProgressFn = std::function<void(double position, double duration)>;
    // Called once on the job's controller thread when the job has ended; the
    // files are in their final state by then. A job that had finished just as
    // Stop came may still call it; the engine drops that call by its
    // generation count.
    using DoneFn = std::function<void(const EncodeResult& result, double duration)>;

    EncodeJob(EncodeRequest request, ProgressFn progress, DoneFn done);
    ~EncodeJob();  // stops the job
    EncodeJob(const EncodeJob&) = delete;
    EncodeJob& operator=(const EncodeJob&) = delete;

    // Starts the controller thread and returns at once.
    void Start();
    // Ends the work, waits for every thread and removes the partial output.
    // Returns Stopped, or the job's own result when it had already ended.
    EncodeResult Stop();

private:
    void Run();
    bool Prepare();
    bool OpenAudio();
    bool OpenOutput();
    void RunPipeline();
    bool Finish();

    void DemuxAndDecode();
    void FilterVideo();
    void EncodeVideo();
    void EncodeAudio();

    bool DrainEncoder(AVCodecContext* encoder, int streamIndex);
    bool WriteSilence(AVAudioFifo* fifo, int64_t samples);
    bool EncodeFromFifo(AVAudioFifo* fifo, bool last);
    void WaitForVideoToCatchUp(double audioSeconds);
    void ReportProgress(double position);

    void Fail(const std::string& reason);
    void AbortAll();
    std::string Failure();

    const EncodeRequest request_;
    const ProgressFn progress_;
    const DoneFn done_;
    std::thread controller_;

    // Set by Stop (stopRequested_) or by any failure (abort_); every loop and
    // libavformat's interrupt callback watch abort_.
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> abort_{false};
    std::atomic<bool> ended_{false};
    std::mutex failureMutex_;
    std::string failure_;
    EncodeResult result_;  // valid once ended_

    // Everything below is set up by Prepare before the pipeline threads start.
    Interrupt videoInterrupt_{&abort_};
    Interrupt audioInterrupt_{&abort_};
    MediaInput videoInput_;
    std::unique_ptr<MediaInput> ownAudioInput_;
    MediaInput* audioInput_ = nullptr;  // videoInput_, ownAudioInput_ or none
    int audioStream_ = -1;
    bool audioShared_ = false;  // sound comes from the video's demuxer

    av::CodecContextPtr videoDecoder_;
    av::CodecContextPtr audioDecoder_;
    av::CodecContextPtr videoEncoder_;
    av::CodecContextPtr audioEncoder_;
    av::OutputContextPtr output_;
    std::mutex muxMutex_;
    QString partPath_;
    bool partCreated_ = false;

    double videoStart_ = 0.0;
    int videoRotation_ = 0;          // degrees, from the source's metadata
    bool sourceInterlaced_ = false;  // the container says the picture is interlaced
    double videoStop_ = 0.0;
    double audioStart_ = 0.0;
    int64_t audioLimit_ = 0;  // samples the audio clip may give
    double length_ = 0.0;     // seconds of output
    int64_t frameCount_ = 0;  // video frames of output
    int64_t sampleCount_ = 0; // audio samples of output

    BoundedQueue<av::FramePtr> decoded_{1};
    BoundedQueue<av::FramePtr> scaled_{4};
    BoundedQueue<av::PacketPtr> audioPackets_{256};
    std::atomic<bool> audioSatisfied_{false};
    int64_t audioPts_ = 0;  // samples given to the AAC encoder so far

    // How far the video has been encoded, for progress and for keeping the
    // sound from running far ahead of the picture in the muxer's buffers.
    std::mutex gateMutex_;
    std::condition_variable gate_;
    double videoEncodedSeconds_ = 0.0;  // guarded by gateMutex_
    bool videoFinished_ = false;        // guarded by gateMutex_
    std::chrono::steady_clock::time_point lastReport_{};  // video thread only
};

}  // namespace tevarro::media
