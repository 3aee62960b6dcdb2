// The progress display: the skin's bar "pb", the percentage "pbpos" and the
// converting row's "Status" text, and the completion hint shown once per
// batch when a row has reached its full length. UI thread only.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

namespace tevarro {

class JobList;
class Tfm_hint;
struct ShellState;
struct SkinBindings;

// The widest the bar is drawn, in skin pixels, at 100%.
inline constexpr std::int32_t kProgressBarWidth = 351;

// "12.34%" for 1234; at least four digits are shown.
QString StatusPercentText(std::int32_t hundredthsOfPercent);

class Progress {
public:
    Progress(ShellState& state, JobList& jobs, const SkinBindings& skin, Tfm_hint& hint,
             std::function<void()> BindHintSkin);

    // Draws n hundredths of a percent; outside a batch the display is empty.
    void ShowProgress(std::int32_t n);
    void VideoEdit1Processing(double iCurPos, double iDuration);

private:
    ShellState& state_;
    JobList& jobs_;
    const SkinBindings& skin_;
    Tfm_hint& fm_hint_;
    std::function<void()> BindHintSkin_;
};

}  // namespace tevarro
