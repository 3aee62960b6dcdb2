#include "engines/video/encode_job.h"

#include "engines/video/audio_convert.h"
#include "engines/video/video_filter.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

namespace tevarro::media {

namespace {

constexpr int kGopFrames = 250;  // a key frame at least every 8.3 s
constexpr int kH264MaxRate = 768'000;
constexpr int kH264BufferSize = 2'000'000;  // the most level 1.3 allows
constexpr auto kProgressInterval = std::chrono::milliseconds(250);
// The sound may be encoded this far ahead of the picture; beyond that it
// waits, so that the muxer's interleaving buffer stays small.
constexpr double kAudioLeadSeconds = 5.0;

std::string Utf8(const QString& s) { return s.toStdString(); }
std::string LocalPath(const QString& s) { return QFile::encodeName(s).toStdString(); }

std::string Seconds(double s)
{
    char buf[32];
    snprintf(buf, sizeof buf, "%.3g s", s);
    return buf;
}

bool IsInterlaced(const AVCodecParameters* par)
{
    return par->field_order == AV_FIELD_TT || par->field_order == AV_FIELD_BB
           || par->field_order == AV_FIELD_TB || par->field_order == AV_FIELD_BT;
}

// The preset's video encoder, opened. Both families: no B-frames, a fixed
// 29.97 rate, square pixels.
av::CodecContextPtr OpenVideoEncoder(const Preset& preset, bool globalHeader, std::string* error)
{
    const AVCodec* codec = preset.codec == VideoCodec::H264 ? avcodec_find_encoder_by_name("libx264")
                                                            : avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    if (!codec) {
        *error = preset.codec == VideoCodec::H264 ? "FFmpeg has no libx264 encoder"
                                                  : "FFmpeg has no MPEG-4 encoder";
        return nullptr;
    }
    av::CodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx) {
        *error = "out of memory";
        return nullptr;
    }
    ctx->width = preset.width;
    ctx->height = preset.height;
    ctx->pix_fmt = AV_PIX_FMT_YUV420P;
    ctx->sample_aspect_ratio = AVRational{1, 1};
    ctx->framerate = AVRational{preset.frameRateNum, preset.frameRateDen};
    ctx->time_base = AVRational{preset.frameRateDen, preset.frameRateNum};
    ctx->bit_rate = preset.videoBitRate;
    ctx->gop_size = kGopFrames;
    ctx->max_b_frames = 0;
    // The pipeline gives every stage a thread; one encoder thread is the most
    // efficient use of the two cores Tevarro is tuned for.
    ctx->thread_count = 1;
    if (globalHeader)
        ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    av::Dictionary options;
    if (preset.codec == VideoCodec::H264) {
        // "baseline" in libx264 is Constrained Baseline: CAVLC, no B-frames,
        // no weighted prediction.
        options.Set("profile", "baseline");
        ctx->level = preset.level;  // 13 = level 1.3
        ctx->refs = 1;
        ctx->rc_max_rate = kH264MaxRate;
        ctx->rc_buffer_size = kH264BufferSize;
    } else {
        // Simple Profile: no quarter-pel, no global motion compensation, no
        // B-frames. Four motion vectors per macroblock and AC prediction are
        // Simple Profile tools; the encoder writes level 1 unless told.
        ctx->profile = FF_PROFILE_MPEG4_SIMPLE;
        ctx->level = preset.level;  // 3
        ctx->flags |= AV_CODEC_FLAG_4MV | AV_CODEC_FLAG_AC_PRED;
        ctx->mb_decision = FF_MB_DECISION_RD;
    }
    const int ret = avcodec_open2(ctx.get(), codec, options.Address());
    if (ret < 0) {
        *error = std::string("cannot open the ") + codec->name + " encoder (" + av::ErrorText(ret) + ")";
        return nullptr;
    }
    return ctx;
}

av::CodecContextPtr OpenAudioEncoder(const Preset& preset, bool globalHeader, std::string* error)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!codec) {
        *error = "FFmpeg has no AAC encoder";
        return nullptr;
    }
    av::CodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx) {
        *error = "out of memory";
        return nullptr;
    }
    ctx->sample_fmt = AV_SAMPLE_FMT_FLTP;
    ctx->sample_rate = preset.audioSampleRate;
    av_channel_layout_default(&ctx->ch_layout, preset.audioChannels);
    ctx->bit_rate = preset.audioBitRate;
    ctx->profile = FF_PROFILE_AAC_LOW;
    ctx->time_base = AVRational{1, preset.audioSampleRate};
    ctx->thread_count = 1;
    if (globalHeader)
        ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int ret = avcodec_open2(ctx.get(), codec, nullptr);
    if (ret < 0) {
        *error = "cannot open the AAC encoder (" + av::ErrorText(ret) + ")";
        return nullptr;
    }
    return ctx;
}

}  // namespace

