// Encodes by the real engine, read back by ffprobe and the ffmpeg program.
#include "engines/presets.h"
#include "engines/video/ffmpeg_video_engine.h"
#include "media_fixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace tevarro::test {
namespace {

constexpr double kFrame = 1001.0 / 30000.0;

double Number(const QJsonObject& object, const char* key)
{
    return object.value(QLatin1String(key)).toVariant().toDouble();
}

class EncodeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString Out(const QString& name) const { return dir_.filePath(name); }
    QStringList Files() const { return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden); }

    // The contract of every encode that works: one OnComplete after
    // StartEncode returned, rising progress that ends at exactly the length.
    static void ExpectSucceeded(const EncodeEvents& e, double length)
    {
        EXPECT_FALSE(e.completedBeforeStartReturned);
        ASSERT_EQ(e.completes, 1);
        ASSERT_EQ(e.result.kind, EncodeResult::Kind::Succeeded) << e.result.message.toStdString();
        ASSERT_FALSE(e.positions.isEmpty());
        for (int i = 0; i < e.positions.size(); ++i) {
            EXPECT_GT(e.durations[i], 0.0);
            EXPECT_EQ(e.durations[i], e.durations.first());
            if (i > 0)
                EXPECT_GE(e.positions[i], e.positions[i - 1]);
        }
        EXPECT_EQ(e.positions.last(), e.durations.last());
        EXPECT_NEAR(e.durations.last(), length, 0.05);
        EXPECT_TRUE(e.lastEventWasComplete);
        EXPECT_FALSE(e.progressAfterComplete);
    }

    static void ExpectDecodesCleanly(const QString& file)
    {
        const ToolRun run = RunTool("ffmpeg", {"-v", "error", "-i", file, "-f", "null", "-"});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    }

    QTemporaryDir dir_;
    FfmpegVideoEngine engine_;
};

TEST_F(EncodeTest, EveryPresetWritesTheFormatItsLabelPromises)
{
    const QString source = Clip16x9(2.0);
    ASSERT_FALSE(source.isEmpty());
    std::vector<double> videoRates;
    for (int preset = 0; preset < kPresetCount; ++preset) {
        const Preset& row = kPresets[preset];
        SCOPED_TRACE(row.label);
        const QString out = Out(QStringLiteral("preset%1.mp4").arg(preset));
        SetUpRow(engine_, preset, source, 0.0, 2.0);
        ExpectSucceeded(RunEncode(engine_, out), 2.0);

        const QJsonObject probe = ProbeJson(out);
        const QJsonObject video = FirstStream(probe, "video");
        const QJsonObject audio = FirstStream(probe, "audio");
        const bool h264 = row.codec == VideoCodec::H264;
        EXPECT_EQ(video.value("codec_name").toString(), h264 ? "h264" : "mpeg4");
        EXPECT_EQ(video.value("profile").toString(), h264 ? "Constrained Baseline" : "Simple Profile");
        EXPECT_EQ(video.value("level").toInt(), h264 ? 13 : 3);
        EXPECT_EQ(video.value("width").toInt(), 320);
        EXPECT_EQ(video.value("height").toInt(), 240);
        EXPECT_EQ(video.value("sample_aspect_ratio").toString(), "1:1");
        EXPECT_EQ(video.value("r_frame_rate").toString(), "30000/1001");
        EXPECT_EQ(video.value("avg_frame_rate").toString(), "30000/1001");
        EXPECT_EQ(video.value("has_b_frames").toInt(), 0);
        if (h264)
            EXPECT_EQ(video.value("refs").toInt(), 1);
        EXPECT_EQ(audio.value("codec_name").toString(), "aac");
        EXPECT_EQ(audio.value("profile").toString(), "LC");
        EXPECT_EQ(audio.value("sample_rate").toString(), "48000");
        EXPECT_EQ(audio.value("channels").toInt(), 2);
        // The rate control gets the preset's rates; on two seconds of a test
        // pattern the MPEG-4 encoder overshoots its target by up to 60 %
        // (the ffmpeg program with the same settings does the same).
        videoRates.push_back(Number(video, "bit_rate"));
        EXPECT_NEAR(videoRates.back() / row.videoBitRate, 1.0, 0.7);
        EXPECT_NEAR(Number(audio, "bit_rate") / row.audioBitRate, 1.0, 0.25);
        const QJsonObject format = probe.value("format").toObject();
        EXPECT_NEAR(Number(format, "duration"), 2.0, kFrame);
        EXPECT_TRUE(format.value("tags").toObject().value("major_brand").toString().startsWith("M4V"));
        ExpectDecodesCleanly(out);
    }
    EXPECT_EQ(Files().filter(".part").size(), 0);
    // Within each family a higher labelled rate gives a higher actual rate.
    for (int a = 0; a < kPresetCount; ++a) {
        for (int b = 0; b < kPresetCount; ++b) {
            if (kPresets[a].codec == kPresets[b].codec && kPresets[a].videoBitRate < kPresets[b].videoBitRate)
                EXPECT_LT(videoRates[a], videoRates[b]) << kPresets[a].label << " / " << kPresets[b].label;
        }
    }
}

