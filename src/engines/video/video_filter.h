// The picture path shared by encoding, stills and preview: deinterlace when
// the source is interlaced, turn by the rotation metadata, scale keeping the
// display aspect ratio (the sample aspect ratio honoured), and either pad to
// an exact frame with black bars or keep the fitted size. A libavfilter graph,
// built from the first frame and rebuilt when the frames change size or
// format. One thread at a time.
#pragma once

#include "engines/video/av_handles.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

#include <string>

namespace tevarro::media {

struct PictureTarget {
    int width = 320;
    int height = 240;
    AVPixelFormat format = AV_PIX_FMT_YUV420P;
    // true: output exactly width x height, the picture centred on black.
    // false: output the fitted picture only, at most width x height and never
    // larger than the source's display size.
    bool letterbox = true;
    int rotation = 0;            // clockwise degrees: 0, 90, 180, 270
    bool deinterlace = false;    // add a deinterlacer for frames marked interlaced
    const char* scaler = "bicubic";
};

// The size a picture of display size dw x dh gets inside a box of bw x bh,
// aspect kept, both even and at least 2.
void FitInside(double dw, double dh, int bw, int bh, int* width, int* height);

class VideoFilter {
public:
    VideoFilter(const PictureTarget& target, AVRational timeBase);
    VideoFilter(const VideoFilter&) = delete;
    VideoFilter& operator=(const VideoFilter&) = delete;

    // Takes a decoded frame (its pts in the time base given above), or
    // nullptr at the end of the input. Returns 0 or an AVERROR.
    int Push(const AVFrame* frame);
    // 0 with a frame in `out`; AVERROR(EAGAIN) when more input is needed;
    // AVERROR_EOF after the end. `out` timestamps are in OutputTimeBase().
    int Pull(AVFrame* out);
    AVRational OutputTimeBase() const;
    const std::string& Error() const { return error_; }

private:
    int Build(const AVFrame* frame);

    PictureTarget target_;
    AVRational timeBase_;
    av::FilterGraphPtr graph_;
    AVFilterContext* source_ = nullptr;
    AVFilterContext* sink_ = nullptr;
    int inWidth_ = 0;
    int inHeight_ = 0;
    int inFormat_ = -1;
    bool ended_ = false;
    std::string error_;
};

}  // namespace tevarro::media