EncodeJob::EncodeJob(EncodeRequest request, ProgressFn progress, DoneFn done)
    : request_(std::move(request)), progress_(std::move(progress)), done_(std::move(done))
{
}

EncodeJob::~EncodeJob() { Stop(); }

void EncodeJob::Start()
{
    controller_ = std::thread([this] { Run(); });
}

EncodeResult EncodeJob::Stop()
{
    stopRequested_ = true;
    AbortAll();
    if (controller_.joinable())
        controller_.join();
    if (ended_)
        return result_;
    return EncodeResult{EncodeResult::Kind::Stopped, {}};
}

void EncodeJob::Fail(const std::string& reason)
{
    {
        std::lock_guard lock(failureMutex_);
        if (failure_.empty())
            failure_ = reason;
    }
    AbortAll();
}

void EncodeJob::AbortAll()
{
    abort_ = true;
    decoded_.Abort();
    scaled_.Abort();
    audioPackets_.Abort();
    std::lock_guard lock(gateMutex_);
    gate_.notify_all();
}

std::string EncodeJob::Failure()
{
    std::lock_guard lock(failureMutex_);
    return failure_.empty() ? std::string("the encode was interrupted") : failure_;
}

void EncodeJob::Run()
{
    bool ok = Prepare();
    if (ok) {
        RunPipeline();
        ok = !abort_;
    }
    if (ok)
        ok = Finish();

    // A partial output never outlives the job.
    if (output_ && output_->pb)
        avio_closep(&output_->pb);
    output_.reset();
    if (!ok && partCreated_)
        QFile::remove(partPath_);

    if (stopRequested_ && !ok)
        return;  // Stop() reports the stop
    result_ = ok ? EncodeResult{EncodeResult::Kind::Succeeded, {}}
                 : EncodeResult{EncodeResult::Kind::Failed, QString::fromStdString(Failure())};
    ended_ = true;
    if (done_)
        done_(result_, length_);
}

