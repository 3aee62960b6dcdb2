// Preview playback. CI has no sound device, so this exercises the picture
// path and the system clock; the sound path is the same decoder feeding a
// ring instead of nothing.
#include "engines/video/ffmpeg_video_engine.h"
#include "media_fixture.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QSignalSpy>
#include <QTest>

namespace tevarro::test {
namespace {

TEST(Preview, PlaysPausesAndStopsWithoutLateEvents)
{
    FfmpegVideoEngine engine;
    // Harmless with nothing to play.
    engine.PreviewPause();
    engine.PreviewResume();
    engine.PreviewStop();
    EXPECT_FALSE(engine.PreviewPlay());

    const QString source = Clip16x9(4.0);
    ASSERT_FALSE(source.isEmpty());
    engine.SetVideoSampleSize(24);
    engine.SetAspectRatio(false);
    engine.ClearClips();
    engine.AddVideoClip(source, 1.0, 4.0, 0);
    engine.AddAudioClip(source, 1.0, 4.0);
    QSignalSpy frames(&engine, &VideoEngine::OnPreviewFrame);
    QSignalSpy playing(&engine, &VideoEngine::OnPlaying);
    ASSERT_TRUE(engine.PreviewPlay());

    ASSERT_TRUE(frames.wait(2000));
    const QImage first = frames.first().first().value<QImage>();
    EXPECT_EQ(first.size(), QSize(640, 360));  // the source's own shape and size
    QTest::qWait(1000);
    EXPECT_GT(frames.size(), 5);
    ASSERT_GE(playing.size(), 3);
    double last = -1.0;
    for (const QList<QVariant>& report : playing) {
        const double seconds = report.first().toDouble();
        EXPECT_GE(seconds, last);
        EXPECT_LE(seconds, 3.0);
        last = seconds;
    }
    EXPECT_GT(last, 0.4);

    // Paused, the position stands still; resumed, it moves on.
    engine.PreviewPause();
    QTest::qWait(300);
    const qsizetype pausedReports = playing.size();
    const double pausedAt = playing.last().first().toDouble();
    QTest::qWait(400);
    for (qsizetype i = pausedReports; i < playing.size(); ++i)
        EXPECT_EQ(playing[i].first().toDouble(), pausedAt);
    engine.PreviewResume();
    QTest::qWait(500);
    EXPECT_GT(playing.last().first().toDouble(), pausedAt);

    engine.PreviewStop();
    const qsizetype framesAtStop = frames.size();
    const qsizetype reportsAtStop = playing.size();
    QTest::qWait(600);
    EXPECT_EQ(frames.size(), framesAtStop);
    EXPECT_EQ(playing.size(), reportsAtStop);
}

}  // namespace
}  // namespace tevarro::test

// The preview's sound ring: the sound output's consumption is the clock, and
// sound is placed by its timestamp, never simply queued.
#include "engines/video/sound_ring.h"

#include <thread>

namespace tevarro::test {
namespace {

using media::SoundRing;

// One byte per frame keeps the arithmetic readable.
QByteArray Frames(int count, char value) { return QByteArray(count, value); }

QByteArray Take(SoundRing& ring, int frames)
{
    QByteArray out(frames, '?');
    EXPECT_EQ(ring.Read(out.data(), frames), frames);
    return out;
}

TEST(SoundRing, PlaysSoundAtItsPositionAndKeepsTime)
{
    SoundRing ring(100, 1, 50);  // 100 frames a second, room for 50

    // Nothing written yet: silence, and the clock waits for the sound.
    EXPECT_EQ(Take(ring, 10), Frames(10, 0));
    EXPECT_EQ(ring.HeardSeconds(), 0.0);

    // Sound for frames 0..19 plays in order.
    ASSERT_TRUE(ring.Write(reinterpret_cast<const uint8_t*>(Frames(20, 1).constData()), 0, 20));
    EXPECT_EQ(Take(ring, 15), Frames(15, 1));

    // Sound that belongs later leaves a gap of silence before it.
    ASSERT_TRUE(ring.Write(reinterpret_cast<const uint8_t*>(Frames(5, 2).constData()), 30, 5));
    EXPECT_EQ(Take(ring, 20), Frames(5, 1) + Frames(10, 0) + Frames(5, 2));

    // Once running, an empty ring plays silence and time still passes;
    // sound arriving after its moment is dropped.
    EXPECT_EQ(Take(ring, 10), Frames(10, 0));
    ASSERT_TRUE(ring.Write(reinterpret_cast<const uint8_t*>((Frames(10, 3) + Frames(10, 4)).constData()), 35, 20));
    EXPECT_EQ(Take(ring, 10), Frames(10, 4));

    // The clock is what the output says it has played (0.4 s, of which the
    // first 0.1 s was silence before any sound), never more than was read.
    ring.SetPlayedByOutput(400'000);
    EXPECT_NEAR(ring.HeardSeconds(), 0.3, 0.031);  // carried on while it plays
    ring.SetPlayedByOutput(400'000);                // stopped: no carrying on
    EXPECT_DOUBLE_EQ(ring.HeardSeconds(), 0.3);
    ring.SetPlayedByOutput(10'000'000);
    EXPECT_DOUBLE_EQ(ring.HeardSeconds(), 0.55);
}

TEST(SoundRing, AWriterWaitsForRoomAndAbortReleasesIt)
{
    SoundRing ring(100, 1, 10);
    const QByteArray sound = Frames(25, 7);
    bool finished = false;
    std::thread writer([&] {
        finished = ring.Write(reinterpret_cast<const uint8_t*>(sound.constData()), 0, 25);
    });
    QTest::qWait(50);  // the writer has filled the ring and waits
    QByteArray heard;
    while (heard.size() < 25) {
        heard += Take(ring, 5);  // reading makes room
        QTest::qWait(20);        // an output pulls at its own pace
    }
    writer.join();
    EXPECT_TRUE(finished);
    EXPECT_EQ(heard, sound);

    std::thread blocked([&] {
        finished = ring.Write(reinterpret_cast<const uint8_t*>(Frames(30, 1).constData()), 25, 30);
    });
    QTest::qWait(50);
    ring.Abort();
    blocked.join();
    EXPECT_FALSE(finished);
}

}  // namespace
}  // namespace tevarro::test
