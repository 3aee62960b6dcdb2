#include "engines/video/video_filter.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>

namespace tevarro::media {

void FitInside(double dw, double dh, int bw, int bh, int* width, int* height)
{
    if (!(dw > 0) || !(dh > 0)) {
        dw = bw;
        dh = bh;
    }
    double w = bw;
    double h = bh;
    if (dw * bh > dh * bw)
        h = bw * dh / dw;  // wider than the box: bars above and below
    else
        w = bh * dw / dh;  // taller: bars left and right
    auto even = [](double v, int limit) {
        const int rounded = 2 * static_cast<int>(std::lround(v / 2.0));
        return std::clamp(rounded, 2, std::max(2, limit));
    };
    *width = even(w, bw);
    *height = even(h, bh);
}

VideoFilter::VideoFilter(const PictureTarget& target, AVRational timeBase)
    : target_(target), timeBase_(timeBase)
{
}

int VideoFilter::Build(const AVFrame* frame)
{
    graph_.reset(avfilter_graph_alloc());
    if (!graph_)
        return AVERROR(ENOMEM);
    // Each stage of Tevarro's pipelines has a thread of its own already.
    graph_->nb_threads = 1;
    const std::string swsFlags = std::string("flags=") + target_.scaler;
    graph_->scale_sws_opts = av_strdup(swsFlags.c_str());

    AVRational sar = frame->sample_aspect_ratio;
    if (sar.num <= 0 || sar.den <= 0)
        sar = AVRational{1, 1};

    char args[256];
    snprintf(args, sizeof args, "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d",
             frame->width, frame->height, frame->format, timeBase_.num, timeBase_.den, sar.num,
             sar.den);
    int ret = avfilter_graph_create_filter(&source_, avfilter_get_by_name("buffer"), "in", args,
                                           nullptr, graph_.get());
    if (ret < 0)
        return ret;
    ret = avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "out", nullptr,
                                       nullptr, graph_.get());
    if (ret < 0)
        return ret;
    const AVPixelFormat formats[] = {target_.format, AV_PIX_FMT_NONE};
    ret = av_opt_set_int_list(sink_, "pix_fmts", formats, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN);
    if (ret < 0)
        return ret;

    // Display size: stored size stretched by the sample aspect, then turned.
    double displayWidth = frame->width * av_q2d(sar);
    double displayHeight = frame->height;
    const bool quarterTurn = target_.rotation == 90 || target_.rotation == 270;
    if (quarterTurn)
        std::swap(displayWidth, displayHeight);
    int width = 0;
    int height = 0;
    if (target_.letterbox) {
        FitInside(displayWidth, displayHeight, target_.width, target_.height, &width, &height);
    } else {
        FitInside(displayWidth, displayHeight,
                  std::min(target_.width, static_cast<int>(std::lround(displayWidth))),
                  std::min(target_.height, static_cast<int>(std::lround(displayHeight))), &width,
                  &height);
    }

    std::string chain;
    auto add = [&chain](const std::string& filter) {
        if (!chain.empty())
            chain += ',';
        chain += filter;
    };
    if (target_.deinterlace)
        add("bwdif=mode=send_frame:parity=auto:deint=interlaced");
    switch (target_.rotation) {
    case 90: add("transpose=clock"); break;
    case 180: add("hflip,vflip"); break;
    case 270: add("transpose=cclock"); break;
    default: break;
    }
    add("scale=" + std::to_string(width) + ":" + std::to_string(height));
    if (target_.letterbox) {
        add("pad=" + std::to_string(target_.width) + ":" + std::to_string(target_.height) + ":"
            + std::to_string((target_.width - width) / 2 / 2 * 2) + ":"
            + std::to_string((target_.height - height) / 2 / 2 * 2) + ":black");
    }
    add("setsar=1");
    add(std::string("format=") + av_get_pix_fmt_name(target_.format));

    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    if (!outputs || !inputs) {
        avfilter_inout_free(&outputs);
        avfilter_inout_free(&inputs);
        return AVERROR(ENOMEM);
    }
    outputs->name = av_strdup("in");
    outputs->filter_ctx = source_;
    outputs->pad_idx = 0;
    outputs->next = nullptr;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink_;
    inputs->pad_idx = 0;
    inputs->next = nullptr;
    ret = avfilter_graph_parse_ptr(graph_.get(), chain.c_str(), &inputs, &outputs, nullptr);
    avfilter_inout_free(&outputs);
    avfilter_inout_free(&inputs);
    if (ret < 0)
        return ret;
    ret = avfilter_graph_config(graph_.get(), nullptr);
    if (ret < 0)
        return ret;

    inWidth_ = frame->width;
    inHeight_ = frame->height;
    inFormat_ = frame->format;
    return 0;
}

int VideoFilter::Push(const AVFrame* frame)
{
    if (!frame) {
        if (!graph_) {
            ended_ = true;
            return 0;
        }
        return av_buffersrc_add_frame_flags(source_, nullptr, 0);
    }
    if (!graph_ || frame->width != inWidth_ || frame->height != inHeight_
        || frame->format != inFormat_) {
        // A new graph for the new size; frames still inside the old one are lost.
        const int ret = Build(frame);
        if (ret < 0) {
            error_ = "cannot set up the picture filters (" + av::ErrorText(ret) + ")";
            graph_.reset();
            return ret;
        }
    }
    return av_buffersrc_add_frame_flags(source_, const_cast<AVFrame*>(frame),
                                        AV_BUFFERSRC_FLAG_KEEP_REF);
}

int VideoFilter::Pull(AVFrame* out)
{
    if (!graph_)
        return ended_ ? AVERROR_EOF : AVERROR(EAGAIN);
    return av_buffersink_get_frame(sink_, out);
}

AVRational VideoFilter::OutputTimeBase() const
{
    return sink_ && graph_ ? av_buffersink_get_time_base(sink_) : timeBase_;
}

}  // namespace tevarro::media