bool EncodeJob::Prepare()
{
    const ClipSource& clip = request_.video;
    if (clip.file.isEmpty()) {
        Fail("no video clip was given");
        return false;
    }
    if (!(clip.stop > clip.start)) {
        Fail("the stretch to convert is empty or reversed (start " + Seconds(clip.start) + ", stop "
             + Seconds(clip.stop) + ")");
        return false;
    }
    if (QFileInfo::exists(request_.output)) {
        Fail(Utf8(request_.output) + " already exists");
        return false;
    }

    std::string error;
    if (!videoInput_.Open(LocalPath(clip.file), &videoInterrupt_, &error)) {
        Fail("cannot read " + Utf8(clip.file) + ": " + error);
        return false;
    }
    if (videoInput_.VideoStream() < 0) {
        Fail(Utf8(clip.file) + " has no video stream");
        return false;
    }
    videoStart_ = std::max(0.0, clip.start);
    videoStop_ = clip.stop;
    const double sourceLength = videoInput_.DurationSeconds();
    if (sourceLength > 0.0)
        videoStop_ = std::min(videoStop_, sourceLength);
    if (videoStart_ >= videoStop_) {
        Fail("the stretch begins at or after the end of the source (" + Seconds(sourceLength) + ")");
        return false;
    }
    length_ = videoStop_ - videoStart_;
    // Read here, before the threads start: later the demuxing thread owns
    // the input and may touch the stream's parameters.
    videoRotation_ = videoInput_.VideoRotation();
    sourceInterlaced_ = IsInterlaced(videoInput_.Stream(videoInput_.VideoStream())->codecpar);
    const Preset& preset = request_.preset;
    frameCount_ = std::max<int64_t>(
        1, std::llround(length_ * preset.frameRateNum / preset.frameRateDen));
    sampleCount_ = std::llround(length_ * preset.audioSampleRate);

    videoDecoder_ = videoInput_.OpenDecoder(videoInput_.VideoStream(), 1, &error);
    if (!videoDecoder_) {
        Fail("cannot decode " + Utf8(clip.file) + ": " + error);
        return false;
    }
    return OpenAudio() && OpenOutput();
}

bool EncodeJob::OpenAudio()
{
    if (!request_.hasAudio)
        return true;  // a silent track
    const ClipSource& clip = request_.audio;
    audioStart_ = std::max(0.0, clip.start);
    audioLimit_ = clip.stop > audioStart_
                      ? std::llround((clip.stop - audioStart_) * request_.preset.audioSampleRate)
                      : 0;
    const bool sameFile = QFileInfo(clip.file).absoluteFilePath()
                          == QFileInfo(request_.video.file).absoluteFilePath();
    if (sameFile && std::fabs(audioStart_ - videoStart_) < 1e-6) {
        audioInput_ = &videoInput_;
        audioShared_ = true;
    } else {
        ownAudioInput_ = std::make_unique<MediaInput>();
        std::string error;
        if (!ownAudioInput_->Open(LocalPath(clip.file), &audioInterrupt_, &error)) {
            Fail("cannot read " + Utf8(clip.file) + ": " + error);
            return false;
        }
        audioInput_ = ownAudioInput_.get();
        audioInput_->SeekTo(audioStart_);
    }
    audioStream_ = audioInput_->AudioStream();
    if (audioStream_ < 0) {
        audioShared_ = false;  // no sound in the source: a silent track
        return true;
    }
    std::string error;
    audioDecoder_ = audioInput_->OpenDecoder(audioStream_, 1, &error);
    if (!audioDecoder_) {
        // Sound FFmpeg cannot decode: the picture is still worth converting.
        audioStream_ = -1;
        audioShared_ = false;
    }
    return true;
}

