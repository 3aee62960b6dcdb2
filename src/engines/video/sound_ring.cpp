#include "engines/video/sound_ring.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace tevarro::media {

SoundRing::SoundRing(int sampleRate, int bytesPerFrame, int capacityFrames)
    : sampleRate_(sampleRate),
      bytesPerFrame_(bytesPerFrame),
      capacityFrames_(capacityFrames),
      buffer_(static_cast<size_t>(capacityFrames) * bytesPerFrame)
{
}

bool SoundRing::Write(const uint8_t* data, int64_t position, int frames)
{
    std::unique_lock lock(mutex_);
    while (frames > 0) {
        if (aborted_)
            return false;
        if (count_ == 0)
            begin_ = std::max(position, played_.load());
        // Too late for what has been played already: drop it.
        const int64_t late = begin_ + count_ - position;
        if (late > 0) {
            const int64_t skip = std::min<int64_t>(late, frames);
            data += skip * bytesPerFrame_;
            position += skip;
            frames -= static_cast<int>(skip);
            continue;
        }
        if (count_ == capacityFrames_) {
            space_.wait(lock);
            continue;
        }
        // A gap before `position` is filled with silence.
        const bool gap = position > begin_ + count_;
        const int64_t room = capacityFrames_ - count_;
        const int64_t n = gap ? std::min(room, position - (begin_ + count_))
                              : std::min<int64_t>(room, frames);
        for (int64_t i = 0; i < n; ++i) {
            const int64_t slot = (begin_ + count_ + i) % capacityFrames_;
            char* dst = buffer_.data() + slot * bytesPerFrame_;
            if (gap)
                std::memset(dst, 0, bytesPerFrame_);
            else
                std::memcpy(dst, data + i * bytesPerFrame_, bytesPerFrame_);
        }
        count_ += n;
        if (!gap) {
            data += n * bytesPerFrame_;
            position += n;
            frames -= static_cast<int>(n);
        }
        running_ = true;
    }
    return true;
}

void SoundRing::StartClock()
{
    std::lock_guard lock(mutex_);
    running_ = true;
}

void SoundRing::Abort()
{
    std::lock_guard lock(mutex_);
    aborted_ = true;
    space_.notify_all();
}

int64_t SoundRing::Read(char* out, int64_t maxBytes)
{
    const int64_t frames = maxBytes / bytesPerFrame_;
    std::lock_guard lock(mutex_);
    std::memset(out, 0, static_cast<size_t>(frames * bytesPerFrame_));
    if (!running_) {
        idleFrames_ += frames;
        return frames * bytesPerFrame_;
    }
    const int64_t played = played_.load();
    // Frames held at positions [begin_, begin_ + count_); the output is at `played`.
    if (count_ > 0 && begin_ < played) {
        const int64_t stale = std::min(count_, played - begin_);
        begin_ += stale;
        count_ -= stale;
    }
    for (int64_t i = 0; i < frames; ++i) {
        const int64_t position = played + i;
        if (count_ > 0 && position == begin_) {
            const int64_t slot = begin_ % capacityFrames_;
            std::memcpy(out + i * bytesPerFrame_, buffer_.data() + slot * bytesPerFrame_, bytesPerFrame_);
            ++begin_;
            --count_;
        }
    }
    played_ = played + frames;
    space_.notify_all();
    return frames * bytesPerFrame_;
}

namespace {
int64_t SteadyNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

void SoundRing::SetPlayedByOutput(int64_t microseconds)
{
    const int64_t frames = microseconds * sampleRate_ / 1'000'000;
    outputMoving_ = frames > outputFrames_.load();
    outputFrames_ = frames;
    accountTime_ = SteadyNanoseconds();
}

double SoundRing::HeardSeconds() const
{
    // Accounts come every few milliseconds; in between, a playing output
    // moves on with the system clock (a little at most).
    constexpr int64_t kMaxCarryNs = 30'000'000;
    double heard = static_cast<double>(outputFrames_.load() - idleFrames_.load());
    if (outputMoving_) {
        const int64_t since = std::min(SteadyNanoseconds() - accountTime_.load(), kMaxCarryNs);
        heard += static_cast<double>(std::max<int64_t>(since, 0)) * sampleRate_ / 1e9;
    }
    heard = std::clamp(heard, 0.0, static_cast<double>(played_.load()));
    return heard / sampleRate_;
}

SoundDevice::SoundDevice(SoundRing* ring, QObject* parent) : QIODevice(parent), ring_(ring) {}

qint64 SoundDevice::bytesAvailable() const
{
    // Silence fills any gap, so there is always something to read.
    return QIODevice::bytesAvailable() + ring_->SampleRate() * ring_->BytesPerFrame();
}

qint64 SoundDevice::readData(char* data, qint64 maxSize)
{
    return ring_->Read(data, maxSize);
}

}  // namespace tevarro::media
