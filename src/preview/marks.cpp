#include "app/shell.h"
#include "convert/progress.h"
#include "engines/video_engine.h"
#include "joblist/job_list.h"
#include "preview/mul_div.h"
#include "preview/preview.h"

#include <QThread>
#include <cmath>

namespace tevarro {

namespace {

constexpr double kPreviewStep = 30.0;  // seconds, while a preview runs
constexpr double kIdleStep = 1.4;      // seconds, otherwise
constexpr unsigned long kStepPauseMs = 100;

}  // namespace

int Preview::MarkRow() const
{
    if (state_.Previewing) {
        // A cleared list leaves the previewed row behind; nothing to mark then.
        return state_.PreviewRow < jobs_.RowCount() ? state_.PreviewRow : -1;
    }
    return jobs_.SelectedRow();
}

void Preview::Mark(std::int32_t Timerec::*mark, ISkinText* label, ISkinElement* labelElement)
{
    if (state_.Converting)
        return;
    const int row = MarkRow();
    if (row < 0)
        return;
    ReadBar();
    Timerec& entry = jobs_.Entry(row);
    entry.*mark = MulDiv(state_.BarPos, entry.LengthSec, kBarScale);
    jobs_.SetText(row, JobColumn::Span, SpanText(entry));
    ShowText(label, labelElement, SecondsToClock(entry.*mark));
    jobs_.SetText(row, JobColumn::Time, KeptTimeText(entry));
}

void Preview::DoMarkBegin()
{
    Mark(&Timerec::BeginSec, skin_.begintimeText, skin_.begintimeElement);
}

void Preview::DoMarkEnd()
{
    Mark(&Timerec::EndSec, skin_.endtimeText, skin_.endtimeElement);
}

void Preview::Step(double amountWhilePreviewing, double amountOtherwise)
{
    // Rows without a selected one have no length to step by.
    if (jobs_.RowCount() == 0 || jobs_.SelectedRow() < 0)
        return;
    ReadBar();
    const double length = jobs_.Entry(jobs_.SelectedRow()).LengthSec;
    double t = length * state_.BarPos / kBarScale;
    const double amount = state_.Previewing ? amountWhilePreviewing : amountOtherwise;
    t += amount;
    // A step back stops at the start, a step forward at the end.
    if (amount < 0 && t < 0)
        t = 0;
    if (amount > 0 && t > length)
        t = length;
    state_.BarPos = static_cast<std::int32_t>(std::trunc(t * kBarScale / length));
    skin_.barScrollBar->SetPosition(state_.BarPos);
    progress_.ShowProgress(state_.BarPos);
    if (state_.Previewing) {
        engine_.PreviewStop();
        state_.Previewing = false;
        DoPlay();
    }
    ShowText(skin_.timeText, skin_.timeElement, SecondsToClock(static_cast<std::int32_t>(std::trunc(t))));
    QThread::msleep(kStepPauseMs);
}

void Preview::DoStepBack()
{
    Step(-kPreviewStep, -kIdleStep);
}

void Preview::DoStepForward()
{
    Step(kPreviewStep, kIdleStep);
}

}  // namespace tevarro