bool EncodeJob::OpenOutput()
{
    // The work file is claimed first, under a name nobody uses yet, so that
    // nothing already there (another program's download, say) is truncated.
    for (int n = 0;; ++n) {
        partPath_ = request_.output
                    + (n == 0 ? QStringLiteral(".part") : QStringLiteral(".%1.part").arg(n));
        QFile claim(partPath_);
        if (claim.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            partCreated_ = true;
            break;
        }
        if (!claim.exists() || n >= 100) {
            Fail("cannot write " + Utf8(partPath_) + ": " + Utf8(claim.errorString()));
            return false;
        }
    }
    const std::string url = "file:" + LocalPath(partPath_);
    AVFormatContext* raw = nullptr;
    int ret = avformat_alloc_output_context2(&raw, nullptr, "ipod", url.c_str());
    if (ret < 0 || !raw) {
        Fail("FFmpeg has no ipod muxer");
        return false;
    }
    output_.reset(raw);
    const bool globalHeader = output_->oformat->flags & AVFMT_GLOBALHEADER;

    std::string error;
    videoEncoder_ = OpenVideoEncoder(request_.preset, globalHeader, &error);
    if (videoEncoder_)
        audioEncoder_ = OpenAudioEncoder(request_.preset, globalHeader, &error);
    if (!videoEncoder_ || !audioEncoder_) {
        Fail(error);
        return false;
    }
    for (AVCodecContext* encoder : {videoEncoder_.get(), audioEncoder_.get()}) {
        AVStream* st = avformat_new_stream(output_.get(), nullptr);
        if (!st || avcodec_parameters_from_context(st->codecpar, encoder) < 0) {
            Fail("cannot set up the output streams");
            return false;
        }
        st->time_base = encoder->time_base;
        if (encoder->codec_type == AVMEDIA_TYPE_VIDEO) {
            st->avg_frame_rate = encoder->framerate;
            st->r_frame_rate = encoder->framerate;
            st->sample_aspect_ratio = encoder->sample_aspect_ratio;
        }
    }

    const AVIOInterruptCB callback = videoInterrupt_.Callback();
    av::Dictionary ioOptions;
    ioOptions.Set("protocol_whitelist", "file");
    ret = avio_open2(&output_->pb, url.c_str(), AVIO_FLAG_WRITE, &callback, ioOptions.Address());
    if (ret < 0) {
        Fail("cannot write " + Utf8(partPath_) + ": " + av::ErrorText(ret));
        return false;
    }
    // The muxer reads the file back when it moves the index to the front; a
    // stop must be able to cut that short too.
    output_->interrupt_callback = callback;

    av::Dictionary muxOptions;
    muxOptions.Set("movflags", "+faststart");  // the index before the data
    ret = avformat_write_header(output_.get(), muxOptions.Address());
    if (ret < 0) {
        Fail("cannot write the output header: " + av::ErrorText(ret));
        return false;
    }
    return true;
}

void EncodeJob::RunPipeline()
{
    std::thread decode([this] { DemuxAndDecode(); });
    std::thread filter([this] { FilterVideo(); });
    std::thread video([this] { EncodeVideo(); });
    std::thread audio([this] { EncodeAudio(); });
    decode.join();
    filter.join();
    video.join();
    audio.join();
}

bool EncodeJob::Finish()
{
    int ret = av_write_trailer(output_.get());
    if (ret >= 0 && output_->pb->error < 0)
        ret = output_->pb->error;
    if (ret < 0) {
        Fail("cannot finish " + Utf8(partPath_) + ": " + av::ErrorText(ret));
        return false;
    }
    // Closing flushes the last buffered bytes; a full disk shows here too.
    ret = avio_closep(&output_->pb);
    if (ret < 0) {
        Fail("cannot write " + Utf8(partPath_) + ": " + av::ErrorText(ret));
        return false;
    }
    if (stopRequested_)
        return false;
    // QFile::rename never replaces an existing file.
    if (!QFile::rename(partPath_, request_.output)) {
        Fail(QFileInfo::exists(request_.output)
                 ? Utf8(request_.output) + " appeared during the encode; it was left as it is"
                 : "cannot rename " + Utf8(partPath_) + " to " + Utf8(request_.output));
        return false;
    }
    partCreated_ = false;
    return true;
}

// --- thread 1: demux, decode the picture, hand sound packets on ------------

