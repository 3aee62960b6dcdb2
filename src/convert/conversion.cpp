#include "convert/conversion.h"

#include "app/output_folder.h"
#include "app/prompter.h"
#include "app/shell.h"
#include "convert/hint.h"
#include "convert/output_name.h"
#include "convert/progress.h"
#include "engines/video_engine.h"
#include "joblist/job_list.h"
#include "preview/preview.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QWidget>

namespace tevarro {

QString WithTrailingSeparator(const QString& folder)
{
    if (folder.endsWith(QDir::separator()))
        return folder;
    return folder + QDir::separator();
}

Conversion::Conversion(ShellState& state, JobList& jobs, VideoEngine& engine, Preview& preview,
                       Progress& progress, Prompter& prompter, QLineEdit& ed_output, QComboBox& cb_format,
                       QWidget& VideoEdit1, Tfm_hint& hint)
    : state_(state),
      jobs_(jobs),
      engine_(engine),
      preview_(preview),
      progress_(progress),
      prompter_(prompter),
      ed_output_(ed_output),
      cb_format_(cb_format),
      VideoEdit1_(VideoEdit1),
      fm_hint_(hint)
{
}

void Conversion::DoConvert()
{
    if (jobs_.RowCount() == 0)
        return;
    if (state_.Previewing)
        preview_.DoStopPlay();
    if (state_.Converting)
        return;

    // A batch needs a folder to write into; without one it does not start.
    const QString typed = ed_output_.text();
    if (!EnsureFolder(typed) || !CanWriteInto(typed)) {
        prompter_.Inform(QLatin1String(kCantCreateFolder));
        return;
    }

    state_.Converting = true;
    state_.HintShown = false;
    VideoEdit1_.hide();
    state_.OutputFolder = WithTrailingSeparator(typed);
    // A folder confirmed while the batch runs applies to the next batch.
    const QString folder = state_.OutputFolder;

    const int rows = jobs_.RowCount();
    for (int row = 0; row < rows && state_.Converting; ++row)
        ConvertOneRow(row, folder);

    state_.Converting = false;
    progress_.ShowProgress(0);
}

void Conversion::ConvertOneRow(int row, const QString& folder)
{
    state_.ConvertRow = row;
    const std::optional<QString> output = ChooseOutputName(folder, jobs_.Caption(row));
    if (!output) {
        // Every name is taken; nothing may be overwritten.
        jobs_.SetText(row, JobColumn::Status, QLatin1String(kStatusFailed));
        return;
    }
    const QString thumbnail = ThumbnailName(*output);

    engine_.SetOutputType(3);
    engine_.SetiPodProfile(cb_format_.currentIndex());
    engine_.SetVideoSampleSize(24);
    engine_.SetUseOverlay(false);
    engine_.ClearClips();
    const Timerec& entry = jobs_.Entry(row);
    engine_.AddVideoClip(entry.SourcePath, entry.BeginSec, entry.EndSec, 0);
    engine_.AddAudioClip(entry.SourcePath, entry.BeginSec, entry.EndSec);
    engine_.SaveFrameImage(entry.SourcePath, 0.0, thumbnail, kThumbnailWidth, kThumbnailHeight, 1);
    engine_.StartEncode(*output);
    state_.EngineBusy = true;

    // Waits in the event loop, without spinning, for the engine's completion
    // event or a stop.
    while (state_.EngineBusy && state_.Converting)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    // A row that completed before a stop came is still a finished row.
    const bool succeeded = engine_.LastEncodeResult().kind == EncodeResult::Kind::Succeeded;
    const bool stopped = !succeeded && !state_.Converting;
    if (!succeeded)
        QFile::remove(thumbnail);  // the name was free: this row wrote it
    const char* status = succeeded ? kStatusFinish : stopped ? kStatusStopped : kStatusFailed;
    // A failed row says why when the pointer rests on it.
    const QString why = succeeded || stopped ? QString() : engine_.LastEncodeResult().message;
    jobs_.SetText(state_.ConvertRow, JobColumn::Status, QLatin1String(status), why);
}

void Conversion::DoStopConvert()
{
    if (state_.Previewing)
        return;
    state_.EngineBusy = false;
    state_.Converting = false;
    engine_.StopEncode();
    progress_.ShowProgress(0);
}

void Conversion::VideoEdit1Complete()
{
    fm_hint_.CloseHint();
    state_.EngineBusy = false;
}

}  // namespace tevarro
