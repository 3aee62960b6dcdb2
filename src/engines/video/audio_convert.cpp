#include "engines/video/audio_convert.h"

namespace tevarro::media {

AudioConverter::AudioConverter(int sampleRate, int channels, AVSampleFormat format)
    : sampleRate_(sampleRate), format_(format)
{
    av_channel_layout_default(&layout_, channels);
}

AudioConverter::~AudioConverter()
{
    av_channel_layout_uninit(&layout_);
    av_channel_layout_uninit(&inLayout_);
}

int AudioConverter::Configure(const AVFrame* in)
{
    AVChannelLayout layout{};
    if (in->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || !av_channel_layout_check(&in->ch_layout))
        av_channel_layout_default(&layout, in->ch_layout.nb_channels > 0 ? in->ch_layout.nb_channels : 1);
    else
        av_channel_layout_copy(&layout, &in->ch_layout);

    SwrContext* swr = nullptr;
    int ret = swr_alloc_set_opts2(&swr, &layout_, format_, sampleRate_, &layout,
                                  static_cast<AVSampleFormat>(in->format), in->sample_rate, 0,
                                  nullptr);
    av_channel_layout_uninit(&layout);
    swr_.reset(swr);
    if (ret >= 0)
        ret = swr_init(swr);
    // Kept as the frames say it, to notice the next change.
    av_channel_layout_uninit(&inLayout_);
    av_channel_layout_copy(&inLayout_, &in->ch_layout);
    inRate_ = in->sample_rate;
    inFormat_ = in->format;
    if (ret < 0)
        swr_.reset();
    return ret;
}

int AudioConverter::Convert(const AVFrame* in, AVFrame* out)
{
    if (in) {
        if (!swr_ || in->sample_rate != inRate_ || in->format != inFormat_
            || av_channel_layout_compare(&in->ch_layout, &inLayout_) != 0) {
            // A mid-stream change drops the few samples the old resampler held.
            const int ret = Configure(in);
            if (ret < 0)
                return ret;
        }
    } else if (!swr_) {
        return 0;
    }
    const int inSamples = in ? in->nb_samples : 0;
    const int room = swr_get_out_samples(swr_.get(), inSamples);
    if (room <= 0)
        return 0;
    av_frame_unref(out);
    out->nb_samples = room;
    out->format = format_;
    out->sample_rate = sampleRate_;
    int ret = av_channel_layout_copy(&out->ch_layout, &layout_);
    if (ret < 0)
        return ret;
    ret = av_frame_get_buffer(out, 0);
    if (ret < 0)
        return ret;
    ret = swr_convert(swr_.get(), out->extended_data, room,
                      in ? const_cast<const uint8_t**>(in->extended_data) : nullptr, inSamples);
    if (ret < 0)
        return ret;
    out->nb_samples = ret;
    return ret;
}

}  // namespace tevarro::media