void EncodeJob::DemuxAndDecode()
{
    AVFormatContext* format = videoInput_.Format();
    const int videoStream = videoInput_.VideoStream();
    AVCodecContext* decoder = videoDecoder_.get();
    av::PacketPtr packet = av::MakePacket();
    av::FramePtr frame = av::MakeFrame();
    if (!packet || !frame) {
        Fail("out of memory");
        return;
    }

    // Seeking lands on a key frame at or before the start; frames before the
    // start are decoded and dropped, except the last one, which is what shows
    // at the start itself.
    videoInput_.SeekTo(videoStart_);
    av::FramePtr before;
    bool videoEnded = false;
    double lastTime = 0.0;
    const AVRational guessedRate = av_guess_frame_rate(format, videoInput_.Stream(videoStream), nullptr);
    const double frameInterval = guessedRate.num > 0 ? av_q2d(av_inv_q(guessedRate)) : 1.0 / 25;

    auto takeFrames = [&]() -> bool {
        while (avcodec_receive_frame(decoder, frame.get()) >= 0) {
            const int64_t ts = frame->best_effort_timestamp;
            const double t = ts != AV_NOPTS_VALUE ? videoInput_.ToSeconds(videoStream, ts)
                                                  : lastTime + frameInterval;
            lastTime = t;
            if (t >= videoStop_) {
                videoEnded = true;
                av_frame_unref(frame.get());
                return true;
            }
            av::FramePtr taken = av::MakeFrame();
            if (!taken) {
                Fail("out of memory");
                return false;
            }
            av_frame_move_ref(taken.get(), frame.get());
            // Microseconds from the start of the clip (negative before it).
            taken->pts = std::llround((t - videoStart_) * AV_TIME_BASE);
            if (t < videoStart_) {
                before = std::move(taken);
                continue;
            }
            if (before && !decoded_.Push(std::move(before)))
                return false;
            if (!decoded_.Push(std::move(taken)))
                return false;
        }
        return true;
    };

    while (!abort_) {
        if (videoEnded && (!audioShared_ || audioSatisfied_))
            break;
        const int ret = av_read_frame(format, packet.get());
        if (ret == AVERROR(EAGAIN))
            continue;
        // The end of the file, or a damaged tail, ends the input; a failing
        // read (a medium pulled out) fails the encode instead of ending it
        // early with a frozen picture.
        if (ret == AVERROR_EOF || ret == AVERROR_INVALIDDATA || abort_)
            break;
        if (ret < 0) {
            Fail("cannot read " + Utf8(request_.video.file) + ": " + av::ErrorText(ret));
            return;
        }
        if (packet->stream_index == videoStream && !videoEnded) {
            videoInput_.SkipUnneededBefore(videoStart_, packet.get(), decoder);
            // A damaged packet is skipped, as players do.
            avcodec_send_packet(decoder, packet.get());
            av_packet_unref(packet.get());
            if (!takeFrames())
                return;
        } else if (audioShared_ && packet->stream_index == audioStream_ && !audioSatisfied_) {
            av::PacketPtr copy = av::MakePacket();
            if (!copy) {
                Fail("out of memory");
                return;
            }
            av_packet_move_ref(copy.get(), packet.get());
            // Refused once the sound has all it needs; nothing to do then.
            audioPackets_.Push(std::move(copy));
        } else {
            av_packet_unref(packet.get());
        }
    }
    if (abort_)
        return;
    if (!videoEnded) {
        avcodec_send_packet(decoder, nullptr);
        if (!takeFrames())
            return;
    }
    if (before)
        decoded_.Push(std::move(before));
    decoded_.Close();
    audioPackets_.Close();
}

// --- thread 2: deinterlace, rotate, scale, letterbox; constant frame rate ---