TEST_F(EncodeTest, AnyFrameRateBecomesAConstant2997)
{
    const std::vector<std::pair<const char*, QString>> cases = {
        {"25 fps", Clip16x9(2.0)},
        {"60 fps", MakeMedia("rate60.mp4", {"-f", "lavfi", "-i", "testsrc2=size=320x180:rate=60:duration=2",
                                             "-c:v", "libx264", "-preset", "ultrafast"})},
        {"variable: 30 fps, then 10 fps", MakeMedia("vfr.mp4", {"-f", "lavfi", "-i",
             "testsrc2=size=320x180:rate=30:duration=3,select='lt(n\\,30)+not(mod(n\\,3))'",
             "-vsync", "vfr", "-c:v", "libx264", "-preset", "ultrafast"})},
    };
    int index = 0;
    for (const auto& [label, source] : cases) {
        SCOPED_TRACE(label);
        ASSERT_FALSE(source.isEmpty());
        const double length = engine_.GetMediaDuration(source);
        const QString out = Out(QString("rate%1.mp4").arg(index++));
        SetUpRow(engine_, 9, source, 0.0, 100.0);  // the stretch is cut at the end
        ExpectSucceeded(RunEncode(engine_, out), length);
        const QJsonObject video = FirstStream(ProbeJson(out), "video");
        EXPECT_EQ(video.value("r_frame_rate").toString(), "30000/1001");
        EXPECT_EQ(video.value("avg_frame_rate").toString(), "30000/1001");
        EXPECT_NEAR(Number(video, "nb_frames"), std::round(length / kFrame), 1.0);
    }
}

TEST_F(EncodeTest, TrimmedStretchStartsOnTimeWithSoundAndPictureTogether)
{
    // Black and silent for 1 s, then white with a tone.
    const QString source = BlackThenWhite(1.0, 4.0);
    ASSERT_FALSE(source.isEmpty());
    const QString out = Out("trim.mp4");
    SetUpRow(engine_, 4, source, 0.5, 2.5);
    ExpectSucceeded(RunEncode(engine_, out), 2.0);

    const QJsonObject probe = ProbeJson(out);
    EXPECT_NEAR(Number(probe.value("format").toObject(), "duration"), 2.0, kFrame);
    const QJsonObject video = FirstStream(probe, "video");
    const QJsonObject audio = FirstStream(probe, "audio");
    EXPECT_NEAR(Number(video, "duration"), 2.0, kFrame);
    EXPECT_NEAR(Number(audio, "duration"), 2.0, kFrame);
    EXPECT_NEAR(Number(video, "start_time"), Number(audio, "start_time"), kFrame);

    // The change from black to white and from silence to the tone both
    // happen half a second into the output.
    auto centre = [&](double t) {
        const QByteArray gray = GrayFrame(out, t, 320, 240);
        return gray.isEmpty() ? -1 : static_cast<unsigned char>(gray[120 * 320 + 160]);
    };
    EXPECT_LT(centre(0.0), 40);
    EXPECT_LT(centre(0.4), 40);
    EXPECT_GT(centre(0.6), 200);
    EXPECT_LT(SoundLevel(out, 0.05, 0.35), 0.002);
    EXPECT_GT(SoundLevel(out, 0.6, 0.3), 0.03);
}

