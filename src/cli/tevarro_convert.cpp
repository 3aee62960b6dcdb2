// tevarro-convert: converts files with Tevarro's video engine from the
// command line, for scripts and benchmarks. Names outputs exactly as the
// batch conversion does.
//
//   tevarro-convert [--preset N] [--begin S] [--end S] [-o FOLDER] FILE...
//
// Exit status: 0 when every file converted, 1 when any failed, 2 on bad
// arguments.
#include "engines/video/media_input.h"
#include "convert/output_name.h"
#include "engines/presets.h"
#include "engines/video/ffmpeg_video_engine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr double kShortestSource = 2.0;  // seconds, as the job list requires
constexpr int kThumbnailWidth = 160;
constexpr int kThumbnailHeight = 120;

int signalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(signalPipe[1], &byte, 1);
}

void Print(FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

QString Usage()
{
    QString text = QStringLiteral(
        "usage: tevarro-convert [--preset N] [--begin S] [--end S] [-o FOLDER] FILE...\n"
        "  --preset N   output preset, default %1:\n").arg(tevarro::kDefaultPreset);
    for (int i = 0; i < tevarro::kPresetCount; ++i)
        text += QStringLiteral("                 %1  %2\n").arg(i, 2).arg(QLatin1String(tevarro::kPresets[i].label));
    text += QStringLiteral(
        "  --begin S    start of the stretch, seconds into each file (default 0)\n"
        "  --end S      end of the stretch (default: the end of each file)\n"
        "  -o FOLDER    output folder (default: the current folder)\n");
    return text;
}

int BadArguments(const QString& why)
{
    Print(stderr, QStringLiteral("tevarro-convert: %1\n").arg(why) + Usage());
    return 2;
}

std::optional<double> ParseSeconds(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !(value >= 0.0) || value > 1e9)
        return std::nullopt;
    return value;
}

}  // namespace

