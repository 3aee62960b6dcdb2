#include "media_fixture.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTest>

#include <cmath>

namespace tevarro::test {

ToolRun RunTool(const QString& program, const QStringList& args, int timeoutMs)
{
    ToolRun run;
    QProcess process;
    process.start(program, args);
    if (!process.waitForStarted(10000))
        return run;
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return run;
}

QString MakeMedia(const QString& name, const QStringList& args)
{
    const QByteArray recipe = args.join(QLatin1Char('\x1f')).toUtf8();
    const QString tag = QString::fromLatin1(
        QCryptographicHash::hash(recipe, QCryptographicHash::Sha1).toHex().left(10));
    const QFileInfo info(name);
    const QString folder = QStringLiteral(TEVARRO_MEDIA_CACHE);
    QDir().mkpath(folder);
    const QString file = folder + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('-') + tag
                         + QLatin1Char('.') + info.suffix();
    if (QFileInfo::exists(file))
        return file;
    // Made under a temporary name and moved into place, so test processes
    // running side by side never see half a file.
    const QString temporary = file + QStringLiteral(".tmp%1.").arg(QCoreApplication::applicationPid())
                              + info.suffix();
    QStringList full{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y")};
    full += args;
    full << temporary;
    const ToolRun run = RunTool(QStringLiteral("ffmpeg"), full, 120000);
    if (run.exitCode != 0) {
        ADD_FAILURE() << "ffmpeg could not make " << name.toStdString() << ": " << run.err.toStdString();
        QFile::remove(temporary);
        return {};
    }
    QFile::remove(file);
    QFile::rename(temporary, file);
    return file;
}

QString Clip16x9(double seconds)
{
    const QString d = QString::number(seconds);
    return MakeMedia(QStringLiteral("clip16x9.mp4"),
                     {"-f", "lavfi", "-i", "testsrc2=size=640x360:rate=25:duration=" + d,
                      "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=" + d,
                      "-ac", "2", "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p",
                      "-c:a", "aac", "-shortest"});
}

QString BlackThenWhite(double blackSeconds, double seconds)
{
    const QString b = QString::number(blackSeconds);
    const QString w = QString::number(seconds - blackSeconds);
    const QString graph =
        "color=black:size=320x180:rate=25:duration=" + b + "[b];color=white:size=320x180:rate=25:duration=" + w
        + "[w];[b][w]concat=n=2:v=1:a=0[v];anullsrc=r=44100:cl=stereo,atrim=duration=" + b
        + "[s];sine=frequency=440:sample_rate=44100:duration=" + w
        + ",aformat=channel_layouts=stereo[t];[s][t]concat=n=2:v=0:a=1[a]";
    return MakeMedia(QStringLiteral("blackwhite.mp4"),
                     {"-f", "lavfi", "-i", "nullsrc", "-filter_complex", graph, "-map", "[v]", "-map", "[a]",
                      "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-g", "25",
                      "-c:a", "aac"});
}

QJsonObject ProbeJson(const QString& file)
{
    const ToolRun run = RunTool(QStringLiteral("ffprobe"),
                                {"-v", "error", "-print_format", "json", "-show_format", "-show_streams", file});
    return QJsonDocument::fromJson(run.out).object();
}

QJsonObject FirstStream(const QJsonObject& probe, const QString& codecType)
{
    for (const QJsonValue& stream : probe.value(QStringLiteral("streams")).toArray()) {
        if (stream.toObject().value(QStringLiteral("codec_type")).toString() == codecType)
            return stream.toObject();
    }
    return {};
}

QByteArray GrayFrame(const QString& file, double seconds, int width, int height)
{
    const ToolRun run = RunTool(QStringLiteral("ffmpeg"),
                                {"-v", "error", "-ss", QString::number(seconds), "-i", file, "-frames:v", "1",
                                 "-f", "rawvideo", "-pix_fmt", "gray", "-"});
    if (run.out.size() != width * height)
        return {};
    return run.out;
}

double SoundLevel(const QString& file, double from, double length)
{
    const ToolRun run = RunTool(QStringLiteral("ffmpeg"),
                                {"-v", "error", "-i", file, "-vn", "-af",
                                 QStringLiteral("atrim=start=%1:duration=%2").arg(from).arg(length), "-f",
                                 "s16le", "-ac", "1", "-"});
    const auto* samples = reinterpret_cast<const qint16*>(run.out.constData());
    const qsizetype n = run.out.size() / 2;
    if (n == 0)
        return -1.0;
    double sum = 0.0;
    for (qsizetype i = 0; i < n; ++i)
        sum += std::abs(samples[i]) / 32768.0;
    return sum / n;
}

EncodeEvents RunEncode(VideoEngine& engine, const QString& output, int timeoutMs)
{
    EncodeEvents events;
    QObject context;
    QObject::connect(&engine, &VideoEngine::OnProcessing, &context, [&](double pos, double length) {
        if (events.completes > 0)
            events.progressAfterComplete = true;
        events.positions.append(pos);
        events.durations.append(length);
        events.lastEventWasComplete = false;
    });
    QObject::connect(&engine, &VideoEngine::OnComplete, &context, [&] {
        ++events.completes;
        events.lastEventWasComplete = true;
        events.result = engine.LastEncodeResult();
    });
    engine.StartEncode(output);
    events.completedBeforeStartReturned = events.completes > 0;
    QDeadlineTimer deadline(timeoutMs);
    while (events.completes == 0 && !deadline.hasExpired())
        QTest::qWait(10);
    // Anything arriving after the completion would be a fault.
    QDeadlineTimer settle(200);
    while (!settle.hasExpired())
        QTest::qWait(10);
    return events;
}

void SetUpRow(VideoEngine& engine, int preset, const QString& source, double begin, double end)
{
    engine.SetOutputType(3);
    engine.SetiPodProfile(preset);
    engine.SetVideoSampleSize(24);
    engine.SetUseOverlay(false);
    engine.ClearClips();
    engine.AddVideoClip(source, begin, end, 0);
    engine.AddAudioClip(source, begin, end);
}

}  // namespace tevarro::test