TEST_F(EncodeTest, PictureKeepsItsShapeUprightWithBlackBars)
{
    enum Bars { Letterbox, Pillarbox };
    struct Case {
        const char* label;
        QString source;
        Bars bars;
    };
    const QString white = "color=white:rate=25:duration=2:size=";
    // Stored landscape with its left half black, marked the way phones mark
    // portrait video (shown turned a quarter clockwise): upright, it is
    // portrait with the black half on top.
    const QString stored = MakeMedia("halfblack.mp4", {"-f", "lavfi", "-i",
        "color=white:rate=25:duration=2:size=320x180,drawbox=x=0:y=0:w=160:h=180:color=black:t=fill",
        "-c:v", "libx264", "-preset", "ultrafast"});
    const QString rotated = MakeMedia("rotated.mp4", {"-i", stored, "-c", "copy", "-metadata:s:v:0", "rotate=270"});
    {
        // ffmpeg's own player logic agrees on what upright is.
        const QByteArray upright = GrayFrame(rotated, 1.0, 180, 320);
        ASSERT_EQ(upright.size(), 180 * 320);
        ASSERT_LT(static_cast<unsigned char>(upright[50 * 180 + 90]), 30);
        ASSERT_GT(static_cast<unsigned char>(upright[270 * 180 + 90]), 200);
    }
    const std::vector<Case> cases = {
        {"16:9, square pixels", MakeMedia("white169.mp4", {"-f", "lavfi", "-i", white + "640x360",
             "-c:v", "libx264", "-preset", "ultrafast"}), Letterbox},
        {"16:9 stored as 480x360 with 4:3 pixels", MakeMedia("anamorphic.mp4", {"-f", "lavfi", "-i",
             white + "480x360", "-vf", "setsar=4/3", "-c:v", "libx264", "-preset", "ultrafast"}), Letterbox},
        {"portrait phone video (rotation metadata)", rotated, Pillarbox},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_FALSE(c.source.isEmpty());
        const QString out = Out(QString("shape%1.mp4").arg(&c - cases.data()));
        SetUpRow(engine_, 6, c.source, 0.0, 2.0);
        ExpectSucceeded(RunEncode(engine_, out), 2.0);
        const QByteArray gray = GrayFrame(out, 1.0, 320, 240);
        ASSERT_EQ(gray.size(), 320 * 240);
        auto at = [&](int x, int y) { return static_cast<unsigned char>(gray[y * 320 + x]); };
        if (c.bars == Letterbox) {
            // 320x180 centred: 30 black rows above and below.
            for (int x : {5, 160, 314}) {
                EXPECT_LT(at(x, 10), 30) << x;
                EXPECT_LT(at(x, 229), 30) << x;
                EXPECT_GT(at(x, 120), 200) << x;
            }
        } else {
            // 136x240 centred: black columns left and right; black half on top.
            for (int y : {10, 120, 229}) {
                EXPECT_LT(at(10, y), 30) << y;
                EXPECT_LT(at(309, y), 30) << y;
            }
            EXPECT_LT(at(160, 50), 30);
            EXPECT_GT(at(160, 190), 200);
            EXPECT_GT(at(100, 190), 200);
            EXPECT_GT(at(219, 190), 200);
        }
    }
}

