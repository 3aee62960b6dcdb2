// The preview's sound path and its clock. The decoder thread writes PCM
// placed on the clip's timeline; the audio output pulls it through
// SoundDevice on the UI thread. What the output reports as played is the
// preview's clock, so the picture follows the sound. Where no sound is ready
// once playing has begun, silence is played and time still passes; sound
// that arrives after its moment is dropped, so the two never drift apart.
#pragma once

#include <QIODevice>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace tevarro::media {

class SoundRing {
public:
    SoundRing(int sampleRate, int bytesPerFrame, int capacityFrames);

    // Decoder thread. `frames` frames of PCM that belong at `position`
    // (frames from the start of the clip). Waits while the ring is full;
    // false once aborted.
    bool Write(const uint8_t* data, int64_t position, int frames);
    // Lets the clock run on silence before any sound has arrived (used when
    // the picture would otherwise wait for sound that is not coming).
    void StartClock();
    // Ends every wait; later writes are refused.
    void Abort();

    // Output side: fills maxBytes with sound or silence and advances the
    // clock. Before the first sound (and StartClock) it plays silence
    // without advancing.
    int64_t Read(char* out, int64_t maxBytes);

    // What the output says it has played since it started, silence before
    // the sound included (QAudioSink::processedUSecs). UI thread, often.
    void SetPlayedByOutput(int64_t microseconds);
    // Seconds of the clip the listener has heard: the output's account,
    // less the silence it played before the sound began, carried forward
    // between two accounts while the output is playing.
    double HeardSeconds() const;
    int BytesPerFrame() const { return bytesPerFrame_; }
    int SampleRate() const { return sampleRate_; }

private:
    const int sampleRate_;
    const int bytesPerFrame_;
    const int64_t capacityFrames_;
    mutable std::mutex mutex_;
    std::condition_variable space_;
    std::vector<char> buffer_;   // a ring of capacityFrames_ frames
    int64_t begin_ = 0;          // timeline position of the oldest frame held
    int64_t count_ = 0;          // frames held
    std::atomic<int64_t> played_{0};      // timeline position of what was read
    std::atomic<int64_t> idleFrames_{0};  // silence read before the clock ran
    std::atomic<int64_t> outputFrames_{0};  // the output's account, in frames
    std::atomic<int64_t> accountTime_{0};   // steady clock of that account, ns
    std::atomic<bool> outputMoving_{false}; // the last account was ahead of the one before
    bool running_ = false;
    bool aborted_ = false;
};

// The pull-mode source a QAudioSink reads from. Lives on the sink's thread.
class SoundDevice : public QIODevice {
    Q_OBJECT
public:
    SoundDevice(SoundRing* ring, QObject* parent);
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    SoundRing* ring_;
};

}  // namespace tevarro::media
