#include "preview/preview.h"

#include "app/shell.h"
#include "convert/progress.h"
#include "engines/video_engine.h"
#include "joblist/job_list.h"
#include "preview/mul_div.h"

#include <QWidget>

namespace tevarro {

bool IsNamed(ISkinObject* object, const char* name)
{
    return object && object->GetName() == QLatin1String(name);
}

Preview::Preview(ShellState& state, JobList& jobs, VideoEngine& engine, const SkinBindings& skin,
                 QWidget& VideoEdit1, Progress& progress)
    : state_(state), jobs_(jobs), engine_(engine), skin_(skin), VideoEdit1_(VideoEdit1), progress_(progress)
{
}

void Preview::ReadBar()
{
    skin_.barScrollBar->GetPosition(state_.BarPos);
}

void Preview::MoveBar(std::int32_t position)
{
    skin_.barScrollBar->SetPosition(position);
    skin_.barElement->Redraw();
}

void Preview::DoPlay()
{
    if (state_.Previewing && state_.PreviewPaused) {
        engine_.PreviewResume();
        state_.PreviewPaused = false;
        return;
    }
    if (state_.Previewing || state_.Converting || jobs_.RowCount() == 0)
        return;
    if (jobs_.SelectedRow() < 0)
        jobs_.SelectRow(0);
    state_.Previewing = true;
    state_.FollowPlayback = true;
    state_.PreviewRow = jobs_.SelectedRow();
    ReadBar();
    const Timerec& row = jobs_.Entry(state_.PreviewRow);
    state_.PreviewStart = MulDiv(state_.BarPos, row.LengthSec, kBarScale);
    VideoEdit1_.show();
    engine_.SetVideoSampleSize(24);
    engine_.SetAspectRatio(false);
    engine_.ClearClips();
    engine_.AddVideoClip(row.SourcePath, state_.PreviewStart, row.LengthSec, 0);
    engine_.AddAudioClip(row.SourcePath, state_.PreviewStart, row.LengthSec);
    engine_.PreviewPlay();
}

void Preview::DoPause()
{
    if (state_.Converting)
        return;
    if (state_.PreviewPaused)
        engine_.PreviewResume();
    else
        engine_.PreviewPause();
    state_.PreviewPaused = !state_.PreviewPaused;
}

void Preview::DoStopPlay()
{
    if (state_.Converting)
        return;
    engine_.PreviewStop();
    VideoEdit1_.hide();
    state_.Previewing = false;
    state_.FollowPlayback = false;
    MoveBar(0);
}

void Preview::VideoEdit1Playing(double iCurrent)
{
    if (!state_.FollowPlayback)
        return;
    const std::int32_t t = TruncateSeconds(iCurrent) + state_.PreviewStart;
    state_.BarPos = MulDiv(t, kBarScale, jobs_.Entry(state_.PreviewRow).LengthSec);
    MoveBar(state_.BarPos);
    ShowText(skin_.timeText, skin_.timeElement, SecondsToClock(t));
}

void Preview::Skin1MouseDown(ISkinObject* source)
{
    if (IsNamed(source, "bar") && state_.Previewing)
        state_.FollowPlayback = false;
}

void Preview::Skin1MouseUp(ISkinObject* source)
{
    if (!state_.Previewing || !IsNamed(source, "bar"))
        return;
    engine_.PreviewStop();
    state_.Previewing = false;
    state_.FollowPlayback = false;
    DoPlay();
}

void Preview::Skin1ScrollTrack(ISkinObject* source)
{
    if (!IsNamed(source, "bar") || jobs_.SelectedRow() < 0 || state_.FollowPlayback)
        return;
    ReadBar();
    if (state_.BarPos > kBarScale)
        state_.BarPos = kBarScale;
    const std::int32_t length = jobs_.Entry(jobs_.SelectedRow()).LengthSec;
    ShowText(skin_.timeText, skin_.timeElement, SecondsToClock(MulDiv(state_.BarPos, length, kBarScale)));
}

void Preview::LVClick()
{
    if (jobs_.RowCount() == 0)
        return;
    if (jobs_.SelectedRow() < 0)
        jobs_.SelectRow(jobs_.RowCount() - 1);
    ReadBar();
    const std::int32_t length = jobs_.Entry(jobs_.SelectedRow()).LengthSec;
    std::int32_t t = MulDiv(state_.BarPos, length, kBarScale);
    if (t > length)
        t = length;
    ShowText(skin_.timeText, skin_.timeElement, SecondsToClock(t));
}

}  // namespace tevarro