TEST_F(EncodeTest, InterlacedSourceComesOutProgressive)
{
    // 50 fields a second woven into 25 interlaced frames of the output's own
    // height, so no vertical scaling can hide the combing.
    const QString source = MakeMedia("interlaced.mp4", {"-f", "lavfi", "-i",
        "testsrc2=size=320x240:rate=50:duration=2,tinterlace=mode=interleave_top,setfield=tff",
        "-c:v", "libx264", "-preset", "ultrafast", "-flags", "+ildct+ilme", "-x264opts", "tff=1"});
    ASSERT_FALSE(source.isEmpty());
    auto combedFrames = [](const QString& file) {
        const ToolRun run = RunTool("ffmpeg", {"-v", "info", "-i", file, "-vf", "idet", "-an", "-f", "null", "-"});
        const QString log = QString::fromUtf8(run.err);
        const qsizetype at = log.lastIndexOf("Multi frame detection:");
        const QStringList words = log.mid(at).simplified().split(' ');
        // "Multi frame detection: TFF: a BFF: b Progressive: c Undetermined: d"
        return std::pair(words.value(4).toInt() + words.value(6).toInt(), words.value(8).toInt());
    };
    const auto [sourceCombed, sourceProgressive] = combedFrames(source);
    ASSERT_GT(sourceCombed, sourceProgressive);  // the source really is interlaced

    const QString out = Out("deinterlaced.mp4");
    SetUpRow(engine_, 4, source, 0.0, 2.0);
    ExpectSucceeded(RunEncode(engine_, out), 2.0);
    const auto [combed, progressive] = combedFrames(out);
    // A few repeated frames (25 to 29.97 fps) can still look combed to idet.
    EXPECT_GT(progressive, 4 * combed);
}

