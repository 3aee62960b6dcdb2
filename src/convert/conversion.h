// The batch conversion: every row of the list becomes an ".mp4" and a ".THM"
// in the output folder, one row at a time. DoConvert runs the whole batch
// inside the "convert" click and waits for each row in the event loop, so the
// engine's events and the user's commands run nested inside it; the flags of
// ShellState keep them apart. UI thread only.
#pragma once

#include <QString>

class QComboBox;
class QLineEdit;
class QWidget;

namespace tevarro {

class JobList;
class Preview;
class Progress;
class Prompter;
class Tfm_hint;
class VideoEngine;
struct ShellState;

// Status texts of a row beside "unconverted" and the percentages.
inline constexpr const char* kStatusFinish = "Finish";
inline constexpr const char* kStatusFailed = "Failed";
inline constexpr const char* kStatusStopped = "Stopped";

inline constexpr int kThumbnailWidth = 160;
inline constexpr int kThumbnailHeight = 120;

// The folder text with the native separator at its end.
QString WithTrailingSeparator(const QString& folder);

class Conversion {
public:
    Conversion(ShellState& state, JobList& jobs, VideoEngine& engine, Preview& preview, Progress& progress,
               Prompter& prompter, QLineEdit& ed_output, QComboBox& cb_format, QWidget& VideoEdit1,
               Tfm_hint& hint);

    void DoConvert();
    void DoStopConvert();
    void VideoEdit1Complete();

private:
    // Converts one row into `folder`; leaves its status text.
    void ConvertOneRow(int row, const QString& folder);

    ShellState& state_;
    JobList& jobs_;
    VideoEngine& engine_;
    Preview& preview_;
    Progress& progress_;
    Prompter& prompter_;
    QLineEdit& ed_output_;
    QComboBox& cb_format_;
    QWidget& VideoEdit1_;
    Tfm_hint& fm_hint_;
};

}  // namespace tevarro
