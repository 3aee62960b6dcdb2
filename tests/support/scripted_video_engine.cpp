#include "scripted_video_engine.h"

#include <QFile>
#include <QMetaObject>

namespace tevarro::testing {

namespace {

QString Number(double value)
{
    return QString::number(value, 'g', 10);
}

}  // namespace

void ScriptedVideoEngine::SetOutputType(int value) { calls << QStringLiteral("OutputType=%1").arg(value); }
void ScriptedVideoEngine::SetUseOverlay(bool value) { calls << QStringLiteral("UseOverlay=%1").arg(value); }
void ScriptedVideoEngine::SetiPodProfile(int index) { calls << QStringLiteral("iPodProfile=%1").arg(index); }
void ScriptedVideoEngine::SetVideoSampleSize(int bits) { calls << QStringLiteral("VideoSampleSize=%1").arg(bits); }
void ScriptedVideoEngine::SetAspectRatio(bool value) { calls << QStringLiteral("AspectRatio=%1").arg(value); }

double ScriptedVideoEngine::GetMediaDuration(const QString& file)
{
    calls << QStringLiteral("GetMediaDuration(%1)").arg(file);
    return durations.value(file, 0.0);
}

void ScriptedVideoEngine::ClearClips() { calls << QStringLiteral("ClearClips"); }

bool ScriptedVideoEngine::AddVideoClip(const QString& file, double start, double stop, short transition)
{
    lastClipFile = file;
    calls << QStringLiteral("AddVideoClip(%1,%2,%3,%4)").arg(file, Number(start), Number(stop)).arg(transition);
    return true;
}

bool ScriptedVideoEngine::AddAudioClip(const QString& file, double start, double stop)
{
    calls << QStringLiteral("AddAudioClip(%1,%2,%3)").arg(file, Number(start), Number(stop));
    return true;
}

bool ScriptedVideoEngine::SaveFrameImage(const QString& file, double time, const QString& image, int width,
                                         int height, short kind)
{
    calls << QStringLiteral("SaveFrameImage(%1,%2,%3,%4,%5,%6)")
                 .arg(file, Number(time), image)
                 .arg(width)
                 .arg(height)
                 .arg(kind);
    QFile out(image);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write("\xFF\xD8 thumbnail");
    return true;
}

void ScriptedVideoEngine::Post(std::function<void()> work)
{
    const int generation = generation_;
    QMetaObject::invokeMethod(
        this,
        [this, generation, work = std::move(work)] {
            if (generation == generation_)
                work();
        },
        Qt::QueuedConnection);
}

bool ScriptedVideoEngine::StartEncode(const QString& output)
{
    calls << QStringLiteral("StartEncode(%1)").arg(output);
    const int index = encodesStarted++;
    result_ = {};
    if (onStartEncode)
        onStartEncode(index);
    switch (plan) {
    case Plan::Succeed:
        Post([this] { emit OnProcessing(clipLength / 2, clipLength); });
        Post([this] { emit OnProcessing(clipLength, clipLength); });
        Post([this, output] {
            QFile file(output);
            if (file.open(QIODevice::WriteOnly))
                file.write("mp4");
            result_ = {EncodeResult::Kind::Succeeded, {}};
            emit OnComplete();
        });
        break;
    case Plan::Fail:
        Post([this] {
            result_ = {EncodeResult::Kind::Failed, QStringLiteral("scripted failure")};
            emit OnComplete();
        });
        break;
    case Plan::Hang:
        break;
    }
    return true;
}

void ScriptedVideoEngine::StopEncode()
{
    calls << QStringLiteral("StopEncode");
    ++generation_;
    if (result_.kind == EncodeResult::Kind::None)
        result_ = {EncodeResult::Kind::Stopped, {}};
}

bool ScriptedVideoEngine::PreviewPlay()
{
    calls << QStringLiteral("PreviewPlay");
    return true;
}

void ScriptedVideoEngine::PreviewPause() { calls << QStringLiteral("PreviewPause"); }
void ScriptedVideoEngine::PreviewResume() { calls << QStringLiteral("PreviewResume"); }
void ScriptedVideoEngine::PreviewStop() { calls << QStringLiteral("PreviewStop"); }

QStringList ScriptedVideoEngine::CallsStartingWith(const QString& prefix) const
{
    QStringList found;
    for (const QString& call : calls) {
        if (call.startsWith(prefix))
            found << call;
    }
    return found;
}

}  // namespace tevarro::testing
