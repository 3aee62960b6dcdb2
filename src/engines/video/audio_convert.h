// Decoded sound of any layout, rate and sample format to one fixed output
// format (swresample): mono and multichannel are mixed to the output layout.
// Rebuilds itself when the input changes format mid-stream. One thread at a
// time.
#pragma once

#include "engines/video/av_handles.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

namespace tevarro::media {

class AudioConverter {
public:
    AudioConverter(int sampleRate, int channels, AVSampleFormat format);
    ~AudioConverter();
    AudioConverter(const AudioConverter&) = delete;
    AudioConverter& operator=(const AudioConverter&) = delete;

    // Converts `in` (nullptr: flush what the resampler still holds) into
    // `out`, which gets fresh buffers. Returns the number of output samples
    // (possibly 0) or an AVERROR.
    int Convert(const AVFrame* in, AVFrame* out);

    int SampleRate() const { return sampleRate_; }
    AVSampleFormat Format() const { return format_; }
    const AVChannelLayout& Layout() const { return layout_; }

private:
    int Configure(const AVFrame* in);

    int sampleRate_;
    AVSampleFormat format_;
    AVChannelLayout layout_{};
    av::SwrPtr swr_;
    AVChannelLayout inLayout_{};
    int inRate_ = 0;
    int inFormat_ = -1;
};

}  // namespace tevarro::media
