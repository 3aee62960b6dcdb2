// Through the window with the real video engine and the real skin: media is
// generated with the ffmpeg program and the outputs are read back with ffprobe.
#include "engines/skin/skin_engine.h"
#include "engines/video/ffmpeg_video_engine.h"
#include "harness.h"
#include "preview/preview.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QTimer>
#include <gtest/gtest.h>
#include <unistd.h>

namespace tevarro::testing {
namespace {

bool Run(const QString& program, const QStringList& arguments, QByteArray* out = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return false;
    if (out)
        *out = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// A clip of `seconds` with moving picture and a tone.
void MakeClip(const QString& path, double seconds, bool sound = true)
{
    QStringList args{"-v", "error", "-y", "-f", "lavfi", "-i",
                     QStringLiteral("testsrc2=size=320x180:rate=25:duration=%1").arg(seconds)};
    if (sound)
        args << "-f" << "lavfi" << "-i" << QStringLiteral("sine=frequency=440:duration=%1").arg(seconds);
    args << "-c:v" << "libx264" << "-preset" << "ultrafast" << "-pix_fmt" << "yuv420p";
    if (sound)
        args << "-c:a" << "aac";
    args << path;
    ASSERT_TRUE(Run(QStringLiteral("ffmpeg"), args)) << path.toStdString();
}

QJsonObject Probe(const QString& path)
{
    QByteArray json;
    if (!Run(QStringLiteral("ffprobe"), {"-v", "error", "-show_format", "-show_streams", "-of", "json", path}, &json))
        return {};
    return QJsonDocument::fromJson(json).object();
}

bool DecodesCleanly(const QString& path)
{
    QProcess process;
    process.start(QStringLiteral("ffmpeg"), {"-v", "error", "-i", path, "-f", "null", "-"});
    process.waitForFinished(120000);
    return process.exitCode() == 0 && process.readAllStandardError().trimmed().isEmpty();
}

struct RealHarness : WindowRig<SkinEngine, FfmpegVideoEngine> {
    QTemporaryDir temp;
    QTemporaryDir media;
    QTemporaryDir out;

    RealHarness()
    {
        Open({QStringLiteral(TEVARRO_BIN_DIR), temp.filePath(QStringLiteral("quillmoor.ini"))});
        window->ed_output()->setText(out.path());
    }
    QString Media(const char* name) const { return media.filePath(QLatin1String(name)); }
    QString Out(const char* name) const { return out.filePath(QLatin1String(name)); }
    JobList& jobs() { return window->Jobs(); }
    ISkinObject* Object(const char* name) { return skin.GetSkinForm(window.get())->FindObject(QLatin1String(name)); }
    void SetBar(int position) { QueryInterface<ISkinScrollBar>(Object("bar"))->SetPosition(position); }
    int Bar()
    {
        int position = 0;
        QueryInterface<ISkinScrollBar>(Object("bar"))->GetPosition(position);
        return position;
    }
    void AddFolder()
    {
        prompter.folder = media.path();
        window->DoAddFolder();
    }
    // Runs the event loop until `done` holds or the time is up.
    bool WaitFor(const std::function<bool()>& done, int ms)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }
};

TEST(EndToEnd, AddFolderProbesRealFiles)
{
    RealHarness h;
    MakeClip(h.Media("long one.mp4"), 3.0);
    MakeClip(h.Media("short.avi"), 1.0);
    MakeClip(h.Media("other.mov"), 4.5);
    h.AddFolder();
    ASSERT_EQ(h.jobs().RowCount(), 2);
    QStringList captions{h.jobs().Caption(0), h.jobs().Caption(1)};
    captions.sort();
    EXPECT_EQ(captions, QStringList({QStringLiteral("long one"), QStringLiteral("other")}));
    for (int row = 0; row < 2; ++row) {
        const bool isLong = h.jobs().Caption(row) == QStringLiteral("long one");
        EXPECT_EQ(h.jobs().Text(row, JobColumn::Span),
                  isLong ? QStringLiteral("00:00:00 - 00:00:03") : QStringLiteral("00:00:00 - 00:00:04"));
        EXPECT_EQ(h.jobs().Text(row, JobColumn::Status), QStringLiteral("unconverted"));
    }
    ASSERT_EQ(h.prompter.questions.size(), 1);
    EXPECT_TRUE(h.prompter.questions[0].startsWith(QStringLiteral("short.avi can not be supported")));
}

TEST(EndToEnd, ConvertsEveryRowIncludingATrimmedOne)
{
    RealHarness h;
    MakeClip(h.Media("a.mp4"), 3.0);
    MakeClip(h.Media("b.mov"), 5.0);
    MakeClip(h.Media("c.mp4"), 2.5, false);
    h.prompter.files = QStringList{h.Media("a.mp4"), h.Media("b.mov"), h.Media("c.mp4")};
    h.window->DoAddFiles();
    ASSERT_EQ(h.jobs().RowCount(), 3);
    h.jobs().Entry(1).BeginSec = 1;
    h.jobs().Entry(1).EndSec = 3;
    h.window->DoConvert();

    const double expected[] = {3.0, 2.0, 2.0};  // marks are whole seconds
    const char* names[] = {"a", "b", "c"};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(h.jobs().Text(row, JobColumn::Status), QStringLiteral("Finish")) << row;
        const QString mp4 = h.out.filePath(QLatin1String(names[row]) + QStringLiteral(".mp4"));
        const QJsonObject info = Probe(mp4);
        ASSERT_FALSE(info.isEmpty()) << mp4.toStdString();
        EXPECT_NEAR(info["format"].toObject()["duration"].toString().toDouble(), expected[row], 0.1) << row;
        bool video = false;
        bool audio = false;
        for (const QJsonValue& stream : info["streams"].toArray()) {
            const QJsonObject s = stream.toObject();
            if (s["codec_type"].toString() == QStringLiteral("video")) {
                video = true;
                EXPECT_EQ(s["codec_name"].toString(), QStringLiteral("mpeg4"));
                EXPECT_EQ(s["width"].toInt(), 320);
                EXPECT_EQ(s["height"].toInt(), 240);
            } else if (s["codec_type"].toString() == QStringLiteral("audio")) {
                audio = true;
                EXPECT_EQ(s["codec_name"].toString(), QStringLiteral("aac"));
            }
        }
        EXPECT_TRUE(video && audio) << row;
        EXPECT_TRUE(DecodesCleanly(mp4)) << row;

        QFile thm(h.out.filePath(QLatin1String(names[row]) + QStringLiteral(".THM")));
        ASSERT_TRUE(thm.open(QIODevice::ReadOnly)) << row;
        const QByteArray jpeg = thm.readAll();
        EXPECT_TRUE(jpeg.startsWith("\xFF\xD8"));
        EXPECT_LT(jpeg.size(), 16 * 1024);
    }
    EXPECT_TRUE(QDir(h.out.path()).entryList({QStringLiteral("*.part")}, QDir::Files | QDir::Hidden).isEmpty());
}

TEST(EndToEnd, ADeletedSourceFailsAndTheOthersConvert)
{
    RealHarness h;
    MakeClip(h.Media("a.mp4"), 2.5);
    MakeClip(h.Media("gone.mp4"), 2.5);
    MakeClip(h.Media("c.mp4"), 2.5);
    h.prompter.files = QStringList{h.Media("a.mp4"), h.Media("gone.mp4"), h.Media("c.mp4")};
    h.window->DoAddFiles();
    ASSERT_EQ(h.jobs().RowCount(), 3);
    QFile::remove(h.Media("gone.mp4"));
    h.window->DoConvert();
    EXPECT_EQ(h.jobs().Text(0, JobColumn::Status), QStringLiteral("Finish"));
    EXPECT_EQ(h.jobs().Text(1, JobColumn::Status), QStringLiteral("Failed"));
    EXPECT_EQ(h.jobs().Text(2, JobColumn::Status), QStringLiteral("Finish"));
    EXPECT_EQ(QDir(h.out.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              QStringList({"a.THM", "a.mp4", "c.THM", "c.mp4"}));
}

TEST(EndToEnd, StopMidRowLeavesNoFileOfThatRow)
{
    RealHarness h;
    MakeClip(h.Media("long.mp4"), 20.0);
    h.prompter.files = QStringList{h.Media("long.mp4")};
    h.window->DoAddFiles();
    ASSERT_EQ(h.jobs().RowCount(), 1);
    QObject::connect(&h.engine, &VideoEngine::OnProcessing, h.window.get(), [&](double, double) {
        if (h.window->State().Converting)
            h.window->DoStopConvert();
    });
    h.window->DoConvert();
    EXPECT_EQ(h.jobs().Text(0, JobColumn::Status), QStringLiteral("Stopped"));
    // Nothing late arrives, and nothing is left behind.
    h.WaitFor([] { return false; }, 700);
    EXPECT_EQ(h.jobs().Text(0, JobColumn::Status), QStringLiteral("Stopped"));
    EXPECT_TRUE(QDir(h.out.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(EndToEnd, ReadOnlyOutputFolderGivesTheMessageAndNoBatch)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser";
    RealHarness h;
    MakeClip(h.Media("a.mp4"), 2.5);
    h.prompter.files = QStringList{h.Media("a.mp4")};
    h.window->DoAddFiles();
    QFile::setPermissions(h.out.path(), QFile::ReadOwner | QFile::ExeOwner);
    h.window->DoConvert();
    QFile::setPermissions(h.out.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(h.prompter.messages, QStringList(QStringLiteral("Can't create this directory.")));
    EXPECT_EQ(h.jobs().Text(0, JobColumn::Status), QStringLiteral("unconverted"));
}

TEST(EndToEnd, PreviewMovesTheBarPausesAndStops)
{
    RealHarness h;
    MakeClip(h.Media("p.mp4"), 6.0);
    h.prompter.files = QStringList{h.Media("p.mp4")};
    h.window->DoAddFiles();
    ASSERT_EQ(h.jobs().RowCount(), 1);
    int frames = 0;
    QObject::connect(&h.engine, &VideoEngine::OnPreviewFrame, h.window.get(), [&](const QImage&) { ++frames; });

    h.window->DoPlay();
    ASSERT_TRUE(h.window->State().Previewing);
    EXPECT_TRUE(h.WaitFor([&] { return h.Bar() > 0; }, 3000)) << "playback reports move the bar";
    EXPECT_GT(frames, 0);

    h.window->DoPause();
    h.WaitFor([] { return false; }, 300);
    const int pausedAt = h.Bar();
    h.WaitFor([] { return false; }, 1200);
    EXPECT_EQ(h.Bar(), pausedAt) << "a paused preview does not move";
    h.window->DoPause();
    EXPECT_TRUE(h.WaitFor([&] { return h.Bar() > pausedAt; }, 3000)) << "resumed";

    h.window->DoStopPlay();
    EXPECT_EQ(h.Bar(), 0);
    const int framesAtStop = frames;
    h.WaitFor([] { return false; }, 500);
    EXPECT_EQ(h.Bar(), 0);
    EXPECT_EQ(frames, framesAtStop);
}

TEST(EndToEnd, MarksFromTheBarTrimTheOutput)
{
    RealHarness h;
    MakeClip(h.Media("five.mp4"), 5.0);
    h.prompter.files = QStringList{h.Media("five.mp4")};
    h.window->DoAddFiles();
    ASSERT_EQ(h.jobs().Entry(0).LengthSec, 5);
    h.SetBar(2000);
    h.window->DoMarkBegin();
    h.SetBar(6000);
    h.window->DoMarkEnd();
    EXPECT_EQ(h.jobs().Text(0, JobColumn::Span), QStringLiteral("00:00:01 - 00:00:03"));
    h.window->DoConvert();
    EXPECT_EQ(h.jobs().Text(0, JobColumn::Status), QStringLiteral("Finish"));
    const QJsonObject info = Probe(h.Out("five.mp4"));
    EXPECT_NEAR(info["format"].toObject()["duration"].toString().toDouble(), 2.0, 1.0 / 29.97 + 0.03);
}

}  // namespace
}  // namespace tevarro::testing