void EncodeJob::FilterVideo()
{
    const Preset& preset = request_.preset;
    const double step = static_cast<double>(preset.frameRateDen) / preset.frameRateNum;
    std::unique_ptr<VideoFilter> filter;
    av::FramePtr held;  // the newest picture, shown until the next one's slot
    av::FramePtr out = av::MakeFrame();
    int64_t nextSlot = 0;

    // Output frame n shows the source picture on screen at n * step: each
    // picture fills the slots from its own (rounded) time to the next one's,
    // so pictures are repeated or dropped as the rates require.
    auto fillUntil = [&](int64_t endSlot) -> bool {
        endSlot = std::min(endSlot, frameCount_);
        for (; nextSlot < endSlot; ++nextSlot) {
            av::FramePtr copy = av::RefFrame(held.get());
            if (!copy) {
                Fail("out of memory");
                return false;
            }
            copy->pts = nextSlot;
            copy->pict_type = AV_PICTURE_TYPE_NONE;  // let the encoder place key frames
            if (!scaled_.Push(std::move(copy)))
                return false;
        }
        return true;
    };
    auto drain = [&]() -> bool {
        int ret;
        while ((ret = filter->Pull(out.get())) >= 0) {
            const double t = out->pts * av_q2d(filter->OutputTimeBase());
            if (held && !fillUntil(std::llround(t / step)))
                return false;
            held = av::MakeFrame();
            if (!held) {
                Fail("out of memory");
                return false;
            }
            av_frame_move_ref(held.get(), out.get());
        }
        if (ret != AVERROR(EAGAIN) && ret != AVERROR_EOF) {
            Fail("the picture filters failed: " + av::ErrorText(ret));
            return false;
        }
        return true;
    };

    while (std::optional<av::FramePtr> frame = decoded_.Pop()) {
        if (!filter) {
            PictureTarget target;
            target.width = preset.width;
            target.height = preset.height;
            target.format = AV_PIX_FMT_YUV420P;
            target.letterbox = true;
            target.rotation = videoRotation_;
            target.deinterlace = sourceInterlaced_ || (*frame)->interlaced_frame;
            filter = std::make_unique<VideoFilter>(target, AV_TIME_BASE_Q);
        }
        const int ret = filter->Push(frame->get());
        if (ret < 0) {
            Fail(filter->Error().empty() ? "the picture filters failed: " + av::ErrorText(ret)
                                         : filter->Error());
            return;
        }
        if (!drain())
            return;
    }
    if (abort_)
        return;
    if (filter) {
        filter->Push(nullptr);
        if (!drain())
            return;
    }
    if (!held) {
        Fail("no picture of " + Utf8(request_.video.file) + " could be decoded in the stretch");
        return;
    }
    if (!fillUntil(frameCount_))
        return;
    scaled_.Close();
}

// --- thread 3: encode the picture -----------------------------------------

void EncodeJob::EncodeVideo()
{
    AVCodecContext* encoder = videoEncoder_.get();
    const double step = av_q2d(encoder->time_base);
    while (std::optional<av::FramePtr> frame = scaled_.Pop()) {
        const int64_t slot = (*frame)->pts;
        const int ret = avcodec_send_frame(encoder, frame->get());
        if (ret < 0) {
            Fail("the video encoder failed: " + av::ErrorText(ret));
            return;
        }
        if (!DrainEncoder(encoder, 0))
            return;
        {
            std::lock_guard lock(gateMutex_);
            videoEncodedSeconds_ = (slot + 1) * step;
        }
        gate_.notify_all();
        ReportProgress(std::min((slot + 1) * step, length_));
    }
    if (abort_)
        return;
    avcodec_send_frame(encoder, nullptr);
    if (!DrainEncoder(encoder, 0))
        return;
    {
        std::lock_guard lock(gateMutex_);
        videoFinished_ = true;
    }
    gate_.notify_all();
}

