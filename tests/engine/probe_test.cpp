// GetMediaDuration over good and bad inputs: a length for every file with a
// decodable picture, 0.0 for everything else.
#include "engines/video/ffmpeg_video_engine.h"
#include "media_fixture.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <functional>

namespace tevarro::test {
namespace {

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct ProbeCase {
    const char* label;
    std::function<QString(const QTemporaryDir&)> make;
    double expected;   // seconds; 0.0 means "not convertible"
    double tolerance;
};

TEST(Probe, LengthOfConvertibleFilesAndZeroForAnythingElse)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString tone = "sine=frequency=440:sample_rate=44100:duration=";
    const std::vector<ProbeCase> cases = {
        {"H.264 + AAC in MP4", [](auto&) { return Clip16x9(3.0); }, 3.0, 0.1},
        {"MPEG-4 + MP3 in Matroska", [&](auto&) {
             return MakeMedia("mpeg4.mkv", {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=30:duration=2.5",
                                            "-f", "lavfi", "-i", tone + "2.5", "-c:v", "mpeg4", "-c:a", "libmp3lame"});
         }, 2.5, 0.1},
        {"Motion JPEG + PCM in AVI", [&](auto&) {
             return MakeMedia("mjpeg.avi", {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=15:duration=4",
                                            "-f", "lavfi", "-i", tone + "4", "-c:v", "mjpeg", "-c:a", "pcm_s16le"});
         }, 4.0, 0.1},
        {"MPEG-2 in a transport stream (starts at 1.4 s)", [&](auto&) {
             return MakeMedia("mpeg2.ts", {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=3",
                                           "-f", "lavfi", "-i", tone + "3", "-c:v", "mpeg2video", "-c:a", "mp2"});
         }, 3.0, 0.15},
        {"A recording cut in mid-stream, key frames 2 s apart", [&](const QTemporaryDir& d) {
             const QString whole = MakeMedia("gop2s.ts", {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=60:duration=10",
                                                          "-c:v", "libx264", "-g", "120", "-sc_threshold", "0",
                                                          "-f", "mpegts"});
             QFile in(whole);
             in.open(QIODevice::ReadOnly);
             const QByteArray bytes = in.readAll();
             const QString cut = d.filePath("cut.ts");
             QFile out(cut);
             out.open(QIODevice::WriteOnly);
             out.write(bytes.mid((bytes.size() / 188 / 10 + 7) * 188));  // about a second in
             return cut;
         }, 9.0, 0.6},
        {"Sorenson Spark in FLV (no header to trust)", [&](auto&) {
             return MakeMedia("spark.flv", {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=3",
                                            "-c:v", "flv1"});
         }, 3.0, 0.1},
        {"a one-second clip still reports its length", [&](auto&) {
             return MakeMedia("short.mp4", {"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25:duration=1",
                                            "-c:v", "libx264", "-preset", "ultrafast"});
         }, 1.0, 0.1},
        {"sound only (AAC in M4A)", [&](auto&) {
             return MakeMedia("tone.m4a", {"-f", "lavfi", "-i", tone + "3", "-c:a", "aac"});
         }, 0.0, 0.0},
        {"MP3 whose only picture is cover art", [&](auto&) {
             return MakeMedia("cover.mp3", {"-f", "lavfi", "-i", tone + "3", "-f", "lavfi", "-i",
                                            "color=red:size=64x64:duration=1", "-frames:v", "1", "-map", "0",
                                            "-map", "1", "-c:a", "libmp3lame", "-c:v", "mjpeg",
                                            "-disposition:v", "attached_pic", "-id3v2_version", "3"});
         }, 0.0, 0.0},
        {"zero bytes", [](auto& d) { return WriteFile(d, "empty.mp4", {}); }, 0.0, 0.0},
        {"a text file named .avi", [](auto& d) {
             return WriteFile(d, "notes.avi", QByteArray("Shopping list\nmilk\neggs\n").repeated(50));
         }, 0.0, 0.0},
        {"random bytes named .mp4", [](auto& d) {
             QByteArray noise(64 * 1024, '\0');
             quint32 x = 2463534242u;
             for (char& c : noise) { x ^= x << 13; x ^= x >> 17; x ^= x << 5; c = static_cast<char>(x); }
             return WriteFile(d, "noise.mp4", noise);
         }, 0.0, 0.0},
        {"MP4 cut before its index (moov at the end)", [](auto& d) {
             const QByteArray whole = ReadFile(Clip16x9(3.0));
             return WriteFile(d, "truncated.mp4", whole.left(whole.size() / 2));
         }, 0.0, 0.0},
        {"a file that does not exist", [](auto& d) { return d.filePath("missing.mp4"); }, 0.0, 0.0},
        {"an HLS playlist naming a local segment", [&](auto& d) {
             const QString segment = MakeMedia("mpeg2.ts", {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=3",
                                                            "-f", "lavfi", "-i", tone + "3", "-c:v", "mpeg2video", "-c:a", "mp2"});
             return WriteFile(d, "list.m3u8", ("#EXTM3U\n#EXT-X-TARGETDURATION:3\n#EXTINF:3.0,\n" + segment
                                                + "\n#EXT-X-ENDLIST\n").toUtf8());
         }, 0.0, 0.0},
        {"an ffconcat list naming a local file", [](auto& d) {
             return WriteFile(d, "list.avi", ("ffconcat version 1.0\nfile '" + Clip16x9(3.0) + "'\n").toUtf8());
         }, 0.0, 0.0},
    };

    FfmpegVideoEngine engine;
    for (const ProbeCase& c : cases) {
        SCOPED_TRACE(c.label);
        const QString file = c.make(dir);
        ASSERT_FALSE(file.isEmpty());
        const double seconds = engine.GetMediaDuration(file);
        if (c.expected == 0.0)
            EXPECT_EQ(seconds, 0.0);
        else
            EXPECT_NEAR(seconds, c.expected, c.tolerance);
    }
}

}  // namespace
}  // namespace tevarro::test
