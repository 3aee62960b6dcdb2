// Test media made with the ffmpeg program and read back with ffprobe, plus a
// recorder for the engine's encode events.
#pragma once

#include "engines/video_engine.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <ostream>

// Readable test failures for Qt strings (found by argument lookup).
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace tevarro::test {

struct ToolRun {
    int exitCode = -1;  // -1: did not start or timed out
    QByteArray out;
    QByteArray err;
};
ToolRun RunTool(const QString& program, const QStringList& args, int timeoutMs = 60000);

// A source file made by `ffmpeg -y <args> <file>`, kept in a cache folder
// under a name derived from the recipe, so each is made once per build tree.
// Adds a test failure and returns an empty string when ffmpeg fails.
QString MakeMedia(const QString& name, const QStringList& args);

// Sources most tests share. Picture: testsrc2 at 25 fps, H.264 in MP4;
// sound: a 440 Hz tone, AAC, 44.1 kHz stereo.
QString Clip16x9(double seconds);          // 640x360, square pixels
// 320x180 of a solid colour per stretch: black for `blackSeconds`, then
// white; silent for the same stretch, then a tone.
QString BlackThenWhite(double blackSeconds, double seconds);

QJsonObject ProbeJson(const QString& file);
QJsonObject FirstStream(const QJsonObject& probe, const QString& codecType);

// The picture at `seconds` decoded by ffmpeg as 8-bit gray, width * height bytes.
QByteArray GrayFrame(const QString& file, double seconds, int width, int height);
// Mean absolute sample value (0..1) of the sound over [from, from + length).
double SoundLevel(const QString& file, double from, double length);

// Everything an encode reported, in order of arrival.
struct EncodeEvents {
    int completes = 0;
    bool completedBeforeStartReturned = false;
    QVector<double> positions;   // every OnProcessing iCurPos, in order
    QVector<double> durations;   // and its iDuration
    bool lastEventWasComplete = false;
    bool progressAfterComplete = false;
    EncodeResult result;          // LastEncodeResult() when OnComplete arrived
};

// Starts an encode of the engine's clip set into `output` and runs the event
// loop until OnComplete (or the timeout), then a short while longer to catch
// anything late.
EncodeEvents RunEncode(VideoEngine& engine, const QString& output, int timeoutMs = 90000);

// Sets the engine up as the batch conversion does for one row.
void SetUpRow(VideoEngine& engine, int preset, const QString& source, double begin, double end);

}  // namespace tevarro::test
