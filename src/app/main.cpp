// Tevarro: turns video files into files for a portable media player.
#include "app/program.h"
#include "app/prompter.h"
#include "app/settings.h"
#include "engines/skin/skin_engine.h"
#include "engines/video/ffmpeg_video_engine.h"
#include "engines/video/media_input.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    tevarro::media::TuneAllocatorForMedia();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tevarro"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tevarro"));
    QApplication::setDesktopFileName(QStringLiteral("tevarro"));

    tevarro::SkinEngine skin;
    tevarro::FfmpegVideoEngine engine;
    tevarro::QtPrompter prompter;
    const tevarro::ProgramOptions options{QCoreApplication::applicationDirPath(),
                                          tevarro::DefaultSettingsPath()};
    return tevarro::RunProgram(app, skin, engine, prompter, options);
}
