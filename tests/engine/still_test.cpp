// SaveFrameImage: the thumbnail a player shows beside each video.
#include "engines/video/ffmpeg_video_engine.h"
#include "media_fixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QTemporaryDir>

namespace tevarro::test {
namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Mean gray level of the thumbnail's centre, decoded by ffmpeg.
int CentreGray(const QString& jpeg)
{
    const QByteArray gray = GrayFrame(jpeg, 0.0, 160, 120);
    return gray.isEmpty() ? -1 : static_cast<unsigned char>(gray[60 * 160 + 80]);
}

TEST(StillImage, SmallBaselineJpegOfTheRequestedFrame)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    FfmpegVideoEngine engine;
    const QString busy = Clip16x9(2.0);
    const QString thumb = dir.filePath("clip.THM");
    ASSERT_TRUE(engine.SaveFrameImage(busy, 0.0, thumb, 160, 120, 1));

    const QByteArray bytes = ReadAll(thumb);
    ASSERT_GE(bytes.size(), 4);
    EXPECT_LT(bytes.size(), 16 * 1024);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xD8);
    EXPECT_TRUE(bytes.contains("\xFF\xC0"));   // baseline frame header
    EXPECT_FALSE(bytes.contains("\xFF\xC2"));  // and no progressive one
    const QJsonObject picture = FirstStream(ProbeJson(thumb), "video");
    EXPECT_EQ(picture.value("codec_name").toString(), "mjpeg");
    EXPECT_EQ(picture.value("width").toInt(), 160);
    EXPECT_EQ(picture.value("height").toInt(), 120);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden) == QStringList{"clip.THM"});

    // The time picks the frame: black before 1 s, white after. An image of
    // the same name is replaced.
    const QString blackWhite = BlackThenWhite(1.0, 3.0);
    ASSERT_TRUE(engine.SaveFrameImage(blackWhite, 0.0, thumb, 160, 120, 1));
    EXPECT_LT(CentreGray(thumb), 40);
    ASSERT_TRUE(engine.SaveFrameImage(blackWhite, 2.0, thumb, 160, 120, 1));
    EXPECT_GT(CentreGray(thumb), 200);
}

TEST(StillImage, UnreadableSourcesGiveFalseAndNoFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile text(dir.filePath("notes.avi"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a video\n");
    text.close();
    const QString tone = MakeMedia("tone.m4a", {"-f", "lavfi", "-i",
        "sine=frequency=440:sample_rate=44100:duration=3", "-c:a", "aac"});
    FfmpegVideoEngine engine;
    for (const QString& source : {dir.filePath("notes.avi"), dir.filePath("missing.mp4"), tone}) {
        SCOPED_TRACE(source.toStdString());
        EXPECT_FALSE(engine.SaveFrameImage(source, 0.0, dir.filePath("out.THM"), 160, 120, 1));
        EXPECT_FALSE(QFile::exists(dir.filePath("out.THM")));
    }
    EXPECT_FALSE(engine.SaveFrameImage(Clip16x9(2.0), 0.0, dir.filePath("no-folder/out.THM"), 160, 120, 1));
}

}  // namespace
}  // namespace tevarro::test