TEST_F(EncodeTest, SoundOfAnyLayoutBecomesStereo48kAndSilenceIsAdded)
{
    struct Case {
        const char* label;
        QString source;
        bool audible;
    };
    const QString picture = "testsrc2=size=320x240:rate=25:duration=2";
    const std::vector<Case> cases = {
        {"mono 22.05 kHz", MakeMedia("mono.mkv", {"-f", "lavfi", "-i", picture, "-f", "lavfi", "-i",
             "sine=frequency=440:sample_rate=22050:duration=2", "-c:v", "mpeg4", "-c:a", "pcm_s16le"}), true},
        {"5.1 at 48 kHz", MakeMedia("surround.mkv", {"-f", "lavfi", "-i", picture, "-f", "lavfi", "-i",
             "sine=frequency=440:sample_rate=48000:duration=2", "-af", "pan=5.1|FL=c0|FR=c0|FC=c0|LFE=c0|BL=c0|BR=c0",
             "-c:v", "mpeg4", "-c:a", "ac3"}), true},
        {"no sound at all", MakeMedia("mute.mp4", {"-f", "lavfi", "-i", picture, "-c:v", "libx264",
             "-preset", "ultrafast"}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_FALSE(c.source.isEmpty());
        const QString out = Out(QString("sound%1.mp4").arg(&c - cases.data()));
        SetUpRow(engine_, 1, c.source, 0.0, 2.0);
        ExpectSucceeded(RunEncode(engine_, out), 2.0);
        const QJsonObject audio = FirstStream(ProbeJson(out), "audio");
        EXPECT_EQ(audio.value("codec_name").toString(), "aac");
        EXPECT_EQ(audio.value("sample_rate").toString(), "48000");
        EXPECT_EQ(audio.value("channels").toInt(), 2);
        EXPECT_NEAR(Number(audio, "duration"), 2.0, kFrame);
        const double level = SoundLevel(out, 0.2, 1.5);
        if (c.audible)
            EXPECT_GT(level, 0.02);
        else
            EXPECT_EQ(level, 0.0);
    }
}

TEST_F(EncodeTest, CompletionReachesAHandlerWaitingInsideTheLastReport)
{
    // The window shows its completion hint from the report at 100 % and
    // waits there, in a local event loop, until OnComplete closes it.
    SetUpRow(engine_, 4, Clip16x9(2.0), 0.0, 2.0);
    bool completedInside = false;
    QObject context;
    QObject::connect(&engine_, &VideoEngine::OnProcessing, &context, [&](double pos, double length) {
        if (pos < length)
            return;
        QEventLoop hint;
        QObject::connect(&engine_, &VideoEngine::OnComplete, &hint, [&] {
            completedInside = true;
            hint.quit();
        });
        QTimer::singleShot(10000, &hint, &QEventLoop::quit);
        hint.exec();
    });
    const EncodeEvents e = RunEncode(engine_, Out("hint.mp4"));
    EXPECT_TRUE(completedInside);
    EXPECT_EQ(e.completes, 1);
}

TEST_F(EncodeTest, StopLeavesNoFilesAndNothingArrivesAfterwards)
{
    const QString source = Clip16x9(20.0);
    ASSERT_FALSE(source.isEmpty());
    SetUpRow(engine_, 9, source, 0.0, 20.0);
    QSignalSpy progress(&engine_, &VideoEngine::OnProcessing);
    QSignalSpy complete(&engine_, &VideoEngine::OnComplete);
    engine_.StartEncode(Out("stopped.mp4"));
    ASSERT_TRUE(progress.wait(20000));
    engine_.StopEncode();
    EXPECT_EQ(engine_.LastEncodeResult().kind, EncodeResult::Kind::Stopped);
    EXPECT_TRUE(Files().isEmpty()) << Files().join(' ').toStdString();

    const qsizetype reports = progress.size();
    QTest::qWait(1000);
    EXPECT_EQ(progress.size(), reports);
    EXPECT_EQ(complete.size(), 0);
    engine_.StopEncode();  // again, with nothing running
    EXPECT_EQ(engine_.LastEncodeResult().kind, EncodeResult::Kind::Stopped);

    // The engine is usable again, and the new encode's events are its own.
    SetUpRow(engine_, 4, Clip16x9(2.0), 0.0, 2.0);
    ExpectSucceeded(RunEncode(engine_, Out("after.mp4")), 2.0);
}

TEST_F(EncodeTest, FailuresReportOnceWithAReasonAndLeaveNoFiles)
{
    const QString source = Clip16x9(2.0);
    ASSERT_FALSE(source.isEmpty());
    QFile blocker(Out("not-a-folder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    struct Case {
        const char* label;
        QString source;
        double begin;
        double end;
        QString output;
        bool clips = true;
    };
    const std::vector<Case> cases = {
        {"reversed stretch", source, 1.5, 0.5, Out("reversed.mp4")},
        {"empty stretch", source, 1.0, 1.0, Out("empty.mp4")},
        {"stretch after the end of the source", source, 10.0, 12.0, Out("late.mp4")},
        {"source that vanished", Out("gone.mp4"), 0.0, 2.0, Out("gone-out.mp4")},
        {"output folder that cannot be written", source, 0.0, 2.0, Out("not-a-folder/out.mp4")},
        {"no clips at all", source, 0.0, 2.0, Out("noclips.mp4"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SetUpRow(engine_, 4, c.source, c.begin, c.end);
        if (!c.clips)
            engine_.ClearClips();
        const EncodeEvents e = RunEncode(engine_, c.output);
        EXPECT_FALSE(e.completedBeforeStartReturned);
        EXPECT_EQ(e.completes, 1);
        EXPECT_EQ(e.result.kind, EncodeResult::Kind::Failed);
        EXPECT_FALSE(e.result.message.isEmpty());
        EXPECT_EQ(engine_.LastEncodeResult().message, e.result.message);
        EXPECT_EQ(Files(), QStringList{"not-a-folder"});
    }
}

TEST_F(EncodeTest, AnOutputThatAppearsDuringTheEncodeIsNeverReplaced)
{
    const QString source = Clip16x9(6.0);
    ASSERT_FALSE(source.isEmpty());
    const QString out = Out("taken.mp4");
    SetUpRow(engine_, 9, source, 0.0, 6.0);
    QSignalSpy progress(&engine_, &VideoEngine::OnProcessing);
    QSignalSpy complete(&engine_, &VideoEngine::OnComplete);
    engine_.StartEncode(out);
    ASSERT_TRUE(progress.wait(20000));
    {
        QFile other(out);
        ASSERT_TRUE(other.open(QIODevice::WriteOnly));
        other.write("someone else's file");
    }
    ASSERT_TRUE(complete.wait(60000));
    EXPECT_EQ(engine_.LastEncodeResult().kind, EncodeResult::Kind::Failed);
    QFile other(out);
    ASSERT_TRUE(other.open(QIODevice::ReadOnly));
    EXPECT_EQ(other.readAll(), QByteArray("someone else's file"));
    EXPECT_EQ(Files(), QStringList{"taken.mp4"});
}

TEST_F(EncodeTest, SomeoneElsesPartFileIsLeftAlone)
{
    const QString source = Clip16x9(2.0);
    ASSERT_FALSE(source.isEmpty());
    const QString out = Out("clip.mp4");
    {
        QFile download(out + ".part");  // e.g. a browser's download in progress
        ASSERT_TRUE(download.open(QIODevice::WriteOnly));
        download.write("half a download");
    }
    SetUpRow(engine_, 4, source, 0.0, 2.0);
    ExpectSucceeded(RunEncode(engine_, out), 2.0);
    QFile download(out + ".part");
    ASSERT_TRUE(download.open(QIODevice::ReadOnly));
    EXPECT_EQ(download.readAll(), QByteArray("half a download"));
    EXPECT_EQ(Files(), (QStringList{"clip.mp4", "clip.mp4.part"}));
}

TEST_F(EncodeTest, AStopAfterTheLastReportDropsTheCompletion)
{
    const QString source = Clip16x9(2.0);
    ASSERT_FALSE(source.isEmpty());
    SetUpRow(engine_, 4, source, 0.0, 2.0);
    int completes = 0;
    QObject::connect(&engine_, &VideoEngine::OnComplete, [&] { ++completes; });
    QObject::connect(&engine_, &VideoEngine::OnProcessing, [&](double position, double duration) {
        if (position == duration)
            engine_.StopEncode();
    });
    QSignalSpy progress(&engine_, &VideoEngine::OnProcessing);
    engine_.StartEncode(Out("late.mp4"));
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 20000 && (progress.isEmpty() || progress.last()[0] != progress.last()[1]))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QTest::qWait(300);
    EXPECT_EQ(completes, 0);
}

TEST_F(EncodeTest, TrimmingAStreamWithoutIndexStartsOnItsOwnPicture)
{
    // MPEG-TS, key frames 3 s apart: a stretch starting between them still
    // begins with the picture at its start, and one starting just after a
    // key frame still converts.
    const QString source = MakeMedia("keys3s.ts", {"-f", "lavfi", "-i", "testsrc2=size=320x180:rate=25:duration=8",
                                                   "-f", "lavfi", "-i", "sine=duration=8", "-c:v", "libx264",
                                                   "-g", "75", "-keyint_min", "75", "-sc_threshold", "0",
                                                   "-c:a", "aac", "-f", "mpegts"});
    ASSERT_FALSE(source.isEmpty());
    for (const double begin : {1.3, 3.1}) {
        const QString out = Out(QStringLiteral("ts%1.mp4").arg(begin));
        SetUpRow(engine_, 4, source, begin, begin + 2.0);
        ExpectSucceeded(RunEncode(engine_, out), 2.0);
        const QJsonObject probe = ProbeJson(out);
        EXPECT_NEAR(Number(probe.value("format").toObject(), "duration"), 2.0, 2 * kFrame) << begin;
    }
}

}  // namespace
}  // namespace tevarro::test