bool EncodeJob::DrainEncoder(AVCodecContext* encoder, int streamIndex)
{
    av::PacketPtr packet = av::MakePacket();
    if (!packet) {
        Fail("out of memory");
        return false;
    }
    while (true) {
        int ret = avcodec_receive_packet(encoder, packet.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return true;
        if (ret < 0) {
            Fail(std::string("the ") + encoder->codec->name + " encoder failed: " + av::ErrorText(ret));
            return false;
        }
        AVStream* st = output_->streams[streamIndex];
        packet->stream_index = streamIndex;
        av_packet_rescale_ts(packet.get(), encoder->time_base, st->time_base);
        {
            std::lock_guard lock(muxMutex_);
            // Takes the packet's reference whether or not it succeeds.
            ret = av_interleaved_write_frame(output_.get(), packet.get());
            if (ret >= 0 && output_->pb->error < 0)
                ret = output_->pb->error;
        }
        if (ret < 0) {
            Fail("cannot write " + Utf8(partPath_) + ": " + av::ErrorText(ret));
            return false;
        }
    }
}

// --- thread 4: sound --------------------------------------------------------

void EncodeJob::WaitForVideoToCatchUp(double audioSeconds)
{
    std::unique_lock lock(gateMutex_);
    // When the shared packet queue is full the demuxer waits on this thread;
    // then the sound goes on regardless, so the two can never wait on each other.
    while (!abort_ && !videoFinished_ && audioSeconds > videoEncodedSeconds_ + kAudioLeadSeconds
           && !(audioShared_ && audioPackets_.Full())) {
        gate_.wait_for(lock, std::chrono::milliseconds(20));
    }
}

bool EncodeJob::WriteSilence(AVAudioFifo* fifo, int64_t samples)
{
    const int channels = audioEncoder_->ch_layout.nb_channels;
    constexpr int kChunk = 4096;
    std::vector<float> zeros(kChunk, 0.0f);
    std::vector<void*> planes(channels, zeros.data());
    while (samples > 0) {
        const int n = static_cast<int>(std::min<int64_t>(samples, kChunk));
        if (av_audio_fifo_write(fifo, planes.data(), n) < n) {
            Fail("out of memory");
            return false;
        }
        samples -= n;
        if (!EncodeFromFifo(fifo, false))
            return false;
    }
    return true;
}

bool EncodeJob::EncodeFromFifo(AVAudioFifo* fifo, bool last)
{
    AVCodecContext* encoder = audioEncoder_.get();
    const int frameSize = encoder->frame_size > 0 ? encoder->frame_size : 1024;
    while (av_audio_fifo_size(fifo) >= frameSize || (last && av_audio_fifo_size(fifo) > 0)) {
        if (abort_)
            return false;
        const int n = std::min(frameSize, av_audio_fifo_size(fifo));
        av::FramePtr frame = av::MakeFrame();
        if (!frame) {
            Fail("out of memory");
            return false;
        }
        frame->nb_samples = n;
        frame->format = encoder->sample_fmt;
        frame->sample_rate = encoder->sample_rate;
        av_channel_layout_copy(&frame->ch_layout, &encoder->ch_layout);
        if (av_frame_get_buffer(frame.get(), 0) < 0
            || av_audio_fifo_read(fifo, reinterpret_cast<void**>(frame->data), n) < n) {
            Fail("out of memory");
            return false;
        }
        frame->pts = audioPts_;
        audioPts_ += n;
        const int ret = avcodec_send_frame(encoder, frame.get());
        if (ret < 0) {
            Fail("the AAC encoder failed: " + av::ErrorText(ret));
            return false;
        }
        if (!DrainEncoder(encoder, 1))
            return false;
    }
    return true;
}

void EncodeJob::EncodeAudio()
{
    AVCodecContext* encoder = audioEncoder_.get();
    av::AudioFifoPtr fifo(av_audio_fifo_alloc(encoder->sample_fmt, encoder->ch_layout.nb_channels,
                                              encoder->frame_size * 4));
    AudioConverter converter(encoder->sample_rate, encoder->ch_layout.nb_channels, encoder->sample_fmt);
    av::FramePtr decodedFrame = av::MakeFrame();
    av::FramePtr converted = av::MakeFrame();
    av::PacketPtr ownPacket = av::MakePacket();
    if (!fifo || !decodedFrame || !converted || !ownPacket) {
        Fail("out of memory");
        return;
    }
    const int64_t wanted = std::min(sampleCount_, audioLimit_);
    int64_t taken = 0;      // samples of sound (or leading silence) put in the fifo
    int64_t skip = 0;       // samples before the clip's start still to drop
    bool first = true;
    const double rate = encoder->sample_rate;

    auto addConverted = [&](int n) -> bool {
        int offset = 0;
        if (skip > 0) {
            const int dropped = static_cast<int>(std::min<int64_t>(skip, n));
            skip -= dropped;
            offset = dropped;
        }
        const int keep = static_cast<int>(std::min<int64_t>(n - offset, wanted - taken));
        if (keep <= 0)
            return true;
        void* planes[AV_NUM_DATA_POINTERS] = {};
        const int bytesPerSample = av_get_bytes_per_sample(encoder->sample_fmt);
        for (int c = 0; c < encoder->ch_layout.nb_channels; ++c)
            planes[c] = converted->extended_data[c] + offset * bytesPerSample;
        if (av_audio_fifo_write(fifo.get(), planes, keep) < keep) {
            Fail("out of memory");
            return false;
        }
        taken += keep;
        return EncodeFromFifo(fifo.get(), false);
    };
    auto takeFrames = [&]() -> bool {
        while (taken < wanted && avcodec_receive_frame(audioDecoder_.get(), decodedFrame.get()) >= 0) {
            if (first) {
                first = false;
                const int64_t ts = decodedFrame->best_effort_timestamp;
                const double t = ts != AV_NOPTS_VALUE ? audioInput_->ToSeconds(audioStream_, ts) : audioStart_;
                const int64_t offset = std::llround((t - audioStart_) * rate);
                if (offset > 0) {
                    // The sound begins after the clip does: silence keeps it in step.
                    const int64_t silence = std::min(offset, wanted);
                    if (!WriteSilence(fifo.get(), silence))
                        return false;
                    taken += silence;
                } else {
                    skip = -offset;
                }
            }
            const int n = converter.Convert(decodedFrame.get(), converted.get());
            av_frame_unref(decodedFrame.get());
            if (n < 0) {
                Fail("cannot resample the sound: " + av::ErrorText(n));
                return false;
            }
            if (n > 0 && !addConverted(n))
                return false;
            WaitForVideoToCatchUp(static_cast<double>(taken) / rate);
        }
        return !abort_;
    };

    if (audioStream_ >= 0) {
        AVCodecContext* decoder = audioDecoder_.get();
        while (!abort_ && taken < wanted) {
            av::PacketPtr packet;
            if (audioShared_) {
                std::optional<av::PacketPtr> next = audioPackets_.Pop();
                if (!next)
                    break;
                packet = std::move(*next);
            } else {
                const int ret = av_read_frame(audioInput_->Format(), ownPacket.get());
                if (ret == AVERROR_EOF || ret == AVERROR_INVALIDDATA || abort_)
                    break;
                if (ret == AVERROR(EAGAIN))
                    continue;
                if (ret < 0) {
                    Fail("cannot read " + Utf8(request_.audio.file) + ": " + av::ErrorText(ret));
                    return;
                }
                if (ownPacket->stream_index != audioStream_) {
                    av_packet_unref(ownPacket.get());
                    continue;
                }
                packet = av::MakePacket();
                if (!packet) {
                    Fail("out of memory");
                    return;
                }
                av_packet_move_ref(packet.get(), ownPacket.get());
            }
            avcodec_send_packet(decoder, packet.get());  // damaged packets are skipped
            if (!takeFrames())
                return;
        }
        if (abort_)
            return;
        // Enough sound, or its end: the demuxer need not pass on any more.
        audioSatisfied_ = true;
        if (audioShared_)
            audioPackets_.Abort();
        if (taken < wanted) {
            avcodec_send_packet(decoder, nullptr);
            if (!takeFrames())
                return;
            int n;
            while (taken < wanted && (n = converter.Convert(nullptr, converted.get())) > 0) {
                if (!addConverted(n))
                    return;
            }
        }
    }
    // No sound, or it ended early: silence to the picture's length.
    if (!WriteSilence(fifo.get(), sampleCount_ - taken))
        return;
    if (!EncodeFromFifo(fifo.get(), true))
        return;
    avcodec_send_frame(encoder, nullptr);
    DrainEncoder(encoder, 1);
}

void EncodeJob::ReportProgress(double position)
{
    if (!progress_)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastReport_ < kProgressInterval)
        return;
    lastReport_ = now;
    progress_(position, length_);
}

}  // namespace tevarro::media