int main(int argc, char** argv)
{
    tevarro::media::TuneAllocatorForMedia();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tevarro-convert"));

    QCommandLineParser parser;
    const QCommandLineOption presetOption(QStringLiteral("preset"), QString(), QStringLiteral("N"));
    const QCommandLineOption beginOption(QStringLiteral("begin"), QString(), QStringLiteral("S"));
    const QCommandLineOption endOption(QStringLiteral("end"), QString(), QStringLiteral("S"));
    const QCommandLineOption folderOption(QStringLiteral("o"), QString(), QStringLiteral("FOLDER"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions({presetOption, beginOption, endOption, folderOption, helpOption});
    parser.addPositionalArgument(QStringLiteral("FILE"), QString());
    if (!parser.parse(QCoreApplication::arguments()))
        return BadArguments(parser.errorText());
    if (parser.isSet(helpOption)) {
        Print(stdout, Usage());
        return 0;
    }

    int preset = tevarro::kDefaultPreset;
    if (parser.isSet(presetOption)) {
        bool ok = false;
        preset = parser.value(presetOption).toInt(&ok);
        if (!ok || preset < 0 || preset >= tevarro::kPresetCount)
            return BadArguments(QStringLiteral("--preset must be 0 to %1").arg(tevarro::kPresetCount - 1));
    }
    std::optional<double> begin;
    std::optional<double> end;
    if (parser.isSet(beginOption) && !(begin = ParseSeconds(parser.value(beginOption))))
        return BadArguments(QStringLiteral("--begin needs seconds, 0 or more"));
    if (parser.isSet(endOption) && !(end = ParseSeconds(parser.value(endOption))))
        return BadArguments(QStringLiteral("--end needs seconds, 0 or more"));
    if (end && *end <= begin.value_or(0.0))
        return BadArguments(QStringLiteral("--end must come after --begin"));
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty())
        return BadArguments(QStringLiteral("no FILE given"));

    QString folder = parser.isSet(folderOption) ? parser.value(folderOption) : QDir::currentPath();
    if (folder.isEmpty())
        return BadArguments(QStringLiteral("-o needs a folder"));
    folder = QDir::toNativeSeparators(folder);
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    const bool folderReady = QDir().mkpath(folder);

    tevarro::FfmpegVideoEngine engine;
    QEventLoop loop;
    bool interrupted = false;
    QObject::connect(&engine, &tevarro::VideoEngine::OnComplete, &loop, &QEventLoop::quit);
    const bool showPercent = isatty(fileno(stderr));
    QObject::connect(&engine, &tevarro::VideoEngine::OnProcessing, &app, [showPercent](double pos, double length) {
        if (showPercent)
            Print(stderr, QStringLiteral("\r  %1%").arg(100.0 * pos / length, 5, 'f', 1));
    });

    // Ctrl+C stops the running encode cleanly: its partial file is removed.
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0) {
        std::signal(SIGINT, OnSignal);
        std::signal(SIGTERM, OnSignal);
    }
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
        char byte;
        [[maybe_unused]] const ssize_t n = read(signalPipe[0], &byte, 1);
        interrupted = true;
        engine.StopEncode();
        loop.quit();
    });

    int failed = 0;
    for (int i = 0; i < files.size() && !interrupted; ++i) {
        const QString& file = files[i];
        auto fail = [&](const QString& reason) {
            Print(stdout, QStringLiteral("FAILED %1: %2\n").arg(file, reason));
            ++failed;
        };
        Print(stderr, QStringLiteral("[%1/%2] %3\n").arg(i + 1).arg(files.size()).arg(file));
        if (!folderReady) {
            fail(QStringLiteral("cannot create the output folder %1").arg(folder));
            continue;
        }
        const double length = engine.GetMediaDuration(file);
        if (length < kShortestSource) {
            fail(length > 0.0 ? QStringLiteral("shorter than 2 seconds")
                              : QStringLiteral("not a video file Tevarro can read"));
            continue;
        }
        const double start = begin.value_or(0.0);
        const double stop = std::min(end.value_or(length), length);
        if (start >= stop) {
            fail(QStringLiteral("--begin lies beyond the end (%1 s)").arg(length));
            continue;
        }
        const std::optional<QString> output =
            tevarro::ChooseOutputName(folder, QFileInfo(file).completeBaseName());
        if (!output) {
            fail(QStringLiteral("all output names are taken"));
            continue;
        }
        const QString thumbnail = tevarro::ThumbnailName(*output);
        Print(stderr, QStringLiteral("  -> %1 (%2 s to %3 s, %4)\n")
                          .arg(*output).arg(start).arg(stop).arg(QLatin1String(tevarro::kPresets[preset].label)));

        engine.SetOutputType(3);
        engine.SetiPodProfile(preset);
        engine.SetVideoSampleSize(24);
        engine.SetUseOverlay(false);
        engine.ClearClips();
        engine.AddVideoClip(file, start, stop, 0);
        engine.AddAudioClip(file, start, stop);
        if (!engine.SaveFrameImage(file, 0.0, thumbnail, kThumbnailWidth, kThumbnailHeight, 1)) {
            fail(QStringLiteral("cannot write the thumbnail %1").arg(thumbnail));
            continue;
        }
        engine.StartEncode(*output);
        loop.exec();
        if (showPercent)
            Print(stderr, QStringLiteral("\n"));

        const tevarro::EncodeResult result = engine.LastEncodeResult();
        if (result.kind == tevarro::EncodeResult::Kind::Succeeded) {
            Print(stdout, QStringLiteral("OK %1\n").arg(*output));
            continue;
        }
        QFile::remove(thumbnail);  // no thumbnail without its video
        fail(result.kind == tevarro::EncodeResult::Kind::Stopped ? QStringLiteral("stopped")
                                                                  : result.message);
    }
    if (interrupted)
        return 130;
    return failed == 0 ? 0 : 1;
}
