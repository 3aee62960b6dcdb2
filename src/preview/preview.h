// Preview playback kept in step with the seek bar, the begin and end marks,
// and the step commands. Works on the seek bar's fixed 0..10000 scale (BarPos)
// and the preview flags of ShellState. UI thread only.
#pragma once

#include "joblist/job_table.h"

#include <cstdint>

class QWidget;

namespace tevarro {

class JobList;
class Progress;
class VideoEngine;
class ISkinElement;
class ISkinObject;
class ISkinText;
struct ShellState;
struct SkinBindings;

class Preview {
public:
    Preview(ShellState& state, JobList& jobs, VideoEngine& engine, const SkinBindings& skin,
            QWidget& VideoEdit1, Progress& progress);

    // Commands.
    void DoPlay();
    void DoPause();
    void DoStopPlay();
    void DoMarkBegin();
    void DoMarkEnd();
    void DoStepBack();
    void DoStepForward();

    // Events.
    void VideoEdit1Playing(double iCurrent);
    void Skin1MouseDown(ISkinObject* source);
    void Skin1MouseUp(ISkinObject* source);
    void Skin1ScrollTrack(ISkinObject* source);
    void LVClick();

private:
    void ReadBar();
    void MoveBar(std::int32_t position);  // sets the bar and redraws it
    // The row a mark command works on, or -1.
    int MarkRow() const;
    // Sets one mark of the mark row from the bar and shows it in the list and
    // in its label.
    void Mark(std::int32_t Timerec::*mark, ISkinText* label, ISkinElement* labelElement);
    void Step(double amountWhilePreviewing, double amountOtherwise);

    ShellState& state_;
    JobList& jobs_;
    VideoEngine& engine_;
    const SkinBindings& skin_;
    QWidget& VideoEdit1_;
    Progress& progress_;
};

bool IsNamed(ISkinObject* object, const char* name);

}  // namespace tevarro
