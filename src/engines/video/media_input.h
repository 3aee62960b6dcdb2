// Opening a local media file for reading, bounded and restricted: only the
// "file" protocol, no demuxers that pull in other files or the network
// (playlists, concat lists, image sequences), an interrupt callback with a
// deadline and a cancel flag. Shared by the probe, the encoder, the still
// image and the preview. No Qt here, so the probe's fuzzer stays small.
#pragma once

#include "engines/video/av_handles.h"

#include <atomic>
#include <chrono>
#include <string>

namespace tevarro::media {

// Polled by libavformat while it waits for I/O; a blocking open or read gives
// up once the deadline has passed or the cancel flag is set.
class Interrupt {
public:
    using Clock = std::chrono::steady_clock;

    explicit Interrupt(const std::atomic<bool>* cancel = nullptr) : cancel_(cancel) {}
    void SetDeadline(Clock::duration fromNow) { deadline_ = Clock::now() + fromNow; }
    void ClearDeadline() { deadline_ = Clock::time_point::max(); }
    bool Triggered() const;
    AVIOInterruptCB Callback() { return AVIOInterruptCB{&Interrupt::Poll, this}; }

private:
    static int Poll(void* opaque);
    const std::atomic<bool>* cancel_;
    Clock::time_point deadline_ = Clock::time_point::max();
};

// Limits on how much libavformat reads to recognise a file and its streams.
struct OpenLimits {
    int64_t probeSize = 5'000'000;           // bytes
    int64_t analyzeDuration = 5'000'000;     // microseconds
    // Skip reading and decoding the first packets of each stream when the
    // container's header already names the codecs and the length (MP4, MKV,
    // AVI, ASF). Enough for a length; not for decoding parameters.
    bool trustHeader = false;
};

// Tunes the C library's allocator for FFmpeg's way of using memory:
// - keep freed memory in the process (16 MiB of slack) instead of handing it
//   back to the kernel at once. FFmpeg frees and reallocates multi-megabyte
//   buffers for every file; returning them makes each probe pay hundreds of
//   page faults, which cost more than the decoding itself;
// - one heap for all threads. A pipeline frees on one thread what another
//   allocated; with a heap per thread the freed space lingers in heaps that
//   no longer need it, and peak memory grows by a tenth.
// This changes the allocator of the whole process and is not undone, so the
// engine never calls it: a program calls it once at the top of main, before
// its other threads exist (the arena limit only binds threads that allocate
// afterwards). Idempotent; glibc only (a no-op elsewhere).
void TuneAllocatorForMedia();

class MediaInput {
public:
    MediaInput() = default;
    MediaInput(const MediaInput&) = delete;
    MediaInput& operator=(const MediaInput&) = delete;

    // Opens `path` (UTF-8) and reads its stream information. `interrupt` must
    // outlive this object. On failure returns false and sets `error`.
    bool Open(const std::string& path, Interrupt* interrupt, std::string* error,
              const OpenLimits& limits = {});

    AVFormatContext* Format() const { return format_.get(); }
    // The video stream to convert (cover art does not count), or -1.
    int VideoStream() const { return videoStream_; }
    int AudioStream() const { return audioStream_; }
    AVStream* Stream(int index) const { return format_->streams[index]; }

    // Seconds from the start of the file to the end, 0.0 when unknown.
    double DurationSeconds() const;
    // A timestamp of `stream` as seconds from the start of the file (the
    // position callers give clip times in).
    double ToSeconds(int stream, int64_t ts) const;
    int64_t FromSeconds(int stream, double seconds) const;

    // Positions the demuxer at or before `seconds` (a key frame of the video
    // stream when there is one). At 0.0 it does nothing. False when the
    // demuxer cannot seek; reading then continues from where it was.
    bool SeekTo(double seconds);

    // A decoder for `stream`, opened. threads: 0 lets FFmpeg choose.
    av::CodecContextPtr OpenDecoder(int stream, int threads, std::string* error) const;

    // Decoding towards `target` seconds after a seek: while `packet` lies
    // well before it, `decoder` skips the pictures that no other picture
    // refers to (most B-frames); they would only be thrown away.
    void SkipUnneededBefore(double target, const AVPacket* packet, AVCodecContext* decoder) const;

    // Clockwise rotation in degrees (0, 90, 180 or 270) that stands the
    // video stream's picture upright, from its display matrix or "rotate" tag.
    int VideoRotation() const;

private:
    // Destroyed in reverse order: the format context first, then the I/O it read.
    av::IoContextPtr io_;
    av::InputContextPtr format_;
    double originSeconds_ = 0.0;
    int videoStream_ = -1;
    int audioStream_ = -1;
};

}  // namespace tevarro::media
